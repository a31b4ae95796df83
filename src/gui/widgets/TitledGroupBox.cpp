#include "gui/widgets/TitledGroupBox.h"

#include <QStyleOptionGroupBox>
#include <QStylePainter>

namespace nakilon {

namespace {
constexpr int kGapPadding = 3;
}

TitledGroupBox::TitledGroupBox(QWidget* parent) : QGroupBox(parent) {}

void TitledGroupBox::setTitleWidget(QWidget* title) {
    m_title = title;
    update();
}

void TitledGroupBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionGroupBox option;
    initStyleOption(&option);
    if (m_title && m_title->isVisible() && m_title->parentWidget() == parentWidget()) {
        const QRect gap = m_title->geometry()
                              .translated(-geometry().topLeft())
                              .adjusted(-kGapPadding, 0, kGapPadding, 0);
        painter.setClipRegion(QRegion(rect()).subtracted(gap));
    }
    painter.drawComplexControl(QStyle::CC_GroupBox, option);
}

} // namespace nakilon
