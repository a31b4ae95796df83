#pragma once

#include <QHeaderView>

class QTableView;

namespace nakilon {

// A narrow row header that marks the grid's current row with an arrow and
// shows nothing else, like the indicator column of a data grid.
class RowIndicatorHeader : public QHeaderView {
    Q_OBJECT
public:
    // Installs itself as the vertical header of `view` (after its model is set).
    explicit RowIndicatorHeader(QTableView* view);

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    QSize sectionSizeFromContents(int logicalIndex) const override;

private:
    QTableView* m_view;
};

} // namespace nakilon
