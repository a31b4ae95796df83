#include "core/base/FileLock.h"

#include "core/base/Error.h"
#include "core/base/FileIo.h"

#include <windows.h>

#include <thread>

namespace nakilon {

namespace {
constexpr std::chrono::milliseconds kRetryEvery{50};
}

FileLock::FileLock(std::string_view lockFileName, std::chrono::milliseconds wait) {
    const std::filesystem::path path = pathFromUtf8(lockFileName);
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        throw IoError("Error " + std::to_string(GetLastError()));
    m_native = reinterpret_cast<intptr_t>(handle);
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        OVERLAPPED overlapped{};
        if (LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                       &overlapped)) {
            m_locked = true;
            return;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return;
        std::this_thread::sleep_for(kRetryEvery);
    }
}

FileLock::~FileLock() {
    const auto handle = reinterpret_cast<HANDLE>(m_native);
    if (handle != INVALID_HANDLE_VALUE) {
        if (m_locked) {
            OVERLAPPED overlapped{};
            UnlockFileEx(handle, 0, 1, 0, &overlapped);
        }
        CloseHandle(handle);
    }
}

} // namespace nakilon
