#pragma once

#include <QProxyStyle>

namespace nakilon {

// The application's style with a keyboard focus that can be seen wherever it
// is, at any scale: the focus mark of buttons, boxes, tabs and grid cells is
// a solid line two logical pixels wide in the highlight colour, in the
// selection's text colour on a selected row (where the highlight colour is
// the background and the base styles' mark vanishes), and the grid that has
// the focus wears a frame in the highlight colour. Everything else is the
// base style's.
class FocusStyle : public QProxyStyle {
    Q_OBJECT
public:
    // `key`: the base style's name, as QStyleFactory knows it.
    explicit FocusStyle(const QString& key);

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    // A grid's frame is wide enough for the focus line.
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
};

} // namespace nakilon
