#include "core/base/FileIdentity.h"

#include "core/base/FileIoDetail.h"
#include "core/base/FilePaths.h"

#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <cwctype>
#endif

namespace nakilon {

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

} // namespace nakilon
