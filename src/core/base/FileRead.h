#pragma once

#include <string>
#include <string_view>

namespace nakilon {

// Reads a whole file. Anything that is not a regular file (a folder, a pipe,
// a device) is refused at once, never waited on. Throws IoError with the
// system's reason text.
std::string readWholeFile(std::string_view utf8Name);

} // namespace nakilon
