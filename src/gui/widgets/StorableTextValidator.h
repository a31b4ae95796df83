#pragma once

#include <QValidator>

class QLineEdit;

namespace nakilon {

// Refuses, at the editor, any text that a table or file of the program could
// not hold: characters outside code page 1254, and TAB, CR, LF or NUL (the
// table files have no escapes). A refused paste or key changes nothing.
class StorableTextValidator : public QValidator {
    Q_OBJECT
public:
    using QValidator::QValidator;

    State validate(QString& input, int& position) const override;
};

// Puts a StorableTextValidator on a line editor.
void makeStorable(QLineEdit* edit);

} // namespace nakilon
