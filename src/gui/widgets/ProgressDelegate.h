#pragma once

#include <QStyledItemDelegate>

namespace nakilon {

// Paints a column's whole-number value as a progress bar from 0 to 100
// through the style, without a widget per cell. Values beyond the range are
// drawn at its end; an empty value is drawn as 0.
class ProgressDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

} // namespace nakilon
