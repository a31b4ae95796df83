#include "gui/devicelist/TCihazSecimForm.h"

#include "core/device/DeviceRow.h"
#include "core/tables/FieldNames.h"
#include "gui/models/GridSetup.h"
#include "gui/models/RecordTableModel.h"
#include "gui/widgets/RowIndicatorHeader.h"
#include "ui_TCihazSecimForm.h"

#include <QHeaderView>
#include <QKeyEvent>

namespace nakilon {

namespace {

std::vector<GridColumn> choiceColumns() {
    using Kind = GridColumn::Kind;
    return {
        {field::Isaret, "Seç", Kind::Check, true},
        {field::CihazNo, "Cz.No", Kind::Plain},
        {field::CihazAdi, "Cihaz Adı", Kind::Plain},
        {field::Durum, "", Kind::Plain, true},
    };
}

} // namespace

TCihazSecimForm::TCihazSecimForm(RecordTable& devices, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TCihazSecimForm>()), m_devices(devices) {
    m_ui->setupUi(this);
    auto* model = new RecordTableModel(devices, choiceColumns(), this);
    setUpGrid(m_ui->CihazGrid, model);
    new RowIndicatorHeader(m_ui->CihazGrid);
    m_ui->CihazGrid->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    connect(m_ui->GonderButon, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->cxButton1, &QPushButton::clicked, this, &QDialog::reject);
}

TCihazSecimForm::~TCihazSecimForm() = default;

void TCihazSecimForm::setConfirmCaption(const QString& caption) {
    m_ui->GonderButon->setText(caption);
}

void TCihazSecimForm::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Cancel)) {
        event->ignore();
        return;
    }
    QDialog::keyPressEvent(event);
}

std::optional<ConnectionValues> chooseDevice(TCihazSecimForm& dialog,
                                             const QString& confirmCaption) {
    dialog.setConfirmCaption(confirmCaption);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return currentConnectionValues(dialog.devices());
}

} // namespace nakilon
