#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// What the file functions share with their per-platform halves
// (FileIo_posix.cpp, FileIo_windows.cpp); not for use outside core/base.
namespace nakilon::detail {

// The test seam's answer for one file operation: an error number to fail it
// with, or nothing.
std::optional<int> injectedFailure(std::string_view operation);

std::string errnoText(int code);
// The reason given for a name that is not a regular file (a pipe, a device).
std::string notRegularFileText();

// A name in `folder` for a temporary copy of `target`, of the form
// "~<name>.<process>.<counter>.tmp".
std::filesystem::path temporaryNameFor(const std::filesystem::path& folder,
                                       const std::filesystem::path& target);

// Per platform.
unsigned long currentProcessId();
std::FILE* openForReading(const std::filesystem::path& path); // throws IoError

// The file a name leads to, symbolic links followed (per platform).
std::filesystem::path followLinks(const std::filesystem::path& name);

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
// Writes `bytes` into a new temporary copy in `folder`, flushed to disk,
// with the target's permissions (and, with `keepOwner`, its owner). Returns
// nothing, with `refusal` set, for the two refusals above (no copy is left);
// throws IoError for any other failure (no copy is left either).
std::optional<std::filesystem::path> writeCopy(const std::filesystem::path& folder,
                                               const WriteTarget& target, std::string_view bytes,
                                               bool keepOwner, CopyRefusal& refusal);
// Renames the copy over the target and makes the rename durable. Throws
// IoError; the copy then stays.
void replaceWithCopy(const std::filesystem::path& copy, const WriteTarget& target);
// Writes the target's whole content in place. A failure before the first
// byte is overwritten (a full disk among them) leaves the old content.
void writeInPlace(const std::filesystem::path& target, std::string_view bytes);
void removeQuietly(const std::filesystem::path& path) noexcept;

// Per platform: free bytes and the disk's identity for an existing folder.
std::optional<uint64_t> freeSpaceIn(const std::filesystem::path& folder);
std::string diskIdentity(const std::filesystem::path& folder);

} // namespace nakilon::detail
