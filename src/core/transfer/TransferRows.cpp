#include "core/transfer/TransferRows.h"

#include "core/base/Operator.h"
#include "core/device/DeviceRow.h"
#include "core/tables/FieldNames.h"
#include "core/tables/RecordTable.h"

namespace nakilon {

std::vector<TransferDevice> transferDevicesOf(const RecordTable& cihazTable) {
    std::vector<TransferDevice> devices;
    devices.reserve(static_cast<size_t>(cihazTable.rowCount()));
    for (int row = 0; row < cihazTable.rowCount(); ++row) {
        const auto at = [&](std::string_view name) {
            return cihazTable.integerAt(row, cihazTable.fieldIndex(name));
        };
        TransferDevice device;
        device.recId = at(RecordTable::kRecIdName);
        device.deviceNumber = at(field::CihazNo);
        device.connection = connectionValuesAt(cihazTable, row);
        device.entryExitType = at(field::GCTip);
        device.name = cihazTable.textAt(row, cihazTable.fieldIndex(field::CihazAdi));
        device.marked = at(field::Isaret) == 1;
        devices.push_back(std::move(device));
    }
    return devices;
}

void TableTransferRows::resetProgress() {
    const Bookmark mark = m_table.bookmark();
    for (m_table.first(); !m_table.eof(); m_table.next()) {
        m_table.edit();
        m_table.setInteger(field::TransferDurumu, 0);
        m_table.post();
    }
    m_table.gotoBookmark(mark);
    m_table.refresh();
}

void TableTransferRows::clearStatus() {
    for (m_table.first(); !m_table.eof(); m_table.next()) {
        m_table.edit();
        m_table.setText(field::Aciklama, "");
        m_table.post();
        m_table.refresh();
    }
    m_op.repaintTransferGrid();
}

void TableTransferRows::setStatus(int32_t recId, const std::string& text) {
    write(recId, true, 0, text);
}

void TableTransferRows::setProgress(int32_t recId, int32_t percentage) {
    write(recId, false, percentage, {});
}

void TableTransferRows::write(int32_t recId, bool status, int32_t number, const std::string& text) {
    if (!m_table.locate(RecordTable::kRecIdName, recId))
        return;
    m_table.edit();
    if (status)
        m_table.setText(field::Aciklama, text);
    else
        m_table.setInteger(field::TransferDurumu, number);
    m_table.post();
    m_table.refresh();
    m_op.repaintTransferGrid();
}

} // namespace nakilon
