#include "gui/mainwindow/TransferTab.h"

#include "core/tables/TDataModul.h"
#include "gui/models/RecordTableModel.h"
#include "gui/widgets/GridSetup.h"
#include "ui_TransferTab.h"

#include <QHeaderView>

namespace nakilon {

namespace {

std::vector<GridColumn> transferColumns() {
    using Kind = GridColumn::Kind;
    return {
        {"Isaret", "Seç", Kind::Check, true},
        {"CihazNo", "Cz.No", Kind::Plain, true},
        {"CihazAdi", "Cihaz Adı", Kind::Plain},
        {"TransferDurumu", "Transfer Durumu", Kind::Progress},
        {"Aciklama", "Aciklama", Kind::Plain},
        {"Durum", "", Kind::Plain, true},
    };
}

} // namespace

TransferTab::TransferTab(TDataModul& dataModul, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TransferTab>()),
      m_model(new RecordTableModel(dataModul.CihazTable, transferColumns(), this)) {
    m_ui->setupUi(this);
    setUpGrid(m_ui->CihazAktarimGrid, m_model);
    m_ui->CihazAktarimGrid->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
}

TransferTab::~TransferTab() = default;

QTableView* TransferTab::grid() const {
    return m_ui->CihazAktarimGrid;
}

QPushButton* TransferTab::aktarButon() const {
    return m_ui->AktarButon;
}

} // namespace nakilon
