#include "core/base/Error.h"
#include "core/base/FileIoDetail.h"

#include <io.h>
#include <windows.h>

#include <cerrno>

namespace nakilon::detail {

ReadStream openForReading(const std::filesystem::path& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        throw IoError(errnoText(EISDIR));
    ReadStream file(_wfopen(path.c_str(), L"rb"));
    if (!file)
        throw IoError(errnoText(errno));
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file.get())));
    if (GetFileType(handle) != FILE_TYPE_DISK)
        throw IoError(notRegularFileText());
    return file;
}

} // namespace nakilon::detail
