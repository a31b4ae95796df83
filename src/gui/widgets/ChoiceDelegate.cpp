#include "gui/widgets/ChoiceDelegate.h"

#include <QComboBox>

namespace nakilon {

ChoiceDelegate::ChoiceDelegate(std::vector<std::pair<int, QString>> choices, QObject* parent)
    : QStyledItemDelegate(parent), m_choices(std::move(choices)) {}

QWidget* ChoiceDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                      const QModelIndex&) const {
    auto* box = new QComboBox(parent);
    for (const auto& [value, text] : m_choices)
        box->addItem(text, value);
    // The choice is taken as soon as it is made, as a drop-down cell does.
    connect(box, &QComboBox::activated, this, [this, box] {
        emit const_cast<ChoiceDelegate*>(this)->commitData(box);
        emit const_cast<ChoiceDelegate*>(this)->closeEditor(box);
    });
    return box;
}

void ChoiceDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    auto* box = static_cast<QComboBox*>(editor);
    const QVariant value = index.data(Qt::EditRole);
    // A value that no choice has (an empty one too) leaves the box blank.
    box->setCurrentIndex(value.isValid() ? box->findData(value.toInt()) : -1);
}

void ChoiceDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                  const QModelIndex& index) const {
    auto* box = static_cast<QComboBox*>(editor);
    if (box->currentIndex() < 0)
        return;
    const QVariant chosen = box->currentData();
    if (chosen != index.data(Qt::EditRole))
        model->setData(index, chosen, Qt::EditRole);
}

} // namespace nakilon
