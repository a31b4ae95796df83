#include "core/base/FileIo.h"

#include "core/base/Error.h"
#include "core/base/FileIoDetail.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>

namespace nakilon {

namespace {

using detail::errnoText;

// Runs one operation of the seam's list: an injected failure, or the
// system's own.
template <typename Action> bool step(std::string_view operation, Action&& action, int& error) {
    if (const std::optional<int> injected = detail::injectedFailure(operation)) {
        error = *injected;
        return false;
    }
    if (action())
        return true;
    error = errno ? errno : EIO;
    return false;
}

// Writes `bytes` at `offset` as the seam's `operation`, resuming after
// interruptions; `done` tells how far it got.
bool writeAllAt(int fd, std::string_view bytes, uint64_t offset, std::string_view operation,
                size_t& done, int& error) {
    done = 0;
    while (done < bytes.size()) {
        ssize_t n = 0;
        const bool ok = step(
            operation,
            [&] {
                n = ::pwrite(fd, bytes.data() + done, bytes.size() - done,
                             static_cast<off_t>(offset + done));
                if (n < 0 && errno == EINTR) {
                    n = 0;
                    return true;
                }
                if (n == 0)
                    errno = ENOSPC;
                return n > 0;
            },
            error);
        if (!ok)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool writeAll(int fd, std::string_view bytes, int& error) {
    size_t done = 0;
    return writeAllAt(fd, bytes, 0, "write", done, error);
}

void syncFolder(const std::filesystem::path& file) {
    const std::filesystem::path folder =
        file.parent_path().empty() ? std::filesystem::path(".") : file.parent_path();
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

namespace detail {

std::string accessDeniedText() {
    return errnoText(EACCES);
}

unsigned long currentProcessId() {
    return static_cast<unsigned long>(getpid());
}

std::FILE* openForReading(const std::filesystem::path& path) {
    // Without O_NONBLOCK, opening a pipe would wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw IoError(errnoText(errno));
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const int code = S_ISDIR(info.st_mode) ? EISDIR : 0;
        ::close(fd);
        throw IoError(code ? errnoText(code) : notRegularFileText());
    }
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file) {
        const int code = errno;
        ::close(fd);
        throw IoError(errnoText(code));
    }
    return file;
}

std::filesystem::path followLinks(const std::filesystem::path& name) {
    std::filesystem::path path = name;
    std::error_code ec;
    for (int hops = 0; hops < 40 && std::filesystem::is_symlink(path, ec); ++hops) {
        const std::filesystem::path link = std::filesystem::read_symlink(path, ec);
        if (ec)
            break;
        path = link.is_absolute() ? link : path.parent_path() / link;
    }
    return path.lexically_normal();
}

WriteTarget inspectWriteTarget(const std::filesystem::path& name) {
    WriteTarget target;
    target.path = followLinks(name);
    struct stat info {};
    if (::stat(target.path.c_str(), &info) != 0) {
        if (errno == ENOENT)
            return target; // a new file
        throw IoError(errnoText(errno));
    }
    if (S_ISDIR(info.st_mode))
        throw IoError(errnoText(EISDIR));
    if (!S_ISREG(info.st_mode))
        throw IoError(notRegularFileText());
    // A file without any write permission is read-only, also for root, who
    // may write anything.
    if ((info.st_mode & 0222) == 0 || ::access(target.path.c_str(), W_OK) != 0)
        throw IoError(accessDeniedText());
    target.exists = true;
    target.inPlace = info.st_nlink > 1;
    target.mode = info.st_mode & 07777;
    target.owner = info.st_uid;
    target.group = info.st_gid;
    return target;
}

std::optional<std::filesystem::path> writeCopy(const std::filesystem::path& folder,
                                               const WriteTarget& target, std::string_view bytes,
                                               bool keepOwner, bool flush, CopyRefusal& refusal) {
    refusal = CopyRefusal::None;
    const std::filesystem::path copy = temporaryNameFor(folder, target.path);
    int error = 0;
    int fd = -1;
    if (!step(
            "open",
            [&] {
                fd = ::open(copy.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
                return fd >= 0;
            },
            error)) {
        if (error == EACCES || error == EPERM) {
            refusal = CopyRefusal::FolderTakesNoNewFiles;
            return std::nullopt;
        }
        throw IoError(errnoText(error));
    }
    const auto fail = [&](int code) {
        ::close(fd);
        ::unlink(copy.c_str());
        throw IoError(errnoText(code));
    };
    if (target.exists) {
        ::fchmod(fd, static_cast<mode_t>(target.mode));
        struct stat made {};
        if (keepOwner && ::fstat(fd, &made) == 0 &&
            (made.st_uid != target.owner || made.st_gid != target.group) &&
            ::fchown(fd, static_cast<uid_t>(target.owner), static_cast<gid_t>(target.group)) != 0) {
            ::close(fd);
            ::unlink(copy.c_str());
            refusal = CopyRefusal::OwnerNotKept;
            return std::nullopt;
        }
    }
    if (!writeAll(fd, bytes, error))
        fail(error);
    if (flush && !step(
                     "sync", [&] { return ::fsync(fd) == 0; }, error))
        fail(error);
    if (!step(
            "close",
            [&] {
                const int result = ::close(fd);
                fd = -1;
                return result == 0;
            },
            error)) {
        if (fd >= 0)
            ::close(fd);
        ::unlink(copy.c_str());
        throw IoError(errnoText(error));
    }
    return copy;
}

void replaceWithCopy(const std::filesystem::path& copy, const WriteTarget& target, bool durable) {
    int error = 0;
    if (!step(
            "rename", [&] { return ::rename(copy.c_str(), target.path.c_str()) == 0; }, error))
        throw IoError(errnoText(error));
    // The new content is in place already; making the rename itself durable
    // is not reported when it fails.
    if (durable)
        syncFolder(target.path);
}

void writeInPlace(const std::filesystem::path& target, std::string_view bytes) {
    int error = 0;
    int fd = -1;
    if (!step(
            "open",
            [&] {
                fd = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                return fd >= 0;
            },
            error))
        throw IoError(errnoText(error));
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        throw IoError(notRegularFileText());
    }
    const auto fail = [&](int code) {
        ::close(fd);
        throw IoError(errnoText(code));
    };
    const auto size = static_cast<off_t>(bytes.size());
    // Claim the disk space first: a full disk shows here, before any old
    // byte is overwritten.
    if (size > info.st_size && !step(
                                   "extend",
                                   [&] {
                                       const int result = ::posix_fallocate(fd, 0, size);
                                       errno = result;
                                       return result == 0;
                                   },
                                   error)) {
        if (::ftruncate(fd, info.st_size) != 0) {
            // The file keeps its old bytes; only its length may have grown.
        }
        fail(error);
    }
    if (!writeAll(fd, bytes, error))
        fail(error);
    if (!step(
            "truncate", [&] { return ::ftruncate(fd, size) == 0; }, error))
        fail(error);
    if (!step(
            "sync", [&] { return ::fsync(fd) == 0; }, error))
        fail(error);
    if (!step(
            "close", [&] { return ::close(fd) == 0; }, error))
        throw IoError(errnoText(error));
}

void removeQuietly(const std::filesystem::path& path) noexcept {
    ::unlink(path.c_str());
}

std::optional<uint64_t> freeSpaceIn(const std::filesystem::path& folder) {
    struct statvfs info {};
    if (::statvfs(folder.c_str(), &info) != 0)
        return std::nullopt;
    return static_cast<uint64_t>(info.f_bavail) * static_cast<uint64_t>(info.f_frsize);
}

std::string diskIdentity(const std::filesystem::path& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0)
        return pathToUtf8(folder);
    return std::to_string(static_cast<unsigned long long>(info.st_dev));
}

DiskFlush::DiskFlush(const std::filesystem::path& folder) : m_folder(folder) {
#ifdef __linux__
    // Opened before the first file is written, so that the flush reports
    // what goes wrong from here on.
    m_native = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
#endif
}

DiskFlush::DiskFlush(DiskFlush&& other) noexcept
    : m_folder(std::move(other.m_folder)), m_native(other.m_native) {
    other.m_native = -1;
}

DiskFlush::~DiskFlush() {
    if (m_native >= 0)
        ::close(static_cast<int>(m_native));
}

bool DiskFlush::flushDisk() {
#ifdef __linux__
    if (m_native >= 0)
        return ::syncfs(static_cast<int>(m_native)) == 0;
#endif
    errno = ENOTSUP;
    return false;
}

void DiskFlush::flushFolder() noexcept {
    const int fd = m_native >= 0 ? static_cast<int>(m_native)
                                 : ::open(m_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0)
        ::fsync(fd);
    if (fd >= 0 && fd != m_native)
        ::close(fd);
}

} // namespace detail

bool processIsRunning(unsigned long process) {
    if (process == 0)
        return false;
    return ::kill(static_cast<pid_t>(process), 0) == 0 || errno == EPERM;
}

AppendingFile::AppendingFile(std::string_view utf8Name) {
    const std::filesystem::path path = pathFromUtf8(resolvedFileName(utf8Name));
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode))
        throw IoError(S_ISDIR(existing.st_mode) ? errnoText(EISDIR) : detail::notRegularFileText());
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0)
        throw IoError(errnoText(errno));
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        throw IoError(detail::notRegularFileText());
    }
    m_native = fd;
    m_size = static_cast<uint64_t>(info.st_size);
}

AppendingFile::~AppendingFile() {
    if (m_native >= 0)
        ::close(static_cast<int>(m_native));
}

void AppendingFile::refreshSize() {
    struct stat info {};
    if (::fstat(static_cast<int>(m_native), &info) != 0)
        throw IoError(errnoText(errno));
    m_size = static_cast<uint64_t>(info.st_size);
}

FileIdentity AppendingFile::identity() const {
    struct stat info {};
    if (::fstat(static_cast<int>(m_native), &info) != 0)
        throw IoError(errnoText(errno));
    return {static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
}

uint64_t AppendingFile::modified() const {
    struct stat info {};
    if (::fstat(static_cast<int>(m_native), &info) != 0)
        throw IoError(errnoText(errno));
    return static_cast<uint64_t>(info.st_mtim.tv_sec) * 1'000'000'000u +
           static_cast<uint64_t>(info.st_mtim.tv_nsec);
}

bool AppendingFile::lock(std::chrono::milliseconds wait) {
    return detail::retryFor(wait, [this] {
        if (::flock(static_cast<int>(m_native), LOCK_EX | LOCK_NB) == 0)
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
        const ssize_t n = ::pread(static_cast<int>(m_native), bytes.data() + done, length - done,
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
    const int fd = static_cast<int>(m_native);
    uint64_t at = m_size;
    int error = 0;
    for (std::string_view bytes : pieces) {
        size_t done = 0;
        if (!writeAllAt(fd, bytes, at, "append", done, error)) {
            // Cut the torn pieces off, so that the next append follows the
            // last whole one.
            if (at + done > m_size && ::ftruncate(fd, static_cast<off_t>(m_size)) != 0)
                m_broken = true;
            throw IoError(errnoText(error));
        }
        at += bytes.size();
    }
    m_size = at;
}

void AppendingFile::cutBack(uint64_t size) {
    int error = 0;
    if (!step(
            "truncate",
            [&] { return ::ftruncate(static_cast<int>(m_native), static_cast<off_t>(size)) == 0; },
            error)) {
        m_broken = true;
        throw IoError(errnoText(error));
    }
    m_size = size;
}

void AppendingFile::sync() {
    int error = 0;
    if (!step(
            "sync", [&] { return ::fdatasync(static_cast<int>(m_native)) == 0; }, error))
        throw IoError(errnoText(error));
}

} // namespace nakilon

namespace nakilon {

std::optional<FileIdentity> identityOf(std::string_view utf8Name) {
    struct stat info {};
    if (::stat(pathFromUtf8(utf8Name).c_str(), &info) != 0) {
        if (errno == ENOENT)
            return std::nullopt;
        throw IoError(errnoText(errno));
    }
    return FileIdentity{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
}

} // namespace nakilon
