#include "core/base/AtomicBatchWrite.h"

#include "core/base/FileIo.h"
#include "core/base/FileIoDetail.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <map>
#include <vector>

namespace nakilon {

namespace {

using detail::errnoText;

// Linux flushes a whole file system with one call, which also reports a
// write-back error of any file written since the folder was opened; other
// systems flush each file.
#ifdef __linux__
constexpr bool kSyncWholeFileSystem = true;
#else
constexpr bool kSyncWholeFileSystem = false;
#endif

struct Folder {
    std::filesystem::path path;
    int fd = -1;                 // -1: each file of the folder is flushed on its own
    size_t firstFile = SIZE_MAX; // none written yet
};

struct File {
    std::string name;
    std::filesystem::path temp;
    std::filesystem::path target;
    size_t folder = 0;
};

// Fails the step with the injected error, or with errno when `action` reports
// failure.
void check(std::string_view operation, const std::string& name, const auto& action) {
    if (const std::optional<int> injected = detail::injectedFailure(operation))
        throw BatchWriteError(name, errnoText(*injected));
    if (!action())
        throw BatchWriteError(name, errnoText(errno ? errno : EIO));
}

} // namespace

struct AtomicBatchWrite::State {
    std::vector<Folder> folders;
    std::map<std::filesystem::path, size_t> folderIndex;
    std::vector<File> files;
    size_t renamed = 0; // files[0, renamed) are in place; the rest are temporaries

    size_t folderFor(const std::filesystem::path& target) {
        const std::filesystem::path path =
            target.parent_path().empty() ? std::filesystem::path(".") : target.parent_path();
        const auto [it, added] = folderIndex.emplace(path, folders.size());
        if (added) {
            Folder folder;
            folder.path = path;
            // Opened before the first file is written, so that the flush
            // reports what goes wrong from here on.
            if (kSyncWholeFileSystem)
                folder.fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            folders.push_back(folder);
        }
        return it->second;
    }

    void discard() {
        for (size_t i = renamed; i < files.size(); ++i)
            ::unlink(files[i].temp.c_str());
        files.resize(renamed);
    }

    // Makes the renames durable; the new contents are in place already, so
    // a failure here is not reported.
    void flushFolders() {
        for (Folder& folder : folders) {
            if (folder.firstFile == SIZE_MAX || renamed == 0)
                continue;
            const int fd = folder.fd >= 0
                               ? folder.fd
                               : ::open(folder.path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (fd >= 0) {
                ::fsync(fd);
                ::close(fd);
            }
            folder.fd = -1;
        }
    }

    ~State() {
        discard();
        for (const Folder& folder : folders)
            if (folder.fd >= 0)
                ::close(folder.fd);
    }
};

AtomicBatchWrite::AtomicBatchWrite() : m_state(std::make_unique<State>()) {}
AtomicBatchWrite::~AtomicBatchWrite() = default;

size_t AtomicBatchWrite::size() const {
    return m_state->files.size();
}

void AtomicBatchWrite::add(std::string_view utf8Name, std::string_view bytes) {
    State& s = *m_state;
    const std::string name(utf8Name);
    File file{name, {}, pathFromUtf8(utf8Name), 0};
    std::error_code ec;
    if (std::filesystem::is_directory(file.target, ec))
        throw BatchWriteError(name, errnoText(EISDIR));
    file.folder = s.folderFor(file.target);
    file.temp = detail::temporaryNameFor(file.target);

    int fd = -1;
    check("open", name, [&] {
        fd = ::open(file.temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        return fd >= 0;
    });
    try {
        // Keep the permissions of the file being replaced.
        struct stat old {};
        if (::stat(file.target.c_str(), &old) == 0)
            ::fchmod(fd, old.st_mode & 07777);
        size_t done = 0;
        while (done < bytes.size()) {
            check("write", name, [&] {
                const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
                if (n < 0)
                    return errno == EINTR;
                if (n == 0)
                    errno = ENOSPC;
                done += static_cast<size_t>(n);
                return n > 0;
            });
        }
        if (s.folders[file.folder].fd < 0)
            check("sync", name, [&] { return ::fsync(fd) == 0; });
        check("close", name, [&] {
            const int result = ::close(fd);
            fd = -1;
            return result == 0;
        });
    } catch (...) {
        if (fd >= 0)
            ::close(fd);
        ::unlink(file.temp.c_str());
        throw;
    }
    Folder& folder = s.folders[file.folder];
    if (folder.firstFile == SIZE_MAX)
        folder.firstFile = s.files.size();
    s.files.push_back(std::move(file));
}

void AtomicBatchWrite::commit() {
    State& s = *m_state;
    try {
#ifdef __linux__
        for (const Folder& folder : s.folders) {
            if (folder.fd >= 0 && folder.firstFile != SIZE_MAX)
                check("sync", s.files.at(folder.firstFile).name,
                      [&] { return ::syncfs(folder.fd) == 0; });
        }
#endif
        for (; s.renamed < s.files.size(); ++s.renamed) {
            const File& file = s.files[s.renamed];
            check("rename", file.name,
                  [&] { return ::rename(file.temp.c_str(), file.target.c_str()) == 0; });
        }
    } catch (...) {
        s.discard();
        s.flushFolders();
        throw;
    }
    s.flushFolders();
}

} // namespace nakilon
