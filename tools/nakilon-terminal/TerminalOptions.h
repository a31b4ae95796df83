#pragma once

#include "emulator/TerminalFault.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace nakilon {

struct TerminalOptions {
    std::string address = "127.0.0.1";
    int port = 5005;
    std::vector<int> serialPorts; // --serial N, --usb is 0
    std::string stateFile;
    std::string journalFile;
    std::optional<int32_t> records;
    std::optional<int32_t> users;
    uint32_t seed = 1;
    int32_t machineNumber = 1;
    int32_t password = 0;
    int latencyMs = 0;
    // --clock: the terminal's clock stands at this local time (seconds since
    // 1970-01-01 00:00:00 of the wall clock); --weekday: the weekday it reports.
    std::optional<int64_t> frozenClock;
    std::optional<int32_t> weekday;
    std::vector<TerminalFault> faults; // --fail, --drop
    // --download-fails: user and slot whose DownloadEnrollment answers false.
    std::vector<std::pair<int32_t, int32_t>> failingDownloads;
    bool help = false;
};

// Reads the command line; raises Error with a text for the operator.
TerminalOptions parseTerminalOptions(const std::vector<std::string>& arguments);

extern const char* const TerminalHelpText;

} // namespace nakilon
