#include "core/tables/TableFileFormat.h"

#include <cstring>

namespace nakilon {

std::vector<std::string_view> splitTableLines(std::string_view text) {
    const size_t nul = text.find('\0');
    if (nul != std::string_view::npos)
        text = text.substr(0, nul);
    std::vector<std::string_view> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) {
            lines.push_back(text.substr(pos));
            break;
        }
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 1;
        if (text[end] == '\r' && pos < text.size() && text[pos] == '\n')
            ++pos;
    }
    return lines;
}

void splitTableValues(std::string_view line, std::vector<std::string_view>& values) {
    values.clear();
    while (!line.empty()) {
        const void* tab = std::memchr(line.data(), kTableValueSeparator, line.size());
        if (!tab) {
            values.push_back(line);
            break;
        }
        const size_t at = static_cast<size_t>(static_cast<const char*>(tab) - line.data());
        values.push_back(line.substr(0, at));
        line.remove_prefix(at + 1);
    }
}

} // namespace nakilon
