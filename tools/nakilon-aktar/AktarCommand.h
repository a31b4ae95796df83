#pragma once

#include "core/transfer/TransferRun.h"

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace nakilon {

class DeviceControl;

// Exit codes of nakilon-aktar, for the scheduler that starts it.
namespace exitcode {
inline constexpr int Completed = 0;   // every marked device was read and saved
inline constexpr int NotReached = 1;  // a device could not be reached
inline constexpr int Failed = 2;      // the run ended by an error, or was stopped early
inline constexpr int Busy = 3;        // another transfer was running: nothing was done
inline constexpr int NothingToDo = 4; // no device marked; no device list, or an empty one
// The run went as with 0 or 1, but the journal of an interrupted run was
// damaged: its readable batches were saved and a copy of it was kept.
inline constexpr int JournalDamaged = 5;
inline constexpr int Usage = 64; // wrong options
} // namespace exitcode

// nakilon-aktar with its command-line arguments: reads the options, runs the
// unattended transfer on the program folder, prints each device's status as it
// changes and a summary per device, and returns the exit code.
// `stopRequested` is asked before each device (a termination signal).
int runAktarCommand(const std::vector<std::string>& arguments, const std::string& programFolder,
                    DeviceControl& control, const Date& today, std::ostream& out, std::ostream& err,
                    std::function<bool()> stopRequested = {});

} // namespace nakilon
