#include "TerminalOptions.h"

#include "core/base/Error.h"

#include <charconv>
#include <limits>

namespace nakilon {

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
  --journal DOSYA   Gelen her işlem bir satır olarak bu dosyanın sonuna
                    eklenir: işlemin adı ve bağımsız değişkenleri, boşlukla
                    ayrılmış (örnek: "OpenNetworkLink 1 127.0.0.1 5005 0",
                    "FetchLogBatch 1 ReadMark=1"). Take işlemleri cihaz
                    denetiminin içinde kalır, günlüğe yazılmaz.
  --records N       N hareket kaydı üret: her kullanıcı için iş günlerinde
                    (Pazartesi-Cuma) bir giriş ve bir çıkış, bugünle biten
                    günlere yayılmış.
  --users U         U kullanıcı üret (numaralar 1001'den), her biri 1-3
                    parmak kaydıyla; ilki yönetici (varsayılan 20, kayıt
                    üretilirken).
  --seed S          Üretim tohumu (varsayılan 1); aynı tohum aynı terminali
                    verir.
  --machine M       Üretilen terminalin makine numarası (varsayılan 1).
  --password P      Üretilen terminalin haberleşme şifresi (varsayılan 0).
  --latency-ms L    Her işlemin yanıtı L milisaniye bekletilir.
  --help            Bu metni gösterir.

Bağlantı tipleri:
  1 Ethernet   Cihaz kaydının IP adresi ve portu doğrudan kullanılır.
  2 Seri port  COM N, 127.0.0.1 üzerinde TCP portu 20000+N'ye eşlenir
               (COM 1 -> 20001; Port alanı 5005 kalmışsa 25005).
  3 USB        127.0.0.1 üzerinde TCP portu 20000'e eşlenir.
Makine numarası yanlışsa, ya da Ethernet'te şifre yanlışsa bağlantı açılmaz.

Durum dosyası (düz ASCII, satır başına bir öğe, alanlar arasında tek boşluk,
"#" ile başlayan satır açıklama, boş satırlar yok sayılır; her sayı işaretli
32 bit ondalık):
  terminal <makine-no> <şifre>
  clock-offset <saniye>
  active <0|1>
  log <personel> <mod> <yıl> <ay> <gün> <saat> <dakika> <saniye> <new|read>
  user <kullanıcı-no> <parmak> <yetki> <etkin> <şifre>
  enroll <kullanıcı-no> <parmak> <v0> <v1> ... <v353>
)";

namespace {

int64_t numberArgument(const std::string& option, const std::string& text, int64_t low,
                       int64_t high) {
    int64_t value = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || ptr != text.data() + text.size() || value < low || value > high)
        throw Error(option + " için geçersiz sayı: " + text);
    return value;
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
                static_cast<int>(numberArgument(option, value(), 1, 65535 - 20000)));
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
        } else {
            throw Error("Bilinmeyen seçenek: " + option + " (--help ile seçenekleri görün)");
        }
    }
    if (options.records.value_or(0) > 0 && options.users && *options.users == 0)
        throw Error("Kayıt üretmek için en az bir kullanıcı gerekir (--users)");
    return options;
}

} // namespace nakilon
