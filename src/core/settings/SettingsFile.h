#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace nakilon {

// The settings file (Ayarlar.ini): a Windows initialization file. Lines "[name]"
// open sections, lines "key=value" hold values; names compare without letter
// case. Sections, keys and values are single-byte (code page 1254) texts.
//
// Every call reads or writes the file at once; nothing holds it open between
// calls. A write keeps every other line, section and comment of the file as it
// was and goes through the atomic file write.
class SettingsFile {
public:
    explicit SettingsFile(std::string fileName) : m_fileName(std::move(fileName)) {}

    const std::string& fileName() const { return m_fileName; }

    // The value with blanks removed at both ends and one pair of enclosing
    // quotes taken off, at most 2047 characters; the default when the file,
    // the section or the key is missing. A key with an empty value gives "".
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;

    // The value read as a decimal number or as hexadecimal after "$" or "0x";
    // the default when it is missing, empty, no number or outside 32 bits.
    int32_t readInteger(std::string_view section, std::string_view key, int32_t defaultValue) const;

    // Replaces the value of an existing key in place, or adds the key at the end
    // of its section, creating the section and the file when needed. Throws
    // Error "Unable to write to <file name>" when the file cannot be written.
    void writeString(std::string_view section, std::string_view key, std::string_view value) const;
    void writeInteger(std::string_view section, std::string_view key, int32_t value) const;

private:
    std::string m_fileName; // UTF-8
};

// The main window's two write operations: nothing happens when the section or
// the key is blank; otherwise the value is written exactly as passed.
void KaydetSTR(const SettingsFile& file, std::string_view section, std::string_view key,
               std::string_view value);
void KaydetInt(const SettingsFile& file, std::string_view section, std::string_view key,
               int32_t value);

} // namespace nakilon
