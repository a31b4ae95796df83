#include "gui/widgets/FocusStyle.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QStyleOptionFocusRect>

#include <algorithm>

namespace nakilon {

namespace {

constexpr qreal kLineWidth = 2; // logical pixels: as thick at 200 % as at 100 %

void drawFocusLine(QPainter* painter, const QRectF& rect, const QColor& colour) {
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(QPen(colour, kLineWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter->setBrush(Qt::NoBrush);
    const qreal inset = kLineWidth / 2;
    painter->drawRect(rect.adjusted(inset, inset, -inset, -inset));
    painter->restore();
}

bool hasKeyboardFocus(const QStyleOption* option) {
    const auto focus = QStyle::State_HasFocus | QStyle::State_KeyboardFocusChange;
    return (option->state & focus) == focus;
}

} // namespace

FocusStyle::FocusStyle(const QString& key) : QProxyStyle(key) {}

void FocusStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                               QPainter* painter, const QWidget* widget) const {
    // Like the base styles, only once the keyboard has moved the focus: a
    // click shows where it went.
    if (element == PE_FrameFocusRect && (option->state & State_KeyboardFocusChange)) {
        // On a selected row the highlight colour is the background: the
        // selection's text colour shows there instead.
        const auto* focus = qstyleoption_cast<const QStyleOptionFocusRect*>(option);
        const QPalette& palette = option->palette;
        const bool onSelection =
            focus && focus->backgroundColor == palette.color(QPalette::Active, QPalette::Highlight);
        drawFocusLine(painter, option->rect,
                      palette.color(onSelection ? QPalette::HighlightedText : QPalette::Highlight));
        return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    // Buttons mark their focus in their own panel, with a thin line.
    if (element == PE_PanelButtonCommand && hasKeyboardFocus(option))
        drawFocusLine(painter, QRectF(option->rect).adjusted(1, 1, -1, -1),
                      option->palette.color(QPalette::Highlight));
}

void FocusStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                             const QWidget* widget) const {
    QProxyStyle::drawControl(element, option, painter, widget);
    if (element == CE_TabBarTabShape && hasKeyboardFocus(option))
        drawFocusLine(painter, QRectF(option->rect).adjusted(1, 1, -1, -1),
                      option->palette.color(QPalette::Highlight));
    if (element == CE_ShapedFrame && qobject_cast<const QAbstractItemView*>(widget) &&
        widget->hasFocus())
        drawFocusLine(painter, option->rect, option->palette.color(QPalette::Highlight));
}

int FocusStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                            const QWidget* widget) const {
    const int base = QProxyStyle::pixelMetric(metric, option, widget);
    if (metric == PM_DefaultFrameWidth && qobject_cast<const QAbstractItemView*>(widget))
        return std::max(base, static_cast<int>(kLineWidth));
    return base;
}

} // namespace nakilon
