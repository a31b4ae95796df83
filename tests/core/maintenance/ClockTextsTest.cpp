#include "core/maintenance/ClockTexts.h"

#include <gtest/gtest.h>

namespace nakilon {
namespace {

DateTime at(int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute,
            int32_t second) {
    return {{year, month, day}, hour, minute, second};
}

TEST(ClockTexts, TerminalTextHasTwoBlanksTheDayNameOneBlankAndNoSeconds) {
    struct Case {
        int32_t weekday;
        const char* text;
    };
    // 5 March 2024, 14:07:59, with every weekday the terminal may deliver.
    const Case cases[] = {
        {1, "05.03.2024  Pazartesi 14:07"},
        {2, "05.03.2024  Salı 14:07"},
        {3, "05.03.2024  Çarşamba 14:07"},
        {4, "05.03.2024  Perşembe 14:07"},
        {5, "05.03.2024  Cuma 14:07"},
        {6, "05.03.2024  Cumartesi 14:07"},
        {7, "05.03.2024  Pazar 14:07"},
        // Out of range: an empty day name, so three blanks.
        {0, "05.03.2024   14:07"},
        {8, "05.03.2024   14:07"},
        {-1, "05.03.2024   14:07"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(terminalClockText(at(2024, 3, 5, 14, 7, 59), c.weekday), c.text) << c.weekday;
    // Numbers as the terminal gives them, padded, never cut.
    EXPECT_EQ(terminalClockText(at(24, 13, 0, 9, 5, 0), 3), "00.13.0024  Çarşamba 09:05");
    EXPECT_EQ(terminalClockText(at(12345, 1, 1, 0, 0, 0), 1), "01.01.12345  Pazartesi 00:00");
}

TEST(ClockTexts, ComputerTextNamesItsOwnWeekdayFromSunday) {
    struct Case {
        DateTime time;
        const char* text;
    };
    const Case cases[] = {
        {at(2024, 1, 7, 9, 5, 3), "07.01.2024  Pazar 09:05:03"},
        {at(2024, 1, 8, 0, 0, 0), "08.01.2024  Pazartesi 00:00:00"},
        {at(2024, 1, 9, 23, 59, 59), "09.01.2024  Salı 23:59:59"},
        {at(2024, 1, 10, 12, 0, 0), "10.01.2024  Çarşamba 12:00:00"},
        {at(2024, 1, 11, 12, 0, 0), "11.01.2024  Perşembe 12:00:00"},
        {at(2024, 1, 12, 12, 0, 0), "12.01.2024  Cuma 12:00:00"},
        {at(2024, 1, 13, 12, 0, 0), "13.01.2024  Cumartesi 12:00:00"},
        {at(2024, 2, 29, 13, 45, 10), "29.02.2024  Perşembe 13:45:10"},
        {at(1899, 12, 30, 0, 0, 0), "30.12.1899  Cumartesi 00:00:00"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(computerClockText(c.time), c.text);
}

TEST(ClockTexts, DayNameTablesAndWeekdayNumbering) {
    EXPECT_EQ(terminalDayName(1), "Pazartesi");
    EXPECT_EQ(terminalDayName(7), "Pazar");
    EXPECT_EQ(computerDayName(1), "Pazar");
    EXPECT_EQ(computerDayName(7), "Cumartesi");
    for (int32_t outside : {0, 8, 100, -7}) {
        EXPECT_EQ(terminalDayName(outside), "");
        EXPECT_EQ(computerDayName(outside), "");
    }
    EXPECT_EQ(weekdayFromSunday({1970, 1, 1}), 5);
    EXPECT_EQ(weekdayFromSunday({2024, 1, 7}), 1);
    EXPECT_EQ(weekdayFromSunday({2024, 3, 5}), 3);
    EXPECT_EQ(weekdayFromSunday({1969, 12, 27}), 7);
}

} // namespace
} // namespace nakilon
