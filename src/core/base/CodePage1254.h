#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace nakilon {

// Texts in tables and files are single bytes in Windows code page 1254. They
// are decoded only where they are shown and encoded where they are edited.
//
// The bytes that the code page leaves unassigned (0x81, 0x8D, 0x8E, 0x8F, 0x90,
// 0x9D, 0x9E) decode to the C1 control character of the same value, as Windows
// does, so every byte 0x00-0xFF survives a decode/encode round trip.

// Decodes code page 1254 bytes to UTF-8.
std::string cp1254ToUtf8(std::string_view bytes);

// Encodes UTF-8 text to code page 1254; nullopt when a character has no byte in
// the code page or the UTF-8 is malformed.
std::optional<std::string> utf8ToCp1254(std::string_view utf8);

// True when the UTF-8 text can be stored in a table: every character has a code
// page 1254 byte and none is TAB, CR, LF or NUL (the table files have no escapes).
bool isStorableText(std::string_view utf8);

} // namespace nakilon
