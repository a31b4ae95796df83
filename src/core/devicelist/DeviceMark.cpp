#include "core/devicelist/DeviceMark.h"

#include "core/tables/FieldNames.h"
#include "core/tables/RecordTable.h"

namespace nakilon {

void setDeviceMark(RecordTable& devices, int row, bool marked, const std::string& deviceFile) {
    devices.moveTo(row);
    devices.edit();
    devices.setInteger(field::Isaret, marked ? 1 : 0);
    devices.post();
    devices.saveToFile(deviceFile);
}

} // namespace nakilon
