#pragma once

#include "emulator/VirtualTerminal.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace nakilon {

// Serves one virtual terminal over TCP: each connection is one link of a
// device control. A malformed, oversized or out-of-turn message closes that
// connection and nothing else. The terminal is only touched under the
// server's lock, so a test may inspect it while the server runs.
class EmulatorServer {
public:
    explicit EmulatorServer(VirtualTerminal& terminal);
    ~EmulatorServer();
    EmulatorServer(const EmulatorServer&) = delete;
    EmulatorServer& operator=(const EmulatorServer&) = delete;

    // Listens on another address and port (0 picks a free port) and returns
    // the port. Call before start or run. Raises Error when the port is taken.
    uint16_t listen(const std::string& address, uint16_t port);

    // Each answer waits this long first, like a terminal on a slow line.
    void setLatency(std::chrono::milliseconds latency);

    // Runs the server on a thread of its own until stop.
    void start();
    // Runs the server on the calling thread until stop, or until SIGINT or
    // SIGTERM when `untilSignal` is set.
    void run(bool untilSignal = false);
    // Closes every connection and stops serving. Safe from any thread.
    void stop();

    // Calls `work` with the terminal while no request is served.
    void withTerminal(const std::function<void(VirtualTerminal&)>& work);

    // Faults for tests of the other end. The next answer is cut after this
    // many bytes and its connection closed, as if the line dropped.
    void cutNextAnswer(std::size_t bytesSent);
    // Closes every open connection at once.
    void dropConnections();
    // Number of connections open now.
    std::size_t connectionCount() const;

    struct Impl; // the server's inner parts, shared with its connections

private:
    std::unique_ptr<Impl> m_impl;
};

} // namespace nakilon
