// The main window's commands run their terminal work on the device worker:
// the window answers while a terminal is slow, a close waits for the terminal
// in hand, and every box is shown by the window's thread.
#include "support/DeviceListFile.h"
#include "support/MainWindowFixture.h"
#include "support/RowName.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <thread>

namespace nakilon {
namespace {

using testsupport::RowName;

LogEntry record(int32_t personnel) {
    LogEntry e;
    e.personnelNumber = personnel;
    e.mode = 0x0101;
    e.time = {{2024, 5, 6}, 8, 15, 0};
    return e;
}

class WorkerThreadTest : public testsupport::MainWindowFixture {
protected:
    WorkerThreadTest() {
        for (int32_t machine : {1, 2}) {
            m_device.terminals[machine].records = {record(40 + machine)};
            m_device.terminals[machine].counters[CounterNewLogs] = 1;
            m_device.terminals[machine].users = {{7, machine, 0, 1, 1}};
        }
        writeDeviceList(testsupport::loopbackDeviceLine(1, "Giris", 1, 4370) +
                        testsupport::loopbackDeviceLine(2, "Cikis", 2, 4370));
        EXPECT_TRUE(start());
        m_device.onCall = [this](const std::string& operation) { onCall(operation); };
    }

    // When the terminal work reaches `operation`, `meanwhile` runs on the
    // window's thread while that call waits for it: the window is answering.
    void duringCall(std::string operation, std::function<void()> meanwhile) {
        m_gateOperation = std::move(operation);
        m_meanwhile = std::move(meanwhile);
    }

    void onCall(const std::string& operation) {
        m_callsOnWindowThread += QThread::currentThread() == QCoreApplication::instance()->thread();
        if (operation != m_gateOperation || !m_meanwhile)
            return;
        std::promise<void> done;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [&, meanwhile = std::exchange(m_meanwhile, {})] {
                meanwhile();
                done.set_value();
            },
            Qt::QueuedConnection);
        // A window that does not turn its event loop would leave this waiting.
        if (done.get_future().wait_for(std::chrono::seconds(20)) != std::future_status::ready)
            ADD_FAILURE() << "the window did not answer during " << operation;
    }

    bool contacted(int32_t machine) const {
        const std::string open = "OpenNetworkLink(" + std::to_string(machine) + ",";
        return std::any_of(m_device.calls.begin(), m_device.calls.end(),
                           [&](const std::string& call) { return call.rfind(open, 0) == 0; });
    }
    std::vector<QString> texts() const {
        std::vector<QString> shown;
        for (const ShownMessage& message : m_boxes.shown())
            shown.push_back(message.text);
        return shown;
    }

    std::string m_gateOperation;
    std::function<void()> m_meanwhile;
    int m_callsOnWindowThread = 0;
};

const QString kCloseQuestion = QStringLiteral("Aktarım sürüyor. Elinizdeki cihaz bitince "
                                              "durdurulsun mu?");

struct CloseRow {
    const char* name;
    const char* button;
    int questionsBefore;   // the command's own questions, answered Yes
    const char* waitingIn; // the terminal call during which the window is closed
    std::vector<QString> textsAfter;
    friend void PrintTo(const CloseRow& row, std::ostream* out) { *out << row.name; }
};

class CloseDuringACommand : public WorkerThreadTest,
                            public ::testing::WithParamInterface<CloseRow> {};

TEST_P(CloseDuringACommand, ClosesOnceTheTerminalInHandIsDone) {
    const CloseRow& row = GetParam();
    for (int i = 0; i < row.questionsBefore; ++i)
        m_boxes.answerNext(true);
    bool visibleMeanwhile = false;
    duringCall(row.waitingIn, [&] {
        m_boxes.answerNext(true);
        m_form->close();
        visibleMeanwhile = m_form->isVisible();
    });
    click(row.button);

    EXPECT_TRUE(visibleMeanwhile) << "closed before the terminal was done";
    EXPECT_FALSE(m_form->isVisible());
    std::vector<QString> shown = texts();
    ASSERT_EQ(shown.size(), row.questionsBefore + 1 + row.textsAfter.size());
    EXPECT_EQ(shown[static_cast<size_t>(row.questionsBefore)], kCloseQuestion);
    EXPECT_EQ(
        std::vector<QString>(shown.end() - static_cast<long>(row.textsAfter.size()), shown.end()),
        row.textsAfter);
    EXPECT_EQ(m_boxes.shownOffTheWindowThread(), 0);
    EXPECT_EQ(m_callsOnWindowThread, 0);
    EXPECT_FALSE(m_device.linkOpen() && std::string(row.button) != "ZamanAyarButon");
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CloseDuringACommand,
    ::testing::Values(
        CloseRow{"Transfer", "AktarButon", 0, "TakeLogEntry", {}},
        CloseRow{"ConnectionTest", "TestButon", 0, "OpenNetworkLink", {"Bağlantı Kuruldu"}},
        CloseRow{"RemovePrivileges", "YetkiliSilButon", 1, "ChangeUserRole", {}},
        CloseRow{"DeleteRecords", "YedekSilButon", 1, "PurgeLogs", {"Silme işlemi tamamlandı."}},
        // The clock dialog is not opened for a window that is closing.
        CloseRow{"Clock", "ZamanAyarButon", 0, "OpenNetworkLink", {}}),
    RowName());

TEST_F(WorkerThreadTest, ATransferStoppedByACloseSavesTheTerminalInHandAndContactsNoOther) {
    duringCall("TakeLogEntry", [&] {
        m_boxes.answerNext(true);
        m_form->close();
    });
    click("AktarButon");
    EXPECT_EQ(m_folder.read("Hareketler.txt"), "001,000041,1,2024/05/06,08:15:00,1\r\n");
    EXPECT_TRUE(contacted(1));
    EXPECT_FALSE(contacted(2));
    EXPECT_FALSE(m_folder.exists("Aktarim.gunluk"));
}

TEST_F(WorkerThreadTest, NoToTheCloseQuestionLetsTheTransferRunOn) {
    duringCall("TakeLogEntry", [&] {
        m_boxes.answerNext(false);
        m_form->close();
    });
    click("AktarButon");
    EXPECT_TRUE(m_form->isVisible());
    EXPECT_EQ(texts(), std::vector<QString>{kCloseQuestion});
    EXPECT_EQ(m_folder.read("Hareketler.txt"), "001,000041,1,2024/05/06,08:15:00,1\r\n"
                                               "002,000042,1,2024/05/06,08:15:00,1\r\n");
    // The next close, with nothing running, closes without a question.
    m_form->close();
    EXPECT_FALSE(m_form->isVisible());
    EXPECT_EQ(texts().size(), 1u);
}

TEST_F(WorkerThreadTest, WhileATerminalWorksTheGridShowsItsRowAndNoOtherCommandStarts) {
    std::string statusMeanwhile;
    bool testEnabled = true, aktarEnabled = true, kapatEnabled = false;
    duringCall("TakeLogEntry", [&] {
        statusMeanwhile = m_data.CihazTable.textAt(0, m_data.CihazTable.fieldIndex("Aciklama"));
        testEnabled = button("TestButon")->isEnabled();
        aktarEnabled = button("AktarButon")->isEnabled();
        kapatEnabled = button("KapatButon")->isEnabled();
        // A second press does nothing while the run is under way, even one
        // that reaches the command past the disabled button.
        click("AktarButon");
        emit button("AktarButon")->clicked();
    });
    click("AktarButon");
    EXPECT_EQ(statusMeanwhile, "Bilgiler Aktar\xFDl\xFDyor...");
    EXPECT_FALSE(testEnabled);
    EXPECT_FALSE(aktarEnabled);
    EXPECT_TRUE(kapatEnabled);
    EXPECT_EQ(std::count(m_device.calls.begin(), m_device.calls.end(), "FetchLogBatch(1)"), 1);
    EXPECT_TRUE(button("TestButon")->isEnabled());
}

TEST_F(WorkerThreadTest, AnErrorOfTheTerminalIsShownByTheWindowOnceTheWorkHasEnded) {
    m_device.failAt(1, "Cihaz yanıt vermiyor", "PurgeLogs");
    m_boxes.answerNext(true);
    click("YedekSilButon");
    EXPECT_EQ(m_boxes.errors(), std::vector<QString>{"Cihaz yanıt vermiyor."});
    EXPECT_EQ(m_boxes.shownOffTheWindowThread(), 0);
    EXPECT_TRUE(button("YedekSilButon")->isEnabled());
}

} // namespace
} // namespace nakilon
