#include "gui/widgets/EmptyDateEdit.h"

#include <QCalendarWidget>
#include <QKeyEvent>
#include <QLineEdit>

namespace nakilon {

namespace {

// Nobody records attendance in 1753; the calendar still reaches back to it.
const QDate kEmptyDate(1752, 9, 14);

} // namespace

EmptyDateEdit::EmptyDateEdit(QWidget* parent) : QDateEdit(parent) {
    setCalendarPopup(true);
    setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    setMinimumDate(kEmptyDate);
    // A blank special text: an empty special text would switch the feature off.
    setSpecialValueText(QStringLiteral(" "));
    setDate(kEmptyDate);
}

bool EmptyDateEdit::isEmpty() const {
    return date() == kEmptyDate;
}

std::optional<QDate> EmptyDateEdit::value() const {
    if (isEmpty())
        return std::nullopt;
    return date();
}

void EmptyDateEdit::setValue(std::optional<QDate> value) {
    setDate(value && value->isValid() && *value > kEmptyDate ? *value : kEmptyDate);
}

void EmptyDateEdit::clear() {
    setDate(kEmptyDate);
}

void EmptyDateEdit::stepBy(int steps) {
    // Stepping out of the empty state starts at today, not in 1752.
    if (isEmpty()) {
        setDate(QDate::currentDate());
        return;
    }
    QDateEdit::stepBy(steps);
}

QAbstractSpinBox::StepEnabled EmptyDateEdit::stepEnabled() const {
    if (isEmpty())
        return StepUpEnabled | StepDownEnabled;
    return QDateEdit::stepEnabled();
}

bool EmptyDateEdit::focusNextPrevChild(bool next) {
    // Skips QDateTimeEdit's move to the next section, which never leaves an
    // empty editor.
    return QAbstractSpinBox::focusNextPrevChild(next);
}

void EmptyDateEdit::keyPressEvent(QKeyEvent* event) {
    // A digit typed into the empty editor starts a date: today's, its day
    // taken by what is typed, as in a filled editor.
    if (isEmpty() && !event->text().isEmpty() && event->text().front().isDigit()) {
        setDate(QDate::currentDate());
        setSelectedSection(DaySection);
    }
    const bool erase = event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace;
    if (erase && !isEmpty()) {
        QLineEdit* edit = lineEdit();
        if (edit->selectedText() == edit->text()) {
            clear();
            event->accept();
            return;
        }
    }
    QDateEdit::keyPressEvent(event);
}

void EmptyDateEdit::mousePressEvent(QMouseEvent* event) {
    const bool wasEmpty = isEmpty();
    QDateEdit::mousePressEvent(event);
    // The popup opens on the editor's date; when empty that is the sentinel's
    // month, so show this month instead.
    if (wasEmpty && calendarWidget()) {
        const QDate today = QDate::currentDate();
        calendarWidget()->setCurrentPage(today.year(), today.month());
    }
}

} // namespace nakilon
