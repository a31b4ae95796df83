#include "core/personnel/PersonnelFetch.h"

#include "InProcessTerminals.h"
#include "PersonnelTestSupport.h"
#include "core/base/Error.h"
#include "core/base/FileIo.h"
#include "core/base/FileIoTesting.h"
#include "core/personnel/EnrollmentFile.h"
#include "core/tables/FieldNames.h"
#include "core/tables/TDataModul.h"
#include "support/TempFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace nakilon {
namespace {

using namespace testsupport;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr int32_t Port = 4370;
constexpr int32_t Machine = 3;
const std::string kHeader = "PersonelNo\tKartNo\tYetki\tSifre\tIzinDurum\tSecim\r\n";

std::vector<std::string> enrollmentFiles(const TempFolder& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(pathFromUtf8(folder.file("Data"))))
        if (entry.path().extension() == ".Piz")
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class PersonnelFetchTest : public ::testing::Test {
protected:
    PersonnelFetchTest() {
        m_folder.write("Data\\Personel.PDT", kHeader);
        m_data.PersonelTable.open();
        VirtualTerminal& terminal = m_terminals.add(Port, Machine);
        // User 25 in slots 0, 1 and 5 (privilege 1, password 4321), user 40 in
        // slot 0, disabled.
        terminal.state().users = {userEntry(25, 0, 1, 4321), userEntry(25, 1, 1, 4321),
                                  userEntry(25, 5, 1, 4321), userEntry(40, 0, 0, 0, 0)};
        terminal.state().enrollments = {enrollment(25, 0), enrollment(25, 1), enrollment(25, 5),
                                        enrollment(40, 0)};
    }

    VirtualTerminal& terminal() { return m_terminals.at(Port); }
    std::vector<std::string>& journal() { return m_terminals.journal(Port); }
    RecordTable& tampon() { return m_data.PersonelTampon; }
    RecordTable& personel() { return m_data.PersonelTable; }

    // The link as "Cihazdan Al" opens it, and the user list read.
    void showList() {
        ASSERT_EQ(connectDevice(*m_control, m_terminals.connection(Port)),
                  ConnectResult::Connected);
        readUserList(tampon(), *m_control, Machine);
        journal().clear();
    }
    void tick(int row, int32_t mark) {
        tampon().moveTo(row);
        tampon().edit();
        tampon().setInteger(field::Secim, mark);
        tampon().post();
    }
    CopyOutcome copy() {
        return copySelectedPersonnel(tampon(), personel(), m_folder.path(), *m_control, Machine,
                                     m_op);
    }
    void addPersonnel(const std::string& line) {
        // PersonelNo KartNo Yetki Sifre IzinDurum Secim, "-" for empty
        std::istringstream in(line);
        personel().append();
        for (const auto name : {field::PersonelNo, field::KartNo, field::Yetki, field::Sifre,
                                field::IzinDurum, field::Secim}) {
            std::string value;
            in >> value;
            if (value != "-")
                personel().setText(name, value);
        }
        personel().post();
    }

    TempFolder m_folder;
    TDataModul m_data;
    InProcessTerminals m_terminals;
    std::unique_ptr<DeviceControl> m_control = m_terminals.makeControl();
    MessageLog m_op;
};

TEST_F(PersonnelFetchTest, UserListGivesOneTickedRowPerUserAndSlot) {
    ASSERT_EQ(connectDevice(*m_control, m_terminals.connection(Port)), ConnectResult::Connected);
    journal().clear();
    readUserList(tampon(), *m_control, Machine);
    // PersonelNo KartNo Yetki Sifre IzinDurum Backup BackupInt Secim
    EXPECT_THAT(rowTexts(tampon()), ElementsAre("25 0 1 - 1 - 0 1", "25 0 1 - 1 - 1 1",
                                                "25 0 1 - 1 - 5 1", "40 0 0 - 0 - 0 1"));
    EXPECT_THAT(journal(),
                ElementsAre("SetDeviceActive 3 0", "FetchUserIndex 3", "SetDeviceActive 3 1"));
    EXPECT_TRUE(terminal().state().active);

    // A second showing reads the terminal again; earlier rows and ticks go.
    tick(0, 0);
    terminal().state().users.pop_back();
    readUserList(tampon(), *m_control, Machine);
    EXPECT_THAT(rowTexts(tampon()),
                ElementsAre("25 0 1 - 1 - 0 1", "25 0 1 - 1 - 1 1", "25 0 1 - 1 - 5 1"));
}

TEST_F(PersonnelFetchTest, EmptyUserListGivesAnEmptyBuffer) {
    terminal().state().users.clear();
    showList();
    EXPECT_EQ(tampon().rowCount(), 0);
    EXPECT_TRUE(tampon().isOpen());
}

TEST_F(PersonnelFetchTest, ThreeSlotsOfOneUserGiveOneRowAndThreeFiles) {
    showList();
    const CopyOutcome outcome = copy();
    EXPECT_EQ(outcome.copied, 4);
    EXPECT_THAT(outcome.unread, IsEmpty());
    EXPECT_THAT(m_op.messages, IsEmpty());
    // The password that came with the enrollment is the row's Sifre.
    EXPECT_THAT(rowTexts(personel()), ElementsAre("25 0 1 4321 1 1", "40 0 0 0 0 1"));
    EXPECT_EQ(m_folder.read("Data\\Personel.PDT"),
              kHeader + "25\t0\t1\t4321\t1\t1\r\n40\t0\t0\t0\t0\t1\r\n");
    EXPECT_THAT(enrollmentFiles(m_folder), ElementsAre("Parmak-25-0.Piz", "Parmak-25-1.Piz",
                                                       "Parmak-25-5.Piz", "Parmak-40-0.Piz"));
    EXPECT_EQ(m_folder.read("Data\\Parmak-25-5.Piz").substr(0, 28),
              "-1\r\n255001\r\n255002\r\n255003\r\n");
    EXPECT_EQ(readEnrollmentFile(m_folder.path(), 25, 5), enrollmentOf(25, 5));
    EXPECT_EQ(readEnrollmentFile(m_folder.path(), 40, 0), enrollmentOf(40, 0));
    EXPECT_THAT(journal(), ElementsAre("SetDeviceActive 3 0", "DownloadEnrollment 3 25 3 0",
                                       "DownloadEnrollment 3 25 3 1", "DownloadEnrollment 3 25 3 5",
                                       "DownloadEnrollment 3 40 3 0", "SetDeviceActive 3 1"));
}

TEST_F(PersonnelFetchTest, OnlyTickedRowsAreCopied) {
    showList();
    tick(0, 0);
    tick(2, 0);
    tick(3, 0);
    copy();
    EXPECT_THAT(rowTexts(personel()), ElementsAre("25 0 1 4321 1 1"));
    EXPECT_THAT(enrollmentFiles(m_folder), ElementsAre("Parmak-25-1.Piz"));
    EXPECT_THAT(journal(), ElementsAre("SetDeviceActive 3 0", "DownloadEnrollment 3 25 3 1",
                                       "SetDeviceActive 3 1"));
}

TEST_F(PersonnelFetchTest, ListedUserIsUpdatedNotAddedTwice) {
    addPersonnel("7 5 2 9 1 0");
    addPersonnel("25 99 0 1 0 0");
    addPersonnel("25 98 3 2 1 0");
    showList();
    tick(3, 0);
    copy();
    // The first row of number 25 takes the terminal's values, KartNo 0 and
    // Secim 1; the second one and the other user stay as they were.
    EXPECT_THAT(rowTexts(personel()),
                ElementsAre("7 5 2 9 1 0", "25 0 1 4321 1 1", "25 98 3 2 1 0"));
}

TEST_F(PersonnelFetchTest, NothingTickedStillSavesThePersonnelList) {
    addPersonnel("7 5 2 9 1 0");
    showList();
    for (int row = 0; row < 4; ++row)
        tick(row, 0);
    const CopyOutcome outcome = copy();
    EXPECT_EQ(outcome.copied, 0);
    EXPECT_EQ(m_folder.read("Data\\Personel.PDT"), kHeader + "7\t5\t2\t9\t1\t0\r\n");
    EXPECT_THAT(enrollmentFiles(m_folder), IsEmpty());
    EXPECT_THAT(journal(), ElementsAre("SetDeviceActive 3 0", "SetDeviceActive 3 1"));
}

TEST_F(PersonnelFetchTest, RefusedDownloadWritesNoFileAndIsReported) {
    showList();
    // Between the listing and the copy the terminal lost two entries.
    m_folder.write("Data\\Parmak-25-1.Piz", "7\r\n");
    auto& users = terminal().state().users;
    users.erase(users.begin() + 3);
    users.erase(users.begin() + 1);
    const CopyOutcome outcome = copy();
    EXPECT_EQ(outcome.copied, 2);
    EXPECT_EQ(outcome.unread, (std::vector<UnreadEnrollment>{{25, 1}, {40, 0}}));
    EXPECT_THAT(m_op.messages,
                ElementsAre("Şu parmak izi kayıtları cihazdan okunamadı; bunlar bilgisayara "
                            "kopyalanmadı:\nPersonel No 25, parmak kaydı 1\nPersonel No 40, parmak "
                            "kaydı 0"));
    EXPECT_EQ(m_folder.read("Data\\Parmak-25-1.Piz"), "7\r\n");
    EXPECT_THAT(enrollmentFiles(m_folder),
                ElementsAre("Parmak-25-0.Piz", "Parmak-25-1.Piz", "Parmak-25-5.Piz"));
    EXPECT_EQ(readEnrollmentFile(m_folder.path(), 25, 5), enrollmentOf(25, 5));
    EXPECT_THAT(rowTexts(personel()), ElementsAre("25 0 1 4321 1 1"));
    EXPECT_TRUE(terminal().state().active);
}

TEST_F(PersonnelFetchTest, FailedFileWriteStopsTheCopyAndReleasesTheTerminal) {
    m_folder.write("Data\\Personel.PDT", kHeader + "1\t\t\t\t\t\r\n");
    showList();
    int opens = 0;
    testing::setFileFailHook([&](std::string_view operation) -> std::optional<int> {
        if (operation == "open" && ++opens == 2)
            return ENOSPC;
        return std::nullopt;
    });
    try {
        copy();
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.text(), "Cannot create file \"" + m_folder.file("Data\\Parmak-25-1.Piz") +
                                "\". " + std::strerror(ENOSPC));
    }
    testing::setFileFailHook({});
    EXPECT_THAT(enrollmentFiles(m_folder), ElementsAre("Parmak-25-0.Piz"));
    // The row copied before stays in memory; the list file is not written.
    EXPECT_THAT(rowTexts(personel()), ElementsAre("25 0 1 4321 1 1"));
    EXPECT_EQ(m_folder.read("Data\\Personel.PDT"), kHeader + "1\t\t\t\t\t\r\n");
    EXPECT_TRUE(terminal().state().active);
    EXPECT_THAT(journal(),
                ElementsAre("SetDeviceActive 3 0", "DownloadEnrollment 3 25 3 0",
                            "DownloadEnrollment 3 25 3 1", "SetDeviceActive 3 1", "CloseLink"));
}

TEST_F(PersonnelFetchTest, FetchShowsTheDialogOnlyWhenConnectedAndClosesTheLinkAfter) {
    std::vector<int32_t> shown;
    const auto dialog = [&](int32_t machine) { shown.push_back(machine); };

    ConnectionValues unknownType = m_terminals.connection(Port);
    unknownType.connectionType = 0;
    ConnectionValues wrongPort = m_terminals.connection(Port);
    wrongPort.port = Port + 1;
    for (const ConnectionValues& values : {unknownType, wrongPort}) {
        fetchFromDevice(values, *m_control, m_op, dialog);
        EXPECT_THAT(m_op.messages, ElementsAre("Cihaza Bağlantı Kurulamadı!"));
        m_op.messages.clear();
    }
    EXPECT_THAT(shown, IsEmpty());

    fetchFromDevice(m_terminals.connection(Port), *m_control, m_op, dialog);
    EXPECT_THAT(shown, ElementsAre(Machine));
    EXPECT_EQ(journal().back(), "CloseLink");

    journal().clear();
    EXPECT_THROW(fetchFromDevice(m_terminals.connection(Port), *m_control, m_op,
                                 [](int32_t) { throw Error("kesildi"); }),
                 Error);
    EXPECT_EQ(journal().back(), "CloseLink");
    EXPECT_THAT(m_op.messages, IsEmpty());
}

TEST(UnreadEnrollmentsText, NamesTheFirstOnesAndCountsTheRest) {
    std::vector<UnreadEnrollment> unread;
    for (int32_t user = 1; user <= 5; ++user)
        unread.push_back({user, user % 3});
    EXPECT_EQ(unreadEnrollmentsText(unread, 3),
              "Şu parmak izi kayıtları cihazdan okunamadı; bunlar bilgisayara kopyalanmadı:\n"
              "Personel No 1, parmak kaydı 1\nPersonel No 2, parmak kaydı 2\n"
              "Personel No 3, parmak kaydı 0\n... ve 2 kayıt daha");
}

} // namespace
} // namespace nakilon
