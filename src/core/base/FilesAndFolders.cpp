#include "core/base/FilesAndFolders.h"

#include "core/base/Error.h"
#include "core/base/FileIoDetail.h"
#include "core/base/FilePaths.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace nakilon {

bool fileExists(std::string_view utf8Name) {
    std::error_code ec;
    return std::filesystem::is_regular_file(pathFromUtf8(utf8Name), ec);
}

bool folderExists(std::string_view utf8Name) {
    std::error_code ec;
    return std::filesystem::is_directory(pathFromUtf8(utf8Name), ec);
}

void createFolder(std::string_view utf8Name) {
    std::error_code ec;
    std::filesystem::create_directory(pathFromUtf8(utf8Name), ec);
    if (ec)
        throw IoError(ec.message());
    if (!folderExists(utf8Name))
        throw IoError(detail::errnoText(EEXIST));
}

void removeFile(std::string_view utf8Name) {
    if (const std::optional<int> injected = detail::injectedFailure("remove"))
        throw IoError(detail::errnoText(*injected));
    std::error_code ec;
    std::filesystem::remove(pathFromUtf8(utf8Name), ec);
    if (ec)
        throw IoError(ec.message());
}

} // namespace nakilon
