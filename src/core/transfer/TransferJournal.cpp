#include "core/transfer/TransferJournal.h"

#include "core/base/Error.h"
#include "core/base/FileAppend.h"
#include "core/base/FilePaths.h"
#include "core/base/FileRead.h"
#include "core/base/FilesAndFolders.h"
#include "core/base/SafeWrite.h"
#include "core/base/Text.h"

#include <algorithm>
#include <chrono>
#include <random>

namespace nakilon {

namespace {

// Unique among the runs one journal ever sees: time and chance together.
std::string newRunId() {
    std::random_device chance;
    const uint64_t now = static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch() /
                                               std::chrono::microseconds(1));
    const uint64_t value = now ^ (static_cast<uint64_t>(chance()) << 32) ^ chance();
    return formatText("%016llx", static_cast<unsigned long long>(value));
}

bool contains(const std::vector<Delivery>& list, const Delivery& d) {
    return std::find(list.begin(), list.end(), d) != list.end();
}

} // namespace

TransferJournal::TransferJournal(std::string programFolder)
    : m_programFolder(std::move(programFolder)), m_fileName(programFile(m_programFolder, FileName)),
      m_runId(newRunId()) {}

TransferJournal::~TransferJournal() = default;

bool TransferJournal::lock(std::chrono::milliseconds wait) {
    const std::string lockName = m_fileName + ".lock";
    try {
        m_lock = std::make_unique<FileLock>(lockName, wait);
    } catch (const IoError& e) {
        throw Error(formatText("Cannot open file \"%s\". %s", messageQuote(lockName).c_str(),
                               e.reason().c_str()));
    }
    if (!m_lock->locked()) {
        m_lock.reset();
        return false;
    }
    return true;
}

AppendingFile& TransferJournal::file() {
    if (!m_file)
        m_file = std::make_unique<AppendingFile>(m_fileName);
    return *m_file;
}

JournalContent TransferJournal::load(std::string& bytes) {
    bytes.clear();
    if (!fileExists(m_fileName) && !folderExists(m_fileName))
        return {};
    bytes = readWholeFile(m_fileName);
    JournalContent content = readJournal(bytes);
    m_notes = content.notes;
    m_known = content.known;
    for (const JournalRun& run : content.runs)
        for (const JournalBatch& batch : run.batches)
            if (batch.readMark && !batch.confirmed && batch.delivery.count > 0 &&
                !contains(m_unconfirmed, batch.delivery))
                m_unconfirmed.push_back(batch.delivery);
    return content;
}

void TransferJournal::rewrite(const JournalContent& content) {
    m_file.reset();
    writeFileAtomic(m_fileName, journal::serialize(content));
}

std::vector<Delivery> TransferJournal::notesFor(std::string_view terminal) const {
    std::vector<Delivery> notes;
    for (const Delivery& note : m_notes)
        if (note.terminal == terminal)
            notes.push_back(note);
    return notes;
}

void TransferJournal::settleNote(const Delivery& note) {
    m_notes.erase(std::remove(m_notes.begin(), m_notes.end(), note), m_notes.end());
}

const KnownText* TransferJournal::known(std::string_view target) const {
    for (const KnownText& k : m_known)
        if (k.target == target)
            return &k;
    return nullptr;
}

void TransferJournal::remember(const KnownText& known) {
    std::erase_if(m_known, [&](const KnownText& k) { return k.target == known.target; });
    m_known.push_back(known);
}

void TransferJournal::addBatch(const std::string& outputFile, const std::string& backupFile,
                               JournalBatch& batch) {
    batch.sequence = m_batches + 1;
    const std::string start =
        m_batches == 0 ? journal::runRecord(m_runId, outputFile, backupFile) : std::string();
    const journal::BatchFrame frame = journal::batchFrame(m_runId, batch);
    AppendingFile& journal = file();
    const uint64_t before = journal.size();
    journal.append({start, frame.head, frame.lines, frame.tail});
    try {
        journal.sync();
    } catch (const IoError&) {
        // Not on disk for sure: take the record back, so that the terminal
        // may hand the records out again without their lines being written
        // twice. When even that fails the record stands, unconfirmed: a
        // delivery in doubt (its lines reach the files either way).
        try {
            journal.cutBack(before);
        } catch (const IoError&) {
            ++m_batches;
            if (batch.readMark && batch.delivery.count > 0)
                m_unconfirmed.push_back(batch.delivery);
            return;
        }
        throw;
    }
    ++m_batches;
    m_open.push_back({batch.sequence, batch.delivery, batch.readMark, {}, batch.confirmed});
}

void TransferJournal::addConfirmation(uint64_t sequence) {
    file().append(journal::confirmRecord(m_runId, sequence));
    for (JournalBatch& batch : m_open)
        if (batch.sequence == sequence)
            batch.confirmed = true;
}

void TransferJournal::addPlans(std::string_view runId, const std::vector<FilePlan>& plans) {
    std::string records;
    for (const FilePlan& plan : plans)
        records += journal::planRecord(runId.empty() ? m_runId : runId, plan);
    file().append(records);
    file().sync();
}

void TransferJournal::addDone(std::string_view runId, char role) {
    file().append(journal::doneRecord(runId.empty() ? m_runId : runId, role));
    file().sync();
}

void TransferJournal::clear(const std::optional<std::vector<std::string>>& pendingTerminals) {
    std::vector<Delivery> notes;
    for (const Delivery& note : m_notes) {
        const bool pending =
            !pendingTerminals || std::find(pendingTerminals->begin(), pendingTerminals->end(),
                                           note.terminal) != pendingTerminals->end();
        if (pending && !contains(notes, note))
            notes.push_back(note);
    }
    for (const JournalBatch& batch : m_open)
        if (batch.readMark && !batch.confirmed && batch.delivery.count > 0)
            m_unconfirmed.push_back(batch.delivery);
    for (const Delivery& d : m_unconfirmed)
        if (!contains(notes, d))
            notes.push_back(d);

    m_file.reset();
    if (notes.empty() && m_known.empty()) {
        removeFile(m_fileName);
    } else {
        std::string text;
        for (const Delivery& note : notes)
            text += journal::noteRecord(note);
        for (const KnownText& known : m_known)
            text += journal::knownRecord(known);
        writeFileAtomic(m_fileName, text);
    }
    m_notes = std::move(notes);
    m_unconfirmed.clear();
    m_open.clear();
    m_batches = 0;
    m_runId = newRunId();
}

} // namespace nakilon
