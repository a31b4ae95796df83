#pragma once

#include <string_view>

namespace nakilon {

// What there is at a name, and folders and files made or removed as a whole.

bool fileExists(std::string_view utf8Name); // a file (not a folder)
bool folderExists(std::string_view utf8Name);

// Creates a folder (its parent must exist). Throws IoError with the system's
// reason text.
void createFolder(std::string_view utf8Name);

// Removes a file; a file that does not exist is no error. Throws IoError.
void removeFile(std::string_view utf8Name);

} // namespace nakilon
