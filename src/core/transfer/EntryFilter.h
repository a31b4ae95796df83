#pragma once

#include "core/device/LogEntry.h"

#include <cstdint>
#include <optional>

namespace nakilon {

// Whole days since 30 December 1899 of a real calendar date (years 1 to 9999);
// nullopt for a date that does not exist, such as 31 April.
std::optional<int32_t> dayNumber(int32_t year, int32_t month, int32_t day);

// The date range of a backup-mode run, from the two date editors.
struct DateRange {
    bool on = false;
    int32_t lower = 0;
    int32_t upper = 70000;

    // Each bound is the editor's day number, nullopt for an empty editor. A
    // bound is set when its day number is above 1000; the range is on when a
    // bound is set. An unset lower bound becomes 0, an unset upper 70000.
    static DateRange fromEditors(std::optional<int32_t> fromDay, std::optional<int32_t> toDay);
};

// True when a record is taken into the output: year 1951-2099, month 1-12,
// day 1-31, hour 0-24, minute and second 0-59, and, with the range on, a date
// that exists and lies within the range (both ends included).
bool acceptEntry(const LogEntry& entry, const DateRange& range);

} // namespace nakilon
