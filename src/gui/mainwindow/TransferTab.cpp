#include "gui/mainwindow/TransferTab.h"

#include "core/tables/FieldNames.h"
#include "core/tables/TDataModul.h"
#include "gui/models/GridSetup.h"
#include "gui/models/RecordTableModel.h"
#include "ui_TransferTab.h"

#include <QHeaderView>

namespace nakilon {

namespace {

std::vector<GridColumn> transferColumns() {
    using Kind = GridColumn::Kind;
    return {
        {field::Isaret, "Seç", Kind::Check, true},
        {field::CihazNo, "Cz.No", Kind::Plain, true},
        {field::CihazAdi, "Cihaz Adı", Kind::Plain},
        {field::TransferDurumu, "Transfer Durumu", Kind::Progress},
        {field::Aciklama, "Aciklama", Kind::Plain},
        {field::Durum, "", Kind::Plain, true},
    };
}

} // namespace

TransferTab::TransferTab(TDataModul& dataModul, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TransferTab>()),
      m_model(new RecordTableModel(dataModul.CihazTable, transferColumns(), this)) {
    m_ui->setupUi(this);
    setUpGrid(m_ui->CihazAktarimGrid, m_model);
    m_ui->CihazAktarimGrid->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    connect(m_ui->AktarButon, &QPushButton::clicked, this, &TransferTab::transferRequested);
}

TransferTab::~TransferTab() = default;

void TransferTab::setTransferEnabled(bool enabled) {
    m_ui->AktarButon->setEnabled(enabled);
}

} // namespace nakilon
