#pragma once

#include <string>

namespace nakilon {

// printf-style formatting into a std::string, for the system's fixed texts
// that come with printf templates ("Cannot open file \"%s\". %s").
#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string
formatText(const char* format, ...);

} // namespace nakilon
