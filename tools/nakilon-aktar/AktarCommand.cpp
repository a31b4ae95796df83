#include "AktarCommand.h"

#include "core/base/CodePage1254.h"
#include "core/base/Operator.h"
#include "core/tables/FieldNames.h"
#include "core/transfer/EntryFilter.h"
#include "core/transfer/OutputTexts.h"
#include "core/transfer/UnattendedTransfer.h"

#include <cstdio>
#include <map>
#include <optional>
#include <ostream>

namespace nakilon {

namespace {

const char* const kUsage =
    "Kullanım: nakilon-aktar [--yedek] [--tarihinden YYYY-AA-GG] [--tarihine YYYY-AA-GG]\n"
    "\n"
    "İşaretli cihazların hareketlerini, programın klasöründeki Ayarlar.ini ve\n"
    "Cihazlar.Dat ile, pencerede \"Bilgileri Aktar\" ne yapıyorsa öyle aktarır:\n"
    "kayıt dosyasına ve günün yedek dosyasına (Backup\\YYYY-AA-GG.txt).\n"
    "\n"
    "  --yedek               cihazlardaki bütün kayıtları al (yedek kipi)\n"
    "  --tarihinden TARİH    yedek kipinde bu günden önceki kayıtları alma\n"
    "  --tarihine TARİH      yedek kipinde bu günden sonraki kayıtları alma\n"
    "  --help                bu yardımı göster\n"
    "\n"
    "Okunan her cihazın satırları, sonraki cihaza geçilmeden programın klasöründeki\n"
    "Aktarim.gunluk dosyasına yazılır; yarım kalan bir aktarımı (çökme, kapanma,\n"
    "dolu disk) bir sonraki aktarım önce tamamlar.\n"
    "\n"
    "SIGTERM, SIGINT (Ctrl+C) ya da SIGHUP gelince elindeki cihaz bitirilir,\n"
    "okunanlar kaydedilir ve aktarım durur; ikinci istekte hemen durur.\n"
    "\n"
    "Çıkış kodu: 0 bütün işaretli cihazlar okundu ve kaydedildi; 1 bağlanılamayan\n"
    "cihaz var; 2 aktarım bir hatayla bitti ya da durduruldu; 3 başka bir aktarım\n"
    "sürüyordu, hiçbir şey yapılmadı; 4 işaretli cihaz yok ya da cihaz listesi yok\n"
    "veya boş; 5 aktarım bitti ama yarım kalan aktarımın günlüğü bozuktu (okunabilen\n"
    "kayıtlar yazıldı, günlüğün kopyası saklandı); 64 seçenekler yanlış.\n";

class ConsoleOperator : public Operator {
public:
    explicit ConsoleOperator(std::ostream& out) : m_out(out) {}
    void information(const std::string& text) override { m_out << text << '\n'; }
    bool confirm(const std::string&) override { return false; }
    void processEvents() override {}
    void repaintTransferGrid() override {}

private:
    std::ostream& m_out;
};

// Prints a device's status each time the run puts a new one into its row.
class StatusPrinter : public TableObserver {
public:
    StatusPrinter(RecordTable& table, std::ostream& out) : m_table(table), m_out(out) {
        m_table.addObserver(this);
    }
    ~StatusPrinter() override { m_table.removeObserver(this); }
    StatusPrinter(const StatusPrinter&) = delete;
    StatusPrinter& operator=(const StatusPrinter&) = delete;

    void recordChanged(int row) override {
        const int32_t recId = m_table.integerAt(row, m_table.recIdField());
        const std::string status = m_table.textAt(row, m_table.fieldIndex(field::Aciklama));
        std::string& last = m_last[recId];
        if (status.empty() || status == last)
            return;
        last = status;
        m_out << cp1254ToUtf8(m_table.textAt(row, m_table.fieldIndex(field::CihazAdi))) << ": "
              << cp1254ToUtf8(status) << std::endl;
    }

private:
    RecordTable& m_table;
    std::ostream& m_out;
    std::map<int32_t, std::string> m_last;
};

std::optional<int32_t> parseDate(const std::string& text) {
    int year = 0, month = 0, day = 0;
    char tail = 0;
    if (text.size() != 10 ||
        std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &year, &month, &day, &tail) != 3)
        return std::nullopt;
    return dayNumber(year, month, day);
}

// Reads the options; an exit code when the program is to end at once.
std::optional<int> parseOptions(const std::vector<std::string>& arguments, TransferOptions& options,
                                std::ostream& out, std::ostream& err) {
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "--help" || a == "-h") {
            out << kUsage;
            return exitcode::Completed;
        }
        if (a == "--yedek") {
            options.backupMode = true;
        } else if ((a == "--tarihinden" || a == "--tarihine") && i + 1 < arguments.size()) {
            const std::optional<int32_t> day = parseDate(arguments[++i]);
            if (!day) {
                err << "Geçersiz tarih: " << arguments[i] << " (YYYY-AA-GG bekleniyor)\n";
                return exitcode::Usage;
            }
            (a == "--tarihinden" ? options.fromDay : options.toDay) = day;
        } else {
            err << "Bilinmeyen seçenek: " << a << "\n\n" << kUsage;
            return exitcode::Usage;
        }
    }
    if ((options.fromDay || options.toDay) && !options.backupMode) {
        err << "--tarihinden ve --tarihine yalnızca --yedek ile kullanılır\n";
        return exitcode::Usage;
    }
    return std::nullopt;
}

} // namespace

int runAktarCommand(const std::vector<std::string>& arguments, const std::string& programFolder,
                    DeviceControl& control, const Date& today, std::ostream& out, std::ostream& err,
                    std::function<bool()> stopRequested) {
    TransferOptions options;
    if (const std::optional<int> code = parseOptions(arguments, options, out, err))
        return *code;
    options.stopRequested = std::move(stopRequested);
    bool journalDamaged = false;
    options.journalDamaged = [&journalDamaged] { journalDamaged = true; };

    ConsoleOperator op(out);
    try {
        UnattendedTransfer transfer(programFolder);
        transfer.load();
        if (transfer.devices().rowCount() == 0)
            out << "Cihaz listesi (Cihazlar.Dat) yok ya da boş\n";
        std::vector<DeviceOutcome> outcomes;
        {
            StatusPrinter printer(transfer.devices(), out);
            outcomes = transfer.run(control, options, today, op);
        }
        if (outcomes.empty())
            return exitcode::NothingToDo;
        bool allCompleted = true;
        bool stopped = false;
        out << "\nÖzet:\n";
        for (const DeviceOutcome& o : outcomes) {
            out << "  " << cp1254ToUtf8(o.name) << ": ";
            if (o.completed)
                out << o.accepted << " kayıt aktarıldı\n";
            else if (o.stopped)
                out << "aktarım durdurulduğu için bağlanılmadı\n";
            else
                out << "bağlantı kurulamadı\n";
            allCompleted = allCompleted && o.completed;
            stopped = stopped || o.stopped;
        }
        if (stopped) {
            err << "Aktarım durduruldu; okunan kayıtlar kaydedildi\n";
            return exitcode::Failed;
        }
        if (journalDamaged)
            return exitcode::JournalDamaged;
        return allCompleted ? exitcode::Completed : exitcode::NotReached;
    } catch (const TransferBusyError& e) {
        err << "Hata: " << e.what() << '\n';
        return exitcode::Busy;
    } catch (const std::exception& e) {
        err << "Hata: " << e.what() << '\n';
        return exitcode::Failed;
    }
}

} // namespace nakilon
