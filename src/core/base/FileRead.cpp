#include "core/base/FileRead.h"

#include "core/base/Error.h"
#include "core/base/FileIoDetail.h"
#include "core/base/FilePaths.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace nakilon {

std::string readWholeFile(std::string_view utf8Name) {
    const std::filesystem::path path = pathFromUtf8(utf8Name);
    const detail::ReadStream file = detail::openForReading(path);
    // Read straight into the string, sized by the file; a file that grows
    // meanwhile is read on to its end.
    std::string content;
    std::error_code sizeError;
    const auto size = std::filesystem::file_size(path, sizeError);
    size_t filled = 0;
    content.resize(sizeError ? size_t{1} << 16 : static_cast<size_t>(size) + 1);
    for (;;) {
        const size_t n =
            std::fread(content.data() + filled, 1, content.size() - filled, file.get());
        filled += n;
        if (filled < content.size()) {
            if (std::ferror(file.get()))
                throw IoError(detail::errnoText(errno ? errno : EIO));
            break;
        }
        content.resize(content.size() * 2);
    }
    content.resize(filled);
    return content;
}

} // namespace nakilon
