#pragma once

#include "core/base/Error.h"
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

// A terminal that answered false to an operation that was to change it
// refused it: for the program that is a failure like an error, never a
// success. These raise Error with the operator's text, naming the operation
// and the terminal: "Cihaz, kayıtları silme isteğini reddetti (Makine No 3)".
// `operation` is the request in the operator's words ("kayıtları silme").
Error refusalError(std::string_view operation, int32_t machineNumber);
void requireAccepted(bool answer, std::string_view operation, int32_t machineNumber);

// "Cihaz kullanıma açılamadı (Makine No 3)": the terminal stays out of use for
// its own users.
std::string notReturnedToUseText(int32_t machineNumber);

// SetDeviceActive 0 and 1, a refusal raised as above.
void takeOutOfUse(DeviceControl& control, int32_t machineNumber);
void returnToUse(DeviceControl& control, int32_t machineNumber);

// For a command that failed with the terminal out of use: tries once more to
// return it to use, then raises the error in hand, with notReturnedToUseText
// on a line of its own when the terminal refused or could not be reached.
// Call only inside a catch block.
[[noreturn]] void returnToUseAndRethrow(DeviceControl& control, int32_t machineNumber);

// Runs `work` with the terminal taken out of use: SetDeviceActive 0 before,
// SetDeviceActive 1 after; the link stays open. A refused SetDeviceActive 0
// is an error (work does not run). When any of it raises, or the terminal
// refuses to return to use, SetDeviceActive 1 is tried once more (as
// returnToUseAndRethrow does), so that a failed command never leaves a
// terminal locked for its users while the link allows, and says so when it
// does.
void runWithDeviceInactive(DeviceControl& control, int32_t machineNumber,
                           const std::function<void()>& work);

// The same; when any of it raises, CloseLink is tried too (its own error
// ignored) before the first error goes on. On success the link stays open for
// the caller's next step.
void runWithDeviceInactiveClosingOnError(DeviceControl& control, int32_t machineNumber,
                                         const std::function<void()>& work);

// The same, then CloseLink. When any of it raises, SetDeviceActive 1 and
// CloseLink are still tried (their own errors ignored) before the first error
// goes on: a failed command leaves neither the terminal out of use nor the
// link open.
void runWithDeviceInactiveThenClose(DeviceControl& control, int32_t machineNumber,
                                    const std::function<void()>& work);

} // namespace nakilon
