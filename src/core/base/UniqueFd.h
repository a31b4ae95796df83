#pragma once

#include <utility>

namespace nakilon {

// Owns an open POSIX file descriptor and closes it when it goes, on every path
// out of a function, an error path too. It moves, never copies; -1 is none.
//
// The closing of a file that was written can report that its data did not
// reach the disk: where that is checked, close() closes on purpose and
// returns the error instead of leaving the close to the destructor.
class UniqueFd {
public:
    UniqueFd() noexcept = default;
    explicit UniqueFd(int fd) noexcept : m_fd(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        reset(other.release());
        return *this;
    }
    ~UniqueFd() { reset(); }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const noexcept { return m_fd; }
    explicit operator bool() const noexcept { return m_fd >= 0; }

    // Hands the descriptor over without closing it; none is held afterwards.
    int release() noexcept { return std::exchange(m_fd, -1); }
    // Closes the one held, if any, without a word on failure, and holds `fd`.
    void reset(int fd = -1) noexcept;
    // Closes the one held: 0, or the system's error number (errno tells it
    // too). None is held afterwards either way, as the system closes the
    // descriptor even when it reports a failure.
    int close() noexcept;

private:
    int m_fd = -1;
};

} // namespace nakilon
