#include "core/settings/SettingsFile.h"

#include "core/base/Error.h"
#include "core/base/FileRead.h"
#include "core/base/FilesAndFolders.h"
#include "core/base/IntegerText.h"
#include "core/base/SafeWrite.h"
#include "core/base/Text.h"

#include <limits>
#include <optional>
#include <vector>

namespace nakilon {

namespace {

constexpr size_t kMaxValueLength = 2047;

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    }
    return true;
}

// One line of the file, kept with its own line break so that a write can put
// every untouched line back byte for byte.
struct Line {
    std::string_view text; // without the line break
    std::string_view brk;  // "\r\n", "\n", "\r" or "" for a last line without one
};

std::vector<Line> splitLines(std::string_view content) {
    std::vector<Line> lines;
    size_t start = 0;
    while (start < content.size()) {
        size_t end = start;
        while (end < content.size() && content[end] != '\r' && content[end] != '\n')
            ++end;
        size_t next = end;
        if (next < content.size() && content[next] == '\r')
            ++next;
        if (next < content.size() && content[next] == '\n' && (next == end || content[end] == '\r'))
            ++next;
        lines.push_back({content.substr(start, end - start), content.substr(end, next - end)});
        start = next;
    }
    return lines;
}

// The section name of a "[name]" line, or nullopt for any other line.
std::optional<std::string_view> sectionName(std::string_view line) {
    const std::string_view t = trim(line);
    if (t.empty() || t.front() != '[')
        return std::nullopt;
    const size_t close = t.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return trim(t.substr(1, close - 1));
}

struct KeyLine {
    std::string_view key;
    std::string_view value;
};

std::optional<KeyLine> keyLine(std::string_view line) {
    const std::string_view t = trim(line);
    if (t.empty() || t.front() == ';')
        return std::nullopt;
    const size_t eq = t.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    return KeyLine{trim(t.substr(0, eq)), trim(t.substr(eq + 1))};
}

// Where a key stands in the file: the line of the key, or the line after which
// a new key of the section goes.
struct Position {
    bool sectionFound = false;
    std::optional<size_t> keyIndex;
    size_t lastSectionLine = 0; // last non-blank line of the section
};

Position locate(const std::vector<Line>& lines, std::string_view section, std::string_view key) {
    Position pos;
    bool inSection = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (const auto name = sectionName(lines[i].text)) {
            if (pos.sectionFound && inSection)
                return pos; // only the first section of a name counts
            inSection = equalNoCase(*name, section);
            if (inSection) {
                pos.sectionFound = true;
                pos.lastSectionLine = i;
            }
            continue;
        }
        if (!inSection)
            continue;
        if (!trim(lines[i].text).empty())
            pos.lastSectionLine = i;
        if (const auto kv = keyLine(lines[i].text); kv && equalNoCase(kv->key, key)) {
            pos.keyIndex = i;
            return pos;
        }
    }
    return pos;
}

std::optional<std::string> readFileIfPresent(const std::string& fileName) {
    if (!fileExists(fileName))
        return std::nullopt;
    try {
        return readWholeFile(fileName);
    } catch (const IoError&) {
        return std::nullopt;
    }
}

std::string_view lineBreakOf(std::string_view content) {
    const size_t at = content.find_first_of("\r\n");
    if (at == std::string_view::npos)
        return "\r\n";
    if (content[at] == '\n')
        return "\n";
    return (at + 1 < content.size() && content[at + 1] == '\n') ? "\r\n" : "\r";
}

} // namespace

std::string SettingsFile::readString(std::string_view section, std::string_view key,
                                     std::string_view defaultValue) const {
    const std::optional<std::string> content = readFileIfPresent(m_fileName);
    if (!content)
        return std::string(defaultValue);
    const std::vector<Line> lines = splitLines(*content);
    const Position pos = locate(lines, trim(section), trim(key));
    if (!pos.keyIndex)
        return std::string(defaultValue);
    std::string_view value = keyLine(lines[*pos.keyIndex].text)->value;
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(value.substr(0, kMaxValueLength));
}

int32_t SettingsFile::readInteger(std::string_view section, std::string_view key,
                                  int32_t defaultValue) const {
    const std::string text = readString(section, key, "");
    const std::optional<int64_t> value = parseInteger(text);
    if (!value || *value < std::numeric_limits<int32_t>::min() ||
        *value > std::numeric_limits<int32_t>::max())
        return defaultValue;
    return static_cast<int32_t>(*value);
}

void SettingsFile::writeString(std::string_view section, std::string_view key,
                               std::string_view value) const {
    const std::string failure = "Unable to write to " + messageQuote(m_fileName);
    std::string content;
    if (fileExists(m_fileName)) {
        try {
            content = readWholeFile(m_fileName);
        } catch (const IoError&) {
            throw Error(failure);
        }
    } else if (folderExists(m_fileName)) {
        throw Error(failure);
    }

    const std::vector<Line> lines = splitLines(content);
    const std::string_view brk = lineBreakOf(content);
    const std::string_view sectionTrimmed = trim(section);
    const std::string_view keyTrimmed = trim(key);
    const Position pos = locate(lines, sectionTrimmed, keyTrimmed);

    std::string out;
    out.reserve(content.size() + key.size() + value.size() + section.size() + 8);
    auto appendLine = [&](const Line& line) {
        out += line.text;
        out += line.brk;
    };
    auto keyValue = [&](std::string_view name) {
        std::string text(name);
        text += '=';
        text += value;
        return text;
    };

    if (pos.keyIndex) {
        for (size_t i = 0; i < lines.size(); ++i) {
            if (i != *pos.keyIndex) {
                appendLine(lines[i]);
                continue;
            }
            // Keep the key's own spelling and indentation.
            const std::string_view text = lines[i].text;
            const size_t keyStart = text.find_first_not_of(" \t");
            out += text.substr(0, keyStart);
            out += keyValue(keyLine(text)->key);
            out += lines[i].brk;
        }
    } else if (pos.sectionFound) {
        for (size_t i = 0; i < lines.size(); ++i) {
            appendLine(lines[i]);
            if (i == pos.lastSectionLine) {
                if (lines[i].brk.empty())
                    out += brk;
                out += keyValue(keyTrimmed);
                out += (lines[i].brk.empty() ? std::string_view() : brk);
            }
        }
    } else {
        out = content;
        if (!out.empty() && out.back() != '\n' && out.back() != '\r')
            out += brk;
        out += '[';
        out += sectionTrimmed;
        out += ']';
        out += brk;
        out += keyValue(keyTrimmed);
        out += brk;
    }

    try {
        writeFileAtomic(m_fileName, out);
    } catch (const IoError&) {
        throw Error(failure);
    }
}

void SettingsFile::writeInteger(std::string_view section, std::string_view key,
                                int32_t value) const {
    writeString(section, key, std::to_string(value));
}

void KaydetSTR(const SettingsFile& file, std::string_view section, std::string_view key,
               std::string_view value) {
    if (trim(section).empty() || trim(key).empty())
        return;
    file.writeString(section, key, value);
}

void KaydetInt(const SettingsFile& file, std::string_view section, std::string_view key,
               int32_t value) {
    if (trim(section).empty() || trim(key).empty())
        return;
    file.writeInteger(section, key, value);
}

} // namespace nakilon
