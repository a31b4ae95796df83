#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace nakilon {

// File names inside the program are UTF-8 strings; these turn them into paths
// and back on every platform.
std::filesystem::path pathFromUtf8(std::string_view utf8);
std::string pathToUtf8(const std::filesystem::path& path);

// The program folder followed by a relative name of the system's documents,
// where "\" separates subfolders ("Data\Personel.PDT"). The folder ends in a
// separator. Returns UTF-8.
std::string programFile(std::string_view programFolder, std::string_view relativeName);

bool fileExists(std::string_view utf8Name); // a file (not a folder)
bool folderExists(std::string_view utf8Name);

// Creates a folder (its parent must exist). Throws IoError with the system's
// reason text.
void createFolder(std::string_view utf8Name);

// Reads a whole file. Anything that is not a regular file (a folder, a pipe,
// a device) is refused at once, never waited on. Throws IoError with the
// system's reason text.
std::string readWholeFile(std::string_view utf8Name);

// Writes a whole file so that a failure or a crash never leaves it half
// written: the bytes go to a temporary copy in the same folder, which is
// flushed to disk and then renamed over the target. On any failure the
// previous file stays byte for byte as it was and IoError carries the system's
// reason text.
//
// What an office relies on besides: a symbolic link is followed, so the file
// it names receives the bytes; the replaced file keeps its permissions and its
// owner; a read-only file is refused; a folder, a pipe or a device is refused
// without waiting. A file that a rename would cut off from its other names (it
// has more than one hard link), whose owner the copy cannot take, or whose
// folder does not let the user create files, is written in place instead:
// first extended to its new size, so that a full disk fails before any old
// byte changes, then overwritten, cut to size and flushed.
void writeFileAtomic(std::string_view utf8Name, std::string_view bytes);

// Whether writeFileAtomic could write the file now: throws the IoError it
// would throw for a read-only file, a folder, a pipe or a device.
void checkWritable(std::string_view utf8Name);

// Removes a file; a file that does not exist is no error. Throws IoError.
void removeFile(std::string_view utf8Name);

// The file that a name leads to, symbolic links followed (also a link to a
// file that does not exist yet). Returns UTF-8.
std::string resolvedFileName(std::string_view utf8Name);

// Whether two names lead to one file: the same existing file (links, hard
// links, other spellings of the folders), or, for a file not there yet, the
// same name once links are followed (case aside on Windows).
bool sameFile(std::string_view utf8First, std::string_view utf8Second);

// Which file a name leads to, whatever other names lead to it too: the device
// and inode numbers, or the Windows volume serial number and file index.
struct FileIdentity {
    uint64_t volume = 0;
    uint64_t index = 0;
    bool operator==(const FileIdentity&) const = default;
};
// Nothing when there is no file at the name. Throws IoError when the system
// cannot tell.
std::optional<FileIdentity> identityOf(std::string_view utf8Name);

// Bytes that the user may still write on the disk that holds the file (or the
// folder); nothing when the system does not say.
std::optional<uint64_t> freeSpaceFor(std::string_view utf8Name);
// Names the disk that holds the file (or the folder): equal for two files on
// the same disk.
std::string diskOf(std::string_view utf8Name);

// The temporary copies of the atomic write are named
// "~<name>.<process>.<counter>.tmp". A crash leaves them behind.
struct TemporaryName {
    std::string name;          // the file it was to replace (file name only)
    unsigned long process = 0; // the process that made it
};
std::optional<TemporaryName> parseTemporaryName(std::string_view fileName);
bool processIsRunning(unsigned long process);
// Removes the temporary copies in `folder` whose process has ended; returns
// how many. Meant for the program's own folders only: a copy beside a file
// that other program folders share is never another run's to remove. A copy
// that cannot be removed stays.
int removeLeftoverCopies(std::string_view utf8Folder);

// A file that only grows at its end, each piece flushed to disk on request
// (the transfer journal, and the output and backup files that a run appends
// its lines to). A piece that fails half-way is cut off again, so the file
// never keeps a torn piece in front of a later one.
class AppendingFile {
public:
    // Opens the file, symbolic links followed, creating it when missing.
    // Anything that is not a regular file is refused. Throws IoError.
    explicit AppendingFile(std::string_view utf8Name);
    ~AppendingFile();
    AppendingFile(const AppendingFile&) = delete;
    AppendingFile& operator=(const AppendingFile&) = delete;

    uint64_t size() const { return m_size; }
    // Takes the size again, after another program may have changed the file.
    // Throws IoError.
    void refreshSize();
    FileIdentity identity() const;
    // When the file was last written, in the system's own units.
    uint64_t modified() const;

    // An exclusive lock between processes on the file itself, tried for up to
    // `wait`; readers of the file are not hindered. Released when the file is
    // closed. A file system without locks counts as locked. Throws IoError.
    bool lock(std::chrono::milliseconds wait);

    // Up to `length` bytes from `offset` (fewer at the end). Throws IoError.
    std::string readAt(uint64_t offset, size_t length) const;

    // Writes the pieces, one after the other, at the end; when one fails, all
    // of them are cut off again. Throws IoError.
    void append(std::initializer_list<std::string_view> pieces);
    void append(std::string_view bytes) { append({bytes}); }
    // Flushes what was appended to disk. Throws IoError.
    void sync();
    // Cuts the file back to `size` bytes (a piece that could not be flushed).
    // Throws IoError.
    void cutBack(uint64_t size);

private:
    intptr_t m_native = -1; // a file descriptor, or a Windows HANDLE
    uint64_t m_size = 0;
    bool m_broken = false; // a failed piece could not be cut off
};

} // namespace nakilon
