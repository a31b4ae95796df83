#include "core/base/FilePaths.h"

namespace nakilon {

std::filesystem::path pathFromUtf8(std::string_view utf8) {
    return std::filesystem::path(
        std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

std::string pathToUtf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

std::string programFile(std::string_view programFolder, std::string_view relativeName) {
    constexpr auto separator = static_cast<char>(std::filesystem::path::preferred_separator);
    std::string result(programFolder);
    for (char c : relativeName)
        result += (c == '/' || c == '\\') ? separator : c;
    return result;
}

} // namespace nakilon
