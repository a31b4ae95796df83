#pragma once

namespace nakilon {

// What a view (a grid's model, a bound editor) learns from a record table.
//
// Contract:
// - Rows are positions in table order, 0 to rowCount()-1. A record in insert or
//   edit state is already a row: a new record is announced when it is appended
//   or inserted, every value written to it is announced as a change of its row,
//   and a cancel takes it back (a cancelled insert is a removal).
// - Every notification is sent with the table already consistent, except the
//   "about to" ones, which come before the change and describe it: during
//   recordAboutToBeInserted/Removed the table still has the old rows. The pairs
//   map one to one onto beginInsertRows/endInsertRows and
//   beginRemoveRows/endRemoveRows.
// - resetBegins/resetEnds bracket a change of everything (open, close, load);
//   between them the table sends nothing else and must not be read.
// - currentChanged is sent after every operation that moves the current record
//   or shifts its position, also when the row number stays the same (a record
//   inserted before it); it may repeat the row a view already shows. -1 means
//   no current record (closed or empty table).
// - While views are suspended, currentChanged is held back: views keep their
//   place while the table runs over its records. Row and value notifications
//   still arrive, so row counts stay right. viewsResumed is followed by one
//   currentChanged with the record current at that moment.
// - valuesRefreshed asks views to show every row's values anew (refresh).
// - stateChanged follows every change between closed, browse, edit and insert.
// - An observer must not change the table from inside a notification; a view
//   that follows the table's current record should ignore its own current-row
//   signals while it handles one.
class TableObserver {
public:
    virtual ~TableObserver() = default;

    virtual void recordAboutToBeInserted(int /*row*/) {}
    virtual void recordInserted(int /*row*/) {}
    virtual void recordAboutToBeRemoved(int /*row*/) {}
    virtual void recordRemoved(int /*row*/) {}
    virtual void recordChanged(int /*row*/) {}
    virtual void currentChanged(int /*row*/) {}
    virtual void resetBegins() {}
    virtual void resetEnds() {}
    virtual void viewsSuspended() {}
    virtual void viewsResumed() {}
    virtual void valuesRefreshed() {}
    virtual void stateChanged() {}
};

} // namespace nakilon
