#include "emulator/StateFile.h"

#include "core/base/Error.h"
#include "core/base/FileRead.h"
#include "core/base/IntegerText.h"
#include "core/base/SafeWrite.h"
#include "core/base/Text.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <set>
#include <utility>
#include <vector>

namespace nakilon {

namespace {

// The kinds of line of the file, each with its keyword: the reader and the
// writer both spell them from here.
enum class Line {
    Terminal,
    ClockOffset,
    ClockWeekday,
    ClockReadFails,
    Active,
    Log,
    User,
    DownloadFails,
    Enroll,
};

struct LineKeyword {
    Line line;
    std::string_view keyword;
    bool once; // the line may occur once in a file
};

constexpr LineKeyword kLineKeywords[] = {
    {Line::Terminal, "terminal", true},
    {Line::ClockOffset, "clock-offset", true},
    {Line::ClockWeekday, "clock-weekday", true},
    {Line::ClockReadFails, "clock-read-fails", true},
    {Line::Active, "active", true},
    {Line::Log, "log", false},
    {Line::User, "user", false},
    {Line::DownloadFails, "download-fails", false},
    {Line::Enroll, "enroll", false},
};

// The words of a log line's last field.
constexpr std::string_view kNewRecord = "new";
constexpr std::string_view kReadRecord = "read";

// What starts a comment line; the writer puts one naming the program first.
constexpr char kComment = '#';
constexpr std::string_view kHeading = " nakilon-terminal";

constexpr bool listedInOrder() {
    for (size_t i = 0; i < std::size(kLineKeywords); ++i)
        if (static_cast<size_t>(kLineKeywords[i].line) != i)
            return false;
    return true;
}
static_assert(listedInOrder(), "kLineKeywords lists the lines in the order of Line");

std::string_view keywordOf(Line line) {
    return kLineKeywords[static_cast<size_t>(line)].keyword;
}

const LineKeyword* lineOf(std::string_view keyword) {
    const auto* const found =
        std::find_if(std::begin(kLineKeywords), std::end(kLineKeywords),
                     [&](const LineKeyword& k) { return k.keyword == keyword; });
    return found == std::end(kLineKeywords) ? nullptr : found;
}

class LineError {
public:
    explicit LineError(std::string reason) : m_reason(std::move(reason)) {}
    const std::string& reason() const { return m_reason; }

private:
    std::string m_reason;
};

std::vector<std::string_view> splitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    while (true) {
        const size_t space = line.find(' ', start);
        const std::string_view field = line.substr(
            start, space == std::string_view::npos ? std::string_view::npos : space - start);
        if (field.empty())
            throw LineError("alanlar tek boşlukla ayrılmalı");
        fields.push_back(field);
        if (space == std::string_view::npos)
            return fields;
        start = space + 1;
    }
}

int32_t number(std::string_view field) {
    // No "+" and no leading spaces, as the file format wants.
    NumberError error{};
    const std::optional<int32_t> value = parseNumber<int32_t>(field, {.minus = true}, &error);
    if (value)
        return *value;
    if (error == NumberError::OutOfRange)
        throw LineError(formatText("sayı 32 bit aralığının dışında: %.*s",
                                   static_cast<int>(field.size()), field.data()));
    throw LineError(
        formatText("sayı bekleniyordu: %.*s", static_cast<int>(field.size()), field.data()));
}

void expectCount(const std::vector<std::string_view>& fields, size_t count) {
    if (fields.size() != count)
        throw LineError(std::string(fields[0]) + " satırında " + std::to_string(count - 1) +
                        " alan olmalı, " + std::to_string(fields.size() - 1) + " var");
}

bool isBlank(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

// What the lines read so far have named, for the rules between lines.
struct Seen {
    std::set<Line> singleLines;
    std::map<std::pair<int32_t, int32_t>, size_t> users; // user, slot: index
    std::map<int32_t, int32_t> passwords;                // by user number
    std::set<std::pair<int32_t, int32_t>> enrollments;
    std::set<std::pair<int32_t, int32_t>> failingDownloads;
};

// A second line of this kind for one user and slot.
std::string secondLine(std::string_view kind) {
    return "bu kullanıcı ve parmak için ikinci " + std::string(kind) + " satırı";
}

// The index of the user line of this user and slot.
size_t listedEntry(const Seen& seen, int32_t user, int32_t slot, std::string_view kind) {
    const auto it = seen.users.find({user, slot});
    if (it == seen.users.end())
        throw LineError(std::string(kind) + " satırından önce aynı kullanıcı ve parmak için " +
                        std::string(keywordOf(Line::User)) + " satırı gerekir");
    return it->second;
}

// The value of a line that holds one 0 or 1.
bool flag(const std::vector<std::string_view>& fields) {
    expectCount(fields, 2);
    if (fields[1] != "0" && fields[1] != "1")
        throw LineError(std::string(fields[0]) + " değeri 0 ya da 1 olmalı");
    return fields[1] == "1";
}

void parseUser(const std::vector<std::string_view>& f, TerminalState& state, Seen& seen) {
    if (f.size() != 6 && f.size() != 7)
        throw LineError(std::string(f[0]) + " satırında 5 ya da 6 alan olmalı, " +
                        std::to_string(f.size() - 1) + " var");
    UserEntry user{number(f[1]), number(f[2]), number(f[3]), number(f[4]), number(f[5])};
    if (f.size() == 7)
        user.secondMachineNumber = number(f[6]);
    if (!seen.users.emplace(std::pair(user.userNumber, user.slot), state.users.size()).second)
        throw LineError(secondLine(f[0]));
    const auto [password, first] = seen.passwords.emplace(user.userNumber, user.password);
    if (!first && password->second != user.password)
        throw LineError("bir kullanıcının bütün " + std::string(f[0]) +
                        " satırlarında şifre aynı olmalı");
    state.users.push_back(user);
}

void parseLine(std::string_view line, TerminalState& state, Seen& seen) {
    for (char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte > 0x7E)
            throw LineError("satırda ASCII dışı ya da denetim karakteri var");
    }
    const std::vector<std::string_view> f = splitFields(line);
    const std::string_view kind = f[0];
    const LineKeyword* const keyword = lineOf(kind);
    if (!keyword)
        throw LineError(
            formatText("bilinmeyen satır türü: %.*s", static_cast<int>(kind.size()), kind.data()));
    if (keyword->once && !seen.singleLines.insert(keyword->line).second)
        throw LineError(formatText("%.*s satırı ikinci kez geçiyor", static_cast<int>(kind.size()),
                                   kind.data()));
    switch (keyword->line) {
    case Line::Terminal:
        expectCount(f, 3);
        state.machineNumber = number(f[1]);
        state.password = number(f[2]);
        break;
    case Line::ClockOffset:
        expectCount(f, 2);
        state.clockOffsetSeconds = number(f[1]);
        break;
    case Line::ClockWeekday:
        expectCount(f, 2);
        state.clockWeekday = number(f[1]);
        break;
    case Line::ClockReadFails:
        state.clockReadFails = flag(f);
        break;
    case Line::Active:
        state.active = flag(f);
        break;
    case Line::Log: {
        expectCount(f, 10);
        LogRecord record;
        record.personnelNumber = number(f[1]);
        record.mode = number(f[2]);
        record.time.year = number(f[3]);
        record.time.month = number(f[4]);
        record.time.day = number(f[5]);
        record.time.hour = number(f[6]);
        record.time.minute = number(f[7]);
        record.time.second = number(f[8]);
        if (f[9] != kNewRecord && f[9] != kReadRecord)
            throw LineError(formatText("kayıt durumu %.*s ya da %.*s olmalı",
                                       static_cast<int>(kNewRecord.size()), kNewRecord.data(),
                                       static_cast<int>(kReadRecord.size()), kReadRecord.data()));
        record.isNew = f[9] == kNewRecord;
        state.logs.push_back(record);
        break;
    }
    case Line::User:
        parseUser(f, state, seen);
        break;
    case Line::DownloadFails: {
        expectCount(f, 3);
        const int32_t user = number(f[1]);
        const int32_t slot = number(f[2]);
        const size_t index = listedEntry(seen, user, slot, kind);
        if (!seen.failingDownloads.insert({user, slot}).second)
            throw LineError(secondLine(kind));
        state.users[index].downloadFails = true;
        break;
    }
    case Line::Enroll: {
        expectCount(f, 3 + EnrollmentSize);
        Enrollment enrollment;
        enrollment.userNumber = number(f[1]);
        enrollment.slot = number(f[2]);
        for (size_t i = 0; i < EnrollmentSize; ++i)
            enrollment.data[i] = number(f[3 + i]);
        listedEntry(seen, enrollment.userNumber, enrollment.slot, kind);
        if (!seen.enrollments.insert({enrollment.userNumber, enrollment.slot}).second)
            throw LineError(secondLine(kind));
        state.enrollments.push_back(enrollment);
        break;
    }
    }
}

// A line's field: a blank and the number.
void appendField(std::string& out, int64_t value) {
    char buffer[24];
    buffer[0] = ' ';
    const auto [ptr, ec] = std::to_chars(buffer + 1, buffer + sizeof buffer, value);
    (void)ec;
    out.append(buffer, ptr);
}

void appendField(std::string& out, std::string_view word) {
    out += ' ';
    out += word;
}

// A line of the keyword and the fields.
template <typename... Fields>
void appendLine(std::string& out, Line line, const Fields&... fields) {
    out += keywordOf(line);
    (appendField(out, fields), ...);
    out += '\n';
}

} // namespace

TerminalState parseStateText(std::string_view text) {
    TerminalState state;
    Seen seen;
    size_t lineNumber = 0;
    size_t start = 0;
    while (start < text.size()) {
        ++lineNumber;
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (isBlank(line) || line.front() == kComment)
            continue;
        try {
            parseLine(line, state, seen);
        } catch (const LineError& error) {
            throw Error("Durum dosyası satır " + std::to_string(lineNumber) + ": " +
                        error.reason());
        }
    }
    return state;
}

std::string formatStateText(const TerminalState& state) {
    std::string out;
    out.reserve(64 + state.logs.size() * 40 + state.enrollments.size() * 2000);
    out += kComment;
    out += kHeading;
    out += '\n';
    appendLine(out, Line::Terminal, state.machineNumber, state.password);
    appendLine(out, Line::ClockOffset, state.clockOffsetSeconds);
    if (state.clockWeekday)
        appendLine(out, Line::ClockWeekday, *state.clockWeekday);
    if (state.clockReadFails)
        appendLine(out, Line::ClockReadFails, 1);
    appendLine(out, Line::Active, state.active ? 1 : 0);
    for (const LogRecord& r : state.logs)
        appendLine(out, Line::Log, r.personnelNumber, r.mode, r.time.year, r.time.month, r.time.day,
                   r.time.hour, r.time.minute, r.time.second, r.isNew ? kNewRecord : kReadRecord);
    for (const UserEntry& u : state.users) {
        if (u.secondMachineNumber)
            appendLine(out, Line::User, u.userNumber, u.slot, u.privilege, u.enabled, u.password,
                       *u.secondMachineNumber);
        else
            appendLine(out, Line::User, u.userNumber, u.slot, u.privilege, u.enabled, u.password);
    }
    for (const UserEntry& u : state.users)
        if (u.downloadFails)
            appendLine(out, Line::DownloadFails, u.userNumber, u.slot);
    for (const Enrollment& e : state.enrollments) {
        out += keywordOf(Line::Enroll);
        appendField(out, e.userNumber);
        appendField(out, e.slot);
        for (int32_t v : e.data)
            appendField(out, v);
        out += '\n';
    }
    return out;
}

TerminalState readStateFile(const std::string& utf8Name) {
    std::string text;
    try {
        text = readWholeFile(utf8Name);
    } catch (const IoError& error) {
        throw Error(formatText("Durum dosyası okunamadı: %s. %s", utf8Name.c_str(),
                               error.reason().c_str()));
    }
    try {
        return parseStateText(text);
    } catch (const Error& error) {
        throw Error(utf8Name + ": " + error.text());
    }
}

void writeStateFile(const std::string& utf8Name, const TerminalState& state) {
    try {
        writeFileAtomic(utf8Name, formatStateText(state));
    } catch (const IoError& error) {
        throw Error(formatText("Durum dosyası yazılamadı: %s. %s", utf8Name.c_str(),
                               error.reason().c_str()));
    }
}

} // namespace nakilon
