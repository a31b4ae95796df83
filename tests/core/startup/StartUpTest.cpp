#include "core/startup/StartUp.h"
#include "core/base/Error.h"
#include "core/settings/ProgramValues.h"
#include "core/tables/TDataModul.h"
#include "support/DeviceListFile.h"
#include "support/FailingFileOperation.h"
#include "support/RecordingStartUpView.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace nakilon {
namespace {

using testsupport::TempFolder;

const std::string kPersonelHeader = "PersonelNo\tKartNo\tYetki\tSifre\tIzinDurum\tSecim\r\n";

// Three devices as a transfer run left them: progress and status filled.
const std::string kThreeDevices =
    testsupport::kDeviceListHeader +
    "1\tKap\xFD A\t1\t1\t10.0.0.5\t\t5005\t1\t\tAktar\xFDm Tamamland\xFD\t100\t\t0\r\n" +
    "2\tYemekhane\t2\t2\t\t\t3\t0\t\t\t45\t\t0\r\n" + "3\tDepo\t3\t3\t\t\t\t1\t\t\t\t\t0\r\n";

class StartUp : public ::testing::Test {
protected:
    // The creation step on the folder: the text of the error that ended it,
    // or "" when it ran to its end.
    std::string run() {
        try {
            runCreationStep(m_folder.path(), m_data, m_values, m_view);
        } catch (const Error& error) {
            return error.text();
        }
        return "";
    }

    TempFolder m_folder;
    TDataModul m_data;
    ProgramValues m_values;
    testsupport::RecordingStartUpView m_view;
};

TEST_F(StartUp, AFirstStartOpensEverythingWithAnEmptyDeviceList) {
    EXPECT_EQ(run(), "");
    EXPECT_EQ(m_view.caption, "Nakilon - Terminal Hareketleri Aktarım Programı");
    EXPECT_EQ(m_view.outputFileName, m_folder.path() + "Hareketler.txt");
    EXPECT_TRUE(m_view.checked);
    EXPECT_EQ(m_values.programFolder, m_folder.path());
    EXPECT_EQ(m_values.outputFileName, m_folder.path() + "Hareketler.txt");
    EXPECT_EQ(m_values.entryText, "1");
    EXPECT_EQ(m_values.exitText, "0");
    EXPECT_TRUE(m_data.CihazTable.isOpen());
    EXPECT_EQ(m_data.CihazTable.rowCount(), 0);
    EXPECT_TRUE(m_data.PersonelTable.isOpen());
    EXPECT_EQ(m_data.PersonelTable.rowCount(), 0);
    // A missing device list is an empty list, and nothing is written for it.
    EXPECT_FALSE(m_folder.exists("Cihazlar.Dat"));
    EXPECT_EQ(m_folder.read("Data\\Personel.PDT"), kPersonelHeader);
}

TEST_F(StartUp, DeviceProgressAndStatusStartEmptyWithoutRewritingTheList) {
    m_folder.write("Cihazlar.Dat", kThreeDevices);
    EXPECT_EQ(run(), "");
    EXPECT_EQ(m_folder.read("Cihazlar.Dat"), kThreeDevices);
    RecordTable& devices = m_data.CihazTable;
    ASSERT_EQ(devices.rowCount(), 3);
    EXPECT_EQ(devices.currentRow(), 0);
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(devices.integerAt(row, devices.fieldIndex("TransferDurumu")), 0);
        EXPECT_EQ(devices.textAt(row, devices.fieldIndex("Aciklama")), "");
    }
}

TEST_F(StartUp, APersonnelListIsCreatedOnlyWhenMissingAndThenLoaded) {
    const std::string personnel = kPersonelHeader + "7\t0\t0\t\t1\t1\r\n8\t0\t0\t\t1\t1\r\n";
    m_folder.write("Data\\Personel.PDT", personnel);
    EXPECT_EQ(run(), "");
    EXPECT_EQ(m_data.PersonelTable.rowCount(), 2);
    EXPECT_EQ(m_folder.read("Data\\Personel.PDT"), personnel);
}

TEST_F(StartUp, ADataPathThatIsAFileEndsTheStepAfterTheDeviceList) {
    m_folder.write("Cihazlar.Dat", kThreeDevices);
    m_folder.write("Data", "not a folder");
    EXPECT_EQ(run(), "Data klasörü oluşturulamıyor");
    EXPECT_EQ(m_data.CihazTable.rowCount(), 3);
    EXPECT_TRUE(m_data.PersonelTable.isOpen());
    EXPECT_EQ(m_data.PersonelTable.rowCount(), 0);
    EXPECT_EQ(m_folder.read("Data"), "not a folder");
}

TEST_F(StartUp, AMalformedDeviceListStopsStartUpAndIsKeptBesideItself) {
    const std::string malformed =
        testsupport::kDeviceListHeader + "1\tKap\xFD\t1\r\n1.5\tB\r\n3\tC\r\n";
    m_folder.write("Cihazlar.Dat", malformed);
    EXPECT_EQ(run(), "'1.5' is not a valid integer value for field 'CihazNo'");
    EXPECT_EQ(m_data.CihazTable.rowCount(), 1);
    EXPECT_FALSE(m_data.PersonelTable.isOpen());
    EXPECT_FALSE(m_folder.exists("Data"));
    EXPECT_EQ(m_folder.read("Cihazlar.Dat"), malformed);
    // The partly loaded list may be saved over the file later; the original
    // bytes stay at hand.
    EXPECT_EQ(m_folder.read("Cihazlar.Dat.bozuk"), malformed);
}

TEST_F(StartUp, AMalformedPersonnelListIsKeptBesideItself) {
    const std::string malformed = kPersonelHeader + "1\t2\t3\t4\t5\t6\t7\r\n";
    m_folder.write("Data\\Personel.PDT", malformed);
    m_folder.write("Data\\Personel.PDT.bozuk", "an older, different copy");
    EXPECT_EQ(run(), "List index out of bounds (6)");
    EXPECT_EQ(m_folder.read("Data\\Personel.PDT"), malformed);
    EXPECT_EQ(m_folder.read("Data\\Personel.PDT.bozuk"), "an older, different copy");
    EXPECT_EQ(m_folder.read("Data\\Personel.PDT.bozuk2"), malformed);
}

TEST_F(StartUp, ASettingsWriteThatFailsEndsTheStepBeforeTheLists) {
    m_folder.write("Cihazlar.Dat", kThreeDevices);
    {
        testsupport::FailingFileOperation failing("open");
        EXPECT_EQ(run(), "Unable to write to " + m_folder.file("Ayarlar.ini"));
    }
    EXPECT_EQ(m_view.outputFileName, "");
    EXPECT_EQ(m_values.entryText, "");
    EXPECT_FALSE(m_data.CihazTable.isOpen());
    EXPECT_FALSE(m_folder.exists("Ayarlar.ini"));
    EXPECT_FALSE(m_folder.exists("Data"));
}

TEST_F(StartUp, ADeviceListFolderFailsTheLoadInsteadOfCountingAsEmpty) {
    m_folder.write("Cihazlar.Dat\\inside", "");
    EXPECT_NE(run(), "");
    EXPECT_FALSE(m_data.PersonelTable.isOpen());
    EXPECT_FALSE(m_folder.exists("Data"));
}

TEST(PreserveDamagedFile, KeepsOneCopyOfEachDistinctContent) {
    TempFolder folder;
    const std::string name = folder.file("Cihazlar.Dat");
    folder.write("Cihazlar.Dat", "first");
    preserveDamagedFile(name);
    preserveDamagedFile(name);
    EXPECT_EQ(folder.read("Cihazlar.Dat.bozuk"), "first");
    EXPECT_FALSE(folder.exists("Cihazlar.Dat.bozuk2"));
    folder.write("Cihazlar.Dat", "second");
    preserveDamagedFile(name);
    EXPECT_EQ(folder.read("Cihazlar.Dat.bozuk"), "first");
    EXPECT_EQ(folder.read("Cihazlar.Dat.bozuk2"), "second");
    preserveDamagedFile(folder.file("Yok.Dat")); // nothing to keep, no error
    EXPECT_FALSE(folder.exists("Yok.Dat.bozuk"));
}

} // namespace
} // namespace nakilon
