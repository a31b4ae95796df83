#include "core/devicelist/DeviceEditing.h"

#include "core/base/Operator.h"
#include "core/tables/FieldNames.h"
#include "core/tables/RecordTable.h"

namespace nakilon {

void appendNewDevice(RecordTable& devices) {
    devices.append();
    // The name follows the number just set, so every new device is Cihaz1.
    devices.setInteger(field::BaglantiTipi, 1);
    devices.setInteger(field::Port, 5005);
    devices.setInteger(field::CihazNo, 1);
    devices.setText(field::CihazAdi, "Cihaz" + devices.asText(field::CihazNo));
    devices.setInteger(field::MakineNo, 1);
    devices.setInteger(field::Isaret, 1);
    devices.setInteger(field::GCTip, 0);
}

void editCurrentDevice(RecordTable& devices) {
    devices.edit();
}

void storeDevice(RecordTable& devices, const std::string& deviceFile) {
    devices.post();
    devices.saveToFile(deviceFile);
}

void dropDeviceChanges(RecordTable& devices) {
    devices.cancel();
}

void deleteCurrentDevice(RecordTable& devices, const std::string& deviceFile, Operator& op) {
    if (!op.confirm("Bu cihazı silmek istediğinizden emin misiniz?"))
        return;
    devices.remove();
    devices.saveToFile(deviceFile);
}

} // namespace nakilon
