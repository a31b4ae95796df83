#include "core/base/FileIo.h"

#include "core/base/Error.h"
#include "core/base/FileIoDetail.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace nakilon {

namespace {
using detail::errnoText;
}

namespace detail {

unsigned long currentProcessId() {
    return static_cast<unsigned long>(getpid());
}

std::FILE* openForReading(const std::filesystem::path& path) {
    return std::fopen(path.c_str(), "rb");
}

} // namespace detail

void writeFileAtomic(std::string_view utf8Name, std::string_view bytes) {
    const std::filesystem::path target = pathFromUtf8(utf8Name);
    std::error_code ec;
    if (std::filesystem::is_directory(target, ec))
        throw IoError(errnoText(EISDIR));
    const std::filesystem::path temp = detail::temporaryNameFor(target);

    int fd = -1;
    auto fail = [&](int code) {
        if (fd >= 0)
            ::close(fd);
        ::unlink(temp.c_str());
        throw IoError(errnoText(code));
    };
    auto step = [&](std::string_view operation, auto&& action) {
        if (const std::optional<int> injected = detail::injectedFailure(operation))
            fail(*injected);
        if (!action())
            fail(errno ? errno : EIO);
    };

    if (const std::optional<int> injected = detail::injectedFailure("open"))
        throw IoError(errnoText(*injected));
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        throw IoError(errnoText(errno));
    // Keep the permissions of the file being replaced.
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0)
        ::fchmod(fd, old.st_mode & 07777);

    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = 0;
        step("write", [&] {
            n = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) {
                n = 0;
                return true;
            }
            if (n == 0)
                errno = ENOSPC;
            return n > 0;
        });
        done += static_cast<size_t>(n);
    }
    step("sync", [&] { return ::fsync(fd) == 0; });
    step("close", [&] {
        const int result = ::close(fd);
        fd = -1;
        return result == 0;
    });
    step("rename", [&] { return ::rename(temp.c_str(), target.c_str()) == 0; });

    // Make the rename itself durable; the new content is in place already, so a
    // failure here is not reported.
    const std::filesystem::path folder =
        target.parent_path().empty() ? std::filesystem::path(".") : target.parent_path();
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

} // namespace nakilon
