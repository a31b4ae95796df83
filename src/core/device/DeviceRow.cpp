#include "core/device/DeviceRow.h"

#include "core/tables/FieldNames.h"
#include "core/tables/RecordTable.h"

namespace nakilon {

namespace {
constexpr std::size_t kIpAddressLength = 20;
}

ConnectionValues connectionValuesAt(const RecordTable& devices, int row) {
    const auto number = [&](std::string_view name) {
        return devices.integerAt(row, devices.fieldIndex(name));
    };
    const auto text = [&](std::string_view name) {
        return devices.textAt(row, devices.fieldIndex(name));
    };
    ConnectionValues values;
    values.connectionType = number(field::BaglantiTipi);
    values.machineNumber = number(field::MakineNo);
    values.ipAddress = text(field::IPAdres).substr(0, kIpAddressLength);
    values.port = number(field::Port);
    values.password = text(field::Parola);
    return values;
}

ConnectionValues currentConnectionValues(const RecordTable& devices) {
    const int row = devices.currentRow();
    if (row < 0 || row >= devices.rowCount())
        return {};
    return connectionValuesAt(devices, row);
}

} // namespace nakilon
