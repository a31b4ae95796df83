#pragma once

#include "core/base/LocalTime.h"
#include "core/startup/StartUp.h"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>

namespace Ui {
class TAnaForm;
}

namespace nakilon {

class DeviceControl;
class DeviceTab;
class DeviceWorker;
class SettingsTab;
class TCihazSecimForm;
class TPersonelForm;
class TDataModul;
class TransferTab;
class TZamanAyarForm;
struct ProgramValues;

// The main window: the tabs "Hareketleri Aktar", "Cihaz Ayarları" and
// "Ayarlar" above "Kapat". The window shows the data module's tables and
// holds the program-wide values; both outlive it.
class TAnaForm : public QWidget, private StartUpView {
    Q_OBJECT
public:
    // `cc` is the window's device control (CC): the transfer run and the
    // maintenance commands reach the terminals through it. `personelCc` is
    // the personnel window's own, for the fetch and the send; the two hold
    // their links independently. Both are called on `worker`'s thread only.
    TAnaForm(TDataModul& dataModul, ProgramValues& values, DeviceWorker& worker, DeviceControl& cc,
             DeviceControl& personelCc, QWidget* parent = nullptr);
    ~TAnaForm() override;

    // The creation step (settings, device list, personnel list). An error ends
    // it where it happened and is shown in the error box; the window opens
    // all the same. False when it did not run to its end.
    bool create(const std::string& programFolder);

    // The device selection dialog, made once with the window and kept hidden
    // between uses (chooseDevice).
    TCihazSecimForm* cihazSecimForm() const { return m_cihazSecimForm; }
    TPersonelForm* personelForm() const { return m_personelForm; }

    // True while "Bilgileri Aktar" runs.
    bool transferRunning() const { return m_transferRunning; }

    static constexpr const char* CloseQuestionText =
        "Aktarım sürüyor. Elinizdeki cihaz bitince durdurulsun mu?";

    // Where the window takes the computer's date and time from (localNow
    // unless set); tests fix it.
    void setClock(LocalClock clock) { m_clock = std::move(clock); }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // The commands, each the handler of one button of a tab; the tabs tell
    // when the operator presses them. A handler takes what its command works
    // on from the window and calls one core function; terminal work runs on
    // the device worker (runOnWorker).

    // "Bilgileri Aktar": the transfer run. While it runs, the window's other
    // commands cannot start; closing the window asks whether to stop after
    // the terminal in hand (CloseQuestionText).
    void AktarButonClick();
    // The maintenance commands on the current device: "Bağlantı Test",
    // "Cihaz Şifre Sil", "Yedekleri Sil", "Tarih/Saat Ayarla".
    void TestButonClick();
    void YetkiliSilButonClick();
    void YedekSilButonClick();
    void ZamanAyarButonClick();
    // "Personel Kayıtları": the personnel window, modally.
    void PersonelButonClick();

    void setCaption(const std::string& utf8) override;
    void showOutputFileName(const std::string& utf8) override;
    bool kayitSilChecked() const override;
    void setKayitSilChecked(bool checked) override;

    void FormShow();
    void putKapatLastInTabOrder();
    void setCommandsEnabled(bool enabled);
    // Runs a command's terminal work on the device worker, the window's
    // commands disabled meanwhile; closes the window afterwards when the
    // operator asked for it meanwhile. False when the work ended in an error
    // (shown).
    bool runOnWorker(const std::function<void()>& work);
    // The operator closes the window (or logs off) while a command runs:
    // true when the window is to close once the terminal in hand is done.
    bool askToStop();
    void centreOnScreen();

    std::unique_ptr<Ui::TAnaForm> m_ui;
    TDataModul& m_data;
    ProgramValues& m_values;
    DeviceWorker& m_worker;
    DeviceControl& m_cc;
    LocalClock m_clock = localNow;
    bool m_transferRunning = false;
    bool m_closeWhenDone = false;
    TransferTab* m_transferTab;
    DeviceTab* m_deviceTab;
    SettingsTab* m_settingsTab;
    TCihazSecimForm* m_cihazSecimForm;
    TZamanAyarForm* m_zamanAyarForm;
    // The machine number of the terminal that "Tarih/Saat Ayarla" connected
    // to, for the clock dialog.
    int32_t m_clockMachine = 0;
    TPersonelForm* m_personelForm;
    bool m_shownOnce = false;
};

} // namespace nakilon
