#include "core/base/FileIoDetail.h"
#include "core/base/FilePaths.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

namespace nakilon::detail {

std::optional<uint64_t> freeSpaceIn(const std::filesystem::path& folder) {
    struct statvfs info {};
    if (::statvfs(folder.c_str(), &info) != 0)
        return std::nullopt;
    return static_cast<uint64_t>(info.f_bavail) * static_cast<uint64_t>(info.f_frsize);
}

std::string diskIdentity(const std::filesystem::path& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0)
        return pathToUtf8(folder);
    return std::to_string(static_cast<unsigned long long>(info.st_dev));
}

} // namespace nakilon::detail
