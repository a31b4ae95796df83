#include "core/base/IntegerText.h"

#include <gtest/gtest.h>

using namespace nakilon;

TEST(IntegerText, DecimalHexAndSigns) {
    EXPECT_EQ(parseInteger("12"), 12);
    EXPECT_EQ(parseInteger("  12"), 12);
    EXPECT_EQ(parseInteger("-7"), -7);
    EXPECT_EQ(parseInteger("+7"), 7);
    EXPECT_EQ(parseInteger("$1F"), 31);
    EXPECT_EQ(parseInteger("0x1f"), 31);
    EXPECT_EQ(parseInteger("0X1F"), 31);
    EXPECT_EQ(parseInteger("x10"), 16);
    EXPECT_EQ(parseInteger("-$10"), -16);
    EXPECT_EQ(parseInteger("0x0"), 0);
    EXPECT_EQ(parseInteger("-9223372036854775808"), INT64_MIN);
}

TEST(IntegerText, AnythingElseIsNoNumber) {
    for (const char* text : {"", " ", "12 ", "1.5", "abc", "-", "$", "0x", "1e3", "--1", "12a",
                             "9223372036854775808", "$G"})
        EXPECT_FALSE(parseInteger(text).has_value()) << '"' << text << '"';
}
