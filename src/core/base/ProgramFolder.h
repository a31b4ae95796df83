#pragma once

#include <filesystem>
#include <string>

namespace nakilon {

// The folder of the running executable (UTF-8), ending in a path separator:
// every file of the program lives there.
std::string executableFolder();

// The running executable itself (per platform).
std::filesystem::path executablePath();

} // namespace nakilon
