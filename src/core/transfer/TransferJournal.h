#pragma once

#include "core/base/FileIo.h"
#include "core/base/FileLock.h"
#include "core/device/LogEntry.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace nakilon {

// The pending-lines journal of the transfer run, a file in the program
// folder. A terminal marks the records it hands out as read, so from that
// moment the program alone holds them; the journal keeps them on disk until
// both the output file and the backup file of the run's day have them.
//
// A run appends, in this order: each terminal's accepted lines (the first
// time together with the names of the run's two files), flushed to disk
// before the terminal is told they are stored and before the next terminal
// is contacted; a confirmation when the terminal has been told; then for the
// output file and afterwards for the backup file a commit naming a complete,
// flushed copy of the file's new content; and finally it clears the journal.
// The next run, in the window or in nakilon-aktar, first completes whatever
// the journal still holds.
//
// Why a crash at any instruction neither loses a line nor writes one twice:
// - Before a file's commit is in the journal, the file has not received the
//   run's lines: they reach it only through the copy that the commit names.
//   Recovery then adds the lines to the file as it finds it, once.
// - After the commit, the copy exists exactly as long as the file has not
//   received it: a rename consumes it in one step, and a file written in
//   place loses its copy only after it is flushed (writing the same bytes in
//   place twice gives the same file). Recovery puts a copy that still exists
//   in place and leaves the file alone when the copy is gone.
// - The output file and the backup file have a commit each, the output file's
//   first, so a crash between the two renames finds the output's copy gone
//   and the backup's copy (or no backup commit) still there: only the backup
//   file receives the lines then.
// - The journal is cleared (replaced in one rename) only after both files are
//   done; a crash before it finds both copies gone and nothing to do.
// - Every record carries its length and a checksum. A record that a crash or
//   a full disk cut short fails them and is dropped whole, with everything
//   after it: no line is ever replayed from half a record. A torn record was
//   never followed by a confirmation, so a terminal that lets the mark wait
//   still holds those records as unread.
// - A terminal that may have missed its confirmation (a crash between the
//   flush and the terminal's answer, or a link that broke then) is noted with
//   the count and fingerprint of what it delivered. If it delivers the same
//   records again at the head of its next batch, they were not marked and are
//   left out that time.
// The terminal maker's component marks the records inside the fetch itself;
// with it, the moment between that mark and the flush of the terminal's lines
// cannot be protected by the program.

// What one fetch delivered: the terminal, and the number and fingerprint of
// the records, filtered ones included.
struct Delivery {
    std::string device;
    uint64_t count = 0;
    uint64_t print = 0;
    bool operator==(const Delivery&) const = default;
};

// Builds a delivery's fingerprint record by record.
class DeliveryPrint {
public:
    void add(const LogEntry& entry);
    uint64_t count() const { return m_count; }
    uint64_t value() const;

private:
    uint64_t m_count = 0;
    uint64_t m_state = 0x6a09e667f3bcc909ULL;
};

// One terminal's share of a run.
struct JournalBatch {
    Delivery delivery;
    bool readMark = false; // the records were marked read (not backup mode)
    std::string lines;     // each line followed by CR LF
    bool confirmed = false;
};

// A file's commit: which file, and the copy that holds its new content.
struct JournalCommit {
    char role = 'O'; // 'O' the output file, 'B' the backup file
    PreparedWrite write;
};

// What a journal file holds, read up to its first damaged record.
struct JournalContent {
    bool hasRun = false;
    std::string outputFile;
    std::string backupFile;
    std::vector<JournalBatch> batches;
    std::vector<JournalCommit> commits;
    std::vector<Delivery> notes; // deliveries in doubt from earlier runs
    size_t wholeBytes = 0;       // the bytes of whole records; the rest is torn
};
JournalContent readJournalText(std::string_view bytes);

class TransferJournal {
public:
    static constexpr std::string_view FileName = "Aktarim.gunluk";

    // `programFolder` (UTF-8) ends in a separator.
    explicit TransferJournal(std::string programFolder);
    ~TransferJournal();
    TransferJournal(const TransferJournal&) = delete;
    TransferJournal& operator=(const TransferJournal&) = delete;

    const std::string& fileName() const { return m_fileName; }

    // Takes the lock that keeps two runs of the program folder apart; false
    // when another run still holds it after `wait`. Throws Error when the lock
    // file cannot be opened.
    bool lock(std::chrono::milliseconds wait);

    // Completes the run the journal holds, if any: its lines go into the
    // output file and into the backup file of their own day, exactly once,
    // and the journal is cleared. Returns the number of lines when a file
    // received them now (0 when both had them already). Throws Error
    // (the journal stays) when a file cannot be read or written, and
    // TransferBusyError when another run holds that output file.
    size_t recover();

    // A delivery of an earlier run that the terminal may not have marked.
    const Delivery* noteFor(std::string_view device) const;

    // Appends a terminal's batch and flushes it to disk. Throws IoError.
    void addBatch(const std::string& outputFile, const std::string& backupFile,
                  const JournalBatch& batch);
    // The terminal has been told its records are stored. Not flushed: a lost
    // confirmation only leaves the delivery in doubt.
    void addConfirmation(const std::string& device);
    bool hasBatches() const { return !m_batches.empty(); }

    // Writes one of the run's files through a commit (above). Throws IoError.
    void commitFile(char role, const std::string& fileName, std::string_view content);
    // Clears the journal once both files are written; deliveries in doubt stay
    // noted. Throws IoError.
    void clear();

    // Removes the temporary copies that crashed runs left: those of the output
    // file, of the backup files and of the journal, and those of the program
    // folder's other files whose process has ended. Call while both the
    // journal's and the output file's lock are held. Returns how many.
    int removeLeftovers(const std::string& outputFile, const std::string& backupFile);

private:
    AppendingFile& file();
    void restart(const JournalContent& content);

    std::string m_programFolder;
    std::string m_fileName;
    std::unique_ptr<FileLock> m_lock;
    std::unique_ptr<AppendingFile> m_file;
    std::vector<Delivery> m_notes;
    std::vector<JournalBatch> m_batches; // without their lines
};

} // namespace nakilon
