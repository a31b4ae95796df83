#pragma once

#include "core/base/Error.h"
#include "core/base/FileIdentity.h"
#include "core/base/FileIoDetail.h"
#include "core/base/SystemMessage.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

// What the Windows halves of the file functions share (*_windows.cpp only).
namespace nakilon::detail {

// The system's text for an error code, or its number when it has none.
inline std::string windowsErrorText(DWORD code) {
    const std::string text = systemMessageText(code);
    return text.empty() ? "Error " + std::to_string(code) : text;
}

// Runs one operation of the seam's list (FileIoTesting.h): fails with the
// injected error, or with the system's own when `action` fails, as IoError.
template <typename Action> void step(std::string_view operation, Action&& action) {
    if (const std::optional<int> injected = injectedFailure(operation))
        throw IoError(errnoText(*injected));
    if (!action())
        throw IoError(windowsErrorText(GetLastError()));
}

// Writes `bytes` at the file's position as the seam's `operation`; `written`
// grows with every byte written, also when a later one fails. Throws IoError.
inline void writeAll(HANDLE handle, std::string_view bytes, std::string_view operation,
                     uint64_t& written) {
    size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
        DWORD n = 0;
        step(operation, [&] { return WriteFile(handle, bytes.data() + done, chunk, &n, nullptr); });
        done += n;
        written += n;
    }
}

inline bool seekTo(HANDLE handle, uint64_t offset) {
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(handle, position, nullptr, FILE_BEGIN) != 0;
}

inline bool setLength(HANDLE handle, uint64_t length) {
    return seekTo(handle, length) && SetEndOfFile(handle);
}

// The identity of an open file (FileIdentity_windows.cpp). Throws IoError.
FileIdentity identityOfHandle(HANDLE handle);

} // namespace nakilon::detail
