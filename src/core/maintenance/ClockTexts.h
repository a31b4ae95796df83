#pragma once

#include "core/base/DateTime.h"

#include <cstdint>
#include <string>

namespace nakilon {

// The texts of the clock dialog (UTF-8).

// The day name of a terminal's weekday as ReadDeviceClock delivers it,
// 1 Monday ("Pazartesi") to 7 Sunday ("Pazar"); any other value: "".
std::string terminalDayName(int32_t weekday);

// The day name of the computer's weekday, numbered from Sunday: 1 Sunday
// ("Pazar") to 7 Saturday ("Cumartesi"); any other value: "".
std::string computerDayName(int32_t weekday);

// The weekday of a date numbered from Sunday (1 Sunday to 7 Saturday).
int32_t weekdayFromSunday(const Date& date);

// The terminal's date and time: "05.03.2024  Salı 14:07" (day, month, year,
// two blanks, day name, one blank, hour and minute; no seconds).
std::string terminalClockText(const DateTime& time, int32_t weekday);

// The computer's date and time with its own weekday:
// "07.01.2024  Pazar 09:05:03".
std::string computerClockText(const DateTime& now);

} // namespace nakilon
