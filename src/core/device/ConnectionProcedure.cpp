#include "core/device/ConnectionProcedure.h"

#include "core/base/IntegerText.h"

#include <limits>

namespace nakilon {

int32_t passwordNumber(std::string_view passwordText) {
    const std::optional<int64_t> value = parseInteger(passwordText);
    if (!value || *value < std::numeric_limits<int32_t>::min() ||
        *value > std::numeric_limits<int32_t>::max())
        return 0;
    return static_cast<int32_t>(*value);
}

ConnectResult connectDevice(DeviceControl& control, const ConnectionValues& values) {
    bool connected = false;
    switch (values.connectionType) {
    case ConnectionEthernet:
        connected = control.OpenNetworkLink(values.machineNumber, values.ipAddress, values.port,
                                            passwordNumber(values.password));
        break;
    case ConnectionSerial:
        connected = control.OpenSerialLink(values.machineNumber, values.port, SerialBaudRate);
        break;
    case ConnectionUsb:
        connected = control.OpenSerialLink(values.machineNumber, 0, SerialBaudRate);
        break;
    default:
        return ConnectResult::UnknownType;
    }
    return connected ? ConnectResult::Connected : ConnectResult::Failed;
}

void runWithDeviceInactive(DeviceControl& control, int32_t machineNumber,
                           const std::function<void()>& work) {
    try {
        control.SetDeviceActive(machineNumber, 0);
        work();
        control.SetDeviceActive(machineNumber, 1);
    } catch (...) {
        try {
            control.SetDeviceActive(machineNumber, 1);
        } catch (...) {
            // The first error is the one the operator must see.
        }
        throw;
    }
}

void runWithDeviceInactiveThenClose(DeviceControl& control, int32_t machineNumber,
                                    const std::function<void()>& work) {
    try {
        runWithDeviceInactive(control, machineNumber, work);
    } catch (...) {
        try {
            control.CloseLink();
        } catch (...) {
            // As above.
        }
        throw;
    }
    control.CloseLink();
}

} // namespace nakilon
