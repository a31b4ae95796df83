#include "core/personnel/EnrollmentFile.h"

#include "core/base/AtomicBatchWrite.h"
#include "core/base/Error.h"
#include "core/base/FileIo.h"
#include "core/base/IntegerText.h"
#include "core/base/Text.h"

#include <charconv>
#include <limits>

namespace nakilon {

namespace {

int32_t elementOf(std::string_view line) {
    const std::optional<int64_t> value = parseInteger(line);
    if (!value || *value < std::numeric_limits<int32_t>::min() ||
        *value > std::numeric_limits<int32_t>::max())
        return 0;
    return static_cast<int32_t>(*value);
}

std::string createFailureText(const std::string& name, const std::string& reason) {
    return formatText("Cannot create file \"%s\". %s", name.c_str(), reason.c_str());
}

} // namespace

std::string enrollmentFileName(std::string_view programFolder, int32_t userNumber, int32_t slot) {
    return programFile(programFolder, "Data\\Parmak-" + std::to_string(userNumber) + "-" +
                                          std::to_string(slot) + ".Piz");
}

std::string enrollmentText(const EnrollmentData& data) {
    std::string text;
    text.reserve(data.size() * 13); // "-2147483648\r\n" is the longest line
    char buffer[16];
    for (const int32_t value : data) {
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
        text.append(buffer, result.ptr);
        text += "\r\n";
    }
    return text;
}

EnrollmentData parseEnrollmentText(std::string_view text) {
    EnrollmentData data{};
    size_t k = 0;
    size_t pos = 0;
    // A line end at the very end starts no further line; a missing line is 0
    // all the same, so the loop simply stops at the end of the text.
    while (k < data.size() && pos < text.size()) {
        const size_t end = text.find_first_of("\r\n", pos);
        const std::string_view line =
            text.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
        data[k++] = elementOf(line);
        if (end == std::string_view::npos)
            break;
        pos = end + 1;
        if (text[end] == '\r' && pos < text.size() && text[pos] == '\n')
            ++pos;
    }
    return data;
}

void writeEnrollmentFile(std::string_view programFolder, int32_t userNumber, int32_t slot,
                         const EnrollmentData& data) {
    const std::string name = enrollmentFileName(programFolder, userNumber, slot);
    try {
        writeFileAtomic(name, enrollmentText(data));
    } catch (const IoError& e) {
        throw Error(createFailureText(name, e.reason()));
    }
}

void addEnrollmentFile(AtomicBatchWrite& batch, std::string_view programFolder, int32_t userNumber,
                       int32_t slot, const EnrollmentData& data) {
    try {
        batch.add(enrollmentFileName(programFolder, userNumber, slot), enrollmentText(data));
    } catch (const BatchWriteError& e) {
        throw Error(createFailureText(e.fileName(), e.reason()));
    }
}

void commitEnrollmentFiles(AtomicBatchWrite& batch) {
    try {
        batch.commit();
    } catch (const BatchWriteError& e) {
        throw Error(createFailureText(e.fileName(), e.reason()));
    }
}

std::optional<EnrollmentData> readEnrollmentFile(std::string_view programFolder, int32_t userNumber,
                                                 int32_t slot) {
    const std::string name = enrollmentFileName(programFolder, userNumber, slot);
    if (!fileExists(name))
        return std::nullopt;
    try {
        return parseEnrollmentText(readWholeFile(name));
    } catch (const IoError& e) {
        throw Error(formatText("Cannot open file \"%s\". %s", name.c_str(), e.reason().c_str()));
    }
}

std::string enrollmentListText(const std::vector<EnrollmentSlot>& slots, size_t listed) {
    std::string text;
    for (size_t i = 0; i < slots.size() && i < listed; ++i)
        text += "\nPersonel No " + std::to_string(slots[i].userNumber) + ", parmak kaydı " +
                std::to_string(slots[i].slot);
    if (slots.size() > listed)
        text += "\n... ve " + std::to_string(slots.size() - listed) + " kayıt daha";
    return text;
}

} // namespace nakilon
