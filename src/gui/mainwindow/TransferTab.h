#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class TransferTab;
}

namespace nakilon {

class RecordTableModel;
class TDataModul;

// The tab "Hareketleri Aktar": every device's progress and status in the
// read-only grid CihazAktarimGrid, and the button of the transfer run, which
// the main window handles: the tab tells when the operator asks for a run.
class TransferTab : public QWidget {
    Q_OBJECT
public:
    TransferTab(TDataModul& dataModul, QWidget* parent = nullptr);
    ~TransferTab() override;

    // "Bilgileri Aktar" on or off; the grid stays usable, so that the
    // operator can follow a run.
    void setTransferEnabled(bool enabled);

signals:
    void transferRequested(); // "Bilgileri Aktar"

private:
    std::unique_ptr<Ui::TransferTab> m_ui;
    RecordTableModel* m_model;
};

} // namespace nakilon
