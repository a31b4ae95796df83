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

Error refusalError(std::string_view operation, int32_t machineNumber) {
    return Error("Cihaz, " + std::string(operation) + " isteğini reddetti (Makine No " +
                 std::to_string(machineNumber) + ")");
}

void requireAccepted(bool answer, std::string_view operation, int32_t machineNumber) {
    if (!answer)
        throw refusalError(operation, machineNumber);
}

std::string notReturnedToUseText(int32_t machineNumber) {
    return "Cihaz kullanıma açılamadı (Makine No " + std::to_string(machineNumber) + ")";
}

void takeOutOfUse(DeviceControl& control, int32_t machineNumber) {
    requireAccepted(control.SetDeviceActive(machineNumber, 0), "kullanım dışına alınma",
                    machineNumber);
}

void returnToUse(DeviceControl& control, int32_t machineNumber) {
    if (!control.SetDeviceActive(machineNumber, 1))
        throw Error(notReturnedToUseText(machineNumber) + ": cihaz isteği reddetti");
}

void returnToUseAndRethrow(DeviceControl& control, int32_t machineNumber) {
    bool returned = false;
    try {
        returned = control.SetDeviceActive(machineNumber, 1);
    } catch (...) {
        // The first error is the one the operator must see.
    }
    if (returned)
        throw;
    try {
        throw;
    } catch (const Error& error) {
        throw Error(error.text() + "\n" + notReturnedToUseText(machineNumber));
    }
}

void runWithDeviceInactive(DeviceControl& control, int32_t machineNumber,
                           const std::function<void()>& work) {
    try {
        takeOutOfUse(control, machineNumber);
        work();
        if (control.SetDeviceActive(machineNumber, 1))
            return;
    } catch (...) {
        returnToUseAndRethrow(control, machineNumber);
    }
    // Refused: once more, as after an error.
    returnToUse(control, machineNumber);
}

void runWithDeviceInactiveClosingOnError(DeviceControl& control, int32_t machineNumber,
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

void runWithDeviceInactiveThenClose(DeviceControl& control, int32_t machineNumber,
                                    const std::function<void()>& work) {
    runWithDeviceInactiveClosingOnError(control, machineNumber, work);
    control.CloseLink();
}

} // namespace nakilon
