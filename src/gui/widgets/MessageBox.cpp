#include "gui/widgets/MessageBox.h"

#include <QMessageBox>

#include <utility>

namespace nakilon {

namespace {

const QString kProgramTitle = QStringLiteral("Nakilon");

testing::MessageHook& messageHook() {
    static testing::MessageHook hook;
    return hook;
}

} // namespace

QString errorBoxText(const QString& text) {
    // The rule is about the last byte of the text as stored; every UTF-8
    // continuation byte sorts after ".", as every letter of code page 1254 does.
    const QByteArray bytes = text.toUtf8();
    if (!bytes.isEmpty() && static_cast<unsigned char>(bytes.back()) > '.')
        return text + QLatin1Char('.');
    return text;
}

void showErrorBox(QWidget* parent, const QString& text) {
    const QString shown = errorBoxText(text);
    if (auto& hook = messageHook()) {
        hook({MessageKind::Error, kProgramTitle, shown});
        return;
    }
    QMessageBox::critical(parent, kProgramTitle, shown, QMessageBox::Ok);
}

void showInformation(QWidget* parent, const QString& text) {
    if (auto& hook = messageHook()) {
        hook({MessageKind::Information, kProgramTitle, text});
        return;
    }
    QMessageBox::information(parent, kProgramTitle, text, QMessageBox::Ok);
}

bool confirmWarning(QWidget* parent, const QString& text) {
    const QString title = QStringLiteral("UYARI");
    if (auto& hook = messageHook())
        return hook({MessageKind::Warning, title, text});
    return QMessageBox::warning(parent, title, text, QMessageBox::Yes | QMessageBox::No,
                                QMessageBox::No) == QMessageBox::Yes;
}

void testing::setMessageHook(MessageHook hook) {
    messageHook() = std::move(hook);
}

} // namespace nakilon
