#pragma once

#include "core/tables/RecordTable.h"

#include <gtest/gtest.h>

#include <string>

namespace nakilon::testsupport {

// A name and a number, as "C1". Appended, not "C" + std::to_string(number):
// GCC 12 at -O3 warns of that (-Wrestrict) where nothing overlaps.
inline std::string numbered(std::string name, int number) {
    name += std::to_string(number);
    return name;
}

// Appends and posts a device record with a number and a name.
inline void addDevice(RecordTable& table, int32_t number, const std::string& name) {
    table.append();
    table.setInteger("CihazNo", number);
    table.setText("CihazAdi", name);
    table.post();
}

} // namespace nakilon::testsupport
