#include "emulator/VirtualTerminal.h"
#include "emulator/TerminalGenerator.h"

#include <gtest/gtest.h>

#include <set>

namespace nakilon {
namespace {

// 2024-02-29 13:45:10 as local seconds since 1970-01-01 00:00:00.
constexpr int64_t LeapDay = 1709214310;

TEST(VirtualTerminal, ClockReadingHasCalendarAndWeekday) {
    EXPECT_EQ(clockReadingAt(LeapDay), (ClockReading{2024, 2, 29, 13, 45, 10, 4}));
    EXPECT_EQ(clockReadingAt(0), (ClockReading{1970, 1, 1, 0, 0, 0, 4}));
    EXPECT_EQ(clockReadingAt(-1), (ClockReading{1969, 12, 31, 23, 59, 59, 3}));
    // 2023-12-31 was a Sunday, 2024-01-01 a Monday.
    EXPECT_EQ(clockReadingAt(1704067199).weekday, 7);
    EXPECT_EQ(clockReadingAt(1704067200).weekday, 1);
}

TEST(VirtualTerminal, JournalNamesEveryOperationWithItsArguments) {
    TerminalState state;
    state.machineNumber = 2;
    state.password = 9;
    state.users = {{1001, 0, 3, 1, 0}};
    VirtualTerminal terminal(state, [] { return LeapDay; });
    std::vector<std::string> journal;
    terminal.setJournal([&](const std::string& line) { journal.push_back(line); });

    terminal.acceptNetworkLink(2, "10.0.0.5", 5005, 9);
    terminal.acceptNetworkLink(2, "bad ip\n", 5005, 9);
    terminal.acceptSerialLink(2, 0, 115200);
    terminal.setDeviceActive(2, 0);
    terminal.fetchLogBatch(2, true);
    terminal.queryDeviceCounter(2, 8);
    terminal.fetchUserIndex(2);
    terminal.downloadEnrollment(2, 1001, 2, 0);
    terminal.uploadEnrollment(2, 1002, 2, 4, 0, EnrollmentData{}, 77);
    terminal.readDeviceClock(2);
    terminal.syncDeviceClock(2);
    terminal.changeUserRole(2, 1001, 2, 0, 0);
    terminal.purgeLogs(3);
    terminal.linkClosed();
    EXPECT_EQ(journal, (std::vector<std::string>{
                           "OpenNetworkLink 2 10.0.0.5 5005 9",
                           "OpenNetworkLink 2 bad?ip? 5005 9",
                           "OpenSerialLink 2 0 115200",
                           "SetDeviceActive 2 0",
                           "FetchLogBatch 2 ReadMark=1",
                           "QueryDeviceCounter 2 8",
                           "FetchUserIndex 2",
                           "DownloadEnrollment 2 1001 2 0",
                           "UploadEnrollment 2 1002 2 4 0 77 crc32=007bfea7",
                           "ReadDeviceClock 2",
                           "SyncDeviceClock 2",
                           "ChangeUserRole 2 1001 2 0 0",
                           "PurgeLogs 3",
                           "CloseLink",
                       }));
}

TEST(VirtualTerminal, ChangeHandlerRunsOnlyWhenTheStateChanges) {
    TerminalState state;
    state.logs = {{1, 0, 2024, 1, 1, 8, 0, 0, true}};
    state.users = {{1001, 0, 3, 1, 0}};
    VirtualTerminal terminal(state);
    int changes = 0;
    terminal.setChangeHandler([&] { ++changes; });

    terminal.setDeviceActive(1, 1); // already active
    terminal.fetchLogBatch(1, false);
    terminal.queryDeviceCounter(1, 6);
    terminal.readDeviceClock(1);
    terminal.syncDeviceClock(1); // offset already 0
    terminal.changeUserRole(1, 1001, 1, 0, 3);
    EXPECT_EQ(changes, 0);

    terminal.setDeviceActive(1, 0);
    terminal.changeUserRole(1, 1001, 1, 0, 0);
    terminal.uploadEnrollment(1, 5, 1, 0, 0, EnrollmentData{}, 0);
    const auto batch = terminal.fetchLogBatch(1, true);
    EXPECT_EQ(changes, 3);
    terminal.confirmDelivery(*batch);
    EXPECT_EQ(changes, 4);
    terminal.purgeLogs(1);
    EXPECT_EQ(changes, 5);
}

TEST(VirtualTerminal, RecordsAreMarkedReadOnlyWhenDeliveryIsConfirmed) {
    TerminalState state;
    state.logs = {{1, 0, 2024, 1, 1, 8, 0, 0, true},
                  {2, 0, 2024, 1, 1, 9, 0, 0, false},
                  {3, 0, 2024, 1, 1, 10, 0, 0, true}};
    VirtualTerminal terminal(state);
    const auto batch = terminal.fetchLogBatch(1, true);
    ASSERT_TRUE(batch);
    ASSERT_EQ(batch->records.size(), 2u);
    EXPECT_EQ(batch->records[1].personnelNumber, 3);
    // A fetch that never reached the control marks nothing.
    EXPECT_EQ(terminal.queryDeviceCounter(1, 6), 2);
    terminal.confirmDelivery(*batch);
    EXPECT_EQ(terminal.queryDeviceCounter(1, 6), 0);

    // Records purged and added again since the fetch are not touched.
    terminal.state().logs = state.logs;
    const auto stale = terminal.fetchLogBatch(1, true);
    terminal.purgeLogs(1);
    terminal.state().logs = state.logs;
    terminal.confirmDelivery(*stale);
    EXPECT_EQ(terminal.queryDeviceCounter(1, 6), 2);
}

TEST(VirtualTerminal, UnknownCounterAndOtherMachineAreNotAnswered) {
    VirtualTerminal terminal;
    EXPECT_EQ(terminal.queryDeviceCounter(1, 7), std::nullopt);
    EXPECT_EQ(terminal.queryDeviceCounter(2, 8), std::nullopt);
    EXPECT_FALSE(terminal.fetchLogBatch(2, false));
    EXPECT_FALSE(terminal.acceptSerialLink(2, 1, 115200));
}

TEST(VirtualTerminal, UserListDeliversTheSecondMachineNumberThatChangeUserRoleMustReturn) {
    TerminalState state;
    state.machineNumber = 2;
    state.users = {{1001, 0, 3, 1, 0}, {1002, 4, 2, 0, 0, 9}};
    VirtualTerminal terminal(state);
    EXPECT_EQ(terminal.fetchUserIndex(2),
              (std::vector<UserIndexEntry>{{1001, 2, 0, 3, 1}, {1002, 9, 4, 2, 0}}));
    // The entry is named by user, second machine number and slot together.
    EXPECT_FALSE(terminal.changeUserRole(2, 1002, 2, 4, 0));
    EXPECT_FALSE(terminal.changeUserRole(2, 1001, 9, 0, 0));
    EXPECT_EQ(terminal.state().users, state.users);
    EXPECT_TRUE(terminal.changeUserRole(2, 1002, 9, 4, 0));
    EXPECT_TRUE(terminal.changeUserRole(2, 1001, 2, 0, 0));
    EXPECT_EQ(terminal.state().users[0].privilege, 0);
    EXPECT_EQ(terminal.state().users[1].privilege, 0);
}

TEST(VirtualTerminal, OnePasswordPerUserAndListedEntriesWhoseDownloadFails) {
    TerminalState state;
    state.users = {{1001, 0, 3, 1, 5}, {1001, 3, 3, 1, 5}, {1002, 1, 0, 0, 0}};
    state.users[1].downloadFails = true;
    VirtualTerminal terminal(state);
    std::vector<std::string> journal;
    terminal.setJournal([&](const std::string& line) { journal.push_back(line); });
    terminal.failDownload(1002, 1);
    EXPECT_EQ(terminal.downloadEnrollment(1, 1001, 1, 3), std::nullopt);
    EXPECT_EQ(terminal.downloadEnrollment(1, 1002, 1, 1), std::nullopt);
    EXPECT_EQ(terminal.state().users, state.users); // failing is no change
    ASSERT_TRUE(terminal.downloadEnrollment(1, 1001, 1, 0));
    EXPECT_EQ(terminal.downloadEnrollment(1, 1001, 1, 0)->password, 5);

    // An upload for one slot sets the user's password in every entry; a new
    // slot of a disabled user stays disabled.
    EnrollmentData data;
    data.fill(-1);
    data[0] = 1;
    EXPECT_TRUE(terminal.uploadEnrollment(1, 1001, 1, 0, 2, data, 0));
    EXPECT_TRUE(terminal.uploadEnrollment(1, 1002, 1, 7, 1, EnrollmentData{}, 44));
    std::vector<UserEntry> expected = {
        {1001, 0, 2, 1, 0}, {1001, 3, 3, 1, 0}, {1002, 1, 0, 0, 44}, {1002, 7, 1, 0, 44}};
    expected[1].downloadFails = true;
    EXPECT_EQ(terminal.state().users, expected);
    EXPECT_EQ(journal[4], "UploadEnrollment 1 1001 1 0 2 0 crc32=05143d51");
}

TEST(VirtualTerminal, ClockCanBeFrozenMisreportTheWeekdayOrFailUntilSynced) {
    TerminalState state;
    state.clockOffsetSeconds = 60;
    state.clockWeekday = 9;
    int64_t computer = LeapDay;
    VirtualTerminal terminal(state, [&] { return computer; });
    EXPECT_EQ(terminal.readDeviceClock(1), (ClockReading{2024, 2, 29, 13, 46, 10, 9}));
    terminal.freezeClock(1709647620); // 2024-03-05 14:07:00
    terminal.reportWeekday(0);
    computer += 3600;
    EXPECT_EQ(terminal.readDeviceClock(1), (ClockReading{2024, 3, 5, 14, 8, 0, 0}));
    // A sync sets the computer's time, the calendar's weekday, and runs again.
    int changes = 0;
    terminal.setChangeHandler([&] { ++changes; });
    EXPECT_TRUE(terminal.syncDeviceClock(1));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(terminal.state().clockWeekday, std::nullopt);
    EXPECT_EQ(terminal.readDeviceClock(1), (ClockReading{2024, 2, 29, 14, 45, 10, 4}));

    terminal.state().clockReadFails = true;
    EXPECT_EQ(terminal.readDeviceClock(1), std::nullopt);
}

TEST(VirtualTerminal, FaultsHitTheNthCallOfTheirOperationOverEveryLink) {
    VirtualTerminal terminal;
    std::vector<std::string> journal;
    terminal.setJournal([&](const std::string& line) { journal.push_back(line); });
    terminal.addFault({"PurgeLogs", 2, FaultKind::Drop});
    terminal.addFault({"OpenSerialLink", 1, FaultKind::Fail});
    EXPECT_THROW(terminal.addFault({"CloseLink", 1, FaultKind::Fail}), std::invalid_argument);
    EXPECT_THROW(terminal.addFault({"TakeLogEntry", 1, FaultKind::Fail}), std::invalid_argument);

    try {
        terminal.acceptSerialLink(1, 0, 115200);
        ADD_FAILURE() << "no fault";
    } catch (const InjectedFault& fault) {
        EXPECT_EQ(fault.kind(), FaultKind::Fail);
    }
    EXPECT_TRUE(terminal.acceptSerialLink(1, 0, 115200));
    EXPECT_TRUE(terminal.purgeLogs(1));
    terminal.linkClosed();
    EXPECT_TRUE(terminal.acceptSerialLink(1, 0, 115200));
    try {
        terminal.purgeLogs(1);
        ADD_FAILURE() << "no fault";
    } catch (const InjectedFault& fault) {
        EXPECT_EQ(fault.kind(), FaultKind::Drop);
    }
    EXPECT_TRUE(terminal.purgeLogs(1));
    // Calls hit by a fault were received all the same.
    EXPECT_EQ(journal, (std::vector<std::string>{
                           "OpenSerialLink 1 0 115200",
                           "OpenSerialLink 1 0 115200",
                           "PurgeLogs 1",
                           "CloseLink",
                           "OpenSerialLink 1 0 115200",
                           "PurgeLogs 1",
                           "PurgeLogs 1",
                       }));
}

TEST(TerminalGenerator, SameSeedSameTerminalOfWorkingDays) {
    GenerationOptions options;
    options.records = 1000;
    options.users = 7;
    options.seed = 42;
    options.todayLocalSeconds = LeapDay; // a Thursday
    const TerminalState a = generateTerminal(options);
    EXPECT_EQ(generateTerminal(options), a);
    options.seed = 43;
    EXPECT_NE(generateTerminal(options), a);

    ASSERT_EQ(a.logs.size(), 1000u);
    std::set<int32_t> users, privileges, disabled;
    size_t fingerEntries = 0;
    for (const UserEntry& entry : a.users) {
        users.insert(entry.userNumber);
        privileges.insert(entry.privilege);
        if (entry.enabled == 0)
            disabled.insert(entry.userNumber);
        EXPECT_GE(entry.slot, 0);
        if (entry.slot <= 9)
            ++fingerEntries;
        else
            // Card and password entries: user 1006 has one.
            EXPECT_EQ(entry.userNumber, 1006);
    }
    EXPECT_EQ(users, (std::set<int32_t>{1001, 1002, 1003, 1004, 1005, 1006, 1007}));
    EXPECT_EQ(privileges, (std::set<int32_t>{0, 1, 2, 3}));
    EXPECT_EQ(disabled, (std::set<int32_t>{1007}));
    EXPECT_EQ(a.users.size(), fingerEntries + 1);
    // Finger entries have enrollment data, the others none.
    EXPECT_EQ(a.enrollments.size(), fingerEntries);
    EXPECT_EQ(a.users[0].privilege, 3);

    int64_t previous = 0;
    for (const LogRecord& r : a.logs) {
        EXPECT_TRUE(r.isNew);
        EXPECT_TRUE(r.mode >> 8 == 4 || r.mode >> 8 == 5) << r.mode;
        const int64_t key =
            ((((r.time.year * 13LL + r.time.month) * 32 + r.time.day) * 24 + r.time.hour) * 60 +
             r.time.minute) *
                60 +
            r.time.second;
        EXPECT_GE(key, previous);
        previous = key;
        // 24 and 25 February 2024 were a Saturday and a Sunday.
        EXPECT_FALSE(r.time.year == 2024 && r.time.month == 2 &&
                     (r.time.day == 24 || r.time.day == 25));
    }
    // The newest record is of the reference day.
    EXPECT_EQ(a.logs.back().time.year, 2024);
    EXPECT_EQ(a.logs.back().time.month, 2);
    EXPECT_EQ(a.logs.back().time.day, 29);
}

} // namespace
} // namespace nakilon
