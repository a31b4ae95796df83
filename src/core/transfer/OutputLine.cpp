#include "core/transfer/OutputLine.h"

#include <cstdint>

namespace nakilon {

namespace {

// printf's "%N.Nd": a minus sign for a negative number, then at least
// `digits` digits, zero-padded; never cut. A million lines per run make
// printf itself too slow here. Returns the end of what was written.
char* putPadded(char* out, int32_t value, size_t digits) {
    char reversed[outputwidth::Widest];
    size_t length = 0;
    uint32_t magnitude =
        value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    do {
        reversed[length++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0)
        *out++ = '-';
    for (size_t pad = length; pad < digits; ++pad)
        *out++ = '0';
    while (length > 0)
        *out++ = reversed[--length];
    return out;
}

} // namespace

void makeOutputLine(std::string& line, const OutputRecord& record, std::string_view entryText,
                    std::string_view exitText) {
    const LogEntry& r = record.entry;
    const DateTime& t = r.time;
    bool exit = false;
    int32_t modeField = r.mode;
    switch (record.entryExitType) {
    case 0: {
        // C++ division truncates and % takes the dividend's sign, which is the
        // byte arithmetic the payroll side has always received.
        const int32_t secondByte = (r.mode / 256) % 256;
        exit = secondByte == 5 || secondByte == 7;
        modeField = r.mode % 256;
        break;
    }
    case 2:
        exit = true;
        break;
    default:
        break;
    }
    const std::string_view text = exit ? exitText : entryText;

    using namespace outputwidth;
    // Every number takes at most `Widest` bytes, so each part fits its buffer.
    char head[2 * Widest + 2];
    char* p = putPadded(head, record.deviceNumber, DeviceNumber);
    *p++ = ',';
    p = putPadded(p, r.personnelNumber, PersonnelNumber);
    *p++ = ',';
    line.assign(head, static_cast<size_t>(p - head));
    line.append(text); // byte for byte

    char tail[6 * Widest + 16]; // six numbers and what stands between them
    p = tail;
    *p++ = ',';
    p = putPadded(p, t.year, Year);
    *p++ = '/';
    p = putPadded(p, t.month, Month);
    *p++ = '/';
    p = putPadded(p, t.day, Day);
    *p++ = ',';
    p = putPadded(p, t.hour, Hour);
    *p++ = ':';
    p = putPadded(p, t.minute, Minute);
    for (const char c : std::string_view(":00,"))
        *p++ = c;
    p = putPadded(p, modeField, Mode);
    line.append(tail, static_cast<size_t>(p - tail));
}

std::string makeOutputLine(const OutputRecord& record, std::string_view entryText,
                           std::string_view exitText) {
    std::string line;
    makeOutputLine(line, record, entryText, exitText);
    return line;
}

} // namespace nakilon
