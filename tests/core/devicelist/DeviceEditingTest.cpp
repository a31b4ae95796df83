#include "core/devicelist/DeviceEditing.h"

#include "core/base/Operator.h"
#include "core/tables/TDataModul.h"
#include "core/tables/TableTestSupport.h"
#include "support/DeviceListFile.h"
#include "support/FailingFileOperation.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace nakilon {
namespace {

using testsupport::errorText;

const std::string& kHeader = testsupport::kDeviceListHeader;
const std::string kNewDeviceLine = "1\tCihaz1\t1\t1\t\t\t5005\t1\t\t\t\t\t0\r\n";
const std::string kFiveDevices =
    kHeader + "1\tA\t1\t1\t\t\t\t1\t\t\t\t\t0\r\n" + "2\tB\t2\t1\t\t\t\t1\t\t\t\t\t0\r\n" +
    "3\tC\t3\t1\t\t\t\t1\t\t\t\t\t0\r\n" + "4\tD\t4\t1\t\t\t\t1\t\t\t\t\t0\r\n" +
    "5\tE\t5\t1\t\t\t\t1\t\t\t\t\t0\r\n";

class AnsweringOperator : public Operator {
public:
    explicit AnsweringOperator(bool answer) : m_answer(answer) {}
    std::vector<std::string> questions;
    void information(const std::string&) override {}
    bool confirm(const std::string& text) override {
        questions.push_back(text);
        return m_answer;
    }
    void processEvents() override {}
    void repaintTransferGrid() override {}

private:
    bool m_answer;
};

class DeviceEditingTest : public ::testing::Test {
protected:
    DeviceEditingTest() { devices.open(); }

    void load(const std::string& bytes) {
        folder.write("Cihazlar.Dat", bytes);
        devices.loadFromFile(file());
    }
    std::string file() const { return folder.file("Cihazlar.Dat"); }
    std::string stored() const { return folder.read("Cihazlar.Dat"); }
    // The current record, "-" for an empty field, fields in file order.
    std::vector<std::string> current() const {
        std::vector<std::string> values;
        for (int f = 0; f < devices.recIdField(); ++f) {
            const std::string& name = devices.field(f).name;
            values.push_back(devices.isNull(name) ? "-" : devices.asText(name));
        }
        return values;
    }
    std::string currentName() const { return devices.asText("CihazAdi"); }

    testsupport::TempFolder folder;
    TDataModul modul;
    RecordTable& devices = modul.CihazTable;
};

TEST_F(DeviceEditingTest, ANewDeviceHasTheDefaultsAndWaitsInInsertStateAtTheEnd) {
    load(kFiveDevices);
    devices.moveTo(1);
    appendNewDevice(devices);
    EXPECT_EQ(devices.state(), TableState::Insert);
    EXPECT_EQ(devices.rowCount(), 6);
    EXPECT_EQ(devices.currentRow(), 5);
    EXPECT_EQ(devices.asInteger("RecId"), 6);
    // CihazNo CihazAdi MakineNo BaglantiTipi IPAdres Parola Port Isaret Durum
    // Aciklama TransferDurumu ComportNo GCTip
    EXPECT_EQ(current(), (std::vector<std::string>{"1", "Cihaz1", "1", "1", "-", "-", "5005", "1",
                                                   "-", "-", "-", "-", "0"}));
    EXPECT_EQ(stored(), kFiveDevices);
}

TEST_F(DeviceEditingTest, StoringNewDevicesWritesTheirLinesAndCancelledOnesLeaveNoTrace) {
    appendNewDevice(devices);
    dropDeviceChanges(devices);
    EXPECT_EQ(devices.rowCount(), 0);
    EXPECT_FALSE(folder.exists("Cihazlar.Dat"));

    // The cancelled record did not use its number up.
    appendNewDevice(devices);
    EXPECT_EQ(devices.asInteger("RecId"), 1);
    storeDevice(devices, file());
    EXPECT_EQ(devices.state(), TableState::Browse);
    EXPECT_EQ(stored(), kHeader + "1\tCihaz1\t1\t1\t\t\t5005\t1\t\t\t\t\t0\r\n");

    // Numbers are not made unique: the second device is the same again.
    appendNewDevice(devices);
    storeDevice(devices, file());
    EXPECT_EQ(stored(), kHeader + kNewDeviceLine + kNewDeviceLine);
}

TEST_F(DeviceEditingTest, EditingAnEmptyListStoresADeviceWithEveryFieldEmpty) {
    editCurrentDevice(devices);
    EXPECT_EQ(devices.state(), TableState::Insert);
    EXPECT_EQ(current(), std::vector<std::string>(13, "-"));
    storeDevice(devices, file());
    EXPECT_EQ(devices.rowCount(), 1);
    EXPECT_EQ(stored(), kHeader + std::string(12, '\t') + "\r\n");
}

TEST_F(DeviceEditingTest, EditChangesAreStoredOrDropped) {
    load(kFiveDevices);
    devices.moveTo(2);
    editCurrentDevice(devices);
    devices.setText("CihazAdi", "Kap\xFD");
    dropDeviceChanges(devices);
    EXPECT_EQ(currentName(), "C");
    EXPECT_EQ(stored(), kFiveDevices);

    editCurrentDevice(devices);
    devices.setText("CihazAdi", "Kap\xFD");
    storeDevice(devices, file());
    EXPECT_EQ(devices.currentRow(), 2);
    EXPECT_EQ(stored(), kHeader + "1\tA\t1\t1\t\t\t\t1\t\t\t\t\t0\r\n" +
                            "2\tB\t2\t1\t\t\t\t1\t\t\t\t\t0\r\n" +
                            "3\tKap\xFD\t3\t1\t\t\t\t1\t\t\t\t\t0\r\n" +
                            "4\tD\t4\t1\t\t\t\t1\t\t\t\t\t0\r\n" +
                            "5\tE\t5\t1\t\t\t\t1\t\t\t\t\t0\r\n");
}

TEST_F(DeviceEditingTest, DeleteMakesTheFollowingOrThePreviousDeviceCurrentAndSaves) {
    struct Case {
        int row;
        const char* nowCurrent;
        std::string left;
    };
    const std::string a = "1\tA\t1\t1\t\t\t\t1\t\t\t\t\t0\r\n";
    const std::string b = "2\tB\t2\t1\t\t\t\t1\t\t\t\t\t0\r\n";
    const std::string c = "3\tC\t3\t1\t\t\t\t1\t\t\t\t\t0\r\n";
    const std::string d = "4\tD\t4\t1\t\t\t\t1\t\t\t\t\t0\r\n";
    const std::string e = "5\tE\t5\t1\t\t\t\t1\t\t\t\t\t0\r\n";
    const Case cases[] = {
        {0, "B", b + c + d + e},
        {2, "D", a + b + d + e},
        {4, "D", a + b + c + d},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.row);
        load(kFiveDevices);
        devices.moveTo(test.row);
        AnsweringOperator yes(true);
        deleteCurrentDevice(devices, file(), yes);
        EXPECT_EQ(yes.questions,
                  std::vector<std::string>{"Bu cihazı silmek istediğinizden emin misiniz?"});
        EXPECT_EQ(currentName(), test.nowCurrent);
        EXPECT_EQ(stored(), kHeader + test.left);
    }

    // The last device goes: the list is empty and saved as the header alone.
    load(kHeader + a);
    AnsweringOperator yes(true);
    deleteCurrentDevice(devices, file(), yes);
    EXPECT_EQ(devices.currentRow(), -1);
    EXPECT_EQ(stored(), kHeader);
}

TEST_F(DeviceEditingTest, DeleteAnsweredNoOrOnAnEmptyListChangesAndWritesNothing) {
    load(kFiveDevices);
    devices.moveTo(3);
    AnsweringOperator no(false);
    deleteCurrentDevice(devices, file(), no);
    EXPECT_EQ(no.questions.size(), 1u);
    EXPECT_EQ(devices.rowCount(), 5);
    EXPECT_EQ(devices.currentRow(), 3);
    EXPECT_EQ(stored(), kFiveDevices);

    load(kHeader);
    folder.write("Cihazlar.Dat", "old bytes");
    AnsweringOperator yes(true);
    EXPECT_EQ(errorText([&] { deleteCurrentDevice(devices, file(), yes); }),
              "CihazTable: Cannot perform this operation on an empty dataset");
    EXPECT_EQ(yes.questions.size(), 1u);
    EXPECT_EQ(stored(), "old bytes");
}

TEST_F(DeviceEditingTest, AFailedSaveKeepsTheFileAndTheChangeInMemory) {
    load(kFiveDevices);
    const std::string expected = "Cannot create file \"" + file() + "\". ";
    appendNewDevice(devices);
    {
        testsupport::FailingFileOperation failing;
        EXPECT_EQ(errorText([&] { storeDevice(devices, file()); }).substr(0, expected.size()),
                  expected);
    }
    EXPECT_EQ(devices.state(), TableState::Browse);
    EXPECT_EQ(devices.rowCount(), 6);
    EXPECT_EQ(stored(), kFiveDevices);

    devices.moveTo(0);
    AnsweringOperator yes(true);
    {
        testsupport::FailingFileOperation failing;
        EXPECT_EQ(errorText([&] {
                      deleteCurrentDevice(devices, file(), yes);
                  }).substr(0, expected.size()),
                  expected);
    }
    EXPECT_EQ(devices.rowCount(), 5);
    EXPECT_EQ(currentName(), "B");
    EXPECT_EQ(stored(), kFiveDevices);
}

} // namespace
} // namespace nakilon
