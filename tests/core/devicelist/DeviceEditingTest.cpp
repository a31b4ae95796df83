#include "core/devicelist/DeviceEditing.h"

#include "core/base/Operator.h"
#include "core/tables/TDataModul.h"
#include "core/tables/TableTestSupport.h"
#include "support/DeviceListFile.h"
#include "support/FailingFileOperation.h"
#include "support/RowName.h"
#include "support/TempFolder.h"
#include "support/ThrownText.h"

#include <gtest/gtest.h>

namespace nakilon {
namespace {

using testsupport::thrownText;

const std::string& kHeader = testsupport::kDeviceListHeader;
const std::string kA = "1\tA\t1\t1\t\t\t\t1\t\t\t\t\t0\r\n";
const std::string kB = "2\tB\t2\t1\t\t\t\t1\t\t\t\t\t0\r\n";
const std::string kC = "3\tC\t3\t1\t\t\t\t1\t\t\t\t\t0\r\n";
const std::string kThree = kHeader + kA + kB + kC;

class Answer : public Operator {
public:
    explicit Answer(bool yes) : m_yes(yes) {}
    std::vector<std::string> questions;
    void information(const std::string&) override {}
    bool confirm(const std::string& text) override {
        questions.push_back(text);
        return m_yes;
    }
    void processEvents() override {}
    void repaintTransferGrid() override {}

private:
    bool m_yes;
};

class DeviceEditingTest : public ::testing::Test {
protected:
    DeviceEditingTest() { devices.open(); }
    void load(const std::string& bytes, int currentRow = 0) {
        folder.write("Cihazlar.Dat", bytes);
        devices.loadFromFile(file());
        devices.moveTo(currentRow);
    }
    std::string file() const { return folder.file("Cihazlar.Dat"); }
    std::string stored() const { return folder.read("Cihazlar.Dat"); }

    testsupport::TempFolder folder;
    TDataModul modul;
    RecordTable& devices = modul.CihazTable;
};

TEST_F(DeviceEditingTest, ANewDeviceHasTheDefaultsAndWaitsInInsertStateAtTheEnd) {
    load(kThree, 1);
    appendNewDevice(devices);
    EXPECT_EQ(devices.state(), TableState::Insert);
    EXPECT_EQ(devices.currentRow(), 3);
    EXPECT_EQ(devices.asInteger("RecId"), 4);
    std::vector<std::string> values; // in file order, "-" for an empty field
    for (int f = 0; f < devices.recIdField(); ++f)
        values.push_back(devices.isNull(devices.field(f).name) ? "-" : devices.textAt(3, f));
    EXPECT_EQ(values, (std::vector<std::string>{"1", "Cihaz1", "1", "1", "-", "-", "5005", "1", "-",
                                                "-", "-", "-", "0"}));
    EXPECT_EQ(stored(), kThree);
}

struct Deletion {
    std::string name;
    std::string list;
    int row;
    bool yes;
    std::string error;  // shown instead of a save
    int32_t nowCurrent; // CihazNo, 0 for none
    std::string left;   // the file afterwards; "eski" when not written
    friend void PrintTo(const Deletion& row, std::ostream* out) { *out << row.name; }
};

class DeleteDevice : public DeviceEditingTest, public ::testing::WithParamInterface<Deletion> {};

TEST_P(DeleteDevice, AsksThenMovesToTheNextOrPreviousDeviceAndSaves) {
    const Deletion& test = GetParam();
    load(test.list, test.row);
    folder.write("Cihazlar.Dat", "eski");
    Answer answer(test.yes);
    EXPECT_EQ(thrownText([&] { deleteCurrentDevice(devices, file(), answer); }), test.error);
    EXPECT_EQ(answer.questions,
              std::vector<std::string>{"Bu cihazı silmek istediğinizden emin misiniz?"});
    EXPECT_EQ(devices.asInteger("CihazNo"), test.nowCurrent);
    EXPECT_EQ(stored(), test.left);
}

INSTANTIATE_TEST_SUITE_P(
    DeviceEditing, DeleteDevice,
    ::testing::Values(Deletion{"First", kThree, 0, true, "", 2, kHeader + kB + kC},
                      Deletion{"Middle", kThree, 1, true, "", 3, kHeader + kA + kC},
                      // The last goes: the previous one becomes current.
                      Deletion{"Last", kThree, 2, true, "", 2, kHeader + kA + kB},
                      Deletion{"Only", kHeader + kA, 0, true, "", 0, kHeader},
                      Deletion{"AnsweredNo", kThree, 1, false, "", 2, "eski"},
                      Deletion{"EmptyList", kHeader, 0, true,
                               "CihazTable: Cannot perform this operation on an empty dataset", 0,
                               "eski"}),
    testsupport::RowName());

TEST_F(DeviceEditingTest, StoreSavesAtOnceAndAFailedSaveKeepsTheFileAndTheChange) {
    load(kThree, 2);
    editCurrentDevice(devices);
    devices.setText("CihazAdi", "Kap\xFD");
    storeDevice(devices, file());
    EXPECT_EQ(stored(), kHeader + kA + kB + "3\tKap\xFD\t3\t1\t\t\t\t1\t\t\t\t\t0\r\n");

    load(kThree);
    const std::string expected = "Cannot create file \"" + file() + "\". ";
    appendNewDevice(devices);
    {
        testsupport::FailingFileOperation failing;
        EXPECT_EQ(thrownText([&] { storeDevice(devices, file()); }).substr(0, expected.size()),
                  expected);
        Answer yes(true);
        devices.moveTo(0);
        EXPECT_EQ(thrownText([&] {
                      deleteCurrentDevice(devices, file(), yes);
                  }).substr(0, expected.size()),
                  expected);
    }
    // In memory the new device was stored and the first one deleted.
    EXPECT_EQ(devices.rowCount(), 3);
    EXPECT_EQ(devices.asText("CihazAdi"), "B");
    EXPECT_EQ(stored(), kThree);
}

} // namespace
} // namespace nakilon
