#pragma once

#include "emulator/VirtualTerminal.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace nakilon {

namespace wire {
class Reader;
}

// The terminal's end of one link: decodes each request, calls the terminal
// and encodes the answer. One session per connection; a session is linked
// once an open succeeded and finished after a refused open or a CloseLink.
class TerminalSession {
public:
    explicit TerminalSession(VirtualTerminal& terminal) : m_terminal(terminal) {}

    // One request message (the bytes after the frame length). Returns the
    // framed answer, or an empty vector when the request wants none; the
    // connection must be closed when the session has then finished (a
    // CloseLink, or a fault that drops the link). Raises wire::ProtocolError
    // on a message that breaks the format or comes out of turn; the
    // connection must then be closed.
    std::vector<uint8_t> handle(const uint8_t* message, size_t size);

    bool finished() const { return m_finished; }

private:
    std::vector<uint8_t> handleOpen(uint8_t code, wire::Reader& reader);
    std::vector<uint8_t> handleLinked(uint8_t code, wire::Reader& reader);

    VirtualTerminal& m_terminal;
    bool m_linked = false;
    bool m_finished = false;
    std::optional<VirtualTerminal::LogBatch> m_pendingBatch;
};

} // namespace nakilon
