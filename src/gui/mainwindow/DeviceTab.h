#pragma once

#include <QWidget>

#include <memory>

class QTableView;

namespace Ui {
class DeviceTab;
}

namespace nakilon {

class RecordTableModel;
class TDataModul;
struct ProgramValues;

// The tab "Cihaz Ayarları": the device list CihazGrid, whose "Seç" box marks
// a device for the transfer run and saves the list at once, and the buttons
// of the device commands.
class DeviceTab : public QWidget {
    Q_OBJECT
public:
    DeviceTab(TDataModul& dataModul, const ProgramValues& values, QWidget* parent = nullptr);
    ~DeviceTab() override;

    QTableView* grid() const;

private:
    void v_IsaretPropertiesChange(int row, bool marked);

    std::unique_ptr<Ui::DeviceTab> m_ui;
    TDataModul& m_data;
    const ProgramValues& m_values;
    RecordTableModel* m_model;
};

} // namespace nakilon
