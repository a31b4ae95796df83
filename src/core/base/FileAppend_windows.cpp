#include "core/base/FileAppend.h"

#include "core/base/Error.h"
#include "core/base/FileIoDetail.h"
#include "core/base/FileIoDetail_windows.h"
#include "core/base/FilePaths.h"

#include <windows.h>

#include <algorithm>

namespace nakilon {

using detail::windowsErrorText;

AppendingFile::AppendingFile(std::string_view utf8Name) {
    const std::filesystem::path path = pathFromUtf8(utf8Name);
    // Others may read it meanwhile (the payroll program), a whole-file write
    // may replace it by a rename while it is open, and another run may open it
    // to wait for its lock (lock()), which keeps the writers apart.
    UniqueHandle handle(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle)
        throw IoError(windowsErrorText(GetLastError()));
    if (GetFileType(handle.get()) != FILE_TYPE_DISK)
        throw IoError(detail::notRegularFileText());
    LARGE_INTEGER size{};
    GetFileSizeEx(handle.get(), &size);
    m_file = std::move(handle);
    m_size = static_cast<uint64_t>(size.QuadPart);
}

void AppendingFile::refreshSize() {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(m_file.get(), &size))
        throw IoError(windowsErrorText(GetLastError()));
    m_size = static_cast<uint64_t>(size.QuadPart);
}

FileIdentity AppendingFile::identity() const {
    return detail::identityOfHandle(m_file.get());
}

uint64_t AppendingFile::modified() const {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(m_file.get(), &info))
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
        if (LockFileEx(m_file.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                       &at))
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
        if (!ReadFile(m_file.get(), bytes.data() + done, chunk, &read, &at)) {
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

void AppendingFile::append(std::initializer_list<std::string_view> pieces) {
    if (m_broken)
        throw IoError(windowsErrorText(ERROR_WRITE_FAULT));
    const HANDLE handle = m_file.get();
    uint64_t at = m_size;
    try {
        detail::seekTo(handle, m_size);
        for (std::string_view bytes : pieces)
            detail::writeAll(handle, bytes, "append", at);
    } catch (...) {
        // Cut the torn pieces off, so that the next append follows the last
        // whole one.
        if (at > m_size && !detail::setLength(handle, m_size))
            m_broken = true;
        throw;
    }
    m_size = at;
}

void AppendingFile::cutBack(uint64_t size) {
    try {
        detail::step("truncate", [&] { return detail::setLength(m_file.get(), size); });
    } catch (...) {
        m_broken = true;
        throw;
    }
    m_size = size;
}

void AppendingFile::sync() {
    detail::step("sync", [&] { return FlushFileBuffers(m_file.get()); });
}

} // namespace nakilon
