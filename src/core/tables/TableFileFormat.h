#pragma once

#include <string_view>
#include <vector>

namespace nakilon {

// The text layout of a table file: lines of values, values separated by TAB,
// lines ended by CR LF. What the lines hold (a header line of field names,
// then one line per record) is TableFile.h's.

inline constexpr char kTableValueSeparator = '\t';
inline constexpr std::string_view kTableLineEnd = "\r\n";

// Splits a table file's text into lines. A line ends at CR LF, at a CR alone or
// at an LF alone; a NUL byte ends the text. A last line without a line end is a
// line; a line end at the very end starts no further line.
std::vector<std::string_view> splitTableLines(std::string_view text);

// Splits one line into its values at TABs into `values` (cleared first). A line
// ending in a TAB yields no empty value after it, two adjacent TABs yield an
// empty value between them, and an empty line yields no values.
void splitTableValues(std::string_view line, std::vector<std::string_view>& values);

} // namespace nakilon
