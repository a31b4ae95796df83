#include "core/base/FileIo.h"

#include "core/base/Error.h"
#include "core/base/FileIoTesting.h"

#include "core/base/FileIoDetail.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

namespace nakilon {

namespace {

testing::FileFailHook& failHook() {
    static testing::FileFailHook hook;
    return hook;
}

std::atomic<unsigned> tempCounter{0};

} // namespace

namespace detail {

std::optional<int> injectedFailure(std::string_view operation) {
    if (failHook())
        return failHook()(operation);
    return std::nullopt;
}

std::string errnoText(int code) {
    return std::strerror(code);
}

std::filesystem::path temporaryNameFor(const std::filesystem::path& target) {
    std::string name = "~" + pathToUtf8(target.filename()) + "." +
                       std::to_string(currentProcessId()) + "." + std::to_string(tempCounter++) +
                       ".tmp";
    return target.parent_path() / pathFromUtf8(name);
}

} // namespace detail

using detail::errnoText;

namespace testing {
void setFileFailHook(FileFailHook hook) {
    failHook() = std::move(hook);
}
} // namespace testing

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
        throw IoError(errnoText(EEXIST));
}

std::string readWholeFile(std::string_view utf8Name) {
    const std::filesystem::path path = pathFromUtf8(utf8Name);
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        throw IoError(errnoText(EISDIR));
    FILE* file = detail::openForReading(path);
    if (!file)
        throw IoError(errnoText(errno));
    // Read straight into the string, sized by the file; a file that grows
    // meanwhile is read on to its end.
    std::string content;
    std::error_code sizeError;
    const auto size = std::filesystem::file_size(path, sizeError);
    size_t filled = 0;
    content.resize(sizeError ? size_t{1} << 16 : static_cast<size_t>(size) + 1);
    for (;;) {
        const size_t n = std::fread(content.data() + filled, 1, content.size() - filled, file);
        filled += n;
        if (filled < content.size()) {
            if (std::ferror(file)) {
                const int code = errno ? errno : EIO;
                std::fclose(file);
                throw IoError(errnoText(code));
            }
            break;
        }
        content.resize(content.size() * 2);
    }
    content.resize(filled);
    std::fclose(file);
    return content;
}

} // namespace nakilon
