#include "core/tables/TDataModul.h"

#include "core/tables/FieldNames.h"

namespace nakilon {

namespace {
FieldDef integer(std::string_view name) {
    return {std::string(name), FieldType::Integer, 0};
}
FieldDef smallInt(std::string_view name) {
    return {std::string(name), FieldType::SmallInt, 0};
}
FieldDef text(std::string_view name, int width) {
    return {std::string(name), FieldType::Text, width};
}
} // namespace

std::string TDataModul::dataFile(std::string_view name) {
    return std::string(kDataFolder) + '\\' + std::string(name);
}

std::string TDataModul::personelFile() {
    return dataFile("Personel.PDT");
}

std::vector<FieldDef> TDataModul::cihazFields() {
    // The order is also the column order of the device list file.
    return {
        integer(field::CihazNo),       text(field::CihazAdi, 30),      integer(field::MakineNo),
        smallInt(field::BaglantiTipi), text(field::IPAdres, 20),       text(field::Parola, 10),
        integer(field::Port),          smallInt(field::Isaret),        smallInt(field::Durum),
        text(field::Aciklama, 30),     integer(field::TransferDurumu), smallInt(field::ComportNo),
        smallInt(field::GCTip)};
}

std::vector<FieldDef> TDataModul::personelFields() {
    return {integer(field::PersonelNo), integer(field::KartNo),    integer(field::Yetki),
            integer(field::Sifre),      integer(field::IzinDurum), integer(field::Secim)};
}

std::vector<FieldDef> TDataModul::personelTamponFields() {
    return {integer(field::PersonelNo), integer(field::KartNo),    integer(field::Yetki),
            integer(field::Sifre),      integer(field::IzinDurum), text(field::Backup, 30),
            integer(field::BackupInt),  integer(field::Secim)};
}

TDataModul::TDataModul()
    : CihazTable("CihazTable", cihazFields()), PersonelTable("PersonelTable", personelFields()),
      PersonelTampon("PersonelTampon", personelTamponFields()) {}

} // namespace nakilon
