#pragma once

#include "app/StartUp.h"

#include <QWidget>

#include <memory>
#include <string>

namespace Ui {
class TAnaForm;
}

namespace nakilon {

class DeviceTab;
class SettingsTab;
class TDataModul;
class TransferTab;
struct ProgramValues;

// The main window: the tabs "Hareketleri Aktar", "Cihaz Ayarları" and
// "Ayarlar" above "Kapat". The window shows the data module's tables and
// holds the program-wide values; both outlive it.
class TAnaForm : public QWidget, private StartUpView {
    Q_OBJECT
public:
    TAnaForm(TDataModul& dataModul, ProgramValues& values, QWidget* parent = nullptr);
    ~TAnaForm() override;

    // The creation step (settings, device list, personnel list). An error ends
    // it where it happened and is shown in the error box; the window opens
    // all the same. False when it did not run to its end.
    bool create(const std::string& programFolder);

    TransferTab* transferTab() const { return m_transferTab; }
    DeviceTab* deviceTab() const { return m_deviceTab; }
    SettingsTab* settingsTab() const { return m_settingsTab; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void setCaption(const std::string& utf8) override;
    void showOutputFileName(const std::string& utf8) override;
    bool kayitSilChecked() const override;
    void setKayitSilChecked(bool checked) override;

    void FormShow();
    void centreOnScreen();

    std::unique_ptr<Ui::TAnaForm> m_ui;
    TDataModul& m_data;
    ProgramValues& m_values;
    TransferTab* m_transferTab;
    DeviceTab* m_deviceTab;
    SettingsTab* m_settingsTab;
    bool m_shownOnce = false;
};

} // namespace nakilon
