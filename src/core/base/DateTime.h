#pragma once

#include <chrono>
#include <cstdint>

namespace nakilon {

// A calendar date as the system's files and terminals give it: plain numbers,
// which a terminal may well deliver out of range (month 13, day 0).
struct Date {
    int32_t year = 0;
    int32_t month = 0;
    int32_t day = 0;

    bool operator==(const Date&) const = default;
};

// A date with the time of day.
struct DateTime : Date {
    int32_t hour = 0;
    int32_t minute = 0;
    int32_t second = 0;

    bool operator==(const DateTime&) const = default;
};

// The calendar arithmetic is std::chrono's (proleptic Gregorian). Times are
// the wall clock's, without any time zone: std::chrono::local_days and
// local_seconds, counted from 1 January 1970 00:00:00 of the same wall clock.

// True when the calendar has the date: month 1 to 12, day 1 to the month's
// last, year -32767 to 32767.
constexpr bool isCalendarDate(const Date& date) {
    using namespace std::chrono;
    return date.year >= -32767 && date.year <= 32767 && date.month >= 1 && date.month <= 12 &&
           date.day >= 1 && date.day <= 31 &&
           year_month_day{year{date.year}, month{static_cast<unsigned>(date.month)},
                          day{static_cast<unsigned>(date.day)}}
               .ok();
}

// The day of a date that the calendar has (isCalendarDate).
constexpr std::chrono::local_days calendarDay(const Date& date) {
    using namespace std::chrono;
    return local_days{year_month_day{year{date.year}, month{static_cast<unsigned>(date.month)},
                                     day{static_cast<unsigned>(date.day)}}};
}

constexpr Date dateOf(std::chrono::local_days day) {
    const std::chrono::year_month_day date{day};
    return {static_cast<int>(date.year()),
            static_cast<int32_t>(static_cast<unsigned>(date.month())),
            static_cast<int32_t>(static_cast<unsigned>(date.day()))};
}

// The second of a date (one the calendar has) and time of day; hours,
// minutes and seconds count on past their usual ranges.
constexpr std::chrono::local_seconds wallTime(const DateTime& time) {
    return calendarDay(time) + std::chrono::hours{time.hour} + std::chrono::minutes{time.minute} +
           std::chrono::seconds{time.second};
}

constexpr DateTime dateTimeOf(std::chrono::local_seconds time) {
    const std::chrono::local_days day = std::chrono::floor<std::chrono::days>(time);
    const std::chrono::hh_mm_ss clock{time - day};
    DateTime result;
    static_cast<Date&>(result) = dateOf(day);
    result.hour = static_cast<int32_t>(clock.hours().count());
    result.minute = static_cast<int32_t>(clock.minutes().count());
    result.second = static_cast<int32_t>(clock.seconds().count());
    return result;
}

} // namespace nakilon
