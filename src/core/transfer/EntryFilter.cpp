#include "core/transfer/EntryFilter.h"

#include "core/base/DateTime.h"

#include <chrono>

namespace nakilon {

namespace {

bool within(int32_t value, int32_t low, int32_t high) {
    return value >= low && value <= high;
}

constexpr int32_t kBoundSetAbove = 1000;
constexpr int32_t kOpenUpperBound = 70000;

} // namespace

std::optional<int32_t> dayNumber(int32_t year, int32_t month, int32_t day) {
    const Date date{year, month, day};
    if (!within(year, 1, 9999) || !isCalendarDate(date))
        return std::nullopt;
    constexpr std::chrono::local_days kEpoch = calendarDay({1899, 12, 30});
    return static_cast<int32_t>((calendarDay(date) - kEpoch).count());
}

DateRange DateRange::fromEditors(std::optional<int32_t> fromDay, std::optional<int32_t> toDay) {
    // An empty editor reads far below every real bound.
    const int32_t lower = fromDay.value_or(-1);
    const int32_t upper = toDay.value_or(-1);
    DateRange range;
    range.on = lower > kBoundSetAbove || upper > kBoundSetAbove;
    range.lower = lower < kBoundSetAbove ? 0 : lower;
    range.upper = upper < kBoundSetAbove ? kOpenUpperBound : upper;
    return range;
}

bool acceptEntry(const LogEntry& entry, const DateRange& range) {
    const DateTime& e = entry.time;
    if (!within(e.year, 1951, 2099) || !within(e.month, 1, 12) || !within(e.day, 1, 31) ||
        !within(e.hour, 0, 24) || !within(e.minute, 0, 59) || !within(e.second, 0, 59))
        return false;
    if (!range.on)
        return true;
    // A day the calendar does not have (31 April) is outside every range.
    const std::optional<int32_t> number = dayNumber(e.year, e.month, e.day);
    return number && *number >= range.lower && *number <= range.upper;
}

} // namespace nakilon
