#include "core/maintenance/DeviceClockSetting.h"

#include "core/base/Error.h"

#include "core/base/Operator.h"
#include "core/device/ConnectionProcedure.h"
#include "core/device/DeviceControl.h"
#include "core/maintenance/ClockTexts.h"

namespace nakilon {

DeviceClockSetting::DeviceClockSetting(DeviceControl& control, LocalClock computerClock,
                                       DeviceClockView& view, Operator& op)
    : m_control(control), m_computerClock(computerClock ? std::move(computerClock) : localNow),
      m_view(view), m_op(op) {}

bool DeviceClockSetting::readDeviceClock(int32_t machineNumber) {
    DateTime time;
    int32_t weekday = 0;
    bool read = false;
    runWithDeviceInactive(m_control, machineNumber, [&] {
        // The sixth value is not read.
        int32_t unread = 0;
        read = m_control.ReadDeviceClock(machineNumber, time.year, time.month, time.day, time.hour,
                                         time.minute, unread, weekday);
    });
    m_view.showDeviceClock(read ? terminalClockText(time, weekday) : DeviceClockUnreadText);
    return read;
}

void DeviceClockSetting::showComputerClock() {
    m_view.showComputerClock(computerClockText(m_computerClock()));
}

void DeviceClockSetting::syncDeviceClock(int32_t machineNumber) {
    // The computer's clock is the only source: no time goes with the call.
    runWithDeviceInactive(m_control, machineNumber, [&] {
        requireAccepted(m_control.SyncDeviceClock(machineNumber), "tarih / saat ayarlama",
                        machineNumber);
    });
    // The terminal said yes; "updated" is said only when its clock reads back.
    if (!readDeviceClock(machineNumber))
        throw Error(std::string(DeviceClockNotReadBackText) + " (Makine No " +
                    std::to_string(machineNumber) + ")");
    m_op.information(DeviceClockUpdatedText);
}

} // namespace nakilon
