#include "emulator/net/TcpChannel.h"

#include "emulator/Protocol.h"

#include <asio.hpp>

#include <algorithm>
#include <functional>

namespace nakilon {

using asio::ip::tcp;

struct TcpChannel::Impl {
    TcpChannelOptions options;
    asio::io_context io;
    tcp::socket socket{io};

    // Runs the queued operations until they are done or the time is up; on
    // time-out the socket is closed and the aborted handlers are let finish,
    // since they refer to the caller's frame.
    bool runFor(std::chrono::milliseconds timeout) {
        io.restart();
        io.run_for(timeout);
        if (io.stopped())
            return true;
        std::error_code ignored;
        socket.close(ignored);
        io.restart();
        io.run();
        return false;
    }

    void close() {
        std::error_code ignored;
        socket.shutdown(tcp::socket::shutdown_both, ignored);
        socket.close(ignored);
    }
};

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

    std::error_code result = asio::error::timed_out;
    m_impl->socket.async_connect(tcp::endpoint(address, static_cast<uint16_t>(port)),
                                 [&](const std::error_code& error) { result = error; });
    if (!m_impl->runFor(m_impl->options.connectTimeout) || result) {
        m_impl->close();
        return false;
    }
    m_impl->socket.set_option(tcp::no_delay(true), ec);
    return true;
}

std::vector<uint8_t> TcpChannel::exchange(const std::vector<uint8_t>& request) {
    Impl& impl = *m_impl;
    if (!impl.socket.is_open())
        throw ChannelError(ChannelError::Kind::Broken, "not connected");

    std::error_code failure;
    bool tooLong = false;
    bool done = false;
    std::vector<uint8_t> answer(wire::FrameHeaderSize);
    size_t expected = 0;

    // The answer's length comes from the other side: the buffer grows with
    // the bytes that really arrive, never ahead of them by more than a step.
    std::function<void()> readMore = [&] {
        const size_t have = answer.size();
        const size_t step = std::min<size_t>(expected - have, std::max<size_t>(have, 1 << 20));
        answer.resize(have + step);
        asio::async_read(impl.socket, asio::buffer(answer.data() + have, step),
                         [&](const std::error_code& error, size_t) {
                             if (error) {
                                 failure = error;
                                 return;
                             }
                             if (answer.size() < expected)
                                 readMore();
                             else
                                 done = true;
                         });
    };
    asio::async_write(
        impl.socket, asio::buffer(request), [&](const std::error_code& error, size_t) {
            if (error) {
                failure = error;
                return;
            }
            asio::async_read(impl.socket, asio::buffer(answer),
                             [&](const std::error_code& readError, size_t) {
                                 if (readError) {
                                     failure = readError;
                                     return;
                                 }
                                 const uint32_t length = wire::frameLength(answer.data());
                                 if (length == 0 || length > wire::MaxResponseSize) {
                                     tooLong = true;
                                     return;
                                 }
                                 expected = wire::FrameHeaderSize + length;
                                 // Address space only: pages are taken as
                                 // bytes arrive, and the buffer is never
                                 // copied as it grows.
                                 answer.reserve(expected);
                                 readMore();
                             });
        });
    const bool inTime = impl.runFor(impl.options.answerTimeout);
    if (!inTime) {
        impl.close();
        throw ChannelError(ChannelError::Kind::Timeout, "no answer in time");
    }
    if (failure || tooLong || !done) {
        impl.close();
        if (tooLong)
            throw wire::ProtocolError("answer length out of range");
        throw ChannelError(ChannelError::Kind::Broken, failure.message());
    }
    return answer;
}

void TcpChannel::post(const std::vector<uint8_t>& request) {
    if (!m_impl->socket.is_open())
        return;
    asio::async_write(m_impl->socket, asio::buffer(request), [](const std::error_code&, size_t) {});
    m_impl->runFor(std::chrono::milliseconds(500));
}

void TcpChannel::disconnect() {
    m_impl->close();
}

} // namespace nakilon
