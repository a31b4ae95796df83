#include "transfer/OutputLine.h"

#include <cstdio>

namespace nakilon {

std::string makeOutputLine(const OutputRecord& r, std::string_view entryText,
                           std::string_view exitText) {
    bool exit = false;
    int32_t modeField = r.mode;
    switch (r.entryExitType) {
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

    char head[32];
    char tail[96];
    const int headLength =
        std::snprintf(head, sizeof head, "%3.3d,%6.6d,", r.deviceNumber, r.personnelNumber);
    const int tailLength =
        std::snprintf(tail, sizeof tail, ",%4.4d/%2.2d/%2.2d,%2.2d:%2.2d:00,%1.1d", r.year, r.month,
                      r.day, r.hour, r.minute, modeField);
    std::string line;
    line.reserve(static_cast<size_t>(headLength + tailLength) + text.size());
    line.append(head, static_cast<size_t>(headLength));
    line.append(text); // byte for byte, NUL bytes and all
    line.append(tail, static_cast<size_t>(tailLength));
    return line;
}

} // namespace nakilon
