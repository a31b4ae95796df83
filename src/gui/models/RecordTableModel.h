#pragma once

#include "core/tables/TableObserver.h"

#include <QAbstractTableModel>
#include <QString>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace nakilon {

class RecordTable;

// One column of a grid over a record table.
struct GridColumn {
    enum class Kind {
        Plain,    // the value as it reads: a number, or a text
        Check,    // a check box: ticked when the value is 1
        Choice,   // a number shown by the text of its choice
        Progress, // a number from 0 to 100, for a progress bar delegate
    };

    std::string_view field; // the table's field name (a constant of FieldNames.h)
    QString title;          // header; the field's name when empty
    Kind kind = Kind::Plain;
    bool hidden = false;
    bool editable = false;
    std::vector<std::pair<int, QString>> choices = {}; // Kind::Choice
};

// Adapts a record table to Qt views. The table stays the one owner of the
// records and of the current record; the model only reports what the table
// tells it, row for row. An edit in a cell is not written by the model: it is
// handed to the edit handler, a command of the window.
class RecordTableModel : public QAbstractTableModel, private TableObserver {
    Q_OBJECT
public:
    // For a check box: 1 or 0; for other columns the edited value.
    using EditHandler = std::function<void(int row, int column, const QVariant& value)>;

    RecordTableModel(RecordTable& table, std::vector<GridColumn> columns,
                     QObject* parent = nullptr);
    ~RecordTableModel() override;

    RecordTable& table() const { return m_table; }
    const GridColumn& column(int column) const { return m_columns[column]; }
    // The column of a field, -1 when the grid has none.
    int columnOf(std::string_view field) const;
    void setEditHandler(EditHandler handler) { m_editHandler = std::move(handler); }

    // True while the model passes on a change of the table; views must not
    // move the table's current record then.
    bool isFollowingTable() const { return m_following > 0; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

private:
    void recordAboutToBeInserted(int row) override;
    void recordInserted(int row) override;
    void recordAboutToBeRemoved(int row) override;
    void recordRemoved(int row) override;
    void recordChanged(int row) override;
    void resetBegins() override;
    void resetEnds() override;
    void valuesRefreshed() override;

    QVariant displayValue(int row, int column) const;

    RecordTable& m_table;
    std::vector<GridColumn> m_columns;
    std::vector<int> m_fields; // table field of each column
    EditHandler m_editHandler;
    int m_following = 0;
    bool m_inReset = false;
};

} // namespace nakilon
