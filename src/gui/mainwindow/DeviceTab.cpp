#include "gui/mainwindow/DeviceTab.h"

#include "core/base/FilePaths.h"
#include "core/devicelist/DeviceEditing.h"
#include "core/devicelist/DeviceMark.h"
#include "core/settings/ProgramValues.h"
#include "core/tables/FieldNames.h"
#include "core/tables/TDataModul.h"
#include "gui/devicelist/DeviceChoices.h"
#include "gui/devicelist/TCihazForm.h"
#include "gui/models/GridSetup.h"
#include "gui/models/RecordTableModel.h"
#include "gui/widgets/Command.h"
#include "gui/widgets/FixedSize.h"
#include "gui/widgets/WindowOperator.h"
#include "ui_DeviceTab.h"

#include <QHeaderView>
#include <QKeyEvent>

namespace nakilon {

namespace {

std::vector<GridColumn> deviceColumns() {
    using Kind = GridColumn::Kind;
    return {
        {field::Isaret, "Seç", Kind::Check, false, true},
        {field::CihazNo, "Cz.No", Kind::Plain},
        {field::CihazAdi, "Cihaz Adı", Kind::Plain},
        {field::BaglantiTipi, "Bağlantı Tipi", Kind::Choice, false, false, connectionTypeChoices()},
        {field::IPAdres, "IP Adresi", Kind::Plain},
        {field::MakineNo, "Mk.No", Kind::Plain},
        {field::Parola, "", Kind::Plain},
        {field::Port, "", Kind::Plain},
        {field::Durum, "", Kind::Plain, true},
        {field::Aciklama, "", Kind::Plain, true},
        {field::TransferDurumu, "", Kind::Plain, true},
    };
}

} // namespace

DeviceTab::DeviceTab(TDataModul& dataModul, const ProgramValues& values, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::DeviceTab>()), m_data(dataModul), m_values(values),
      m_model(new RecordTableModel(dataModul.CihazTable, deviceColumns(), this)) {
    m_ui->setupUi(this);
    m_model->setEditHandler([this](int row, int, const QVariant& value) {
        v_IsaretPropertiesChange(row, value.toInt() == 1);
    });
    setUpGrid(m_ui->CihazGrid, m_model);
    QHeaderView* header = m_ui->CihazGrid->horizontalHeader();
    header->setStretchLastSection(true);
    const int widths[] = {30, 40, 80, 100, 90, 40, 45};
    for (int column = 0; column < 7; ++column)
        header->resizeSection(column, widths[column]);

    // Below the grid, two rows of buttons as high as the maintenance buttons:
    // the device list commands share the first with "Bağlantı Test" at its
    // end; the other maintenance commands stand side by side in the second.
    // The maintenance buttons keep their sizes.
    for (QPushButton* button :
         {m_ui->TestButon, m_ui->YetkiliSilButon, m_ui->YedekSilButon, m_ui->ZamanAyarButon})
        keepFixedSizeThatFits(button);

    connect(m_ui->CihazEkleButon, &QPushButton::clicked, this, &DeviceTab::CihazEkleButonClick);
    connect(m_ui->CihazDuzenleButon, &QPushButton::clicked, this,
            &DeviceTab::CihazDuzenleButonClick);
    connect(m_ui->CihazSilButon, &QPushButton::clicked, this, &DeviceTab::CihazSilButonClick);
    connect(m_ui->TestButon, &QPushButton::clicked, this, &DeviceTab::connectionTestRequested);
    connect(m_ui->YetkiliSilButon, &QPushButton::clicked, this,
            &DeviceTab::privilegeRemovalRequested);
    connect(m_ui->YedekSilButon, &QPushButton::clicked, this, &DeviceTab::recordDeletionRequested);
    connect(m_ui->ZamanAyarButon, &QPushButton::clicked, this, &DeviceTab::clockSettingRequested);
    // A double click on the "Seç" box is two clicks on the mark, not an edit.
    connect(m_ui->CihazGrid, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.column() != m_model->columnOf(field::Isaret))
            CihazDuzenleButonClick();
    });
    m_ui->CihazGrid->installEventFilter(this);
}

DeviceTab::~DeviceTab() = default;

bool DeviceTab::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_ui->CihazGrid && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier) {
            switch (key->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
                CihazDuzenleButonClick();
                return true;
            case Qt::Key_Delete:
                CihazSilButonClick();
                return true;
            case Qt::Key_Space:
                toggleCurrentMark();
                return true;
            default:
                break;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

std::string DeviceTab::deviceFile() const {
    return programFile(m_values.programFolder, TDataModul::kCihazFile);
}

void DeviceTab::CihazEkleButonClick() {
    if (runCommand(this, [this] { appendNewDevice(m_data.CihazTable); }))
        openDeviceEditor();
}

void DeviceTab::CihazDuzenleButonClick() {
    if (runCommand(this, [this] { editCurrentDevice(m_data.CihazTable); }))
        openDeviceEditor();
}

void DeviceTab::CihazSilButonClick() {
    WindowOperator op(this);
    runCommand(this, [&] { deleteCurrentDevice(m_data.CihazTable, deviceFile(), op); });
}

// Each command gets an editor of its own, discarded when it closes.
void DeviceTab::openDeviceEditor() {
    TCihazForm editor(m_data.CihazTable, deviceFile(), this);
    editor.exec();
}

// Space ticks or clears "Seç" of the current row from whichever column the
// keyboard is on, as a click on its box does.
void DeviceTab::toggleCurrentMark() {
    const RecordTable& devices = m_data.CihazTable;
    const int row = devices.currentRow();
    if (row < 0 || row >= devices.rowCount())
        return;
    v_IsaretPropertiesChange(row, devices.integerAt(row, devices.fieldIndex(field::Isaret)) != 1);
}

void DeviceTab::v_IsaretPropertiesChange(int row, bool marked) {
    runCommand(this, [&] { setDeviceMark(m_data.CihazTable, row, marked, deviceFile()); });
}

} // namespace nakilon
