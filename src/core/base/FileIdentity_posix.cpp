#include "core/base/FileIdentity.h"

#include "core/base/Error.h"
#include "core/base/FileIoDetail.h"
#include "core/base/FilePaths.h"

#include <sys/stat.h>

#include <cerrno>
#include <system_error>

namespace nakilon {

namespace detail {

std::filesystem::path followLinks(const std::filesystem::path& name) {
    std::filesystem::path path = name;
    std::error_code ec;
    for (int hops = 0; hops < 40 && std::filesystem::is_symlink(path, ec); ++hops) {
        const std::filesystem::path link = std::filesystem::read_symlink(path, ec);
        if (ec)
            break;
        path = link.is_absolute() ? link : path.parent_path() / link;
    }
    return path.lexically_normal();
}

} // namespace detail

std::optional<FileIdentity> identityOf(std::string_view utf8Name) {
    struct stat info {};
    if (::stat(pathFromUtf8(utf8Name).c_str(), &info) != 0) {
        if (errno == ENOENT)
            return std::nullopt;
        throw IoError(detail::errnoText(errno));
    }
    return FileIdentity{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
}

} // namespace nakilon
