#include "core/base/FileLock.h"

#include "core/base/Error.h"
#include "core/base/FilePaths.h"

#include <windows.h>

#include <string>
#include <thread>

namespace nakilon {

namespace {
constexpr std::chrono::milliseconds kRetryEvery{50};
}

FileLock::FileLock(std::string_view lockFileName, std::chrono::milliseconds wait) {
    const std::filesystem::path path = pathFromUtf8(lockFileName);
    UniqueHandle handle(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle)
        throw IoError("Error " + std::to_string(GetLastError()));
    m_file = std::move(handle);
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        OVERLAPPED overlapped{};
        if (LockFileEx(m_file.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                       &overlapped)) {
            m_locked = true;
            return;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return;
        std::this_thread::sleep_for(kRetryEvery);
    }
}

// The lock is given back before the lock file (m_file) is closed.
FileLock::~FileLock() {
    if (m_locked) {
        OVERLAPPED overlapped{};
        UnlockFileEx(m_file.get(), 0, 1, 0, &overlapped);
    }
}

} // namespace nakilon
