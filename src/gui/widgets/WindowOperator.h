#pragma once

#include "core/base/Operator.h"

class QWidget;

namespace nakilon {

// The operator interface of commands, answered by the program's boxes; also
// from the device worker's thread.
class WindowOperator : public Operator {
public:
    // `parent` is not null. `transferGrid` is repainted on request; it may
    // be null.
    explicit WindowOperator(QWidget* parent, QWidget* transferGrid = nullptr)
        : m_parent(parent), m_transferGrid(transferGrid) {}

    void information(const std::string& text) override;
    bool confirm(const std::string& text) override;
    void processEvents() override;
    void repaintTransferGrid() override;

private:
    bool onWindowThread() const;

    QWidget* m_parent;
    QWidget* m_transferGrid;
};

} // namespace nakilon
