// The main window for an operator without a mouse, with a screen reader or
// with larger text: the tab order of every page, the names screen readers
// announce, the keys of the device list, a focus that can be seen, and texts
// that are not cut.
#include "support/AccessibleControls.h"
#include "support/CutTexts.h"
#include "support/DeviceListFile.h"
#include "support/MainWindowFixture.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

namespace nakilon {
namespace {

using testsupport::kDeviceListHeader;

const std::string kTwoDevices = "1\tKap\xFD A\t1\t1\t10.0.0.5\t\t5005\t1\t\t\t\t\t0\r\n"
                                "2\tYemekhane\t2\t2\t\t\t3\t0\t\t\t\t\t0\r\n";

class OperatorKeyboardTest : public testsupport::MainWindowFixture {
protected:
    void SetUp() override {
        writeDeviceList(kTwoDevices);
        ASSERT_TRUE(start());
        // The operator's window is the active one: the focus is drawn there.
        m_form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_form.get()));
    }
    QTabWidget* pages() const { return find<QTabWidget>("Sayfalar"); }
    QTableView* grid(const char* name) const { return find<QTableView>(name); }

    // The controls that Tab visits from the tab bar until it comes back.
    QStringList tabOrderOfPage(int page) const {
        pages()->setCurrentIndex(page);
        QWidget* tabBar = pages()->tabBar();
        tabBar->setFocus(Qt::TabFocusReason);
        QStringList visited;
        for (int i = 0; i < 20; ++i) {
            QTest::keyClick(m_form->focusWidget(), Qt::Key_Tab);
            if (m_form->focusWidget() == tabBar)
                break;
            visited << m_form->focusWidget()->objectName();
        }
        return visited;
    }
};

TEST_F(OperatorKeyboardTest, TabVisitsEveryPageInReadingOrderAndLeavesTheGrids) {
    EXPECT_EQ(tabOrderOfPage(0), QStringList({"CihazAktarimGrid", "AktarButon", "KapatButon"}));
    EXPECT_EQ(tabOrderOfPage(1), QStringList({"CihazGrid", "CihazEkleButon", "CihazDuzenleButon",
                                              "CihazSilButon", "TestButon", "YetkiliSilButon",
                                              "YedekSilButon", "ZamanAyarButon", "KapatButon"}));
    EXPECT_EQ(tabOrderOfPage(2),
              QStringList({"AdresEdit", "DegistirButon", "YedekBox", "PersonelButon",
                           "KapatButon"})); // "Kaydet" waits for an edit
    find<QLineEdit>("AdresEdit")->setText("/veri/cikis.txt");
    find<QCheckBox>("YedekBox")->setChecked(true);
    EXPECT_EQ(tabOrderOfPage(2),
              QStringList({"AdresEdit", "AdresKaydetButon", "DegistirButon", "YedekBox",
                           "TarihindenEdit", "TarihineEdit", "PersonelButon", "KapatButon"}));
}

TEST_F(OperatorKeyboardTest, ScreenReadersFindEveryControlByWhatTheOperatorReads) {
    EXPECT_EQ(testsupport::unnamedControls(m_form.get()), QStringList());
    for (int page = 0; page < 3; ++page)
        EXPECT_EQ(testsupport::announcedNames(pages()->widget(page)),
                  QStringList(pages()->tabText(page)));
    const std::pair<const char*, const char*> controls[] = {
        {"Cihazların aktarım durumu", "CihazAktarimGrid"},
        {"Cihaz listesi", "CihazGrid"},
        {"Kayıtları aktarmak istediğiniz dosyaı seçin", "AdresEdit"},
        {"Tarihinden", "TarihindenEdit"},
        {"Tarihine", "TarihineEdit"},
    };
    for (const auto& [name, objectName] : controls) {
        const QWidget* found = testsupport::controlNamed(m_form.get(), QString::fromUtf8(name));
        EXPECT_EQ(found ? found->objectName() : QString(), objectName) << name;
    }
    const QStringList columns = testsupport::columnNames(grid("CihazGrid"));
    for (const char* column :
         {"Seç", "Cz.No", "Cihaz Adı", "Bağlantı Tipi", "IP Adresi", "Mk.No", "Parola", "Port"})
        EXPECT_TRUE(columns.contains(QString::fromUtf8(column))) << column;
}

TEST_F(OperatorKeyboardTest, SpaceTicksOrClearsSecOfTheCurrentDeviceFromAnyColumn) {
    pages()->setCurrentIndex(1);
    QTableView* devices = grid("CihazGrid");
    const auto line = [this](int row) {
        const std::string file = m_folder.read("Cihazlar.Dat");
        std::size_t start = file.find("\r\n");
        for (int i = 0; i < row; ++i)
            start = file.find("\r\n", start + 2);
        return file.substr(start + 2, file.find("\r\n", start + 2) - start - 2);
    };
    devices->setCurrentIndex(devices->model()->index(1, 2)); // "Cihaz Adı"
    QTest::keyClick(devices, Qt::Key_Space);
    EXPECT_EQ(line(1), "2\tYemekhane\t2\t2\t\t\t3\t1\t\t\t0\t\t0");
    devices->setCurrentIndex(devices->model()->index(1, 0)); // on the box itself: once, not twice
    QTest::keyClick(devices, Qt::Key_Space);
    EXPECT_EQ(line(1), "2\tYemekhane\t2\t2\t\t\t3\t0\t\t\t0\t\t0");
    EXPECT_EQ(devices->model()->index(1, 0).data(Qt::CheckStateRole), Qt::Unchecked);
    EXPECT_TRUE(m_boxes.shown().empty());
}

TEST_F(OperatorKeyboardTest, AfterATransferStartedByKeyTheFocusIsOnBilgileriAktarAgain) {
    QWidget* aktar = find<QWidget>("AktarButon");
    aktar->setFocus(Qt::TabFocusReason);
    QTest::keyClick(aktar, Qt::Key_Space);
    EXPECT_FALSE(m_form->transferRunning());
    EXPECT_EQ(m_form->focusWidget(), aktar);
}

TEST_F(OperatorKeyboardTest, TheKeyboardFocusCanBeSeen) {
    // The grid that has the focus wears a frame in the highlight colour, and
    // so does the button.
    for (const char* name : {"CihazAktarimGrid", "AktarButon"}) {
        QWidget* control = find<QWidget>(name);
        const auto edge = [control] {
            const QImage image = control->grab().toImage();
            return image.pixelColor(1, image.height() / 2);
        };
        const QColor highlight = control->palette().color(QPalette::Highlight);
        pages()->tabBar()->setFocus(Qt::TabFocusReason);
        EXPECT_NE(edge(), highlight) << name;
        while (m_form->focusWidget() != control)
            QTest::keyClick(m_form->focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(edge(), highlight) << name;
    }
}

TEST_F(OperatorKeyboardTest, LargerTextCutsNoTextOfAnyPage) {
    for (const qreal factor : {1.0, 1.6}) {
        testsupport::LargerFont font(factor);
        m_form.reset();
        ASSERT_TRUE(start());
        find<QCheckBox>("YedekBox")->setChecked(true);
        for (int page = 0; page < 3; ++page) {
            pages()->setCurrentIndex(page);
            QTest::qWait(0);
            EXPECT_EQ(testsupport::cutTexts(m_form.get()), QStringList()) << factor << " " << page;
        }
    }
}

} // namespace
} // namespace nakilon
