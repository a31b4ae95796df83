#pragma once

#include "core/base/Operator.h"
#include "core/tables/RecordTable.h"
#include "emulator/TerminalState.h"

#include <string>
#include <vector>

namespace nakilon::testsupport {

// Keeps the messages a command shows; questions are answered No.
class MessageLog : public Operator {
public:
    std::vector<std::string> messages;
    void information(const std::string& text) override { messages.push_back(text); }
    bool confirm(const std::string&) override { return false; }
    void processEvents() override {}
    void repaintTransferGrid() override {}
};

inline UserEntry userEntry(int32_t user, int32_t slot, int32_t privilege = 0, int32_t password = 0,
                           int32_t enabled = 1) {
    UserEntry entry;
    entry.userNumber = user;
    entry.slot = slot;
    entry.privilege = privilege;
    entry.enabled = enabled;
    entry.password = password;
    return entry;
}

// An enrollment whose numbers tell user and slot apart: element k is
// user * 10000 + slot * 1000 + k, element 0 is -1 and element 353 the
// lowest 32-bit number.
inline EnrollmentData enrollmentOf(int32_t user, int32_t slot) {
    EnrollmentData data{};
    for (size_t k = 0; k < data.size(); ++k)
        data[k] = user * 10000 + slot * 1000 + static_cast<int32_t>(k);
    data[0] = -1;
    data[353] = -2147483647 - 1;
    return data;
}

inline Enrollment enrollment(int32_t user, int32_t slot) {
    Enrollment e;
    e.userNumber = user;
    e.slot = slot;
    e.data = enrollmentOf(user, slot);
    return e;
}

// One row of a personnel or buffer table as text: the values of the fields
// in order, separated by one space, "-" for an empty field.
inline std::string rowText(const RecordTable& table, int row) {
    std::string text;
    for (int f = 0; f < table.recIdField(); ++f) {
        if (f > 0)
            text += ' ';
        text += table.isNull(row, f) ? "-" : table.textAt(row, f);
    }
    return text;
}

inline std::vector<std::string> rowTexts(const RecordTable& table) {
    std::vector<std::string> rows;
    for (int row = 0; row < table.rowCount(); ++row)
        rows.push_back(rowText(table, row));
    return rows;
}

} // namespace nakilon::testsupport
