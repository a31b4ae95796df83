#include "core/base/FileLock.h"

#include "core/base/Error.h"
#include "core/base/FilePaths.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

namespace nakilon {

namespace {
constexpr std::chrono::milliseconds kRetryEvery{50};
}

FileLock::FileLock(std::string_view lockFileName, std::chrono::milliseconds wait) {
    const std::filesystem::path path = pathFromUtf8(lockFileName);
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
    if (!fd)
        throw IoError(std::strerror(errno));
    m_file = std::move(fd);
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        if (::flock(m_file.get(), LOCK_EX | LOCK_NB) == 0) {
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

// Closing the lock file (m_file) releases the lock.
FileLock::~FileLock() = default;

} // namespace nakilon
