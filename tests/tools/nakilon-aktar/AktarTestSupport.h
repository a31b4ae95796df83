#pragma once

// What the tests of nakilon-aktar as a process share: emulated terminals
// served by the test on loopback, a program folder with the program in it,
// and the program run as a child process whose output lands in a file.
#include "core/base/FilePaths.h"
#include "core/base/FileRead.h"
#include "core/base/TemporaryCopies.h"
#include "emulator/VirtualTerminal.h"
#include "emulator/net/EmulatorServer.h"
#include "support/DeviceListFile.h"
#include "support/LoopbackTerminal.h"
#include "support/TempFolder.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace nakilon::testsupport {

// A terminal on loopback with these records, and what the tests ask of it.
class ServedTerminal : public LoopbackTerminal {
public:
    explicit ServedTerminal(int32_t machine, std::vector<LogRecord> logs = {})
        : LoopbackTerminal(stateOf(machine, std::move(logs))), m_machine(machine) {}
    int32_t machine() const { return m_machine; }
    std::vector<LogRecord> logs() {
        std::vector<LogRecord> result;
        server().withTerminal([&](VirtualTerminal& t) { result = t.state().logs; });
        return result;
    }
    void add(const std::vector<LogRecord>& records) {
        server().withTerminal([&](VirtualTerminal& t) {
            for (const LogRecord& r : records)
                t.state().logs.push_back(r);
        });
    }
    size_t unread() {
        size_t count = 0;
        for (const LogRecord& r : logs())
            count += r.isNew ? 1 : 0;
        return count;
    }

private:
    static TerminalState stateOf(int32_t machine, std::vector<LogRecord> logs) {
        TerminalState state;
        state.machineNumber = machine;
        state.logs = std::move(logs);
        return state;
    }
    int32_t m_machine;
};

// A new record of personnel number `n`: each number gives its own line.
inline LogRecord recordOf(int32_t n) {
    LogRecord r;
    r.personnelNumber = n;
    r.mode = 0x0001;
    r.time.year = 2024;
    r.time.month = 1 + n % 12;
    r.time.day = 1 + n % 28;
    r.time.hour = n % 24;
    r.time.minute = n % 60;
    r.time.second = n % 60;
    r.isNew = true;
    return r;
}

// The output line of recordOf(n) from device `device` with the default
// entry text "1".
inline std::string lineOf(int device, int32_t n) {
    char line[64];
    std::snprintf(line, sizeof line, "%03d,%06d,1,2024/%02d/%02d,%02d:%02d:00,1\r\n", device, n,
                  1 + n % 12, 1 + n % 28, n % 24, n % 60);
    return line;
}

// A program folder with nakilon-aktar in it and a device list.
class AktarFolder {
public:
    AktarFolder() { std::filesystem::copy_file(NAKILON_AKTAR_PATH, pathFromUtf8(program())); }
    const TempFolder& folder() const { return m_folder; }
    std::string program() const { return m_folder.file("nakilon-aktar"); }
    void devices(const std::vector<const ServedTerminal*>& terminals) const {
        std::string list = kDeviceListHeader;
        int number = 1;
        for (const ServedTerminal* t : terminals) {
            list += loopbackDeviceLine(number, "Cihaz" + std::to_string(number), t->machine(),
                                       t->port());
            ++number;
        }
        m_folder.write("Cihazlar.Dat", list);
    }
    // The temporary copies anywhere in the folder.
    std::vector<std::string> temporaries() const {
        std::vector<std::string> names;
        for (const auto& entry :
             std::filesystem::recursive_directory_iterator(pathFromUtf8(m_folder.path())))
            if (parseTemporaryName(pathToUtf8(entry.path().filename())))
                names.push_back(pathToUtf8(entry.path()));
        return names;
    }
    // Every backup file's content, one after the other.
    std::string backups() const {
        std::string all;
        const std::filesystem::path backup = pathFromUtf8(m_folder.file("Backup"));
        if (!std::filesystem::exists(backup))
            return all;
        for (const auto& entry : std::filesystem::directory_iterator(backup))
            if (entry.path().extension() == ".txt")
                all += readWholeFile(pathToUtf8(entry.path()));
        return all;
    }

private:
    TempFolder m_folder;
};

// A child process; its standard output and error go to one file.
class ChildProcess {
public:
    ChildProcess(std::vector<std::string> command, const std::string& outputFile) {
        std::vector<char*> argv;
        for (std::string& argument : command)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        const int failed = posix_spawnp(&m_pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (failed != 0)
            throw std::runtime_error("cannot start " + command[0]);
    }
    ~ChildProcess() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    void signal(int number) { ::kill(m_pid, number); }
    // The exit code, or 128 + the signal that ended the process.
    int wait() {
        if (m_pid < 0)
            return m_code;
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    // True when the process has ended (its code then comes from wait()).
    bool ended() {
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) != m_pid)
            return false;
        m_pid = -1;
        m_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return true;
    }
    int code() const { return m_code; }

private:
    pid_t m_pid = -1;
    int m_code = -1;
};

// Waits up to 30 s until the file holds `text`.
inline bool waitForText(const std::string& file, const std::string& text) {
    for (int i = 0; i < 3000; ++i) {
        try {
            if (readWholeFile(file).find(text) != std::string::npos)
                return true;
        } catch (const std::exception&) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// Runs nakilon-aktar to its end; its output in `output`.
inline int runAktar(const AktarFolder& folder, std::string& output,
                    std::vector<std::string> prefix = {}) {
    prefix.push_back(folder.program());
    const std::string log = folder.folder().file("aktar.log");
    ChildProcess child(prefix, log);
    const int code = child.wait();
    output = readWholeFile(log);
    std::filesystem::remove(pathFromUtf8(log));
    return code;
}

} // namespace nakilon::testsupport
