#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nakilon {

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

} // namespace nakilon
