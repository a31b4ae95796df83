#pragma once

#include "core/device/ConnectionProcedure.h"

#include <QDialog>

#include <memory>
#include <optional>

namespace Ui {
class TCihazSecimForm;
}

namespace nakilon {

class RecordTable;

// The device selection dialog "Cihaz Seçimi": every device of the list in a
// grid that shares the list's current record with the other device grids.
// It holds no logic: the chosen device is the one current when it closes, and
// its result says only whether the operator confirmed. One instance is made
// at start-up and shown again for each use.
class TCihazSecimForm : public QDialog {
    Q_OBJECT
public:
    explicit TCihazSecimForm(RecordTable& devices, QWidget* parent = nullptr);
    ~TCihazSecimForm() override;

    RecordTable& devices() const { return m_devices; }
    // The caption of the confirm button GonderButon; kept until set again.
    void setConfirmCaption(const QString& caption);

protected:
    // Neither Enter nor Escape answers the dialog.
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::unique_ptr<Ui::TCihazSecimForm> m_ui;
    RecordTable& m_devices;
};

// The calling protocol of the dialog: puts `confirmCaption` on the confirm
// button, shows the dialog modally and, when the operator confirms, gives the
// connection values of the device then current (on an empty list the empty
// values, which reach no terminal). Nothing on "İptal" or the title bar's
// close. Either way the device current at closing stays current.
std::optional<ConnectionValues> chooseDevice(TCihazSecimForm& dialog,
                                             const QString& confirmCaption);

} // namespace nakilon
