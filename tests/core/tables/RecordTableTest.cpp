#include "core/tables/TDataModul.h"
#include "core/tables/TableTestSupport.h"
#include "support/ThrownText.h"

#include <gtest/gtest.h>

namespace nakilon {
namespace {

using testsupport::addDevice;
using testsupport::thrownText;

class RecordTableTest : public ::testing::Test {
protected:
    void SetUp() override { devices.open(); }

    // The device numbers in table order.
    std::vector<int> numbers() const {
        std::vector<int> result;
        const int field = devices.fieldIndex("CihazNo");
        for (int row = 0; row < devices.rowCount(); ++row)
            result.push_back(devices.integerAt(row, field));
        return result;
    }
    std::vector<int> recIds() const {
        std::vector<int> result;
        for (int row = 0; row < devices.rowCount(); ++row)
            result.push_back(devices.integerAt(row, devices.recIdField()));
        return result;
    }
    void addFive() {
        for (int i = 1; i <= 5; ++i)
            addDevice(devices, i, testsupport::numbered("C", i));
    }

    TDataModul modul;
    RecordTable& devices = modul.CihazTable;
};

// --- record numbers ----------------------------------------------------------

TEST_F(RecordTableTest, RecordNumbersFollowAddingAndAreNeverReused) {
    addFive();
    EXPECT_EQ(recIds(), (std::vector<int>{1, 2, 3, 4, 5}));

    devices.append(); // the number shows while the record is being filled
    EXPECT_EQ(devices.asInteger("RecId"), 6);
    devices.cancel();
    devices.append(); // a cancelled record used no number up
    EXPECT_EQ(devices.asInteger("RecId"), 6);
    devices.setInteger("CihazNo", 6);
    devices.post();

    devices.remove(); // deleting leaves the counter alone
    devices.append();
    EXPECT_EQ(devices.asInteger("RecId"), 7);
    devices.post();
    EXPECT_EQ(recIds(), (std::vector<int>{1, 2, 3, 4, 5, 7}));
}

TEST_F(RecordTableTest, ReopeningStartsTheNumbersAgainButOpeningAnOpenTableChangesNothing) {
    addFive();
    devices.open();
    EXPECT_EQ(devices.rowCount(), 5);
    devices.close();
    EXPECT_EQ(devices.rowCount(), 0);
    devices.open();
    devices.append();
    EXPECT_EQ(devices.asInteger("recid"), 1);
}

TEST_F(RecordTableTest, RecordNumberIsReadOnly) {
    devices.append();
    EXPECT_EQ(thrownText([&] { devices.setInteger("RecId", 9); }),
              "Field 'RecId' cannot be modified");
    EXPECT_EQ(devices.asInteger("RecId"), 1);
}

// --- adding, placing and deleting records --------------------------------------

TEST_F(RecordTableTest, AppendPutsTheNewRecordLastWhateverIsCurrent) {
    addFive();
    devices.first();
    devices.next(); // the second of five
    devices.append();
    devices.setInteger("CihazNo", 6);
    devices.post();
    EXPECT_EQ(numbers(), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(devices.currentRow(), 5);
}

TEST_F(RecordTableTest, InsertPutsTheNewRecordBeforeTheCurrentOne) {
    devices.insert(); // on an empty table: the only row
    devices.setInteger("CihazNo", 1);
    devices.post();
    addDevice(devices, 3, "C");
    devices.insert();
    devices.setInteger("CihazNo", 2);
    devices.post();
    EXPECT_EQ(numbers(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(devices.currentRow(), 1);
    EXPECT_EQ(recIds(), (std::vector<int>{1, 3, 2}));
}

TEST_F(RecordTableTest, EditOnAnEmptyTableStartsAnEmptyNewRecord) {
    devices.edit();
    EXPECT_EQ(devices.state(), TableState::Insert);
    devices.post();
    ASSERT_EQ(devices.rowCount(), 1);
    for (int f = 0; f < devices.recIdField(); ++f)
        EXPECT_TRUE(devices.isNull(0, f)) << devices.field(f).name;
    EXPECT_EQ(devices.asInteger("RecId"), 1);
    EXPECT_FALSE(devices.isNull("RecId"));
}

TEST_F(RecordTableTest, EditAndInsertStayUntilPostOrCancel) {
    addDevice(devices, 1, "A");
    devices.edit();
    EXPECT_EQ(devices.state(), TableState::Edit);
    devices.edit();
    EXPECT_EQ(devices.state(), TableState::Edit);
    devices.post();
    EXPECT_EQ(devices.state(), TableState::Browse);
    devices.post(); // browsing: nothing
    devices.append();
    devices.edit();
    EXPECT_EQ(devices.state(), TableState::Insert);
}

TEST_F(RecordTableTest, CancelRestoresAnEditedRecordAndDropsANewOne) {
    addDevice(devices, 1, "A");
    devices.edit();
    devices.setText("CihazAdi", "B");
    devices.clear("CihazNo");
    devices.cancel();
    EXPECT_EQ(devices.asText("CihazAdi"), "A");
    EXPECT_EQ(devices.asInteger("CihazNo"), 1);
    EXPECT_EQ(devices.state(), TableState::Browse);

    devices.append();
    devices.setInteger("CihazNo", 2);
    devices.cancel();
    EXPECT_EQ(devices.rowCount(), 1);
    EXPECT_EQ(devices.currentRow(), 0);
}

TEST_F(RecordTableTest, DeleteMakesTheFollowingRecordCurrentOrThePreviousAtTheEnd) {
    addFive();
    devices.locate("CihazNo", 2);
    devices.remove();
    EXPECT_EQ(devices.asInteger("CihazNo"), 3);
    devices.locate("CihazNo", 5);
    devices.remove();
    EXPECT_EQ(devices.asInteger("CihazNo"), 4);
    EXPECT_EQ(numbers(), (std::vector<int>{1, 3, 4}));
}

TEST_F(RecordTableTest, DeleteWhileInsertingDropsOnlyTheNewRecord) {
    addFive();
    devices.append();
    devices.setInteger("CihazNo", 9);
    devices.remove();
    EXPECT_EQ(numbers(), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(devices.state(), TableState::Browse);
}

TEST_F(RecordTableTest, DeleteWhileEditingRemovesTheRecord) {
    addFive();
    devices.locate("CihazNo", 3);
    devices.edit();
    devices.setInteger("CihazNo", 30);
    devices.remove();
    EXPECT_EQ(numbers(), (std::vector<int>{1, 2, 4, 5}));
    EXPECT_EQ(devices.state(), TableState::Browse);
}

TEST_F(RecordTableTest, DeletingUntilTheEndEmptiesTheTableFromAnyRecord) {
    addFive();
    devices.locate("CihazNo", 4);
    while (!devices.eof())
        devices.remove();
    EXPECT_EQ(devices.rowCount(), 0);
}

TEST_F(RecordTableTest, DeletingFromAnEmptyTableFailsAndChangesNothing) {
    EXPECT_EQ(thrownText([&] { devices.remove(); }),
              "CihazTable: Cannot perform this operation on an empty dataset");
    EXPECT_EQ(thrownText([&] { modul.PersonelTampon.open(), modul.PersonelTampon.remove(); }),
              "PersonelTampon: Cannot perform this operation on an empty dataset");
    EXPECT_EQ(devices.rowCount(), 0);
    EXPECT_EQ(devices.state(), TableState::Browse);
}

// --- leaving the current record ends its edit -----------------------------------

TEST_F(RecordTableTest, LeavingAChangedRecordPostsIt) {
    addFive();
    const std::vector<std::pair<const char*, std::function<void()>>> moves = {
        {"append", [&] { devices.append(); }},
        {"insert", [&] { devices.insert(); }},
        {"first", [&] { devices.first(); }},
        {"next", [&] { devices.next(); }},
        {"locate", [&] { devices.locate("CihazNo", 1); }},
        {"bookmark", [&] { devices.gotoBookmark(Bookmark{1}); }},
        {"refresh", [&] { devices.refresh(); }},
        {"moveTo", [&] { devices.moveTo(0); }},
    };
    for (const auto& [name, move] : moves) {
        devices.locate("CihazNo", 3);
        devices.edit();
        devices.setText("CihazAdi", name);
        move();
        EXPECT_NE(devices.state(), TableState::Edit) << name;
        devices.cancel(); // a new record that the move started
        ASSERT_TRUE(devices.locate("CihazNo", 3)) << name;
        EXPECT_EQ(devices.asText("CihazAdi"), name);
    }
    EXPECT_EQ(devices.rowCount(), 5);
}

TEST_F(RecordTableTest, LeavingAnUnchangedNewRecordDropsIt) {
    addFive();
    devices.append();
    devices.first();
    EXPECT_EQ(devices.rowCount(), 5);
    devices.locate("CihazNo", 3);
    devices.insert(); // before the third
    devices.next();   // dropped: the third is current again and next goes on
    EXPECT_EQ(devices.asInteger("CihazNo"), 4);
    EXPECT_EQ(numbers(), (std::vector<int>{1, 2, 3, 4, 5}));

    devices.append();
    devices.setInteger("CihazNo", 6);
    devices.first(); // changed: posted
    EXPECT_EQ(numbers(), (std::vector<int>{1, 2, 3, 4, 5, 6}));
}

TEST_F(RecordTableTest, ANewRecordWhoseFieldWasEmptiedCountsAsChanged) {
    devices.append();
    devices.clear("CihazNo");
    devices.first();
    EXPECT_EQ(devices.rowCount(), 1);
}

// --- visiting, locating, remembering ---------------------------------------------

TEST_F(RecordTableTest, EndTestIsTrueAtOnceOnAnEmptyTableAndAfterPassingTheLast) {
    devices.first();
    EXPECT_TRUE(devices.eof());
    addFive();
    std::vector<int> seen;
    for (devices.first(); !devices.eof(); devices.next())
        seen.push_back(devices.asInteger("CihazNo"));
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(devices.currentRow(), 4); // the visit ends on the last record
}

TEST_F(RecordTableTest, LocateFindsTheFirstMatchOrLeavesTheCurrentRecord) {
    addDevice(devices, 7, "A");
    addDevice(devices, 8, "B");
    addDevice(devices, 7, "C");
    EXPECT_TRUE(devices.locate("cihazno", 7));
    EXPECT_EQ(devices.asText("CihazAdi"), "A");
    devices.next();
    EXPECT_FALSE(devices.locate("CihazNo", 9));
    EXPECT_EQ(devices.asText("CihazAdi"), "B");
    EXPECT_FALSE(devices.locate("Durum", 0)); // an empty field equals no value
    EXPECT_TRUE(devices.locate("RecID", 3));
    EXPECT_EQ(devices.asText("CihazAdi"), "C");
    EXPECT_TRUE(devices.locate("CihazAdi", std::string_view("B")));
    EXPECT_EQ(devices.currentRow(), 1);
}

TEST_F(RecordTableTest, BookmarkReturnsToTheRememberedRecord) {
    addFive();
    devices.locate("CihazNo", 4);
    const Bookmark mark = devices.bookmark();
    devices.first();
    devices.insert();
    devices.setInteger("CihazNo", 0);
    devices.post();
    EXPECT_TRUE(devices.gotoBookmark(mark));
    EXPECT_EQ(devices.asInteger("CihazNo"), 4);
    devices.remove();
    devices.first();
    EXPECT_FALSE(devices.gotoBookmark(mark));
    EXPECT_EQ(devices.currentRow(), 0);
}

// --- fields and values --------------------------------------------------------------

TEST_F(RecordTableTest, FieldNamesMatchWithoutLetterCase) {
    EXPECT_EQ(devices.fieldIndex("RecID"), devices.recIdField());
    EXPECT_EQ(devices.field(devices.fieldIndex("Makineno")).name, "MakineNo");
    EXPECT_EQ(devices.field(devices.fieldIndex("ComPortNo")).name, "ComportNo");
    modul.PersonelTable.open();
    EXPECT_EQ(modul.PersonelTable.field(modul.PersonelTable.fieldIndex("Kartno")).name, "KartNo");
    EXPECT_EQ(devices.findField("Cihaz"), -1);
}

TEST_F(RecordTableTest, UnknownFieldFailsWithTheTableName) {
    EXPECT_EQ(thrownText([&] { devices.asInteger("Yok"); }), "CihazTable: Field 'Yok' not found");
    modul.PersonelTable.open();
    modul.PersonelTable.append();
    EXPECT_EQ(thrownText([&] { modul.PersonelTable.setInteger("CihazNo", 1); }),
              "PersonelTable: Field 'CihazNo' not found");
}

TEST_F(RecordTableTest, EmptyIsDistinctFromZeroAndFromEmptyText) {
    devices.append();
    EXPECT_TRUE(devices.isNull("Isaret"));
    EXPECT_EQ(devices.asInteger("Isaret"), 0);
    EXPECT_EQ(devices.asText("Isaret"), "");
    EXPECT_EQ(devices.asText("CihazAdi"), "");
    devices.setInteger("Isaret", 0);
    devices.setText("CihazAdi", "");
    EXPECT_FALSE(devices.isNull("Isaret"));
    EXPECT_FALSE(devices.isNull("CihazAdi"));
    EXPECT_EQ(devices.asText("Isaret"), "0");
    devices.setText("Isaret", ""); // an empty text empties an integer field
    EXPECT_TRUE(devices.isNull("Isaret"));
}

TEST_F(RecordTableTest, FieldsNothingSetsReadAsZero) {
    addDevice(devices, 1, "A");
    EXPECT_EQ(devices.asInteger("ComportNo"), 0);
    EXPECT_EQ(devices.asInteger("Durum"), 0);
    RecordTable& buffer = modul.PersonelTampon;
    buffer.open();
    buffer.append();
    buffer.setInteger("PersonelNo", 5);
    buffer.post();
    EXPECT_EQ(buffer.asInteger("Sifre"), 0);
    EXPECT_EQ(buffer.asText("Backup"), "");
}

TEST_F(RecordTableTest, TextIsCutAtTheFieldWidth) {
    devices.append();
    devices.setText("CihazAdi", "123456789012345678901234567890123456789012345");
    EXPECT_EQ(devices.asText("CihazAdi"), "123456789012345678901234567890");
    devices.setText("Parola", "123456789012");
    EXPECT_EQ(devices.asText("Parola"), "1234567890");
    devices.setInteger("Parola", -123456789);
    EXPECT_EQ(devices.asText("Parola"), "-123456789");
}

TEST_F(RecordTableTest, SmallIntFieldsRefuseNumbersOutOfRangeAndKeepTheirValue) {
    devices.append();
    devices.setInteger("Isaret", 1);
    EXPECT_EQ(
        thrownText([&] { devices.setInteger("Isaret", 40000); }),
        "40000 is not a valid value for field 'Isaret'. The allowed range is -32768 to 32767");
    EXPECT_EQ(thrownText([&] { devices.setInteger("baglantitipi", -32769); }),
              "-32769 is not a valid value for field 'BaglantiTipi'. The allowed range is -32768 "
              "to 32767");
    EXPECT_EQ(
        thrownText([&] { devices.setText("GCTip", "1000000"); }),
        "1000000 is not a valid value for field 'GCTip'. The allowed range is -32768 to 32767");
    EXPECT_EQ(devices.asInteger("Isaret"), 1);
    devices.setInteger("Isaret", -32768);
    devices.setInteger("Durum", 32767);
    EXPECT_EQ(devices.asInteger("Isaret"), -32768);
    EXPECT_EQ(devices.asInteger("Durum"), 32767);
}

TEST_F(RecordTableTest, IntegerFieldsTakeTextThatReadsAsAnInteger) {
    devices.append();
    devices.setText("CihazNo", "$1F");
    EXPECT_EQ(devices.asInteger("CihazNo"), 31);
    devices.setText("CihazNo", "  -7");
    EXPECT_EQ(devices.asInteger("CihazNo"), -7);
    devices.setText("Port", "0x10");
    EXPECT_EQ(devices.asInteger("Port"), 16);
    devices.setText("Port", "-2147483648");
    EXPECT_EQ(devices.asInteger("Port"), -2147483648LL);

    EXPECT_EQ(thrownText([&] { devices.setText("CihazNo", "12 "); }),
              "'12 ' is not a valid integer value for field 'CihazNo'");
    EXPECT_EQ(thrownText([&] { devices.setText("Port", "2147483648"); }),
              "'2147483648' is not a valid integer value for field 'Port'");
    EXPECT_EQ(thrownText([&] { devices.setText("Isaret", "99999999999"); }),
              "'99999999999' is not a valid integer value for field 'Isaret'");
    // The text is shown in Unicode: "Kapı" holds 0xFD in the table.
    EXPECT_EQ(thrownText([&] { devices.setText("MakineNo", "Kap\xFD"); }),
              "'Kapı' is not a valid integer value for field 'MakineNo'");
    EXPECT_EQ(devices.asInteger("CihazNo"), -7);
}

TEST_F(RecordTableTest, TextsThatWouldBreakATableFileAreRefused) {
    devices.append();
    devices.setText("CihazAdi", "A");
    for (const std::string& bad :
         {std::string("a\tb"), std::string("a\rb"), std::string("a\nb"), std::string("a\0b", 3)}) {
        EXPECT_EQ(thrownText([&] { devices.setText("CihazAdi", bad); }),
                  "Field 'CihazAdi' cannot hold a TAB, CR, LF or NUL character");
    }
    EXPECT_EQ(devices.asText("CihazAdi"), "A");
    // Beyond the width the text is cut away anyway.
    devices.setText("Parola", "0123456789\t");
    EXPECT_EQ(devices.asText("Parola"), "0123456789");
}

TEST_F(RecordTableTest, WritingNeedsEditOrInsertAndAnOpenTable) {
    addDevice(devices, 1, "A");
    EXPECT_EQ(thrownText([&] { devices.setInteger("CihazNo", 2); }),
              "CihazTable: Dataset not in edit or insert mode");
    EXPECT_EQ(devices.asInteger("CihazNo"), 1);
    devices.close();
    EXPECT_EQ(thrownText([&] { devices.append(); }),
              "CihazTable: Cannot perform this operation on a closed dataset");
    EXPECT_EQ(devices.state(), TableState::Inactive);
    EXPECT_TRUE(devices.eof());
}

TEST_F(RecordTableTest, ReadingWithoutACurrentRecordGivesEmptyFields) {
    EXPECT_TRUE(devices.isNull("CihazNo"));
    EXPECT_EQ(devices.asInteger("CihazNo"), 0);
    EXPECT_EQ(devices.asText("CihazAdi"), "");
    EXPECT_EQ(devices.bookmark().recId, 0);
}

} // namespace
} // namespace nakilon
