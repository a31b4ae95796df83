// The four maintenance buttons of the device tab, wired to the main window's
// device control (here one that reaches an emulated terminal in the process).
#include "core/settings/ProgramValues.h"
#include "core/tables/TDataModul.h"
#include "gui/maintenance/TZamanAyarForm.h"
#include "gui/mainwindow/TAnaForm.h"
#include "support/DeviceListFile.h"
#include "support/InProcessTerminals.h"
#include "support/MessageHookRecorder.h"
#include "support/TempFolder.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace nakilon {
namespace {

using testsupport::InProcessTerminals;
using testsupport::MessageHookRecorder;
using testsupport::TempFolder;
using Lines = std::vector<std::string>;

class MaintenanceButtonsTest : public ::testing::Test {
protected:
    MaintenanceButtonsTest() {
        TerminalState state;
        state.machineNumber = 3;
        state.users = {{1001, 0, 3, 1, 0}, {1002, 4, 1, 0, 0, 8}};
        state.logs = {{1001, 0x0401, 2024, 3, 4, 8, 0, 0, true}};
        m_terminals.add(state, {false, "127.0.0.1", 4370});
        // Two devices; the second, unmarked, is the current one after loading.
        m_folder.write("Cihazlar.Dat",
                       testsupport::kDeviceListHeader +
                           testsupport::loopbackDeviceLine(1, "Yok", 9, 1, "", 1) +
                           testsupport::loopbackDeviceLine(2, "Depo", 3, 4370, "", 0));
        m_form = std::make_unique<TAnaForm>(m_data, m_values, m_terminals.control());
        EXPECT_TRUE(m_form->create(m_folder.path()));
        m_data.CihazTable.moveTo(1);
        m_form->show();
    }

    QPushButton* button(const char* name) const {
        QPushButton* found = m_form->findChild<QPushButton*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    void click(const char* name) { QTest::mouseClick(button(name), Qt::LeftButton); }
    std::vector<QString> texts() const {
        std::vector<QString> shown;
        for (const ShownMessage& message : m_boxes.shown())
            shown.push_back(message.text);
        return shown;
    }
    const Lines& journal() const { return m_terminals.journal(0); }

    TempFolder m_folder;
    MessageHookRecorder m_boxes;
    InProcessTerminals m_terminals;
    TDataModul m_data;
    ProgramValues m_values;
    std::unique_ptr<TAnaForm> m_form;
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

TEST_F(MaintenanceButtonsTest, AnErrorOfTheTerminalIsShownAfterItIsBackInUse) {
    m_terminals.terminal(0).addFault({"FetchUserIndex", 1, FaultKind::Fail});
    m_boxes.answerNext(true);
    click("YetkiliSilButon");
    EXPECT_EQ(m_boxes.errors(),
              (std::vector<QString>{"Cihaz hata bildirdi: FetchUserIndex işlemi tamamlanamadı."}));
    EXPECT_TRUE(m_terminals.state(0).active);
    EXPECT_EQ(Lines(journal().end() - 3, journal().end()),
              (Lines{"FetchUserIndex 3", "SetDeviceActive 3 1", "CloseLink"}));
}

TEST_F(MaintenanceButtonsTest, ZamanAyarOpensTheClockDialogOnTheOpenLinkAndLeavesItOpen) {
    QString shownTime;
    int32_t shownMachine = 0;
    bool wasModal = false;
    QTimer::singleShot(0, [&] {
        TZamanAyarForm* dialog = m_form->zamanAyarForm();
        shownTime = dialog->findChild<QLineEdit*>(QStringLiteral("TarihSaatEdit"))->text();
        shownMachine = dialog->CihazMakineNo;
        wasModal = dialog->isModal() && dialog->isVisible();
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("KapatButon")),
                          Qt::LeftButton);
    });
    click("ZamanAyarButon");
    EXPECT_TRUE(wasModal);
    EXPECT_EQ(shownMachine, 3);
    EXPECT_FALSE(shownTime.isEmpty());
    EXPECT_NE(shownTime, "TarihSaatEdit");
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
    click("TestButon");
    click("ZamanAyarButon");
    EXPECT_EQ(texts(),
              (std::vector<QString>{"Bağlantı Kurulamadı ! ! !", "Bağlantı Kurulamadı ! ! !"}));
    EXPECT_FALSE(m_form->zamanAyarForm()->isVisible());
    EXPECT_TRUE(journal().empty());
}

} // namespace
} // namespace nakilon
