// "Bilgileri Aktar" in the real main window, against emulated terminals.
#include "core/base/LocalTime.h"
#include "core/settings/ProgramValues.h"
#include "core/tables/TDataModul.h"
#include "core/transfer/OutputTexts.h"
#include "emulator/VirtualTerminal.h"
#include "emulator/net/EmulatorDeviceControl.h"
#include "emulator/net/EmulatorServer.h"
#include "gui/mainwindow/TAnaForm.h"
#include "support/DeviceListFile.h"
#include "support/MessageHookRecorder.h"
#include "support/TempFolder.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

namespace nakilon {
namespace {

using testsupport::MessageHookRecorder;
using testsupport::TempFolder;

const std::string& kDeviceHeader = testsupport::kDeviceListHeader;

struct ServedTerminal {
    explicit ServedTerminal(int32_t machine) {
        TerminalState state;
        state.machineNumber = machine;
        LogRecord r;
        r.personnelNumber = 42;
        r.mode = 0x0501;
        r.time.year = 2024;
        r.time.month = 5;
        r.time.day = 6;
        r.time.hour = 17;
        r.time.minute = 45;
        state.logs = {r};
        terminal = std::make_unique<VirtualTerminal>(state);
        server = std::make_unique<EmulatorServer>(*terminal);
        port = server->listen("127.0.0.1", 0);
        server->start();
    }
    std::unique_ptr<VirtualTerminal> terminal;
    std::unique_ptr<EmulatorServer> server;
    uint16_t port = 0;
};

std::string device(int number, int machine, int port) {
    return testsupport::loopbackDeviceLine(number, "Kap\xFD" + std::to_string(number), machine,
                                           port);
}

class TransferWindowTest : public ::testing::Test {
protected:
    void start(const std::string& devices) {
        m_folder.write("Cihazlar.Dat", kDeviceHeader + devices);
        m_form = std::make_unique<TAnaForm>(m_data, m_values, *m_cc);
        ASSERT_TRUE(m_form->create(m_folder.path()));
        m_form->show();
    }
    QPushButton* button(const char* name) const {
        return m_form->findChild<QPushButton*>(QString::fromLatin1(name));
    }
    QString cell(int row, int column) const {
        const QTableView* grid = m_form->findChild<QTableView*>(QStringLiteral("CihazAktarimGrid"));
        return grid->model()->index(row, column).data().toString();
    }
    std::string backupName() const {
        const DateTime now = localNow();
        return OutputTexts::backupFileName("", now.year, now.month, now.day);
    }

    TempFolder m_folder;
    MessageHookRecorder m_boxes;
    TDataModul m_data;
    ProgramValues m_values;
    std::unique_ptr<DeviceControl> m_cc = makeEmulatorDeviceControl();
    std::unique_ptr<TAnaForm> m_form;
};

TEST_F(TransferWindowTest, TheButtonRunsTheTransferIntoBothFiles) {
    ServedTerminal a(1);
    start(device(3, 1, a.port));
    button("AktarButon")->click();
    const std::string line = "003,000042,0,2024/05/06,17:45:00,1\r\n";
    EXPECT_EQ(m_folder.read("Hareketler.txt"), line);
    EXPECT_EQ(m_folder.read(backupName()), line);
    EXPECT_TRUE(m_boxes.shown().empty());
    // The grid shows the status; the device list file is not written by a run.
    bool found = false;
    for (int column = 0; column < 6; ++column)
        found = found || cell(0, column) == QStringLiteral("Aktarım Tamamlandı");
    EXPECT_TRUE(found);
    EXPECT_EQ(m_folder.read("Cihazlar.Dat"), kDeviceHeader + device(3, 1, a.port));
}

TEST_F(TransferWindowTest, NoMarkedDeviceIsTold) {
    start("");
    button("AktarButon")->click();
    ASSERT_EQ(m_boxes.shown().size(), 1u);
    EXPECT_EQ(m_boxes.shown()[0].kind, MessageKind::Information);
    EXPECT_EQ(m_boxes.shown()[0].text, QStringLiteral("En az bir cihaz seçmeniz gerekmektedir"));
    EXPECT_EQ(m_folder.read("Hareketler.txt"), "");
}

TEST_F(TransferWindowTest, OtherCommandsWaitWhileTheRunYieldsAndComeBackAfter) {
    ServedTerminal a(1);
    ServedTerminal b(2);
    start(device(1, 1, a.port) + device(2, 2, b.port));
    // Between devices the run handles window events: what can the operator
    // reach then?
    bool deviceButtonsEnabled = true;
    bool aktarEnabled = true;
    bool closed = true;
    QTimer::singleShot(0, m_form.get(), [&] {
        deviceButtonsEnabled = button("DegistirButon")->isEnabled();
        aktarEnabled = button("AktarButon")->isEnabled();
        closed = m_form->close();
    });
    button("AktarButon")->click();
    EXPECT_FALSE(deviceButtonsEnabled);
    EXPECT_FALSE(aktarEnabled);
    EXPECT_FALSE(closed) << "the window stays open while records are in flight";
    EXPECT_TRUE(button("AktarButon")->isEnabled());
    EXPECT_TRUE(button("DegistirButon")->isEnabled());
    EXPECT_TRUE(button("KapatButon")->isEnabled());
    EXPECT_FALSE(m_form->transferRunning());
}

TEST_F(TransferWindowTest, AnErrorIsShownAndTheCommandsComeBack) {
    ServedTerminal a(1);
    start(device(1, 1, a.port));
    {
        // Another run holds the output file for the whole wait.
        OutputTexts other;
        other.open(m_folder.file("Hareketler.txt"), m_folder.file("Backup\\x.txt"));
        button("AktarButon")->click();
    }
    ASSERT_EQ(m_boxes.errors().size(), 1u);
    EXPECT_TRUE(m_boxes.errors()[0].startsWith(QStringLiteral("Başka bir aktarım sürüyor")));
    EXPECT_TRUE(m_boxes.errors()[0].endsWith(QStringLiteral(".")));
    EXPECT_TRUE(button("AktarButon")->isEnabled());
    EXPECT_EQ(m_folder.read("Hareketler.txt"), "");
}

} // namespace
} // namespace nakilon
