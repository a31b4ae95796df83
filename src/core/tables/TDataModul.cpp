#include "core/tables/TDataModul.h"

namespace nakilon {

namespace {
FieldDef integer(const char* name) {
    return {name, FieldType::Integer, 0};
}
FieldDef smallInt(const char* name) {
    return {name, FieldType::SmallInt, 0};
}
FieldDef text(const char* name, int width) {
    return {name, FieldType::Text, width};
}
} // namespace

std::vector<FieldDef> TDataModul::cihazFields() {
    // The order is also the column order of the device list file.
    return {integer("CihazNo"),       text("CihazAdi", 30),      integer("MakineNo"),
            smallInt("BaglantiTipi"), text("IPAdres", 20),       text("Parola", 10),
            integer("Port"),          smallInt("Isaret"),        smallInt("Durum"),
            text("Aciklama", 30),     integer("TransferDurumu"), smallInt("ComportNo"),
            smallInt("GCTip")};
}

std::vector<FieldDef> TDataModul::personelFields() {
    return {integer("PersonelNo"), integer("KartNo"),    integer("Yetki"),
            integer("Sifre"),      integer("IzinDurum"), integer("Secim")};
}

std::vector<FieldDef> TDataModul::personelTamponFields() {
    return {integer("PersonelNo"), integer("KartNo"),  integer("Yetki"),     integer("Sifre"),
            integer("IzinDurum"),  text("Backup", 30), integer("BackupInt"), integer("Secim")};
}

TDataModul::TDataModul()
    : CihazTable("CihazTable", cihazFields()), PersonelTable("PersonelTable", personelFields()),
      PersonelTampon("PersonelTampon", personelTamponFields()) {}

} // namespace nakilon
