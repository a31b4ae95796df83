#pragma once

#include "core/transfer/TransferRows.h"

class QObject;

namespace nakilon {

// The transfer grid's rows for a run on the device worker: each change is
// queued to the window's thread, where `rows` (the device table's own)
// writes it. The changes arrive in the order they were made.
class WindowTransferRows final : public TransferRows {
public:
    // `window` lives on the window's thread; both outlive the run.
    WindowTransferRows(QObject* window, TransferRows& rows) : m_window(window), m_rows(rows) {}

    void resetProgress() override;
    void clearStatus() override;
    void setStatus(int32_t recId, const std::string& text) override;
    void setProgress(int32_t recId, int32_t percentage) override;

private:
    QObject* m_window;
    TransferRows& m_rows;
};

} // namespace nakilon
