#include "core/base/FileIo.h"

#include "core/base/Error.h"
#include "core/base/FileIoDetail.h"
#include "core/base/SystemMessage.h"

#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cwctype>

namespace nakilon {

namespace {

std::string windowsErrorText(DWORD code) {
    const std::string text = systemMessageText(code);
    return text.empty() ? "Error " + std::to_string(code) : text;
}

using detail::errnoText;

// One operation of the seam's list: fails with the injected error, or with
// the system's own when `action` fails.
template <typename Action> void step(std::string_view operation, Action&& action) {
    if (const std::optional<int> injected = detail::injectedFailure(operation))
        throw IoError(errnoText(*injected));
    if (!action())
        throw IoError(windowsErrorText(GetLastError()));
}

void writeAll(HANDLE handle, std::string_view bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        step("write",
             [&] { return WriteFile(handle, bytes.data() + done, chunk, &written, nullptr); });
        done += written;
    }
}

bool seekTo(HANDLE handle, uint64_t offset) {
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(handle, position, nullptr, FILE_BEGIN) != 0;
}

bool setLength(HANDLE handle, uint64_t length) {
    return seekTo(handle, length) && SetEndOfFile(handle);
}

// The file a reparse point (a symbolic link) leads to, when it exists.
std::filesystem::path finalPathOf(const std::filesystem::path& path) {
    HANDLE handle =
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return path;
    std::wstring buffer(MAX_PATH, L'\0');
    DWORD length = GetFinalPathNameByHandleW(
        handle, buffer.data(), static_cast<DWORD>(buffer.size()), FILE_NAME_NORMALIZED);
    if (length >= buffer.size()) {
        buffer.resize(length + 1);
        length = GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()),
                                           FILE_NAME_NORMALIZED);
    }
    CloseHandle(handle);
    if (length == 0 || length >= buffer.size())
        return path;
    buffer.resize(length);
    return std::filesystem::path(buffer);
}

} // namespace

namespace detail {

std::string accessDeniedText() {
    return windowsErrorText(ERROR_ACCESS_DENIED);
}

unsigned long currentProcessId() {
    return GetCurrentProcessId();
}

std::FILE* openForReading(const std::filesystem::path& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        throw IoError(errnoText(EISDIR));
    std::FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file)
        throw IoError(errnoText(errno));
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        std::fclose(file);
        throw IoError(notRegularFileText());
    }
    return file;
}

std::filesystem::path followLinks(const std::filesystem::path& name) {
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return finalPathOf(name);
    return name;
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
    HANDLE handle =
        CreateFileW(target.path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        throw IoError(windowsErrorText(GetLastError()));
    const DWORD type = GetFileType(handle);
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(handle, &info) != 0;
    CloseHandle(handle);
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
    const std::filesystem::path copy = temporaryNameFor(folder, target.path);
    if (const std::optional<int> injected = injectedFailure("open"))
        throw IoError(errnoText(*injected));
    HANDLE handle = CreateFileW(copy.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        if (code == ERROR_ACCESS_DENIED) {
            refusal = CopyRefusal::FolderTakesNoNewFiles;
            return std::nullopt;
        }
        throw IoError(windowsErrorText(code));
    }
    try {
        writeAll(handle, bytes);
        if (flush)
            step("sync", [&] { return FlushFileBuffers(handle); });
        step("close", [&] {
            const HANDLE closing = handle;
            handle = INVALID_HANDLE_VALUE;
            return CloseHandle(closing);
        });
    } catch (...) {
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
        DeleteFileW(copy.c_str());
        throw;
    }
    return copy;
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
    HANDLE handle = INVALID_HANDLE_VALUE;
    step("open", [&] {
        handle = CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        return handle != INVALID_HANDLE_VALUE;
    });
    try {
        if (GetFileType(handle) != FILE_TYPE_DISK)
            throw IoError(notRegularFileText());
        LARGE_INTEGER oldSize{};
        GetFileSizeEx(handle, &oldSize);
        const auto size = static_cast<uint64_t>(bytes.size());
        // Claim the disk space first: a full disk shows here, before any
        // old byte is overwritten.
        if (size > static_cast<uint64_t>(oldSize.QuadPart)) {
            try {
                step("extend", [&] { return setLength(handle, size); });
            } catch (...) {
                setLength(handle, static_cast<uint64_t>(oldSize.QuadPart));
                throw;
            }
        }
        seekTo(handle, 0);
        writeAll(handle, bytes);
        step("truncate", [&] { return setLength(handle, size); });
        step("sync", [&] { return FlushFileBuffers(handle); });
    } catch (...) {
        CloseHandle(handle);
        throw;
    }
    step("close", [&] { return CloseHandle(handle); });
}

void removeQuietly(const std::filesystem::path& path) noexcept {
    DeleteFileW(path.c_str());
}

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

// Windows has no flush of a whole volume for an unprivileged program: each
// file is flushed when it is written.
DiskFlush::DiskFlush(const std::filesystem::path& folder) : m_folder(folder) {}
DiskFlush::DiskFlush(DiskFlush&& other) noexcept : m_folder(std::move(other.m_folder)) {}
DiskFlush::~DiskFlush() = default;
bool DiskFlush::flushDisk() {
    return false;
}
void DiskFlush::flushFolder() noexcept {}

} // namespace detail

bool processIsRunning(unsigned long process) {
    if (process == 0)
        return false;
    HANDLE handle =
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(process));
    if (!handle)
        return GetLastError() == ERROR_ACCESS_DENIED;
    DWORD code = 0;
    const bool running = GetExitCodeProcess(handle, &code) && code == STILL_ACTIVE;
    CloseHandle(handle);
    return running;
}

AppendingFile::AppendingFile(std::string_view utf8Name) {
    const std::filesystem::path path = pathFromUtf8(utf8Name);
    // Others may read it meanwhile (the payroll program), a whole-file write
    // may replace it by a rename while it is open, and another run may open it
    // to wait for its lock (lock()), which keeps the writers apart.
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        throw IoError(windowsErrorText(GetLastError()));
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        throw IoError(detail::notRegularFileText());
    }
    LARGE_INTEGER size{};
    GetFileSizeEx(handle, &size);
    m_native = reinterpret_cast<intptr_t>(handle);
    m_size = static_cast<uint64_t>(size.QuadPart);
}

AppendingFile::~AppendingFile() {
    const auto handle = reinterpret_cast<HANDLE>(m_native);
    if (handle != INVALID_HANDLE_VALUE && handle != nullptr)
        CloseHandle(handle);
}

void AppendingFile::refreshSize() {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(reinterpret_cast<HANDLE>(m_native), &size))
        throw IoError(windowsErrorText(GetLastError()));
    m_size = static_cast<uint64_t>(size.QuadPart);
}

namespace {

FileIdentity identityOfHandle(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle, &info))
        throw IoError(windowsErrorText(GetLastError()));
    return {info.dwVolumeSerialNumber,
            (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

} // namespace

FileIdentity AppendingFile::identity() const {
    return identityOfHandle(reinterpret_cast<HANDLE>(m_native));
}

uint64_t AppendingFile::modified() const {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(reinterpret_cast<HANDLE>(m_native), &info))
        throw IoError(windowsErrorText(GetLastError()));
    return (static_cast<uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
           info.ftLastWriteTime.dwLowDateTime;
}

bool AppendingFile::lock(std::chrono::milliseconds wait) {
    // Windows locks forbid others to read the bytes locked; one byte far past
    // any real end of the file keeps the payroll program free to read it.
    return detail::retryFor(wait, [this] {
        OVERLAPPED at{};
        at.OffsetHigh = 0x40000000;
        if (LockFileEx(reinterpret_cast<HANDLE>(m_native),
                       LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at))
            return true;
        const DWORD error = GetLastError();
        if (error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION)
            return true; // no locks here: the program folder's lock still holds
        if (error != ERROR_LOCK_VIOLATION && error != ERROR_IO_PENDING)
            throw IoError(windowsErrorText(error));
        return false;
    });
}

std::string AppendingFile::readAt(uint64_t offset, size_t length) const {
    std::string bytes(length, '\0');
    size_t done = 0;
    while (done < length) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>((offset + done) & 0xFFFFFFFFu);
        at.OffsetHigh = static_cast<DWORD>((offset + done) >> 32);
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(length - done, 1u << 30));
        DWORD read = 0;
        if (!ReadFile(reinterpret_cast<HANDLE>(m_native), bytes.data() + done, chunk, &read, &at)) {
            const DWORD error = GetLastError();
            if (error == ERROR_HANDLE_EOF)
                break;
            throw IoError(windowsErrorText(error));
        }
        if (read == 0)
            break;
        done += read;
    }
    bytes.resize(done);
    return bytes;
}

std::optional<FileIdentity> identityOf(std::string_view utf8Name) {
    HANDLE handle = CreateFileW(pathFromUtf8(utf8Name).c_str(), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return std::nullopt;
        throw IoError(windowsErrorText(error));
    }
    try {
        const FileIdentity identity = identityOfHandle(handle);
        CloseHandle(handle);
        return identity;
    } catch (...) {
        CloseHandle(handle);
        throw;
    }
}

void AppendingFile::append(std::initializer_list<std::string_view> pieces) {
    if (m_broken)
        throw IoError(windowsErrorText(ERROR_WRITE_FAULT));
    const auto handle = reinterpret_cast<HANDLE>(m_native);
    uint64_t at = m_size;
    try {
        seekTo(handle, m_size);
        for (std::string_view bytes : pieces) {
            size_t done = 0;
            while (done < bytes.size()) {
                const DWORD chunk =
                    static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
                DWORD written = 0;
                step("append", [&] {
                    return WriteFile(handle, bytes.data() + done, chunk, &written, nullptr);
                });
                done += written;
                at += written;
            }
        }
    } catch (...) {
        // Cut the torn pieces off, so that the next append follows the last
        // whole one.
        if (at > m_size && !setLength(handle, m_size))
            m_broken = true;
        throw;
    }
    m_size = at;
}

void AppendingFile::cutBack(uint64_t size) {
    try {
        step("truncate", [&] { return setLength(reinterpret_cast<HANDLE>(m_native), size); });
    } catch (...) {
        m_broken = true;
        throw;
    }
    m_size = size;
}

void AppendingFile::sync() {
    step("sync", [&] { return FlushFileBuffers(reinterpret_cast<HANDLE>(m_native)); });
}

} // namespace nakilon
