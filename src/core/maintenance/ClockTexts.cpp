#include "core/maintenance/ClockTexts.h"

#include "core/base/Text.h"

#include <chrono>

namespace nakilon {

namespace {

std::string dayName(const char* const (&names)[7], int32_t weekday) {
    return weekday >= 1 && weekday <= 7 ? names[weekday - 1] : "";
}

} // namespace

std::string terminalDayName(int32_t weekday) {
    static const char* const names[7] = {"Pazartesi", "Salı",      "Çarşamba", "Perşembe",
                                         "Cuma",      "Cumartesi", "Pazar"};
    return dayName(names, weekday);
}

std::string computerDayName(int32_t weekday) {
    static const char* const names[7] = {"Pazar",    "Pazartesi", "Salı",     "Çarşamba",
                                         "Perşembe", "Cuma",      "Cumartesi"};
    return dayName(names, weekday);
}

int32_t weekdayFromSunday(const Date& date) {
    // std::chrono's C encoding counts from 0 Sunday.
    return static_cast<int32_t>(std::chrono::weekday{calendarDay(date)}.c_encoding() + 1);
}

std::string terminalClockText(const DateTime& time, int32_t weekday) {
    return formatText("%2.2d.%2.2d.%4.4d  %s %2.2d:%2.2d", time.day, time.month, time.year,
                      terminalDayName(weekday).c_str(), time.hour, time.minute);
}

std::string computerClockText(const DateTime& now) {
    return formatText("%2.2d.%2.2d.%4.4d  %s %2.2d:%2.2d:%2.2d", now.day, now.month, now.year,
                      computerDayName(weekdayFromSunday(now)).c_str(), now.hour, now.minute,
                      now.second);
}

} // namespace nakilon
