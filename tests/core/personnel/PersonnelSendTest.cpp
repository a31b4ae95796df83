#include "core/personnel/PersonnelSend.h"

#include "InProcessTerminals.h"
#include "PersonnelTestSupport.h"
#include "core/base/Error.h"
#include "core/personnel/EnrollmentFile.h"
#include "core/personnel/PersonnelFetch.h"
#include "core/personnel/PersonnelList.h"
#include "core/tables/FieldNames.h"
#include "core/tables/TDataModul.h"
#include "support/FakeDeviceControl.h"
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

std::string repeated(std::string_view line, int times) {
    std::string text;
    for (int i = 0; i < times; ++i)
        text += line;
    return text;
}

class PersonnelSendTest : public ::testing::Test {
protected:
    PersonnelSendTest() {
        m_folder.write("Data\\Personel.PDT", "");
        m_data.PersonelTable.open();
        m_terminals.add(Port, Machine);
    }

    RecordTable& personel() { return m_data.PersonelTable; }
    VirtualTerminal& terminal() { return m_terminals.at(Port); }
    std::vector<std::string>& journal() { return m_terminals.journal(Port); }

    // A personnel row; a negative Secim leaves it empty.
    void addPersonnel(int32_t number, int32_t yetki, int32_t sifre, int32_t secim) {
        personel().append();
        personel().setInteger(field::PersonelNo, number);
        personel().setInteger(field::Yetki, yetki);
        personel().setInteger(field::Sifre, sifre);
        if (secim >= 0)
            personel().setInteger(field::Secim, secim);
        personel().post();
    }
    SendOutcome send(DeviceControl& control) {
        return sendToDevice(m_terminals.connection(Port), personel(), m_folder.path(), control,
                            m_op);
    }
    SendOutcome send() { return send(*m_control); }

    TempFolder m_folder;
    TDataModul m_data;
    InProcessTerminals m_terminals;
    std::unique_ptr<DeviceControl> m_control = m_terminals.makeControl();
    MessageLog m_op;
};

TEST_F(PersonnelSendTest, TickedUsersInListOrderEachExistingFileOfSlotsZeroToNine) {
    addPersonnel(25, 2, 77, 1);
    addPersonnel(30, 0, 0, 0);
    addPersonnel(31, 0, 0, -1);
    addPersonnel(12, 1, 5, 1);
    addPersonnel(40, 0, 0, 1); // no file at all
    for (const auto& [user, slot] : std::vector<std::pair<int32_t, int32_t>>{
             {25, 3}, {25, 0}, {25, 10}, {30, 0}, {31, 1}, {12, 9}})
        writeEnrollmentFile(m_folder.path(), user, slot, enrollmentOf(user, slot));
    personel().moveTo(0);

    const SendOutcome outcome = send();
    EXPECT_EQ(outcome.uploads, 3);
    EXPECT_THAT(m_op.messages, IsEmpty());
    EXPECT_THAT(journal(),
                ElementsAre("OpenNetworkLink 3 127.0.0.1 4370 0", "SetDeviceActive 3 0",
                            "UploadEnrollment 3 25 3 0 2 77", "UploadEnrollment 3 25 3 3 2 77",
                            "UploadEnrollment 3 12 3 9 1 5", "SetDeviceActive 3 1", "CloseLink"));
    const TerminalState& held = terminal().state();
    EXPECT_EQ(held.users, (std::vector<UserEntry>{userEntry(25, 0, 2, 77), userEntry(25, 3, 2, 77),
                                                  userEntry(12, 9, 1, 5)}));
    EXPECT_EQ(held.enrollments,
              (std::vector<Enrollment>{enrollment(25, 0), enrollment(25, 3), enrollment(12, 9)}));
    EXPECT_TRUE(held.active);
    EXPECT_EQ(personel().currentRow(), 4);
    EXPECT_FALSE(personel().viewsSuspended());
}

TEST_F(PersonnelSendTest, AnEditNotYetSavedIsSent) {
    addPersonnel(25, 0, 0, 1);
    writeEnrollmentFile(m_folder.path(), 25, 0, enrollmentOf(25, 0));
    editCell(personel(), 0, field::Yetki, "3");
    editCell(personel(), 0, field::Sifre, "9911");
    send();
    EXPECT_THAT(journal(), ::testing::Contains("UploadEnrollment 3 25 3 0 3 9911"));
    EXPECT_EQ(terminal().state().users, std::vector<UserEntry>{userEntry(25, 0, 3, 9911)});
}

TEST_F(PersonnelSendTest, ShortFileIsSentWithZerosForTheMissingNumbers) {
    addPersonnel(25, 0, 0, 1);
    m_folder.write("Data\\Parmak-25-0.Piz", repeated("-9\n", 300));
    send();
    EnrollmentData expected{};
    for (size_t k = 0; k < 300; ++k)
        expected[k] = -9;
    ASSERT_EQ(terminal().state().enrollments.size(), 1u);
    EXPECT_EQ(terminal().state().enrollments[0].data, expected);
}

TEST_F(PersonnelSendTest, NoConnectionSendsNothing) {
    addPersonnel(25, 0, 0, 1);
    writeEnrollmentFile(m_folder.path(), 25, 0, enrollmentOf(25, 0));
    ConnectionValues values = m_terminals.connection(Port);
    values.connectionType = 4;
    sendToDevice(values, personel(), m_folder.path(), *m_control, m_op);
    EXPECT_THAT(m_op.messages, ElementsAre("Cihaza Bağlantı Kurulamadı!"));
    EXPECT_THAT(journal(), IsEmpty());
}

TEST_F(PersonnelSendTest, BrokenLinkReleasesTheTerminalBeforeTheError) {
    addPersonnel(25, 0, 0, 1);
    addPersonnel(26, 0, 0, 1);
    addPersonnel(27, 0, 0, 1);
    for (const int32_t user : {25, 26, 27})
        writeEnrollmentFile(m_folder.path(), user, 0, enrollmentOf(user, 0));
    FakeDeviceControl control;
    control.terminals[Machine];
    control.failAt(2, "Cihazla bağlantı koptu", "UploadEnrollment");
    EXPECT_THROW(send(control), Error);
    EXPECT_THAT(control.calls,
                ElementsAre("OpenNetworkLink(3,127.0.0.1,4370,0)", "SetDeviceActive(3,0)",
                            "UploadEnrollment(3,25,3,0,0,[-1,250001,...],0)",
                            "UploadEnrollment(3,26,3,0,0,[-1,260001,...],0)",
                            "SetDeviceActive(3,1)", "CloseLink()"));
    EXPECT_EQ(control.terminals[Machine].active, 1);
    EXPECT_FALSE(personel().viewsSuspended());
}

TEST_F(PersonnelSendTest, UsersCopiedFromOneTerminalToAnotherArriveWhole) {
    constexpr int32_t TargetPort = 4371;
    VirtualTerminal& source = terminal();
    source.state().users = {userEntry(25, 0, 1, 4321), userEntry(25, 1, 1, 4321),
                            userEntry(25, 5, 1, 4321), userEntry(40, 0, 3, 0),
                            userEntry(41, 9, 2, -5)};
    source.state().enrollments = {enrollment(25, 0), enrollment(25, 1), enrollment(25, 5),
                                  enrollment(40, 0), enrollment(41, 9)};
    VirtualTerminal& target = m_terminals.add(TargetPort, 7);

    fetchFromDevice(m_terminals.connection(Port), *m_control, m_op, [&](int32_t machine) {
        readUserList(m_data.PersonelTampon, *m_control, machine);
        copySelectedPersonnel(m_data.PersonelTampon, personel(), m_folder.path(), *m_control,
                              machine, m_op);
    });
    sendToDevice(m_terminals.connection(TargetPort), personel(), m_folder.path(), *m_control, m_op);

    EXPECT_THAT(m_op.messages, IsEmpty());
    EXPECT_EQ(target.state().users, source.state().users);
    EXPECT_EQ(target.state().enrollments, source.state().enrollments);
    EXPECT_TRUE(source.state().active);
    EXPECT_TRUE(target.state().active);
}

} // namespace
} // namespace nakilon
