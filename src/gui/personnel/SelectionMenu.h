#pragma once

class QAction;
class QTableView;

namespace nakilon {

class RecordTable;

// The popup menu of a personnel grid: "Tümünü Seç", "Tümünü Kaldır" and
// "Diğerlerini Seç" (the window's actions, named in its .ui) set Secim on
// every row of `table`, each as a command.
void attachSelectionMenu(QTableView* grid, RecordTable& table, QAction* selectAll,
                         QAction* clearAll, QAction* invert);

} // namespace nakilon
