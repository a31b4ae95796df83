#include "gui/widgets/WindowOperator.h"

#include "gui/widgets/MessageBox.h"

#include <QCoreApplication>
#include <QWidget>

namespace nakilon {

void WindowOperator::information(const std::string& text) {
    showInformation(m_parent, QString::fromStdString(text));
}

bool WindowOperator::confirm(const std::string& text) {
    return confirmWarning(m_parent, QString::fromStdString(text));
}

void WindowOperator::processEvents() {
    QCoreApplication::processEvents();
}

void WindowOperator::repaintTransferGrid() {
    if (m_transferGrid)
        m_transferGrid->repaint();
}

} // namespace nakilon
