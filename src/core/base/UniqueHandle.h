#pragma once

#include <cstdint>
#include <utility>

namespace nakilon {

// Owns an open Windows handle (of a file, a process) and closes it when it
// goes, on every path out of a function, an error path too. It moves, never
// copies; INVALID_HANDLE_VALUE is none, and a null handle (what some calls
// return on failure) is never closed either. The handle is a `void*`, which
// is what HANDLE is, so that this header needs no <windows.h>.
//
// The closing of a file that was written can report that its data did not
// reach the disk: where that is checked, close() closes on purpose and
// returns the error instead of leaving the close to the destructor.
class UniqueHandle {
public:
    using Handle = void*;
    // INVALID_HANDLE_VALUE.
    static Handle none() noexcept { return reinterpret_cast<Handle>(std::intptr_t{-1}); }

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Handle handle) noexcept : m_handle(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : m_handle(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        reset(other.release());
        return *this;
    }
    ~UniqueHandle() { reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Handle get() const noexcept { return m_handle; }
    explicit operator bool() const noexcept { return m_handle != none() && m_handle != nullptr; }

    // Hands the handle over without closing it; none is held afterwards.
    Handle release() noexcept { return std::exchange(m_handle, none()); }
    // Closes the one held, if any, without a word on failure, and holds
    // `handle`.
    void reset(Handle handle = none()) noexcept;
    // Closes the one held: 0, or the system's error code (GetLastError()
    // tells it too). None is held afterwards either way.
    unsigned long close() noexcept;

private:
    Handle m_handle = none();
};

} // namespace nakilon
