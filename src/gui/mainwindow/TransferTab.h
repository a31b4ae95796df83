#pragma once

#include <QWidget>

#include <memory>

class QPushButton;
class QTableView;

namespace Ui {
class TransferTab;
}

namespace nakilon {

class RecordTableModel;
class TDataModul;

// The tab "Hareketleri Aktar": every device's progress and status in the
// read-only grid CihazAktarimGrid, and the button of the transfer run.
class TransferTab : public QWidget {
    Q_OBJECT
public:
    TransferTab(TDataModul& dataModul, QWidget* parent = nullptr);
    ~TransferTab() override;

    QTableView* grid() const;
    QPushButton* aktarButon() const;

private:
    std::unique_ptr<Ui::TransferTab> m_ui;
    RecordTableModel* m_model;
};

} // namespace nakilon
