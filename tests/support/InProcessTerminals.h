#pragma once

#include "emulator/ChannelDeviceControl.h"
#include "emulator/LocalChannel.h"
#include "emulator/VirtualTerminal.h"

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace nakilon::testsupport {

// Virtual terminals in the test's own process, reached by one device control
// over the emulator's message path without a socket: an Ethernet terminal at
// its IP address and port, a serial one at its COM port (USB is port 0). Each
// terminal keeps the journal of every call it received.
class InProcessTerminals {
public:
    InProcessTerminals()
        : m_control(std::make_unique<LocalChannel>(
              [this](const LinkTarget& target) { return find(target); })) {}

    VirtualTerminal& add(TerminalState state, LinkTarget target, LocalSecondsClock clock = {}) {
        Served& served = m_served.emplace_back();
        served.target = std::move(target);
        served.terminal = std::make_unique<VirtualTerminal>(std::move(state), std::move(clock));
        served.terminal->setJournal(
            [&served](const std::string& line) { served.journal.push_back(line); });
        return *served.terminal;
    }

    DeviceControl& control() { return m_control; }
    VirtualTerminal& terminal(size_t index) { return *m_served.at(index).terminal; }
    const TerminalState& state(size_t index) const { return m_served.at(index).terminal->state(); }
    const std::vector<std::string>& journal(size_t index) const {
        return m_served.at(index).journal;
    }
    // So that a test looks only at the calls of the step it checks.
    void clearJournal(size_t index) { m_served.at(index).journal.clear(); }

private:
    struct Served {
        LinkTarget target;
        std::unique_ptr<VirtualTerminal> terminal;
        std::vector<std::string> journal;
    };

    VirtualTerminal* find(const LinkTarget& target) {
        for (Served& served : m_served) {
            const LinkTarget& t = served.target;
            if (t.serial == target.serial && t.port == target.port &&
                (t.serial || t.ipAddress == target.ipAddress))
                return served.terminal.get();
        }
        return nullptr;
    }

    std::deque<Served> m_served;
    ChannelDeviceControl m_control;
};

} // namespace nakilon::testsupport
