// nakilon-terminal as a process: started on a free port, driven through the
// emulator backend, stopped by a signal.
#include "core/base/Error.h"
#include "core/base/Operator.h"
#include "core/base/Text.h"
#include "core/device/ConnectionProcedure.h"
#include "core/device/DeviceRow.h"
#include "core/maintenance/DeviceMaintenance.h"
#include "core/personnel/EnrollmentFile.h"
#include "core/personnel/PersonnelFetch.h"
#include "core/personnel/PersonnelSend.h"
#include "core/tables/TDataModul.h"
#include "emulator/StateFile.h"
#include "emulator/TerminalGenerator.h"
#include "emulator/net/EmulatorDeviceControl.h"
#include "support/RecordingOperator.h"
#include "support/TempFolder.h"
#include "support/ThrownText.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

extern char** environ;

namespace nakilon {
namespace {

class Process {
public:
    explicit Process(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), NAKILON_TERMINAL_PATH);
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        int out[2], err[2];
        if (pipe(out) != 0 || pipe(err) != 0)
            throw std::runtime_error("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_addclose(&actions, err[0]);
        if (posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            throw std::runtime_error("spawn");
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        close(err[1]);
        m_out = out[0];
        m_err = err[0];
    }
    ~Process() {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        close(m_out);
        close(m_err);
    }

    // The next line of standard output, or "" after 10 s or at its end.
    std::string readLine() {
        std::string line;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd fd{m_out, POLLIN, 0};
            if (poll(&fd, 1, 100) <= 0)
                continue;
            char c;
            if (read(m_out, &c, 1) != 1)
                return line;
            if (c == '\n')
                return line;
            line += c;
        }
        return line;
    }

    std::string readAll(int fd) {
        std::string text;
        char buffer[4096];
        ssize_t n;
        while ((n = read(fd, buffer, sizeof buffer)) > 0)
            text.append(buffer, static_cast<size_t>(n));
        return text;
    }
    std::string restOfOutput() { return readAll(m_out); }
    std::string errors() { return readAll(m_err); }

    void signal(int number) { kill(m_pid, number); }
    int wait() {
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = 0;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t m_pid = 0;
    int m_out = -1;
    int m_err = -1;
};

int portOf(const std::string& line) {
    const size_t colon = line.rfind(':');
    return colon == std::string::npos ? 0 : std::atoi(line.c_str() + colon + 1);
}

TEST(TerminalTool, HelpDocumentsEveryOption) {
    Process process({"--help"});
    const std::string text = process.restOfOutput();
    EXPECT_EQ(process.wait(), 0);
    for (const char* option : {"--port",
                               "--address",
                               "--state",
                               "--journal",
                               "--records",
                               "--users",
                               "--seed",
                               "--latency-ms",
                               "--serial",
                               "--usb",
                               "--clock",
                               "--weekday",
                               "--fail",
                               "--drop",
                               "--help",
                               "20000+N",
                               "127.0.0.1",
                               "clock-weekday",
                               "clock-read-fails",
                               "<ikinci-makine-no>",
                               "--download-fails",
                               "download-fails",
                               "crc32="})
        EXPECT_NE(text.find(option), std::string::npos) << option;
}

TEST(TerminalTool, ServesGeneratedTerminalKeepsStateAndJournalStopsOnSignal) {
    testsupport::TempFolder folder;
    const std::string state = folder.file("terminal.state");
    const std::string journal = folder.file("journal.txt");
    Process process({"--port", "0", "--state", state, "--journal", journal, "--records", "30",
                     "--users", "3", "--seed", "5", "--machine", "4", "--password", "99"});
    const std::string line = process.readLine();
    ASSERT_EQ(line.rfind("Dinleniyor: 127.0.0.1:", 0), 0u) << line << process.errors();
    const int port = portOf(line);
    ASSERT_GT(port, 0);
    // The generated terminal is in the state file before the first link.
    EXPECT_EQ(readStateFile(state).logs.size(), 30u);

    auto control = makeEmulatorDeviceControl();
    ConnectionValues values{ConnectionEthernet, 4, "127.0.0.1", port, "99"};
    ASSERT_EQ(connectDevice(*control, values), ConnectResult::Connected);
    control->SetReadMark(true);
    EXPECT_TRUE(control->FetchLogBatch(4));
    int taken = 0;
    int32_t v[10];
    while (control->TakeLogEntry(4, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9]))
        ++taken;
    EXPECT_EQ(taken, 30);
    control->confirmLogBatch(4);
    control->CloseLink();
    // CloseLink expects no answer; let the terminal read it before it stops.
    for (int i = 0; i < 500 && folder.read("journal.txt").find("CloseLink") == std::string::npos;
         ++i)
        usleep(10000);

    process.signal(SIGTERM);
    EXPECT_EQ(process.wait(), 0);
    // Every record now counts as transferred, in the file another program reads.
    const TerminalState held = readStateFile(state);
    ASSERT_EQ(held.logs.size(), 30u);
    for (const LogRecord& record : held.logs)
        EXPECT_FALSE(record.isNew);
    // Every call of the link in order: the takes too, 30 records and the end.
    std::string takes;
    for (int i = 0; i < 31; ++i)
        takes += "TakeLogEntry 4\n";
    EXPECT_EQ(folder.read("journal.txt"), "OpenNetworkLink 4 127.0.0.1 " + std::to_string(port) +
                                              " 99\nSetReadMark 1\nFetchLogBatch 4 ReadMark=1\n" +
                                              takes + "CloseLink\n");
}

// The maintenance commands' device row for a terminal on 127.0.0.1:`port`.
void addDevice(TDataModul& data, int port) {
    data.CihazTable.open();
    data.CihazTable.append();
    data.CihazTable.setInteger("MakineNo", 1);
    data.CihazTable.setInteger("BaglantiTipi", 1);
    data.CihazTable.setText("IPAdres", "127.0.0.1");
    data.CihazTable.setInteger("Port", port);
    data.CihazTable.post();
}

class YesOperator : public Operator {
public:
    void information(const std::string&) override {}
    bool confirm(const std::string&) override { return true; }
    void processEvents() override {}
    void repaintTransferGrid() override {}
};

// A terminal told to fail a call after the program took it out of use: the
// command still returns it to use and closes the link; told to drop the
// line instead, the terminal is left out of use, which its state file shows.
TEST(TerminalTool, InjectedFaultsShowWhereACommandLeavesTheTerminal) {
    testsupport::TempFolder folder;
    folder.write("t.state", "terminal 1 0\nuser 1001 0 3 1 0\nlog 1 1 2024 1 1 8 0 0 new\n");
    const std::string state = folder.file("t.state");
    Process process({"--port", "0", "--state", state, "--journal", folder.file("journal.txt"),
                     "--fail", "FetchUserIndex:1", "--drop", "PurgeLogs:1", "--refuse",
                     "PurgeLogs:2"});
    const int port = portOf(process.readLine());
    ASSERT_GT(port, 0) << process.errors();
    TDataModul data;
    addDevice(data, port);
    YesOperator op;
    auto control = makeEmulatorDeviceControl();

    EXPECT_EQ(testsupport::thrownText([&] {
                  removeAllPrivileges(currentConnectionValues(data.CihazTable), *control, op);
              }),
              "Cihaz hata bildirdi: FetchUserIndex işlemi tamamlanamadı");
    // CloseLink expects no answer; let the terminal read it.
    const auto endsWithClose = [&] {
        const std::string journal = folder.read("journal.txt");
        return journal.size() >= 10 && journal.compare(journal.size() - 10, 10, "CloseLink\n") == 0;
    };
    for (int i = 0; i < 500 && !endsWithClose(); ++i)
        usleep(10000);
    EXPECT_EQ(folder.read("journal.txt"), "OpenNetworkLink 1 127.0.0.1 " + std::to_string(port) +
                                              " 0\nSetDeviceActive 1 0\nFetchUserIndex 1\n"
                                              "SetDeviceActive 1 1\nCloseLink\n");
    EXPECT_TRUE(readStateFile(state).active);
    EXPECT_EQ(readStateFile(state).users[0].privilege, 3);

    EXPECT_EQ(testsupport::thrownText([&] {
                  purgeDeviceRecords(currentConnectionValues(data.CihazTable), *control, op);
              }),
              "Cihazla bağlantı koptu: PurgeLogs işlemi tamamlanamadı\n"
              "Cihaz kullanıma açılamadı (Makine No 1)");
    const TerminalState left = readStateFile(state);
    EXPECT_FALSE(left.active);
    EXPECT_EQ(left.logs.size(), 1u);

    // Refused as the maker's component refuses: false, never "tamamlandı".
    EXPECT_EQ(testsupport::thrownText([&] {
                  purgeDeviceRecords(currentConnectionValues(data.CihazTable), *control, op);
              }),
              "Cihaz, kayıtları silme isteğini reddetti (Makine No 1)");
    for (int i = 0; i < 500 && !endsWithClose(); ++i)
        usleep(10000);
    EXPECT_NE(folder.read("journal.txt").find("\nPurgeLogs 1 refused\nSetDeviceActive 1 1\n"),
              std::string::npos);
    EXPECT_TRUE(readStateFile(state).active);
    EXPECT_EQ(readStateFile(state).logs.size(), 1u);
    process.signal(SIGTERM);
    EXPECT_EQ(process.wait(), 0);
}

// Users carried from one terminal process to another as the personnel window
// does it, read back from the target's state file; one listed enrollment of
// the source cannot be read.
TEST(TerminalTool, UsersCopiedBetweenTwoTerminalsArriveWithTheirEnrollments) {
    testsupport::TempFolder folder;
    folder.write("Data\\Personel.PDT", "");
    GenerationOptions generation;
    generation.machineNumber = 2;
    generation.users = 12;
    generation.seed = 3;
    const TerminalState source = generateTerminal(generation);
    writeStateFile(folder.file("source.state"), source);
    const UserEntry unreadable = source.users.at(4);
    ASSERT_LE(unreadable.slot, 9);
    Process sourceProcess(
        {"--port", "0", "--state", folder.file("source.state"), "--download-fails",
         std::to_string(unreadable.userNumber) + ":" + std::to_string(unreadable.slot)});
    Process targetProcess(
        {"--port", "0", "--state", folder.file("target.state"), "--machine", "7"});
    const int sourcePort = portOf(sourceProcess.readLine());
    const int targetPort = portOf(targetProcess.readLine());
    ASSERT_GT(sourcePort, 0) << sourceProcess.errors();
    ASSERT_GT(targetPort, 0) << targetProcess.errors();

    TDataModul data;
    data.PersonelTable.open();
    testsupport::RecordingOperator op;
    auto control = makeEmulatorDeviceControl();
    fetchFromDevice({ConnectionEthernet, 2, "127.0.0.1", sourcePort, ""}, *control, op,
                    [&](int32_t machine) {
                        readUserList(data.PersonelTampon, *control, machine);
                        copySelectedPersonnel(data.PersonelTampon, data.PersonelTable,
                                              folder.path(), *control, machine, op);
                    });
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_NE(op.shown[0].find("Personel No " + std::to_string(unreadable.userNumber) +
                               ", parmak kaydı " + std::to_string(unreadable.slot)),
              std::string::npos)
        << op.shown[0];
    EXPECT_EQ(readEnrollmentFile(folder.path(), unreadable.userNumber, unreadable.slot),
              std::nullopt);
    sendToDevice({ConnectionEthernet, 7, "127.0.0.1", targetPort, ""}, data.PersonelTable,
                 folder.path(), *control, op);
    targetProcess.signal(SIGTERM);
    EXPECT_EQ(targetProcess.wait(), 0);

    // Every finger entry but the unreadable one, with its privilege, the
    // user's password and the same numbers; card and password entries (slots
    // 10 and 11) are not sent.
    std::vector<std::string> expectedUsers, heldUsers;
    std::vector<Enrollment> expectedEnrollments;
    for (const UserEntry& u : source.users)
        if (u.slot <= 9 && !(u.userNumber == unreadable.userNumber && u.slot == unreadable.slot))
            expectedUsers.push_back(
                formatText("%d %d %d %d", u.userNumber, u.slot, u.privilege, u.password));
    for (const Enrollment& e : source.enrollments)
        if (!(e.userNumber == unreadable.userNumber && e.slot == unreadable.slot))
            expectedEnrollments.push_back(e);
    const TerminalState target = readStateFile(folder.file("target.state"));
    for (const UserEntry& u : target.users)
        heldUsers.push_back(
            formatText("%d %d %d %d", u.userNumber, u.slot, u.privilege, u.password));
    EXPECT_EQ(heldUsers, expectedUsers);
    EXPECT_EQ(target.enrollments, expectedEnrollments);
    EXPECT_TRUE(target.active);
    EXPECT_GT(expectedEnrollments.size(), 12u);
}

TEST(TerminalTool, FrozenClockReportsItsTimeAndTheWeekdayGiven) {
    Process process({"--port", "0", "--clock", "2024-03-05T14:07:00", "--weekday", "9"});
    const int port = portOf(process.readLine());
    ASSERT_GT(port, 0) << process.errors();
    auto control = makeEmulatorDeviceControl();
    ASSERT_EQ(connectDevice(*control, {ConnectionEthernet, 1, "127.0.0.1", port, ""}),
              ConnectResult::Connected);
    int32_t v[7] = {};
    for (int read = 0; read < 2; ++read) {
        ASSERT_TRUE(control->ReadDeviceClock(1, v[0], v[1], v[2], v[3], v[4], v[5], v[6]));
        EXPECT_EQ(std::vector<int32_t>(v, v + 7), (std::vector<int32_t>{2024, 3, 5, 14, 7, 0, 9}));
    }
    control->CloseLink();
    process.signal(SIGTERM);
    EXPECT_EQ(process.wait(), 0);
}

TEST(TerminalTool, SerialAndUsbPortsAreMappedAboveTheBase) {
    testsupport::TempFolder folder;
    // The mapped ports are fixed; a busy machine may hold them.
    Process process({"--port", "0", "--serial", "3", "--usb"});
    const std::string network = process.readLine();
    const std::string serial = process.readLine();
    const std::string usb = process.readLine();
    if (serial.empty())
        GTEST_SKIP() << "mapped ports are in use: " << process.errors();
    EXPECT_EQ(serial, "Dinleniyor: 127.0.0.1:20003 (seri port 3)");
    EXPECT_EQ(usb, "Dinleniyor: 127.0.0.1:20000 (USB)");
    auto control = makeEmulatorDeviceControl();
    EXPECT_EQ(connectDevice(*control, {ConnectionSerial, 1, "", 3, ""}), ConnectResult::Connected);
    EXPECT_EQ(connectDevice(*control, {ConnectionUsb, 1, "", 5005, ""}), ConnectResult::Connected);
    control->CloseLink();
    process.signal(SIGINT);
    EXPECT_EQ(process.wait(), 0);
}

TEST(TerminalTool, RefusesMalformedStateFileAndBadOptions) {
    testsupport::TempFolder folder;
    folder.write("bad.state", "terminal 1 0\nlog 1 2 3\n");
    Process bad({"--port", "0", "--state", folder.file("bad.state")});
    EXPECT_EQ(bad.wait(), 2);
    EXPECT_NE(bad.errors().find("Durum dosyası satır 2: log satırında 9 alan olmalı, 3 var"),
              std::string::npos);

    Process unknown({"--prot", "5"});
    EXPECT_EQ(unknown.wait(), 2);
    EXPECT_NE(unknown.errors().find("Bilinmeyen seçenek: --prot"), std::string::npos);

    const std::pair<std::vector<std::string>, std::string> refused[] = {
        {{"--clock", "2024-02-30T00:00:00"},
         "--clock için geçersiz zaman (YYYY-AA-GGTSS:DD:ss): 2024-02-30T00:00:00"},
        {{"--clock", "2024-03-05 14:07:00"},
         "--clock için geçersiz zaman (YYYY-AA-GGTSS:DD:ss): 2024-03-05 14:07:00"},
        {{"--clock", "2024-03-05T24:00:00"},
         "--clock için geçersiz zaman (YYYY-AA-GGTSS:DD:ss): 2024-03-05T24:00:00"},
        {{"--fail", "CloseLink:1"},
         "--fail İŞLEM:N bekliyor, İŞLEM cihaza giden işlemlerden biri: CloseLink:1"},
        {{"--drop", "PurgeLogs"},
         "--drop İŞLEM:N bekliyor, İŞLEM cihaza giden işlemlerden biri: PurgeLogs"},
        {{"--drop", "PurgeLogs:0"}, "--drop için geçersiz sayı: 0"},
        {{"--download-fails", "1001"}, "--download-fails KULLANICI:PARMAK bekliyor: 1001"},
        {{"--download-fails", "1001:x"}, "--download-fails için geçersiz sayı: x"},
    };
    for (const auto& [arguments, message] : refused) {
        Process option(arguments);
        EXPECT_EQ(option.wait(), 2) << message;
        EXPECT_NE(option.errors().find(message), std::string::npos) << option.errors();
    }
}

} // namespace
} // namespace nakilon
