#include "core/base/SafeWrite.h"

#include "core/base/Error.h"
#include "core/base/FileIoDetail.h"
#include "core/base/FilePaths.h"

#include <filesystem>

namespace nakilon {

namespace detail {

std::optional<std::filesystem::path> stageCopy(WriteTarget& target, std::string_view bytes,
                                               bool flush) {
    if (!target.inPlace) {
        const std::filesystem::path folder =
            target.path.has_parent_path() ? target.path.parent_path() : ".";
        CopyRefusal refusal = CopyRefusal::None;
        if (auto copy = writeCopy(folder, target, bytes, true, flush, refusal))
            return copy;
        // A new file cannot be written in place.
        if (!target.exists)
            throw IoError(accessDeniedText());
        target.inPlace = true;
    }
    return std::nullopt;
}

} // namespace detail

void checkWritable(std::string_view utf8Name) {
    detail::inspectWriteTarget(pathFromUtf8(utf8Name));
}

void writeFileAtomic(std::string_view utf8Name, std::string_view bytes) {
    detail::WriteTarget target = detail::inspectWriteTarget(pathFromUtf8(utf8Name));
    const auto copy = detail::stageCopy(target, bytes, true);
    if (!copy) {
        detail::writeInPlace(target.path, bytes);
        return;
    }
    try {
        detail::replaceWithCopy(*copy, target);
    } catch (...) {
        detail::removeQuietly(*copy);
        throw;
    }
}

} // namespace nakilon
