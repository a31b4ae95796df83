// The maintenance commands against emulated terminals: what each terminal
// received, in order, and what it holds afterwards.
#include "core/maintenance/DeviceMaintenance.h"

#include "core/device/DeviceRow.h"
#include "core/tables/TDataModul.h"
#include "support/InProcessTerminals.h"
#include "support/RecordingOperator.h"
#include "support/RowName.h"
#include "support/ThrownText.h"

#include <gtest/gtest.h>

namespace nakilon {
namespace {

using testsupport::InProcessTerminals;
using testsupport::RecordingOperator;
using testsupport::thrownText;
using Lines = std::vector<std::string>;

const std::string PrivilegeQuestion =
    "? Cihaza giriş yetkisi olan tüm personelin yetkileri kaldırılacaktır. Yetkileri kaldırmak "
    "istediğinizden emin misiniz?";
const std::string PurgeQuestion =
    "? Silme işlemini yapmadan önce cihazdaki tüm kayıtların bilgisayara aktarıldığından emin "
    "olun. \rBu işlem sonucunda cihazdaki hareket kayıtları geri dönülemez şekilde "
    "silinecektir. Cihazdaki tüm hareket kayıtlarını silmek istediğinize emin misiniz?";

// Machine 1 on Ethernet with password 1234: users in several slots, with a
// second machine number of their own, disabled, of every privilege.
TerminalState office() {
    TerminalState state;
    state.machineNumber = 1;
    state.password = 1234;
    state.users = {{1001, 0, 3, 1, 0},
                   {1001, 5, 3, 1, 0},
                   {1002, 1, 1, 0, 0},
                   {1003, 2, 2, 1, 0, 9},
                   {1004, 11, 0, 1, 4321}};
    state.logs = {{1001, 0x0401, 2024, 3, 4, 8, 0, 0, true},
                  {1002, 0x0501, 2024, 3, 4, 17, 0, 0, false}};
    return state;
}

// Machine 2 on serial port 3 (and USB), with one user.
TerminalState depot() {
    TerminalState state;
    state.machineNumber = 2;
    state.users = {{2001, 0, 3, 1, 0}};
    state.logs = {{2001, 0x0401, 2024, 3, 4, 8, 0, 0, true}};
    return state;
}

class DeviceMaintenanceTest : public ::testing::Test {
protected:
    DeviceMaintenanceTest() {
        m_terminals.add(office(), {false, "127.0.0.1", 4370});
        m_terminals.add(depot(), {true, {}, 3});
        m_data.CihazTable.open();
    }

    // A device row; the new row becomes the current one.
    void addDevice(int32_t type, int32_t machine, int32_t port, const char* password = "1234",
                   int32_t mark = 0) {
        RecordTable& t = m_data.CihazTable;
        t.append();
        t.setInteger("CihazNo", t.rowCount());
        t.setInteger("MakineNo", machine);
        t.setInteger("BaglantiTipi", type);
        t.setText("IPAdres", "127.0.0.1");
        t.setText("Parola", password);
        t.setInteger("Port", port);
        t.setInteger("Isaret", mark);
        t.post();
    }
    void addOffice() { addDevice(1, 1, 4370); }

    DeviceControl& control() { return m_terminals.control(); }
    ConnectionValues devices() const { return currentConnectionValues(m_data.CihazTable); }
    const Lines& officeJournal() const { return m_terminals.journal(0); }
    const Lines& depotJournal() const { return m_terminals.journal(1); }

    InProcessTerminals m_terminals;
    TDataModul m_data;
    RecordingOperator m_op;
};

TEST_F(DeviceMaintenanceTest, ConnectionTestOpensAndClosesEveryConnectionType) {
    struct Case {
        int32_t type, machine, port;
        size_t terminal;
        std::string open;
    };
    const Case cases[] = {
        {1, 1, 4370, 0, "OpenNetworkLink 1 127.0.0.1 4370 1234"},
        {2, 2, 3, 1, "OpenSerialLink 2 3 115200"},
        // USB is serial port 0 whatever Port holds.
        {3, 2, 5005, 1, "OpenSerialLink 2 0 115200"},
    };
    m_terminals.add(depot(), {true, {}, 0});
    for (const Case& c : cases) {
        addDevice(c.type, c.machine, c.port);
        testConnection(devices(), control(), m_op);
    }
    EXPECT_EQ(m_op.shown, (Lines{"Bağlantı Kuruldu", "Bağlantı Kuruldu", "Bağlantı Kuruldu"}));
    // No disable or enable: the terminal is only opened and closed.
    EXPECT_EQ(officeJournal(), (Lines{cases[0].open, "CloseLink"}));
    EXPECT_EQ(depotJournal(), (Lines{cases[1].open, "CloseLink"}));
    EXPECT_EQ(m_terminals.journal(2), (Lines{cases[2].open, "CloseLink"}));
}

TEST_F(DeviceMaintenanceTest, ConnectionTestReportsEveryKindOfFailedConnection) {
    // An empty device list reads as connection type 0.
    testConnection(devices(), control(), m_op);
    addDevice(1, 1, 4370, "1235"); // wrong password
    testConnection(devices(), control(), m_op);
    addDevice(4, 1, 4370); // no such connection type
    testConnection(devices(), control(), m_op);
    addDevice(2, 2, 4); // nothing on that port
    testConnection(devices(), control(), m_op);
    EXPECT_EQ(m_op.shown, Lines(4, "Bağlantı Kurulamadı ! ! !"));
    EXPECT_EQ(officeJournal(), (Lines{"OpenNetworkLink 1 127.0.0.1 4370 1235"}));
    EXPECT_TRUE(depotJournal().empty());
}

TEST_F(DeviceMaintenanceTest, PrivilegeRemovalGivesEveryEntryPrivilegeZeroWithItsSecondMachine) {
    addOffice();
    m_op.answerNext(true);
    removeAllPrivileges(devices(), control(), m_op);
    EXPECT_EQ(m_op.shown, (Lines{PrivilegeQuestion}));
    EXPECT_EQ(officeJournal(), (Lines{
                                   "OpenNetworkLink 1 127.0.0.1 4370 1234",
                                   "SetDeviceActive 1 0",
                                   "FetchUserIndex 1",
                                   "TakeUserIndexEntry 1",
                                   "ChangeUserRole 1 1001 1 0 0",
                                   "TakeUserIndexEntry 1",
                                   "ChangeUserRole 1 1001 1 5 0",
                                   "TakeUserIndexEntry 1",
                                   "ChangeUserRole 1 1002 1 1 0",
                                   "TakeUserIndexEntry 1",
                                   "ChangeUserRole 1 1003 9 2 0",
                                   "TakeUserIndexEntry 1",
                                   "ChangeUserRole 1 1004 1 11 0",
                                   "TakeUserIndexEntry 1",
                                   "SetDeviceActive 1 1",
                                   "CloseLink",
                               }));
    TerminalState expected = office();
    for (UserEntry& user : expected.users)
        user.privilege = 0;
    EXPECT_EQ(m_terminals.state(0), expected);
}

TEST_F(DeviceMaintenanceTest, PrivilegeRemovalOnATerminalWithoutUsersStillEnablesAndCloses) {
    m_terminals.terminal(1).state().users.clear();
    addDevice(2, 2, 3);
    m_op.answerNext(true);
    removeAllPrivileges(devices(), control(), m_op);
    EXPECT_EQ(m_op.shown, (Lines{PrivilegeQuestion}));
    EXPECT_EQ(depotJournal(),
              (Lines{"OpenSerialLink 2 3 115200", "SetDeviceActive 2 0", "FetchUserIndex 2",
                     "TakeUserIndexEntry 2", "SetDeviceActive 2 1", "CloseLink"}));
}

TEST_F(DeviceMaintenanceTest, RecordDeletionPurgesBetweenDisableAndEnableThenSaysSo) {
    addOffice();
    m_op.answerNext(true);
    purgeDeviceRecords(devices(), control(), m_op);
    EXPECT_EQ(m_op.shown, (Lines{PurgeQuestion, "Silme işlemi tamamlandı."}));
    EXPECT_EQ(officeJournal(),
              (Lines{"OpenNetworkLink 1 127.0.0.1 4370 1234", "SetDeviceActive 1 0", "PurgeLogs 1",
                     "SetDeviceActive 1 1", "CloseLink"}));
    EXPECT_TRUE(m_terminals.state(0).logs.empty());
    EXPECT_TRUE(m_terminals.state(0).active);
    EXPECT_EQ(m_terminals.state(0).users, office().users);
}

// Each destructive command, with the question it asks.
struct Deletion {
    std::string name;
    void (*command)(const ConnectionValues&, DeviceControl&, Operator&);
    std::string question;
    friend void PrintTo(const Deletion& row, std::ostream* out) { *out << row.name; }
};
const Deletion kPrivileges{"Privileges", removeAllPrivileges, PrivilegeQuestion};
const Deletion kRecords{"Records", purgeDeviceRecords, PurgeQuestion};

class Deletions : public DeviceMaintenanceTest, public ::testing::WithParamInterface<Deletion> {};

TEST_P(Deletions, AnsweredNoDoNothing) {
    addOffice();
    m_op.answerNext(false);
    GetParam().command(devices(), control(), m_op);
    EXPECT_EQ(m_op.shown, (Lines{GetParam().question}));
    EXPECT_TRUE(officeJournal().empty());
    EXPECT_EQ(m_terminals.state(0), office());
}

TEST_P(Deletions, EndSilentlyOnAnEmptyListOrAnotherTypeAndReportFailures) {
    const Deletion& deletion = GetParam();
    m_op.answerNext(true);
    deletion.command(devices(), control(), m_op); // empty list
    addDevice(0, 1, 4370);
    m_op.answerNext(true);
    deletion.command(devices(), control(), m_op); // connection type 0
    EXPECT_EQ(m_op.shown, (Lines{deletion.question, deletion.question}));

    addDevice(1, 1, 4370, "1"); // refused
    m_op.shown.clear();
    m_op.answerNext(true);
    deletion.command(devices(), control(), m_op);
    EXPECT_EQ(m_op.shown, (Lines{deletion.question, "Bağlantı Kurulamadı ! ! !"}));
    EXPECT_EQ(officeJournal(), Lines{"OpenNetworkLink 1 127.0.0.1 4370 1"});
    EXPECT_EQ(m_terminals.state(0), office());
}

INSTANTIATE_TEST_SUITE_P(DeviceMaintenance, Deletions, ::testing::Values(kPrivileges, kRecords),
                         testsupport::RowName());

TEST_F(DeviceMaintenanceTest, TheCurrentRowIsUsedAndAMarkedRowIsNotTouched) {
    addDevice(1, 1, 4370, "1234", 1); // marked
    addDevice(2, 2, 3, "", 0);        // current, not marked
    testConnection(devices(), control(), m_op);
    m_op.answerNext(true);
    removeAllPrivileges(devices(), control(), m_op);
    m_op.answerNext(true);
    purgeDeviceRecords(devices(), control(), m_op);
    EXPECT_TRUE(officeJournal().empty());
    EXPECT_EQ(m_terminals.state(0), office());
    EXPECT_EQ(depotJournal().front(), "OpenSerialLink 2 3 115200");
    EXPECT_EQ(m_terminals.state(1).users[0].privilege, 0);
    EXPECT_TRUE(m_terminals.state(1).logs.empty());
}

// A terminal that fails a call after it was taken out of use is returned to
// use and its link closed before the error reaches the operator.
struct FailedCall {
    std::string name;
    const char* operation;
    int64_t call;
    const Deletion& command;
    const char* failed; // the journal's line of the failed call
    friend void PrintTo(const FailedCall& row, std::ostream* out) { *out << row.name; }
};

class FailedMaintenance : public DeviceMaintenanceTest,
                          public ::testing::WithParamInterface<FailedCall> {};

TEST_P(FailedMaintenance, StillEnablesAndClosesAfterTheDisable) {
    const FailedCall& c = GetParam();
    addOffice();
    m_terminals.terminal(0).addFault({c.operation, c.call, FaultKind::Fail});
    m_op.answerNext(true);
    EXPECT_EQ(thrownText([&] { c.command.command(devices(), control(), m_op); }),
              std::string("Cihaz hata bildirdi: ") + c.operation + " işlemi tamamlanamadı");
    const Lines& journal = officeJournal();
    ASSERT_GE(journal.size(), 3u);
    EXPECT_EQ(Lines(journal.end() - 3, journal.end()),
              (Lines{c.failed, "SetDeviceActive 1 1", "CloseLink"}));
    EXPECT_TRUE(m_terminals.state(0).active);
    // Nothing is shown by the command itself: the error box shows the error.
    EXPECT_EQ(m_op.shown.back(), c.command.question);
}

INSTANTIATE_TEST_SUITE_P(
    DeviceMaintenance, FailedMaintenance,
    ::testing::Values(
        FailedCall{"FetchUserIndex", "FetchUserIndex", 1, kPrivileges, "FetchUserIndex 1"},
        FailedCall{"ChangeUserRole", "ChangeUserRole", 2, kPrivileges,
                   "ChangeUserRole 1 1001 1 5 0"},
        FailedCall{"PurgeLogs", "PurgeLogs", 1, kRecords, "PurgeLogs 1"},
        // The enable itself fails: tried once more, then closed.
        FailedCall{"Enable", "SetDeviceActive", 2, kRecords, "SetDeviceActive 1 1"},
        // So does the disable: the terminal may have taken it.
        FailedCall{"Disable", "SetDeviceActive", 1, kPrivileges, "SetDeviceActive 1 0"}),
    testsupport::RowName());

TEST_F(DeviceMaintenanceTest, ALinkThatDropsAfterTheDisableCannotEnableAndSaysWhy) {
    m_terminals.terminal(0).addFault({"PurgeLogs", 1, FaultKind::Drop});
    addOffice();
    m_op.answerNext(true);
    // The terminal stays out of use for its users, and the operator is told.
    EXPECT_EQ(thrownText([&] { purgeDeviceRecords(devices(), control(), m_op); }),
              "Cihazla bağlantı koptu: PurgeLogs işlemi tamamlanamadı\n"
              "Cihaz kullanıma açılamadı (Makine No 1)");
    EXPECT_EQ(officeJournal(), (Lines{"OpenNetworkLink 1 127.0.0.1 4370 1234",
                                      "SetDeviceActive 1 0", "PurgeLogs 1"}));
    EXPECT_FALSE(m_terminals.state(0).active);
    EXPECT_EQ(m_terminals.state(0).logs.size(), 2u);
    // The next command finds the terminal again and returns it to use.
    m_op.answerNext(true);
    purgeDeviceRecords(devices(), control(), m_op);
    EXPECT_TRUE(m_terminals.state(0).active);
    EXPECT_TRUE(m_terminals.state(0).logs.empty());
}

TEST_F(DeviceMaintenanceTest, ClockCommandLeavesItsLinkOpenAndASecondOneOpensAgain) {
    EXPECT_EQ(connectForClock(devices(), control(), m_op), std::nullopt); // empty list
    addDevice(2, 2, 3, "");
    EXPECT_EQ(connectForClock(devices(), control(), m_op), 2);
    EXPECT_EQ(connectForClock(devices(), control(), m_op), 2);
    addDevice(2, 7, 3, ""); // another machine number is refused
    EXPECT_EQ(connectForClock(devices(), control(), m_op), std::nullopt);
    EXPECT_EQ(m_op.shown, (Lines{"Bağlantı Kurulamadı ! ! !"}));
    // No CloseLink that nobody called, and the terminal stays in use.
    EXPECT_EQ(depotJournal(), (Lines{"OpenSerialLink 2 3 115200", "OpenSerialLink 2 3 115200",
                                     "OpenSerialLink 7 3 115200"}));
    EXPECT_TRUE(m_terminals.state(1).active);
}

// A terminal that refuses (answers false) is never reported as done: the
// operator sees what was refused, the terminal is back in use and the link
// closed, and what it refused is as it was.
struct Refusal {
    const char* name;
    bool purge; // or the privileges
    const char* operation;
    int call;
    const char* error;
    Lines journalEnd;
    size_t logsLeft;
    std::vector<int32_t> privileges; // of office()'s entries, in order
    friend void PrintTo(const Refusal& row, std::ostream* out) { *out << row.name; }
};

class RefusedMaintenance : public DeviceMaintenanceTest,
                           public ::testing::WithParamInterface<Refusal> {};

TEST_P(RefusedMaintenance, IsReportedAndChangesNothingRefused) {
    const Refusal& c = GetParam();
    m_terminals.terminal(0).addFault({c.operation, c.call, FaultKind::Refuse});
    addOffice();
    m_op.answerNext(true);
    EXPECT_EQ(thrownText([&] {
                  if (c.purge)
                      purgeDeviceRecords(devices(), control(), m_op);
                  else
                      removeAllPrivileges(devices(), control(), m_op);
              }),
              c.error);
    const Lines& journal = officeJournal();
    ASSERT_GE(journal.size(), c.journalEnd.size());
    EXPECT_EQ(Lines(journal.end() - static_cast<long>(c.journalEnd.size()), journal.end()),
              c.journalEnd);
    EXPECT_TRUE(m_terminals.state(0).active);
    EXPECT_EQ(m_terminals.state(0).logs.size(), c.logsLeft);
    std::vector<int32_t> privileges;
    for (const UserEntry& user : m_terminals.state(0).users)
        privileges.push_back(user.privilege);
    EXPECT_EQ(privileges, c.privileges);
    // No "Silme işlemi tamamlandı.": the question was the last thing shown.
    EXPECT_EQ(m_op.shown.back(), c.purge ? PurgeQuestion : PrivilegeQuestion);
}

INSTANTIATE_TEST_SUITE_P(
    DeviceMaintenance, RefusedMaintenance,
    ::testing::Values(
        Refusal{"Purge",
                true,
                "PurgeLogs",
                1,
                "Cihaz, kayıtları silme isteğini reddetti (Makine No 1)",
                {"PurgeLogs 1 refused", "SetDeviceActive 1 1", "CloseLink"},
                2,
                {3, 3, 1, 2, 0}},
        // The other entries lose their privilege; the refused one is named.
        Refusal{"OnePrivilege",
                false,
                "ChangeUserRole",
                2,
                "Cihaz, yetki kaldırma isteğini reddetti (Makine No 1): 5 kaydın 1 tanesinde "
                "yetki kaldırılamadı\nPersonel No 1001, parmak kaydı 5",
                {"ChangeUserRole 1 1001 1 5 0 refused", "TakeUserIndexEntry 1",
                 "ChangeUserRole 1 1002 1 1 0", "TakeUserIndexEntry 1",
                 "ChangeUserRole 1 1003 9 2 0", "TakeUserIndexEntry 1",
                 "ChangeUserRole 1 1004 1 11 0", "TakeUserIndexEntry 1", "SetDeviceActive 1 1",
                 "CloseLink"},
                2,
                {0, 3, 0, 0, 0}}),
    testsupport::RowName());

} // namespace
} // namespace nakilon
