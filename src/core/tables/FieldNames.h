#pragma once

#include <string_view>

// The field names of the program's record tables, each written once. They are
// also the column names of the table files. Tables find fields by name without
// regard to letter case.
namespace nakilon::field {

// CihazTable, in the order of its fields and of the columns of Cihazlar.Dat.
inline constexpr std::string_view CihazNo = "CihazNo";
inline constexpr std::string_view CihazAdi = "CihazAdi";
inline constexpr std::string_view MakineNo = "MakineNo";
inline constexpr std::string_view BaglantiTipi = "BaglantiTipi";
inline constexpr std::string_view IPAdres = "IPAdres";
inline constexpr std::string_view Parola = "Parola";
inline constexpr std::string_view Port = "Port";
inline constexpr std::string_view Isaret = "Isaret";
inline constexpr std::string_view Durum = "Durum";
inline constexpr std::string_view Aciklama = "Aciklama";
inline constexpr std::string_view TransferDurumu = "TransferDurumu";
inline constexpr std::string_view ComportNo = "ComportNo";
inline constexpr std::string_view GCTip = "GCTip";

// PersonelTable (these six) and PersonelTampon (these, Backup and BackupInt).
inline constexpr std::string_view PersonelNo = "PersonelNo";
inline constexpr std::string_view KartNo = "KartNo";
inline constexpr std::string_view Yetki = "Yetki";
inline constexpr std::string_view Sifre = "Sifre";
inline constexpr std::string_view IzinDurum = "IzinDurum";
inline constexpr std::string_view Secim = "Secim";
inline constexpr std::string_view Backup = "Backup";
inline constexpr std::string_view BackupInt = "BackupInt";

} // namespace nakilon::field
