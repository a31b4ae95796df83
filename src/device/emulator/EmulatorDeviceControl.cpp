#include "device/emulator/EmulatorDeviceControl.h"

#include "device/DeviceControlFactory.h"
#include "device/emulator/ChannelDeviceControl.h"

namespace nakilon {

std::unique_ptr<DeviceControl> makeEmulatorDeviceControl(TcpChannelOptions options) {
    return std::make_unique<ChannelDeviceControl>(std::make_unique<TcpChannel>(std::move(options)));
}

#ifndef _WIN32
// Builds without the terminal maker's component talk to emulated terminals;
// Windows builds drive the component (device/com).
std::unique_ptr<DeviceControl> makeDeviceControl() {
    return makeEmulatorDeviceControl();
}
#endif

} // namespace nakilon
