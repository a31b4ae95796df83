#include "gui/widgets/RowIndicatorHeader.h"

#include <QItemSelectionModel>
#include <QPainter>
#include <QStyleOptionHeader>
#include <QTableView>

namespace nakilon {

namespace {
constexpr int kWidth = 14;
}

RowIndicatorHeader::RowIndicatorHeader(QTableView* view)
    : QHeaderView(Qt::Vertical, view), m_view(view) {
    setSectionResizeMode(QHeaderView::Fixed);
    setSectionsClickable(false);
    setHighlightSections(false);
    m_view->setVerticalHeader(this);
    setDefaultSectionSize(m_view->fontMetrics().height() + 8);
    setFixedWidth(kWidth);
    show();
    connect(m_view->selectionModel(), &QItemSelectionModel::currentRowChanged, viewport(),
            [this] { viewport()->update(); });
}

QSize RowIndicatorHeader::sectionSizeFromContents(int) const {
    return {kWidth, defaultSectionSize()};
}

void RowIndicatorHeader::paintSection(QPainter* painter, const QRect& rect,
                                      int logicalIndex) const {
    QStyleOptionHeader section;
    initStyleOption(&section);
    section.rect = rect;
    section.section = logicalIndex;
    style()->drawControl(QStyle::CE_HeaderSection, &section, painter, this);
    if (logicalIndex != m_view->currentIndex().row())
        return;
    // A solid triangle pointing at the row, as data grids mark it.
    const QPointF centre = QRectF(rect).center();
    const qreal half = std::min(rect.width(), rect.height()) / 4.0;
    const QPointF triangle[] = {centre + QPointF(-half / 2, -half),
                                centre + QPointF(-half / 2, half), centre + QPointF(half, 0)};
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(palette().color(QPalette::WindowText));
    painter->drawPolygon(triangle, 3);
    painter->restore();
}

} // namespace nakilon
