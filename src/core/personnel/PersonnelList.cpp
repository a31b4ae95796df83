#include "core/personnel/PersonnelList.h"

#include "core/base/FilePaths.h"
#include "core/personnel/HeldViews.h"
#include "core/tables/FieldNames.h"
#include "core/tables/RecordTable.h"
#include "core/tables/TDataModul.h"

namespace nakilon {

namespace {

int32_t newSelection(SelectionChange change, int32_t old) {
    switch (change) {
    case SelectionChange::SelectAll:
        return 1;
    case SelectionChange::ClearAll:
        return 0;
    case SelectionChange::Invert:
        // Only 1 is a mark: every other value (empty, 0, or one typed by hand
        // such as 2 or -1) is an unselected row, which becomes selected.
        return old == 1 ? 0 : 1;
    }
    return old;
}

} // namespace

void changeSelection(RecordTable& table, SelectionChange change) {
    HeldViews held(table);
    const Bookmark mark = table.bookmark();
    for (table.first(); !table.eof(); table.next()) {
        table.edit();
        table.setInteger(field::Secim, newSelection(change, table.asInteger(field::Secim)));
        table.post();
    }
    table.gotoBookmark(mark);
}

void setRowSelection(RecordTable& table, int row, bool selected) {
    table.moveTo(row);
    table.edit();
    table.setInteger(field::Secim, selected ? 1 : 0);
    table.post();
}

void editCell(RecordTable& table, int row, std::string_view fieldName, std::string_view text) {
    table.moveTo(row);
    table.edit();
    table.setText(fieldName, text);
}

void savePersonnelList(RecordTable& personel, std::string_view programFolder) {
    if (personel.state() == TableState::Edit || personel.state() == TableState::Insert)
        personel.post();
    personel.saveToFile(programFile(programFolder, TDataModul::personelFile()));
}

} // namespace nakilon
