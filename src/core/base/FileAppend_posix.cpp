#include "core/base/FileAppend.h"

#include "core/base/Error.h"
#include "core/base/FileIoDetail.h"
#include "core/base/FileIoDetail_posix.h"
#include "core/base/FilePaths.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace nakilon {

using detail::errnoText;

AppendingFile::AppendingFile(std::string_view utf8Name) {
    const std::filesystem::path path = pathFromUtf8(resolvedFileName(utf8Name));
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode))
        throw IoError(S_ISDIR(existing.st_mode) ? errnoText(EISDIR) : detail::notRegularFileText());
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666));
    if (!fd)
        throw IoError(errnoText(errno));
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        throw IoError(detail::notRegularFileText());
    m_file = std::move(fd);
    m_size = static_cast<uint64_t>(info.st_size);
}

void AppendingFile::refreshSize() {
    struct stat info {};
    if (::fstat(m_file.get(), &info) != 0)
        throw IoError(errnoText(errno));
    m_size = static_cast<uint64_t>(info.st_size);
}

FileIdentity AppendingFile::identity() const {
    struct stat info {};
    if (::fstat(m_file.get(), &info) != 0)
        throw IoError(errnoText(errno));
    return {static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
}

uint64_t AppendingFile::modified() const {
    struct stat info {};
    if (::fstat(m_file.get(), &info) != 0)
        throw IoError(errnoText(errno));
    return static_cast<uint64_t>(info.st_mtim.tv_sec) * 1'000'000'000u +
           static_cast<uint64_t>(info.st_mtim.tv_nsec);
}

bool AppendingFile::lock(std::chrono::milliseconds wait) {
    return detail::retryFor(wait, [this] {
        if (::flock(m_file.get(), LOCK_EX | LOCK_NB) == 0)
            return true;
        if (errno == ENOLCK || errno == EOPNOTSUPP || errno == ENOSYS)
            return true; // no locks here: the program folder's lock still holds
        if (errno != EWOULDBLOCK && errno != EINTR)
            throw IoError(errnoText(errno));
        return false;
    });
}

std::string AppendingFile::readAt(uint64_t offset, size_t length) const {
    std::string bytes(length, '\0');
    size_t done = 0;
    while (done < length) {
        const ssize_t n = ::pread(m_file.get(), bytes.data() + done, length - done,
                                  static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw IoError(errnoText(errno));
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    bytes.resize(done);
    return bytes;
}

void AppendingFile::append(std::initializer_list<std::string_view> pieces) {
    if (m_broken)
        throw IoError(errnoText(EIO));
    uint64_t at = m_size;
    try {
        for (std::string_view bytes : pieces)
            detail::writeAllAt(m_file.get(), bytes, "append", at);
    } catch (...) {
        // Cut the torn pieces off, so that the next append follows the last
        // whole one.
        if (at > m_size && ::ftruncate(m_file.get(), static_cast<off_t>(m_size)) != 0)
            m_broken = true;
        throw;
    }
    m_size = at;
}

void AppendingFile::cutBack(uint64_t size) {
    try {
        detail::step("truncate",
                     [&] { return ::ftruncate(m_file.get(), static_cast<off_t>(size)) == 0; });
    } catch (...) {
        m_broken = true;
        throw;
    }
    m_size = size;
}

void AppendingFile::sync() {
    detail::step("sync", [&] { return ::fdatasync(m_file.get()) == 0; });
}

} // namespace nakilon
