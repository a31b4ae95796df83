#pragma once

#include "core/device/ConnectionProcedure.h"
#include "emulator/TerminalState.h"
#include "emulator/VirtualTerminal.h"
#include "emulator/net/EmulatorServer.h"
#include "emulator/net/TcpChannel.h"

#include <cstdint>

namespace nakilon::testsupport {

// A virtual terminal served over TCP on 127.0.0.1, on ports that the system
// picks, from construction until destruction; for tests and benchmarks. Its
// Ethernet port is port(). It also answers as serial port serialPort() and as
// USB, for device controls made with channelOptions().
class LoopbackTerminal {
public:
    explicit LoopbackTerminal(TerminalState state = {});
    LoopbackTerminal(const LoopbackTerminal&) = delete;
    LoopbackTerminal& operator=(const LoopbackTerminal&) = delete;

    uint16_t port() const { return m_port; }
    int serialPort() const { return m_serialPort; }
    // The port of USB, and the base of the serial ports.
    uint16_t serialBasePort() const { return m_serialBasePort; }
    TcpChannelOptions channelOptions() const;

    // A device record's values that reach the terminal by connection type
    // (Ethernet, serial, USB), with its machine number and password.
    ConnectionValues connection(int32_t connectionType = ConnectionEthernet);

    EmulatorServer& server() { return m_server; }
    // Makes the terminal hold exactly `state`.
    void seed(const TerminalState& state);
    // What the terminal holds once no link is open any more (a closed link's
    // last request is applied before its connection goes).
    TerminalState held();

private:
    VirtualTerminal m_terminal;
    EmulatorServer m_server;
    uint16_t m_port = 0;
    uint16_t m_serialBasePort = 0;
    int m_serialPort = 0;
};

// Terminal 1 holding `records` valid records of 2024, of varied people,
// dates and in/out states: the benchmarks' large record sets.
TerminalState terminalWithRecords(int records);

} // namespace nakilon::testsupport
