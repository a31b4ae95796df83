#pragma once

#include <string>

namespace nakilon {

class Operator;
class RecordTable;

// The commands that change the device list (CihazTable). Each works on the
// table's current record; `deviceFile` is the full UTF-8 name of Cihazlar.Dat.
// Every change they store is saved to the file at once; a failed save throws
// and leaves the file as it was, with the change kept in memory.

// "Cihaz Ekle": appends a device with the defaults of a new device, left in
// insert state for the device editor. A record still being edited is posted
// first when it was changed, and dropped otherwise.
void appendNewDevice(RecordTable& devices);

// "Düzenle": puts the current device into edit state; on an empty list a new,
// empty record is started instead, without defaults.
void editCurrentDevice(RecordTable& devices);

// "Kaydet ve Kapat": stores the record being added or edited and saves the
// list, also when nothing was changed.
void storeDevice(RecordTable& devices, const std::string& deviceFile);

// "İptal": a new record is removed, an edited one gets its values back.
// Nothing is written.
void dropDeviceChanges(RecordTable& devices);

// "Sil": asks the "UYARI" question and, only on Yes, deletes the current
// device (the following one becomes current, or the previous one after the
// last) and saves the list. On an empty list the table's own error ends it
// and nothing is saved.
void deleteCurrentDevice(RecordTable& devices, const std::string& deviceFile, Operator& op);

} // namespace nakilon
