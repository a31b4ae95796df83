#include "emulator/net/EmulatorDeviceControl.h"

#include "emulator/ChannelDeviceControl.h"

namespace nakilon {

std::unique_ptr<DeviceControl> makeEmulatorDeviceControl(TcpChannelOptions options) {
    return std::make_unique<ChannelDeviceControl>(std::make_unique<TcpChannel>(std::move(options)));
}

} // namespace nakilon
