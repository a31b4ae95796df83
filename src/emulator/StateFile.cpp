#include "emulator/StateFile.h"

#include "core/base/Error.h"
#include "core/base/FileIo.h"
#include "core/base/Text.h"

#include <charconv>
#include <map>
#include <set>
#include <utility>
#include <vector>

namespace nakilon {

namespace {

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
    int32_t value = 0;
    const char* begin = field.data();
    const char* end = begin + field.size();
    // from_chars takes no "+" and no leading spaces, as the file format wants.
    const auto [ptr, ec] = std::from_chars(begin, end, value);
    if (ec == std::errc::result_out_of_range)
        throw LineError(formatText("sayı 32 bit aralığının dışında: %.*s",
                                   static_cast<int>(field.size()), field.data()));
    if (ec != std::errc() || ptr != end)
        throw LineError(
            formatText("sayı bekleniyordu: %.*s", static_cast<int>(field.size()), field.data()));
    return value;
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
    std::set<std::string> singleLines;
    std::map<std::pair<int32_t, int32_t>, size_t> users; // user, slot: index
    std::map<int32_t, int32_t> passwords;                // by user number
    std::set<std::pair<int32_t, int32_t>> enrollments;
    std::set<std::pair<int32_t, int32_t>> failingDownloads;
};

// The index of the user line of this user and slot.
size_t listedEntry(const Seen& seen, int32_t user, int32_t slot, std::string_view kind) {
    const auto it = seen.users.find({user, slot});
    if (it == seen.users.end())
        throw LineError(std::string(kind) +
                        " satırından önce aynı kullanıcı ve parmak için user satırı gerekir");
    return it->second;
}

void parseLine(std::string_view line, TerminalState& state, Seen& seen) {
    for (char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte > 0x7E)
            throw LineError("satırda ASCII dışı ya da denetim karakteri var");
    }
    const std::vector<std::string_view> f = splitFields(line);
    const std::string_view kind = f[0];
    if (kind == "terminal" || kind == "clock-offset" || kind == "clock-weekday" ||
        kind == "clock-read-fails" || kind == "active") {
        if (!seen.singleLines.insert(std::string(kind)).second)
            throw LineError(formatText("%.*s satırı ikinci kez geçiyor",
                                       static_cast<int>(kind.size()), kind.data()));
    }
    if (kind == "terminal") {
        expectCount(f, 3);
        state.machineNumber = number(f[1]);
        state.password = number(f[2]);
    } else if (kind == "clock-offset") {
        expectCount(f, 2);
        state.clockOffsetSeconds = number(f[1]);
    } else if (kind == "clock-weekday") {
        expectCount(f, 2);
        state.clockWeekday = number(f[1]);
    } else if (kind == "clock-read-fails" || kind == "active") {
        expectCount(f, 2);
        if (f[1] != "0" && f[1] != "1")
            throw LineError(std::string(kind) + " değeri 0 ya da 1 olmalı");
        (kind == "active" ? state.active : state.clockReadFails) = f[1] == "1";
    } else if (kind == "log") {
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
        if (f[9] != "new" && f[9] != "read")
            throw LineError("kayıt durumu new ya da read olmalı");
        record.isNew = f[9] == "new";
        state.logs.push_back(record);
    } else if (kind == "user") {
        if (f.size() != 6 && f.size() != 7)
            throw LineError("user satırında 5 ya da 6 alan olmalı, " +
                            std::to_string(f.size() - 1) + " var");
        UserEntry user{number(f[1]), number(f[2]), number(f[3]), number(f[4]), number(f[5])};
        if (f.size() == 7)
            user.secondMachineNumber = number(f[6]);
        if (!seen.users.emplace(std::pair(user.userNumber, user.slot), state.users.size()).second)
            throw LineError("bu kullanıcı ve parmak için ikinci user satırı");
        const auto [password, first] = seen.passwords.emplace(user.userNumber, user.password);
        if (!first && password->second != user.password)
            throw LineError("bir kullanıcının bütün user satırlarında şifre aynı olmalı");
        state.users.push_back(user);
    } else if (kind == "download-fails") {
        expectCount(f, 3);
        const int32_t user = number(f[1]);
        const int32_t slot = number(f[2]);
        const size_t index = listedEntry(seen, user, slot, kind);
        if (!seen.failingDownloads.insert({user, slot}).second)
            throw LineError("bu kullanıcı ve parmak için ikinci download-fails satırı");
        state.users[index].downloadFails = true;
    } else if (kind == "enroll") {
        expectCount(f, 3 + EnrollmentSize);
        Enrollment enrollment;
        enrollment.userNumber = number(f[1]);
        enrollment.slot = number(f[2]);
        for (size_t i = 0; i < EnrollmentSize; ++i)
            enrollment.data[i] = number(f[3 + i]);
        listedEntry(seen, enrollment.userNumber, enrollment.slot, kind);
        if (!seen.enrollments.insert({enrollment.userNumber, enrollment.slot}).second)
            throw LineError("bu kullanıcı ve parmak için ikinci enroll satırı");
        state.enrollments.push_back(enrollment);
    } else {
        throw LineError(
            formatText("bilinmeyen satır türü: %.*s", static_cast<int>(kind.size()), kind.data()));
    }
}

void appendNumber(std::string& out, int64_t value) {
    char buffer[24];
    const auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    (void)ec;
    out.append(buffer, ptr);
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
        if (isBlank(line) || line.front() == '#')
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
    out += "# nakilon-terminal\n";
    out += "terminal ";
    appendNumber(out, state.machineNumber);
    out += ' ';
    appendNumber(out, state.password);
    out += "\nclock-offset ";
    appendNumber(out, state.clockOffsetSeconds);
    if (state.clockWeekday) {
        out += "\nclock-weekday ";
        appendNumber(out, *state.clockWeekday);
    }
    if (state.clockReadFails)
        out += "\nclock-read-fails 1";
    out += state.active ? "\nactive 1\n" : "\nactive 0\n";
    for (const LogRecord& r : state.logs) {
        out += "log";
        for (int32_t v : {r.personnelNumber, r.mode, r.time.year, r.time.month, r.time.day,
                          r.time.hour, r.time.minute, r.time.second}) {
            out += ' ';
            appendNumber(out, v);
        }
        out += r.isNew ? " new\n" : " read\n";
    }
    for (const UserEntry& u : state.users) {
        out += "user";
        for (int32_t v : {u.userNumber, u.slot, u.privilege, u.enabled, u.password}) {
            out += ' ';
            appendNumber(out, v);
        }
        if (u.secondMachineNumber) {
            out += ' ';
            appendNumber(out, *u.secondMachineNumber);
        }
        out += '\n';
    }
    for (const UserEntry& u : state.users) {
        if (!u.downloadFails)
            continue;
        out += "download-fails ";
        appendNumber(out, u.userNumber);
        out += ' ';
        appendNumber(out, u.slot);
        out += '\n';
    }
    for (const Enrollment& e : state.enrollments) {
        out += "enroll ";
        appendNumber(out, e.userNumber);
        out += ' ';
        appendNumber(out, e.slot);
        for (int32_t v : e.data) {
            out += ' ';
            appendNumber(out, v);
        }
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
