#pragma once

#include <QGroupBox>
#include <QPointer>

namespace nakilon {

// A group box whose title is another widget laid over its top edge, such as a
// check box that stays visible while the group is hidden. The frame leaves a
// gap behind that widget, as it does behind a title of its own. The layout
// that holds both places the title widget; this box only keeps out of its way.
class TitledGroupBox : public QGroupBox {
    Q_OBJECT
public:
    explicit TitledGroupBox(QWidget* parent = nullptr);

    // `title` must be a sibling of the box, stacked above it.
    void setTitleWidget(QWidget* title);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<QWidget> m_title;
};

} // namespace nakilon
