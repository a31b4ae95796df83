#pragma once

#include "core/device/ConnectionProcedure.h"
#include "core/tables/RecordTable.h"
#include "emulator/TerminalState.h"

#include <sstream>
#include <string>
#include <vector>

namespace nakilon::testsupport {

// A device row's values that reach the in-process terminal at 127.0.0.1:port.
inline ConnectionValues ethernet(int32_t port, int32_t machineNumber) {
    return {ConnectionEthernet, machineNumber, "127.0.0.1", port, "0"};
}

// A user list entry: user, slot, privilege, password (enabled).
inline UserEntry userEntry(int32_t user, int32_t slot, int32_t privilege = 0,
                           int32_t password = 0) {
    UserEntry entry;
    entry.userNumber = user;
    entry.slot = slot;
    entry.privilege = privilege;
    entry.password = password;
    return entry;
}

// Numbers that tell user and slot apart: element k is user * 10000 + slot *
// 1000 + k, but element 0 is -1 and element 353 the lowest 32-bit number.
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

// Rows as text: each row's fields in order (RecId left out), separated by one
// space, "-" for an empty field.
inline std::vector<std::string> rowTexts(const RecordTable& table) {
    std::vector<std::string> rows;
    for (int row = 0; row < table.rowCount(); ++row) {
        std::string text;
        for (int f = 0; f < table.recIdField(); ++f) {
            if (f)
                text += ' ';
            text += table.isNull(row, f) ? "-" : table.textAt(row, f);
        }
        rows.push_back(text);
    }
    return rows;
}

// Appends rows written as rowTexts gives them.
inline void appendRows(RecordTable& table, const std::vector<std::string>& rows) {
    for (const std::string& row : rows) {
        std::istringstream in(row);
        table.append();
        std::string value;
        for (int f = 0; f < table.recIdField() && in >> value; ++f)
            if (value != "-")
                table.setText(table.field(f).name, value);
        table.post();
    }
}

} // namespace nakilon::testsupport
