#include "core/base/FileLock.h"

#include "core/base/Error.h"
#include "core/base/FileIo.h"

#include <cerrno>
#include <cstring>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace nakilon {

namespace {
constexpr std::chrono::milliseconds kRetryEvery{50};
}

#ifdef _WIN32

FileLock::FileLock(std::string_view lockFileName, std::chrono::milliseconds wait) {
    const std::filesystem::path path = pathFromUtf8(lockFileName);
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        throw IoError("Error " + std::to_string(GetLastError()));
    m_handle = handle;
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
    if (m_handle) {
        if (m_locked) {
            OVERLAPPED overlapped{};
            UnlockFileEx(static_cast<HANDLE>(m_handle), 0, 1, 0, &overlapped);
        }
        CloseHandle(static_cast<HANDLE>(m_handle));
    }
}

#else

FileLock::FileLock(std::string_view lockFileName, std::chrono::milliseconds wait) {
    const std::filesystem::path path = pathFromUtf8(lockFileName);
    m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (m_fd < 0)
        throw IoError(std::strerror(errno));
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0) {
            m_locked = true;
            return;
        }
        if (errno != EWOULDBLOCK && errno != EINTR)
            return;
        if (std::chrono::steady_clock::now() >= deadline)
            return;
        std::this_thread::sleep_for(kRetryEvery);
    }
}

FileLock::~FileLock() {
    if (m_fd >= 0)
        ::close(m_fd); // closing releases the lock
}

#endif

} // namespace nakilon
