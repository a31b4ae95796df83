#include "gui/models/GridSetup.h"

#include "core/tables/RecordTable.h"
#include "gui/models/CurrentRowLink.h"
#include "gui/models/RecordTableModel.h"
#include "gui/widgets/ChoiceDelegate.h"
#include "gui/widgets/LineEditDelegate.h"
#include "gui/widgets/ProgressDelegate.h"

#include <QHeaderView>
#include <QTableView>

namespace nakilon {

CurrentRowLink* setUpGrid(QTableView* view, RecordTableModel* model) {
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->verticalHeader()->hide();
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 8);
    view->horizontalHeader()->setHighlightSections(false);
    // Tab leaves the grid for the next control; the arrows move inside it.
    view->setTabKeyNavigation(false);
    for (int column = 0; column < model->columnCount(); ++column) {
        const GridColumn& definition = model->column(column);
        view->setColumnHidden(column, definition.hidden);
        if (definition.kind == GridColumn::Kind::Progress)
            view->setItemDelegateForColumn(column, new ProgressDelegate(view));
        if (!definition.editable)
            continue;
        const RecordTable& table = model->table();
        const bool text = table.field(table.fieldIndex(definition.field)).type == FieldType::Text;
        if (definition.kind == GridColumn::Kind::Choice)
            view->setItemDelegateForColumn(column, new ChoiceDelegate(definition.choices, view));
        else if (definition.kind == GridColumn::Kind::Plain)
            view->setItemDelegateForColumn(
                column,
                new LineEditDelegate(
                    text ? LineEditDelegate::Kind::Text : LineEditDelegate::Kind::Integer, view));
    }
    return new CurrentRowLink(model, view);
}

} // namespace nakilon
