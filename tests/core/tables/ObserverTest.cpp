#include "core/tables/TDataModul.h"
#include "core/tables/TableTestSupport.h"
#include "support/TempFolder.h"
#include "support/ThrownText.h"

#include <gtest/gtest.h>

namespace nakilon {
namespace {

using testsupport::addDevice;
using testsupport::thrownText;

// Writes every notification as a short word, and checks that the table is
// consistent when each one arrives.
class Recorder : public TableObserver {
public:
    explicit Recorder(RecordTable& table) : m_table(table) { m_table.addObserver(this); }
    ~Recorder() override { m_table.removeObserver(this); }

    std::string take() {
        std::string result;
        for (const std::string& e : m_events)
            result += (result.empty() ? "" : " ") + e;
        m_events.clear();
        return result;
    }

    void recordAboutToBeInserted(int row) override {
        m_rowsBefore = m_table.rowCount();
        add("+?", row);
    }
    void recordInserted(int row) override {
        EXPECT_EQ(m_table.rowCount(), m_rowsBefore + 1);
        add("+", row);
    }
    void recordAboutToBeRemoved(int row) override {
        m_rowsBefore = m_table.rowCount();
        add("-?", row);
    }
    void recordRemoved(int row) override {
        EXPECT_EQ(m_table.rowCount(), m_rowsBefore - 1);
        EXPECT_LT(m_table.currentRow(), m_table.rowCount());
        add("-", row);
    }
    void recordChanged(int row) override { add("~", row); }
    void currentChanged(int row) override {
        EXPECT_EQ(row, m_table.currentRow());
        add("@", row);
    }
    void resetBegins() override { add("reset{"); }
    void resetEnds() override { add("}reset"); }
    void viewsSuspended() override { add("suspend"); }
    void viewsResumed() override { add("resume"); }
    void valuesRefreshed() override { add("refresh"); }
    void stateChanged() override {
        static const char* names[] = {"closed", "browse", "edit", "insert"};
        add(names[static_cast<int>(m_table.state())]);
    }

private:
    void add(std::string e) { m_events.push_back(std::move(e)); }
    // Appended, not "+" + std::to_string(row): GCC 12 at -O3 warns of that
    // (-Wrestrict) where nothing overlaps.
    void add(const char* what, int row) {
        std::string e = what;
        e += std::to_string(row);
        add(std::move(e));
    }

    RecordTable& m_table;
    std::vector<std::string> m_events;
    int m_rowsBefore = 0;
};

class ObserverTest : public ::testing::Test {
protected:
    TDataModul modul;
    RecordTable& devices = modul.CihazTable;
};

TEST_F(ObserverTest, OpenAndCloseAreResets) {
    Recorder views(devices);
    devices.open();
    EXPECT_EQ(views.take(), "reset{ }reset browse @-1");
    devices.open();
    EXPECT_EQ(views.take(), "");
    devices.close();
    EXPECT_EQ(views.take(), "reset{ }reset closed @-1");
}

TEST_F(ObserverTest, ANewRecordIsARowWhileItIsFilledAndCancelTakesItBack) {
    devices.open();
    addDevice(devices, 1, "A");
    addDevice(devices, 2, "B");
    devices.first();
    Recorder views(devices);

    devices.append();
    EXPECT_EQ(views.take(), "+?2 +2 insert @2");
    EXPECT_EQ(devices.rowCount(), 3);
    EXPECT_EQ(devices.integerAt(2, devices.recIdField()), 3);
    devices.setInteger("CihazNo", 3);
    EXPECT_EQ(views.take(), "~2");
    EXPECT_EQ(devices.textAt(2, devices.fieldIndex("CihazNo")), "3");
    devices.cancel();
    EXPECT_EQ(views.take(), "-?2 -2 browse @1");

    devices.insert(); // before the current second record
    EXPECT_EQ(views.take(), "+?1 +1 insert @1");
    devices.post();
    EXPECT_EQ(views.take(), "browse");
}

TEST_F(ObserverTest, EditShowsValuesAsEnteredAndCancelShowsTheOldOnes) {
    devices.open();
    addDevice(devices, 1, "A");
    Recorder views(devices);
    devices.edit();
    devices.setText("CihazAdi", "Yeni");
    EXPECT_EQ(devices.textAt(0, devices.fieldIndex("CihazAdi")), "Yeni");
    devices.cancel();
    EXPECT_EQ(views.take(), "edit ~0 ~0 browse");
    EXPECT_EQ(devices.textAt(0, devices.fieldIndex("CihazAdi")), "A");
    devices.edit();
    devices.cancel(); // nothing changed: no row to repaint
    EXPECT_EQ(views.take(), "edit browse");
}

TEST_F(ObserverTest, DeleteAndMoves) {
    devices.open();
    for (int i = 1; i <= 3; ++i)
        addDevice(devices, i, "C");
    Recorder views(devices);
    devices.first();
    devices.next();
    devices.next();
    devices.next(); // passes the end: no move
    EXPECT_EQ(views.take(), "@0 @1 @2");
    devices.remove();
    EXPECT_EQ(views.take(), "-?2 -2 @1");
    devices.moveTo(1); // already current
    devices.moveTo(7); // no such row
    EXPECT_EQ(views.take(), "");
    devices.moveTo(0);
    EXPECT_EQ(views.take(), "@0");
    devices.refresh();
    EXPECT_EQ(views.take(), "refresh @0");
}

TEST_F(ObserverTest, MovingToARowPastADroppedNewRecordReachesTheSameRecord) {
    devices.open();
    for (int i = 1; i <= 4; ++i)
        addDevice(devices, i, "C");
    devices.first();
    devices.insert(); // unchanged, at row 0
    Recorder views(devices);
    devices.moveTo(3); // the view shows device 3 at row 3
    EXPECT_EQ(views.take(), "-?0 -0 browse @0 @2");
    EXPECT_EQ(devices.asInteger("CihazNo"), 3);
}

TEST_F(ObserverTest, SuspendedViewsDoNotFollowMovesAndCatchUpOnResume) {
    devices.open();
    for (int i = 1; i <= 3; ++i)
        addDevice(devices, i, "C");
    Recorder views(devices);
    devices.suspendViews();
    devices.suspendViews();
    devices.first();
    devices.next();
    devices.append();
    devices.setInteger("CihazNo", 4);
    devices.post();
    devices.resumeViews();
    EXPECT_EQ(views.take(), "suspend +?3 +3 insert ~3 browse");
    devices.resumeViews();
    EXPECT_EQ(views.take(), "resume @3");
    devices.resumeViews(); // unbalanced: ignored
    EXPECT_EQ(views.take(), "");
}

TEST_F(ObserverTest, LoadIsOneResetWithoutPerRecordNotifications) {
    testsupport::TempFolder folder;
    folder.write("Cihazlar.Dat", "CihazNo\r\n1\r\n2\r\n3\r\n");
    devices.open();
    addDevice(devices, 9, "X");
    Recorder views(devices);
    devices.loadFromFile(folder.file("Cihazlar.Dat"));
    EXPECT_EQ(views.take(), "suspend reset{ }reset browse resume @0");
    EXPECT_EQ(devices.rowCount(), 3);
}

TEST_F(ObserverTest, AFailedLoadStillEndsTheResetAndResumesTheViews) {
    testsupport::TempFolder folder;
    folder.write("Cihazlar.Dat", "CihazNo\r\n1\r\nx\r\n3\r\n");
    Recorder views(devices);
    EXPECT_NE(thrownText([&] { devices.loadFromFile(folder.file("Cihazlar.Dat")); }), "");
    EXPECT_EQ(views.take(), "suspend reset{ }reset browse resume @0");
    EXPECT_FALSE(devices.viewsSuspended());
}

TEST_F(ObserverTest, SaveKeepsTheCurrentRecordAndEndsTheEdit) {
    testsupport::TempFolder folder;
    devices.open();
    for (int i = 1; i <= 3; ++i)
        addDevice(devices, i, "C");
    devices.moveTo(1);
    devices.edit();
    devices.setInteger("Isaret", 1);
    Recorder views(devices);
    devices.saveToFile(folder.file("Cihazlar.Dat"));
    EXPECT_EQ(views.take(), "suspend browse resume @1");
    EXPECT_EQ(devices.state(), TableState::Browse);
}

} // namespace
} // namespace nakilon
