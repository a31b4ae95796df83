#include "emulator/net/TcpChannel.h"

#include "emulator/Protocol.h"

#include <asio.hpp>

#include <algorithm>
#include <optional>

namespace nakilon {

using asio::ip::tcp;
using Deadline = std::chrono::steady_clock::time_point;

struct TcpChannel::Impl {
    TcpChannelOptions options;
    asio::io_context io;
    tcp::socket socket{io};

    // Starts one asynchronous operation with `start(handler)` and waits for
    // it until the deadline: its result, or nullopt when the time ran out. On
    // time-out the socket is closed and the aborted handler is let run, since
    // it refers to this frame.
    template <typename Start> std::optional<std::error_code> await(Start start, Deadline deadline) {
        std::optional<std::error_code> result;
        start([&result](const std::error_code& error, auto&&...) { result = error; });
        io.restart();
        while (!result && io.run_one_until(deadline) > 0) {
        }
        if (result)
            return result;
        std::error_code ignored;
        socket.close(ignored);
        io.restart();
        io.run();
        return std::nullopt;
    }

    // One step of an exchange; a step that fails or runs out of time leaves
    // the channel closed and raises ChannelError.
    template <typename Start> void step(Start start, Deadline deadline) {
        const std::optional<std::error_code> result = await(start, deadline);
        if (result && !*result)
            return;
        close();
        if (!result)
            throw ChannelError(ChannelError::Kind::Timeout, "no answer in time");
        throw ChannelError(ChannelError::Kind::Broken, result->message());
    }

    void write(asio::const_buffer bytes, Deadline deadline) {
        step([&](auto handler) { asio::async_write(socket, bytes, std::move(handler)); }, deadline);
    }

    void read(asio::mutable_buffer bytes, Deadline deadline) {
        step([&](auto handler) { asio::async_read(socket, bytes, std::move(handler)); }, deadline);
    }

    void close() {
        std::error_code ignored;
        socket.shutdown(tcp::socket::shutdown_both, ignored);
        socket.close(ignored);
    }
};

namespace {

Deadline deadlineAfter(std::chrono::milliseconds timeout) {
    return std::chrono::steady_clock::now() + timeout;
}

} // namespace

TcpChannel::TcpChannel(TcpChannelOptions options) : m_impl(std::make_unique<Impl>()) {
    m_impl->options = std::move(options);
}

TcpChannel::~TcpChannel() {
    m_impl->close();
}

bool TcpChannel::connect(const LinkTarget& target) {
    m_impl->close();
    std::string host = target.ipAddress;
    int64_t port = target.port;
    if (target.serial) {
        host = m_impl->options.serialHost;
        port = static_cast<int64_t>(m_impl->options.serialBasePort) + target.port;
    }
    if (port < 1 || port > 65535)
        return false;
    std::error_code ec;
    const asio::ip::address address = asio::ip::make_address(host, ec);
    if (ec)
        return false;

    const tcp::endpoint endpoint(address, static_cast<uint16_t>(port));
    const std::optional<std::error_code> result = m_impl->await(
        [&](auto handler) { m_impl->socket.async_connect(endpoint, std::move(handler)); },
        deadlineAfter(m_impl->options.connectTimeout));
    if (!result || *result) {
        m_impl->close();
        return false;
    }
    m_impl->socket.set_option(tcp::no_delay(true), ec);
    return true;
}

// The request goes out whole, then the answer's header comes and then its
// body; the one deadline covers all of it.
std::vector<uint8_t> TcpChannel::exchange(const std::vector<uint8_t>& request) {
    Impl& impl = *m_impl;
    if (!impl.socket.is_open())
        throw ChannelError(ChannelError::Kind::Broken, "not connected");
    const Deadline deadline = deadlineAfter(impl.options.answerTimeout);
    impl.write(asio::buffer(request), deadline);
    std::vector<uint8_t> answer(wire::FrameHeaderSize);
    impl.read(asio::buffer(answer), deadline);
    const uint32_t length = wire::frameLength(answer.data());
    if (length == 0 || length > wire::MaxResponseSize) {
        impl.close();
        throw wire::ProtocolError("answer length out of range");
    }
    // The length comes from the other side: the buffer grows with the bytes
    // that really arrive, never ahead of them by more than a step. Address
    // space only is reserved: pages are taken as bytes arrive, and the buffer
    // is never copied as it grows.
    const size_t expected = wire::FrameHeaderSize + length;
    answer.reserve(expected);
    while (answer.size() < expected) {
        const size_t have = answer.size();
        const size_t more = std::min<size_t>(expected - have, std::max<size_t>(have, 1 << 20));
        answer.resize(have + more);
        impl.read(asio::buffer(answer.data() + have, more), deadline);
    }
    return answer;
}

void TcpChannel::post(const std::vector<uint8_t>& request) {
    if (!m_impl->socket.is_open())
        return;
    m_impl->await(
        [&](auto handler) {
            asio::async_write(m_impl->socket, asio::buffer(request), std::move(handler));
        },
        deadlineAfter(std::chrono::milliseconds(500)));
}

void TcpChannel::disconnect() {
    m_impl->close();
}

} // namespace nakilon
