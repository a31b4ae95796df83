#include "gui/mainwindow/DeviceTab.h"

#include "core/base/FileIo.h"
#include "core/devicelist/DeviceMark.h"
#include "core/settings/ProgramValues.h"
#include "core/tables/FieldNames.h"
#include "core/tables/TDataModul.h"
#include "gui/models/GridSetup.h"
#include "gui/models/RecordTableModel.h"
#include "gui/widgets/Command.h"
#include "ui_DeviceTab.h"

#include <QHeaderView>

namespace nakilon {

namespace {

std::vector<GridColumn> deviceColumns() {
    using Kind = GridColumn::Kind;
    return {
        {field::Isaret, "Seç", Kind::Check, false, true},
        {field::CihazNo, "Cz.No", Kind::Plain},
        {field::CihazAdi, "Cihaz Adı", Kind::Plain},
        {field::BaglantiTipi,
         "Bağlantı Tipi",
         Kind::Choice,
         false,
         false,
         {{1, "Ethernet"}, {2, "Comm Port"}, {3, "USB Bağlantısı"}}},
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
}

DeviceTab::~DeviceTab() = default;

QTableView* DeviceTab::grid() const {
    return m_ui->CihazGrid;
}

void DeviceTab::v_IsaretPropertiesChange(int row, bool marked) {
    runCommand(this, [&] {
        setDeviceMark(m_data.CihazTable, row, marked,
                      programFile(m_values.programFolder, TDataModul::kCihazFile));
    });
}

} // namespace nakilon
