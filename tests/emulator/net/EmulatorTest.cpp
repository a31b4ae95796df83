#include "core/base/Error.h"
#include "emulator/net/EmulatorDeviceControl.h"
#include "support/DeviceControlContract.h"
#include "support/LoopbackTerminal.h"
#include "support/ThrownText.h"

#include <asio.hpp>

#include <chrono>
#include <thread>

namespace nakilon {
namespace {

using namespace std::chrono_literals;
using asio::ip::tcp;
using testsupport::LoopbackTerminal;

class TcpHarness : public contract::DeviceHarness {
public:
    TcpHarness() : m_control(makeEmulatorDeviceControl(m_terminal.channelOptions())) {}
    void seed(const TerminalState& state) override { m_terminal.seed(state); }
    TerminalState held() override { return m_terminal.held(); }
    DeviceControl& control() override { return *m_control; }
    void refuseNext(const std::string& operation) override {
        m_terminal.server().withTerminal(
            [&](VirtualTerminal& terminal) { terminal.refuseNextCall(operation); });
    }
    ConnectionValues connection(int32_t type) override { return m_terminal.connection(type); }

private:
    LoopbackTerminal m_terminal;
    std::unique_ptr<DeviceControl> m_control;
};

TerminalState terminalWithRecords(int count) {
    TerminalState state;
    state.machineNumber = 3;
    state.password = 77;
    for (int i = 0; i < count; ++i)
        state.logs.push_back({i, 0x0401, 2024, 3, 1, 8, i % 60, 0, true});
    return state;
}

int takeCount(DeviceControl& control, int32_t machine) {
    int32_t v[10];
    int count = 0;
    while (
        control.TakeLogEntry(machine, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9]))
        ++count;
    return count;
}

TEST(Emulator, LinkBrokenInTheMiddleOfAFetchRaisesAndLosesNoRecord) {
    LoopbackTerminal terminal(terminalWithRecords(5000));
    auto control = makeEmulatorDeviceControl(terminal.channelOptions());
    ASSERT_EQ(connectDevice(*control, terminal.connection(ConnectionEthernet)),
              ConnectResult::Connected);
    control->SetReadMark(true);
    terminal.server().cutNextAnswer(70000);
    EXPECT_EQ(testsupport::thrownText([&] { control->FetchLogBatch(3); }),
              "Cihazla bağlantı koptu: FetchLogBatch işlemi tamamlanamadı");
    // The link is closed: nothing more happens on it, and closing is quiet.
    int32_t count = -1;
    EXPECT_FALSE(control->QueryDeviceCounter(3, CounterNewLogs, count));
    EXPECT_EQ(takeCount(*control, 3), 0);
    control->CloseLink();

    // The terminal still counts every record as new, and a new link gets them.
    ASSERT_EQ(connectDevice(*control, terminal.connection(ConnectionEthernet)),
              ConnectResult::Connected);
    EXPECT_TRUE(control->QueryDeviceCounter(3, CounterNewLogs, count));
    EXPECT_EQ(count, 5000);
    EXPECT_TRUE(control->FetchLogBatch(3));
    EXPECT_EQ(takeCount(*control, 3), 5000);
}

TEST(Emulator, TerminalGoingAwayBetweenOperationsRaisesOnTheNextOne) {
    LoopbackTerminal terminal(terminalWithRecords(3));
    auto control = makeEmulatorDeviceControl(terminal.channelOptions());
    ASSERT_EQ(connectDevice(*control, terminal.connection(ConnectionSerial)),
              ConnectResult::Connected);
    terminal.server().dropConnections();
    for (int i = 0; i < 200 && terminal.server().connectionCount() > 0; ++i)
        std::this_thread::sleep_for(5ms);
    EXPECT_EQ(testsupport::thrownText([&] { control->PurgeLogs(3); }),
              "Cihazla bağlantı koptu: PurgeLogs işlemi tamamlanamadı");
    EXPECT_FALSE(control->PurgeLogs(3));
    EXPECT_EQ(terminal.held().logs.size(), 3u);
}

TEST(Emulator, SlowTerminalAnswersAfterItsLatencyOrTimesOut) {
    LoopbackTerminal terminal(terminalWithRecords(1));
    terminal.server().setLatency(150ms);
    TcpChannelOptions options = terminal.channelOptions();
    auto control = makeEmulatorDeviceControl(options);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(connectDevice(*control, terminal.connection(ConnectionUsb)),
              ConnectResult::Connected);
    int32_t count = 0;
    EXPECT_TRUE(control->QueryDeviceCounter(3, CounterAllLogs, count));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 300ms);
    control->CloseLink();

    options.answerTimeout = 50ms;
    auto impatient = makeEmulatorDeviceControl(options);
    // An open that gets no answer in time is a failed connection.
    EXPECT_EQ(connectDevice(*impatient, terminal.connection(ConnectionUsb)), ConnectResult::Failed);
    terminal.server().setLatency(0ms);
    ASSERT_EQ(connectDevice(*impatient, terminal.connection(ConnectionUsb)),
              ConnectResult::Connected);
    terminal.server().setLatency(300ms);
    EXPECT_EQ(testsupport::thrownText([&] { impatient->SyncDeviceClock(3); }),
              "Cihaz yanıt vermedi: SyncDeviceClock işlemi zaman aşımına uğradı");
    EXPECT_FALSE(impatient->SyncDeviceClock(3));
}

TEST(Emulator, NothingListeningOrUnmappablePortIsAFailedOpen) {
    LoopbackTerminal terminal(terminalWithRecords(0));
    auto control = makeEmulatorDeviceControl(terminal.channelOptions());
    ConnectionValues values = terminal.connection(ConnectionEthernet);
    values.port = terminal.serialBasePort() + terminal.serialPort() + 1; // nobody there
    EXPECT_EQ(connectDevice(*control, values), ConnectResult::Failed);
    values.port = 70000;
    EXPECT_EQ(connectDevice(*control, values), ConnectResult::Failed);
    values.ipAddress = "not an address";
    values.port = terminal.port();
    EXPECT_EQ(connectDevice(*control, values), ConnectResult::Failed);
    values = terminal.connection(ConnectionSerial);
    values.port = 70000;
    EXPECT_EQ(connectDevice(*control, values), ConnectResult::Failed);
}

TEST(Emulator, TwoTerminalsOnTwoPortsAreReachedByTheirValues) {
    TerminalState other = terminalWithRecords(4);
    other.machineNumber = 9;
    LoopbackTerminal first(terminalWithRecords(2)), second(other);
    auto control = makeEmulatorDeviceControl();
    int32_t count = 0;
    ASSERT_EQ(connectDevice(*control, first.connection(ConnectionEthernet)),
              ConnectResult::Connected);
    EXPECT_TRUE(control->QueryDeviceCounter(3, CounterAllLogs, count));
    EXPECT_EQ(count, 2);
    ASSERT_EQ(connectDevice(*control, second.connection(ConnectionEthernet)),
              ConnectResult::Connected);
    EXPECT_TRUE(control->QueryDeviceCounter(9, CounterAllLogs, count));
    EXPECT_EQ(count, 4);
}

// Raw bytes to the server, as a broken or hostile program would send them.
class RawClient {
public:
    explicit RawClient(uint16_t port) : m_socket(m_io) {
        m_socket.connect(tcp::endpoint(asio::ip::make_address("127.0.0.1"), port));
    }
    void send(const std::vector<uint8_t>& bytes) { asio::write(m_socket, asio::buffer(bytes)); }
    // True when the server closed the connection (read ends without an answer).
    bool closedByServer() {
        uint8_t byte;
        std::error_code error;
        asio::read(m_socket, asio::buffer(&byte, 1), error);
        return error == asio::error::eof || error == asio::error::connection_reset;
    }

private:
    asio::io_context m_io;
    tcp::socket m_socket;
};

TEST(Emulator, MalformedRequestsCloseOnlyTheirConnection) {
    LoopbackTerminal terminal(terminalWithRecords(1));
    const std::vector<std::vector<uint8_t>> bad = {
        {0x00, 0x00, 0x00, 0x00},                               // empty message
        {0xFF, 0xFF, 0xFF, 0x7F, 0x13},                         // length far beyond any request
        {0x05, 0x00, 0x00, 0x00, 0x24, 0x03, 0x00, 0x00, 0x00}, // PurgeLogs before an open
        {0x02, 0x00, 0x00, 0x00, 0x63, 0x00},                   // unknown code
        // OpenSerialLink with a field missing
        {0x09, 0x00, 0x00, 0x00, 0x32, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
        // OpenNetworkLink whose text claims more bytes than follow
        {0x08, 0x00, 0x00, 0x00, 0x33, 0x03, 0x00, 0x00, 0x00, 0x40, 0x00, 0x41},
    };
    for (const auto& message : bad) {
        RawClient client(terminal.port());
        client.send(message);
        EXPECT_TRUE(client.closedByServer()) << message.size();
    }
    {
        // A frame cut short, then the client goes away.
        RawClient client(terminal.port());
        client.send({0x10, 0x00, 0x00, 0x00, 0x32});
    }
    // A well-formed open: OpenSerialLink machine 3, port 0, 115200 baud.
    RawClient good(terminal.serialBasePort());
    good.send({0x0D, 0x00, 0x00, 0x00, 0x32, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
               0xC2, 0x01, 0x00});
    auto control = makeEmulatorDeviceControl(terminal.channelOptions());
    ASSERT_EQ(connectDevice(*control, terminal.connection(ConnectionEthernet)),
              ConnectResult::Connected);
    int32_t count = 0;
    EXPECT_TRUE(control->QueryDeviceCounter(3, CounterAllLogs, count));
    EXPECT_EQ(count, 1);
}

// A terminal that accepts the open and then answers with the given bytes.
class FakeTerminal {
public:
    explicit FakeTerminal(std::vector<uint8_t> reply)
        : m_acceptor(m_io, tcp::endpoint(asio::ip::make_address("127.0.0.1"), 0)),
          m_reply(std::move(reply)) {
        port = m_acceptor.local_endpoint().port();
        m_thread = std::thread([this] {
            std::error_code error;
            tcp::socket socket(m_io);
            m_acceptor.accept(socket, error);
            std::vector<uint8_t> buffer(4096);
            socket.read_some(asio::buffer(buffer), error);
            const std::vector<uint8_t> accepted = {0x02, 0x00, 0x00, 0x00, 0x33, 0x01};
            asio::write(socket, asio::buffer(accepted), error);
            socket.read_some(asio::buffer(buffer), error);
            asio::write(socket, asio::buffer(m_reply), error);
            socket.shutdown(tcp::socket::shutdown_both, error);
        });
    }
    ~FakeTerminal() { m_thread.join(); }
    uint16_t port = 0;

private:
    asio::io_context m_io;
    tcp::acceptor m_acceptor;
    std::vector<uint8_t> m_reply;
    std::thread m_thread;
};

TEST(Emulator, MalformedAnswersRaiseAndCloseTheLink) {
    const std::vector<std::vector<uint8_t>> replies = {
        // Record count 2 with one record's bytes.
        {0x26, 0x00, 0x00, 0x00, 0x0D, 0x01, 0x02, 0x00, 0x00, 0x00, 1, 0, 0, 0,
         2,    0,    0,    0,    3,    0,    0,    0,    4,    0,    0, 0, 5, 0,
         0,    0,    6,    0,    0,    0,    7,    0,    0,    0,    8, 0, 0, 0},
        // Result byte that is no boolean.
        {0x02, 0x00, 0x00, 0x00, 0x0D, 0x07},
        // Answer to another operation.
        {0x02, 0x00, 0x00, 0x00, 0x24, 0x01},
        // A length beyond any answer.
        {0xFF, 0xFF, 0xFF, 0xFF, 0x0D, 0x01},
        // Header only, then the line drops.
        {0x40, 0x00, 0x00, 0x00, 0x0D},
    };
    for (const auto& reply : replies) {
        FakeTerminal fake(reply);
        auto control = makeEmulatorDeviceControl();
        ASSERT_TRUE(control->OpenNetworkLink(1, "127.0.0.1", fake.port, 0));
        const std::string text = testsupport::thrownText([&] { control->FetchLogBatch(1); });
        EXPECT_TRUE(text == "Cihazdan geçersiz yanıt geldi: FetchLogBatch işlemi tamamlanamadı" ||
                    text == "Cihazla bağlantı koptu: FetchLogBatch işlemi tamamlanamadı")
            << text;
        EXPECT_FALSE(control->FetchLogBatch(1));
        control->CloseLink();
    }
}

} // namespace

namespace contract {
INSTANTIATE_TEST_SUITE_P(Emulator, DeviceControlContract,
                         ::testing::Values(HarnessFactory{
                             "Emulator", [] { return std::make_unique<TcpHarness>(); }}),
                         harnessName);
} // namespace contract
} // namespace nakilon
