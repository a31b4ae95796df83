#pragma once

#include "core/device/DeviceControl.h"
#include "emulator/net/TcpChannel.h"

#include <memory>

namespace nakilon {

// A device control that reaches emulated terminals (nakilon-terminal) over TCP.
std::unique_ptr<DeviceControl> makeEmulatorDeviceControl(TcpChannelOptions options = {});

} // namespace nakilon
