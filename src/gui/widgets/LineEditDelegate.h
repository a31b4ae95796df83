#pragma once

#include <QStyledItemDelegate>

namespace nakilon {

// The line editor of a grid cell: whole numbers (an optional minus sign and
// digits; empty empties the field) or text that a table can hold. The model
// receives the text as typed; the table reads it.
class LineEditDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    enum class Kind { Integer, Text };

    explicit LineEditDelegate(Kind kind, QObject* parent = nullptr);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;

private:
    Kind m_kind;
};

} // namespace nakilon
