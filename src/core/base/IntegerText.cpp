#include "core/base/IntegerText.h"

#include <algorithm>
#include <limits>

namespace nakilon {

std::optional<int64_t> parseInteger(std::string_view text) {
    text.remove_prefix(std::min(text.find_first_not_of(' '), text.size()));
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    for (const std::string_view prefix : {"$", "x", "X", "0x", "0X"}) {
        if (text.starts_with(prefix)) {
            base = 16;
            text.remove_prefix(prefix.size());
            break;
        }
    }
    // The magnitude may reach 2^63, so that INT64_MIN reads too.
    const std::optional<uint64_t> magnitude = parseNumber<uint64_t>(text, {.base = base});
    const uint64_t limit =
        negative ? uint64_t{1} << 63 : uint64_t{std::numeric_limits<int64_t>::max()};
    if (!magnitude || *magnitude > limit)
        return std::nullopt;
    if (negative)
        return *magnitude == limit ? std::numeric_limits<int64_t>::min()
                                   : -static_cast<int64_t>(*magnitude);
    return static_cast<int64_t>(*magnitude);
}

std::string hexDigits(uint64_t value, int digits) {
    static constexpr char symbols[] = "0123456789abcdef";
    std::string text(static_cast<size_t>(digits), '0');
    for (size_t i = text.size(); i > 0; --i, value >>= 4)
        text[i - 1] = symbols[value & 15];
    return text;
}

} // namespace nakilon
