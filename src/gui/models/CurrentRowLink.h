#pragma once

#include "core/tables/TableObserver.h"

#include <QObject>
#include <QPointer>

class QAbstractItemView;
class QModelIndex;

namespace nakilon {

class RecordTable;
class RecordTableModel;

// Keeps a grid's current row equal to its table's current record, in both
// directions: the table moves, the grid follows; the operator moves the
// grid, the table's current record moves (as a command, so an error in
// leaving a changed record is shown in the error box). All grids of one table
// thus share one current row, the table's.
class CurrentRowLink : public QObject, private TableObserver {
    Q_OBJECT
public:
    // The view must already show `model`; the link lives as a child of it.
    // The model may go before the link (Qt deletes a window's children in
    // the order they were made); the table outlives both.
    CurrentRowLink(RecordTableModel* model, QAbstractItemView* view);
    ~CurrentRowLink() override;

    // Puts the grid on the table's current record.
    void followTable();

private:
    void currentChanged(int row) override;
    void resetEnds() override;
    void viewMoved(const QModelIndex& current);

    RecordTable& m_table;
    QPointer<RecordTableModel> m_model;
    QAbstractItemView* m_view;
    bool m_moving = false;
};

} // namespace nakilon
