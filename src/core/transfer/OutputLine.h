#pragma once

#include "core/device/LogEntry.h"

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

// Makes the line "%3.3d,%6.6d,%s,%4.4d/%2.2d/%2.2d,%2.2d:%2.2d:00,%1.1d" for a
// record: the entry or the exit text (code page 1254 bytes, copied as they
// are) by the device's entry/exit type and the mode value's second byte.
std::string makeOutputLine(const OutputRecord& record, std::string_view entryText,
                           std::string_view exitText);
// The same into `line`, which is emptied first (its storage is reused).
void makeOutputLine(std::string& line, const OutputRecord& record, std::string_view entryText,
                    std::string_view exitText);

} // namespace nakilon
