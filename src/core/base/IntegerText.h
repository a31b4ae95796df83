#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace nakilon {

// Reads a whole number the way the system's files write them: optional leading
// spaces, one optional sign, then decimal digits, or hexadecimal digits after
// "$", "x", "X", "0x" or "0X". Anything else (trailing spaces included), or a
// value outside the signed 64-bit range, gives nullopt; callers check their own
// range.
std::optional<int64_t> parseInteger(std::string_view text);

} // namespace nakilon
