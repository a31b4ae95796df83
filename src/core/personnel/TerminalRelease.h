#pragma once

#include <cstdint>
#include <functional>

namespace nakilon {

class DeviceControl;

// The message of the personnel commands when no link to the chosen terminal
// could be opened.
inline constexpr const char* DeviceNotConnectedText = "Cihaza Bağlantı Kurulamadı!";

// Runs `work` on a terminal that is linked; when it raises, the terminal is
// returned to its users (SetDeviceActive 1) and the link closed before the
// error goes on, so that a failed command never leaves a terminal locked.
// Errors of those two calls are dropped: the first error is the one the
// operator must see.
void releaseTerminalOnError(DeviceControl& control, int32_t machineNumber,
                            const std::function<void()>& work);

} // namespace nakilon
