#include "core/base/Error.h"
#include "core/base/FileIoDetail.h"
#include "core/base/FileIoDetail_windows.h"
#include "core/base/UniqueHandle.h"

#include <windows.h>

namespace nakilon::detail {

std::string accessDeniedText() {
    return windowsErrorText(ERROR_ACCESS_DENIED);
}

WriteTarget inspectWriteTarget(const std::filesystem::path& name) {
    WriteTarget target;
    target.path = followLinks(name);
    const DWORD attributes = GetFileAttributesW(target.path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return target; // a new file
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        throw IoError(windowsErrorText(ERROR_ACCESS_DENIED));
    if (attributes & FILE_ATTRIBUTE_READONLY)
        throw IoError(windowsErrorText(ERROR_ACCESS_DENIED));
    const UniqueHandle handle(CreateFileW(target.path.c_str(), 0,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, 0, nullptr));
    if (!handle)
        throw IoError(windowsErrorText(GetLastError()));
    const DWORD type = GetFileType(handle.get());
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(handle.get(), &info) != 0;
    if (type != FILE_TYPE_DISK)
        throw IoError(notRegularFileText());
    target.exists = true;
    target.inPlace = known && info.nNumberOfLinks > 1;
    return target;
}

std::optional<std::filesystem::path> writeCopy(const std::filesystem::path& folder,
                                               const WriteTarget& target, std::string_view bytes,
                                               bool, bool flush, CopyRefusal& refusal) {
    refusal = CopyRefusal::None;
    const std::filesystem::path name = temporaryNameFor(folder, target.path);
    if (const std::optional<int> injected = injectedFailure("open"))
        throw IoError(errnoText(*injected));
    UniqueHandle handle(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle) {
        const DWORD code = GetLastError();
        if (code == ERROR_ACCESS_DENIED) {
            refusal = CopyRefusal::FolderTakesNoNewFiles;
            return std::nullopt;
        }
        throw IoError(windowsErrorText(code));
    }
    // From here on, any way out but the end closes and removes the copy.
    CopyBeingWritten copy(name, std::move(handle));
    uint64_t written = 0;
    writeAll(copy.file.get(), bytes, "write", written);
    if (flush)
        step("sync", [&] { return FlushFileBuffers(copy.file.get()); });
    // The close can report a write that did not reach the disk.
    step("close", [&] { return copy.file.close() == 0; });
    return copy.keep();
}

// Renames are written through on Windows, so `durable` asks nothing more.
void replaceWithCopy(const std::filesystem::path& copy, const WriteTarget& target, bool) {
    step("rename", [&] {
        // ReplaceFileW keeps the replaced file's attributes, owner and
        // permissions (its security descriptor); a new target is a plain move.
        if (GetFileAttributesW(target.path.c_str()) != INVALID_FILE_ATTRIBUTES &&
            ReplaceFileW(target.path.c_str(), copy.c_str(), nullptr,
                         REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
            return TRUE;
        const DWORD code = GetLastError();
        if (code == ERROR_UNABLE_TO_REMOVE_REPLACED) {
            SetLastError(code);
            return FALSE;
        }
        // No target yet, or ReplaceFileW could not finish (the target may be
        // gone by now; the copy is still there): move it into place.
        return MoveFileExW(copy.c_str(), target.path.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    });
}

void writeInPlace(const std::filesystem::path& target, std::string_view bytes) {
    UniqueHandle handle;
    step("open", [&] {
        handle = UniqueHandle(CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        return static_cast<bool>(handle);
    });
    if (GetFileType(handle.get()) != FILE_TYPE_DISK)
        throw IoError(notRegularFileText());
    LARGE_INTEGER oldSize{};
    GetFileSizeEx(handle.get(), &oldSize);
    const auto size = static_cast<uint64_t>(bytes.size());
    // Claim the disk space first: a full disk shows here, before any old
    // byte is overwritten.
    if (size > static_cast<uint64_t>(oldSize.QuadPart)) {
        try {
            step("extend", [&] { return setLength(handle.get(), size); });
        } catch (...) {
            setLength(handle.get(), static_cast<uint64_t>(oldSize.QuadPart));
            throw;
        }
    }
    seekTo(handle.get(), 0);
    uint64_t written = 0;
    writeAll(handle.get(), bytes, "write", written);
    step("truncate", [&] { return setLength(handle.get(), size); });
    step("sync", [&] { return FlushFileBuffers(handle.get()); });
    // The close can report a write that did not reach the disk.
    step("close", [&] { return handle.close() == 0; });
}

void removeQuietly(const std::filesystem::path& path) noexcept {
    DeleteFileW(path.c_str());
}

// Windows has no flush of a whole volume for an unprivileged program: each
// file is flushed when it is written, and the folder is never opened.
DiskFlush::DiskFlush(const std::filesystem::path& folder) : m_folder(folder) {}

void DiskFlush::flushDisk() {
    throw IoError(windowsErrorText(ERROR_NOT_SUPPORTED));
}

void DiskFlush::flushFolder() noexcept {}

} // namespace nakilon::detail
