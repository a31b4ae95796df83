#pragma once

#include "core/base/Error.h"
#include "gui/widgets/MessageBox.h"

#include <QString>

#include <exception>

class QWidget;

namespace nakilon {

// Runs one command of a window. Whatever the command throws ends it and is
// shown in the standard error box, so that no exception reaches the event
// loop. True when the command ran to its end.
template <class Command> bool runCommand(QWidget* parent, Command&& command) noexcept {
    try {
        try {
            command();
            return true;
        } catch (const Error& error) {
            showErrorBox(parent, QString::fromStdString(error.text()));
        } catch (const std::exception& error) {
            showErrorBox(parent, QString::fromLocal8Bit(error.what()));
        } catch (...) {
            showErrorBox(parent, QStringLiteral("Beklenmeyen bir hata oluştu"));
        }
    } catch (...) {
        // The error box itself failed (out of memory); the command has ended
        // all the same and the program goes on.
    }
    return false;
}

} // namespace nakilon
