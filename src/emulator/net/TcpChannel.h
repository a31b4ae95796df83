#pragma once

#include "emulator/TerminalChannel.h"

#include <chrono>
#include <memory>
#include <string>

namespace nakilon {

// Serial and USB terminals of the emulator are reached on loopback TCP
// ports: serial port N at SerialBasePort + N, USB (port 0) at SerialBasePort.
constexpr int SerialBasePort = 20000;

struct TcpChannelOptions {
    std::string serialHost = "127.0.0.1";
    int serialBasePort = SerialBasePort;
    std::chrono::milliseconds connectTimeout{3000};
    // Longest wait for a whole answer.
    std::chrono::milliseconds answerTimeout{30000};
};

// A channel to an emulated terminal over TCP. A network link goes to the
// device's IP address (a numeric address) and port.
class TcpChannel : public TerminalChannel {
public:
    explicit TcpChannel(TcpChannelOptions options = {});
    ~TcpChannel() override;

    bool connect(const LinkTarget& target) override;
    std::vector<uint8_t> exchange(const std::vector<uint8_t>& request) override;
    void post(const std::vector<uint8_t>& request) override;
    void disconnect() override;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace nakilon
