#pragma once

#include "core/base/LocalTime.h"
#include "core/maintenance/DeviceClockSetting.h"
#include "gui/widgets/WindowOperator.h"

#include <QDialog>

#include <cstdint>
#include <functional>
#include <memory>

class QTimer;

namespace Ui {
class TZamanAyarForm;
}

namespace nakilon {

class DeviceControl;
class DeviceWorker;

// "Tarih / Saat Ayarla": a terminal's date and time beside the computer's
// running clock, and the button that sets the one to the other. It works on
// the link that the clock command opened on the main window's device control
// and leaves it open. The main window makes one, hidden, and the clock command
// shows it modally each time it has connected to a terminal.
class TZamanAyarForm : public QDialog, private DeviceClockView {
    Q_OBJECT
public:
    // The machine number of the terminal the clock command connected to,
    // asked each time the dialog is shown; every call to the terminal names it.
    using CihazMakineNo = std::function<int32_t()>;

    // `clock` is the computer's clock (localNow when empty). The terminal is
    // read and set on `worker`, the only thread that calls `cc`.
    TZamanAyarForm(DeviceWorker& worker, DeviceControl& cc, CihazMakineNo cihazMakineNo,
                   LocalClock clock, QWidget* parent = nullptr);
    ~TZamanAyarForm() override;

    // Refused while the terminal is being read or set: the dialog closes
    // once it has answered.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void Timer1Timer();
    void cxButton2Click();
    void KapatButonClick();
    void FormClose();

    void showDeviceClock(const std::string& text) override;
    void showComputerClock(const std::string& text) override;

    std::unique_ptr<Ui::TZamanAyarForm> m_ui;
    QTimer* m_timer;
    DeviceWorker& m_worker;
    const CihazMakineNo m_cihazMakineNo;
    // The terminal the dialog was shown for: "Tarih/Saat Ayarla" sets the
    // clock of the one whose time it shows.
    int32_t m_machine = 0;
    WindowOperator m_operator;
    DeviceClockSetting m_setting;
};

} // namespace nakilon
