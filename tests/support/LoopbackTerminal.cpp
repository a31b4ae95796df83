#include "support/LoopbackTerminal.h"

#include "core/base/Error.h"

#include <chrono>
#include <string>
#include <thread>

namespace nakilon::testsupport {

LoopbackTerminal::LoopbackTerminal(TerminalState state)
    : m_terminal(std::move(state)), m_server(m_terminal) {
    m_port = m_server.listen("127.0.0.1", 0);
    m_serialBasePort = m_server.listen("127.0.0.1", 0);
    // A serial port number whose port above the base is free as well.
    for (int n = 7; n < 200 && m_serialPort == 0 && m_serialBasePort + n <= 65535; ++n) {
        try {
            m_server.listen("127.0.0.1", static_cast<uint16_t>(m_serialBasePort + n));
            m_serialPort = n;
        } catch (const Error&) {
        }
    }
    m_server.start();
}

TcpChannelOptions LoopbackTerminal::channelOptions() const {
    TcpChannelOptions options;
    options.serialBasePort = m_serialBasePort;
    return options;
}

ConnectionValues LoopbackTerminal::connection(int32_t connectionType) {
    ConnectionValues values;
    m_server.withTerminal([&](VirtualTerminal& terminal) {
        values.machineNumber = terminal.state().machineNumber;
        values.password = std::to_string(terminal.state().password);
    });
    values.connectionType = connectionType;
    values.ipAddress = "127.0.0.1";
    values.port = connectionType == ConnectionEthernet ? m_port : m_serialPort;
    return values;
}

void LoopbackTerminal::seed(const TerminalState& state) {
    m_server.withTerminal([&](VirtualTerminal& terminal) { terminal.state() = state; });
}

TerminalState LoopbackTerminal::held() {
    for (int i = 0; i < 200 && m_server.connectionCount() > 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    TerminalState state;
    m_server.withTerminal([&](VirtualTerminal& terminal) { state = terminal.state(); });
    return state;
}

TerminalState terminalWithRecords(int records) {
    TerminalState state;
    state.machineNumber = 1;
    state.logs.reserve(static_cast<size_t>(records));
    for (int i = 0; i < records; ++i) {
        LogRecord r;
        r.personnelNumber = 1000 + i % 500;
        r.mode = (i % 2 ? 0x0501 : 0x0401);
        r.time.year = 2024;
        r.time.month = 1 + i % 12;
        r.time.day = 1 + i % 28;
        r.time.hour = 8 + i % 10;
        r.time.minute = i % 60;
        r.time.second = i % 60;
        state.logs.push_back(r);
    }
    return state;
}

} // namespace nakilon::testsupport
