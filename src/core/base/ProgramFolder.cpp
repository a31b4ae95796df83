#include "core/base/ProgramFolder.h"

#include "core/base/FileIo.h"

#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#endif

namespace nakilon {

std::string executableFolder() {
    std::filesystem::path exe;
#ifdef _WIN32
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length < buffer.size()) {
            buffer.resize(length);
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    exe = std::filesystem::path(buffer);
#else
    std::error_code ec;
    exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        exe = std::filesystem::current_path() / "nakilon";
#endif
    std::string folder = pathToUtf8(exe.parent_path());
    if (folder.empty() ||
        folder.back() != static_cast<char>(std::filesystem::path::preferred_separator))
        folder += static_cast<char>(std::filesystem::path::preferred_separator);
    return folder;
}

} // namespace nakilon
