#pragma once

#include <filesystem>
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

} // namespace nakilon
