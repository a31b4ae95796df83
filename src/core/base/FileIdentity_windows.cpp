#include "core/base/FileIdentity.h"

#include "core/base/Error.h"
#include "core/base/FileIoDetail.h"
#include "core/base/FileIoDetail_windows.h"
#include "core/base/FilePaths.h"
#include "core/base/UniqueHandle.h"

#include <windows.h>

namespace nakilon {

namespace {

// The file a reparse point (a symbolic link) leads to, when it exists.
std::filesystem::path finalPathOf(const std::filesystem::path& path) {
    const UniqueHandle handle(
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle)
        return path;
    std::wstring buffer(MAX_PATH, L'\0');
    DWORD length = GetFinalPathNameByHandleW(
        handle.get(), buffer.data(), static_cast<DWORD>(buffer.size()), FILE_NAME_NORMALIZED);
    if (length >= buffer.size()) {
        buffer.resize(length + 1);
        length = GetFinalPathNameByHandleW(handle.get(), buffer.data(),
                                           static_cast<DWORD>(buffer.size()), FILE_NAME_NORMALIZED);
    }
    if (length == 0 || length >= buffer.size())
        return path;
    buffer.resize(length);
    return std::filesystem::path(buffer);
}

} // namespace

namespace detail {

std::filesystem::path followLinks(const std::filesystem::path& name) {
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return finalPathOf(name);
    return name;
}

FileIdentity identityOfHandle(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle, &info))
        throw IoError(windowsErrorText(GetLastError()));
    return {info.dwVolumeSerialNumber,
            (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

} // namespace detail

std::optional<FileIdentity> identityOf(std::string_view utf8Name) {
    const UniqueHandle handle(CreateFileW(
        pathFromUtf8(utf8Name).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return std::nullopt;
        throw IoError(detail::windowsErrorText(error));
    }
    return detail::identityOfHandle(handle.get());
}

} // namespace nakilon
