#pragma once

#include <QWidget>

#include <memory>
#include <string>

namespace Ui {
class DeviceTab;
}

namespace nakilon {

class RecordTableModel;
class TDataModul;
struct ProgramValues;

// The tab "Cihaz Ayarları": the device list CihazGrid, whose "Seç" box marks
// a device for the transfer run and saves the list at once, the buttons of
// the device list commands, which the tab handles, and the buttons of the
// maintenance commands, which the main window handles: the tab tells what the
// operator asked for.
class DeviceTab : public QWidget {
    Q_OBJECT
public:
    DeviceTab(TDataModul& dataModul, const ProgramValues& values, QWidget* parent = nullptr);
    ~DeviceTab() override;

signals:
    // The maintenance commands on the current device.
    void connectionTestRequested();   // "Bağlantı Test"
    void privilegeRemovalRequested(); // "Cihaz Şifre Sil"
    void recordDeletionRequested();   // "Yedekleri Sil"
    void clockSettingRequested();     // "Tarih/Saat Ayarla"

protected:
    // Enter on a device row edits it, Delete asks to delete it, Space ticks or
    // clears its "Seç".
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CihazEkleButonClick();
    void CihazDuzenleButonClick();
    void CihazSilButonClick();
    void v_IsaretPropertiesChange(int row, bool marked);
    void toggleCurrentMark();
    void openDeviceEditor();
    std::string deviceFile() const;

    std::unique_ptr<Ui::DeviceTab> m_ui;
    TDataModul& m_data;
    const ProgramValues& m_values;
    RecordTableModel* m_model;
};

} // namespace nakilon
