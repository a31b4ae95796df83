#include "core/personnel/PersonnelList.h"

#include "core/base/Error.h"
#include "core/base/FileIoTesting.h"
#include "core/tables/FieldNames.h"
#include "core/tables/TDataModul.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <optional>

namespace nakilon {
namespace {

using testsupport::TempFolder;

const std::string kHeader = "PersonelNo\tKartNo\tYetki\tSifre\tIzinDurum\tSecim\r\n";

// What the grids of a table are told.
class ViewLog : public TableObserver {
public:
    explicit ViewLog(RecordTable& table) : m_table(table) { table.addObserver(this); }
    ~ViewLog() override { m_table.removeObserver(this); }
    void recordChanged(int row) override { changedRows.push_back(row); }
    void currentChanged(int row) override { currentRows.push_back(row); }
    void resetBegins() override { ++resets; }
    std::vector<int> changedRows;
    std::vector<int> currentRows;
    int resets = 0;

private:
    RecordTable& m_table;
};

class PersonnelListTest : public ::testing::Test {
protected:
    PersonnelListTest() {
        m_folder.write("Data\\Personel.PDT", kHeader);
        personel().open();
    }
    RecordTable& personel() { return m_data.PersonelTable; }

    // Rows of PersonelNo with the given Secim (nullopt: empty).
    void addRows(std::initializer_list<std::optional<int32_t>> marks) {
        int32_t number = 100;
        for (const auto& mark : marks) {
            personel().append();
            personel().setInteger(field::PersonelNo, ++number);
            if (mark)
                personel().setInteger(field::Secim, *mark);
            personel().post();
        }
    }
    std::vector<std::optional<int32_t>> marks() {
        std::vector<std::optional<int32_t>> result;
        const int f = personel().fieldIndex(field::Secim);
        for (int row = 0; row < personel().rowCount(); ++row)
            result.push_back(personel().isNull(row, f)
                                 ? std::nullopt
                                 : std::optional<int32_t>(personel().integerAt(row, f)));
        return result;
    }

    TempFolder m_folder;
    TDataModul m_data;
};

TEST_F(PersonnelListTest, MenuItemsSetEveryRowAndKeepTheCurrentRow) {
    struct Case {
        SelectionChange change;
        std::vector<std::optional<int32_t>> after;
    };
    // Only 1 is a mark: 2 and -1 are unselected rows, which "Diğerlerini Seç"
    // selects.
    const Case cases[] = {
        {SelectionChange::SelectAll, {1, 1, 1, 1, 1}},
        {SelectionChange::ClearAll, {0, 0, 0, 0, 0}},
        {SelectionChange::Invert, {0, 1, 1, 1, 1}},
    };
    for (const Case& c : cases) {
        for (const int current : {1, 4}) {
            SCOPED_TRACE(::testing::Message() << static_cast<int>(c.change) << " row " << current);
            personel().close();
            personel().open();
            addRows({1, 0, std::nullopt, 2, -1});
            personel().moveTo(current);
            ViewLog log(personel());
            changeSelection(personel(), c.change);
            EXPECT_EQ(marks(), c.after);
            EXPECT_EQ(personel().currentRow(), current);
            EXPECT_EQ(personel().state(), TableState::Browse);
            // Each row is shown changed; the grid does not run along.
            EXPECT_EQ(log.changedRows, (std::vector<int>{0, 1, 2, 3, 4}));
            EXPECT_EQ(log.currentRows, std::vector<int>{current});
            EXPECT_EQ(log.resets, 0);
        }
    }
}

TEST_F(PersonnelListTest, MenuItemsOnAnEmptyListChangeNothing) {
    changeSelection(personel(), SelectionChange::Invert);
    EXPECT_EQ(personel().rowCount(), 0);
}

TEST_F(PersonnelListTest, MenuItemsWorkOnTheBuffer) {
    RecordTable& tampon = m_data.PersonelTampon;
    tampon.open();
    for (int i = 0; i < 3; ++i) {
        tampon.append();
        tampon.setInteger(field::Secim, 1);
        tampon.post();
    }
    tampon.moveTo(0);
    changeSelection(tampon, SelectionChange::ClearAll);
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(tampon.integerAt(row, tampon.fieldIndex(field::Secim)), 0);
    EXPECT_EQ(tampon.currentRow(), 0);
}

TEST_F(PersonnelListTest, SelectionBoxIsPostedAtOnce) {
    addRows({0, 0});
    setRowSelection(personel(), 1, true);
    EXPECT_EQ(personel().state(), TableState::Browse);
    EXPECT_EQ(personel().currentRow(), 1);
    EXPECT_EQ(marks(), (std::vector<std::optional<int32_t>>{0, 1}));
    // Nothing is written to disk.
    EXPECT_EQ(m_folder.read("Data\\Personel.PDT"), kHeader);
}

TEST_F(PersonnelListTest, CellEditStaysInEditStateUntilTheRowIsLeft) {
    addRows({0, 0});
    editCell(personel(), 0, field::Sifre, "1234");
    EXPECT_EQ(personel().state(), TableState::Edit);
    EXPECT_EQ(personel().currentRow(), 0);
    editCell(personel(), 0, field::Yetki, "3");
    personel().cancel();
    EXPECT_TRUE(personel().isNull(field::Sifre));

    editCell(personel(), 0, field::Sifre, "1234");
    // Editing another row posts the first one.
    editCell(personel(), 1, field::KartNo, "");
    EXPECT_EQ(personel().integerAt(0, personel().fieldIndex(field::Sifre)), 1234);
    EXPECT_EQ(personel().currentRow(), 1);
}

TEST_F(PersonnelListTest, CellEditRefusesTextThatIsNoNumber) {
    addRows({0});
    try {
        editCell(personel(), 0, field::Sifre, "12a");
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.text(), "'12a' is not a valid integer value for field 'Sifre'");
    }
    EXPECT_TRUE(personel().isNull(field::Sifre));
}

TEST_F(PersonnelListTest, SavePostsTheEditInProgressAndWritesTheList) {
    addRows({1, std::nullopt});
    editCell(personel(), 1, field::Sifre, "-5");
    savePersonnelList(personel(), m_folder.path());
    EXPECT_EQ(personel().state(), TableState::Browse);
    EXPECT_EQ(m_folder.read("Data\\Personel.PDT"), kHeader + "101\t\t\t\t\t1\r\n"
                                                             "102\t\t\t-5\t\t\r\n");
}

TEST_F(PersonnelListTest, SaveOfAnEmptyListWritesTheHeaderOnly) {
    m_folder.write("Data\\Personel.PDT", kHeader + "7\t\t\t\t\t\r\n");
    savePersonnelList(personel(), m_folder.path());
    EXPECT_EQ(m_folder.read("Data\\Personel.PDT"), kHeader);
}

TEST_F(PersonnelListTest, FailedSaveKeepsFileAndList) {
    addRows({1});
    testing::setFileFailHook([](std::string_view operation) -> std::optional<int> {
        return operation == "rename" ? std::optional<int>(EACCES) : std::nullopt;
    });
    EXPECT_THROW(savePersonnelList(personel(), m_folder.path()), Error);
    testing::setFileFailHook({});
    EXPECT_EQ(m_folder.read("Data\\Personel.PDT"), kHeader);
    EXPECT_EQ(personel().rowCount(), 1);
}

} // namespace
} // namespace nakilon
