#pragma once

#include "core/settings/ProgramValues.h"
#include "core/tables/TDataModul.h"
#include "core/transfer/TransferRun.h"

#include <string>
#include <vector>

namespace nakilon {

class DeviceControl;
class Operator;

// The transfer run on a program folder without a window (nakilon-aktar, for
// the Task Scheduler or cron): the settings and the device list are read as
// start-up reads them, then the run goes as "Bilgileri Aktar" does.
class UnattendedTransfer {
public:
    // `programFolder` (UTF-8) ends in a separator.
    explicit UnattendedTransfer(std::string programFolder);

    // Reads the settings and the device list. Throws Error.
    void load();

    // The device list, for observers of the devices' status.
    RecordTable& devices() { return m_data.CihazTable; }

    // Throws Error as runTransfer does.
    std::vector<DeviceOutcome> run(DeviceControl& control, const TransferOptions& options,
                                   const Date& today, Operator& op);

private:
    TDataModul m_data;
    ProgramValues m_values;
};

} // namespace nakilon
