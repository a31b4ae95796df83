#include "core/tables/TDataModul.h"
#include "core/tables/TableTestSupport.h"
#include "support/RowName.h"
#include "support/TempFolder.h"
#include "support/ThrownText.h"

#include <gtest/gtest.h>

namespace nakilon {
namespace {

using testsupport::addDevice;
using testsupport::thrownText;

const std::string kDeviceHeader =
    "CihazNo\tCihazAdi\tMakineNo\tBaglantiTipi\tIPAdres\tParola\tPort\tIsaret\tDurum\t"
    "Aciklama\tTransferDurumu\tComportNo\tGCTip\r\n";
const std::string kPersonnelHeader = "PersonelNo\tKartNo\tYetki\tSifre\tIzinDurum\tSecim\r\n";

class TableFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        devices.open();
        personnel.open();
    }
    std::string deviceFile() const { return folder.file("Cihazlar.Dat"); }
    void loadDevices(std::string_view bytes) {
        folder.write("Cihazlar.Dat", bytes);
        devices.loadFromFile(deviceFile());
    }
    std::string loadDevicesError(std::string_view bytes) {
        return thrownText([&] { loadDevices(bytes); });
    }
    // One field of every row, "-" for an empty field.
    std::vector<std::string> column(const RecordTable& table, std::string_view name) const {
        std::vector<std::string> result;
        const int field = table.fieldIndex(name);
        for (int row = 0; row < table.rowCount(); ++row)
            result.push_back(table.isNull(row, field) ? "-" : table.textAt(row, field));
        return result;
    }
    // A device as "Cihaz Ekle" makes it.
    void addNewDevice() {
        devices.append();
        devices.setInteger("BaglantiTipi", 1);
        devices.setInteger("Port", 5005);
        devices.setInteger("CihazNo", 1);
        devices.setText("CihazAdi", "Cihaz1");
        devices.setInteger("MakineNo", 1);
        devices.setInteger("Isaret", 1);
        devices.setInteger("GCTip", 0);
        devices.post();
    }

    testsupport::TempFolder folder;
    TDataModul modul;
    RecordTable& devices = modul.CihazTable;
    RecordTable& personnel = modul.PersonelTable;
};

using Column = std::vector<std::string>;

// --- the bytes a save writes -----------------------------------------------------

TEST_F(TableFileTest, EmptyTablesAreTheirHeaderLineAlone) {
    devices.saveToFile(deviceFile());
    const std::string device = folder.read("Cihazlar.Dat");
    EXPECT_EQ(device, "CihazNo\tCihazAdi\tMakineNo\tBaglantiTipi\tIPAdres\tParola\tPort\tIsaret\t"
                      "Durum\tAciklama\tTransferDurumu\tComportNo\tGCTip\r\n");
    EXPECT_EQ(device.size(), 113u);

    folder.write("Data\\Personel.PDT", "");
    personnel.saveToFile(folder.file("Data\\Personel.PDT"));
    const std::string staff = folder.read("Data\\Personel.PDT");
    EXPECT_EQ(staff, "PersonelNo\tKartNo\tYetki\tSifre\tIzinDurum\tSecim\r\n");
    EXPECT_EQ(staff.size(), 47u);
}

TEST_F(TableFileTest, ANewDeviceIsA29ByteLine) {
    addNewDevice();
    devices.saveToFile(deviceFile());
    const std::string line = folder.read("Cihazlar.Dat").substr(113);
    EXPECT_EQ(line, "1\tCihaz1\t1\t1\t\t\t5005\t1\t\t\t\t\t0\r\n");
    EXPECT_EQ(line.size(), 29u);
}

TEST_F(TableFileTest, ValuesAreWrittenAsHeldEmptyFieldsAsNothing) {
    personnel.append();
    personnel.setInteger("PersonelNo", -2147483647 - 1);
    personnel.setInteger("KartNo", 0);
    personnel.setInteger("Secim", 2147483647);
    personnel.post();
    personnel.append();
    personnel.post();
    personnel.saveToFile(folder.file("Personel.PDT"));
    EXPECT_EQ(folder.read("Personel.PDT"),
              kPersonnelHeader + "-2147483648\t0\t\t\t\t2147483647\r\n\t\t\t\t\t\r\n");

    devices.append();
    devices.setText("CihazAdi", " Kap\xFD B ");
    devices.setText("Aciklama", "Ba\xF0lant\xFD kurulamad\xFD");
    devices.setText("IPAdres", "");
    devices.post();
    devices.saveToFile(deviceFile());
    EXPECT_EQ(folder.read("Cihazlar.Dat"),
              kDeviceHeader +
                  "\t Kap\xFD B \t\t\t\t\t\t\t\tBa\xF0lant\xFD kurulamad\xFD\t\t\t\r\n");
}

TEST_F(TableFileTest, SavingPostsAChangedRecordAndDropsAnUnchangedNewOne) {
    addDevice(devices, 1, "A");
    devices.edit();
    devices.setInteger("CihazNo", 2);
    devices.saveToFile(deviceFile());
    EXPECT_EQ(devices.state(), TableState::Browse);
    EXPECT_EQ(folder.read("Cihazlar.Dat"), kDeviceHeader + "2\tA\t\t\t\t\t\t\t\t\t\t\t\r\n");

    devices.append();
    devices.saveToFile(deviceFile());
    EXPECT_EQ(devices.rowCount(), 1);
    EXPECT_EQ(folder.read("Cihazlar.Dat"), kDeviceHeader + "2\tA\t\t\t\t\t\t\t\t\t\t\t\r\n");
}

TEST_F(TableFileTest, SavingAClosedTableWritesNothing) {
    modul.PersonelTampon.saveToFile(folder.file("Tampon.txt"));
    EXPECT_FALSE(folder.exists("Tampon.txt"));
}

TEST_F(TableFileTest, SaveAndLoadGiveTheSameRecordsRenumbered) {
    for (int i = 1; i <= 3; ++i)
        addDevice(devices, i * 10, testsupport::numbered("C", i));
    devices.first();
    devices.remove(); // numbers 2 and 3 stay
    devices.edit();
    devices.setText("CihazAdi", "");
    devices.setInteger("GCTip", -2);
    devices.post();
    devices.saveToFile(deviceFile());
    devices.loadFromFile(deviceFile());
    EXPECT_EQ(column(devices, "RecId"), (Column{"1", "2"}));
    EXPECT_EQ(column(devices, "CihazNo"), (Column{"20", "30"}));
    EXPECT_EQ(column(devices, "CihazAdi"), (Column{"-", "C3"})); // empty text comes back empty
    EXPECT_EQ(column(devices, "GCTip"), (Column{"-2", "-"}));
    EXPECT_EQ(devices.currentRow(), 0);
    devices.append();
    EXPECT_EQ(devices.asInteger("RecId"), 3);
}

// --- loading --------------------------------------------------------------------

TEST_F(TableFileTest, LoadReplacesTheRecords) {
    addDevice(devices, 9, "Eski");
    loadDevices(kDeviceHeader + "1\tCihaz1\t1\t1\t\t\t5005\t1\t\t\t\t\t0\r\n" +
                "2\tKap\xFD\t3\t2\t10.0.0.2\t0042\t4370\t0\t5\tBa\xF0lant\xFD\t100\t7\t2\r\n");
    EXPECT_EQ(column(devices, "CihazNo"), (Column{"1", "2"}));
    EXPECT_EQ(column(devices, "CihazAdi"), (Column{"Cihaz1", "Kap\xFD"}));
    EXPECT_EQ(column(devices, "IPAdres"), (Column{"-", "10.0.0.2"}));
    EXPECT_EQ(column(devices, "Parola"), (Column{"-", "0042"}));
    EXPECT_EQ(column(devices, "Aciklama"), (Column{"-", "Ba\xF0lant\xFD"}));
    EXPECT_EQ(column(devices, "ComportNo"), (Column{"-", "7"}));
    EXPECT_EQ(column(devices, "GCTip"), (Column{"0", "2"}));
    EXPECT_EQ(column(devices, "RecId"), (Column{"1", "2"}));

    loadDevices(kDeviceHeader); // the header alone empties the table
    EXPECT_EQ(devices.rowCount(), 0);
}

TEST_F(TableFileTest, LoadOpensAClosedTable) {
    RecordTable& buffer = modul.PersonelTampon;
    folder.write("t.txt", "PersonelNo\tBackup\r\n5\tx\r\n");
    buffer.loadFromFile(folder.file("t.txt"));
    EXPECT_EQ(buffer.state(), TableState::Browse);
    EXPECT_EQ(column(buffer, "Backup"), (Column{"x"}));
}

TEST_F(TableFileTest, EmptyFileLeavesTheTableAsItWas) {
    addDevice(devices, 9, "A");
    loadDevices("");
    EXPECT_EQ(column(devices, "CihazNo"), (Column{"9"}));
    loadDevices(std::string("\0CihazNo\r\n1\r\n", 13)); // NUL first: no line
    EXPECT_EQ(column(devices, "CihazNo"), (Column{"9"}));
}

TEST_F(TableFileTest, ColumnsAreMatchedByNameInAnyOrderAndCase) {
    loadDevices("gctip\tRECID\tBilinmeyen\t\tcihazno\tCihazAdi\r\n"
                "2\t77\tzz\tyy\t5\tA\r\n"
                "\t\t\t\t6\r\n");
    EXPECT_EQ(column(devices, "CihazNo"), (Column{"5", "6"}));
    EXPECT_EQ(column(devices, "GCTip"), (Column{"2", "-"}));
    EXPECT_EQ(column(devices, "CihazAdi"), (Column{"A", "-"}));
    EXPECT_EQ(column(devices, "RecId"), (Column{"1", "2"}));
    EXPECT_EQ(column(devices, "Isaret"), (Column{"-", "-"}));
}

TEST_F(TableFileTest, MissingColumnLeavesItsFieldEmpty) {
    loadDevices("CihazNo\tCihazAdi\tMakineNo\tBaglantiTipi\tIPAdres\tParola\tPort\tIsaret\tDurum\t"
                "Aciklama\tTransferDurumu\tComportNo\r\n1\tA\t1\t1\t\t\t5005\t1\t\t\t\t\r\n");
    EXPECT_EQ(column(devices, "GCTip"), (Column{"-"}));
    EXPECT_EQ(devices.asInteger("GCTip"), 0);
}

TEST_F(TableFileTest, ShortLinesAndBlankLines) {
    loadDevices(kDeviceHeader + "7\tKap\xFD B\r\n\r\n8\r\n");
    EXPECT_EQ(column(devices, "CihazNo"), (Column{"7", "-", "8"}));
    EXPECT_EQ(column(devices, "CihazAdi"), (Column{"Kap\xFD B", "-", "-"}));
    for (int f = 2; f < devices.recIdField(); ++f)
        EXPECT_TRUE(devices.isNull(0, f)) << devices.field(f).name;
}

TEST_F(TableFileTest, CrAndLfLineEndsLoadLikeCrLf) {
    loadDevices("CihazNo\tCihazAdi\r1\tA\r2\tB\r");
    EXPECT_EQ(column(devices, "CihazAdi"), (Column{"A", "B"}));
    loadDevices("CihazNo\tCihazAdi\n1\tA\n2\tB");
    EXPECT_EQ(column(devices, "CihazAdi"), (Column{"A", "B"}));
    loadDevices(std::string("CihazNo\n1\n2\0\n3\n", 14)); // NUL ends the text
    EXPECT_EQ(column(devices, "CihazNo"), (Column{"1", "2"}));
}

TEST_F(TableFileTest, IntegerValuesWithSpacesSignsAndHex) {
    loadDevices("CihazNo\r\n 12\r\n$1F\r\n-7\r\n+8\r\n0x10\r\nX1f\r\n  -$A\r\n-2147483648\r\n");
    EXPECT_EQ(column(devices, "CihazNo"),
              (Column{"12", "31", "-7", "8", "16", "31", "-10", "-2147483648"}));
}

TEST_F(TableFileTest, LongTextIsCutAtTheFieldWidth) {
    loadDevices("CihazAdi\r\n1234567890123456789012345678901234567890\r\n");
    EXPECT_EQ(column(devices, "CihazAdi"), (Column{"123456789012345678901234567890"}));
}

// --- a load that stops ------------------------------------------------------------

struct BadValue {
    std::string name;
    std::string file;
    std::string error;
    friend void PrintTo(const BadValue& row, std::ostream* out) { *out << row.name; }
};

class ConversionError : public TableFileTest, public ::testing::WithParamInterface<BadValue> {};

TEST_P(ConversionError, StopsTheLoadKeepingEarlierRecords) {
    addDevice(devices, 99, "Eski");
    EXPECT_EQ(loadDevicesError(GetParam().file), GetParam().error);
    EXPECT_EQ(devices.rowCount(), 1);
    EXPECT_EQ(column(devices, "CihazAdi"), (Column{"-"})); // the old record went
    EXPECT_EQ(devices.state(), TableState::Browse);
    EXPECT_EQ(devices.currentRow(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    TableFile, ConversionError,
    ::testing::Values(
        BadValue{"TrailingBlank", "CihazNo\r\n1\r\n12 \r\n3\r\n",
                 "'12 ' is not a valid integer value for field 'CihazNo'"},
        BadValue{"Fraction", "CihazNo\r\n1\r\n1.5\r\n3\r\n",
                 "'1.5' is not a valid integer value for field 'CihazNo'"},
        BadValue{"BeyondInt32", "Port\r\n1\r\n2147483648\r\n",
                 "'2147483648' is not a valid integer value for field 'Port'"},
        BadValue{"BeyondInt16", "Isaret\r\n1\r\n40000\r\n",
                 "40000 is not a valid value for field 'Isaret'. The allowed range is -32768 to "
                 "32767"},
        BadValue{"HexBelowInt16", "durum\r\n1\r\n-$8001\r\n",
                 "-32769 is not a valid value for field 'Durum'. The allowed range is -32768 to "
                 "32767"},
        BadValue{"Text", "MakineNo\r\n1\r\nKap\xFD\r\n",
                 "'Kapı' is not a valid integer value for field 'MakineNo'"},
        BadValue{"LoneDollar", "CihazNo\r\n1\r\n$\r\n",
                 "'$' is not a valid integer value for field 'CihazNo'"},
        BadValue{"Blank", "CihazNo\r\n1\r\n \r\n",
                 "' ' is not a valid integer value for field 'CihazNo'"}),
    testsupport::RowName());

TEST_F(TableFileTest, SurplusValueStopsTheLoad) {
    EXPECT_EQ(loadDevicesError(kDeviceHeader + "1\tA\r\n" +
                               "2\tB\t1\t1\t\t\t5005\t1\t\t\t\t\t0\t9\r\n3\tC\r\n"),
              "List index out of bounds (13)");
    EXPECT_EQ(column(devices, "CihazNo"), (Column{"1"}));
    EXPECT_EQ(loadDevicesError("CihazNo\tCihazAdi\t\r\n1\tA\tx\r\n"),
              "List index out of bounds (2)");
    EXPECT_EQ(devices.rowCount(), 0);
}

TEST_F(TableFileTest, TableStaysUsableAfterAStoppedLoad) {
    EXPECT_NE(loadDevicesError("CihazNo\r\n1\r\n2\r\nx\r\n"), "");
    EXPECT_EQ(column(devices, "RecId"), (Column{"1", "2"}));
    EXPECT_FALSE(devices.viewsSuspended());
    devices.append(); // numbering goes on from the records kept
    EXPECT_EQ(devices.asInteger("RecId"), 3);
    devices.setInteger("CihazNo", 3);
    devices.post();
    devices.saveToFile(deviceFile());
    EXPECT_EQ(folder.read("Cihazlar.Dat"), kDeviceHeader + "1\t\t\t\t\t\t\t\t\t\t\t\t\r\n"
                                                           "2\t\t\t\t\t\t\t\t\t\t\t\t\r\n"
                                                           "3\t\t\t\t\t\t\t\t\t\t\t\t\r\n");
}

TEST_F(TableFileTest, MissingFileFailsAndLeavesTheTable) {
    addDevice(devices, 9, "A");
    const std::string name = folder.file("Yok.Dat");
    EXPECT_EQ(thrownText([&] { devices.loadFromFile(name); }),
              "Cannot open file \"" + name + "\". No such file or directory");
    EXPECT_EQ(column(devices, "CihazNo"), (Column{"9"}));
}

} // namespace
} // namespace nakilon
