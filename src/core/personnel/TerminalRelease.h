#pragma once

#include <cstdint>
#include <functional>

namespace nakilon {

class DeviceControl;

// The message of the personnel commands when no link to the chosen terminal
// could be opened.
inline constexpr const char* DeviceNotConnectedText = "Cihaza Bağlantı Kurulamadı!";

// Runs `work` on a terminal that is linked, with the terminal out of use for
// its users (SetDeviceActive 0 before, 1 after; a refusal of either is an
// error); the link stays open. When anything raises, the terminal is returned
// to use (the error says so when it cannot be) and the link closed before the
// error goes on, so that a failed command never leaves a terminal locked.
void runWithTerminalOutOfUse(DeviceControl& control, int32_t machineNumber,
                             const std::function<void()>& work);

} // namespace nakilon
