// "Bilgileri Aktar" in the real main window, against emulated terminals.
#include "core/transfer/OutputTexts.h"
#include "core/transfer/TransferJournal.h"
#include "emulator/net/EmulatorDeviceControl.h"
#include "support/DeviceListFile.h"
#include "support/LoopbackTerminal.h"
#include "support/MainWindowFixture.h"

#include <QTableView>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace nakilon {
namespace {

using testsupport::LoopbackTerminal;

// A terminal on loopback holding one record of 6 May 2024, 17:45.
TerminalState terminalState(int32_t machine) {
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
    return state;
}

std::string device(int number, int machine, int port) {
    return testsupport::loopbackDeviceLine(number, "Kap\xFD" + std::to_string(number), machine,
                                           port);
}

class TransferWindowTest : public testsupport::MainWindowFixture {
protected:
    TransferWindowTest() {
        useDeviceControl(*m_emulator);
        m_now = {{2031, 2, 3}, 23, 59, 58};
    }
    QString cell(int row, int column) const {
        return find<QTableView>("CihazAktarimGrid")->model()->index(row, column).data().toString();
    }

    std::unique_ptr<DeviceControl> m_emulator = makeEmulatorDeviceControl();
};

TEST_F(TransferWindowTest, TheButtonRunsTheTransferIntoBothFiles) {
    LoopbackTerminal a(terminalState(1));
    writeDeviceList(device(3, 1, a.port()));
    ASSERT_TRUE(start());
    click("AktarButon");
    const std::string line = "003,000042,0,2024/05/06,17:45:00,1\r\n";
    EXPECT_EQ(m_folder.read("Hareketler.txt"), line);
    // The backup file is the one of the window's day.
    EXPECT_EQ(m_folder.read("Backup\\2031-02-03.txt"), line);
    EXPECT_TRUE(m_boxes.shown().empty());
    // The grid shows the status; the device list file is not written by a run.
    bool found = false;
    for (int column = 0; column < 6; ++column)
        found = found || cell(0, column) == QStringLiteral("Aktarım Tamamlandı");
    EXPECT_TRUE(found);
    EXPECT_EQ(m_folder.read("Cihazlar.Dat"),
              testsupport::kDeviceListHeader + device(3, 1, a.port()));
}

TEST_F(TransferWindowTest, NoMarkedDeviceIsTold) {
    writeDeviceList("");
    ASSERT_TRUE(start());
    click("AktarButon");
    ASSERT_EQ(m_boxes.shown().size(), 1u);
    EXPECT_EQ(m_boxes.shown()[0].kind, MessageKind::Information);
    EXPECT_EQ(m_boxes.shown()[0].text, QStringLiteral("En az bir cihaz seçmeniz gerekmektedir"));
    EXPECT_EQ(m_folder.read("Hareketler.txt"), "");
    EXPECT_EQ(m_folder.read("Backup\\2031-02-03.txt"), "");
}

TEST_F(TransferWindowTest, OtherCommandsWaitWhileTheRunYieldsAndComeBackAfter) {
    LoopbackTerminal a(terminalState(1));
    LoopbackTerminal b(terminalState(2));
    writeDeviceList(device(1, 1, a.port()) + device(2, 2, b.port()));
    ASSERT_TRUE(start());
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
    click("AktarButon");
    EXPECT_FALSE(deviceButtonsEnabled);
    EXPECT_FALSE(aktarEnabled);
    EXPECT_FALSE(closed) << "the window stays open while records are in flight";
    EXPECT_TRUE(button("AktarButon")->isEnabled());
    EXPECT_TRUE(button("DegistirButon")->isEnabled());
    EXPECT_TRUE(button("KapatButon")->isEnabled());
    EXPECT_FALSE(m_form->transferRunning());
}

TEST_F(TransferWindowTest, AnErrorIsShownAndTheCommandsComeBack) {
    LoopbackTerminal a(terminalState(1));
    writeDeviceList(device(1, 1, a.port()));
    ASSERT_TRUE(start());
    {
        // Another run holds the output file for the whole wait.
        OutputTexts other;
        other.open(m_folder.file("Hareketler.txt"), m_folder.file("Backup\\x.txt"));
        click("AktarButon");
    }
    ASSERT_EQ(m_boxes.errors().size(), 1u);
    EXPECT_TRUE(m_boxes.errors()[0].startsWith(QStringLiteral("Başka bir aktarım sürüyor")));
    EXPECT_TRUE(m_boxes.errors()[0].endsWith(QStringLiteral(".")));
    EXPECT_TRUE(button("AktarButon")->isEnabled());
    EXPECT_EQ(m_folder.read("Hareketler.txt"), "");
}

TEST_F(TransferWindowTest, AnInterruptedRunIsCompletedFirstAndTheOperatorIsTold) {
    const std::string earlier = "009,000007,1,2024/05/05,08:00:00,1\r\n";
    {
        // A run that was killed after its terminal, before its save.
        TransferJournal journal(m_folder.path());
        // Filled field by field: GCC 12 at -O3 takes the braced form's string
        // for uninitialised (-Wmaybe-uninitialized).
        JournalBatch batch;
        batch.delivery.terminal = "9/9";
        batch.delivery.count = 1;
        batch.delivery.print = 1;
        batch.readMark = true;
        batch.lines = earlier;
        journal.addBatch(m_folder.file("Hareketler.txt"), m_folder.file("Backup\\2024-05-05.txt"),
                         batch);
    }
    LoopbackTerminal a(terminalState(1));
    writeDeviceList(device(3, 1, a.port()));
    ASSERT_TRUE(start());
    click("AktarButon");
    ASSERT_EQ(m_boxes.shown().size(), 1u);
    EXPECT_EQ(m_boxes.shown()[0].kind, MessageKind::Information);
    EXPECT_EQ(m_boxes.shown()[0].text,
              QStringLiteral("Yarım kalmış bir aktarımın 1 satırı kayıt dosyasına ve yedek "
                             "dosyasına yazıldı"));
    EXPECT_EQ(m_folder.read("Hareketler.txt"), earlier + "003,000042,0,2024/05/06,17:45:00,1\r\n");
    // The interrupted run's lines go to the backup file of its own day.
    EXPECT_EQ(m_folder.read("Backup\\2024-05-05.txt"), earlier);
    EXPECT_EQ(m_folder.read("Backup\\2031-02-03.txt"), "003,000042,0,2024/05/06,17:45:00,1\r\n");
}

} // namespace
} // namespace nakilon
