#pragma once

#include "core/base/Error.h"
#include "core/tables/RecordTable.h"

#include <gtest/gtest.h>

#include <string>

namespace nakilon::testsupport {

// The text of the nakilon::Error that `action` raises, or "<no error>".
template <typename F> std::string errorText(F&& action) {
    try {
        action();
    } catch (const Error& e) {
        return e.text();
    }
    return "<no error>";
}

// Appends and posts a device record with a number and a name.
inline void addDevice(RecordTable& table, int32_t number, const std::string& name) {
    table.append();
    table.setInteger("CihazNo", number);
    table.setText("CihazAdi", name);
    table.post();
}

} // namespace nakilon::testsupport
