#pragma once

#include <string>

namespace nakilon {

// The folder of the running executable (UTF-8), ending in a path separator:
// every file of the program lives there.
std::string executableFolder();

} // namespace nakilon
