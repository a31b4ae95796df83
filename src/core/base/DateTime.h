#pragma once

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

// Proleptic Gregorian calendar arithmetic on day numbers counted from
// 1 January 1970, without the C library's time zone machinery.
constexpr int64_t daysFromCivil(int64_t year, int64_t month, int64_t day) {
    year -= month <= 2 ? 1 : 0;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

constexpr Date civilFromDays(int64_t days) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    const int64_t day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    const int64_t month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    const int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    return {static_cast<int32_t>(year), static_cast<int32_t>(month), static_cast<int32_t>(day)};
}

} // namespace nakilon
