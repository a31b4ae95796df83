#pragma once

#include "core/device/DeviceControl.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace nakilon {

// Connection types of a device record (`BaglantiTipi`).
constexpr int32_t ConnectionEthernet = 1;
constexpr int32_t ConnectionSerial = 2;
constexpr int32_t ConnectionUsb = 3;

// Serial and USB links always run at this rate.
constexpr int32_t SerialBaudRate = 115200;

// What the connection procedure needs of a device record; a command fills it
// from the current record of `CihazTable` (or from a transfer job).
struct ConnectionValues {
    int32_t connectionType = 0; // BaglantiTipi
    int32_t machineNumber = 0;  // MakineNo
    std::string ipAddress;      // IPAdres, Ethernet only
    int32_t port = 0;           // Port: TCP port, or the serial port number
    std::string password;       // Parola as text, Ethernet only
};

enum class ConnectResult {
    Connected,
    Failed,      // the open call returned false
    UnknownType, // a connection type other than 1, 2, 3: no open call was made
};

// The device's password text as the number the terminal expects: the whole
// number written in it, 0 when it is empty, not a number or out of range.
int32_t passwordNumber(std::string_view passwordText);

// Opens a link of the kind that the connection type asks for: Ethernet with
// the IP address, port and password number; serial on `port` at 115200 baud;
// USB as serial port 0 at 115200 baud, whatever `port` holds. Nothing is
// closed after a failed open, and there is no retry.
ConnectResult connectDevice(DeviceControl& control, const ConnectionValues& values);

// Runs `work` with the terminal taken out of use: SetDeviceActive 0 before,
// SetDeviceActive 1 after; the link stays open. When any of it raises, the
// terminal is still returned to use (SetDeviceActive 1 tried once more, its
// own error ignored) before the first error goes on, so that a failed command
// never leaves a terminal locked for its users while the link allows.
void runWithDeviceInactive(DeviceControl& control, int32_t machineNumber,
                           const std::function<void()>& work);

// The same, then CloseLink. When any of it raises, SetDeviceActive 1 and
// CloseLink are still tried (their own errors ignored) before the first error
// goes on: a failed command leaves neither the terminal out of use nor the
// link open.
void runWithDeviceInactiveThenClose(DeviceControl& control, int32_t machineNumber,
                                    const std::function<void()>& work);

} // namespace nakilon
