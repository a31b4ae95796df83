#pragma once

#include "core/base/DateTime.h"
#include "core/settings/ProgramValues.h"
#include "core/transfer/EntryFilter.h"
#include "core/transfer/TransferRows.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace nakilon {

class DeviceControl;
class Operator;
class RecordTable;

// The options of one run, as the settings tab holds them when the run starts.
struct TransferOptions {
    bool backupMode = false;        // "Cihazlardan yedekleri al"
    std::optional<int32_t> fromDay; // "Tarihinden" as a day number; empty editor: nullopt
    std::optional<int32_t> toDay;   // "Tarihine"
    // Asked before each device: true stops the run there; what was read is
    // saved (nakilon-aktar on a termination signal).
    std::function<bool()> stopRequested;
    // Told when the journal of an interrupted run was found damaged (its
    // readable batches were saved, the operator has been told where its copy
    // is).
    std::function<void()> journalDamaged;
};

// What happened to one marked device, for the unattended transfer's summary.
struct DeviceOutcome {
    int32_t recId = 0;
    std::string name; // CihazAdi, code page 1254
    bool connected = false;
    bool completed = false; // its records were read to the end
    bool stopped = false;   // not contacted: the run was asked to stop first
    int32_t accepted = 0;   // lines written for it
};

// Status texts of the transfer grid (UTF-8; the table holds them in code page 1254).
namespace status {
inline constexpr const char* Connecting = "Baglantı Kuruluyor";
inline constexpr const char* Transferring = "Bilgiler Aktarılıyor...";
inline constexpr const char* Completed = "Aktarım Tamamlandı";
inline constexpr const char* NotConnected = "Bağlantı kurulamadı";
} // namespace status

inline constexpr const char* NoDeviceMarkedText = "En az bir cihaz seçmeniz gerekmektedir";
// The output file may not be one of the program's own files.
inline constexpr const char* OwnFileAsOutputText =
    "Kayıt dosyası programın kendi dosyası olamaz: \"%s\"";
// Shown when a run first completed one that was interrupted; %s the lines.
inline constexpr const char* RecoveredText =
    "Yarım kalmış bir aktarımın %s satırı kayıt dosyasına ve yedek dosyasına yazıldı";

// "Bilgileri Aktar": reads the records of every marked device of `devices`
// through `control` into the output file and the day's backup file.
//
// `today` names the backup file and is taken at the start of the run, so a run
// past midnight still writes into the backup file of its first day. Status and
// progress go to `rows`; the operator is asked to handle events before each
// device.
//
// A run first completes one that was interrupted (the journal in the program
// folder, TransferJournal.h), then keeps each device's lines in that journal,
// flushed to disk, before it contacts the next device. Before a device's
// records are fetched, the disks must have room for what the run will write.
// When a device operation fails part-way, the lines already accepted are still
// written to both files and the link is closed before the error goes on, so no
// record that a terminal has handed out is lost. Throws TransferBusyError when
// another run holds the program folder or the output file.
std::vector<DeviceOutcome> runTransfer(const std::vector<TransferDevice>& devices,
                                       TransferRows& rows, DeviceControl& control,
                                       ProgramValues& values, const TransferOptions& options,
                                       const Date& today, Operator& op);
// The same on the rows of `cihazTable` (TableTransferRows), on one thread.
std::vector<DeviceOutcome> runTransfer(RecordTable& cihazTable, DeviceControl& control,
                                       ProgramValues& values, const TransferOptions& options,
                                       const Date& today, Operator& op);

// The progress percentage: accepted / expected * 100, rounded to the nearest
// integer with halves going to the even one.
int32_t progressPercent(int64_t accepted, int64_t expected);

} // namespace nakilon
