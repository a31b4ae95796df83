#pragma once

#include "core/tables/TableObserver.h"

#include <QObject>
#include <QString>

#include <functional>
#include <string_view>
#include <utility>
#include <vector>

class QComboBox;
class QLineEdit;
class QWidget;

namespace nakilon {

class RecordTable;
class WholeNumberEdit;

// Binds single editors to fields of a table's current record, as data-bound
// editors: each shows the record's value, and what the operator enters goes
// into the record at once (the table then tells every grid). Storing the
// record is left to the window's commands. Typing into a record that is only
// being browsed puts it into edit state first.
class FieldEditorLink : public QObject, private TableObserver {
    Q_OBJECT
public:
    // Errors in writing a value are shown over `owner`; the link is its child.
    FieldEditorLink(RecordTable& table, QWidget* owner);
    ~FieldEditorLink() override;

    // A text field: the editor holds at most the field's width and refuses
    // what the table files cannot hold.
    void bindText(QLineEdit* edit, std::string_view field);
    void bindNumber(WholeNumberEdit* edit, std::string_view field);
    // A number chosen by its text; an empty field, or a value without a
    // choice, shows nothing.
    void bindChoice(QComboBox* box, std::string_view field,
                    const std::vector<std::pair<int, QString>>& choices);

    // Shows the current record's values in every editor.
    void showRecord();

private:
    void store(const std::function<void()>& write);
    void recordChanged(int row) override;
    void currentChanged(int row) override;
    void resetEnds() override;
    void valuesRefreshed() override;

    RecordTable& m_table;
    QWidget* m_owner;
    std::vector<std::function<void()>> m_shows;
    bool m_storing = false;
};

} // namespace nakilon
