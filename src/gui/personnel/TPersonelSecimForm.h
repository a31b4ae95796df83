#pragma once

#include <QDialog>

#include <cstdint>
#include <memory>

class QTableView;

namespace Ui {
class TPersonelSecimForm;
}

namespace nakilon {

class DeviceControl;
class DeviceWorker;
class RecordTableModel;
class TDataModul;
struct ProgramValues;

// "Cihazdaki Personeller": the user list of one terminal in PersonelTampon,
// one row per user and enrollment slot, read anew at every showing; the
// ticked rows are copied to the PC by "Seçilenleri Bilgisayara Kopyala".
// Works on the personnel window's device control, whose link to the terminal
// is open while the dialog is shown.
class TPersonelSecimForm : public QDialog {
    Q_OBJECT
public:
    TPersonelSecimForm(TDataModul& dataModul, const ProgramValues& values, DeviceWorker& worker,
                       DeviceControl& cc, QWidget* parent = nullptr);
    ~TPersonelSecimForm() override;

    // Shows the dialog modally for the terminal of this machine number.
    // Accepted when the copy ran to its end.
    int showFor(int32_t machineNumber);

    QTableView* grid() const;

    void FormShow();
    void GonderButonClick();

    // Refused while a terminal command runs: the dialog closes once it has
    // ended.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void editBuffer(int row, int column, const QVariant& value);

    std::unique_ptr<Ui::TPersonelSecimForm> m_ui;
    TDataModul& m_data;
    const ProgramValues& m_values;
    DeviceWorker& m_worker;
    DeviceControl& m_cc;
    RecordTableModel* m_model;
    int32_t m_machineNumber = 0;
};

} // namespace nakilon
