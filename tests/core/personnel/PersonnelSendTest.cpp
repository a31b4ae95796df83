#include "core/personnel/PersonnelSend.h"

#include "PersonnelTestSupport.h"
#include "core/base/Error.h"
#include "core/personnel/EnrollmentFile.h"
#include "core/personnel/PersonnelFetch.h"
#include "core/personnel/PersonnelList.h"
#include "core/tables/FieldNames.h"
#include "core/tables/TDataModul.h"
#include "support/FakeDeviceControl.h"
#include "support/InProcessTerminals.h"
#include "support/RecordingOperator.h"
#include "support/TempFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace nakilon {
namespace {

using namespace testsupport;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr int32_t Port = 4370;
constexpr int32_t Machine = 3;

class PersonnelSendTest : public ::testing::Test {
protected:
    PersonnelSendTest() {
        m_folder.write("Data\\Personel.PDT", "");
        m_data.PersonelTable.open();
        TerminalState target;
        target.machineNumber = Machine;
        m_terminals.add(target, {false, "127.0.0.1", Port});
    }
    RecordTable& personel() { return m_data.PersonelTable; }
    const TerminalState& held() { return m_terminals.state(0); }
    void writeFiles(std::initializer_list<std::pair<int32_t, int32_t>> enrollments) {
        for (const auto& [user, slot] : enrollments)
            writeEnrollmentFile(m_folder.path(), user, slot, enrollmentOf(user, slot));
    }
    SendOutcome send(DeviceControl& control, ConnectionValues values) {
        return sendToDevice(values, personel(), m_folder.path(), control, m_op);
    }
    SendOutcome send() { return send(m_terminals.control(), ethernet(Port, Machine)); }

    TempFolder m_folder;
    TDataModul m_data;
    InProcessTerminals m_terminals;
    RecordingOperator m_op;
};

TEST_F(PersonnelSendTest, TickedUsersInListOrderEachFileOfSlotsZeroToNine) {
    // PersonelNo KartNo Yetki Sifre IzinDurum Secim
    appendRows(personel(),
               {"25 - 2 77 - 1", "30 - - - - 0", "31 - - - - -", "12 - 1 5 - 1", "40 - - - - 1"});
    writeFiles({{25, 3}, {25, 0}, {25, 10}, {30, 0}, {31, 1}, {12, 9}});
    personel().moveTo(0);
    EXPECT_EQ(send().uploads, 3);
    EXPECT_THAT(m_op.shown, IsEmpty());
    EXPECT_THAT(m_terminals.journal(0),
                ElementsAre("OpenNetworkLink 3 127.0.0.1 4370 0", "SetDeviceActive 3 0",
                            "UploadEnrollment 3 25 3 0 2 77 crc32=54f0382f",
                            "UploadEnrollment 3 25 3 3 2 77 crc32=ec3ae373",
                            "UploadEnrollment 3 12 3 9 1 5 crc32=53a4c25d", "SetDeviceActive 3 1",
                            "CloseLink"));
    EXPECT_EQ(held().users,
              (std::vector<UserEntry>{userEntry(25, 0, 2, 77), userEntry(25, 3, 2, 77),
                                      userEntry(12, 9, 1, 5)}));
    EXPECT_EQ(held().enrollments,
              (std::vector<Enrollment>{enrollment(25, 0), enrollment(25, 3), enrollment(12, 9)}));
    EXPECT_EQ(personel().currentRow(), 4);
    EXPECT_FALSE(personel().viewsSuspended());
}

TEST_F(PersonnelSendTest, AnEditNotYetSavedIsSentAndAShortFileEndsInZeros) {
    appendRows(personel(), {"25 - 0 0 - 1"});
    std::string lines;
    for (int k = 0; k < 300; ++k)
        lines += "-9\n";
    m_folder.write("Data\\Parmak-25-0.Piz", lines);
    editCell(personel(), 0, field::Yetki, "3");
    editCell(personel(), 0, field::Sifre, "9911");
    send();
    EnrollmentData expected{};
    std::fill(expected.begin(), expected.begin() + 300, -9);
    ASSERT_EQ(held().enrollments.size(), 1u);
    EXPECT_EQ(held().enrollments[0].data, expected);
    EXPECT_EQ(held().users, std::vector<UserEntry>{userEntry(25, 0, 3, 9911)});
}

TEST_F(PersonnelSendTest, BrokenLinkReleasesTheTerminalBeforeTheError) {
    appendRows(personel(), {"25 - - - - 1", "26 - - - - 1", "27 - - - - 1"});
    writeFiles({{25, 0}, {26, 0}, {27, 0}});
    FakeDeviceControl control;
    control.terminals[Machine];
    control.failAt(2, "Cihazla bağlantı koptu", "UploadEnrollment");
    EXPECT_THROW(send(control, ethernet(Port, Machine)), Error);
    EXPECT_THAT(control.calls,
                ElementsAre("OpenNetworkLink(3,127.0.0.1,4370,0)", "SetDeviceActive(3,0)",
                            "UploadEnrollment(3,25,3,0,0,[-1,250001,...],0)",
                            "UploadEnrollment(3,26,3,0,0,[-1,260001,...],0)",
                            "SetDeviceActive(3,1)", "CloseLink()"));
    EXPECT_FALSE(personel().viewsSuspended());
}

// An enrollment the terminal refuses is not in it: the send goes on with the
// others and names the refused ones, and the terminal is back in use.
TEST_F(PersonnelSendTest, RefusedEnrollmentsAreNamedAndTheOthersSent) {
    appendRows(personel(), {"25 - - - - 1", "26 - - - - 1"});
    writeFiles({{25, 0}, {25, 4}, {26, 1}});
    m_terminals.terminal(0).addFault({"UploadEnrollment", 2, FaultKind::Refuse});
    const SendOutcome outcome = send();
    EXPECT_EQ(outcome.uploads, 3);
    EXPECT_THAT(m_op.shown,
                ElementsAre("Cihaz, 3 parmak izi kaydından 1 tanesini kabul etmedi; "
                            "bunlar cihaza yazılmadı:\nPersonel No 25, parmak kaydı 4"));
    EXPECT_EQ(held().enrollments, (std::vector<Enrollment>{enrollment(25, 0), enrollment(26, 1)}));
    EXPECT_TRUE(held().active);
    EXPECT_EQ(m_terminals.journal(0).back(), "CloseLink");
}

TEST_F(PersonnelSendTest, UsersCopiedFromOneTerminalToAnotherArriveWhole) {
    TerminalState& source = m_terminals.terminal(0).state();
    source.users = {userEntry(25, 0, 1, 4321), userEntry(25, 1, 1, 4321), userEntry(25, 5, 1, 4321),
                    userEntry(40, 0, 3), userEntry(41, 9, 2, -5)};
    source.enrollments = {enrollment(25, 0), enrollment(25, 1), enrollment(25, 5),
                          enrollment(40, 0), enrollment(41, 9)};
    TerminalState empty;
    empty.machineNumber = 7;
    const TerminalState& target = m_terminals.add(empty, {false, "127.0.0.1", Port + 1}).state();

    DeviceControl& control = m_terminals.control();
    fetchFromDevice(ethernet(Port, Machine), control, m_op, [&](int32_t machine) {
        readUserList(m_data.PersonelTampon, control, machine);
        copySelectedPersonnel(m_data.PersonelTampon, personel(), m_folder.path(), control, machine,
                              m_op);
    });
    send(control, ethernet(Port + 1, 7));
    EXPECT_THAT(m_op.shown, IsEmpty());
    EXPECT_EQ(target.users, source.users);
    EXPECT_EQ(target.enrollments, source.enrollments);
    EXPECT_TRUE(source.active && target.active);
}

} // namespace
} // namespace nakilon
