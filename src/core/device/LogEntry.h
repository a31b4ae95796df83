#pragma once

#include "core/base/DateTime.h"

#include <cstdint>

namespace nakilon {

// One attendance record as a terminal delivers it through TakeLogEntry: the
// values the program reads of the ten. Any values are possible; a terminal
// may report month 13 or year 1950, and the program must cope.
struct LogEntry {
    int32_t personnelNumber = 0;
    int32_t mode = 0; // low byte the verify method, the byte above it the in/out state
    DateTime time;

    bool operator==(const LogEntry&) const = default;
};

} // namespace nakilon
