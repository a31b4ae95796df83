#pragma once

#include <QAbstractItemView>
#include <QAccessible>
#include <QStringList>
#include <QWidget>

namespace nakilon::testsupport {

// What a screen reader announces for a control: its own name, and the text of
// the label that labels it (a buddy). Drop-downs on Linux name themselves by
// their current value and are announced by their label.
inline QStringList announcedNames(QAccessibleInterface* control) {
    QStringList names;
    if (!control)
        return names;
    names << control->text(QAccessible::Name);
    for (const auto& [label, relation] : control->relations(QAccessible::Label))
        names << label->text(QAccessible::Name);
    names.removeAll(QString());
    return names;
}

inline QStringList announcedNames(QWidget* widget) {
    return announcedNames(QAccessible::queryAccessibleInterface(widget));
}

// The control (not a label) that a screen reader finds by `name` in the
// accessibility tree below `root`; null when there is none.
inline QWidget* controlNamed(QWidget* root, const QString& name) {
    struct Walk {
        const QString& name;
        QWidget* find(QAccessibleInterface* node) const {
            if (!node)
                return nullptr;
            if (node->role() != QAccessible::StaticText && announcedNames(node).contains(name) &&
                node->object() && node->object()->isWidgetType())
                return static_cast<QWidget*>(node->object());
            for (int i = 0; i < node->childCount(); ++i)
                if (QWidget* found = find(node->child(i)))
                    return found;
            return nullptr;
        }
    };
    return Walk{name}.find(QAccessible::queryAccessibleInterface(root));
}

// The controls of `window` that the keyboard can reach, shown or not, that a
// screen reader could announce by no name: "objectName (class)" for each.
inline QStringList unnamedControls(QWidget* window) {
    QStringList unnamed;
    for (QWidget* widget : window->findChildren<QWidget*>())
        if ((widget->focusPolicy() & Qt::TabFocus) && !widget->focusProxy() &&
            widget->window() == window && announcedNames(widget).join("").trimmed().isEmpty())
            unnamed << widget->objectName() + " (" + widget->metaObject()->className() + ")";
    return unnamed;
}

// The headers of a grid's columns as screen readers announce them.
inline QStringList columnNames(QAbstractItemView* grid) {
    QStringList names;
    QAccessibleTableInterface* table =
        QAccessible::queryAccessibleInterface(grid)->tableInterface();
    for (int column = 0; column < table->columnCount(); ++column)
        names << table->columnDescription(column);
    return names;
}

} // namespace nakilon::testsupport
