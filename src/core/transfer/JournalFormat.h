#pragma once

#include "core/base/FileIdentity.h"
#include "core/device/LogEntry.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nakilon {

// The records of the transfer journal (TransferJournal.h) and how they sit in
// the file. Each record is a frame:
//
//   "#<type> <payload length> <CRC-32C of type and payload, 8 hex digits>\n"
//   "<payload>\n"
//
// and its payload a sequence of fields, each "<length>:<bytes>,". A frame
// starts a line, so a reader that meets a damaged one finds the next at the
// next "\n#" whose frame is whole.

// What one fetch delivered: the terminal, and the number and fingerprint of
// the records, filtered ones included.
struct Delivery {
    std::string terminal;
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
    uint64_t sequence = 0; // 1, 2, ... within the run
    Delivery delivery;
    bool readMark = false; // the records were marked read (not backup mode)
    std::string lines;     // each line followed by CR LF
    bool confirmed = false;
    bool operator==(const JournalBatch&) const = default;
};

// Recorded before a run's lines go into one of its files: which file it was
// then, how long, and what the run appends to it.
struct FilePlan {
    char role = 'O';    // 'O' the output file, 'B' the backup file
    std::string target; // links followed (UTF-8)
    FileIdentity identity;
    uint64_t length = 0; // the file's length before the lines
    bool join = false;   // its last line had no break: the lines follow a CR LF
    uint64_t bytes = 0;  // how many bytes the run appends
    uint32_t crc = 0;    // their CRC-32C
    bool operator==(const FilePlan&) const = default;
};

// An output file as a run left it, all its line breaks CR LF: while it is
// still so, the next run need not read it through to know.
struct KnownText {
    std::string target;
    FileIdentity identity;
    uint64_t length = 0;
    uint64_t modified = 0;
    bool operator==(const KnownText&) const = default;
};

struct JournalRun {
    std::string id;
    std::string outputFile; // empty when the run's own record was damaged
    std::string backupFile;
    std::vector<JournalBatch> batches;
    std::vector<FilePlan> plans;
    std::string done; // the roles whose file has the lines, flushed
    bool operator==(const JournalRun&) const = default;
};

// What a journal file holds, every whole record once.
struct JournalContent {
    std::vector<JournalRun> runs;
    std::vector<Delivery> notes;  // deliveries in doubt from earlier runs
    std::vector<KnownText> known; // output files as runs left them
    uint64_t damagedBytes = 0;    // bytes between whole records that no frame explains
    uint64_t tornBytes = 0;       // the start of a record that a crash cut short, at the end
    bool operator==(const JournalContent&) const = default;
};

JournalContent readJournal(std::string_view bytes);

namespace journal {
std::string runRecord(std::string_view runId, std::string_view outputFile,
                      std::string_view backupFile);
// A batch's frame in three pieces, the lines (the bulk) written from where
// they are: the header and fields, the lines, the end.
struct BatchFrame {
    std::string head;
    std::string_view lines;
    std::string_view tail;
};
BatchFrame batchFrame(std::string_view runId, const JournalBatch& batch);
std::string confirmRecord(std::string_view runId, uint64_t sequence);
std::string planRecord(std::string_view runId, const FilePlan& plan);
std::string doneRecord(std::string_view runId, char role);
std::string noteRecord(const Delivery& note);
std::string knownRecord(const KnownText& known);
// A whole journal holding `content`, as a damaged one is rewritten.
std::string serialize(const JournalContent& content);
} // namespace journal

} // namespace nakilon
