#pragma once

#include <charconv>
#include <concepts>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nakilon {

// How a text that parseNumber reads may look besides its digits.
struct NumberForm {
    int base = 10;      // 2 to 36; letters of either case are digits above 9
    bool minus = false; // a leading '-' (for a signed type)
};

// Why parseNumber read no number.
enum class NumberError {
    NotANumber, // empty, or not digits of the form
    OutOfRange, // digits of the form, but the type cannot hold the value
};

// Reads the whole of `text` as a number of type T with std::from_chars:
// digits of the form's base and, when the form allows it, one leading '-'.
// Nothing else: no '+', no spaces, no base prefix. Gives nullopt otherwise,
// and says why in `error` when one is given.
template <std::integral T>
std::optional<T> parseNumber(std::string_view text, NumberForm form = {},
                             NumberError* error = nullptr) {
    T value{};
    const char* const end = text.data() + text.size();
    const auto [at, result] = std::from_chars(text.data(), end, value, form.base);
    NumberError why = NumberError::NotANumber;
    if (!text.empty() && (form.minus || text.front() != '-')) {
        if (result == std::errc::result_out_of_range)
            why = NumberError::OutOfRange;
        else if (result == std::errc() && at == end)
            return value;
    }
    if (error)
        *error = why;
    return std::nullopt;
}

// Reads a whole number the way the system's files write them: optional leading
// spaces, one optional sign, then decimal digits, or hexadecimal digits after
// "$", "x", "X", "0x" or "0X". Anything else (trailing spaces included), or a
// value outside the signed 64-bit range, gives nullopt; callers check their own
// range.
std::optional<int64_t> parseInteger(std::string_view text);

// `value` as `digits` lower-case hexadecimal digits, zero-padded; the digits
// above those are dropped.
std::string hexDigits(uint64_t value, int digits);

} // namespace nakilon
