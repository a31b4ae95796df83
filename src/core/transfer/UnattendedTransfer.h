#pragma once

#include "core/transfer/TransferRun.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace nakilon {

class DeviceControl;

// The unattended transfer (nakilon-aktar): the same run as "Bilgileri Aktar"
// on the program folder, for the Task Scheduler or cron. Prints each device's
// status as it changes and a summary per device.
//
// Exit codes: 0 every marked device completed; 1 a device could not be
// reached; 2 the run ended by an error (nothing of a failed device is lost:
// the lines read so far are written); 64 wrong options.
int runUnattendedTransfer(const std::vector<std::string>& arguments,
                          const std::string& programFolder, DeviceControl& control,
                          const CalendarDate& today, std::ostream& out, std::ostream& err);

} // namespace nakilon
