#pragma once

#include "device/DeviceControl.h"

#include <memory>

namespace nakilon {

// A new device control instance of the program. The device backend linked
// into the program defines it: the COM component on Windows builds that have
// it, the emulator backend everywhere else.
std::unique_ptr<DeviceControl> makeDeviceControl();

} // namespace nakilon
