#include "core/base/AtomicBatchWrite.h"

#include "core/base/FileAppend.h"
#include "core/base/FileIoDetail.h"
#include "core/base/FilePaths.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
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

// Fails the step with the injected error, or with the IoError that `action`
// throws, as BatchWriteError naming the file.
void check(std::string_view operation, const std::string& name, const auto& action) {
    if (const std::optional<int> injected = detail::injectedFailure(operation))
        throw BatchWriteError(name, detail::errnoText(*injected));
    try {
        action();
    } catch (const IoError& e) {
        throw BatchWriteError(name, e.reason());
    }
}

// The files of a grouped write, each staged beside its target, and the steps
// that put them in place.
struct Batch {
    // A deque: a folder's flush stays where it is as folders are added, for
    // the threads of a BackgroundBatchWrite that use it meanwhile.
    std::deque<Folder> folders;
    std::map<std::filesystem::path, size_t> folderIndex;
    std::vector<File> files;
    std::vector<size_t> folderOf; // per file
    size_t done = 0;              // files[0, done) are in place; the rest wait

    Batch() = default;
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;
    ~Batch() { discard(); }

    size_t folderFor(const std::filesystem::path& target) {
        const std::filesystem::path path =
            target.parent_path().empty() ? std::filesystem::path(".") : target.parent_path();
        const auto [it, added] = folderIndex.emplace(path, folders.size());
        if (added)
            folders.push_back(Folder{detail::DiskFlush(path)});
        return it->second;
    }

    bool flushesTogether(size_t folder) const { return folders[folder].flush.canFlush(); }

    // The first step of a file, as for a single write: links followed,
    // read-only and non-regular targets refused, owner and permissions taken
    // over, in place where a rename would harm the target. The bytes go into a
    // copy beside the target, flushed at once where the folder's disk cannot
    // be flushed as a whole, unless `complete` is false (more bytes follow, and
    // the flush with them). Returns the file and its folder.
    std::pair<File, size_t> stage(std::string_view utf8Name, std::string_view bytes,
                                  bool complete = true) {
        File file;
        file.name = std::string(utf8Name);
        try {
            file.target = detail::inspectWriteTarget(pathFromUtf8(utf8Name));
            const size_t folder = folderFor(file.target.path);
            file.copy = detail::stageCopy(file.target, bytes, complete && !flushesTogether(folder));
            if (!file.copy)
                file.bytes = std::string(bytes);
            return {std::move(file), folder};
        } catch (const IoError& e) {
            throw BatchWriteError(file.name, e.reason());
        }
    }

    void add(File file, size_t folder) {
        if (file.copy && flushesTogether(folder) && folders[folder].firstUnflushed == SIZE_MAX)
            folders[folder].firstUnflushed = files.size();
        files.push_back(std::move(file));
        folderOf.push_back(folder);
    }

    void commit() {
        try {
            for (Folder& folder : folders)
                if (folder.firstUnflushed != SIZE_MAX)
                    check("sync", files.at(folder.firstUnflushed).name,
                          [&] { folder.flush.flushDisk(); });
            for (; done < files.size(); ++done) {
                const File& file = files[done];
                try {
                    if (file.copy) {
                        detail::replaceWithCopy(*file.copy, file.target, false);
                        folders[folderOf[done]].renamedInto = true;
                    } else {
                        detail::writeInPlace(file.target.path, file.bytes);
                    }
                } catch (const IoError& e) {
                    throw BatchWriteError(file.name, e.reason());
                }
            }
        } catch (...) {
            discard();
            flushFolders();
            throw;
        }
        flushFolders();
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
};

} // namespace

struct AtomicBatchWrite::State : Batch {};

AtomicBatchWrite::AtomicBatchWrite() : m_state(std::make_unique<State>()) {}
AtomicBatchWrite::~AtomicBatchWrite() = default;

size_t AtomicBatchWrite::size() const {
    return m_state->files.size();
}

void AtomicBatchWrite::add(std::string_view utf8Name, std::string_view bytes) {
    auto [file, folder] = m_state->stage(utf8Name, bytes);
    m_state->add(std::move(file), folder);
}

void AtomicBatchWrite::commit() {
    m_state->commit();
}

// Between the caller and the helper threads, guarded by `mutex`: which files
// had their first step, which ones were handed over and which bytes wait. The
// stager alone touches `batch` until the threads have ended; an entry's file
// belongs to the stager until it is staged, then to the writer.
struct BackgroundBatchWrite::Shared {
    enum class Fate { Open, Written, Skipped };
    struct Entry {
        std::string name;
        Fate fate = Fate::Open;
        std::function<std::string()> bytes; // until the writer has written them
        std::optional<File> file;           // after a first step that succeeded
        size_t folder = 0;
        detail::DiskFlush* flush = nullptr; // the folder's, when it is flushed as a whole
        std::exception_ptr failure;         // of the first step
    };

    // The caller waits while this many files wait for their bytes to be
    // written, so that a slow disk does not pile them up in memory.
    static constexpr size_t kMostWaiting = 1024;
    // A waiting thread is woken for this many files at a time rather than for
    // each: a wake-up costs the caller a system call.
    static constexpr size_t kWakeFor = 16;
    // The disk is flushed early, beside the others, each time this many files
    // were written, so that the commit's own flush finds little left to do.
    static constexpr size_t kFlushEvery = 1000;

    Batch batch;
    std::vector<Entry> entries;
    size_t ahead = 1;

    std::mutex mutex;
    // Each thread waits on its own.
    std::condition_variable toStager, toWriter, toFlusher, toCaller;
    bool stagerWaits = false;
    bool writerWaits = false;
    bool callerWaits = false;
    size_t staged = 0; // entries[0, staged) had their first step, or were skipped before it
    size_t handed = 0; // entries[0, handed) were written or skipped by the caller
    std::deque<size_t> waiting; // handed over, the writer still to write or remove them
    bool working = false;       // the writer is writing or removing one of them
    // The first failure of the threads' own steps (the bytes of a file, in
    // the order of the files, or an early flush); it ends the batch.
    std::exception_ptr failed;
    size_t unflushed = 0; // files written since the last flush of the disk
    // For each folder flushed as a whole, its flush and the first file
    // written into it.
    std::map<size_t, std::pair<detail::DiskFlush*, std::string>> firstWrittenIn;
    bool flushWanted = false;
    bool stopping = false;
    std::thread stager, writer, flusher;

    bool canStage() const { return staged < entries.size() && staged < handed + ahead && !failed; }
    bool written() const { return waiting.empty() && !working; }

    void stageAll() {
        std::unique_lock lock(mutex);
        while (!stopping) {
            if (canStage()) {
                stageNext(lock);
                tellCaller();
            } else {
                stagerWaits = true;
                toStager.wait(lock);
                stagerWaits = false;
            }
        }
    }

    void writeAll() {
        std::unique_lock lock(mutex);
        while (!stopping) {
            if (!waiting.empty()) {
                const size_t index = waiting.front();
                waiting.pop_front();
                working = true;
                finish(lock, index);
                working = false;
                tellCaller();
            } else {
                writerWaits = true;
                toWriter.wait(lock);
                writerWaits = false;
            }
        }
    }

    // Wakes the stager and the writer when they wait and there is enough to
    // do, or `now`.
    void wake(bool now) {
        if (stagerWaits && (now || staged < handed + ahead / 2))
            toStager.notify_one();
        if (writerWaits && !waiting.empty() &&
            (now || waiting.size() >= kWakeFor || handed == entries.size()))
            toWriter.notify_one();
    }

    void tellCaller() {
        if (callerWaits)
            toCaller.notify_one();
    }

    // The caller waits until `ready` holds.
    void await(std::unique_lock<std::mutex>& lock, const auto& ready) {
        callerWaits = true;
        toCaller.wait(lock, ready);
        callerWaits = false;
    }

    // The first step of the next file, with the bytes still empty.
    void stageNext(std::unique_lock<std::mutex>& lock) {
        const size_t index = staged;
        Entry& entry = entries[index];
        if (entry.fate != Fate::Skipped) {
            const std::string name = entry.name;
            lock.unlock();
            std::optional<std::pair<File, size_t>> made;
            detail::DiskFlush* flush = nullptr;
            std::exception_ptr failure;
            try {
                made = batch.stage(name, {}, false);
                if (batch.flushesTogether(made->second))
                    flush = &batch.folders[made->second].flush;
            } catch (...) {
                failure = std::current_exception();
            }
            lock.lock();
            if (made) {
                entry.file = std::move(made->first);
                entry.folder = made->second;
                entry.flush = flush;
                // Skipped meanwhile: its copy goes again.
                if (entry.fate == Fate::Skipped) {
                    waiting.push_back(index);
                    wake(true);
                }
            }
            entry.failure = failure;
        }
        ++staged;
    }

    // Writes a file's bytes into its copy (or keeps them for a write in
    // place), or removes the copy of a file that is skipped.
    void finish(std::unique_lock<std::mutex>& lock, size_t index) {
        Entry& entry = entries[index];
        if (entry.fate == Fate::Skipped) {
            if (entry.file && entry.file->copy) {
                const std::filesystem::path copy = *entry.file->copy;
                entry.file.reset();
                lock.unlock();
                detail::removeQuietly(copy);
                lock.lock();
            }
            return;
        }
        const std::function<std::string()> make = std::move(entry.bytes);
        entry.bytes = nullptr;
        File& file = *entry.file;
        detail::DiskFlush* const flush = entry.flush;
        lock.unlock();
        std::exception_ptr failure;
        try {
            std::string bytes = make();
            if (file.copy) {
                // The copy exists, empty, with the target's permissions and
                // owner: the bytes go to its end.
                AppendingFile copy(pathToUtf8(*file.copy));
                copy.append(bytes);
                if (!flush)
                    copy.sync();
            } else {
                file.bytes = std::move(bytes);
            }
        } catch (const IoError& e) {
            failure = std::make_exception_ptr(BatchWriteError(file.name, e.reason()));
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        if (failure) {
            if (!failed)
                failed = failure;
        } else if (file.copy && flush) {
            firstWrittenIn.emplace(entry.folder, std::pair(flush, file.name));
            if (++unflushed >= kFlushEvery && !flushWanted) {
                unflushed = 0;
                flushWanted = true;
                toFlusher.notify_one();
            }
        }
    }

    // Flushes what was written so far to disk, folder by folder, while the
    // others go on and the caller still waits elsewhere. A failure names the
    // first file of the folder, as the commit's own flush would.
    void flushEarly() {
        std::unique_lock lock(mutex);
        for (;;) {
            toFlusher.wait(lock, [&] { return stopping || (flushWanted && !failed); });
            if (stopping)
                return;
            flushWanted = false;
            std::vector<std::pair<detail::DiskFlush*, std::string>> folders;
            for (const auto& [folder, flushAndName] : firstWrittenIn)
                folders.push_back(flushAndName);
            lock.unlock();
            std::exception_ptr failure;
            for (const auto& [flush, name] : folders) {
                try {
                    flush->flushDisk();
                } catch (const IoError& e) {
                    failure = std::make_exception_ptr(BatchWriteError(name, e.reason()));
                    break;
                }
            }
            lock.lock();
            if (failure && !failed) {
                failed = failure;
                tellCaller();
            }
        }
    }

    void start() {
        try {
            stager = std::thread([this] { stageAll(); });
            writer = std::thread([this] { writeAll(); });
            flusher = std::thread([this] { flushEarly(); });
        } catch (...) {
            stop();
            throw;
        }
    }

    void stop() noexcept {
        {
            const std::lock_guard lock(mutex);
            stopping = true;
        }
        toStager.notify_one();
        toWriter.notify_one();
        toFlusher.notify_one();
        for (std::thread* thread : {&stager, &writer, &flusher})
            if (thread->joinable())
                thread->join();
    }

    // The next file to be handed over: waits for its first step when
    // `needStaged`; throws the first failure that the caller must hear of.
    Entry& handOver(std::unique_lock<std::mutex>& lock, size_t index, bool needStaged) {
        if (index != handed || index >= entries.size())
            throw std::logic_error("BackgroundBatchWrite: files handed over out of order");
        Entry& entry = entries[index];
        wake(false);
        await(lock, [&] {
            return failed || ((!needStaged || staged > index) && waiting.size() < kMostWaiting);
        });
        if (needStaged && !failed && entry.failure) {
            // The files before it are written first, so that the failure
            // reported is the first one in the order of the files.
            wake(true);
            await(lock, [&] { return failed || written(); });
            if (!failed)
                std::rethrow_exception(entry.failure);
        }
        if (failed)
            std::rethrow_exception(failed);
        return entry;
    }
};

BackgroundBatchWrite::BackgroundBatchWrite(std::vector<std::string> utf8Names, size_t ahead)
    : m_shared(std::make_unique<Shared>()) {
    Shared& s = *m_shared;
    s.entries.resize(utf8Names.size());
    for (size_t i = 0; i < utf8Names.size(); ++i)
        s.entries[i].name = std::move(utf8Names[i]);
    s.ahead = ahead > 0 ? ahead : 1;
    s.start();
}

BackgroundBatchWrite::~BackgroundBatchWrite() {
    m_shared->stop();
    for (Shared::Entry& entry : m_shared->entries)
        if (entry.file && entry.file->copy)
            detail::removeQuietly(*entry.file->copy);
}

void BackgroundBatchWrite::write(size_t index, std::function<std::string()> bytes) {
    Shared& s = *m_shared;
    std::unique_lock lock(s.mutex);
    Shared::Entry& entry = s.handOver(lock, index, true);
    entry.fate = Shared::Fate::Written;
    entry.bytes = std::move(bytes);
    s.waiting.push_back(index);
    ++s.handed;
    s.wake(false);
}

void BackgroundBatchWrite::skip(size_t index) {
    Shared& s = *m_shared;
    std::unique_lock lock(s.mutex);
    Shared::Entry& entry = s.handOver(lock, index, false);
    entry.fate = Shared::Fate::Skipped;
    // Staged already: the writer removes its copy.
    if (s.staged > index)
        s.waiting.push_back(index);
    ++s.handed;
    s.wake(false);
}

void BackgroundBatchWrite::commit() {
    Shared& s = *m_shared;
    {
        std::unique_lock lock(s.mutex);
        if (s.handed != s.entries.size())
            throw std::logic_error(
                "BackgroundBatchWrite: commit before every file was handed over");
        s.wake(true);
        s.await(lock, [&] { return s.failed || s.written(); });
        if (s.failed)
            std::rethrow_exception(s.failed);
    }
    s.stop();
    for (Shared::Entry& entry : s.entries) {
        if (entry.fate == Shared::Fate::Written)
            s.batch.add(std::move(*entry.file), entry.folder);
        else if (entry.file && entry.file->copy)
            detail::removeQuietly(*entry.file->copy);
        entry.file.reset();
    }
    s.batch.commit();
}

} // namespace nakilon
