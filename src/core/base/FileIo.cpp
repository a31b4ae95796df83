#include "core/base/FileIo.h"

#include "core/base/Error.h"
#include "core/base/FileIoTesting.h"

#include "core/base/FileIoDetail.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cwctype>
#include <filesystem>
#include <thread>
#include <system_error>

namespace nakilon {

namespace {

testing::FileFailHook& failHook() {
    static testing::FileFailHook hook;
    return hook;
}

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

std::atomic<unsigned> tempCounter{0};

} // namespace

namespace detail {

std::optional<int> injectedFailure(std::string_view operation) {
    if (failHook())
        return failHook()(operation);
    return std::nullopt;
}

bool retryFor(std::chrono::milliseconds wait, const std::function<bool()>& attempt) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        if (attempt())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

std::string errnoText(int code) {
    return std::strerror(code);
}

std::string notRegularFileText() {
    return "Bu ad bir dosyanın değil, bir boru hattının ya da aygıtın adı";
}

std::filesystem::path temporaryNameFor(const std::filesystem::path& folder,
                                       const std::filesystem::path& target) {
    std::string name = "~" + pathToUtf8(target.filename()) + "." +
                       std::to_string(currentProcessId()) + "." + std::to_string(tempCounter++) +
                       ".tmp";
    return folder / pathFromUtf8(name);
}

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

using detail::errnoText;

namespace testing {
void setFileFailHook(FileFailHook hook) {
    failHook() = std::move(hook);
}
void setFreeSpaceHook(FreeSpaceHook hook) {
    freeSpaceHook() = std::move(hook);
}
} // namespace testing

std::filesystem::path pathFromUtf8(std::string_view utf8) {
    return std::filesystem::path(
        std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

std::string pathToUtf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

std::string programFile(std::string_view programFolder, std::string_view relativeName) {
    constexpr auto separator = static_cast<char>(std::filesystem::path::preferred_separator);
    std::string result(programFolder);
    for (char c : relativeName)
        result += (c == '/' || c == '\\') ? separator : c;
    return result;
}

bool fileExists(std::string_view utf8Name) {
    std::error_code ec;
    return std::filesystem::is_regular_file(pathFromUtf8(utf8Name), ec);
}

bool folderExists(std::string_view utf8Name) {
    std::error_code ec;
    return std::filesystem::is_directory(pathFromUtf8(utf8Name), ec);
}

void createFolder(std::string_view utf8Name) {
    std::error_code ec;
    std::filesystem::create_directory(pathFromUtf8(utf8Name), ec);
    if (ec)
        throw IoError(ec.message());
    if (!folderExists(utf8Name))
        throw IoError(errnoText(EEXIST));
}

std::string readWholeFile(std::string_view utf8Name) {
    const std::filesystem::path path = pathFromUtf8(utf8Name);
    FILE* file = detail::openForReading(path);
    // Read straight into the string, sized by the file; a file that grows
    // meanwhile is read on to its end.
    std::string content;
    std::error_code sizeError;
    const auto size = std::filesystem::file_size(path, sizeError);
    size_t filled = 0;
    content.resize(sizeError ? size_t{1} << 16 : static_cast<size_t>(size) + 1);
    for (;;) {
        const size_t n = std::fread(content.data() + filled, 1, content.size() - filled, file);
        filled += n;
        if (filled < content.size()) {
            if (std::ferror(file)) {
                const int code = errno ? errno : EIO;
                std::fclose(file);
                throw IoError(errnoText(code));
            }
            break;
        }
        content.resize(content.size() * 2);
    }
    content.resize(filled);
    std::fclose(file);
    return content;
}

std::string resolvedFileName(std::string_view utf8Name) {
    return pathToUtf8(detail::followLinks(pathFromUtf8(utf8Name)));
}

bool sameFile(std::string_view utf8First, std::string_view utf8Second) {
    const std::filesystem::path first = pathFromUtf8(utf8First);
    const std::filesystem::path second = pathFromUtf8(utf8Second);
    std::error_code ec;
    // One file under two names (links, "..", another spelling of the folder).
    if (std::filesystem::equivalent(first, second, ec) && !ec)
        return true;
    // A file that is not there yet: its name, links followed, made normal.
    std::filesystem::path a = detail::followLinks(first).lexically_normal();
    std::filesystem::path b = detail::followLinks(second).lexically_normal();
    const std::filesystem::path canonicalA = std::filesystem::weakly_canonical(a, ec);
    if (!ec)
        a = canonicalA;
    const std::filesystem::path canonicalB = std::filesystem::weakly_canonical(b, ec);
    if (!ec)
        b = canonicalB;
#ifdef _WIN32
    // Windows' file names are the same in either case.
    std::wstring wa = a.wstring(), wb = b.wstring();
    for (std::wstring* w : {&wa, &wb})
        for (wchar_t& c : *w)
            c = static_cast<wchar_t>(std::towlower(c));
    return wa == wb;
#else
    return a == b;
#endif
}

void checkWritable(std::string_view utf8Name) {
    detail::inspectWriteTarget(pathFromUtf8(utf8Name));
}

void removeFile(std::string_view utf8Name) {
    if (const std::optional<int> injected = detail::injectedFailure("remove"))
        throw IoError(errnoText(*injected));
    std::error_code ec;
    std::filesystem::remove(pathFromUtf8(utf8Name), ec);
    if (ec)
        throw IoError(ec.message());
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

std::optional<uint64_t> freeSpaceFor(std::string_view utf8Name) {
    if (freeSpaceHook())
        if (const std::optional<uint64_t> hooked = freeSpaceHook()(utf8Name))
            return hooked;
    return detail::freeSpaceIn(existingFolderOf(pathFromUtf8(utf8Name)));
}

std::string diskOf(std::string_view utf8Name) {
    return detail::diskIdentity(existingFolderOf(pathFromUtf8(utf8Name)));
}

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
