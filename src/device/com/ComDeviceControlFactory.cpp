#include "device/DeviceControlFactory.h"

#include "device/com/ComDeviceControl.h"

namespace nakilon {

// On Windows the program drives the terminal maker's component; it is created
// when a command first needs a terminal.
std::unique_ptr<DeviceControl> makeDeviceControl() {
    return std::make_unique<ComDeviceControl>();
}

} // namespace nakilon
