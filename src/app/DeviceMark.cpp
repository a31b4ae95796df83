#include "app/DeviceMark.h"

#include "tables/TdxMemData.h"

namespace nakilon {

void setDeviceMark(TdxMemData& devices, int row, bool marked, const std::string& deviceFile) {
    devices.moveTo(row);
    devices.edit();
    devices.setInteger("Isaret", marked ? 1 : 0);
    devices.post();
    devices.saveToFile(deviceFile);
}

} // namespace nakilon
