// The four maintenance buttons of the device tab, wired to the main window's
// device control (here one that reaches an emulated terminal in the process).
#include "gui/maintenance/TZamanAyarForm.h"
#include "support/DeviceListFile.h"
#include "support/InProcessTerminals.h"
#include "support/MainWindowFixture.h"
#include "support/ModalDriver.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace nakilon {
namespace {

using testsupport::InProcessTerminals;
using Lines = std::vector<std::string>;

class MaintenanceButtonsTest : public testsupport::MainWindowFixture {
protected:
    MaintenanceButtonsTest() {
        TerminalState state;
        state.machineNumber = 3;
        state.users = {{1001, 0, 3, 1, 0}, {1002, 4, 1, 0, 0, 8}};
        state.logs = {{1001, 0x0401, 2024, 3, 4, 8, 0, 0, true}};
        m_terminals.add(state, {false, "127.0.0.1", 4370});
        // Two devices; the second, unmarked, is made the current one.
        writeDeviceList(testsupport::loopbackDeviceLine(1, "Yok", 9, 1, "", 1) +
                        testsupport::loopbackDeviceLine(2, "Depo", 3, 4370, "", 0));
        useDeviceControl(m_terminals.control());
        EXPECT_TRUE(start());
        m_data.CihazTable.moveTo(1);
    }

    std::vector<QString> texts() const {
        std::vector<QString> shown;
        for (const ShownMessage& message : m_boxes.shown())
            shown.push_back(message.text);
        return shown;
    }
    const Lines& journal() const { return m_terminals.journal(0); }

    // The window goes before the device control it was given.
    ~MaintenanceButtonsTest() override { m_form.reset(); }

    InProcessTerminals m_terminals;
};

TEST_F(MaintenanceButtonsTest, TestYetkiliSilAndYedekSilActOnTheCurrentDevice) {
    for (const char* name : {"TestButon", "YetkiliSilButon", "YedekSilButon", "ZamanAyarButon"})
        EXPECT_TRUE(button(name)->isEnabled()) << name;
    click("TestButon");
    m_boxes.answerNext(true);
    click("YetkiliSilButon");
    m_boxes.answerNext(true);
    click("YedekSilButon");
    EXPECT_EQ(texts(), (std::vector<QString>{
                           "Bağlantı Kuruldu",
                           "Cihaza giriş yetkisi olan tüm personelin yetkileri kaldırılacaktır. "
                           "Yetkileri kaldırmak istediğinizden emin misiniz?",
                           "Silme işlemini yapmadan önce cihazdaki tüm kayıtların bilgisayara "
                           "aktarıldığından emin olun. \rBu işlem sonucunda cihazdaki hareket "
                           "kayıtları geri dönülemez şekilde silinecektir. Cihazdaki tüm hareket "
                           "kayıtlarını silmek istediğinize emin misiniz?",
                           "Silme işlemi tamamlandı.",
                       }));
    EXPECT_EQ(m_boxes.shown()[1].title, "UYARI");
    EXPECT_EQ(m_boxes.shown()[1].kind, MessageKind::Warning);
    EXPECT_EQ(m_terminals.state(0).users[0].privilege, 0);
    EXPECT_EQ(m_terminals.state(0).users[1].privilege, 0);
    EXPECT_TRUE(m_terminals.state(0).logs.empty());
    EXPECT_TRUE(m_terminals.state(0).active);
    EXPECT_EQ(journal().back(), "CloseLink");
}

// A deletion that the terminal refuses ends in the error box, never in
// "Silme işlemi tamamlandı.".
TEST_F(MaintenanceButtonsTest, ARefusedDeletionIsAnErrorBox) {
    m_terminals.terminal(0).addFault({"PurgeLogs", 1, FaultKind::Refuse});
    m_boxes.answerNext(true);
    click("YedekSilButon");
    ASSERT_EQ(m_boxes.shown().size(), 2u);
    EXPECT_EQ(m_boxes.shown()[1].kind, MessageKind::Error);
    EXPECT_EQ(m_boxes.shown()[1].text, "Cihaz, kayıtları silme isteğini reddetti (Makine No 3)");
    EXPECT_EQ(m_terminals.state(0).logs.size(), 1u);
    EXPECT_TRUE(m_terminals.state(0).active);
    EXPECT_EQ(journal().back(), "CloseLink");
}

TEST_F(MaintenanceButtonsTest, ZamanAyarOpensTheClockDialogOnTheOpenLinkAndLeavesItOpen) {
    QString shownTime;
    QString computerTime;
    bool wasClockDialog = false;
    bool wasModal = false;
    QPointer<QDialog> shown;
    testsupport::ModalDriver driver(
        [&](QDialog* dialog) {
            shown = dialog;
            wasClockDialog = qobject_cast<TZamanAyarForm*>(dialog) != nullptr;
            shownTime = dialog->findChild<QLineEdit*>(QStringLiteral("TarihSaatEdit"))->text();
            wasModal = dialog->isModal() && dialog->isVisible();
            // The computer's clock is the window's, from the first tick on.
            QLabel* saat = dialog->findChild<QLabel*>(QStringLiteral("SaatLabel"));
            for (int i = 0; i < 200 && saat->text().isEmpty(); ++i)
                QTest::qWait(50);
            computerTime = saat->text();
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("KapatButon")),
                              Qt::LeftButton);
        },
        [this] { return !m_worker.busy(); });
    click("ZamanAyarButon");
    EXPECT_TRUE(wasClockDialog);
    EXPECT_TRUE(wasModal);
    // The window's one clock dialog, shown for the current row's terminal
    // (Mk.No 3, which every call named), hidden again afterwards.
    ASSERT_FALSE(shown.isNull());
    EXPECT_EQ(shown->parent(), m_form.get());
    EXPECT_FALSE(shown->isVisible());
    EXPECT_FALSE(shownTime.isEmpty());
    EXPECT_NE(shownTime, "TarihSaatEdit");
    EXPECT_EQ(computerTime, "15.01.2024  Pazartesi 09:30:00");
    EXPECT_TRUE(m_boxes.shown().empty());
    EXPECT_EQ(journal(), (Lines{"OpenNetworkLink 3 127.0.0.1 4370 0", "SetDeviceActive 3 0",
                                "ReadDeviceClock 3", "SetDeviceActive 3 1"}));
    // The link is still open: the next command opens anew, without a CloseLink
    // that nobody called.
    click("TestButon");
    EXPECT_EQ(Lines(journal().begin() + 4, journal().end()),
              (Lines{"OpenNetworkLink 3 127.0.0.1 4370 0", "CloseLink"}));
}

TEST_F(MaintenanceButtonsTest, AFailedConnectionIsReportedAndTheClockDialogStaysShut) {
    m_data.CihazTable.moveTo(0); // nothing answers there
    testsupport::ModalDriver driver([](QDialog* dialog) { dialog->reject(); });
    click("TestButon");
    click("ZamanAyarButon");
    EXPECT_EQ(texts(),
              (std::vector<QString>{"Bağlantı Kurulamadı ! ! !", "Bağlantı Kurulamadı ! ! !"}));
    EXPECT_FALSE(driver.ran());
    EXPECT_TRUE(journal().empty());
}

} // namespace
} // namespace nakilon
