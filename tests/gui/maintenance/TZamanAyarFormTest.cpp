// The clock dialog as a window: its layout, its timer on a fixed computer
// clock, and its buttons against an emulated terminal.
#include "gui/maintenance/TZamanAyarForm.h"
#include "gui/widgets/DeviceWorker.h"

#include "support/AccessibleControls.h"
#include "support/CutTexts.h"
#include "support/InProcessTerminals.h"
#include "support/MessageHookRecorder.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace nakilon {
namespace {

using testsupport::InProcessTerminals;
using testsupport::MessageHookRecorder;

class ClockDialogTest : public ::testing::Test {
protected:
    ClockDialogTest() {
        TerminalState state;
        state.machineNumber = 6;
        VirtualTerminal& terminal = m_terminals.add(state, {true, {}, 2}, [] {
            return int64_t{1704618303}; // 2024-01-07 09:05:03
        });
        terminal.freezeClock(1709647620); // 2024-03-05 14:07:00, a Tuesday
        EXPECT_TRUE(m_terminals.control().OpenSerialLink(6, 2, 115200));
    }

    template <class T> T* find(const char* name) const {
        T* widget = m_dialog.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QTimer* timer() const { return find<QTimer>("Timer1"); }
    QString saat() const { return find<QLabel>("SaatLabel")->text(); }
    QString tarihSaat() const { return find<QLineEdit>("TarihSaatEdit")->text(); }

    MessageHookRecorder m_boxes;
    InProcessTerminals m_terminals;
    DateTime m_now{{2024, 1, 7}, 9, 5, 3};
    DeviceWorker m_worker;
    // The dialog for the terminal of machine number 6, on the link that the
    // test opens as the clock command would.
    TZamanAyarForm m_dialog{m_worker, m_terminals.control(), [] { return 6; },
                            [this] { return m_now; }};
};

TEST_F(ClockDialogTest, LayoutOfTheDialog) {
    EXPECT_EQ(m_dialog.windowTitle(), "Tarih / Saat Ayarla");
    EXPECT_EQ(m_dialog.size(), QSize(415, 185));
    EXPECT_EQ(find<QFrame>("Panel1")->height(), 89);
    const QColor green = find<QFrame>("Panel1")->palette().color(QPalette::Window);
    EXPECT_GT(green.green(), green.red());
    EXPECT_GT(green.green(), green.blue());
    for (const char* name : {"Label1", "Label2"}) {
        const QLabel* label = find<QLabel>(name);
        EXPECT_TRUE(label->font().bold()) << name;
        EXPECT_GE(label->minimumWidth(), 170) << name;
        EXPECT_TRUE(label->alignment() & Qt::AlignRight) << name;
    }
    EXPECT_EQ(find<QLabel>("Label1")->text(), "CihazınTarih ve Saati : ");
    EXPECT_EQ(find<QLabel>("Label2")->text(), "Bilgisayarın Tarih ve Saati : ");
    EXPECT_TRUE(find<QLabel>("SaatLabel")->font().bold());
    EXPECT_EQ(tarihSaat(), "TarihSaatEdit");
    EXPECT_EQ(saat(), "");
    EXPECT_EQ(find<QPushButton>("cxButton2")->text(), "Tarih ve Saati Kaydet");
    EXPECT_EQ(find<QPushButton>("cxButton2")->size(), QSize(209, 33));
    EXPECT_TRUE(find<QPushButton>("cxButton2")->font().bold());
    EXPECT_EQ(find<QPushButton>("KapatButon")->text(), "Kapat");
    EXPECT_EQ(find<QPushButton>("KapatButon")->size(), QSize(105, 33));
    // Made running, before it was ever shown.
    EXPECT_TRUE(timer()->isActive());
    EXPECT_EQ(timer()->interval(), 500);
}

TEST_F(ClockDialogTest, ShowingReadsTheTerminalOnceAndTheTimerShowsTheComputerClock) {
    m_dialog.show();
    EXPECT_EQ(tarihSaat(), "05.03.2024  Salı 14:07");
    QTRY_COMPARE_WITH_TIMEOUT(saat(), QStringLiteral("07.01.2024  Pazar 09:05:03"), 10000);
    m_now.second = 4;
    QTRY_COMPARE_WITH_TIMEOUT(saat(), QStringLiteral("07.01.2024  Pazar 09:05:04"), 10000);
    // The terminal's text does not tick.
    EXPECT_EQ(tarihSaat(), "05.03.2024  Salı 14:07");
    EXPECT_EQ(m_terminals.journal(0),
              (std::vector<std::string>{"OpenSerialLink 6 2 115200", "SetDeviceActive 6 0",
                                        "ReadDeviceClock 6", "SetDeviceActive 6 1"}));
}

TEST_F(ClockDialogTest, KaydetReplacesTypedTextWithTheTimeReadBackAndConfirms) {
    m_dialog.show();
    find<QLineEdit>("TarihSaatEdit")->setText("31.12.2099  Cuma 23:59");
    QTest::mouseClick(find<QPushButton>("cxButton2"), Qt::LeftButton);
    EXPECT_EQ(tarihSaat(), "07.01.2024  Pazar 09:05");
    ASSERT_EQ(m_boxes.shown().size(), 1u);
    EXPECT_EQ(m_boxes.shown()[0].kind, MessageKind::Information);
    EXPECT_EQ(m_boxes.shown()[0].text, "Tarih / Saat Güncellendi.");
}

TEST_F(ClockDialogTest, EveryWayOfClosingStopsTheTimerAndShowingStartsIt) {
    m_dialog.show();
    QTest::mouseClick(find<QPushButton>("KapatButon"), Qt::LeftButton);
    EXPECT_FALSE(m_dialog.isVisible());
    EXPECT_FALSE(timer()->isActive());

    // Escape closes it as "Kapat" does, wherever the focus is.
    for (const char* focus : {"TarihSaatEdit", "cxButton2", "KapatButon"}) {
        m_dialog.show();
        EXPECT_TRUE(timer()->isActive());
        find<QWidget>(focus)->setFocus();
        QTest::keyClick(find<QWidget>(focus), Qt::Key_Escape);
        EXPECT_FALSE(m_dialog.isVisible()) << focus;
        EXPECT_FALSE(timer()->isActive()) << focus;
    }

    m_dialog.show();
    m_dialog.close();
    EXPECT_FALSE(timer()->isActive());
    // The dialog never closes the link it was given.
    EXPECT_EQ(std::count(m_terminals.journal(0).begin(), m_terminals.journal(0).end(), "CloseLink"),
              0);
}

TEST_F(ClockDialogTest, AnErrorWhileShowingIsShownAndTheTerminalIsInUseAgain) {
    m_terminals.terminal(0).addFault({"ReadDeviceClock", 1, FaultKind::Fail});
    m_dialog.show();
    EXPECT_EQ(m_boxes.errors(),
              (std::vector<QString>{"Cihaz hata bildirdi: ReadDeviceClock işlemi tamamlanamadı."}));
    EXPECT_TRUE(m_terminals.state(0).active);
    EXPECT_EQ(tarihSaat(), "TarihSaatEdit");
}

TEST_F(ClockDialogTest, KeyboardAndScreenReadersReachEveryControlAndNoTextIsCut) {
    m_dialog.show();
    QTest::qWait(600); // the computer's clock is shown
    EXPECT_EQ(testsupport::cutTexts(&m_dialog), QStringList());
    EXPECT_EQ(testsupport::unnamedControls(&m_dialog), QStringList());
    const QWidget* edit = testsupport::controlNamed(&m_dialog, "CihazınTarih ve Saati : ");
    EXPECT_EQ(edit ? edit->objectName() : QString(), "TarihSaatEdit");
    QStringList order{m_dialog.focusWidget()->objectName()};
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(m_dialog.focusWidget(), Qt::Key_Tab);
        order << m_dialog.focusWidget()->objectName();
    }
    EXPECT_EQ(order, QStringList({"TarihSaatEdit", "cxButton2", "KapatButon", "TarihSaatEdit"}));
}

} // namespace
} // namespace nakilon
