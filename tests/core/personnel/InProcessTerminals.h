#pragma once

#include "core/device/ConnectionProcedure.h"
#include "emulator/ChannelDeviceControl.h"
#include "emulator/LocalChannel.h"
#include "emulator/VirtualTerminal.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace nakilon::testsupport {

// Virtual terminals in the test's own process, each reached over Ethernet at
// 127.0.0.1 on a port of its own; the device controls that reach them pass
// the same messages as over a socket. Every operation a terminal receives is
// kept in its journal.
class InProcessTerminals {
public:
    VirtualTerminal& add(int32_t port, int32_t machineNumber) {
        TerminalState state;
        state.machineNumber = machineNumber;
        Entry& entry = m_terminals[port];
        entry.terminal = std::make_unique<VirtualTerminal>(state);
        entry.terminal->setJournal(
            [&entry](const std::string& line) { entry.journal.push_back(line); });
        return *entry.terminal;
    }
    VirtualTerminal& at(int32_t port) { return *m_terminals.at(port).terminal; }
    std::vector<std::string>& journal(int32_t port) { return m_terminals.at(port).journal; }

    // The device row values of the terminal at `port`.
    ConnectionValues connection(int32_t port) {
        ConnectionValues values;
        values.connectionType = ConnectionEthernet;
        values.machineNumber = at(port).state().machineNumber;
        values.ipAddress = "127.0.0.1";
        values.port = port;
        values.password = std::to_string(at(port).state().password);
        return values;
    }

    // A new device control instance, as a window holds one.
    std::unique_ptr<DeviceControl> makeControl() {
        return std::make_unique<ChannelDeviceControl>(
            std::make_unique<LocalChannel>([this](const LinkTarget& target) -> VirtualTerminal* {
                const auto it = m_terminals.find(target.port);
                if (target.serial || target.ipAddress != "127.0.0.1" || it == m_terminals.end())
                    return nullptr;
                return it->second.terminal.get();
            }));
    }

private:
    struct Entry {
        std::unique_ptr<VirtualTerminal> terminal;
        std::vector<std::string> journal;
    };
    std::map<int32_t, Entry> m_terminals;
};

} // namespace nakilon::testsupport
