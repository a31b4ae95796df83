#include "gui/models/CurrentRowLink.h"

#include "core/tables/RecordTable.h"
#include "gui/models/RecordTableModel.h"
#include "gui/widgets/Command.h"

#include <QAbstractItemView>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>

namespace nakilon {

CurrentRowLink::CurrentRowLink(RecordTableModel* model, QAbstractItemView* view)
    : QObject(view), m_table(model->table()), m_model(model), m_view(view) {
    m_table.addObserver(this);
    connect(m_view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current, const QModelIndex&) { viewMoved(current); });
    followTable();
}

CurrentRowLink::~CurrentRowLink() {
    m_table.removeObserver(this);
}

void CurrentRowLink::currentChanged(int) {
    followTable();
}

void CurrentRowLink::resetEnds() {
    followTable();
}

void CurrentRowLink::followTable() {
    if (!m_model || m_table.viewsSuspended())
        return;
    const int row = m_table.currentRow();
    QItemSelectionModel* selection = m_view->selectionModel();
    if (row < 0 || row >= m_model->rowCount()) {
        m_moving = true;
        selection->clear();
        m_moving = false;
        return;
    }
    // Keep the operator's column when the row changes under it.
    int column = selection->currentIndex().column();
    auto* tableView = qobject_cast<QTableView*>(m_view);
    if (column < 0 || (tableView && tableView->isColumnHidden(column))) {
        column = 0;
        while (tableView && column < m_model->columnCount() - 1 &&
               tableView->isColumnHidden(column))
            ++column;
    }
    const QModelIndex target = m_model->index(row, column);
    if (selection->currentIndex() == target && selection->isRowSelected(row))
        return;
    m_moving = true;
    selection->setCurrentIndex(target,
                               QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_moving = false;
}

void CurrentRowLink::viewMoved(const QModelIndex& current) {
    // Moves that the table made, or that the view makes while the table is
    // mid-change (rows removed under the current one), are not the operator's.
    if (m_moving || !m_model || m_model->isFollowingTable() || !current.isValid())
        return;
    if (current.row() == m_table.currentRow())
        return;
    const int row = current.row();
    if (!runCommand(m_view, [&] { m_table.moveTo(row); }))
        followTable(); // the table stayed; so does the grid
}

} // namespace nakilon
