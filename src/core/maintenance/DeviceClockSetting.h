#pragma once

#include "core/base/LocalTime.h"

#include <cstdint>
#include <string>

namespace nakilon {

class DeviceControl;
class Operator;

// Where the clock dialog shows its two texts.
class DeviceClockView {
public:
    virtual ~DeviceClockView() = default;
    // The terminal's date and time ("TarihSaatEdit").
    virtual void showDeviceClock(const std::string& text) = 0;
    // The computer's date and time ("SaatLabel").
    virtual void showComputerClock(const std::string& text) = 0;
};

// Shown when the terminal does not give its clock.
inline constexpr const char* DeviceClockUnreadText = "Cihazın saati okunamadı";
inline constexpr const char* DeviceClockUpdatedText = "Tarih / Saat Güncellendi.";
// The terminal accepted the setting but did not give its clock back after it.
inline constexpr const char* DeviceClockNotReadBackText =
    "Cihazın saati ayarlandı, ancak geri okunamadı";

// The work of the clock dialog on the link that the clock command opened; it
// never opens or closes a link. Each terminal operation runs between
// SetDeviceActive 0 and 1; an error on the way still returns the terminal to
// use, leaves the link open and goes on to the caller.
class DeviceClockSetting {
public:
    DeviceClockSetting(DeviceControl& control, LocalClock computerClock, DeviceClockView& view,
                       Operator& op);

    // The dialog is shown: reads the terminal's clock once and shows it, or
    // DeviceClockUnreadText; whether it was read.
    bool readDeviceClock(int32_t machineNumber);
    // A tick of the timer: the computer's clock.
    void showComputerClock();
    // "Tarih ve Saati Kaydet": sets the terminal's clock to the computer's,
    // reads it back and says so. A refused setting, or a clock that does not
    // read back, is an error: DeviceClockUpdatedText only when both worked.
    void syncDeviceClock(int32_t machineNumber);

private:
    DeviceControl& m_control;
    LocalClock m_computerClock;
    DeviceClockView& m_view;
    Operator& m_op;
};

} // namespace nakilon
