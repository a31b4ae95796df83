#include "core/base/FileIo.h"

#include "core/base/Error.h"
#include "core/base/FileIoDetail.h"
#include "core/base/SystemMessage.h"

#include <windows.h>

#include <algorithm>

namespace nakilon {

namespace {

std::string windowsErrorText(DWORD code) {
    const std::string text = systemMessageText(code);
    return text.empty() ? "Error " + std::to_string(code) : text;
}

using detail::errnoText;

} // namespace

namespace detail {

unsigned long currentProcessId() {
    return GetCurrentProcessId();
}

std::FILE* openForReading(const std::filesystem::path& path) {
    return _wfopen(path.c_str(), L"rb");
}

} // namespace detail

void writeFileAtomic(std::string_view utf8Name, std::string_view bytes) {
    const std::filesystem::path target = pathFromUtf8(utf8Name);
    std::error_code ec;
    if (std::filesystem::is_directory(target, ec))
        throw IoError(windowsErrorText(ERROR_ACCESS_DENIED));
    const std::filesystem::path temp = detail::temporaryNameFor(target);

    auto fail = [&](HANDLE handle, DWORD code, std::optional<int> injected) {
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
        DeleteFileW(temp.c_str());
        throw IoError(injected ? errnoText(*injected) : windowsErrorText(code));
    };

    std::optional<int> injected = detail::injectedFailure("open");
    HANDLE handle = injected ? INVALID_HANDLE_VALUE
                             : CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        throw IoError(injected ? errnoText(*injected) : windowsErrorText(code));
    }
    size_t done = 0;
    while (done < bytes.size() || (done == 0 && bytes.empty())) {
        if (bytes.empty())
            break;
        if ((injected = detail::injectedFailure("write")))
            fail(handle, 0, injected);
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(handle, bytes.data() + done, chunk, &written, nullptr))
            fail(handle, GetLastError(), std::nullopt);
        done += written;
    }
    if ((injected = detail::injectedFailure("sync")) || !FlushFileBuffers(handle))
        fail(handle, GetLastError(), injected);
    if ((injected = detail::injectedFailure("close")))
        fail(handle, 0, injected);
    if (!CloseHandle(handle)) {
        const DWORD code = GetLastError();
        DeleteFileW(temp.c_str());
        throw IoError(windowsErrorText(code));
    }
    if ((injected = detail::injectedFailure("rename")) ||
        !MoveFileExW(temp.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD code = GetLastError();
        DeleteFileW(temp.c_str());
        throw IoError(injected ? errnoText(*injected) : windowsErrorText(code));
    }
}

} // namespace nakilon
