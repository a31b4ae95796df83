#include "core/base/AtomicBatchWrite.h"

#include "core/base/FileIo.h"
#include "core/base/FileIoDetail.h"

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <vector>

namespace nakilon {

namespace {

struct Folder {
    detail::DiskFlush flush;
    size_t firstUnflushed = SIZE_MAX; // the first file whose copy waits for the disk's flush
    bool renamedInto = false;
};

struct File {
    std::string name;
    detail::WriteTarget target;
    std::optional<std::filesystem::path> copy; // nothing: written in place at the commit
    std::string bytes;                         // the content of a file written in place
};

// Fails the step with the injected error, or with errno when `action` reports
// failure.
void check(std::string_view operation, const std::string& name, const auto& action) {
    if (const std::optional<int> injected = detail::injectedFailure(operation))
        throw BatchWriteError(name, detail::errnoText(*injected));
    if (!action())
        throw BatchWriteError(name, detail::errnoText(errno ? errno : EIO));
}

} // namespace

struct AtomicBatchWrite::State {
    std::vector<Folder> folders;
    std::map<std::filesystem::path, size_t> folderIndex;
    std::vector<File> files;
    std::vector<size_t> folderOf; // per file
    size_t done = 0;              // files[0, done) are in place; the rest wait

    size_t folderFor(const std::filesystem::path& target) {
        const std::filesystem::path path =
            target.parent_path().empty() ? std::filesystem::path(".") : target.parent_path();
        const auto [it, added] = folderIndex.emplace(path, folders.size());
        if (added)
            folders.push_back(Folder{detail::DiskFlush(path)});
        return it->second;
    }

    void discard() noexcept {
        for (size_t i = done; i < files.size(); ++i)
            if (files[i].copy)
                detail::removeQuietly(*files[i].copy);
        files.resize(done);
        folderOf.resize(done);
    }

    // Makes the renames durable; the new contents are in place already, so
    // a failure here is not reported.
    void flushFolders() noexcept {
        for (Folder& folder : folders)
            if (folder.renamedInto)
                folder.flush.flushFolder();
    }

    ~State() { discard(); }
};

AtomicBatchWrite::AtomicBatchWrite() : m_state(std::make_unique<State>()) {}
AtomicBatchWrite::~AtomicBatchWrite() = default;

size_t AtomicBatchWrite::size() const {
    return m_state->files.size();
}

void AtomicBatchWrite::add(std::string_view utf8Name, std::string_view bytes) {
    State& s = *m_state;
    File file;
    file.name = std::string(utf8Name);
    size_t folder = 0;
    try {
        // The same first step as a single write: links followed, read-only
        // and non-regular targets refused, owner and permissions taken over,
        // in place where a rename would harm the target.
        file.target = detail::inspectWriteTarget(pathFromUtf8(utf8Name));
        folder = s.folderFor(file.target.path);
        const bool flushNow = !s.folders[folder].flush.canFlush();
        file.copy = detail::stageCopy(file.target, bytes, flushNow);
        if (!file.copy)
            file.bytes = std::string(bytes);
        else if (!flushNow && s.folders[folder].firstUnflushed == SIZE_MAX)
            s.folders[folder].firstUnflushed = s.files.size();
    } catch (const IoError& e) {
        throw BatchWriteError(file.name, e.reason());
    }
    s.files.push_back(std::move(file));
    s.folderOf.push_back(folder);
}

void AtomicBatchWrite::commit() {
    State& s = *m_state;
    try {
        for (Folder& folder : s.folders)
            if (folder.firstUnflushed != SIZE_MAX)
                check("sync", s.files.at(folder.firstUnflushed).name,
                      [&] { return folder.flush.flushDisk(); });
        for (; s.done < s.files.size(); ++s.done) {
            const File& file = s.files[s.done];
            try {
                if (file.copy) {
                    detail::replaceWithCopy(*file.copy, file.target, false);
                    s.folders[s.folderOf[s.done]].renamedInto = true;
                } else {
                    detail::writeInPlace(file.target.path, file.bytes);
                }
            } catch (const IoError& e) {
                throw BatchWriteError(file.name, e.reason());
            }
        }
    } catch (...) {
        s.discard();
        s.flushFolders();
        throw;
    }
    s.flushFolders();
}

} // namespace nakilon
