#pragma once

#include <string_view>

namespace nakilon {

class RecordTable;

// The three items of the selection menu of the personnel grids.
enum class SelectionChange {
    SelectAll, // "Tümünü Seç": every Secim becomes 1
    ClearAll,  // "Tümünü Kaldır": every Secim becomes 0
    Invert,    // "Diğerlerini Seç": 1 becomes 0, anything else (empty too) 1
};

// Sets Secim on every row of `table` (PersonelTable or PersonelTampon), each
// row edited and posted in turn; the grids keep their place meanwhile and the
// row that was current is current again afterwards.
void changeSelection(RecordTable& table, SelectionChange change);

// The "Seçim" box of a row: the row becomes current and the mark is posted at
// once, in memory only.
void setRowSelection(RecordTable& table, int row, bool selected);

// An edited grid cell: the row becomes current and goes into edit state (an
// edit of another row ends first), and the field takes the text, code page
// 1254 (an integer field reads it as a number, an empty text empties it). The
// row stays in edit state until it is posted, cancelled or left.
void editCell(RecordTable& table, int row, std::string_view fieldName, std::string_view text);

// "Değişiklikleri Diske Kaydet": posts the row being edited or inserted, then
// writes the whole list to Data\Personel.PDT of the program folder. A failed
// write leaves the list in memory and the old file as they were.
void savePersonnelList(RecordTable& personel, std::string_view programFolder);

} // namespace nakilon
