#include "core/transfer/OutputLine.h"

#include <gtest/gtest.h>

using namespace nakilon;

namespace {

OutputRecord record(int32_t gcTip, int32_t mode) {
    OutputRecord r;
    r.deviceNumber = 1;
    r.entryExitType = gcTip;
    r.entry.personnelNumber = 123;
    r.entry.mode = mode;
    r.entry.time.year = 2024;
    r.entry.time.month = 1;
    r.entry.time.day = 15;
    r.entry.time.hour = 8;
    r.entry.time.minute = 30;
    return r;
}

} // namespace

TEST(OutputLine, TemplateFieldsArePaddedNeverCut) {
    EXPECT_EQ(makeOutputLine(record(1, 1), "1", "0"), "001,000123,1,2024/01/15,08:30:00,1");
    OutputRecord wide = record(1, 123456);
    wide.deviceNumber = 12345;
    wide.entry.personnelNumber = 1234567;
    wide.entry.time.year = 12345;
    wide.entry.time.hour = 24;
    wide.entry.time.minute = 123;
    EXPECT_EQ(makeOutputLine(wide, "1", "0"), "12345,1234567,1,12345/01/15,24:123:00,123456");
}

TEST(OutputLine, NegativeNumbersKeepTheirPaddingAfterTheSign) {
    OutputRecord r = record(1, -5);
    r.deviceNumber = -1;
    r.entry.personnelNumber = -42;
    r.entry.time.year = -7;
    r.entry.time.month = -1;
    EXPECT_EQ(makeOutputLine(r, "1", "0"), "-001,-000042,1,-0007/-01/15,08:30:00,-5");
}

TEST(OutputLine, EntryOrExitByTypeAndSecondByte) {
    // Type 0: the second byte decides, the low byte is written.
    EXPECT_EQ(makeOutputLine(record(0, 1281), "G", "C"), "001,000123,C,2024/01/15,08:30:00,1");
    EXPECT_EQ(makeOutputLine(record(0, 0x0702), "G", "C"), "001,000123,C,2024/01/15,08:30:00,2");
    EXPECT_EQ(makeOutputLine(record(0, 0x0401), "G", "C"), "001,000123,G,2024/01/15,08:30:00,1");
    // Above 65535: the second byte is still bits 8 to 15.
    EXPECT_EQ(makeOutputLine(record(0, 0x10501), "G", "C"), "001,000123,C,2024/01/15,08:30:00,1");
    // Negative mode values: remainders take the dividend's sign.
    EXPECT_EQ(makeOutputLine(record(0, -1281), "G", "C"), "001,000123,G,2024/01/15,08:30:00,-1");
    // Types 1, 2 and others write the mode as delivered.
    EXPECT_EQ(makeOutputLine(record(1, 1281), "G", "C"), "001,000123,G,2024/01/15,08:30:00,1281");
    EXPECT_EQ(makeOutputLine(record(2, 1), "G", "C"), "001,000123,C,2024/01/15,08:30:00,1");
    EXPECT_EQ(makeOutputLine(record(7, 1281), "G", "C"), "001,000123,G,2024/01/15,08:30:00,1281");
}

TEST(OutputLine, EntryTextIsCopiedByteForByte) {
    EXPECT_EQ(makeOutputLine(record(1, 1), "", "0"), "001,000123,,2024/01/15,08:30:00,1");
    EXPECT_EQ(makeOutputLine(record(1, 1), "G\xFDr%s", "0"),
              "001,000123,G\xFDr%s,2024/01/15,08:30:00,1");
}
