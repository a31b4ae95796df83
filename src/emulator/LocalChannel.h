#pragma once

#include "emulator/TerminalChannel.h"
#include "emulator/TerminalSession.h"

#include <functional>
#include <memory>

namespace nakilon {

// The terminal at a link target, or null when nothing answers there.
using TerminalResolver = std::function<VirtualTerminal*(const LinkTarget&)>;

// A channel to a virtual terminal in the same process: the messages take the
// same path as over a socket, without one. Serves a stand-in for the terminal
// maker's component, and tests.
class LocalChannel : public TerminalChannel {
public:
    explicit LocalChannel(TerminalResolver resolver) : m_resolver(std::move(resolver)) {}

    bool connect(const LinkTarget& target) override;
    std::vector<uint8_t> exchange(const std::vector<uint8_t>& request) override;
    void post(const std::vector<uint8_t>& request) override;
    void disconnect() override { m_session.reset(); }

private:
    TerminalResolver m_resolver;
    std::unique_ptr<TerminalSession> m_session;
};

} // namespace nakilon
