#pragma once

#include "core/tables/RecordTable.h"

namespace nakilon {

// The data module: the program's three record tables, created before any
// window and kept until the program ends. Every table starts closed.
class TDataModul {
public:
    // Relative names in the program folder: the device list, and the folder
    // of the personnel list and the enrollment files.
    static constexpr std::string_view kCihazFile = "Cihazlar.Dat";
    static constexpr std::string_view kDataFolder = "Data";
    // A file of the Data folder as a relative name in the program folder
    // ("Data\Personel.PDT").
    static std::string dataFile(std::string_view name);
    // The personnel list, in the Data folder.
    static std::string personelFile();

    TDataModul();

    RecordTable CihazTable;     // devices, stored in Cihazlar.Dat
    RecordTable PersonelTable;  // personnel, stored in Data\Personel.PDT
    RecordTable PersonelTampon; // one terminal's user list; never stored

    static std::vector<FieldDef> cihazFields();
    static std::vector<FieldDef> personelFields();
    static std::vector<FieldDef> personelTamponFields();
};

} // namespace nakilon
