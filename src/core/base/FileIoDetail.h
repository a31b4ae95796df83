#pragma once

#include "core/base/NativeFile.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

// What the file functions share with their per-platform halves
// (<concern>_posix.cpp, <concern>_windows.cpp); not for use outside core/base.
//
// Every function here reports a failure the same way on both platforms: it
// throws IoError with the text that the system gives for it (or returns
// nothing where a missing answer is no failure).
namespace nakilon::detail {

// The seam and the texts (FileIoTesting.cpp, FileIoDetail.cpp).

// The test seam's answer for one file operation: an error number to fail it
// with, or nothing.
std::optional<int> injectedFailure(std::string_view operation);

std::string errnoText(int code);

// Asks `attempt` (true: done, false: not yet; it throws on a real failure)
// every 50 ms until it is done or `wait` is over; whether it was done.
bool retryFor(std::chrono::milliseconds wait, const std::function<bool()>& attempt);
// The reason given for a name that is not a regular file (a pipe, a device).
std::string notRegularFileText();
// The system's text for a write it does not allow (a read-only file, a folder
// that takes no new files). Per platform (SafeWrite_*.cpp).
std::string accessDeniedText();

// Reading (FileRead_*.cpp).

struct CloseStream {
    void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};
// A file opened for reading through the C library; closed when it goes.
using ReadStream = std::unique_ptr<std::FILE, CloseStream>;
ReadStream openForReading(const std::filesystem::path& path); // throws IoError

// Names (FileIdentity_*.cpp).

// The file a name leads to, symbolic links followed.
std::filesystem::path followLinks(const std::filesystem::path& name);

// Temporary copies (TemporaryCopies*.cpp).

unsigned long currentProcessId();
// A name in `folder` for a temporary copy of `target`, of the form
// "~<name>.<process>.<counter>.tmp".
std::filesystem::path temporaryNameFor(const std::filesystem::path& folder,
                                       const std::filesystem::path& target);

// Safe writing (SafeWrite*.cpp).

// What a write finds at its target.
struct WriteTarget {
    std::filesystem::path path; // symbolic links followed
    bool exists = false;
    bool inPlace = false; // a rename would cut the file off from its other names
    // What a copy must take over from the file it replaces (POSIX).
    uint32_t mode = 0;
    uint32_t owner = 0;
    uint32_t group = 0;
};
// Throws IoError for a target that must not be written at all: a folder, a
// read-only file, anything that is not a regular file.
WriteTarget inspectWriteTarget(const std::filesystem::path& name);

enum class CopyRefusal {
    None,
    FolderTakesNoNewFiles, // the user may not create files in the folder
    OwnerNotKept,          // the copy could not take the target's owner
};
// Writes `bytes` into a new temporary copy in `folder` with the target's
// permissions (and, with `keepOwner`, its owner), flushed to disk unless
// `flush` is false (the caller then flushes the whole disk). Returns nothing,
// with `refusal` set, for the two refusals above (no copy is left); throws
// IoError for any other failure (no copy is left either).
std::optional<std::filesystem::path> writeCopy(const std::filesystem::path& folder,
                                               const WriteTarget& target, std::string_view bytes,
                                               bool keepOwner, bool flush, CopyRefusal& refusal);

// The first step of every write, single or grouped, after inspectWriteTarget:
// the new content goes into a copy beside the target, or, when a rename would
// harm the target or its folder takes no new files, the target is marked to
// be written in place (`target.inPlace`) and nothing is returned. A new file
// that cannot be created throws IoError.
std::optional<std::filesystem::path> stageCopy(WriteTarget& target, std::string_view bytes,
                                               bool flush);

// Renames the copy over the target, keeping the target's owner and
// permissions; with `durable`, the rename is made durable at once (flushing
// the folder), otherwise the caller flushes the folder later. Throws IoError;
// the copy then stays.
void replaceWithCopy(const std::filesystem::path& copy, const WriteTarget& target,
                     bool durable = true);
// Writes the target's whole content in place. A failure before the first
// byte is overwritten (a full disk among them) leaves the old content.
void writeInPlace(const std::filesystem::path& target, std::string_view bytes);
void removeQuietly(const std::filesystem::path& path) noexcept;

// A temporary copy that was just created, while its bytes go in: unless
// keep() is called, it is closed and then removed (Windows removes no file
// that is open) when it goes, on every path out of the write.
class CopyBeingWritten {
public:
    CopyBeingWritten(std::filesystem::path name, NativeFile opened)
        : file(std::move(opened)), m_name(std::move(name)) {}
    ~CopyBeingWritten() {
        file.reset();
        if (!m_kept)
            removeQuietly(m_name);
    }
    CopyBeingWritten(const CopyBeingWritten&) = delete;
    CopyBeingWritten& operator=(const CopyBeingWritten&) = delete;

    // The finished copy, which stays.
    std::filesystem::path keep() {
        m_kept = true;
        return m_name;
    }

    NativeFile file;

private:
    std::filesystem::path m_name;
    bool m_kept = false;
};

// Flushes everything written on one disk since it was opened, where the system
// can (Linux's syncfs, which also reports a failed write-back of any file of
// that disk); elsewhere `canFlush()` is false and each file is flushed on its
// own. The folder itself is flushed by `flushFolder`, which makes renames in
// it durable.
class DiskFlush {
public:
    explicit DiskFlush(const std::filesystem::path& folder);
    DiskFlush(const DiskFlush&) = delete;
    DiskFlush& operator=(const DiskFlush&) = delete;
    DiskFlush(DiskFlush&&) noexcept = default;
    DiskFlush& operator=(DiskFlush&&) = delete;

    bool canFlush() const { return static_cast<bool>(m_folderFile); }
    void flushDisk(); // throws IoError
    void flushFolder() noexcept;

private:
    std::filesystem::path m_folder;
    NativeFile m_folderFile; // the folder, open while the disk can be flushed
};

// Free space (FreeSpace_*.cpp): free bytes and the disk's identity for an
// existing folder.

std::optional<uint64_t> freeSpaceIn(const std::filesystem::path& folder);
std::string diskIdentity(const std::filesystem::path& folder);

} // namespace nakilon::detail
