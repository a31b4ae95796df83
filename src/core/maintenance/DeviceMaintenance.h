#pragma once

#include "core/device/ConnectionProcedure.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace nakilon {

class DeviceControl;
class Operator;

// What the maintenance commands show and ask (UTF-8).
namespace maintenance {
inline constexpr const char* NotConnectedText = "Bağlantı Kurulamadı ! ! !";
inline constexpr const char* ConnectedText = "Bağlantı Kuruldu";
inline constexpr const char* RemovePrivilegesQuestion =
    "Cihaza giriş yetkisi olan tüm personelin yetkileri kaldırılacaktır. Yetkileri kaldırmak "
    "istediğinizden emin misiniz?";
// Two lines joined by one carriage return.
inline constexpr const char* PurgeRecordsQuestion =
    "Silme işlemini yapmadan önce cihazdaki tüm kayıtların bilgisayara aktarıldığından emin "
    "olun. \r"
    "Bu işlem sonucunda cihazdaki hareket kayıtları geri dönülemez şekilde silinecektir. "
    "Cihazdaki tüm hareket kayıtlarını silmek istediğinize emin misiniz?";
inline constexpr const char* PurgeDoneText = "Silme işlemi tamamlandı.";
// How many refused entries a message names before it only counts the rest.
inline constexpr size_t ListedEntries = 20;
} // namespace maintenance

// Each command acts on `device`, the terminal of the current row of the device
// list (currentConnectionValues; the marks play no part), through the main
// window's device control. A failed
// connection shows NotConnectedText. The commands that take the terminal out
// of use return it to use and close the link also when the device control
// raises on the way, or when the terminal refuses what it was asked (answers
// false); the error then goes on to the caller, and nothing claims success.

// "Bağlantı Test": opens and closes the link, nothing else. A connection type
// other than 1, 2 or 3 is a failed connection.
void testConnection(const ConnectionValues& device, DeviceControl& control, Operator& op);

// "Cihaz Şifre Sil", after the question: privilege 0 for every entry of the
// terminal's user list, passing back the second machine number that the entry
// delivered. Entries whose change the terminal refuses are named in the error
// raised at the end (the others were changed); otherwise nothing is shown.
// Another connection type ends silently.
void removeAllPrivileges(const ConnectionValues& device, DeviceControl& control, Operator& op);

// "Yedekleri Sil", after the question: deletes every record held in the
// terminal, then PurgeDoneText, only when the terminal did it. Another
// connection type ends silently.
void purgeDeviceRecords(const ConnectionValues& device, DeviceControl& control, Operator& op);

// "Tarih/Saat Ayarla": connects and leaves the link open for the clock dialog.
// The machine number to give the dialog, or nothing (the failure shown, or a
// connection type other than 1, 2 or 3, silently).
std::optional<int32_t> connectForClock(const ConnectionValues& device, DeviceControl& control,
                                       Operator& op);

} // namespace nakilon
