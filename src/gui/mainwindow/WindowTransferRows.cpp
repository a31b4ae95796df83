#include "gui/mainwindow/WindowTransferRows.h"

#include "gui/widgets/DeviceWorker.h"

namespace nakilon {

void WindowTransferRows::resetProgress() {
    postToThreadOf(m_window, [&rows = m_rows] { rows.resetProgress(); });
}

void WindowTransferRows::clearStatus() {
    postToThreadOf(m_window, [&rows = m_rows] { rows.clearStatus(); });
}

void WindowTransferRows::setStatus(int32_t recId, const std::string& text) {
    postToThreadOf(m_window, [&rows = m_rows, recId, text] { rows.setStatus(recId, text); });
}

void WindowTransferRows::setProgress(int32_t recId, int32_t percentage) {
    postToThreadOf(m_window,
                   [&rows = m_rows, recId, percentage] { rows.setProgress(recId, percentage); });
}

} // namespace nakilon
