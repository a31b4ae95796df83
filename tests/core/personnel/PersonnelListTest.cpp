#include "core/personnel/PersonnelList.h"

#include "PersonnelTestSupport.h"
#include "core/tables/FieldNames.h"
#include "core/tables/TDataModul.h"
#include "support/RowName.h"
#include "support/TempFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace nakilon {
namespace {

using namespace testsupport;
using ::testing::ElementsAre;

const std::string kHeader = "PersonelNo\tKartNo\tYetki\tSifre\tIzinDurum\tSecim\r\n";

// What the grids of the table are told.
class ViewLog : public TableObserver {
public:
    explicit ViewLog(RecordTable& table) : m_table(table) { table.addObserver(this); }
    ~ViewLog() override { m_table.removeObserver(this); }
    void recordChanged(int row) override { changed.push_back(row); }
    void currentChanged(int row) override { current.push_back(row); }
    std::vector<int> changed, current;

private:
    RecordTable& m_table;
};

struct SelectionCase {
    std::string name;
    SelectionChange change;
    int current;
    std::vector<std::string> after; // PersonelNo and Secim
    friend void PrintTo(const SelectionCase& row, std::ostream* out) { *out << row.name; }
};

class MenuItem : public ::testing::TestWithParam<SelectionCase> {};

TEST_P(MenuItem, SetsEveryRowAndKeepsTheCurrentRow) {
    const SelectionCase& c = GetParam();
    RecordTable table("PersonelTampon", {{"PersonelNo"}, {"Secim"}});
    table.open();
    appendRows(table, {"1 1", "2 0", "3 -", "4 2", "5 -1"});
    table.moveTo(c.current);
    ViewLog log(table);
    changeSelection(table, c.change);
    EXPECT_EQ(rowTexts(table), c.after);
    EXPECT_EQ(table.currentRow(), c.current);
    EXPECT_EQ(table.state(), TableState::Browse);
    // Every row is shown changed; the grid does not run along the rows.
    EXPECT_THAT(log.changed, ElementsAre(0, 1, 2, 3, 4));
    EXPECT_THAT(log.current, ElementsAre(c.current));
}

// Only 1 is a mark: 2 and -1 are unselected rows, which "Diğerlerini Seç"
// selects.
INSTANTIATE_TEST_SUITE_P(
    PersonnelList, MenuItem,
    ::testing::Values(
        SelectionCase{
            "SelectAll", SelectionChange::SelectAll, 1, {"1 1", "2 1", "3 1", "4 1", "5 1"}},
        SelectionCase{
            "ClearAll", SelectionChange::ClearAll, 4, {"1 0", "2 0", "3 0", "4 0", "5 0"}},
        SelectionCase{"Invert", SelectionChange::Invert, 4, {"1 0", "2 1", "3 1", "4 1", "5 1"}}),
    RowName());

TEST(PersonnelList, InvertingAnEmptyListChangesNothing) {
    RecordTable empty("PersonelTable", {{"Secim"}});
    empty.open();
    changeSelection(empty, SelectionChange::Invert);
    EXPECT_EQ(empty.rowCount(), 0);
}

TEST(PersonnelList, SavePostsTheEditInProgressAndWritesTheWholeList) {
    TempFolder folder;
    folder.write("Data\\Personel.PDT", kHeader + "9\t\t\t\t\t\r\n");
    TDataModul data;
    data.PersonelTable.open();
    savePersonnelList(data.PersonelTable, folder.path());
    EXPECT_EQ(folder.read("Data\\Personel.PDT"), kHeader);

    appendRows(data.PersonelTable, {"101 - - - - 1", "102 - - - - -"});
    setRowSelection(data.PersonelTable, 0, false);
    EXPECT_EQ(data.PersonelTable.state(), TableState::Browse);
    editCell(data.PersonelTable, 1, field::Sifre, "-5");
    EXPECT_EQ(data.PersonelTable.state(), TableState::Edit);
    EXPECT_EQ(folder.read("Data\\Personel.PDT"), kHeader);
    savePersonnelList(data.PersonelTable, folder.path());
    EXPECT_EQ(data.PersonelTable.state(), TableState::Browse);
    EXPECT_EQ(folder.read("Data\\Personel.PDT"), kHeader + "101\t\t\t\t\t0\r\n"
                                                           "102\t\t\t-5\t\t\r\n");
}

} // namespace
} // namespace nakilon
