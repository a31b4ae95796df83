#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace nakilon {

// The three boxes the program asks the operator with. Every window goes
// through these so that the wording rules live in one place and tests can
// answer the boxes instead of a person.

// The standard error box: the program's title, an error icon and OK. A full
// stop is appended when the text's last byte sorts after ".".
void showErrorBox(QWidget* parent, const QString& text);

// A plain message with OK.
void showInformation(QWidget* parent, const QString& text);

// The "UYARI" question before a destructive command: warning icon, Yes and
// No. True only for Yes.
bool confirmWarning(QWidget* parent, const QString& text);

// The text the error box shows for an error text (the full-stop rule).
QString errorBoxText(const QString& text);

enum class MessageKind { Error, Information, Warning };

struct ShownMessage {
    MessageKind kind;
    QString title;
    QString text;
};

namespace testing {

// While a hook is set no box opens: each box is handed to the hook, and for a
// question its result is the answer (true = Yes). An empty hook restores the
// real boxes.
using MessageHook = std::function<bool(const ShownMessage&)>;
void setMessageHook(MessageHook hook);

} // namespace testing

} // namespace nakilon
