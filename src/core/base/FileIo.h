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

bool fileExists(std::string_view utf8Name); // a file (not a folder)
bool folderExists(std::string_view utf8Name);

// Creates a folder (its parent must exist). Throws IoError with the system's
// reason text.
void createFolder(std::string_view utf8Name);

// Reads a whole file. Throws IoError with the system's reason text.
std::string readWholeFile(std::string_view utf8Name);

// Writes a whole file atomically: the bytes go to a temporary file in the same
// folder, which is flushed to disk and then renamed over the target. On any
// failure the previous file stays byte for byte as it was and IoError carries
// the system's reason text.
void writeFileAtomic(std::string_view utf8Name, std::string_view bytes);

} // namespace nakilon
