#include "core/base/Error.h"
#include "core/base/FileIoDetail.h"
#include "core/base/FileIoDetail_posix.h"
#include "core/base/UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace nakilon::detail {

namespace {

void writeAll(int fd, std::string_view bytes) {
    uint64_t at = 0;
    writeAllAt(fd, bytes, "write", at);
}

UniqueFd openFolder(const std::filesystem::path& folder) {
    return UniqueFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

void syncFolder(const std::filesystem::path& file) {
    const std::filesystem::path folder =
        file.parent_path().empty() ? std::filesystem::path(".") : file.parent_path();
    if (const UniqueFd fd = openFolder(folder))
        ::fsync(fd.get());
}

} // namespace

std::string accessDeniedText() {
    return errnoText(EACCES);
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
    const std::filesystem::path name = temporaryNameFor(folder, target.path);
    UniqueFd fd;
    if (const int error = attempt("open", [&] {
            fd = UniqueFd(::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
            return static_cast<bool>(fd);
        })) {
        if (error == EACCES || error == EPERM) {
            refusal = CopyRefusal::FolderTakesNoNewFiles;
            return std::nullopt;
        }
        throw IoError(errnoText(error));
    }
    // From here on, any way out but the end closes and removes the copy.
    CopyBeingWritten copy(name, std::move(fd));
    const int out = copy.file.get();
    if (target.exists) {
        ::fchmod(out, static_cast<mode_t>(target.mode));
        struct stat made {};
        const bool otherOwner = keepOwner && ::fstat(out, &made) == 0 &&
                                (made.st_uid != target.owner || made.st_gid != target.group);
        if (otherOwner && ::fchown(out, static_cast<uid_t>(target.owner),
                                   static_cast<gid_t>(target.group)) != 0) {
            refusal = CopyRefusal::OwnerNotKept;
            return std::nullopt;
        }
    }
    writeAll(out, bytes);
    if (flush)
        step("sync", [&] { return ::fsync(out) == 0; });
    // The close can report a write that did not reach the disk.
    step("close", [&] { return copy.file.close() == 0; });
    return copy.keep();
}

void replaceWithCopy(const std::filesystem::path& copy, const WriteTarget& target, bool durable) {
    step("rename", [&] { return ::rename(copy.c_str(), target.path.c_str()) == 0; });
    // The new content is in place already; making the rename itself durable
    // is not reported when it fails.
    if (durable)
        syncFolder(target.path);
}

void writeInPlace(const std::filesystem::path& target, std::string_view bytes) {
    UniqueFd fd;
    step("open", [&] {
        fd = UniqueFd(::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
        return static_cast<bool>(fd);
    });
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        throw IoError(notRegularFileText());
    const auto size = static_cast<off_t>(bytes.size());
    // Claim the disk space first: a full disk shows here, before any old
    // byte is overwritten.
    if (size > info.st_size) {
        try {
            step("extend", [&] {
                const int result = ::posix_fallocate(fd.get(), 0, size);
                errno = result;
                return result == 0;
            });
        } catch (...) {
            if (::ftruncate(fd.get(), info.st_size) != 0) {
                // The file keeps its old bytes; only its length may have grown.
            }
            throw;
        }
    }
    writeAll(fd.get(), bytes);
    step("truncate", [&] { return ::ftruncate(fd.get(), size) == 0; });
    step("sync", [&] { return ::fsync(fd.get()) == 0; });
    // The close can report a write that did not reach the disk.
    step("close", [&] { return fd.close() == 0; });
}

void removeQuietly(const std::filesystem::path& path) noexcept {
    ::unlink(path.c_str());
}

DiskFlush::DiskFlush(const std::filesystem::path& folder) : m_folder(folder) {
#ifdef __linux__
    // Opened before the first file is written, so that the flush reports
    // what goes wrong from here on.
    m_folderFile = openFolder(folder);
#endif
}

void DiskFlush::flushDisk() {
#ifdef __linux__
    if (m_folderFile) {
        if (::syncfs(m_folderFile.get()) != 0)
            throw IoError(errnoText(errno ? errno : EIO));
        return;
    }
#endif
    throw IoError(errnoText(ENOTSUP));
}

void DiskFlush::flushFolder() noexcept {
    if (m_folderFile) {
        ::fsync(m_folderFile.get());
        return;
    }
    if (const UniqueFd fd = openFolder(m_folder))
        ::fsync(fd.get());
}

} // namespace nakilon::detail
