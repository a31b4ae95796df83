#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nakilon {

// Bytes that the user may still write on the disk that holds the file (or the
// folder); nothing when the system does not say.
std::optional<uint64_t> freeSpaceFor(std::string_view utf8Name);
// Names the disk that holds the file (or the folder): equal for two files on
// the same disk.
std::string diskOf(std::string_view utf8Name);

} // namespace nakilon
