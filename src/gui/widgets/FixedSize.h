#pragma once

#include <QLayout>
#include <QSize>
#include <QWidget>

namespace nakilon {

// Gives a window the fixed size it was drawn at, in logical pixels, so that
// it keeps its proportions at any scale. Where the system's fonts need more
// room than that size leaves, the window grows instead of cutting its texts.
inline void setFixedSizeThatFits(QWidget* window, QSize size) {
    if (QLayout* layout = window->layout())
        size = size.expandedTo(layout->totalMinimumSize());
    window->setFixedSize(size);
}

// Keeps a control at the fixed size that its layout file gives it (equal
// minimum and maximum sizes), in logical pixels. Where the system's fonts need
// more room for its text, the control grows instead of cutting it.
inline void keepFixedSizeThatFits(QWidget* control) {
    control->setFixedSize(control->minimumSize().expandedTo(control->minimumSizeHint()));
}

} // namespace nakilon
