#pragma once

#include <QDateEdit>

#include <optional>

namespace nakilon {

// A date editor that can also be empty, as a date range bound that is not
// set. It starts empty; Delete or Backspace over the whole text empties it
// again; a step or a date picked in the calendar fills it.
//
// The empty state is the editor's minimum date shown with a blank special
// text; the minimum lies far before any date an operator would pick.
class EmptyDateEdit : public QDateEdit {
    Q_OBJECT
public:
    explicit EmptyDateEdit(QWidget* parent = nullptr);

    bool isEmpty() const;
    std::optional<QDate> value() const;
    void setValue(std::optional<QDate> date);
    void clear() override;

    void stepBy(int steps) override;

protected:
    // Tab goes on to the next control, as from every other editor; the
    // arrows and the separators move between day, month and year.
    bool focusNextPrevChild(bool next) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    StepEnabled stepEnabled() const override;
};

} // namespace nakilon
