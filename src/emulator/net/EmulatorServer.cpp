#include "emulator/net/EmulatorServer.h"

#include "core/base/Error.h"
#include "core/base/Text.h"
#include "emulator/Protocol.h"
#include "emulator/TerminalSession.h"

#include <asio.hpp>

#include <array>
#include <cstdio>
#include <list>
#include <mutex>
#include <optional>
#include <thread>

namespace nakilon {

using asio::ip::tcp;

namespace {

class Connection;

} // namespace

struct EmulatorServer::Impl {
    explicit Impl(VirtualTerminal& t) : terminal(t) {}

    VirtualTerminal& terminal;
    std::mutex terminalMutex;
    asio::io_context io;
    std::list<tcp::acceptor> acceptors;
    std::thread thread;
    std::chrono::milliseconds latency{0};
    std::optional<size_t> cutAfter; // guarded by terminalMutex
    mutable std::mutex connectionsMutex;
    std::list<std::weak_ptr<Connection>> connections;

    void accept(tcp::acceptor& acceptor);
    void closeAll();
};

namespace {

class Connection : public std::enable_shared_from_this<Connection> {
public:
    Connection(EmulatorServer::Impl& server, tcp::socket socket)
        : m_server(server), m_socket(std::move(socket)), m_timer(m_socket.get_executor()),
          m_session(server.terminal) {}

    void start() {
        std::error_code ignored;
        m_socket.set_option(tcp::no_delay(true), ignored);
        readHeader();
    }

    void close() {
        asio::post(m_socket.get_executor(), [self = shared_from_this()] { self->closeNow(); });
    }

private:
    void closeNow() {
        std::error_code ignored;
        m_timer.cancel();
        m_socket.shutdown(tcp::socket::shutdown_both, ignored);
        m_socket.close(ignored);
    }

    void readHeader() {
        asio::async_read(m_socket, asio::buffer(m_header),
                         [self = shared_from_this()](const std::error_code& error, size_t) {
                             if (error)
                                 return self->closeNow();
                             const uint32_t length = wire::frameLength(self->m_header.data());
                             if (length == 0 || length > wire::MaxRequestSize)
                                 return self->closeNow();
                             self->m_request.resize(length);
                             self->readBody();
                         });
    }

    void readBody() {
        asio::async_read(m_socket, asio::buffer(m_request),
                         [self = shared_from_this()](const std::error_code& error, size_t) {
                             if (error)
                                 return self->closeNow();
                             self->handle();
                         });
    }

    void handle() {
        size_t sendLimit = SIZE_MAX;
        try {
            std::lock_guard lock(m_server.terminalMutex);
            m_answer = m_session.handle(m_request.data(), m_request.size());
            if (m_server.cutAfter && !m_answer.empty()) {
                sendLimit = *m_server.cutAfter;
                m_server.cutAfter.reset();
            }
        } catch (const wire::ProtocolError&) {
            return closeNow();
        } catch (const std::exception& error) {
            // The terminal could not keep its state (a state file that cannot
            // be written): this link ends, the server goes on.
            std::fprintf(stderr, "nakilon-terminal: %s\n", error.what());
            return closeNow();
        }
        if (m_answer.empty()) {
            // A message that wants no answer; the session may have ended with it.
            if (m_session.finished())
                return closeNow();
            return readHeader();
        }
        m_cut = sendLimit < m_answer.size();
        if (m_cut)
            m_answer.resize(sendLimit);
        if (m_server.latency.count() > 0) {
            m_timer.expires_after(m_server.latency);
            m_timer.async_wait([self = shared_from_this()](const std::error_code& error) {
                if (error)
                    return self->closeNow();
                self->write();
            });
        } else {
            write();
        }
    }

    void write() {
        asio::async_write(m_socket, asio::buffer(m_answer),
                          [self = shared_from_this()](const std::error_code& error, size_t) {
                              if (error || self->m_cut || self->m_session.finished())
                                  return self->closeNow();
                              self->m_answer = {};
                              self->readHeader();
                          });
    }

    EmulatorServer::Impl& m_server;
    tcp::socket m_socket;
    asio::steady_timer m_timer;
    TerminalSession m_session;
    std::array<uint8_t, wire::FrameHeaderSize> m_header{};
    std::vector<uint8_t> m_request;
    std::vector<uint8_t> m_answer;
    bool m_cut = false;
};

} // namespace

void EmulatorServer::Impl::accept(tcp::acceptor& acceptor) {
    acceptor.async_accept([this, &acceptor](const std::error_code& error, tcp::socket socket) {
        if (error == asio::error::operation_aborted || !acceptor.is_open())
            return;
        if (!error) {
            auto connection = std::make_shared<Connection>(*this, std::move(socket));
            {
                std::lock_guard lock(connectionsMutex);
                connections.remove_if([](const auto& weak) { return weak.expired(); });
                connections.push_back(connection);
            }
            connection->start();
        }
        accept(acceptor);
    });
}

void EmulatorServer::Impl::closeAll() {
    std::lock_guard lock(connectionsMutex);
    for (const auto& weak : connections) {
        if (auto connection = weak.lock())
            connection->close();
    }
}

EmulatorServer::EmulatorServer(VirtualTerminal& terminal)
    : m_impl(std::make_unique<Impl>(terminal)) {}

EmulatorServer::~EmulatorServer() {
    stop();
}

uint16_t EmulatorServer::listen(const std::string& address, uint16_t port) {
    std::error_code ec;
    const asio::ip::address ip = asio::ip::make_address(address, ec);
    if (ec)
        throw Error(formatText("Geçersiz adres: %s", address.c_str()));
    tcp::acceptor& acceptor = m_impl->acceptors.emplace_back(m_impl->io);
    const tcp::endpoint endpoint(ip, port);
    acceptor.open(endpoint.protocol(), ec);
    if (!ec)
        acceptor.set_option(tcp::acceptor::reuse_address(true), ec);
    if (!ec)
        acceptor.bind(endpoint, ec);
    if (!ec)
        acceptor.listen(asio::socket_base::max_listen_connections, ec);
    if (ec) {
        m_impl->acceptors.pop_back();
        throw Error(formatText("%s:%u adresi dinlenemiyor: %s", address.c_str(),
                               static_cast<unsigned>(port), ec.message().c_str()));
    }
    m_impl->accept(acceptor);
    return acceptor.local_endpoint().port();
}

void EmulatorServer::setLatency(std::chrono::milliseconds latency) {
    m_impl->latency = latency;
}

void EmulatorServer::start() {
    m_impl->thread = std::thread([this] { m_impl->io.run(); });
}

void EmulatorServer::run(bool untilSignal) {
    std::optional<asio::signal_set> signals;
    if (untilSignal) {
        signals.emplace(m_impl->io, SIGINT, SIGTERM);
        signals->async_wait([this](const std::error_code& error, int) {
            if (!error)
                m_impl->io.stop();
        });
    }
    m_impl->io.run();
}

void EmulatorServer::stop() {
    m_impl->io.stop();
    if (m_impl->thread.joinable())
        m_impl->thread.join();
}

void EmulatorServer::withTerminal(const std::function<void(VirtualTerminal&)>& work) {
    std::lock_guard lock(m_impl->terminalMutex);
    work(m_impl->terminal);
}

void EmulatorServer::cutNextAnswer(std::size_t bytesSent) {
    std::lock_guard lock(m_impl->terminalMutex);
    m_impl->cutAfter = bytesSent;
}

void EmulatorServer::dropConnections() {
    m_impl->closeAll();
}

std::size_t EmulatorServer::connectionCount() const {
    std::lock_guard lock(m_impl->connectionsMutex);
    size_t count = 0;
    for (const auto& weak : m_impl->connections)
        count += weak.expired() ? 0 : 1;
    return count;
}

} // namespace nakilon
