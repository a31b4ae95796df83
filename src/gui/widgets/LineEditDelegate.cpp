#include "gui/widgets/LineEditDelegate.h"

#include "gui/widgets/StorableTextValidator.h"

#include <QLineEdit>
#include <QRegularExpressionValidator>

namespace nakilon {

LineEditDelegate::LineEditDelegate(Kind kind, QObject* parent)
    : QStyledItemDelegate(parent), m_kind(kind) {}

QWidget* LineEditDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                        const QModelIndex&) const {
    auto* edit = new QLineEdit(parent);
    edit->setFrame(false);
    if (m_kind == Kind::Integer)
        edit->setValidator(new QRegularExpressionValidator(
            QRegularExpression(QStringLiteral("-?[0-9]{0,10}")), edit));
    else
        makeStorable(edit);
    return edit;
}

void LineEditDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    static_cast<QLineEdit*>(editor)->setText(index.data(Qt::EditRole).toString());
}

void LineEditDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                    const QModelIndex& index) const {
    const QString text = static_cast<QLineEdit*>(editor)->text();
    // Leaving a cell unchanged is no edit: the row does not go into edit state.
    if (text == index.data(Qt::EditRole).toString())
        return;
    model->setData(index, text, Qt::EditRole);
}

} // namespace nakilon
