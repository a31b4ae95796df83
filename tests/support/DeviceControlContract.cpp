// The behaviour every device control backend must show, written against
// DeviceControl alone.
#include "support/DeviceControlContract.h"

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <utility>

namespace nakilon::contract {
namespace {

constexpr int32_t Machine = 5;
constexpr int32_t Password = 4321;

LogRecord record(int32_t personnel, int32_t mode, int32_t year, int32_t month, int32_t day,
                 int32_t hour, int32_t minute, int32_t second, bool isNew) {
    return {personnel, mode, year, month, day, hour, minute, second, isNew};
}

EnrollmentData enrollmentOf(int32_t base) {
    EnrollmentData data{};
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = base * 1000 + static_cast<int32_t>(i) * (i % 2 ? -1 : 1);
    return data;
}

TerminalState seededTerminal() {
    TerminalState state;
    state.machineNumber = Machine;
    state.password = Password;
    // Values the program must cope with come through as they are.
    state.logs = {
        record(1001, 0x0401, 2024, 1, 15, 8, 30, 12, false),
        record(1002, 0x0501, 2024, 13, 32, 24, 60, 61, true),
        record(-7, 70000, 1950, 0, 0, -1, 0, 0, true),
        record(2147483647, -1, 2099, 12, 31, 23, 59, 59, false),
        record(1003, 0x0701, 2100, 2, 29, 0, 0, 0, true),
    };
    state.users = {{1001, 0, 3, 1, 0}, {1001, 5, 3, 1, 0}, {1002, 1, 0, 0, 777}};
    state.enrollments = {{1001, 0, enrollmentOf(1)}, {1001, 5, enrollmentOf(2)}};
    return state;
}

struct Taken {
    int32_t values[10];
};

std::vector<Taken> takeAll(DeviceControl& control, int32_t machine = Machine) {
    std::vector<Taken> taken;
    Taken t{};
    int32_t* v = t.values;
    while (
        control.TakeLogEntry(machine, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9])) {
        taken.push_back(t);
        if (taken.size() > 100000)
            break;
    }
    return taken;
}

// The eight values of a record that TakeLogEntry hands on (positions 2, 4-10).
std::vector<std::vector<int32_t>> recordValues(const std::vector<Taken>& taken) {
    std::vector<std::vector<int32_t>> values;
    for (const Taken& t : taken)
        values.push_back({t.values[1], t.values[3], t.values[4], t.values[5], t.values[6],
                          t.values[7], t.values[8], t.values[9]});
    return values;
}

struct IndexEntry {
    int32_t user, second, slot, privilege, enabled;
};

std::vector<std::vector<int32_t>> takeUsers(DeviceControl& control) {
    std::vector<std::vector<int32_t>> entries;
    int32_t user = 0, second = Machine, slot = 0, privilege = 0, enabled = 0;
    while (control.TakeUserIndexEntry(Machine, user, second, slot, privilege, enabled)) {
        entries.push_back({user, second, slot, privilege, enabled});
        if (entries.size() > 1000)
            break;
    }
    return entries;
}

// A wall-clock date and time as seconds since 1970-01-01 00:00:00 of the same
// clock.
int64_t clockSeconds(int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute,
                     int32_t second) {
    using namespace std::chrono;
    const local_days date{std::chrono::year{year} / month / day};
    return (date + hours{hour} + minutes{minute} + seconds{second}).time_since_epoch().count();
}

// The computer's local wall clock as seconds, made here with the C library.
int64_t localNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#if defined(_WIN32)
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return clockSeconds(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                        local.tm_min, local.tm_sec);
}

} // namespace

TEST_P(DeviceControlContract, EveryConnectionTypeReachesTheTerminal) {
    harness().seed(seededTerminal());
    for (int32_t type : {ConnectionEthernet, ConnectionSerial, ConnectionUsb}) {
        EXPECT_EQ(connectDevice(control(), harness().connection(type)), ConnectResult::Connected)
            << "type " << type;
        int32_t count = -1;
        EXPECT_TRUE(control().QueryDeviceCounter(Machine, CounterAllLogs, count));
        EXPECT_EQ(count, 5);
        control().CloseLink();
    }
}

TEST_P(DeviceControlContract, WrongMachineNumberOrPasswordIsRefused) {
    harness().seed(seededTerminal());
    ConnectionValues wrongPassword = harness().connection(ConnectionEthernet);
    wrongPassword.password = "4320";
    EXPECT_EQ(connectDevice(control(), wrongPassword), ConnectResult::Failed);
    for (int32_t type : {ConnectionEthernet, ConnectionSerial, ConnectionUsb}) {
        ConnectionValues wrongMachine = harness().connection(type);
        wrongMachine.machineNumber = Machine + 1;
        EXPECT_EQ(connectDevice(control(), wrongMachine), ConnectResult::Failed) << type;
    }
    // Nothing is open after a refused open.
    EXPECT_FALSE(control().PurgeLogs(Machine));
    EXPECT_EQ(harness().held().logs.size(), 5u);
}

TEST_P(DeviceControlContract, WithoutALinkNothingHappensAndOutValuesStay) {
    harness().seed(seededTerminal());
    DeviceControl& c = control();
    c.CloseLink();
    c.CloseLink();
    int32_t value = 99;
    EXPECT_FALSE(c.QueryDeviceCounter(Machine, CounterAllLogs, value));
    EXPECT_EQ(value, 99);
    EXPECT_FALSE(c.SetDeviceActive(Machine, 0));
    EXPECT_FALSE(c.FetchLogBatch(Machine));
    EXPECT_TRUE(takeAll(c).empty());
    EXPECT_FALSE(c.FetchUserIndex(Machine));
    EXPECT_TRUE(takeUsers(c).empty());
    EnrollmentData data = enrollmentOf(9);
    int32_t privilege = 42, password = 43;
    EXPECT_FALSE(c.DownloadEnrollment(Machine, 1001, Machine, 0, privilege, data, password));
    EXPECT_EQ(data, enrollmentOf(9));
    EXPECT_EQ(privilege, 42);
    EXPECT_FALSE(c.UploadEnrollment(Machine, 9, Machine, 0, 0, data, 0));
    int32_t y = 1, mo = 2, d = 3, h = 4, mi = 5, s = 6, w = 7;
    EXPECT_FALSE(c.ReadDeviceClock(Machine, y, mo, d, h, mi, s, w));
    EXPECT_EQ(y + mo + d + h + mi + s + w, 28);
    EXPECT_FALSE(c.SyncDeviceClock(Machine));
    EXPECT_FALSE(c.ChangeUserRole(Machine, 1001, Machine, 0, 0));
    EXPECT_FALSE(c.PurgeLogs(Machine));
    EXPECT_EQ(harness().held(), seededTerminal());
}

TEST_P(DeviceControlContract, ReadMarkTrueDeliversNewRecordsOnceAndMarksThem) {
    harness().seed(seededTerminal());
    ASSERT_EQ(connectDevice(control(), harness().connection(ConnectionEthernet)),
              ConnectResult::Connected);
    int32_t newCount = 0, allCount = 0;
    EXPECT_TRUE(control().QueryDeviceCounter(Machine, CounterNewLogs, newCount));
    EXPECT_TRUE(control().QueryDeviceCounter(Machine, CounterAllLogs, allCount));
    EXPECT_EQ(newCount, 3);
    EXPECT_EQ(allCount, 5);

    control().SetReadMark(true);
    EXPECT_TRUE(control().ReadMark());
    EXPECT_TRUE(control().FetchLogBatch(Machine));
    const std::vector<Taken> taken = takeAll(control());
    EXPECT_EQ(recordValues(taken), (std::vector<std::vector<int32_t>>{
                                       {1002, 0x0501, 2024, 13, 32, 24, 60, 61},
                                       {-7, 70000, 1950, 0, 0, -1, 0, 0},
                                       {1003, 0x0701, 2100, 2, 29, 0, 0, 0},
                                   }));
    control().confirmLogBatch(Machine);
    EXPECT_TRUE(control().QueryDeviceCounter(Machine, CounterNewLogs, newCount));
    EXPECT_EQ(newCount, 0);
    EXPECT_TRUE(control().FetchLogBatch(Machine));
    EXPECT_TRUE(takeAll(control()).empty());
    control().CloseLink();

    for (const LogRecord& r : harness().held().logs)
        EXPECT_FALSE(r.isNew) << r.personnelNumber;
}

TEST_P(DeviceControlContract, AMarkThatWaitsForConfirmationIsDroppedWithTheLink) {
    if (!control().marksLogsOnConfirm())
        GTEST_SKIP() << "this backend marks inside the fetch";
    harness().seed(seededTerminal());
    ASSERT_EQ(connectDevice(control(), harness().connection(ConnectionEthernet)),
              ConnectResult::Connected);
    control().SetReadMark(true);
    EXPECT_TRUE(control().FetchLogBatch(Machine));
    EXPECT_EQ(takeAll(control()).size(), 3u);
    control().CloseLink();
    EXPECT_EQ(harness().held(), seededTerminal()) << "nothing marked without confirmation";

    // Confirmed for another machine number, or after a new fetch without
    // ReadMark: still nothing.
    ASSERT_EQ(connectDevice(control(), harness().connection(ConnectionEthernet)),
              ConnectResult::Connected);
    EXPECT_TRUE(control().FetchLogBatch(Machine));
    control().confirmLogBatch(Machine + 1);
    control().SetReadMark(false);
    EXPECT_TRUE(control().FetchLogBatch(Machine));
    control().confirmLogBatch(Machine);
    control().CloseLink();
    EXPECT_EQ(harness().held(), seededTerminal());
}

TEST_P(DeviceControlContract, ReadMarkFalseDeliversEveryRecordAndMarksNothing) {
    harness().seed(seededTerminal());
    ASSERT_EQ(connectDevice(control(), harness().connection(ConnectionSerial)),
              ConnectResult::Connected);
    control().SetReadMark(false);
    EXPECT_TRUE(control().FetchLogBatch(Machine));
    const std::vector<Taken> taken = takeAll(control());
    ASSERT_EQ(taken.size(), 5u);
    EXPECT_EQ(recordValues(taken)[0], (std::vector<int32_t>{1001, 0x0401, 2024, 1, 15, 8, 30, 12}));
    EXPECT_EQ(recordValues(taken)[3],
              (std::vector<int32_t>{2147483647, -1, 2099, 12, 31, 23, 59, 59}));
    // The take after the end keeps saying no.
    int32_t v[10] = {};
    EXPECT_FALSE(control().TakeLogEntry(Machine, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7],
                                        v[8], v[9]));
    control().CloseLink();
    EXPECT_EQ(harness().held(), seededTerminal());
}

TEST_P(DeviceControlContract, TerminalWithoutRecordsEndsAtOnce) {
    TerminalState state = seededTerminal();
    state.logs.clear();
    harness().seed(state);
    ASSERT_EQ(connectDevice(control(), harness().connection(ConnectionUsb)),
              ConnectResult::Connected);
    int32_t count = -1;
    EXPECT_TRUE(control().QueryDeviceCounter(Machine, CounterNewLogs, count));
    EXPECT_EQ(count, 0);
    control().SetReadMark(true);
    EXPECT_TRUE(control().FetchLogBatch(Machine));
    EXPECT_TRUE(takeAll(control()).empty());
}

TEST_P(DeviceControlContract, UserListSurvivesRoleChangesBetweenEntries) {
    harness().seed(seededTerminal());
    ASSERT_EQ(connectDevice(control(), harness().connection(ConnectionEthernet)),
              ConnectResult::Connected);
    EXPECT_TRUE(control().SetDeviceActive(Machine, 0));
    EXPECT_TRUE(control().FetchUserIndex(Machine));
    std::vector<std::vector<int32_t>> entries;
    int32_t user = 0, second = 0, slot = 0, privilege = 0, enabled = 0;
    while (control().TakeUserIndexEntry(Machine, user, second, slot, privilege, enabled)) {
        entries.push_back({user, second, slot, privilege, enabled});
        control().ChangeUserRole(Machine, user, second, slot, 0);
        ASSERT_LT(entries.size(), 10u);
    }
    EXPECT_EQ(entries, (std::vector<std::vector<int32_t>>{
                           {1001, Machine, 0, 3, 1},
                           {1001, Machine, 5, 3, 1},
                           {1002, Machine, 1, 0, 0},
                       }));
    EXPECT_TRUE(control().SetDeviceActive(Machine, 1));
    control().CloseLink();
    for (const UserEntry& entry : harness().held().users)
        EXPECT_EQ(entry.privilege, 0) << entry.userNumber;
}

TEST_P(DeviceControlContract, EnrollmentsGoUpAndComeBackUnchanged) {
    harness().seed(seededTerminal());
    ASSERT_EQ(connectDevice(control(), harness().connection(ConnectionEthernet)),
              ConnectResult::Connected);
    EnrollmentData data{};
    int32_t privilege = -1, password = -1;
    EXPECT_TRUE(control().DownloadEnrollment(Machine, 1001, Machine, 5, privilege, data, password));
    EXPECT_EQ(data, enrollmentOf(2));
    EXPECT_EQ(privilege, 3);
    EXPECT_EQ(password, 0);

    // An unknown user or slot leaves the caller's array as it was.
    EXPECT_FALSE(
        control().DownloadEnrollment(Machine, 1001, Machine, 7, privilege, data, password));
    EXPECT_EQ(data, enrollmentOf(2));

    // Upload creates an enrollment, then replaces it.
    EXPECT_TRUE(control().UploadEnrollment(Machine, 2001, Machine, 9, 1, enrollmentOf(3), 55));
    EXPECT_TRUE(control().DownloadEnrollment(Machine, 2001, Machine, 9, privilege, data, password));
    EXPECT_EQ(data, enrollmentOf(3));
    EXPECT_EQ(privilege, 1);
    EXPECT_EQ(password, 55);
    EXPECT_TRUE(control().UploadEnrollment(Machine, 1001, Machine, 0, 0, enrollmentOf(4), 12));
    control().CloseLink();

    const TerminalState held = harness().held();
    ASSERT_EQ(held.users.size(), 4u);
    EXPECT_EQ(held.users[0], (UserEntry{1001, 0, 0, 1, 12}));
    EXPECT_EQ(held.users[3], (UserEntry{2001, 9, 1, 1, 55}));
    ASSERT_EQ(held.enrollments.size(), 3u);
    EXPECT_EQ(held.enrollments[0].data, enrollmentOf(4));
    EXPECT_EQ(held.enrollments[2].data, enrollmentOf(3));
}

TEST_P(DeviceControlContract, ClockReadsWithItsOffsetAndSyncsToTheComputer) {
    TerminalState state = seededTerminal();
    constexpr int64_t offset =
        std::chrono::seconds{-std::chrono::days{2} - std::chrono::hours{1}}.count();
    state.clockOffsetSeconds = static_cast<int32_t>(offset);
    harness().seed(state);
    ASSERT_EQ(connectDevice(control(), harness().connection(ConnectionSerial)),
              ConnectResult::Connected);
    int32_t y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, w = 0;
    const int64_t before = localNow();
    ASSERT_TRUE(control().ReadDeviceClock(Machine, y, mo, d, h, mi, s, w));
    const int64_t after = localNow();
    const int64_t read = clockSeconds(y, mo, d, h, mi, s);
    EXPECT_GE(read, before + offset - 1);
    EXPECT_LE(read, after + offset + 1);
    // Weekday 1 Monday ... 7 Sunday.
    const std::chrono::local_days date{std::chrono::year{y} / mo / d};
    EXPECT_EQ(w, static_cast<int32_t>(std::chrono::weekday{date}.iso_encoding()));

    EXPECT_TRUE(control().SyncDeviceClock(Machine));
    ASSERT_TRUE(control().ReadDeviceClock(Machine, y, mo, d, h, mi, s, w));
    EXPECT_LE(std::abs(clockSeconds(y, mo, d, h, mi, s) - localNow()), 2);
    control().CloseLink();
    EXPECT_EQ(harness().held().clockOffsetSeconds, 0);
}

TEST_P(DeviceControlContract, PurgeAndActiveFlagChangeTheTerminal) {
    harness().seed(seededTerminal());
    ASSERT_EQ(connectDevice(control(), harness().connection(ConnectionEthernet)),
              ConnectResult::Connected);
    EXPECT_TRUE(control().SetDeviceActive(Machine, 0));
    control().CloseLink();
    EXPECT_FALSE(harness().held().active);

    ASSERT_EQ(connectDevice(control(), harness().connection(ConnectionEthernet)),
              ConnectResult::Connected);
    EXPECT_TRUE(control().PurgeLogs(Machine));
    EXPECT_TRUE(control().SetDeviceActive(Machine, 1));
    int32_t count = -1;
    EXPECT_TRUE(control().QueryDeviceCounter(Machine, CounterAllLogs, count));
    EXPECT_EQ(count, 0);
    control().CloseLink();
    const TerminalState held = harness().held();
    EXPECT_TRUE(held.active);
    EXPECT_TRUE(held.logs.empty());
    EXPECT_EQ(held.users.size(), 3u);
}

// A refusal, the only way the terminal maker's component reports one, is an
// answer of false: nothing changes, the out values stay, the link stays open
// for the caller to return the terminal to use and close it.
TEST_P(DeviceControlContract, ARefusedChangeAnswersFalseAndChangesNothing) {
    const TerminalState seeded = seededTerminal();
    EnrollmentData data = enrollmentOf(9);
    int32_t privilege = -1, password = -1, y = -1, v = -1;
    const std::pair<const char*, std::function<bool()>> operations[] = {
        {"SetDeviceActive", [&] { return control().SetDeviceActive(Machine, 0); }},
        {"PurgeLogs", [&] { return control().PurgeLogs(Machine); }},
        {"SyncDeviceClock", [&] { return control().SyncDeviceClock(Machine); }},
        {"ChangeUserRole", [&] { return control().ChangeUserRole(Machine, 1001, Machine, 0, 0); }},
        {"UploadEnrollment",
         [&] { return control().UploadEnrollment(Machine, 1001, Machine, 0, 1, data, 12); }},
        {"DownloadEnrollment",
         [&] {
             return control().DownloadEnrollment(Machine, 1001, Machine, 5, privilege, data,
                                                 password);
         }},
        {"ReadDeviceClock",
         [&] { return control().ReadDeviceClock(Machine, y, v, v, v, v, v, v); }},
        {"FetchLogBatch", [&] { return control().FetchLogBatch(Machine); }},
    };
    for (const auto& [name, operation] : operations) {
        SCOPED_TRACE(name);
        harness().seed(seeded);
        ASSERT_EQ(connectDevice(control(), harness().connection(ConnectionEthernet)),
                  ConnectResult::Connected);
        harness().refuseNext(name);
        EXPECT_FALSE(operation());
        EXPECT_EQ(data, enrollmentOf(9));
        EXPECT_EQ(privilege, -1);
        EXPECT_EQ(password, -1);
        EXPECT_EQ(y, -1);
        // Nothing was loaded, and the link is still there.
        EXPECT_TRUE(takeAll(control()).empty());
        int32_t count = -1;
        EXPECT_TRUE(control().QueryDeviceCounter(Machine, CounterAllLogs, count));
        EXPECT_EQ(count, 5);
        control().CloseLink();
        const TerminalState held = harness().held();
        EXPECT_TRUE(held.active);
        EXPECT_EQ(held.logs.size(), seeded.logs.size());
        EXPECT_EQ(held.users, seeded.users);
        EXPECT_EQ(held.enrollments.size(), seeded.enrollments.size());
        EXPECT_EQ(held.enrollments[0].data, enrollmentOf(1));
        EXPECT_EQ(held.clockOffsetSeconds, seeded.clockOffsetSeconds);
    }
}

TEST_P(DeviceControlContract, OtherMachineNumberOnALinkIsNotAnswered) {
    harness().seed(seededTerminal());
    ASSERT_EQ(connectDevice(control(), harness().connection(ConnectionEthernet)),
              ConnectResult::Connected);
    int32_t count = 77;
    EXPECT_FALSE(control().QueryDeviceCounter(Machine + 1, CounterAllLogs, count));
    EXPECT_EQ(count, 77);
    EXPECT_FALSE(control().PurgeLogs(Machine + 1));
    EXPECT_FALSE(control().ChangeUserRole(Machine + 1, 1001, Machine, 0, 0));
    // The link is still good for the terminal's own number.
    EXPECT_TRUE(control().QueryDeviceCounter(Machine, CounterAllLogs, count));
    EXPECT_EQ(count, 5);
    control().CloseLink();
    EXPECT_EQ(harness().held(), seededTerminal());
}

// The rule of the emulated terminals, which the stand-in component serves too.
TEST_P(DeviceControlContract, SecondOpenReplacesTheLinkAndDropsWhatWasLoaded) {
    harness().seed(seededTerminal());
    ASSERT_EQ(connectDevice(control(), harness().connection(ConnectionEthernet)),
              ConnectResult::Connected);
    control().SetReadMark(false);
    EXPECT_TRUE(control().FetchLogBatch(Machine));
    EXPECT_TRUE(control().FetchUserIndex(Machine));
    ASSERT_EQ(connectDevice(control(), harness().connection(ConnectionSerial)),
              ConnectResult::Connected);
    EXPECT_TRUE(takeAll(control()).empty());
    EXPECT_TRUE(takeUsers(control()).empty());
    int32_t count = 0;
    EXPECT_TRUE(control().QueryDeviceCounter(Machine, CounterNewLogs, count));
    EXPECT_EQ(count, 3);

    // A refused second open leaves nothing open.
    ConnectionValues wrong = harness().connection(ConnectionEthernet);
    wrong.password = "1";
    EXPECT_EQ(connectDevice(control(), wrong), ConnectResult::Failed);
    EXPECT_FALSE(control().QueryDeviceCounter(Machine, CounterNewLogs, count));
}

} // namespace nakilon::contract
