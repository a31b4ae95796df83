#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QStringList>
#include <QTabBar>
#include <QWidget>

namespace nakilon::testsupport {

// The shown labels, buttons, boxes and tabs of `window` that are smaller than
// their texts need, so that the texts are cut: "objectName (text)" for each.
inline QStringList cutTexts(QWidget* window) {
    QStringList cut;
    const auto check = [&](QWidget* widget, const QString& text, QSize needed, QSize has) {
        if (widget->isVisible() && !text.isEmpty() &&
            (has.width() < needed.width() || has.height() < needed.height()))
            cut << widget->objectName() + " (" + text + ")";
    };
    for (QLabel* label : window->findChildren<QLabel*>())
        if (!label->wordWrap())
            check(label, label->text(), label->minimumSizeHint(), label->size());
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
        check(button, button->text(), button->minimumSizeHint(), button->size());
    for (QTabBar* tabs : window->findChildren<QTabBar*>())
        for (int i = 0; i < tabs->count(); ++i) {
            const QSize text = tabs->fontMetrics().size(Qt::TextShowMnemonic, tabs->tabText(i));
            check(tabs, tabs->tabText(i), text, tabs->tabRect(i).size());
        }
    return cut;
}

// The application's font made larger for as long as it lives, as an office
// computer set to larger text has it.
class LargerFont {
public:
    explicit LargerFont(qreal factor) : m_before(QApplication::font()) {
        QFont larger = m_before;
        larger.setPointSizeF(m_before.pointSizeF() * factor);
        QApplication::setFont(larger);
    }
    ~LargerFont() { QApplication::setFont(m_before); }
    LargerFont(const LargerFont&) = delete;
    LargerFont& operator=(const LargerFont&) = delete;

private:
    QFont m_before;
};

} // namespace nakilon::testsupport
