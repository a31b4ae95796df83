// The transfer run against emulated terminals on loopback, and nakilon-aktar
// as a process on a prepared program folder.
#include "core/transfer/TransferRun.h"

#include "core/base/Error.h"
#include "core/base/FilePaths.h"
#include "core/base/LocalTime.h"
#include "core/base/Operator.h"
#include "core/tables/TDataModul.h"
#include "core/transfer/OutputTexts.h"
#include "emulator/VirtualTerminal.h"
#include "emulator/net/EmulatorDeviceControl.h"
#include "emulator/net/EmulatorServer.h"
#include "support/DeviceListFile.h"
#include "support/LoopbackTerminal.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <sys/wait.h>
#include <thread>

using namespace nakilon;
using nakilon::testsupport::LoopbackTerminal;
using nakilon::testsupport::TempFolder;

namespace {

class QuietOperator : public Operator {
public:
    std::vector<std::string> messages;
    void information(const std::string& text) override { messages.push_back(text); }
    bool confirm(const std::string&) override { return false; }
    void processEvents() override {}
    void repaintTransferGrid() override {}
};

LogRecord record(int32_t personnel, int32_t day, int32_t mode, bool isNew = true) {
    LogRecord r;
    r.personnelNumber = personnel;
    r.mode = mode;
    r.time.year = 2024;
    r.time.month = 3;
    r.time.day = day;
    r.time.hour = 8;
    r.time.minute = 5;
    r.time.second = 59;
    r.isNew = isNew;
    return r;
}

// A terminal on loopback with these records.
TerminalState terminalState(int32_t machine, int32_t password, std::vector<LogRecord> logs) {
    TerminalState state;
    state.machineNumber = machine;
    state.password = password;
    state.logs = std::move(logs);
    return state;
}

// The device list file line of an Ethernet device on loopback.
std::string deviceLine(int number, int machine, int port, const char* password, int mark = 1,
                       int gcTip = 0) {
    return testsupport::loopbackDeviceLine(number, "Cihaz" + std::to_string(number), machine, port,
                                           password, mark, gcTip);
}

const std::string& kDeviceHeader = testsupport::kDeviceListHeader;

class TransferEndToEnd : public ::testing::Test {
protected:
    TransferEndToEnd() {
        m_values.programFolder = m_folder.path();
        m_values.outputFileName = m_folder.file("Hareketler.txt");
        m_values.entryText = "G";
        m_values.exitText = "C";
    }

    void deviceList(const std::string& lines) {
        m_folder.write("Cihazlar.Dat", kDeviceHeader + lines);
        m_data.CihazTable.open();
        m_data.CihazTable.loadFromFile(m_folder.file("Cihazlar.Dat"));
    }

    std::string status(int row) {
        return m_data.CihazTable.textAt(row, m_data.CihazTable.fieldIndex("Aciklama"));
    }

    std::vector<DeviceOutcome> run(bool backup = false) {
        TransferOptions options;
        options.backupMode = backup;
        return runTransfer(m_data.CihazTable, *m_control, m_values, options, {2024, 3, 9}, m_op);
    }

    TempFolder m_folder;
    TDataModul m_data;
    ProgramValues m_values;
    QuietOperator m_op;
    std::unique_ptr<DeviceControl> m_control = makeEmulatorDeviceControl();
};

uint16_t closedPort() {
    VirtualTerminal terminal;
    EmulatorServer server(terminal);
    return server.listen("127.0.0.1", 0); // not started, and gone with the server
}

} // namespace

TEST_F(TransferEndToEnd, NewRecordsOfEveryMarkedTerminalReachBothFilesOnce) {
    LoopbackTerminal a(terminalState(
        1, 0, {record(101, 4, 0x0401), record(102, 4, 0x0501), record(103, 3, 1, false)}));
    LoopbackTerminal b(terminalState(2, 4321, {record(201, 5, 0x0401)}));
    LoopbackTerminal wrongPassword(terminalState(3, 99, {record(301, 5, 1)}));
    deviceList(deviceLine(1, 1, a.port(), "") + deviceLine(2, 2, b.port(), "4321", 1, 2) +
               deviceLine(3, 3, wrongPassword.port(), "98") + deviceLine(4, 4, closedPort(), "") +
               deviceLine(5, 5, b.port(), "", 0));

    const std::vector<DeviceOutcome> outcomes = run();

    const std::string lines = "001,000101,G,2024/03/04,08:05:00,1\r\n"
                              "001,000102,C,2024/03/04,08:05:00,1\r\n"
                              "002,000201,C,2024/03/05,08:05:00,1025\r\n";
    EXPECT_EQ(m_folder.read("Hareketler.txt"), lines);
    EXPECT_EQ(m_folder.read("Backup\\2024-03-09.txt"), lines);
    EXPECT_EQ(status(0), "Aktar\xFDm Tamamland\xFD");
    EXPECT_EQ(status(1), "Aktar\xFDm Tamamland\xFD");
    EXPECT_EQ(status(2), "Ba\xF0lant\xFD kurulamad\xFD");
    EXPECT_EQ(status(3), "Ba\xF0lant\xFD kurulamad\xFD");
    EXPECT_EQ(status(4), "");
    ASSERT_EQ(outcomes.size(), 4u);
    EXPECT_EQ(outcomes[0].accepted, 2);
    EXPECT_EQ(outcomes[1].accepted, 1);
    for (const LogRecord& r : a.held().logs)
        EXPECT_FALSE(r.isNew) << "transferred records are marked in the terminal";

    // A second run finds nothing new; backup mode takes everything again.
    run();
    EXPECT_EQ(m_folder.read("Hareketler.txt"), lines);
    run(true);
    EXPECT_EQ(m_folder.read("Hareketler.txt"), lines + "001,000101,G,2024/03/04,08:05:00,1\r\n"
                                                       "001,000102,C,2024/03/04,08:05:00,1\r\n"
                                                       "001,000103,G,2024/03/03,08:05:00,1\r\n"
                                                       "002,000201,C,2024/03/05,08:05:00,1025\r\n");
}

TEST_F(TransferEndToEnd, ALinkThatDropsMidFetchKeepsEarlierLinesAndTheTerminalsRecords) {
    LoopbackTerminal a(terminalState(1, 0, {record(101, 4, 1)}));
    LoopbackTerminal b(terminalState(2, 0, {record(201, 5, 1), record(202, 5, 1)}));
    deviceList(deviceLine(1, 1, a.port(), "") + deviceLine(2, 2, b.port(), ""));
    // b answers slowly; the line drops while it is handing out its records.
    std::atomic<bool> fetching{false};
    b.server().withTerminal([&](VirtualTerminal& t) {
        t.setJournal([&](const std::string& line) {
            if (line.rfind("FetchLogBatch", 0) == 0)
                fetching = true;
        });
    });
    b.server().setLatency(std::chrono::milliseconds(400));
    std::thread dropper([&] {
        while (!fetching)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        b.server().dropConnections();
    });
    try {
        run();
        ADD_FAILURE() << "the dropped link must be reported";
    } catch (const Error& e) {
        EXPECT_FALSE(e.text().empty());
    }
    dropper.join();
    const std::string line = "001,000101,G,2024/03/04,08:05:00,1\r\n";
    EXPECT_EQ(m_folder.read("Hareketler.txt"), line);
    EXPECT_EQ(m_folder.read("Backup\\2024-03-09.txt"), line);
    for (const LogRecord& r : b.held().logs)
        EXPECT_TRUE(r.isNew) << "records not received stay new in the terminal";
    // The next run picks b's records up.
    b.server().setLatency(std::chrono::milliseconds(0));
    run();
    EXPECT_EQ(m_folder.read("Hareketler.txt"), line + "002,000201,G,2024/03/05,08:05:00,1\r\n"
                                                      "002,000202,G,2024/03/05,08:05:00,1\r\n");
}

TEST_F(TransferEndToEnd, NakilonAktarRunsOnItsOwnProgramFolder) {
    LoopbackTerminal a(terminalState(1, 0, {record(101, 4, 0x0401)}));
    const uint16_t unreachable = closedPort();
    // The program folder: the executable, its settings and its device list.
    const std::filesystem::path exe = pathFromUtf8(m_folder.file("nakilon-aktar"));
    std::filesystem::copy_file(NAKILON_AKTAR_PATH, exe);
    m_folder.write("Ayarlar.ini", "[Ayarlar]\r\nGirisSTR=GIRIS12345\r\nCikisSTR=\r\n");
    m_folder.write("Cihazlar.Dat", kDeviceHeader + deviceLine(7, 1, a.port(), ""));

    auto runTool = [&](const std::string& args, std::string& output) {
        const std::string command = "'" + pathToUtf8(exe) + "' " + args + " 2>&1";
        FILE* pipe = popen(command.c_str(), "r");
        char buffer[4096];
        output.clear();
        while (size_t n = fread(buffer, 1, sizeof buffer, pipe))
            output.append(buffer, n);
        const int status = pclose(pipe);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    std::string output;
    EXPECT_EQ(runTool("", output), 0) << output;
    EXPECT_NE(output.find("Cihaz7: Aktarım Tamamlandı"), std::string::npos) << output;
    EXPECT_NE(output.find("Cihaz7: 1 kayıt aktarıldı"), std::string::npos) << output;
    const std::string line = "007,000101,GIRIS12,2024/03/04,08:05:00,1\r\n";
    EXPECT_EQ(m_folder.read("Hareketler.txt"), line);
    // The default output file name was written back, as the window does.
    EXPECT_NE(m_folder.read("Ayarlar.ini").find("KayitDosyasi=" + m_folder.file("Hareketler.txt")),
              std::string::npos);
    // The process reads the computer's clock for the day's backup file.
    const DateTime now = localNow();
    char backup[64];
    std::snprintf(backup, sizeof backup, "Backup\\%04d-%02d-%02d.txt", now.year, now.month,
                  now.day);
    EXPECT_EQ(m_folder.read(backup), line);

    // A device that cannot be reached makes the exit code non-zero.
    m_folder.write("Cihazlar.Dat", kDeviceHeader + deviceLine(7, 1, a.port(), "") +
                                       deviceLine(8, 1, unreachable, ""));
    EXPECT_EQ(runTool("--yedek --tarihinden 2024-03-04 --tarihine 2024-03-04", output), 1)
        << output;
    EXPECT_NE(output.find("Cihaz8: bağlantı kurulamadı"), std::string::npos) << output;
    EXPECT_EQ(m_folder.read("Hareketler.txt"), line + line);

    // While another run holds the output file, nothing is written.
    {
        OutputTexts other;
        other.open(m_folder.file("Hareketler.txt"), m_folder.file("Backup\\x.txt"));
        EXPECT_EQ(runTool("", output), 3) << output;
        EXPECT_NE(output.find("Başka bir aktarım sürüyor"), std::string::npos) << output;
    }
    EXPECT_EQ(m_folder.read("Hareketler.txt"), line + line);

    EXPECT_EQ(runTool("--tarihinden 2024-02-30 --yedek", output), 64) << output;
    EXPECT_EQ(runTool("--bilinmeyen", output), 64) << output;
}
