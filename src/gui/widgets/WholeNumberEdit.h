#pragma once

#include <QAbstractSpinBox>

#include <cstdint>
#include <optional>

namespace nakilon {

// A whole-number editor that can also be empty, as an integer field can. It
// takes any signed 32-bit number: digits with an optional sign. Emptying the
// text empties the value; a step from empty starts at 0. Up and down arrows
// are shown unless the button symbols say otherwise.
class WholeNumberEdit : public QAbstractSpinBox {
    Q_OBJECT
public:
    explicit WholeNumberEdit(QWidget* parent = nullptr);

    std::optional<int32_t> value() const { return m_value; }
    // Shows a value; not announced as the operator's edit.
    void setValue(std::optional<int32_t> value);

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& position) const override;

signals:
    // The operator typed, stepped or emptied the number.
    void valueEdited(std::optional<int32_t> value);

protected:
    StepEnabled stepEnabled() const override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void textEdited(const QString& text);

    std::optional<int32_t> m_value;
};

} // namespace nakilon
