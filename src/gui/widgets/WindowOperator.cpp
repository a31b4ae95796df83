#include "gui/widgets/WindowOperator.h"

#include "gui/widgets/DeviceWorker.h"
#include "gui/widgets/MessageBox.h"

#include <QCoreApplication>
#include <QThread>
#include <QWidget>

namespace nakilon {

// Work on the device worker asks through here too: the boxes are shown by the
// window's thread while the work waits for the answer.
void WindowOperator::information(const std::string& text) {
    callOnThreadOf(m_parent, [&] { showInformation(m_parent, QString::fromStdString(text)); });
}

bool WindowOperator::confirm(const std::string& text) {
    bool yes = false;
    callOnThreadOf(m_parent, [&] { yes = confirmWarning(m_parent, QString::fromStdString(text)); });
    return yes;
}

bool WindowOperator::onWindowThread() const {
    return QThread::currentThread() == m_parent->thread();
}

// Off the window's thread the window handles its events by itself, and the
// rows repaint as their changes arrive.
void WindowOperator::processEvents() {
    if (onWindowThread())
        QCoreApplication::processEvents();
}

void WindowOperator::repaintTransferGrid() {
    if (m_transferGrid && onWindowThread())
        m_transferGrid->repaint();
}

} // namespace nakilon
