#pragma once

#include "core/tables/TableObserver.h"

#include <QWidget>

class QToolButton;

namespace nakilon {

class RecordTable;

// A row of tool buttons that act on a record table's current record: insert,
// delete (after a question), edit, post, cancel and refresh; no buttons for
// moving between records. Each button is a command (errors in the error box)
// and is enabled only when its operation means something in the table's
// state.
class RecordNavigator : public QWidget, private TableObserver {
    Q_OBJECT
public:
    explicit RecordNavigator(QWidget* parent = nullptr);
    ~RecordNavigator() override;

    // The table the buttons act on; it must outlive the navigator.
    void setTable(RecordTable* table);

private:
    void stateChanged() override;
    void recordInserted(int row) override;
    void recordRemoved(int row) override;
    void resetEnds() override;

    QToolButton* addButton(const char* name, const QString& glyph, const QString& tip,
                           void (RecordNavigator::*action)());
    void insertRecord();
    void deleteRecord();
    void editRecord();
    void postRecord();
    void cancelRecord();
    void refreshTable();
    void updateButtons();

    RecordTable* m_table = nullptr;
    QToolButton* m_insert;
    QToolButton* m_delete;
    QToolButton* m_edit;
    QToolButton* m_post;
    QToolButton* m_cancel;
    QToolButton* m_refresh;
};

} // namespace nakilon
