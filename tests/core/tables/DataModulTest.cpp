#include "core/tables/TDataModul.h"

#include <gtest/gtest.h>

namespace nakilon {
namespace {

// "name type width" for every field, RecId included.
std::vector<std::string> describe(const RecordTable& table) {
    std::vector<std::string> result;
    for (int f = 0; f < table.fieldCount(); ++f) {
        const FieldDef& def = table.field(f);
        const char* type = def.type == FieldType::Integer    ? "int32"
                           : def.type == FieldType::SmallInt ? "int16"
                                                             : "text";
        result.push_back(def.name + " " + type + " " + std::to_string(def.width));
    }
    return result;
}

TEST(DataModulTest, TablesHaveTheirFixedFieldsAndStartClosed) {
    TDataModul modul;
    EXPECT_EQ(modul.CihazTable.name(), "CihazTable");
    EXPECT_EQ(modul.PersonelTable.name(), "PersonelTable");
    EXPECT_EQ(modul.PersonelTampon.name(), "PersonelTampon");
    EXPECT_EQ(describe(modul.CihazTable),
              (std::vector<std::string>{"CihazNo int32 0", "CihazAdi text 30", "MakineNo int32 0",
                                        "BaglantiTipi int16 0", "IPAdres text 20", "Parola text 10",
                                        "Port int32 0", "Isaret int16 0", "Durum int16 0",
                                        "Aciklama text 30", "TransferDurumu int32 0",
                                        "ComportNo int16 0", "GCTip int16 0", "RecId int32 0"}));
    EXPECT_EQ(describe(modul.PersonelTable),
              (std::vector<std::string>{"PersonelNo int32 0", "KartNo int32 0", "Yetki int32 0",
                                        "Sifre int32 0", "IzinDurum int32 0", "Secim int32 0",
                                        "RecId int32 0"}));
    EXPECT_EQ(describe(modul.PersonelTampon),
              (std::vector<std::string>{"PersonelNo int32 0", "KartNo int32 0", "Yetki int32 0",
                                        "Sifre int32 0", "IzinDurum int32 0", "Backup text 30",
                                        "BackupInt int32 0", "Secim int32 0", "RecId int32 0"}));
    for (const RecordTable* table :
         {&modul.CihazTable, &modul.PersonelTable, &modul.PersonelTampon}) {
        EXPECT_FALSE(table->isOpen());
        EXPECT_EQ(table->state(), TableState::Inactive);
        EXPECT_EQ(table->rowCount(), 0);
        EXPECT_EQ(table->currentRow(), -1);
    }
}

TEST(DataModulTest, NoFieldDefaultIsApplied) {
    TDataModul modul;
    modul.CihazTable.open();
    modul.CihazTable.append();
    EXPECT_TRUE(modul.CihazTable.isNull("GCTip"));
}

} // namespace
} // namespace nakilon
