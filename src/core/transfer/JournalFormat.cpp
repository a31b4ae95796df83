#include "core/transfer/JournalFormat.h"

#include "core/base/Crc32c.h"
#include "core/base/FileIdentity.h"
#include "core/base/IntegerText.h"

#include <algorithm>
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

uint64_t mix(uint64_t acc, uint64_t input) {
    return rotl(acc + input * kPrime2, 31) * kPrime1;
}

std::optional<bool> flag(std::string_view text) {
    if (text == "1")
        return true;
    if (text == "0")
        return false;
    return std::nullopt;
}

std::string payloadOf(std::initializer_list<std::string_view> fields) {
    std::string payload;
    for (std::string_view f : fields) {
        payload += std::to_string(f.size());
        payload += ':';
        payload += f;
        payload += ',';
    }
    return payload;
}

std::string headerOf(char type, uint64_t length, uint32_t crc) {
    std::string header = "#";
    header += type;
    header += ' ';
    header += std::to_string(length);
    header += ' ';
    header += hexDigits(crc, 8);
    header += '\n';
    return header;
}

std::string record(char type, std::initializer_list<std::string_view> fields) {
    const std::string payload = payloadOf(fields);
    Crc32c crc;
    crc.add(std::string_view(&type, 1));
    crc.add(payload);
    return headerOf(type, payload.size(), crc.value()) + payload + '\n';
}

std::optional<std::vector<std::string_view>> fieldsOf(std::string_view payload) {
    std::vector<std::string_view> fields;
    while (!payload.empty()) {
        const size_t colon = payload.find(':');
        if (colon == std::string_view::npos || colon > 20)
            return std::nullopt;
        const std::optional<uint64_t> length = parseNumber<uint64_t>(payload.substr(0, colon));
        if (!length || *length >= payload.size() - colon ||
            payload[colon + 1 + static_cast<size_t>(*length)] != ',')
            return std::nullopt;
        fields.push_back(payload.substr(colon + 1, static_cast<size_t>(*length)));
        payload.remove_prefix(colon + 2 + static_cast<size_t>(*length));
    }
    return fields;
}

std::string identityText(const FileIdentity& id) {
    return hexDigits(id.volume, 16) + ":" + hexDigits(id.index, 16);
}

std::optional<FileIdentity> identityFrom(std::string_view text) {
    if (text.size() != 33 || text[16] != ':')
        return std::nullopt;
    const auto volume = parseNumber<uint64_t>(text.substr(0, 16), {.base = 16});
    const auto index = parseNumber<uint64_t>(text.substr(17), {.base = 16});
    if (!volume || !index)
        return std::nullopt;
    return FileIdentity{*volume, *index};
}

JournalRun& runOf(JournalContent& content, std::string_view id) {
    for (JournalRun& run : content.runs)
        if (run.id == id)
            return run;
    content.runs.push_back({});
    content.runs.back().id = std::string(id);
    return content.runs.back();
}

// Puts `item` in place of the one with the same `key`, or at the end: the
// later record of a file counts.
template <typename T, typename Key> void putLatest(std::vector<T>& list, T item, Key T::*key) {
    for (T& existing : list)
        if (existing.*key == item.*key) {
            existing = std::move(item);
            return;
        }
    list.push_back(std::move(item));
}

// Applies one whole record; false when it makes no sense. A record seen
// before (a journal whose content repeats) changes nothing.
bool apply(JournalContent& content, char type, const std::vector<std::string_view>& f) {
    switch (type) {
    case 'R': {
        if (f.size() != 3 || f[0].empty())
            return false;
        JournalRun& run = runOf(content, f[0]);
        if (run.outputFile.empty()) {
            run.outputFile = std::string(f[1]);
            run.backupFile = std::string(f[2]);
        }
        return true;
    }
    case 'T': {
        if (f.size() != 7 || f[0].empty())
            return false;
        const auto sequence = parseNumber<uint64_t>(f[1]);
        const std::optional<bool> readMark = flag(f[3]);
        const auto count = parseNumber<uint64_t>(f[4]);
        const auto print = parseNumber<uint64_t>(f[5], {.base = 16});
        if (!sequence || !readMark || !count || !print)
            return false;
        JournalRun& run = runOf(content, f[0]);
        for (const JournalBatch& b : run.batches)
            if (b.sequence == *sequence)
                return true;
        JournalBatch batch;
        batch.sequence = *sequence;
        batch.delivery = {std::string(f[2]), *count, *print};
        batch.readMark = *readMark;
        batch.lines = std::string(f[6]);
        run.batches.push_back(std::move(batch));
        return true;
    }
    case 'K': {
        const auto sequence = f.size() == 2 ? parseNumber<uint64_t>(f[1]) : std::nullopt;
        if (!sequence)
            return false;
        // A confirmation whose batch was damaged confirms nothing.
        for (JournalRun& run : content.runs)
            if (run.id == f[0])
                for (JournalBatch& b : run.batches)
                    if (b.sequence == *sequence)
                        b.confirmed = true;
        return true;
    }
    case 'P': {
        if (f.size() != 8 || (f[1] != "O" && f[1] != "B") || f[2].empty())
            return false;
        const auto identity = identityFrom(f[3]);
        const auto length = parseNumber<uint64_t>(f[4]);
        const std::optional<bool> join = flag(f[5]);
        const auto bytes = parseNumber<uint64_t>(f[6]);
        const auto crc =
            f[7].size() == 8 ? parseNumber<uint32_t>(f[7], {.base = 16}) : std::nullopt;
        if (!identity || !length || !join || !bytes || !crc)
            return false;
        // A later plan for the same file (recovery appending to a file that
        // changed) replaces the earlier one.
        putLatest(runOf(content, f[0]).plans,
                  FilePlan{f[1][0], std::string(f[2]), *identity, *length, *join, *bytes, *crc},
                  &FilePlan::role);
        return true;
    }
    case 'D': {
        if (f.size() != 2 || (f[1] != "O" && f[1] != "B"))
            return false;
        JournalRun& run = runOf(content, f[0]);
        if (run.done.find(f[1][0]) == std::string::npos)
            run.done += f[1][0];
        return true;
    }
    case 'S': {
        const auto identity = f.size() == 4 ? identityFrom(f[1]) : std::nullopt;
        const auto length = f.size() == 4 ? parseNumber<uint64_t>(f[2]) : std::nullopt;
        const auto modified = f.size() == 4 ? parseNumber<uint64_t>(f[3]) : std::nullopt;
        if (!identity || !length || !modified || f[0].empty())
            return false;
        putLatest(content.known, KnownText{std::string(f[0]), *identity, *length, *modified},
                  &KnownText::target);
        return true;
    }
    case 'N': {
        const auto count = f.size() == 3 ? parseNumber<uint64_t>(f[1]) : std::nullopt;
        const auto print = f.size() == 3 ? parseNumber<uint64_t>(f[2], {.base = 16}) : std::nullopt;
        if (!count || !print)
            return false;
        const Delivery note{std::string(f[0]), *count, *print};
        if (std::find(content.notes.begin(), content.notes.end(), note) == content.notes.end())
            content.notes.push_back(note);
        return true;
    }
    default:
        return false;
    }
}

enum class Frame { Whole, Torn, Bad };

// Reads the frame at `pos`: Whole sets `end`, `type` and `payload`; Torn is
// a frame that the end of the bytes cut short.
Frame frameAt(std::string_view bytes, size_t pos, size_t& end, char& type,
              std::string_view& payload) {
    const std::string_view rest = bytes.substr(pos);
    const auto cut = [&](size_t at) { return at >= rest.size(); };
    if (rest[0] != '#')
        return Frame::Bad;
    if (cut(1))
        return Frame::Torn;
    type = rest[1];
    if (type < 'A' || type > 'Z')
        return Frame::Bad;
    if (cut(2))
        return Frame::Torn;
    if (rest[2] != ' ')
        return Frame::Bad;
    size_t at = 3;
    while (!cut(at) && rest[at] >= '0' && rest[at] <= '9' && at < 23)
        ++at;
    if (cut(at))
        return Frame::Torn;
    const auto length = parseNumber<uint64_t>(rest.substr(3, at - 3));
    if (!length || rest[at] != ' ')
        return Frame::Bad;
    const size_t crcStart = at + 1;
    for (at = crcStart; at < crcStart + 8; ++at) {
        if (cut(at))
            return Frame::Torn;
        const char c = rest[at];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return Frame::Bad;
    }
    if (cut(at))
        return Frame::Torn;
    if (rest[at] != '\n')
        return Frame::Bad;
    const size_t payloadStart = at + 1;
    if (rest.size() - payloadStart <= *length)
        return Frame::Torn;
    if (rest[payloadStart + *length] != '\n')
        return Frame::Bad;
    payload = rest.substr(payloadStart, static_cast<size_t>(*length));
    Crc32c crc;
    crc.add(std::string_view(&type, 1));
    crc.add(payload);
    if (crc.value() != *parseNumber<uint32_t>(rest.substr(crcStart, 8), {.base = 16}))
        return Frame::Bad;
    end = pos + payloadStart + static_cast<size_t>(*length) + 1;
    return Frame::Whole;
}

} // namespace

void DeliveryPrint::add(const LogEntry& e) {
    const DateTime& t = e.time;
    const int32_t values[] = {e.personnelNumber, e.mode,  t.year, t.month, t.day, t.hour,
                              t.minute,          t.second};
    for (int32_t v : values)
        m_state = mix(m_state, static_cast<uint32_t>(v));
    ++m_count;
}

uint64_t DeliveryPrint::value() const {
    uint64_t h = m_state ^ m_count;
    h ^= h >> 33;
    h *= kPrime2;
    h ^= h >> 29;
    h *= kPrime3;
    h ^= h >> 32;
    return h;
}

JournalContent readJournal(std::string_view bytes) {
    JournalContent content;
    size_t pos = 0;
    // A stretch of bytes that no whole frame explains, and whether it began
    // like a record cut short.
    size_t stretch = std::string_view::npos;
    bool stretchTorn = false;
    while (pos < bytes.size()) {
        size_t end = 0;
        char type = 0;
        std::string_view payload;
        const Frame frame = frameAt(bytes, pos, end, type, payload);
        if (frame == Frame::Whole) {
            const std::optional<std::vector<std::string_view>> fields = fieldsOf(payload);
            if (fields && apply(content, type, *fields)) {
                if (stretch != std::string_view::npos)
                    content.damagedBytes += pos - stretch;
                stretch = std::string_view::npos;
                pos = end;
                continue;
            }
        }
        if (stretch == std::string_view::npos) {
            stretch = pos;
            stretchTorn = frame == Frame::Torn;
        }
        const size_t next = bytes.find("\n#", pos);
        pos = next == std::string_view::npos ? bytes.size() : next + 1;
    }
    if (stretch != std::string_view::npos)
        (stretchTorn ? content.tornBytes : content.damagedBytes) += bytes.size() - stretch;
    return content;
}

namespace journal {

std::string runRecord(std::string_view runId, std::string_view outputFile,
                      std::string_view backupFile) {
    return record('R', {runId, outputFile, backupFile});
}

BatchFrame batchFrame(std::string_view runId, const JournalBatch& batch) {
    const Delivery& d = batch.delivery;
    std::string fields =
        payloadOf({runId, std::to_string(batch.sequence), d.terminal, batch.readMark ? "1" : "0",
                   std::to_string(d.count), hexDigits(d.print, 16)});
    fields += std::to_string(batch.lines.size());
    fields += ':';
    const char type = 'T';
    Crc32c crc;
    crc.add(std::string_view(&type, 1));
    crc.add(fields);
    crc.add(batch.lines);
    crc.add(",");
    return {headerOf(type, fields.size() + batch.lines.size() + 1, crc.value()) + fields,
            batch.lines, ",\n"};
}

std::string confirmRecord(std::string_view runId, uint64_t sequence) {
    return record('K', {runId, std::to_string(sequence)});
}

std::string planRecord(std::string_view runId, const FilePlan& p) {
    return record('P', {runId, std::string_view(&p.role, 1), p.target, identityText(p.identity),
                        std::to_string(p.length), p.join ? "1" : "0", std::to_string(p.bytes),
                        hexDigits(p.crc, 8)});
}

std::string doneRecord(std::string_view runId, char role) {
    return record('D', {runId, std::string_view(&role, 1)});
}

std::string noteRecord(const Delivery& note) {
    return record('N', {note.terminal, std::to_string(note.count), hexDigits(note.print, 16)});
}

std::string knownRecord(const KnownText& k) {
    return record('S', {k.target, identityText(k.identity), std::to_string(k.length),
                        std::to_string(k.modified)});
}

std::string serialize(const JournalContent& content) {
    std::string text;
    for (const Delivery& note : content.notes)
        text += noteRecord(note);
    for (const KnownText& known : content.known)
        text += knownRecord(known);
    for (const JournalRun& run : content.runs) {
        if (!run.outputFile.empty())
            text += runRecord(run.id, run.outputFile, run.backupFile);
        for (const JournalBatch& batch : run.batches) {
            const BatchFrame frame = batchFrame(run.id, batch);
            text += frame.head;
            text += frame.lines;
            text += frame.tail;
            if (batch.confirmed)
                text += confirmRecord(run.id, batch.sequence);
        }
        for (const FilePlan& plan : run.plans)
            text += planRecord(run.id, plan);
        for (const char role : run.done)
            text += doneRecord(run.id, role);
    }
    return text;
}

} // namespace journal

} // namespace nakilon
