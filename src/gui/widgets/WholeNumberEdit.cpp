#include "gui/widgets/WholeNumberEdit.h"

#include <QLineEdit>

#include <algorithm>
#include <limits>

namespace nakilon {

namespace {

constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
constexpr int64_t kMax = std::numeric_limits<int32_t>::max();

// Reads the value a text stands for, empty for an empty text; false for a
// text that is not (yet) a 32-bit number.
bool readValue(const QString& text, std::optional<int32_t>& value) {
    if (text.isEmpty()) {
        value.reset();
        return true;
    }
    bool ok = false;
    const qlonglong number = text.toLongLong(&ok);
    if (!ok || number < kMin || number > kMax)
        return false;
    value = static_cast<int32_t>(number);
    return true;
}

bool isSignAndDigits(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const bool sign = i == 0 && (c == u'-' || c == u'+');
        if (!sign && !(c >= u'0' && c <= u'9'))
            return false;
    }
    return true;
}

} // namespace

WholeNumberEdit::WholeNumberEdit(QWidget* parent) : QAbstractSpinBox(parent) {
    setFocusPolicy(Qt::StrongFocus);
    connect(lineEdit(), &QLineEdit::textEdited, this, &WholeNumberEdit::textEdited);
}

void WholeNumberEdit::setValue(std::optional<int32_t> value) {
    m_value = value;
    const QString text = value ? QString::number(*value) : QString();
    if (lineEdit()->text() != text)
        lineEdit()->setText(text);
}

QValidator::State WholeNumberEdit::validate(QString& input, int&) const {
    if (!isSignAndDigits(input))
        return QValidator::Invalid;
    if (input == u"-" || input == u"+")
        return QValidator::Intermediate;
    // Digits beyond the 32-bit range are refused, not cut.
    std::optional<int32_t> value;
    return readValue(input, value) ? QValidator::Acceptable : QValidator::Invalid;
}

void WholeNumberEdit::textEdited(const QString& text) {
    if (!readValue(text, m_value))
        return; // a lone sign: wait for the digits
    emit valueEdited(m_value);
}

void WholeNumberEdit::stepBy(int steps) {
    const int64_t next = std::clamp<int64_t>(int64_t{m_value.value_or(0)} + steps, kMin, kMax);
    setValue(static_cast<int32_t>(next));
    lineEdit()->selectAll();
    emit valueEdited(m_value);
}

QAbstractSpinBox::StepEnabled WholeNumberEdit::stepEnabled() const {
    if (isReadOnly())
        return StepNone;
    StepEnabled enabled = StepNone;
    if (!m_value || *m_value < kMax)
        enabled |= StepUpEnabled;
    if (!m_value || *m_value > kMin)
        enabled |= StepDownEnabled;
    return enabled;
}

void WholeNumberEdit::focusOutEvent(QFocusEvent* event) {
    // A lone sign left behind shows the value again.
    setValue(m_value);
    QAbstractSpinBox::focusOutEvent(event);
}

} // namespace nakilon
