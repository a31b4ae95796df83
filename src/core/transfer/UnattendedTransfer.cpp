#include "core/transfer/UnattendedTransfer.h"

#include "core/settings/ProgramSettings.h"
#include "core/startup/StartUp.h"

namespace nakilon {

UnattendedTransfer::UnattendedTransfer(std::string programFolder) {
    m_values.programFolder = std::move(programFolder);
}

void UnattendedTransfer::load() {
    HeadlessSettingsView view;
    readStartUpSettings(m_values, view);
    loadDeviceList(m_values.programFolder, m_data.CihazTable);
}

std::vector<DeviceOutcome> UnattendedTransfer::run(DeviceControl& control,
                                                   const TransferOptions& options,
                                                   const Date& today, Operator& op) {
    return runTransfer(m_data.CihazTable, control, m_values, options, today, op);
}

} // namespace nakilon
