// Feeds arbitrary bytes to the table file loader of the device and personnel
// tables. A load either succeeds or fails with nakilon::Error; either way the
// table must stay usable, and what loaded must save and load again to the
// very same bytes.

#include "core/base/Error.h"
#include "core/tables/TDataModul.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

void exercise(nakilon::RecordTable& table, std::string_view bytes) {
    table.open();
    try {
        table.loadFromText(bytes);
    } catch (const nakilon::Error&) {
        // The records before the failing line stay, browsing.
    }
    check(table.isOpen() && table.state() == nakilon::TableState::Browse);
    check(!table.viewsSuspended());
    check(table.rowCount() == 0 ? table.currentRow() == -1 : table.currentRow() == 0);

    const std::string first = table.saveToText();
    const int rows = table.rowCount();
    table.loadFromText(first); // must not throw: the saved text is well formed
    check(table.rowCount() == rows);
    check(table.saveToText() == first);

    // Still usable for an ordinary edit.
    table.append();
    table.setInteger(table.field(0).name, 1);
    table.post();
    check(table.rowCount() == rows + 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    nakilon::TDataModul modul;
    exercise(modul.CihazTable, bytes);
    exercise(modul.PersonelTable, bytes);
    return 0;
}
