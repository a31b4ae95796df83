#include "core/base/ProgramFolder.h"

#include "core/base/FilePaths.h"

#include <filesystem>

namespace nakilon {

std::string executableFolder() {
    std::string folder = pathToUtf8(executablePath().parent_path());
    if (folder.empty() ||
        folder.back() != static_cast<char>(std::filesystem::path::preferred_separator))
        folder += static_cast<char>(std::filesystem::path::preferred_separator);
    return folder;
}

} // namespace nakilon
