#include "gui/personnel/TPersonelForm.h"

#include "core/personnel/PersonnelFetch.h"
#include "core/personnel/PersonnelList.h"
#include "core/personnel/PersonnelSend.h"
#include "core/settings/ProgramValues.h"
#include "core/tables/FieldNames.h"
#include "core/tables/TDataModul.h"
#include "gui/models/GridSetup.h"
#include "gui/models/RecordTableModel.h"
#include "gui/personnel/SelectionMenu.h"
#include "gui/personnel/TPersonelSecimForm.h"
#include "gui/widgets/Command.h"
#include "gui/widgets/DeviceWorker.h"
#include "gui/widgets/WindowOperator.h"
#include "ui_TPersonelForm.h"

#include <QHeaderView>

namespace nakilon {

namespace {

std::vector<GridColumn> personnelColumns() {
    using Kind = GridColumn::Kind;
    return {
        {field::PersonelNo, "Personel No", Kind::Plain, false, true},
        {field::KartNo, "Kart No", Kind::Plain, false, true},
        {field::Yetki,
         "Yetki",
         Kind::Choice,
         false,
         true,
         {{0, "Kullanıcı"}, {1, "Tam Yetkili Admin"}, {2, "Kayıtçı"}, {3, "Admin"}}},
        {field::Sifre, "Şifre", Kind::Plain, false, true},
        {field::IzinDurum,
         "İzin Durumu",
         Kind::Choice,
         false,
         true,
         {{0, "İzinsiz"}, {1, "İzinli"}}},
        {field::Secim, "Seçim", Kind::Check, false, true},
        {RecordTable::kRecIdName, "", Kind::Plain, true},
    };
}

} // namespace

TPersonelForm::TPersonelForm(TDataModul& dataModul, const ProgramValues& values,
                             DeviceWorker& worker, DeviceControl& cc, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TPersonelForm>()), m_data(dataModul),
      m_values(values), m_worker(worker), m_cc(cc),
      m_model(new RecordTableModel(dataModul.PersonelTable, personnelColumns(), this)),
      m_secimForm(new TPersonelSecimForm(dataModul, values, worker, cc, this)) {
    m_ui->setupUi(this);
    m_model->setEditHandler(
        [this](int row, int column, const QVariant& value) { editPersonnel(row, column, value); });
    setUpGrid(m_ui->PersonelGrid, m_model);
    // The drop-down column takes what the fixed ones leave.
    QHeaderView* header = m_ui->PersonelGrid->horizontalHeader();
    const int widths[] = {90, 80, 0, 80, 90, 60};
    for (int column = 0; column < 6; ++column)
        header->resizeSection(column, widths[column]);
    header->setSectionResizeMode(2, QHeaderView::Stretch);
    m_ui->PersonelNavigator->setTable(&dataModul.PersonelTable);
    attachSelectionMenu(m_ui->PersonelGrid, dataModul.PersonelTable, m_ui->mnSe1, m_ui->mnKaldr1,
                        m_ui->DierleriniSe1);

    connect(m_ui->KaydetButon, &QPushButton::clicked, this, &TPersonelForm::KaydetButonClick);
    connect(m_ui->AlButon, &QPushButton::clicked, this, &TPersonelForm::AlButonClick);
    connect(m_ui->GonderButon, &QPushButton::clicked, this, &TPersonelForm::GonderButonClick);
    setDeviceChooser({});
}

TPersonelForm::~TPersonelForm() = default;

void TPersonelForm::setDeviceChooser(DeviceChooser chooser) {
    m_chooseDevice = std::move(chooser);
    m_ui->AlButon->setEnabled(static_cast<bool>(m_chooseDevice));
    m_ui->GonderButon->setEnabled(static_cast<bool>(m_chooseDevice));
}

QTableView* TPersonelForm::grid() const {
    return m_ui->PersonelGrid;
}

void TPersonelForm::KaydetButonClick() {
    runCommand(this, [this] { savePersonnelList(m_data.PersonelTable, m_values.programFolder); });
}

void TPersonelForm::done(int result) {
    if (!m_worker.busy())
        QDialog::done(result);
}

void TPersonelForm::AlButonClick() {
    if (!m_chooseDevice)
        return;
    runCommand(this, [this] {
        const std::optional<ConnectionValues> device =
            m_chooseDevice(QStringLiteral("Cihazdan Al"));
        if (!device)
            return;
        // The link is opened and closed on the device worker; the fetch
        // dialog between them hands its own terminal work to it.
        WindowOperator op(this);
        fetchFromDevice(
            *device, m_cc, op,
            [this](int32_t machineNumber) { m_secimForm->showFor(machineNumber); },
            [this](const std::function<void()>& work) { m_worker.run(work); });
    });
}

void TPersonelForm::GonderButonClick() {
    if (!m_chooseDevice)
        return;
    runCommand(this, [this] {
        const std::optional<ConnectionValues> device =
            m_chooseDevice(QStringLiteral("Cihaza Gönder"));
        if (!device)
            return;
        WindowOperator op(this);
        const std::vector<PersonnelToSend> people = personnelToSend(m_data.PersonelTable);
        const std::string folder = m_values.programFolder;
        SendOutcome outcome;
        m_worker.run([&] { outcome = sendEnrollments(*device, people, folder, m_cc, op); });
        if (!outcome.refused.empty())
            op.information(refusedUploadsText(outcome.refused, outcome.uploads));
    });
}

void TPersonelForm::editPersonnel(int row, int column, const QVariant& value) {
    RecordTable& personel = m_data.PersonelTable;
    const std::string_view name = m_model->column(column).field;
    runCommand(this, [&] {
        if (name == field::Secim)
            setRowSelection(personel, row, value.toInt() == 1);
        else
            editCell(personel, row, name, value.toString().toStdString());
    });
}

} // namespace nakilon
