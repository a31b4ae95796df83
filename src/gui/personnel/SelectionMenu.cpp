#include "gui/personnel/SelectionMenu.h"

#include "core/personnel/PersonnelList.h"
#include "gui/widgets/Command.h"

#include <QAction>
#include <QMenu>
#include <QTableView>

namespace nakilon {

void attachSelectionMenu(QTableView* grid, RecordTable& table, QAction* selectAll,
                         QAction* clearAll, QAction* invert) {
    auto* menu = new QMenu(grid);
    menu->setObjectName(QStringLiteral("SecimMenu"));
    const std::pair<QAction*, SelectionChange> items[] = {
        {selectAll, SelectionChange::SelectAll},
        {clearAll, SelectionChange::ClearAll},
        {invert, SelectionChange::Invert},
    };
    for (const auto& [action, change] : items) {
        menu->addAction(action);
        QObject::connect(action, &QAction::triggered, grid, [grid, &table, change = change] {
            runCommand(grid, [&] { changeSelection(table, change); });
        });
    }
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(grid, &QWidget::customContextMenuRequested, menu,
                     [grid, menu](QPoint at) { menu->popup(grid->viewport()->mapToGlobal(at)); });
}

} // namespace nakilon
