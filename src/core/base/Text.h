#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace nakilon {

// printf-style formatting into a std::string, for the system's fixed texts
// that come with printf templates ("Cannot open file \"%s\". %s").
#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string
formatText(const char* format, ...);

// A value or file name quoted in a message, cut to a readable length: at most
// `limit` characters, with its middle left out ("…") when it is longer. UTF-8
// in and out; a character is never cut in two.
std::string messageQuote(std::string_view utf8, std::size_t limit = 120);

} // namespace nakilon
