// nakilon-terminal: one emulated time-attendance terminal on TCP, for
// training, demonstrations and tests.
#include "TerminalOptions.h"

#include "core/base/Error.h"
#include "core/base/FilePaths.h"
#include "core/base/FilesAndFolders.h"
#include "emulator/StateFile.h"
#include "emulator/TerminalGenerator.h"
#include "emulator/VirtualTerminal.h"
#include "emulator/net/EmulatorServer.h"
#include "emulator/net/TcpChannel.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>

using namespace nakilon;

namespace {

TerminalState initialState(const TerminalOptions& options) {
    if (!options.stateFile.empty() && fileExists(options.stateFile))
        return readStateFile(options.stateFile);
    TerminalState state;
    if (options.records || options.users) {
        GenerationOptions generation;
        generation.machineNumber = options.machineNumber;
        generation.password = options.password;
        generation.records = options.records.value_or(0);
        generation.users = options.users.value_or(20);
        generation.seed = options.seed;
        generation.todayLocalSeconds = systemLocalSeconds();
        state = generateTerminal(generation);
    } else {
        state.machineNumber = options.machineNumber;
        state.password = options.password;
    }
    if (!options.stateFile.empty())
        writeStateFile(options.stateFile, state);
    return state;
}

int serve(const TerminalOptions& options) {
    VirtualTerminal terminal(initialState(options));
    if (options.frozenClock)
        terminal.freezeClock(*options.frozenClock);
    if (options.weekday)
        terminal.reportWeekday(*options.weekday);
    for (const TerminalFault& fault : options.faults)
        terminal.addFault(fault);
    for (const auto& [user, slot] : options.failingDownloads)
        terminal.failDownload(user, slot);
    std::ofstream journal;
    if (!options.journalFile.empty()) {
        journal.open(pathFromUtf8(options.journalFile), std::ios::app | std::ios::binary);
        if (!journal)
            throw Error("Günlük dosyası açılamadı: " + options.journalFile);
        terminal.setJournal([&journal](const std::string& line) {
            journal << line << '\n';
            journal.flush();
        });
    }
    if (!options.stateFile.empty()) {
        terminal.setChangeHandler([&] { writeStateFile(options.stateFile, terminal.state()); });
    }

    EmulatorServer server(terminal);
    server.setLatency(std::chrono::milliseconds(options.latencyMs));
    const uint16_t port = server.listen(options.address, static_cast<uint16_t>(options.port));
    std::printf("Dinleniyor: %s:%u (Ethernet, makine %d)\n", options.address.c_str(),
                static_cast<unsigned>(port), static_cast<int>(terminal.state().machineNumber));
    for (int serial : options.serialPorts) {
        const int mapped = SerialBasePort + serial;
        server.listen("127.0.0.1", static_cast<uint16_t>(mapped));
        if (serial == 0)
            std::printf("Dinleniyor: 127.0.0.1:%d (USB)\n", mapped);
        else
            std::printf("Dinleniyor: 127.0.0.1:%d (seri port %d)\n", mapped, serial);
    }
    std::fflush(stdout);
    server.run(true);
    std::printf("Durduruldu\n");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    try {
        const TerminalOptions options =
            parseTerminalOptions(std::vector<std::string>(argv + 1, argv + argc));
        if (options.help) {
            std::fputs(TerminalHelpText, stdout);
            return 0;
        }
        return serve(options);
    } catch (const Error& error) {
        std::fprintf(stderr, "nakilon-terminal: %s\n", error.text().c_str());
        return 2;
    }
}
