#include "core/maintenance/DeviceMaintenance.h"

#include "core/base/Error.h"
#include "core/personnel/EnrollmentFile.h"

#include <string>
#include <vector>

#include "core/base/Operator.h"
#include "core/device/ConnectionProcedure.h"
#include "core/device/DeviceControl.h"

namespace nakilon {

namespace {

// Connects for a command that ends without a word when the connection type is
// none of the three; true when connected.
bool connectOrReport(DeviceControl& control, const ConnectionValues& values, Operator& op) {
    switch (connectDevice(control, values)) {
    case ConnectResult::Connected:
        return true;
    case ConnectResult::Failed:
        op.information(maintenance::NotConnectedText);
        return false;
    case ConnectResult::UnknownType:
        break;
    }
    return false;
}

} // namespace

void testConnection(const ConnectionValues& device, DeviceControl& control, Operator& op) {
    if (connectDevice(control, device) != ConnectResult::Connected) {
        op.information(maintenance::NotConnectedText);
        return;
    }
    control.CloseLink();
    op.information(maintenance::ConnectedText);
}

void removeAllPrivileges(const ConnectionValues& values, DeviceControl& control, Operator& op) {
    if (!op.confirm(maintenance::RemovePrivilegesQuestion))
        return;
    if (!connectOrReport(control, values, op))
        return;
    const int32_t m = values.machineNumber;
    runWithDeviceInactiveThenClose(control, m, [&] {
        control.FetchUserIndex(m);
        // Every entry, whatever privilege it has; a user with several
        // enrollments has several entries.
        int32_t user = 0, secondMachine = 0, slot = 0, privilege = 0, enabled = 0;
        int entries = 0;
        std::vector<EnrollmentSlot> refused;
        while (control.TakeUserIndexEntry(m, user, secondMachine, slot, privilege, enabled)) {
            ++entries;
            // The others go on; the operator learns which ones kept theirs.
            if (!control.ChangeUserRole(m, user, secondMachine, slot, 0))
                refused.push_back({user, slot});
        }
        if (!refused.empty())
            throw Error(refusalError("yetki kaldırma", m).text() + ": " + std::to_string(entries) +
                        " kaydın " + std::to_string(refused.size()) +
                        " tanesinde yetki kaldırılamadı" +
                        enrollmentListText(refused, maintenance::ListedEntries));
    });
}

void purgeDeviceRecords(const ConnectionValues& values, DeviceControl& control, Operator& op) {
    if (!op.confirm(maintenance::PurgeRecordsQuestion))
        return;
    if (!connectOrReport(control, values, op))
        return;
    const int32_t m = values.machineNumber;
    runWithDeviceInactiveThenClose(
        control, m, [&] { requireAccepted(control.PurgeLogs(m), "kayıtları silme", m); });
    op.information(maintenance::PurgeDoneText);
}

std::optional<int32_t> connectForClock(const ConnectionValues& values, DeviceControl& control,
                                       Operator& op) {
    if (!connectOrReport(control, values, op))
        return std::nullopt;
    return values.machineNumber;
}

} // namespace nakilon
