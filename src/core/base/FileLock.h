#pragma once

#include "core/base/NativeFile.h"

#include <chrono>
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
    NativeFile m_file; // the open lock file
};

} // namespace nakilon
