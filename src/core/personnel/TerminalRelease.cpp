#include "core/personnel/TerminalRelease.h"

#include "core/device/ConnectionProcedure.h"

#include "core/device/DeviceControl.h"

namespace nakilon {

void runWithTerminalOutOfUse(DeviceControl& control, int32_t machineNumber,
                             const std::function<void()>& work) {
    try {
        runWithDeviceInactive(control, machineNumber, work);
    } catch (...) {
        try {
            control.CloseLink();
        } catch (...) {
            // The first error is the one the operator must see.
        }
        throw;
    }
}

} // namespace nakilon
