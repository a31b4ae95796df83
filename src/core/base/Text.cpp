#include "core/base/Text.h"

#include <cstdarg>
#include <cstdio>

namespace nakilon {

std::string formatText(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string result;
    if (length > 0) {
        result.resize(static_cast<size_t>(length));
        std::vsnprintf(result.data(), result.size() + 1, format, args);
    }
    va_end(args);
    return result;
}

std::string messageQuote(std::string_view utf8, std::size_t limit) {
    const auto isStart = [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; };
    std::size_t characters = 0;
    for (char c : utf8)
        characters += isStart(c) ? 1 : 0;
    if (characters <= limit || limit < 3)
        return std::string(utf8);
    const std::size_t keepFront = (limit - 1) / 2;
    const std::size_t keepBack = limit - 1 - keepFront;
    // Byte positions of the character boundaries that bound the two parts.
    std::size_t front = 0;
    for (std::size_t seen = 0; front < utf8.size(); ++front) {
        if (isStart(utf8[front]) && seen++ == keepFront)
            break;
    }
    std::size_t back = utf8.size();
    for (std::size_t seen = 0; back > 0;) {
        --back;
        if (isStart(utf8[back]) && ++seen == keepBack)
            break;
    }
    std::string text(utf8.substr(0, front));
    text += "\u2026";
    text += utf8.substr(back);
    return text;
}

} // namespace nakilon
