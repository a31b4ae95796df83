#pragma once

#include "core/base/FileAppend.h"
#include "core/base/FileLock.h"
#include "core/transfer/JournalFormat.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nakilon {

// The pending-lines journal of the transfer run, a file in the program
// folder (its records: JournalFormat.h). A terminal marks the records it
// hands out as read, so from that moment the program alone holds them; the
// journal keeps them on disk until both the output file and the backup file
// of the run's day have them.
//
// A run appends, in this order: each terminal's lines (the first time with
// the run's id and the names of its two files), flushed before the terminal
// is told they are stored and before the next terminal is contacted; a
// confirmation once the terminal has been told; at the end a plan for each
// of the two files (which file it is, its length, what the run appends),
// flushed; then the lines are appended to the output file, flushed, marked
// done in the journal, and appended to the backup file; finally the journal
// is cleared. The next run first completes whatever the journal holds
// (JournalRecovery.h).
//
// Why a crash at any instant neither loses a line nor writes one twice, in
// short (the long form: docs/transfer-journal.md):
// - Lines reach a file only after its plan is on disk. Without a plan the
//   file has none of them; with one, the file as recovery finds it tells how
//   much it has: its recorded length (none), that length and a start of the
//   planned bytes (the rest is appended), or the length plus all of them
//   (done). A file that is no longer the one planned, or is shorter, was
//   changed by the payroll side: the lines are appended to it as it is now,
//   once, under a new plan; earlier content is never written back.
// - Every record is framed with its length and a CRC-32C. A record a crash
//   cut short at the end is dropped whole; it was never confirmed, so a
//   terminal that lets the mark wait still holds those records as unread.
//   Damage inside the journal costs only the damaged records: the reader
//   finds the next whole frame, the journal is kept as a copy and the
//   operator is told. Batches carry the run's id and a sequence number, so
//   a journal whose content repeats delivers each batch once.
// - A terminal that may have missed its confirmation is noted with the count
//   and fingerprint of what it delivered; when it delivers the same records
//   again at the head of its next batch, they were not marked and are left
//   out that time.
// The terminal maker's component marks the records inside the fetch itself;
// with it, the moment between that mark and the flush of the terminal's lines
// cannot be protected by the program.
class TransferJournal {
public:
    static constexpr std::string_view FileName = "Aktarim.gunluk";

    // `programFolder` (UTF-8) ends in a separator.
    explicit TransferJournal(std::string programFolder);
    ~TransferJournal();
    TransferJournal(const TransferJournal&) = delete;
    TransferJournal& operator=(const TransferJournal&) = delete;

    const std::string& fileName() const { return m_fileName; }
    const std::string& programFolder() const { return m_programFolder; }
    const std::string& runId() const { return m_runId; }

    // Takes the lock that keeps two runs of the program folder apart; false
    // when another run still holds it after `wait`. Throws Error when the lock
    // file cannot be opened.
    bool lock(std::chrono::milliseconds wait);

    // What the journal holds (an empty content when there is none); keeps its
    // notes and its unconfirmed deliveries for clear(). Throws IoError.
    JournalContent load(std::string& bytes);
    // Puts `content` in place of the journal's bytes (a damaged journal's
    // readable records). Throws IoError.
    void rewrite(const JournalContent& content);

    // The deliveries of earlier runs that the terminal may not have marked.
    std::vector<Delivery> notesFor(std::string_view terminal) const;
    // The terminal delivered a noted delivery again: it is settled.
    void settleNote(const Delivery& note);

    // An output file as the last run left it, if the journal knows it; and
    // the file as this run leaves it (kept with the notes).
    const KnownText* known(std::string_view target) const;
    void remember(const KnownText& known);

    // Appends a terminal's batch of this run (its sequence number is given
    // here) and flushes it. Throws IoError.
    void addBatch(const std::string& outputFile, const std::string& backupFile,
                  JournalBatch& batch);
    // The terminal has been told its records are stored. Not flushed: a lost
    // confirmation only leaves the delivery in doubt. Throws IoError.
    void addConfirmation(uint64_t sequence);
    bool hasBatches() const { return m_batches > 0; }
    // Batches, notes or known files: what clear() has to write or settle.
    bool holdsAnything() const { return m_batches > 0 || !m_notes.empty() || !m_known.empty(); }

    // A run's plans for its files, flushed (`runId` empty: this run's).
    // Throws IoError.
    void addPlans(std::string_view runId, const std::vector<FilePlan>& plans);
    // A file has the run's lines, flushed. Throws IoError.
    void addDone(std::string_view runId, char role);

    // Clears the journal once the files have the lines. Deliveries in doubt
    // stay noted: this run's unconfirmed ones, and earlier ones whose terminal
    // is still to be read (`pendingTerminals`: the device list's terminals
    // that this run did not read to the end; none given: keep all). A note of
    // a terminal that was read, or that left the list, is settled.
    // Throws IoError.
    void clear(const std::optional<std::vector<std::string>>& pendingTerminals = std::nullopt);

private:
    AppendingFile& file();

    std::string m_programFolder;
    std::string m_fileName;
    std::string m_runId;
    std::unique_ptr<FileLock> m_lock;
    std::unique_ptr<AppendingFile> m_file;
    std::vector<Delivery> m_notes; // from earlier runs
    std::vector<KnownText> m_known;
    std::vector<Delivery> m_unconfirmed; // read-marked deliveries without a confirmation
    std::vector<JournalBatch> m_open;    // this run's batches, without lines
    uint64_t m_batches = 0;
};

} // namespace nakilon
