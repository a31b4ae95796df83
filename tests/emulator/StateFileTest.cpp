#include "emulator/StateFile.h"

#include "core/base/Error.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace nakilon {
namespace {

std::string enrollLine(const char* head, int first) {
    std::string line = head;
    for (int i = 0; i < 354; ++i)
        line += ' ' + std::to_string(first + i);
    return line + '\n';
}

TEST(StateFile, ReadsEveryKindOfLineInFileOrder) {
    const std::string text = "# a comment\n"
                             "\n"
                             "terminal 12 -5\r\n"
                             "clock-offset -3600\n"
                             "active 0\n"
                             "log 1001 1281 2024 1 15 8 30 5 new\n"
                             "   \n"
                             "log -1 0 1950 13 0 24 60 -2147483648 read\n"
                             "user 1001 3 0 1 2147483647\n"
                             "user 7 0 3 0 0\n" +
                             enrollLine("enroll 7 0", -100);
    const TerminalState state = parseStateText(text);
    EXPECT_EQ(state.machineNumber, 12);
    EXPECT_EQ(state.password, -5);
    EXPECT_EQ(state.clockOffsetSeconds, -3600);
    EXPECT_FALSE(state.active);
    ASSERT_EQ(state.logs.size(), 2u);
    EXPECT_EQ(state.logs[0], (LogRecord{1001, 1281, 2024, 1, 15, 8, 30, 5, true}));
    EXPECT_EQ(state.logs[1], (LogRecord{-1, 0, 1950, 13, 0, 24, 60, INT32_MIN, false}));
    ASSERT_EQ(state.users.size(), 2u);
    EXPECT_EQ(state.users[0], (UserEntry{1001, 3, 0, 1, 2147483647}));
    EXPECT_EQ(state.users[1], (UserEntry{7, 0, 3, 0, 0}));
    ASSERT_EQ(state.enrollments.size(), 1u);
    EXPECT_EQ(state.enrollments[0].data[0], -100);
    EXPECT_EQ(state.enrollments[0].data[353], 253);
}

TEST(StateFile, MissingLinesKeepTheDefaults) {
    const TerminalState state = parseStateText("");
    EXPECT_EQ(state, TerminalState{});
    EXPECT_EQ(state.machineNumber, 1);
    EXPECT_TRUE(state.active);
}

TEST(StateFile, WritesTheDocumentedLayout) {
    TerminalState state;
    state.machineNumber = 3;
    state.password = 0;
    state.clockOffsetSeconds = 60;
    state.logs = {{5, 1025, 2024, 2, 29, 23, 59, 58, false}};
    state.users = {{5, 1, 2, 1, 99}};
    state.enrollments = {{5, 1, {}}};
    state.enrollments[0].data[1] = -1;
    std::string expected = "# nakilon-terminal\n"
                           "terminal 3 0\n"
                           "clock-offset 60\n"
                           "active 1\n"
                           "log 5 1025 2024 2 29 23 59 58 read\n"
                           "user 5 1 2 1 99\n"
                           "enroll 5 1 0 -1";
    for (int i = 2; i < 354; ++i)
        expected += " 0";
    expected += '\n';
    EXPECT_EQ(formatStateText(state), expected);
    EXPECT_EQ(parseStateText(expected), state);
}

TEST(StateFile, OptionalClockLinesAndSecondMachineNumberAreWrittenOnlyWhenSet) {
    TerminalState state;
    state.clockWeekday = 0;
    state.clockReadFails = true;
    state.users = {{5, 1, 2, 1, 99, -7}, {6, 11, 0, 0, 0}, {6, 2, 0, 0, 0}};
    state.users[2].downloadFails = true;
    const std::string expected = "# nakilon-terminal\n"
                                 "terminal 1 0\n"
                                 "clock-offset 0\n"
                                 "clock-weekday 0\n"
                                 "clock-read-fails 1\n"
                                 "active 1\n"
                                 "user 5 1 2 1 99 -7\n"
                                 "user 6 11 0 0 0\n"
                                 "user 6 2 0 0 0\n"
                                 "download-fails 6 2\n";
    EXPECT_EQ(formatStateText(state), expected);
    EXPECT_EQ(parseStateText(expected), state);
    EXPECT_EQ(parseStateText("clock-read-fails 0\n"), TerminalState{});
}

TEST(StateFile, FileRoundTripIsAtomicWrite) {
    testsupport::TempFolder folder;
    TerminalState state;
    state.logs = {{1, 2, 3, 4, 5, 6, 7, 8, true}};
    writeStateFile(folder.file("t.state"), state);
    EXPECT_EQ(readStateFile(folder.file("t.state")), state);
    EXPECT_THROW(readStateFile(folder.file("missing.state")), Error);
}

struct BadLine {
    const char* text;
    const char* message;
};

TEST(StateFile, RefusesMalformedLinesWithLineNumberAndReason) {
    const BadLine cases[] = {
        {"terminal 1 2\nbogus 1\n", "Durum dosyası satır 2: bilinmeyen satır türü: bogus"},
        {"\n\nterminal 1\n", "Durum dosyası satır 3: terminal satırında 2 alan olmalı, 1 var"},
        {"terminal 1  2\n", "Durum dosyası satır 1: alanlar tek boşlukla ayrılmalı"},
        {"terminal 1 2 \n", "Durum dosyası satır 1: alanlar tek boşlukla ayrılmalı"},
        {"terminal 2147483648 0\n",
         "Durum dosyası satır 1: sayı 32 bit aralığının dışında: 2147483648"},
        {"terminal +1 0\n", "Durum dosyası satır 1: sayı bekleniyordu: +1"},
        {"terminal 1 0x10\n", "Durum dosyası satır 1: sayı bekleniyordu: 0x10"},
        {"active 2\n", "Durum dosyası satır 1: active değeri 0 ya da 1 olmalı"},
        {"log 1 1 2024 1 1 1 1 1 old\n",
         "Durum dosyası satır 1: kayıt durumu new ya da read olmalı"},
        {"terminal 1 0\nterminal 2 0\n",
         "Durum dosyası satır 2: terminal satırı ikinci kez geçiyor"},
        {"user 1 0 0 1 0\nuser 1 0 3 1 0\n",
         "Durum dosyası satır 2: bu kullanıcı ve parmak için ikinci user satırı"},
        {"enroll 1 0 5\n", "Durum dosyası satır 1: enroll satırında 356 alan olmalı, 3 var"},
        {"user 1 0 0 1\n", "Durum dosyası satır 1: user satırında 5 ya da 6 alan olmalı, 4 var"},
        {"clock-read-fails yes\n",
         "Durum dosyası satır 1: clock-read-fails değeri 0 ya da 1 olmalı"},
        {"clock-weekday 1\nclock-weekday 2\n",
         "Durum dosyası satır 2: clock-weekday satırı ikinci kez geçiyor"},
        {"log 1 1 2024 1 1 1 1 1 new\t\n",
         "Durum dosyası satır 1: satırda ASCII dışı ya da denetim karakteri var"},
        {"user 1 0 0 1 5\nuser 1 4 0 1 6\n",
         "Durum dosyası satır 2: bir kullanıcının bütün user satırlarında şifre aynı olmalı"},
        {"user 1 0 0 1 0\ndownload-fails 1 1\n",
         "Durum dosyası satır 2: download-fails satırından önce aynı kullanıcı ve parmak için "
         "user satırı gerekir"},
        {"user 1 0 0 1 0\ndownload-fails 1 0\ndownload-fails 1 0\n",
         "Durum dosyası satır 3: bu kullanıcı ve parmak için ikinci download-fails satırı"},
    };
    for (const BadLine& bad : cases) {
        try {
            parseStateText(bad.text);
            ADD_FAILURE() << "accepted: " << bad.text;
        } catch (const Error& error) {
            EXPECT_EQ(error.text(), bad.message);
        }
    }
    try {
        parseStateText(enrollLine("enroll 4 2", 0));
        ADD_FAILURE() << "enroll without user accepted";
    } catch (const Error& error) {
        EXPECT_EQ(error.text(), "Durum dosyası satır 1: enroll satırından önce aynı kullanıcı ve "
                                "parmak için user satırı gerekir");
    }
}

TEST(StateFile, FileErrorsNameTheFile) {
    testsupport::TempFolder folder;
    folder.write("bad.state", "terminal 1 0\nactive x\n");
    try {
        readStateFile(folder.file("bad.state"));
        FAIL();
    } catch (const Error& error) {
        EXPECT_EQ(error.text(), folder.file("bad.state") +
                                    ": Durum dosyası satır 2: active değeri 0 ya da 1 olmalı");
    }
}

} // namespace
} // namespace nakilon
