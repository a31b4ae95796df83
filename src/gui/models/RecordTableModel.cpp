#include "gui/models/RecordTableModel.h"

#include "core/base/CodePage1254.h"
#include "core/tables/RecordTable.h"

namespace nakilon {

namespace {

// Marks the model busy for the length of one table notification.
class Following {
public:
    explicit Following(int& depth) : m_depth(depth) { ++m_depth; }
    ~Following() { --m_depth; }
    Following(const Following&) = delete;
    Following& operator=(const Following&) = delete;

private:
    int& m_depth;
};

} // namespace

RecordTableModel::RecordTableModel(RecordTable& table, std::vector<GridColumn> columns,
                                   QObject* parent)
    : QAbstractTableModel(parent), m_table(table), m_columns(std::move(columns)) {
    for (const auto& column : m_columns)
        m_fields.push_back(m_table.fieldIndex(column.field));
    m_table.addObserver(this);
}

RecordTableModel::~RecordTableModel() {
    m_table.removeObserver(this);
}

int RecordTableModel::columnOf(std::string_view field) const {
    for (std::size_t i = 0; i < m_columns.size(); ++i)
        if (m_fields[i] == m_table.findField(field))
            return static_cast<int>(i);
    return -1;
}

int RecordTableModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || m_inReset)
        return 0;
    return m_table.rowCount();
}

int RecordTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant RecordTableModel::displayValue(int row, int column) const {
    const int field = m_fields[column];
    if (m_table.isNull(row, field))
        return {};
    if (m_table.field(field).type == FieldType::Text)
        return QString::fromStdString(cp1254ToUtf8(m_table.textAt(row, field)));
    return m_table.integerAt(row, field);
}

QVariant RecordTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || m_inReset || index.row() >= m_table.rowCount())
        return {};
    const int row = index.row();
    const GridColumn& column = m_columns[index.column()];
    const int field = m_fields[index.column()];
    switch (column.kind) {
    case GridColumn::Kind::Check:
        if (role == Qt::CheckStateRole)
            return m_table.integerAt(row, field) == 1 ? Qt::Checked : Qt::Unchecked;
        if (role == Qt::EditRole)
            return m_table.integerAt(row, field);
        return {};
    case GridColumn::Kind::Choice:
        if (role == Qt::DisplayRole) {
            if (m_table.isNull(row, field))
                return {};
            const int value = m_table.integerAt(row, field);
            for (const auto& [choice, text] : column.choices)
                if (choice == value)
                    return text;
            return {};
        }
        if (role == Qt::EditRole)
            return displayValue(row, index.column());
        return {};
    case GridColumn::Kind::Progress:
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            return m_table.integerAt(row, field);
        return {};
    case GridColumn::Kind::Plain:
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            return displayValue(row, index.column());
        return {};
    }
    return {};
}

QVariant RecordTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    const GridColumn& column = m_columns[section];
    if (column.title.isEmpty())
        return QString::fromStdString(m_table.field(m_fields[section]).name);
    return column.title;
}

Qt::ItemFlags RecordTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    const GridColumn& column = m_columns[index.column()];
    if (column.editable && m_editHandler) {
        if (column.kind == GridColumn::Kind::Check)
            flags |= Qt::ItemIsUserCheckable;
        else
            flags |= Qt::ItemIsEditable;
    }
    return flags;
}

bool RecordTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || !m_editHandler || !m_columns[index.column()].editable)
        return false;
    const bool check = m_columns[index.column()].kind == GridColumn::Kind::Check;
    if (check != (role == Qt::CheckStateRole) || (!check && role != Qt::EditRole))
        return false;
    const QVariant edited =
        check ? QVariant(value.value<Qt::CheckState>() == Qt::Checked ? 1 : 0) : value;
    // The table announces the change itself once the handler has stored it.
    m_editHandler(index.row(), index.column(), edited);
    return true;
}

void RecordTableModel::recordAboutToBeInserted(int row) {
    Following following(m_following);
    beginInsertRows(QModelIndex(), row, row);
}

void RecordTableModel::recordInserted(int) {
    Following following(m_following);
    endInsertRows();
}

void RecordTableModel::recordAboutToBeRemoved(int row) {
    Following following(m_following);
    beginRemoveRows(QModelIndex(), row, row);
}

void RecordTableModel::recordRemoved(int) {
    Following following(m_following);
    endRemoveRows();
}

void RecordTableModel::recordChanged(int row) {
    Following following(m_following);
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void RecordTableModel::resetBegins() {
    Following following(m_following);
    beginResetModel();
    m_inReset = true;
}

void RecordTableModel::resetEnds() {
    Following following(m_following);
    m_inReset = false;
    endResetModel();
}

void RecordTableModel::valuesRefreshed() {
    Following following(m_following);
    if (m_table.rowCount() > 0)
        emit dataChanged(index(0, 0), index(m_table.rowCount() - 1, columnCount() - 1));
}

} // namespace nakilon
