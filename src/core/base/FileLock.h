#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace nakilon {

// An exclusive lock between processes, held on a lock file beside the file it
// guards (the guarded file itself is replaced by renames, so it cannot carry
// the lock). Released by the destructor; the lock file stays, empty.
class FileLock {
public:
    // Tries for up to `wait`; `locked()` tells whether it got the lock. Throws
    // IoError when the lock file cannot be opened at all.
    FileLock(std::string_view lockFileName, std::chrono::milliseconds wait);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool locked() const { return m_locked; }

private:
    bool m_locked = false;
    // The open lock file: a file descriptor, or a Windows HANDLE.
    intptr_t m_native = -1;
};

} // namespace nakilon
