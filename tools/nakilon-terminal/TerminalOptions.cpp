#include "TerminalOptions.h"

#include "core/base/DateTime.h"
#include "core/base/Error.h"
#include "core/base/IntegerText.h"
#include "emulator/net/TcpChannel.h"

#include <iterator>
#include <limits>
#include <string_view>

namespace nakilon {

// The help text names the ports of serial and USB terminals as numbers.
static_assert(SerialBasePort == 20000, "the help text below spells SerialBasePort as 20000");

const char* const TerminalHelpText =
    R"(Kullanım: nakilon-terminal [seçenekler]

Bir zaman kayıt terminalini taklit eder: Nakilon'un cihaz denetimi ona
Ethernet, seri port ya da USB bağlantısıyla bağlanır. SIGINT (Ctrl+C) ya da
SIGTERM gelene dek çalışır, sonra düzgünce kapanır.

Seçenekler:
  --address A       Dinlenecek adres (varsayılan 127.0.0.1, yalnız bu
                    bilgisayar). Ağdaki başka bilgisayarlar için 0.0.0.0.
  --port N          Ethernet bağlantısının TCP portu (varsayılan 5005; 0 boş
                    bir port seçer). Dinlenen her adres başlangıçta
                    "Dinleniyor: ADRES:PORT" satırıyla yazılır.
  --serial N        Terminal seri port N (COM N) üzerinden de erişilsin:
                    127.0.0.1:(20000+N) dinlenir. Birden çok kez verilebilir.
  --usb             Terminal USB üzerinden de erişilsin: 127.0.0.1:20000.
  --state DOSYA     Terminalin bütün durumu bu dosyadan okunur; terminali
                    değiştiren her işlemden sonra dosya baştan (atomik
                    olarak) yazılır. Dosya yoksa oluşturulur; --records ya da
                    --users verildiyse üretilen içerikle.
  --journal DOSYA   Cihaz denetimine bu terminal için yapılan her çağrı,
                    geldiği sırayla, bir satır olarak bu dosyanın sonuna
                    eklenir: işlemin adı ve bütün bağımsız değişkenleri,
                    boşlukla ayrılmış (örnek: "OpenNetworkLink 1 127.0.0.1
                    5005 0", "SetReadMark 1", "FetchLogBatch 1 ReadMark=1",
                    "TakeLogEntry 1", "ChangeUserRole 1 1001 1 0 0"). Cihaz
                    denetiminin kendi içinde karşıladığı çağrılar (SetReadMark,
                    TakeLogEntry, TakeUserIndexEntry) bağlantıdaki bir sonraki
                    işlemle bildirilir ve onun önüne yazılır. Yapılmamış bir
                    çağrı hiç yazılmaz: bağlantı açıkken yeni bir bağlantı
                    açılırsa eski terminal yalnızca bağlantının koptuğunu görür
                    (CloseLink yazılmaz). UploadEnrollment satırı gelen
                    parmak verisinin özetiyle biter: "crc32=" ve 354 sayının
                    4 baytlık little-endian dizisinin CRC-32'si, 8 onaltılık
                    hane (zlib.crc32 ile aynı; 354 sıfır için:
                    "UploadEnrollment 1 1001 1 0 3 0 crc32=007bfea7").
  --records N       N hareket kaydı üret: her kullanıcı için iş günlerinde
                    (Pazartesi-Cuma) bir giriş ve bir çıkış, bugünle biten
                    günlere yayılmış.
  --users U         U kullanıcı üret (numaralar 1001'den), her biri 1-3
                    parmak kaydıyla (varsayılan 20, kayıt üretilirken). İlki
                    yönetici (yetki 3); yetkiler 0-3 arası karışık, her
                    yedinci kullanıcı etkin değil, her altıncının 10 ya da 11
                    numaralı (kart/şifre) parmak verisi olmayan bir kaydı da
                    var.
  --seed S          Üretim tohumu (varsayılan 1); aynı tohum aynı terminali
                    verir.
  --machine M       Üretilen terminalin makine numarası (varsayılan 1).
  --password P      Üretilen terminalin haberleşme şifresi (varsayılan 0).
  --latency-ms L    Her işlemin yanıtı L milisaniye bekletilir.
  --clock YYYY-AA-GGTSS:DD:ss
                    Terminalin saati bu anda durur (clock-offset yine
                    eklenir); örnek: --clock 2024-03-05T14:07:00. İlk
                    SyncDeviceClock saati bilgisayarınkine kurar ve yeniden
                    işletir.
  --weekday N       ReadDeviceClock haftanın günü olarak N bildirir (1
                    Pazartesi ... 7 Pazar; 0 ya da 9 gibi yanlış bir değer de
                    olur), ilk SyncDeviceClock'a dek.
  --fail İŞLEM:N    İŞLEM adlı işlemin N. çağrısı (terminal başladığından bu
                    yana, bütün bağlantılarda sayılır) yapılmaz ve terminal
                    hata bildirir: cihaz denetimi "Cihaz hata bildirdi: İŞLEM
                    işlemi tamamlanamadı" hatasını verir, bağlantı açık kalır.
                    Bir açma işleminde bağlantı kurulmamış olur. Birden çok
                    kez verilebilir.
  --refuse İŞLEM:N  İŞLEM'in N. çağrısı (aynı sayımla) yapılmaz ve terminal
                    reddeder: işlem false döner, hata vermez, bağlantı açık
                    kalır (üreticinin bileşeni reddi böyle bildirir). Günlükte
                    çağrının sonunda " refused" yazar. Birden çok kez
                    verilebilir.
  --download-fails KULLANICI:PARMAK
                    Kullanıcı listesinde bulunsa da bu kullanıcının bu
                    parmak kaydı okunamaz: DownloadEnrollment false döner
                    (hata vermez, bağlantı açık kalır). Durum dosyasına
                    yazılmaz (kalıcısı: download-fails satırı). Birden çok kez
                    verilebilir.
  --drop İŞLEM:N    İŞLEM'in N. çağrısında terminal yanıt vermeden bağlantıyı
                    koparır; işlem yapılmaz. Birden çok kez verilebilir.
                    İŞLEM: OpenNetworkLink, OpenSerialLink, SetDeviceActive,
                    FetchLogBatch, QueryDeviceCounter, FetchUserIndex,
                    DownloadEnrollment, UploadEnrollment, ReadDeviceClock,
                    SyncDeviceClock, ChangeUserRole, PurgeLogs.
  --help            Bu metni gösterir.

Bağlantı tipleri:
  1 Ethernet   Cihaz kaydının IP adresi ve portu doğrudan kullanılır.
  2 Seri port  COM N, 127.0.0.1 üzerinde TCP portu 20000+N'ye eşlenir
               (COM 1 -> 20001; Port alanı 5005 kalmışsa 25005).
  3 USB        127.0.0.1 üzerinde TCP portu 20000'e eşlenir.
Makine numarası yanlışsa, ya da Ethernet'te şifre yanlışsa bağlantı açılmaz.
ChangeUserRole yalnızca kullanıcı numarası, ikinci makine numarası ve parmak
numarası birlikte kullanıcı listesindeki bir kaydı gösterirse uygulanır.
Terminal her kullanıcı için tek şifre tutar, gerçek bir terminal gibi:
DownloadEnrollment kullanıcının şifresini verir; UploadEnrollment hangi parmak
için olursa olsun verdiği şifreyi kullanıcının bütün kayıtlarına yazar (0 da
bir şifredir: eski şifre silinir). Bilinen bir kullanıcıya eklenen yeni parmak
kaydı kullanıcının etkinlik durumunu alır.

Durum dosyası (düz ASCII, satır başına bir öğe, alanlar arasında tek boşluk,
"#" ile başlayan satır açıklama, boş satırlar yok sayılır; her sayı işaretli
32 bit ondalık):
  terminal <makine-no> <şifre>
  clock-offset <saniye>          terminal saati eksi bilgisayar saati
  clock-weekday <gün>            (isteğe bağlı) ReadDeviceClock'un bildirdiği
                                 haftanın günü; SyncDeviceClock siler
  clock-read-fails <0|1>         (isteğe bağlı) 1: ReadDeviceClock false döner
  active <0|1>
  log <personel> <mod> <yıl> <ay> <gün> <saat> <dakika> <saniye> <new|read>
  user <kullanıcı-no> <parmak> <yetki> <etkin> <şifre> [<ikinci-makine-no>]
                                 ikinci makine numarası verilmezse kullanıcı
                                 listesi terminalin makine numarasını bildirir;
                                 bir kullanıcının bütün user satırlarında şifre
                                 aynıdır
  download-fails <kullanıcı-no> <parmak>
                                 (isteğe bağlı) listelenen bu kaydın
                                 DownloadEnrollment'ı false döner; önce aynı
                                 kullanıcı ve parmağın user satırı gelir
  enroll <kullanıcı-no> <parmak> <v0> <v1> ... <v353>
                                 parmak verisi; user satırından sonra gelir
)";

namespace {

int64_t numberArgument(const std::string& option, const std::string& text, int64_t low,
                       int64_t high) {
    const std::optional<int64_t> value = parseNumber<int64_t>(text, {.minus = true});
    if (!value || *value < low || *value > high)
        throw Error(option + " için geçersiz sayı: " + text);
    return *value;
}

// "2024-03-05T14:07:00" as local seconds.
int64_t clockArgument(const std::string& option, const std::string& text) {
    const auto invalid = [&] {
        return Error(option + " için geçersiz zaman (YYYY-AA-GGTSS:DD:ss): " + text);
    };
    DateTime time;
    int32_t* const parts[] = {&time.year, &time.month,  &time.day,
                              &time.hour, &time.minute, &time.second};
    constexpr std::string_view separators = "--T::";
    std::string_view rest = text;
    for (size_t i = 0; i < std::size(parts); ++i) {
        const size_t width = i == 0 ? 4 : 2;
        const std::optional<int32_t> value =
            rest.size() >= width ? parseNumber<int32_t>(rest.substr(0, width)) : std::nullopt;
        if (!value)
            throw invalid();
        *parts[i] = *value;
        rest.remove_prefix(width);
        if (i == separators.size())
            break;
        if (!rest.starts_with(separators[i]))
            throw invalid();
        rest.remove_prefix(1);
    }
    if (!rest.empty() || !isCalendarDate(time) || time.hour > 23 || time.minute > 59 ||
        time.second > 59)
        throw invalid();
    return wallTime(time).time_since_epoch().count();
}

// "ChangeUserRole:2": the operation and the number of its call.
TerminalFault faultArgument(const std::string& option, const std::string& text, FaultKind kind) {
    const size_t colon = text.rfind(':');
    TerminalFault fault;
    fault.kind = kind;
    fault.operation = text.substr(0, colon == std::string::npos ? text.size() : colon);
    if (colon == std::string::npos || !isFaultableOperation(fault.operation))
        throw Error(option + " İŞLEM:N bekliyor, İŞLEM cihaza giden işlemlerden biri: " + text);
    fault.callNumber = numberArgument(option, text.substr(colon + 1), 1, INT32_MAX);
    return fault;
}

// "1001:3": a user number and an enrollment slot.
std::pair<int32_t, int32_t> entryArgument(const std::string& option, const std::string& text) {
    const size_t colon = text.find(':');
    if (colon == std::string::npos)
        throw Error(option + " KULLANICI:PARMAK bekliyor: " + text);
    constexpr int64_t low = std::numeric_limits<int32_t>::min();
    constexpr int64_t high = std::numeric_limits<int32_t>::max();
    return {static_cast<int32_t>(numberArgument(option, text.substr(0, colon), low, high)),
            static_cast<int32_t>(numberArgument(option, text.substr(colon + 1), low, high))};
}

} // namespace

TerminalOptions parseTerminalOptions(const std::vector<std::string>& arguments) {
    TerminalOptions options;
    constexpr int64_t int32Min = std::numeric_limits<int32_t>::min();
    constexpr int64_t int32Max = std::numeric_limits<int32_t>::max();
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        const auto value = [&]() -> const std::string& {
            if (i + 1 >= arguments.size())
                throw Error(option + " bir değer bekliyor");
            return arguments[++i];
        };
        if (option == "--help" || option == "-h") {
            options.help = true;
        } else if (option == "--address") {
            options.address = value();
        } else if (option == "--port") {
            options.port = static_cast<int>(numberArgument(option, value(), 0, 65535));
        } else if (option == "--serial") {
            options.serialPorts.push_back(
                static_cast<int>(numberArgument(option, value(), 1, 65535 - SerialBasePort)));
        } else if (option == "--usb") {
            options.serialPorts.push_back(0);
        } else if (option == "--state") {
            options.stateFile = value();
        } else if (option == "--journal") {
            options.journalFile = value();
        } else if (option == "--records") {
            options.records = static_cast<int32_t>(numberArgument(option, value(), 0, int32Max));
        } else if (option == "--users") {
            options.users = static_cast<int32_t>(numberArgument(option, value(), 0, 100000));
        } else if (option == "--seed") {
            options.seed = static_cast<uint32_t>(numberArgument(option, value(), 0, UINT32_MAX));
        } else if (option == "--machine") {
            options.machineNumber =
                static_cast<int32_t>(numberArgument(option, value(), int32Min, int32Max));
        } else if (option == "--password") {
            options.password =
                static_cast<int32_t>(numberArgument(option, value(), int32Min, int32Max));
        } else if (option == "--latency-ms") {
            options.latencyMs = static_cast<int>(numberArgument(option, value(), 0, 600000));
        } else if (option == "--clock") {
            options.frozenClock = clockArgument(option, value());
        } else if (option == "--weekday") {
            options.weekday =
                static_cast<int32_t>(numberArgument(option, value(), int32Min, int32Max));
        } else if (option == "--fail") {
            options.faults.push_back(faultArgument(option, value(), FaultKind::Fail));
        } else if (option == "--refuse") {
            options.faults.push_back(faultArgument(option, value(), FaultKind::Refuse));
        } else if (option == "--download-fails") {
            options.failingDownloads.push_back(entryArgument(option, value()));
        } else if (option == "--drop") {
            options.faults.push_back(faultArgument(option, value(), FaultKind::Drop));
        } else {
            throw Error("Bilinmeyen seçenek: " + option + " (--help ile seçenekleri görün)");
        }
    }
    if (options.records.value_or(0) > 0 && options.users && *options.users == 0)
        throw Error("Kayıt üretmek için en az bir kullanıcı gerekir (--users)");
    return options;
}

} // namespace nakilon
