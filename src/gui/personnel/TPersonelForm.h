#pragma once

#include "core/device/ConnectionProcedure.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <optional>

class QTableView;

namespace Ui {
class TPersonelForm;
}

namespace nakilon {

class DeviceControl;
class DeviceWorker;
class RecordTableModel;
class TDataModul;
class TPersonelSecimForm;
struct ProgramValues;

// "Personel Kayıtları": the personnel list PersonelTable with its record
// navigator, the selection menu and the save; "Cihazdan Al" and "Cihazlara
// Gönder" carry users with their enrollments between terminals and the PC.
// The window has its own device control (CC), independent of the main
// window's, and its own fetch dialog.
class TPersonelForm : public QDialog {
    Q_OBJECT
public:
    // Asks the operator for one terminal, with the confirm button captioned
    // as given; the chosen terminal's connection values, or nothing when the
    // operator cancelled.
    using DeviceChooser = std::function<std::optional<ConnectionValues>(const QString& caption)>;

    TPersonelForm(TDataModul& dataModul, const ProgramValues& values, DeviceWorker& worker,
                  DeviceControl& cc, QWidget* parent = nullptr);
    ~TPersonelForm() override;

    // Without a chooser "Cihazdan Al" and "Cihazlara Gönder" stay disabled.
    void setDeviceChooser(DeviceChooser chooser);

    QTableView* grid() const;
    TPersonelSecimForm* secimForm() const { return m_secimForm; }

    void KaydetButonClick();
    void AlButonClick();
    void GonderButonClick();

    // Refused while a terminal command runs: the window closes once it has
    // ended.
    void done(int result) override;

private:
    void editPersonnel(int row, int column, const QVariant& value);

    std::unique_ptr<Ui::TPersonelForm> m_ui;
    TDataModul& m_data;
    const ProgramValues& m_values;
    DeviceWorker& m_worker;
    DeviceControl& m_cc;
    RecordTableModel* m_model;
    TPersonelSecimForm* m_secimForm;
    DeviceChooser m_chooseDevice;
};

} // namespace nakilon
