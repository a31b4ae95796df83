#include "core/base/FileIoDetail.h"
#include "core/base/FilePaths.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>

namespace nakilon::detail {

std::optional<uint64_t> freeSpaceIn(const std::filesystem::path& folder) {
    ULARGE_INTEGER available{};
    if (!GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr))
        return std::nullopt;
    return static_cast<uint64_t>(available.QuadPart);
}

std::string diskIdentity(const std::filesystem::path& folder) {
    std::wstring volume(MAX_PATH + 1, L'\0');
    if (!GetVolumePathNameW(folder.c_str(), volume.data(), static_cast<DWORD>(volume.size())))
        return pathToUtf8(folder);
    volume.resize(wcslen(volume.c_str()));
    std::transform(volume.begin(), volume.end(), volume.begin(), std::towlower);
    return pathToUtf8(std::filesystem::path(volume));
}

} // namespace nakilon::detail
