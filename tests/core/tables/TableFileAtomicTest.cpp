#include "core/tables/TDataModul.h"
#include "core/tables/TableTestSupport.h"
#include "support/FailingFileOperation.h"
#include "support/TempFolder.h"
#include "support/ThrownText.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace nakilon {
namespace {

using testsupport::addDevice;
using testsupport::thrownText;

class TableFileAtomicTest : public ::testing::Test {
protected:
    testsupport::TempFolder folder;
    TDataModul modul;
};

// Each step of the save fails once.
class FailedSave : public TableFileAtomicTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(FailedSave, LeavesTheOldFileAndReportsIt) {
    const std::string old = "PersonelNo\r\n1\r\n2\r\n";
    folder.write("Data\\Personel.PDT", old);
    const std::string name = folder.file("Data\\Personel.PDT");
    RecordTable& personnel = modul.PersonelTable;
    personnel.open();
    personnel.append();
    personnel.setInteger("PersonelNo", 3);
    personnel.post();
    {
        const testsupport::FailingFileOperation failing(GetParam(), EIO);
        EXPECT_EQ(thrownText([&] { personnel.saveToFile(name); }),
                  "Cannot create file \"" + name + "\". Input/output error");
    }
    EXPECT_EQ(folder.read("Data\\Personel.PDT"), old);
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(
                  std::filesystem::directory_iterator(std::filesystem::path(folder.file("Data"))),
                  std::filesystem::directory_iterator()),
              1);
    EXPECT_EQ(personnel.rowCount(), 1);
    personnel.saveToFile(name);
    EXPECT_EQ(folder.read("Data\\Personel.PDT"),
              "PersonelNo\tKartNo\tYetki\tSifre\tIzinDurum\tSecim\r\n3\t\t\t\t\t\r\n");
}

INSTANTIATE_TEST_SUITE_P(TableFileAtomic, FailedSave,
                         ::testing::Values("open", "write", "sync", "close", "rename"),
                         [](const auto& row) { return row.param; });

TEST_F(TableFileAtomicTest, SavingOverAFolderOrIntoAMissingFolderFails) {
    RecordTable& devices = modul.CihazTable;
    devices.open();
    addDevice(devices, 1, "A");
    std::filesystem::create_directory(std::filesystem::path(folder.file("Cihazlar.Dat")));
    // The reason is the system's own text, which Windows words its own way.
    const auto expectFailure = [](const std::string& text, const std::string& start, int code) {
#ifdef _WIN32
        (void)code;
        EXPECT_EQ(text.rfind(start, 0), 0u) << text;
        EXPECT_GT(text.size(), start.size()) << text;
#else
        EXPECT_EQ(text, start + std::strerror(code));
#endif
    };
    const std::string name = folder.file("Cihazlar.Dat");
    expectFailure(thrownText([&] { devices.saveToFile(name); }),
                  "Cannot create file \"" + name + "\". ", EISDIR);
    const std::string missing = folder.file("Yok\\Cihazlar.Dat");
    expectFailure(thrownText([&] { devices.saveToFile(missing); }),
                  "Cannot create file \"" + missing + "\". ", ENOENT);
    EXPECT_EQ(devices.rowCount(), 1);
}

TEST_F(TableFileAtomicTest, LoadingAFolderFails) {
    RecordTable& devices = modul.CihazTable;
    std::filesystem::create_directory(std::filesystem::path(folder.file("Cihazlar.Dat")));
    const std::string name = folder.file("Cihazlar.Dat");
    EXPECT_EQ(thrownText([&] { devices.loadFromFile(name); }),
              "Cannot open file \"" + name + "\". " + std::strerror(EISDIR));
    EXPECT_FALSE(devices.isOpen());
}

} // namespace
} // namespace nakilon
