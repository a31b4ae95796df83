#include "core/base/TemporaryCopies.h"

#include "core/base/FileIoDetail.h"
#include "core/base/FilePaths.h"

#include <atomic>
#include <filesystem>
#include <system_error>

namespace nakilon {

namespace {
std::atomic<unsigned> tempCounter{0};
} // namespace

namespace detail {

std::filesystem::path temporaryNameFor(const std::filesystem::path& folder,
                                       const std::filesystem::path& target) {
    // Appended piece by piece: a chain of `+` on the pieces makes GCC 12 warn
    // falsely (-Wrestrict) in an optimised build.
    const std::string file = pathToUtf8(target.filename());
    const std::string process = std::to_string(currentProcessId());
    const std::string counter = std::to_string(tempCounter++);
    constexpr std::string_view suffix = ".tmp";
    std::string name;
    name.reserve(1 + file.size() + 1 + process.size() + 1 + counter.size() + suffix.size());
    name += '~';
    name += file;
    name += '.';
    name += process;
    name += '.';
    name += counter;
    name += suffix;
    return folder / pathFromUtf8(name);
}

} // namespace detail

std::optional<TemporaryName> parseTemporaryName(std::string_view fileName) {
    // "~" name "." process "." counter ".tmp"
    constexpr std::string_view suffix = ".tmp";
    if (fileName.size() < 1 + suffix.size() || fileName.front() != '~' ||
        fileName.substr(fileName.size() - suffix.size()) != suffix)
        return std::nullopt;
    std::string_view rest = fileName.substr(1, fileName.size() - 1 - suffix.size());
    const auto takeNumber = [&rest]() -> std::optional<unsigned long> {
        const size_t dot = rest.rfind('.');
        if (dot == std::string_view::npos || dot + 1 == rest.size() || rest.size() - dot > 11)
            return std::nullopt;
        unsigned long value = 0;
        for (char c : rest.substr(dot + 1)) {
            if (c < '0' || c > '9')
                return std::nullopt;
            value = value * 10 + static_cast<unsigned long>(c - '0');
        }
        rest = rest.substr(0, dot);
        return value;
    };
    if (!takeNumber())
        return std::nullopt;
    const std::optional<unsigned long> process = takeNumber();
    if (!process || rest.empty())
        return std::nullopt;
    return TemporaryName{std::string(rest), *process};
}

int removeLeftoverCopies(std::string_view utf8Folder) {
    int removed = 0;
    std::error_code ec;
    std::filesystem::directory_iterator it(pathFromUtf8(utf8Folder), ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const std::optional<TemporaryName> name =
            parseTemporaryName(pathToUtf8(it->path().filename()));
        std::error_code typeError;
        if (!name || !it->is_regular_file(typeError) || processIsRunning(name->process))
            continue;
        std::error_code removeError;
        if (std::filesystem::remove(it->path(), removeError))
            ++removed;
    }
    return removed;
}

} // namespace nakilon
