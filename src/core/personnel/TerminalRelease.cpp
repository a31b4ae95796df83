#include "core/personnel/TerminalRelease.h"

#include "core/device/DeviceControl.h"

namespace nakilon {

void releaseTerminalOnError(DeviceControl& control, int32_t machineNumber,
                            const std::function<void()>& work) {
    try {
        work();
    } catch (...) {
        try {
            control.SetDeviceActive(machineNumber, 1);
        } catch (...) {
        }
        try {
            control.CloseLink();
        } catch (...) {
        }
        throw;
    }
}

} // namespace nakilon
