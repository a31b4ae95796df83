#pragma once

#include <string>

namespace nakilon {

// What a command asks of the person at the screen. The windows implement it
// with Qt; tests and the unattended transfer implement it without. Texts are
// UTF-8.
class Operator {
public:
    virtual ~Operator() = default;

    // A plain message with OK.
    virtual void information(const std::string& text) = 0;
    // The "UYARI" Yes/No question; true only for Yes.
    virtual bool confirm(const std::string& text) = 0;
    // Lets the window handle pending events (repaint, move).
    virtual void processEvents() = 0;
    // Repaints the transfer grid at once, so that a status or progress change
    // shows while the command still runs.
    virtual void repaintTransferGrid() = 0;
};

} // namespace nakilon
