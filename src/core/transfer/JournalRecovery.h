#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace nakilon {

class TransferJournal;

// What completing an interrupted run did, for the operator.
struct RecoveryReport {
    size_t lines = 0;                    // lines that reached a file now (0: the files had them)
    uint64_t damagedBytes = 0;           // bytes of the journal that could not be read
    std::string damagedCopy;             // where the damaged journal was kept (UTF-8)
    std::vector<std::string> redirected; // texts about lines sent to another file
};

// Completes the runs the journal holds, if any: their lines go into the
// output file and into the backup file of their own day, exactly once, and
// the journal is cleared. `outputNow` and `backupNow` are the files the
// settings name now: they receive the lines of a file that can no longer be
// written. A damaged journal is kept as "Aktarim.gunluk.bozuk-<time>" and
// its readable batches are delivered. Throws Error (the journal stays) when a
// file cannot be read or written, and TransferBusyError when another run
// holds a file.
RecoveryReport recoverTransfer(TransferJournal& journal, const std::string& outputNow,
                               const std::string& backupNow);

// The operator's texts for a report (none when nothing happened).
std::vector<std::string> recoveryTexts(const RecoveryReport& report);

} // namespace nakilon
