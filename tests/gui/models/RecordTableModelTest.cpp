#include "gui/models/RecordTableModel.h"
#include "core/tables/TDataModul.h"
#include "gui/models/GridSetup.h"
#include "support/MessageHookRecorder.h"
#include "support/TempFolder.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTableView>

#include <gtest/gtest.h>

namespace nakilon {
namespace {

using testsupport::MessageHookRecorder;
using testsupport::TempFolder;

std::vector<GridColumn> personelColumns() {
    return {{"PersonelNo", "Personel No"},
            {"KartNo", "Kart No"},
            {"Yetki", "", GridColumn::Kind::Choice, false, false, {{0, "Kullanıcı"}, {3, "Admin"}}},
            {"Secim", "Seçim", GridColumn::Kind::Check, false, true}};
}

class RecordTableModelTest : public ::testing::Test {
protected:
    RecordTableModelTest() {
        m_table.open();
        m_tester = std::make_unique<QAbstractItemModelTester>(
            &m_model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    }

    void add(int personelNo, int secim) {
        m_table.append();
        m_table.setInteger("PersonelNo", personelNo);
        m_table.setInteger("Secim", secim);
        m_table.post();
    }

    RecordTable m_table{"PersonelTable", TDataModul::personelFields()};
    RecordTableModel m_model{m_table, personelColumns()};
    std::unique_ptr<QAbstractItemModelTester> m_tester;
};

TEST_F(RecordTableModelTest, FollowsEveryKindOfTableChangeRowForRow) {
    QSignalSpy inserted(&m_model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&m_model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy reset(&m_model, &QAbstractItemModel::modelReset);

    add(7, 1);
    add(8, 0);
    add(9, 1);
    EXPECT_EQ(inserted.count(), 3);
    EXPECT_EQ(m_model.rowCount(), 3);

    m_table.first();
    m_table.next();
    m_table.insert(); // before the second record
    m_table.setInteger("PersonelNo", 75);
    EXPECT_EQ(m_model.index(1, 0).data().toInt(), 75);
    m_table.cancel();
    EXPECT_EQ(m_model.rowCount(), 3);
    EXPECT_EQ(m_model.index(1, 0).data().toInt(), 8);

    m_table.remove();
    EXPECT_EQ(removed.count(), 2); // the cancelled insert and the delete
    EXPECT_EQ(m_model.index(1, 0).data().toInt(), 9);
    EXPECT_EQ(reset.count(), 0);

    TempFolder folder;
    m_table.saveToFile(folder.file("p.PDT"));
    m_table.loadFromFile(folder.file("p.PDT"));
    EXPECT_EQ(reset.count(), 1);
    EXPECT_EQ(m_model.rowCount(), 2);
    m_table.close();
    EXPECT_EQ(m_model.rowCount(), 0);
}

TEST_F(RecordTableModelTest, ShowsValuesByColumnKind) {
    add(7, 1);
    m_table.append();
    m_table.setInteger("Yetki", 3);
    m_table.setInteger("Secim", 2);
    m_table.post();
    add(9, 0);

    EXPECT_EQ(m_model.index(0, 0).data().toInt(), 7);
    EXPECT_FALSE(m_model.index(1, 0).data().isValid()); // empty, not 0
    EXPECT_FALSE(m_model.index(0, 2).data().isValid());
    EXPECT_EQ(m_model.index(1, 2).data().toString(), "Admin");
    // Only 1 is a mark.
    EXPECT_EQ(m_model.index(0, 3).data(Qt::CheckStateRole), Qt::Checked);
    EXPECT_EQ(m_model.index(1, 3).data(Qt::CheckStateRole), Qt::Unchecked);
    EXPECT_EQ(m_model.index(2, 3).data(Qt::CheckStateRole), Qt::Unchecked);
    EXPECT_EQ(m_model.headerData(2, Qt::Horizontal).toString(), "Yetki");
    EXPECT_EQ(m_model.headerData(3, Qt::Horizontal).toString(), "Seçim");
}

TEST_F(RecordTableModelTest, AnEditGoesToTheHandlerNotIntoTheTable) {
    add(7, 1);
    // Without a handler nothing is editable.
    EXPECT_FALSE(m_model.flags(m_model.index(0, 3)) & Qt::ItemIsUserCheckable);
    EXPECT_FALSE(m_model.setData(m_model.index(0, 3), Qt::Unchecked, Qt::CheckStateRole));

    std::vector<std::pair<int, int>> edits;
    m_model.setEditHandler(
        [&](int row, int, const QVariant& value) { edits.emplace_back(row, value.toInt()); });
    EXPECT_TRUE(m_model.flags(m_model.index(0, 3)) & Qt::ItemIsUserCheckable);
    EXPECT_FALSE(m_model.flags(m_model.index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_TRUE(m_model.setData(m_model.index(0, 3), Qt::Unchecked, Qt::CheckStateRole));
    EXPECT_FALSE(m_model.setData(m_model.index(0, 0), 5, Qt::EditRole));
    ASSERT_EQ(edits.size(), 1u);
    EXPECT_EQ(edits[0], std::make_pair(0, 0));
    EXPECT_EQ(m_table.integerAt(0, m_table.fieldIndex("Secim")), 1);
}

TEST_F(RecordTableModelTest, GridsKeepTheirPlaceWhileTheTableRunsOverItsRecords) {
    for (int i = 1; i <= 5; ++i)
        add(i, 1);
    MessageHookRecorder boxes;
    QTableView first;
    QTableView second;
    RecordTableModel secondModel(m_table, personelColumns());
    setUpGrid(&first, &m_model);
    setUpGrid(&second, &secondModel);
    first.setCurrentIndex(m_model.index(3, 0));
    EXPECT_EQ(m_table.currentRow(), 3);
    EXPECT_EQ(second.currentIndex().row(), 3);

    // A save visits every record with the views suspended, then returns.
    QSignalSpy moved(second.selectionModel(), &QItemSelectionModel::currentRowChanged);
    TempFolder folder;
    m_table.saveToFile(folder.file("p.PDT"));
    EXPECT_EQ(moved.count(), 0);
    EXPECT_EQ(m_table.currentRow(), 3);

    // Deleting the current record moves every grid to the one that followed.
    m_table.remove();
    EXPECT_EQ(m_table.currentRow(), 3);
    EXPECT_EQ(first.currentIndex().row(), 3);
    EXPECT_EQ(second.currentIndex().row(), 3);
    EXPECT_EQ(m_model.index(3, 0).data().toInt(), 5);
    m_table.remove();
    EXPECT_EQ(first.currentIndex().row(), 2);
    EXPECT_EQ(second.currentIndex().row(), 2);

    // A load starts again at the first record.
    m_table.loadFromFile(folder.file("p.PDT"));
    EXPECT_EQ(first.currentIndex().row(), 0);
    EXPECT_EQ(second.currentIndex().row(), 0);
    EXPECT_TRUE(boxes.shown().empty());
}

// A tab makes its model before its grid, so Qt deletes the model first and
// the grid's link after it; the link must not reach for the model then.
TEST(CurrentRowLink, AWindowWhoseModelGoesFirstClosesCleanly) {
    RecordTable table{"PersonelTable", TDataModul::personelFields()};
    table.open();
    for (int i = 1; i <= 3; ++i) {
        table.append();
        table.setInteger("PersonelNo", i);
        table.post();
    }
    auto* window = new QWidget;
    auto* model = new RecordTableModel(table, personelColumns(), window);
    auto* grid = new QTableView(window);
    setUpGrid(grid, model);
    table.moveTo(1);
    EXPECT_EQ(grid->currentIndex().row(), 1);
    delete window;
    // The table goes on without the grid.
    table.moveTo(2);
    table.append();
    table.post();
    EXPECT_EQ(table.rowCount(), 4);
}

} // namespace
} // namespace nakilon
