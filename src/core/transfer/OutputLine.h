#pragma once

#include "core/device/LogEntry.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace nakilon {

// One accepted attendance record as it goes into the output and backup texts.
struct OutputRecord {
    int32_t deviceNumber = 0;  // CihazNo of the device
    int32_t entryExitType = 0; // GCTip of the device
    LogEntry entry;            // the record; its second is not written
};

// The least number of digits of each number of the line, zero-padded; a
// longer number is written whole, and a negative one after a minus sign.
namespace outputwidth {
inline constexpr size_t DeviceNumber = 3;
inline constexpr size_t PersonnelNumber = 6;
inline constexpr size_t Year = 4;
inline constexpr size_t Month = 2;
inline constexpr size_t Day = 2;
inline constexpr size_t Hour = 2;
inline constexpr size_t Minute = 2;
inline constexpr size_t Mode = 1;
// The widest that any 32-bit number is written: "-2147483648".
inline constexpr size_t Widest = 11;
} // namespace outputwidth

// What ends every line in the output and backup texts.
inline constexpr std::string_view OutputLineEnd = "\r\n";

// The longest line, its end included, that a record of a device can give:
// the device number as `deviceNumberDigits` (sign included) or the least
// width, the longer entry or exit text, and the other fields at their widest
// for the records that are written (personnel number and mode any 32-bit
// number; date and time in range, so at their least widths).
constexpr size_t longestOutputLine(size_t deviceNumberDigits, size_t textLength) {
    using namespace outputwidth;
    const size_t date = Year + 1 + Month + 1 + Day; // "YYYY/MM/DD"
    const size_t time = Hour + 1 + Minute + 3;      // "hh:mm:00"
    return std::max(DeviceNumber, deviceNumberDigits) + 1 + Widest + 1 + textLength + 1 + date + 1 +
           time + 1 + Widest + OutputLineEnd.size();
}

// Makes the line "%3.3d,%6.6d,%s,%4.4d/%2.2d/%2.2d,%2.2d:%2.2d:00,%1.1d" for a
// record (the widths are those of `outputwidth`), without its end: the entry
// or the exit text (code page 1254 bytes, copied as they are) by the device's
// entry/exit type and the mode value's second byte.
std::string makeOutputLine(const OutputRecord& record, std::string_view entryText,
                           std::string_view exitText);
// The same into `line`, which is emptied first (its storage is reused).
void makeOutputLine(std::string& line, const OutputRecord& record, std::string_view entryText,
                    std::string_view exitText);

} // namespace nakilon
