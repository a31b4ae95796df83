#include "emulator/ChannelDeviceControl.h"
#include "emulator/LocalChannel.h"
#include "emulator/VirtualTerminal.h"
#include "support/DeviceControlContract.h"

namespace nakilon {
namespace {

// The terminal sits in the same process, reached at 127.0.0.1:4370, at serial
// port 3 and by USB.
class LocalHarness : public contract::DeviceHarness {
public:
    LocalHarness()
        : m_control(std::make_unique<LocalChannel>([this](const LinkTarget& target) {
              const bool reached = target.serial
                                       ? (target.port == 3 || target.port == 0)
                                       : (target.ipAddress == "127.0.0.1" && target.port == 4370);
              return reached ? &m_terminal : nullptr;
          })) {}

    void seed(const TerminalState& state) override { m_terminal.state() = state; }
    TerminalState held() override { return m_terminal.state(); }
    DeviceControl& control() override { return m_control; }
    void refuseNext(const std::string& operation) override { m_terminal.refuseNextCall(operation); }
    ConnectionValues connection(int32_t type) override {
        ConnectionValues values;
        values.connectionType = type;
        values.machineNumber = m_terminal.state().machineNumber;
        values.ipAddress = "127.0.0.1";
        values.port = type == ConnectionEthernet ? 4370 : 3;
        values.password = std::to_string(m_terminal.state().password);
        return values;
    }

private:
    VirtualTerminal m_terminal;
    ChannelDeviceControl m_control;
};

} // namespace

namespace contract {
INSTANTIATE_TEST_SUITE_P(InProcess, DeviceControlContract,
                         ::testing::Values(HarnessFactory{
                             "InProcess", [] { return std::make_unique<LocalHarness>(); }}),
                         harnessName);

} // namespace contract
} // namespace nakilon
