#include "core/transfer/TransferJournal.h"

#include "core/base/Error.h"
#include "core/base/Text.h"
#include "core/transfer/OutputTexts.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <optional>

namespace nakilon {

namespace {

constexpr uint64_t kPrime1 = 0x9E3779B185EBCA87ULL;
constexpr uint64_t kPrime2 = 0xC2B2AE3D27D4EB4FULL;
constexpr uint64_t kPrime3 = 0x165667B19E3779F9ULL;

constexpr uint64_t rotl(uint64_t x, int r) {
    return (x << r) | (x >> (64 - r));
}

uint64_t round(uint64_t acc, uint64_t input) {
    return rotl(acc + input * kPrime2, 31) * kPrime1;
}

uint64_t avalanche(uint64_t h) {
    h ^= h >> 33;
    h *= kPrime2;
    h ^= h >> 29;
    h *= kPrime3;
    h ^= h >> 32;
    return h;
}

uint64_t load64(const char* p) {
    uint64_t v = 0;
    std::memcpy(&v, p, 8);
    return v;
}

// A record's checksum: fast enough for the lines of a million records, and
// sure to tell a torn or overwritten record from a whole one. Fed in pieces,
// so that a batch's lines need not be copied next to its other fields first.
class Checksum {
public:
    Checksum(char type, uint64_t total)
        : m_total(total), m_stripeBytes(total >= 32 ? total / 32 * 32 : 0) {
        m_h = static_cast<uint64_t>(static_cast<unsigned char>(type)) * kPrime3;
        m_v[0] = m_h + kPrime1 + kPrime2;
        m_v[1] = m_h + kPrime2;
        m_v[2] = m_h;
        m_v[3] = m_h - kPrime1;
    }

    void add(std::string_view bytes) {
        while (!bytes.empty() && m_fed + m_buffered < m_stripeBytes) {
            if (m_buffered == 0 && bytes.size() >= 32) {
                const uint64_t n =
                    std::min<uint64_t>(bytes.size() / 32 * 32, m_stripeBytes - m_fed);
                stripes(bytes.data(), static_cast<size_t>(n));
                m_fed += n;
                bytes.remove_prefix(static_cast<size_t>(n));
                continue;
            }
            const size_t take = std::min(bytes.size(), 32 - m_buffered);
            std::memcpy(m_buffer + m_buffered, bytes.data(), take);
            m_buffered += take;
            bytes.remove_prefix(take);
            if (m_buffered == 32) {
                stripes(m_buffer, 32);
                m_fed += 32;
                m_buffered = 0;
            }
        }
        m_tail.append(bytes); // fewer than 32 bytes after the stripes
    }

    uint64_t finish() const {
        uint64_t h = m_h;
        if (m_stripeBytes > 0) {
            h = rotl(m_v[0], 1) + rotl(m_v[1], 7) + rotl(m_v[2], 12) + rotl(m_v[3], 18);
            for (uint64_t lane : m_v)
                h = (h ^ round(0, lane)) * kPrime1 + kPrime3;
        }
        h += m_total;
        const char* p = m_tail.data();
        const char* const end = p + m_tail.size();
        for (; end - p >= 8; p += 8)
            h = rotl(h ^ round(0, load64(p)), 27) * kPrime1 + kPrime3;
        for (; p < end; ++p)
            h = rotl(h ^ (static_cast<unsigned char>(*p) * kPrime1), 11) * kPrime2;
        return avalanche(h);
    }

private:
    void stripes(const char* p, size_t n) {
        for (const char* end = p + n; p < end; p += 32)
            for (int i = 0; i < 4; ++i)
                m_v[i] = round(m_v[i], load64(p + 8 * i));
    }

    uint64_t m_total;
    uint64_t m_stripeBytes;
    uint64_t m_fed = 0;
    uint64_t m_h = 0;
    uint64_t m_v[4] = {};
    char m_buffer[32] = {};
    size_t m_buffered = 0;
    std::string m_tail;
};

uint64_t checksum(char type, std::string_view bytes) {
    Checksum sum(type, bytes.size());
    sum.add(bytes);
    return sum.finish();
}

std::string hex64(uint64_t value) {
    static const char digits[] = "0123456789abcdef";
    std::string text(16, '0');
    for (int i = 15; i >= 0; --i, value >>= 4)
        text[static_cast<size_t>(i)] = digits[value & 15];
    return text;
}

std::optional<uint64_t> parseNumber(std::string_view text, int base) {
    if (text.empty() || text.size() > (base == 16 ? 16u : 19u))
        return std::nullopt;
    uint64_t value = 0;
    for (char c : text) {
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        if (digit < 0)
            return std::nullopt;
        value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    }
    return value;
}

// A record: "#<type> <length> <checksum>\n<payload>\n". The payload is a
// sequence of fields, each "<length>:<bytes>,".
std::string payloadOf(std::initializer_list<std::string_view> fields) {
    size_t size = 0;
    for (std::string_view f : fields)
        size += f.size() + 22;
    std::string payload;
    payload.reserve(size);
    for (std::string_view f : fields) {
        payload += std::to_string(f.size());
        payload += ':';
        payload += f;
        payload += ',';
    }
    return payload;
}

std::string headerOf(char type, uint64_t length, uint64_t sum) {
    std::string header = "#";
    header += type;
    header += ' ';
    header += std::to_string(length);
    header += ' ';
    header += hex64(sum);
    header += '\n';
    return header;
}

std::string headerOf(char type, std::string_view payload) {
    return headerOf(type, payload.size(), checksum(type, payload));
}

std::string record(char type, std::initializer_list<std::string_view> fields) {
    const std::string payload = payloadOf(fields);
    return headerOf(type, payload) + payload + '\n';
}

std::optional<std::vector<std::string_view>> fieldsOf(std::string_view payload) {
    std::vector<std::string_view> fields;
    while (!payload.empty()) {
        const size_t colon = payload.find(':');
        if (colon == std::string_view::npos)
            return std::nullopt;
        const std::optional<uint64_t> length = parseNumber(payload.substr(0, colon), 10);
        if (!length || *length > payload.size() - colon - 1 ||
            payload.size() - colon - 1 - *length < 1 || payload[colon + 1 + *length] != ',')
            return std::nullopt;
        fields.push_back(payload.substr(colon + 1, *length));
        payload.remove_prefix(colon + 2 + *length);
    }
    return fields;
}

std::string noteRecord(const Delivery& note) {
    return record('N', {note.device, std::to_string(note.count), hex64(note.print)});
}

// Applies one whole record to the content; false when it makes no sense.
bool apply(JournalContent& content, char type, const std::vector<std::string_view>& f) {
    const auto flag = [](std::string_view text) -> std::optional<bool> {
        if (text == "1")
            return true;
        if (text == "0")
            return false;
        return std::nullopt;
    };
    switch (type) {
    case 'R':
        if (f.size() != 2)
            return false;
        content.hasRun = true;
        content.outputFile = std::string(f[0]);
        content.backupFile = std::string(f[1]);
        return true;
    case 'T': {
        if (f.size() != 5)
            return false;
        const std::optional<bool> readMark = flag(f[1]);
        const std::optional<uint64_t> count = parseNumber(f[2], 10);
        const std::optional<uint64_t> print = parseNumber(f[3], 16);
        if (!readMark || !count || !print)
            return false;
        JournalBatch batch;
        batch.delivery = {std::string(f[0]), *count, *print};
        batch.readMark = *readMark;
        batch.lines = std::string(f[4]);
        content.batches.push_back(std::move(batch));
        return true;
    }
    case 'K':
        if (f.size() != 1)
            return false;
        for (auto it = content.batches.rbegin(); it != content.batches.rend(); ++it) {
            if (it->delivery.device == f[0]) {
                it->confirmed = true;
                break;
            }
        }
        return true;
    case 'C': {
        if (f.size() != 4 || (f[0] != "O" && f[0] != "B") || f[2].empty())
            return false;
        const std::optional<bool> inPlace = flag(f[3]);
        if (!inPlace)
            return false;
        JournalCommit commit;
        commit.role = f[0][0];
        commit.write.target = std::string(f[1]);
        commit.write.copy = std::string(f[2]);
        commit.write.inPlace = *inPlace;
        content.commits.push_back(std::move(commit));
        return true;
    }
    case 'N': {
        if (f.size() != 3)
            return false;
        const std::optional<uint64_t> count = parseNumber(f[1], 10);
        const std::optional<uint64_t> print = parseNumber(f[2], 16);
        if (!count || !print)
            return false;
        content.notes.push_back({std::string(f[0]), *count, *print});
        return true;
    }
    default:
        return false;
    }
}

bool looksLikeBackupName(std::string_view name) {
    // YYYY-MM-DD.txt
    if (name.size() != 14 || name.substr(10) != ".txt" || name[4] != '-' || name[7] != '-')
        return false;
    for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (name[i] < '0' || name[i] > '9')
            return false;
    return true;
}

JournalBatch withoutLines(const JournalBatch& batch) {
    JournalBatch kept;
    kept.delivery = batch.delivery;
    kept.readMark = batch.readMark;
    kept.confirmed = batch.confirmed;
    return kept;
}

std::filesystem::path folderOf(const std::filesystem::path& path) {
    return (path.parent_path() / "").lexically_normal();
}

// Recovery trusts a commit only for the run's own file, with a copy of the
// program's own naming beside that file or in the program folder: a damaged
// journal must not move other files about.
bool commitBelongs(const JournalCommit& commit, const std::string& file,
                   const std::string& programFolder) {
    const std::filesystem::path target = pathFromUtf8(commit.write.target);
    const std::filesystem::path copy = pathFromUtf8(commit.write.copy);
    const std::optional<TemporaryName> name = parseTemporaryName(pathToUtf8(copy.filename()));
    return commit.write.target == resolvedFileName(file) && name &&
           name->name == pathToUtf8(target.filename()) &&
           (folderOf(copy) == folderOf(target) ||
            folderOf(copy) == (pathFromUtf8(programFolder) / "").lexically_normal());
}

std::string lockFileOf(const std::string& outputFile) {
    return resolvedFileName(outputFile) + ".lock";
}

} // namespace

void DeliveryPrint::add(const LogEntry& e) {
    const DateTime& t = e.time;
    const int32_t values[] = {e.personnelNumber, e.mode,  t.year, t.month, t.day, t.hour,
                              t.minute,          t.second};
    for (int32_t v : values)
        m_state = round(m_state, static_cast<uint32_t>(v));
    ++m_count;
}

uint64_t DeliveryPrint::value() const {
    return avalanche(m_state ^ m_count);
}

JournalContent readJournalText(std::string_view bytes) {
    JournalContent content;
    size_t pos = 0;
    while (pos < bytes.size()) {
        // "#<type> <length> <checksum>\n"
        if (bytes.size() - pos < 3 || bytes[pos] != '#' || bytes[pos + 2] != ' ')
            break;
        const char type = bytes[pos + 1];
        const size_t lengthStart = pos + 3;
        const size_t space = bytes.find(' ', lengthStart);
        if (space == std::string_view::npos || space - lengthStart > 19)
            break;
        const std::optional<uint64_t> length =
            parseNumber(bytes.substr(lengthStart, space - lengthStart), 10);
        const size_t payloadStart = space + 1 + 16 + 1;
        if (!length || payloadStart > bytes.size() || bytes[payloadStart - 1] != '\n')
            break;
        const std::optional<uint64_t> sum = parseNumber(bytes.substr(space + 1, 16), 16);
        if (!sum || *length >= bytes.size() - payloadStart || bytes[payloadStart + *length] != '\n')
            break;
        const std::string_view payload = bytes.substr(payloadStart, *length);
        if (checksum(type, payload) != *sum)
            break;
        const std::optional<std::vector<std::string_view>> fields = fieldsOf(payload);
        if (!fields || !apply(content, type, *fields))
            break;
        pos = payloadStart + *length + 1;
        content.wholeBytes = pos;
    }
    return content;
}

TransferJournal::TransferJournal(std::string programFolder)
    : m_programFolder(std::move(programFolder)),
      m_fileName(programFile(m_programFolder, FileName)) {}

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

const Delivery* TransferJournal::noteFor(std::string_view device) const {
    for (const Delivery& note : m_notes)
        if (note.device == device)
            return &note;
    return nullptr;
}

void TransferJournal::restart(const JournalContent& content) {
    m_notes = content.notes;
    m_batches.clear();
    for (const JournalBatch& batch : content.batches)
        m_batches.push_back(withoutLines(batch));
}

size_t TransferJournal::recover() {
    std::string bytes;
    if (!fileExists(m_fileName) && !folderExists(m_fileName))
        return 0;
    try {
        bytes = readWholeFile(m_fileName);
    } catch (const IoError& e) {
        throw Error(formatText("Cannot open file \"%s\". %s", messageQuote(m_fileName).c_str(),
                               e.reason().c_str()));
    }
    const JournalContent content = readJournalText(bytes);
    restart(content);
    const auto cannotCreate = [](const std::string& name, const IoError& e) {
        return Error(formatText("Yarım kalan aktarım tamamlanamadı: Cannot create file \"%s\". %s",
                                messageQuote(name).c_str(), e.reason().c_str()));
    };
    if (content.batches.empty() || !content.hasRun) {
        // Nothing to complete: a torn first batch, or notes alone.
        if (content.wholeBytes != bytes.size() || content.hasRun || !content.commits.empty() ||
            !content.batches.empty()) {
            m_batches.clear();
            try {
                clear();
            } catch (const IoError& e) {
                throw cannotCreate(m_fileName, e);
            }
        }
        return 0;
    }
    // Cut a torn tail off first, so that the commits appended below follow
    // the last whole record.
    if (content.wholeBytes != bytes.size()) {
        m_file.reset();
        try {
            writeFileAtomic(m_fileName, std::string_view(bytes).substr(0, content.wholeBytes));
        } catch (const IoError& e) {
            throw cannotCreate(m_fileName, e);
        }
    }

    // Another program folder may write the same output file.
    std::unique_ptr<FileLock> outputLock;
    try {
        outputLock = std::make_unique<FileLock>(
            lockFileOf(content.outputFile),
            std::chrono::milliseconds(OutputTexts::kLockWaitMilliseconds));
    } catch (const IoError&) {
        // A folder that takes no new files has no lock file: this program
        // folder's own lock still keeps its runs apart.
    }
    if (outputLock && !outputLock->locked())
        throw TransferBusyError();

    std::string lines;
    size_t lineCount = 0;
    for (const JournalBatch& batch : content.batches) {
        lines += batch.lines;
        for (size_t at = batch.lines.find("\r\n"); at != std::string::npos;
             at = batch.lines.find("\r\n", at + 2))
            ++lineCount;
    }
    bool wrote = false;
    for (const char role : {'O', 'B'}) {
        const std::string& name = role == 'O' ? content.outputFile : content.backupFile;
        const JournalCommit* commit = nullptr;
        for (const JournalCommit& c : content.commits)
            if (c.role == role && commitBelongs(c, name, m_programFolder))
                commit = &c;
        try {
            if (commit) {
                if (fileExists(commit->write.copy)) {
                    completeFileWrite(commit->write);
                    wrote = true;
                }
                continue;
            }
            std::string text = OutputTexts::loadText(name);
            appendLines(text, lines);
            commitFile(role, name, text);
            wrote = true;
        } catch (const IoError& e) {
            throw cannotCreate(name, e);
        }
    }
    try {
        clear();
    } catch (const IoError&) {
        // Both files are complete; the next run finds nothing left to do.
    }
    // A run that had written both files before it stopped leaves nothing to
    // tell.
    return wrote ? lineCount : 0;
}

void TransferJournal::addBatch(const std::string& outputFile, const std::string& backupFile,
                               const JournalBatch& batch) {
    std::string start;
    if (m_batches.empty())
        start = record('R', {outputFile, backupFile});
    // The lines, the bulk of the record, are written from where they are.
    const Delivery& d = batch.delivery;
    std::string fields =
        payloadOf({d.device, batch.readMark ? "1" : "0", std::to_string(d.count), hex64(d.print)});
    fields += std::to_string(batch.lines.size());
    fields += ':';
    const uint64_t length = fields.size() + batch.lines.size() + 1;
    Checksum sum('T', length);
    sum.add(fields);
    sum.add(batch.lines);
    sum.add(",");
    start += headerOf('T', length, sum.finish());
    AppendingFile& journal = file();
    const uint64_t before = journal.size();
    journal.append({start, fields, batch.lines, ",\n"});
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
            m_batches.push_back(withoutLines(batch));
            return;
        }
        throw;
    }
    m_batches.push_back(withoutLines(batch));
}

void TransferJournal::addConfirmation(const std::string& device) {
    file().append(record('K', {device}));
    for (auto it = m_batches.rbegin(); it != m_batches.rend(); ++it) {
        if (it->delivery.device == device) {
            it->confirmed = true;
            break;
        }
    }
}

void TransferJournal::commitFile(char role, const std::string& fileName, std::string_view content) {
    const PreparedWrite write = prepareFileWrite(fileName, content, m_programFolder);
    try {
        file().append(record('C', {std::string_view(&role, 1), write.target, write.copy,
                                   write.inPlace ? "1" : "0"}));
    } catch (...) {
        discardFileWrite(write);
        throw;
    }
    // From here the commit may be on disk: the copy stays until it is in
    // place, also when this fails (the next run completes it then).
    file().sync();
    completeFileWrite(write);
}

void TransferJournal::clear() {
    // Deliveries that a terminal may not have marked: those of this run that
    // were never confirmed, and the earlier ones of terminals not read again.
    std::vector<Delivery> notes;
    for (const Delivery& note : m_notes) {
        bool readAgain = false;
        for (const JournalBatch& batch : m_batches)
            readAgain = readAgain || (batch.readMark && batch.delivery.device == note.device);
        if (!readAgain)
            notes.push_back(note);
    }
    for (const JournalBatch& batch : m_batches)
        if (batch.readMark && !batch.confirmed && batch.delivery.count > 0)
            notes.push_back(batch.delivery);

    m_file.reset();
    if (notes.empty()) {
        removeFile(m_fileName);
    } else {
        std::string text;
        for (const Delivery& note : notes)
            text += noteRecord(note);
        writeFileAtomic(m_fileName, text);
    }
    m_notes = std::move(notes);
    m_batches.clear();
}

int TransferJournal::removeLeftovers(const std::string& outputFile, const std::string& backupFile) {
    const std::filesystem::path output = pathFromUtf8(resolvedFileName(outputFile));
    const std::string outputName = pathToUtf8(output.filename());
    const std::string journalName(FileName);
    int removed = 0;
    removed +=
        removeLeftoverTemporaries(pathToUtf8(output.has_parent_path() ? output.parent_path() : "."),
                                  [&](const TemporaryName& t) { return t.name == outputName; });
    const std::filesystem::path backupFolder = pathFromUtf8(backupFile).parent_path();
    removed += removeLeftoverTemporaries(pathToUtf8(backupFolder), [](const TemporaryName& t) {
        return looksLikeBackupName(t.name) || !processIsRunning(t.process);
    });
    // The program folder also holds the copies of files written in place.
    removed += removeLeftoverTemporaries(m_programFolder, [&](const TemporaryName& t) {
        return t.name == journalName || t.name == outputName || looksLikeBackupName(t.name) ||
               !processIsRunning(t.process);
    });
    removed +=
        removeLeftoverTemporaries(programFile(m_programFolder, "Data"), [](const TemporaryName& t) {
            return !processIsRunning(t.process);
        });
    return removed;
}

} // namespace nakilon
