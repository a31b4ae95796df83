#include "core/base/FreeSpace.h"

#include "core/base/FileIoDetail.h"
#include "core/base/FileIoTesting.h"
#include "core/base/FilePaths.h"

#include <filesystem>
#include <system_error>
#include <utility>

namespace nakilon {

namespace {

testing::FreeSpaceHook& freeSpaceHook() {
    static testing::FreeSpaceHook hook;
    return hook;
}

// The folder that holds a file, or the nearest existing folder above it.
std::filesystem::path existingFolderOf(const std::filesystem::path& name) {
    std::error_code ec;
    std::filesystem::path folder = name;
    if (!std::filesystem::is_directory(folder, ec))
        folder = folder.parent_path();
    while (!folder.empty() && !std::filesystem::is_directory(folder, ec)) {
        const std::filesystem::path parent = folder.parent_path();
        if (parent == folder)
            break;
        folder = parent;
    }
    return folder.empty() ? std::filesystem::path(".") : folder;
}

} // namespace

namespace testing {
void setFreeSpaceHook(FreeSpaceHook hook) {
    freeSpaceHook() = std::move(hook);
}
} // namespace testing

std::optional<uint64_t> freeSpaceFor(std::string_view utf8Name) {
    if (freeSpaceHook())
        if (const std::optional<uint64_t> hooked = freeSpaceHook()(utf8Name))
            return hooked;
    return detail::freeSpaceIn(existingFolderOf(pathFromUtf8(utf8Name)));
}

std::string diskOf(std::string_view utf8Name) {
    return detail::diskIdentity(existingFolderOf(pathFromUtf8(utf8Name)));
}

} // namespace nakilon
