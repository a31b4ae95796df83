#include "core/personnel/PersonnelFetch.h"

#include "PersonnelTestSupport.h"
#include "core/base/Error.h"
#include "core/base/FilePaths.h"
#include "core/personnel/EnrollmentFile.h"
#include "core/tables/TDataModul.h"
#include "support/FailingFileOperation.h"
#include "support/InProcessTerminals.h"
#include "support/RecordingOperator.h"
#include "support/RowName.h"
#include "support/TempFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <ostream>

namespace nakilon {
namespace {

using namespace testsupport;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr int32_t Port = 4370;
constexpr int32_t Machine = 3;
const std::string kHeader = "PersonelNo\tKartNo\tYetki\tSifre\tIzinDurum\tSecim\r\n";

class PersonnelFetchTest : public ::testing::Test {
protected:
    PersonnelFetchTest() {
        m_folder.write("Data\\Personel.PDT", kHeader);
        m_data.PersonelTable.open();
        // User 25 in slots 0, 1 and 5 (privilege 1, password 4321); user 40 in
        // slot 0, disabled.
        TerminalState held;
        held.machineNumber = Machine;
        held.users = {userEntry(25, 0, 1, 4321), userEntry(25, 1, 1, 4321),
                      userEntry(25, 5, 1, 4321), userEntry(40, 0)};
        held.users[3].enabled = 0;
        held.enrollments = {enrollment(25, 0), enrollment(25, 1), enrollment(25, 5),
                            enrollment(40, 0)};
        m_terminals.add(held, {false, "127.0.0.1", Port});
    }

    TerminalState& held() { return m_terminals.terminal(0).state(); }
    const std::vector<std::string>& journal() { return m_terminals.journal(0); }
    // The link as "Cihazdan Al" opens it, and the list the dialog shows;
    // rows whose index is in `unticked` are cleared.
    void showList(std::initializer_list<int> unticked = {}) {
        ASSERT_EQ(connectDevice(control(), ethernet(Port, Machine)), ConnectResult::Connected);
        m_terminals.clearJournal(0);
        readUserList(m_data.PersonelTampon, control(), Machine);
        // Four entries, then the take that finds no more.
        EXPECT_THAT(journal(), ElementsAre("SetDeviceActive 3 0", "FetchUserIndex 3",
                                           "TakeUserIndexEntry 3", "TakeUserIndexEntry 3",
                                           "TakeUserIndexEntry 3", "TakeUserIndexEntry 3",
                                           "TakeUserIndexEntry 3", "SetDeviceActive 3 1"));
        for (const int row : unticked) {
            m_data.PersonelTampon.moveTo(row);
            m_data.PersonelTampon.edit();
            m_data.PersonelTampon.setInteger("Secim", 0);
        }
        m_terminals.clearJournal(0);
    }
    DeviceControl& control() { return m_terminals.control(); }
    CopyOutcome copy() {
        return copySelectedPersonnel(m_data.PersonelTampon, m_data.PersonelTable, m_folder.path(),
                                     control(), Machine, m_op);
    }
    std::vector<std::string> enrollmentFiles() {
        std::vector<std::string> names;
        for (const auto& entry :
             std::filesystem::directory_iterator(pathFromUtf8(m_folder.file("Data"))))
            if (entry.path().extension() == ".Piz")
                names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempFolder m_folder;
    TDataModul m_data;
    InProcessTerminals m_terminals;
    RecordingOperator m_op;
};

TEST_F(PersonnelFetchTest, EveryTickedEnrollmentGivesAFileAndOneRowPerUser) {
    // A second showing reads the terminal again: earlier rows and ticks go.
    showList({0, 1});
    showList();
    // PersonelNo KartNo Yetki Sifre IzinDurum Backup BackupInt Secim
    EXPECT_THAT(rowTexts(m_data.PersonelTampon),
                ElementsAre("25 0 1 - 1 - 0 1", "25 0 1 - 1 - 1 1", "25 0 1 - 1 - 5 1",
                            "40 0 0 - 0 - 0 1"));
    const CopyOutcome outcome = copy();
    EXPECT_EQ(outcome.copied, 4);
    EXPECT_THAT(m_op.shown, IsEmpty());
    // The password that came with the enrollment is the row's Sifre.
    EXPECT_EQ(m_folder.read("Data\\Personel.PDT"),
              kHeader + "25\t0\t1\t4321\t1\t1\r\n40\t0\t0\t0\t0\t1\r\n");
    EXPECT_THAT(enrollmentFiles(), ElementsAre("Parmak-25-0.Piz", "Parmak-25-1.Piz",
                                               "Parmak-25-5.Piz", "Parmak-40-0.Piz"));
    EXPECT_EQ(m_folder.read("Data\\Parmak-25-5.Piz").substr(0, 20), "-1\r\n255001\r\n255002\r\n");
    EXPECT_EQ(readEnrollmentFile(m_folder.path(), 25, 5), enrollmentOf(25, 5));
    EXPECT_EQ(readEnrollmentFile(m_folder.path(), 40, 0), enrollmentOf(40, 0));
    EXPECT_THAT(journal(), ElementsAre("SetDeviceActive 3 0", "DownloadEnrollment 3 25 3 0",
                                       "DownloadEnrollment 3 25 3 1", "DownloadEnrollment 3 25 3 5",
                                       "DownloadEnrollment 3 40 3 0", "SetDeviceActive 3 1"));
}

TEST_F(PersonnelFetchTest, OnlyTickedRowsAreCopiedAndAListedUserIsUpdatedOnce) {
    appendRows(m_data.PersonelTable, {"7 5 2 9 1 0", "25 99 0 1 0 0", "25 98 3 2 1 0"});
    showList({0, 2, 3});
    copy();
    // The first row of number 25 takes the terminal's values, KartNo 0 and
    // Secim 1; the second one and the other user stay as they were.
    EXPECT_THAT(rowTexts(m_data.PersonelTable),
                ElementsAre("7 5 2 9 1 0", "25 0 1 4321 1 1", "25 98 3 2 1 0"));
    EXPECT_THAT(enrollmentFiles(), ElementsAre("Parmak-25-1.Piz"));
    EXPECT_THAT(journal(), ElementsAre("SetDeviceActive 3 0", "DownloadEnrollment 3 25 3 1",
                                       "SetDeviceActive 3 1"));
}

TEST_F(PersonnelFetchTest, NothingTickedStillSavesThePersonnelList) {
    appendRows(m_data.PersonelTable, {"7 5 2 9 1 0"});
    showList({0, 1, 2, 3});
    EXPECT_EQ(copy().copied, 0);
    EXPECT_EQ(m_folder.read("Data\\Personel.PDT"), kHeader + "7\t5\t2\t9\t1\t0\r\n");
    EXPECT_THAT(enrollmentFiles(), IsEmpty());
    EXPECT_THAT(journal(), ElementsAre("SetDeviceActive 3 0", "SetDeviceActive 3 1"));
}

TEST_F(PersonnelFetchTest, RefusedDownloadWritesNoFileAndIsReported) {
    // Two listed enrollments that the terminal cannot read back; the older
    // file of one of them stays as it was.
    held().users[1].downloadFails = true;
    held().users[3].downloadFails = true;
    showList();
    m_folder.write("Data\\Parmak-25-1.Piz", "7\r\n");
    const CopyOutcome outcome = copy();
    EXPECT_EQ(outcome.unread, (std::vector<UnreadEnrollment>{{25, 1}, {40, 0}}));
    EXPECT_THAT(m_op.shown,
                ElementsAre("Şu parmak izi kayıtları cihazdan okunamadı; bunlar bilgisayara "
                            "kopyalanmadı:\nPersonel No 25, parmak kaydı 1\nPersonel No 40, parmak "
                            "kaydı 0"));
    EXPECT_EQ(m_folder.read("Data\\Parmak-25-1.Piz"), "7\r\n");
    EXPECT_THAT(enrollmentFiles(),
                ElementsAre("Parmak-25-0.Piz", "Parmak-25-1.Piz", "Parmak-25-5.Piz"));
    EXPECT_THAT(rowTexts(m_data.PersonelTable), ElementsAre("25 0 1 4321 1 1"));
    EXPECT_EQ(unreadEnrollmentsText(outcome.unread, 1),
              "Şu parmak izi kayıtları cihazdan okunamadı; bunlar bilgisayara kopyalanmadı:\n"
              "Personel No 25, parmak kaydı 1\n... ve 1 kayıt daha");
}

struct FailedWrite {
    std::string name;
    const char* operation;
    int call;
    const char* failedFile;
    std::vector<std::string> files;
    std::vector<std::string> journal;
    friend void PrintTo(const FailedWrite& row, std::ostream* out) { *out << row.name; }
};

class FailedFileWrite : public PersonnelFetchTest,
                        public ::testing::WithParamInterface<FailedWrite> {};

TEST_P(FailedFileWrite, StopsTheCopyAndReleasesTheTerminal) {
    const FailedWrite& c = GetParam();
    const std::string list = kHeader + "1\t\t\t\t\t\r\n";
    m_folder.write("Data\\Personel.PDT", list);
    appendRows(m_data.PersonelTable, {"25 7 0 0 0 0"});
    showList();
    try {
        const FailingFileOperation failing(c.operation, ENOSPC, c.call);
        copy();
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.text(), "Cannot create file \"" +
                                m_folder.file(std::string("Data\\") + c.failedFile) + "\". " +
                                std::strerror(ENOSPC));
    }
    EXPECT_EQ(enrollmentFiles(), c.files);
    for (const std::string& file : c.files)
        EXPECT_EQ(m_folder.read("Data\\" + file).size(), 2833u) << file;
    // Neither the list in memory nor its file names an enrollment.
    EXPECT_THAT(rowTexts(m_data.PersonelTable), ElementsAre("25 7 0 0 0 0"));
    EXPECT_EQ(m_folder.read("Data\\Personel.PDT"), list);
    EXPECT_EQ(journal(), c.journal);
    EXPECT_TRUE(held().active);
}

INSTANTIATE_TEST_SUITE_P(
    PersonnelFetch, FailedFileWrite,
    ::testing::Values(
        // While the enrollments are read: the copy stops at once.
        FailedWrite{"WhileReading",
                    "open",
                    2,
                    "Parmak-25-1.Piz",
                    {},
                    {"SetDeviceActive 3 0", "DownloadEnrollment 3 25 3 0",
                     "DownloadEnrollment 3 25 3 1", "SetDeviceActive 3 1", "CloseLink"}},
        // Putting them in place: the two files renamed before are whole.
        FailedWrite{"PuttingInPlace",
                    "rename",
                    3,
                    "Parmak-25-5.Piz",
                    {"Parmak-25-0.Piz", "Parmak-25-1.Piz"},
                    {"SetDeviceActive 3 0", "DownloadEnrollment 3 25 3 0",
                     "DownloadEnrollment 3 25 3 1", "DownloadEnrollment 3 25 3 5",
                     "DownloadEnrollment 3 40 3 0", "SetDeviceActive 3 1", "CloseLink"}}),
    RowName());

// The files are made ahead of the downloads: a terminal that breaks off
// leaves none of them behind, and no personnel row changes.
TEST_F(PersonnelFetchTest, ATerminalThatBreaksOffLeavesNoFileBehind) {
    appendRows(m_data.PersonelTable, {"25 7 0 0 0 0"});
    m_folder.write("Data\\Parmak-25-0.Piz", "7\r\n");
    showList();
    m_terminals.terminal(0).addFault({"DownloadEnrollment", 3, FaultKind::Fail});
    EXPECT_THROW(copy(), Error);
    std::vector<std::string> files;
    for (const auto& entry :
         std::filesystem::directory_iterator(pathFromUtf8(m_folder.file("Data"))))
        files.push_back(pathToUtf8(entry.path().filename()));
    std::sort(files.begin(), files.end());
    EXPECT_THAT(files, ElementsAre("Parmak-25-0.Piz", "Personel.PDT"));
    EXPECT_EQ(m_folder.read("Data\\Parmak-25-0.Piz"), "7\r\n");
    EXPECT_THAT(rowTexts(m_data.PersonelTable), ElementsAre("25 7 0 0 0 0"));
    EXPECT_EQ(journal().back(), "CloseLink");
    EXPECT_TRUE(held().active);
}

TEST_F(PersonnelFetchTest, DialogOnlyWhenConnectedAndTheLinkClosedAfterIt) {
    std::vector<int32_t> shown;
    const auto dialog = [&](int32_t machine) { shown.push_back(machine); };
    ConnectionValues unknownType = ethernet(Port, Machine);
    unknownType.connectionType = 0;
    fetchFromDevice(unknownType, control(), m_op, dialog);
    fetchFromDevice(ethernet(Port + 1, Machine), control(), m_op, dialog);
    EXPECT_THAT(m_op.shown,
                ElementsAre("Cihaza Bağlantı Kurulamadı!", "Cihaza Bağlantı Kurulamadı!"));
    EXPECT_THAT(shown, IsEmpty());

    fetchFromDevice(ethernet(Port, Machine), control(), m_op, dialog);
    EXPECT_THAT(shown, ElementsAre(Machine));
    EXPECT_EQ(journal().back(), "CloseLink");
    m_terminals.clearJournal(0);
    EXPECT_THROW(fetchFromDevice(ethernet(Port, Machine), control(), m_op,
                                 [](int32_t) { throw Error("kesildi"); }),
                 Error);
    EXPECT_EQ(journal().back(), "CloseLink");
}

// The window hands the link's opening and closing to its device worker; the
// message and the dialog stay with the window.
TEST_F(PersonnelFetchTest, OnlyTheLinkGoesThroughTheDeviceThread) {
    std::vector<std::string> steps;
    bool onDeviceThread = false;
    const auto deviceThread = [&](const std::function<void()>& work) {
        const size_t shown = m_op.shown.size();
        onDeviceThread = true;
        work();
        onDeviceThread = false;
        steps.push_back(m_op.shown.size() != shown ? "message!"
                        : journal().empty()        ? "-"
                                                   : journal().back());
    };
    const auto dialog = [&](int32_t) { steps.push_back(onDeviceThread ? "dialog!" : "dialog"); };
    fetchFromDevice(ethernet(Port + 1, Machine), control(), m_op, dialog, deviceThread);
    EXPECT_FALSE(onDeviceThread);
    fetchFromDevice(ethernet(Port, Machine), control(), m_op, dialog, deviceThread);
    EXPECT_THAT(steps,
                ElementsAre("-", "OpenNetworkLink 3 127.0.0.1 4370 0", "dialog", "CloseLink"));
    EXPECT_THAT(m_op.shown, ElementsAre("Cihaza Bağlantı Kurulamadı!"));
}

} // namespace
} // namespace nakilon
