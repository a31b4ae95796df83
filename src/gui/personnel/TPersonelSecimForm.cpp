#include "gui/personnel/TPersonelSecimForm.h"

#include "core/base/CodePage1254.h"
#include "core/personnel/PersonnelFetch.h"
#include "core/personnel/PersonnelList.h"
#include "core/settings/ProgramValues.h"
#include "core/tables/FieldNames.h"
#include "core/tables/TDataModul.h"
#include "gui/models/GridSetup.h"
#include "gui/models/RecordTableModel.h"
#include "gui/personnel/SelectionMenu.h"
#include "gui/widgets/Command.h"
#include "gui/widgets/DeviceWorker.h"
#include "gui/widgets/WindowOperator.h"
#include "ui_TPersonelSecimForm.h"

#include <QHeaderView>
#include <QShowEvent>

namespace nakilon {

namespace {

std::vector<GridColumn> bufferColumns() {
    using Kind = GridColumn::Kind;
    return {
        {field::PersonelNo, "", Kind::Plain, false, true},
        {field::KartNo, "", Kind::Plain, false, true},
        {field::Yetki, "", Kind::Plain, false, true},
        {field::Sifre, "", Kind::Plain, false, true},
        {field::IzinDurum, "", Kind::Plain, false, true},
        {field::Backup, "Parmak List.", Kind::Plain, false, true},
        {field::Secim, "", Kind::Check, false, true},
        {RecordTable::kRecIdName, "", Kind::Plain, true},
    };
}

} // namespace

TPersonelSecimForm::TPersonelSecimForm(TDataModul& dataModul, const ProgramValues& values,
                                       DeviceWorker& worker, DeviceControl& cc, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TPersonelSecimForm>()), m_data(dataModul),
      m_values(values), m_worker(worker), m_cc(cc),
      m_model(new RecordTableModel(dataModul.PersonelTampon, bufferColumns(), this)) {
    m_ui->setupUi(this);
    m_model->setEditHandler(
        [this](int row, int column, const QVariant& value) { editBuffer(row, column, value); });
    setUpGrid(m_ui->PerTamponGrid, m_model);
    QHeaderView* header = m_ui->PerTamponGrid->horizontalHeader();
    const int widths[] = {85, 70, 60, 70, 75, 0, 60};
    for (int column = 0; column < 7; ++column)
        header->resizeSection(column, widths[column]);
    header->setSectionResizeMode(5, QHeaderView::Stretch);
    attachSelectionMenu(m_ui->PerTamponGrid, dataModul.PersonelTampon, m_ui->mnSe1, m_ui->mnKaldr1,
                        m_ui->DierleriniSe1);
    connect(m_ui->GonderButon, &QPushButton::clicked, this, &TPersonelSecimForm::GonderButonClick);
    connect(m_ui->IptalButon, &QPushButton::clicked, this, &QDialog::reject);
}

TPersonelSecimForm::~TPersonelSecimForm() = default;

QTableView* TPersonelSecimForm::grid() const {
    return m_ui->PerTamponGrid;
}

int TPersonelSecimForm::showFor(int32_t machineNumber) {
    m_machineNumber = machineNumber;
    return exec();
}

void TPersonelSecimForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TPersonelSecimForm::done(int result) {
    if (!m_worker.busy())
        QDialog::done(result);
}

void TPersonelSecimForm::FormShow() {
    // The list of an earlier showing goes at once; the terminal's follows
    // when it has handed it out.
    fillUserList(m_data.PersonelTampon, {});
    const int32_t machine = m_machineNumber;
    const bool read = runCommand(this, [&] {
        std::vector<UserListEntry> entries;
        m_worker.run([&] { entries = fetchUserIndex(m_cc, machine); });
        fillUserList(m_data.PersonelTampon, entries);
    });
    // The terminal broke off and its link is closed: nothing here can be
    // copied any more.
    if (!read)
        QMetaObject::invokeMethod(this, &QDialog::reject, Qt::QueuedConnection);
}

void TPersonelSecimForm::GonderButonClick() {
    const int32_t machine = m_machineNumber;
    const std::string folder = m_values.programFolder;
    const bool copied = runCommand(this, [&] {
        const std::vector<EnrollmentToCopy> wanted = enrollmentsToCopy(m_data.PersonelTampon);
        DownloadedEnrollments downloaded;
        m_worker.run([&] { downloaded = downloadEnrollments(wanted, folder, m_cc, machine); });
        const CopyOutcome outcome =
            addCopiedPersonnel(m_data.PersonelTampon, m_data.PersonelTable, folder, downloaded);
        if (!outcome.unread.empty())
            WindowOperator(this).information(unreadEnrollmentsText(outcome.unread));
    });
    // After an error the terminal has been released and its link closed.
    if (copied)
        accept();
    else
        reject();
}

void TPersonelSecimForm::editBuffer(int row, int column, const QVariant& value) {
    RecordTable& tampon = m_data.PersonelTampon;
    const std::string_view name = m_model->column(column).field;
    runCommand(this, [&] {
        if (name == field::Secim) {
            setRowSelection(tampon, row, value.toInt() == 1);
            return;
        }
        editCell(tampon, row, name,
                 utf8ToCp1254(value.toString().toStdString()).value_or(std::string()));
    });
}

} // namespace nakilon
