// The clock dialog's work against an emulated terminal whose clock and the
// computer's are fixed.
#include "core/maintenance/DeviceClockSetting.h"

#include "core/base/Error.h"
#include "support/InProcessTerminals.h"
#include "support/RecordingOperator.h"
#include "support/RowName.h"

#include <gtest/gtest.h>

namespace nakilon {
namespace {

using testsupport::InProcessTerminals;
using testsupport::RecordingOperator;
using Lines = std::vector<std::string>;

// 2024-01-07 09:05:03, a Sunday, as local seconds and as a date and time.
constexpr int64_t ComputerSeconds = 1704618303;
const DateTime ComputerTime{{2024, 1, 7}, 9, 5, 3};
// 2024-03-05 14:07:00, a Tuesday.
constexpr int64_t TerminalSeconds = 1709647620;

class ShownTexts : public DeviceClockView {
public:
    void showDeviceClock(const std::string& text) override { device.push_back(text); }
    void showComputerClock(const std::string& text) override { computer.push_back(text); }
    Lines device, computer;
};

class DeviceClockSettingTest : public ::testing::Test {
protected:
    DeviceClockSettingTest()
        : m_terminal(
              m_terminals.add(terminalState(), {true, {}, 3}, [] { return ComputerSeconds; })),
          m_setting(
              m_terminals.control(), [] { return ComputerTime; }, m_view, m_op) {
        m_terminal.freezeClock(TerminalSeconds);
        // The clock command has opened the link.
        EXPECT_TRUE(m_terminals.control().OpenSerialLink(4, 3, 115200));
    }
    static TerminalState terminalState() {
        TerminalState state;
        state.machineNumber = 4;
        return state;
    }
    const Lines& journal() const { return m_terminals.journal(0); }

    InProcessTerminals m_terminals;
    VirtualTerminal& m_terminal;
    ShownTexts m_view;
    RecordingOperator m_op;
    DeviceClockSetting m_setting;
};

TEST_F(DeviceClockSettingTest, ShowingReadsTheTerminalClockOnceBetweenDisableAndEnable) {
    m_setting.readDeviceClock(4);
    EXPECT_EQ(m_view.device, (Lines{"05.03.2024  Salı 14:07"}));
    EXPECT_EQ(journal(), (Lines{"OpenSerialLink 4 3 115200", "SetDeviceActive 4 0",
                                "ReadDeviceClock 4", "SetDeviceActive 4 1"}));
    EXPECT_TRUE(m_op.shown.empty());
}

TEST_F(DeviceClockSettingTest, AWeekdayOutOfRangeLeavesThreeBlanksAndAFailedReadSaysSo) {
    m_terminal.reportWeekday(9);
    m_setting.readDeviceClock(4);
    m_terminal.state().clockReadFails = true;
    m_setting.readDeviceClock(4);
    EXPECT_EQ(m_view.device, (Lines{"05.03.2024   14:07", "Cihazın saati okunamadı"}));
}

TEST_F(DeviceClockSettingTest, TheTimerShowsTheComputerClockWithoutTouchingTheTerminal) {
    m_setting.showComputerClock();
    EXPECT_EQ(m_view.computer, (Lines{"07.01.2024  Pazar 09:05:03"}));
    EXPECT_EQ(journal().size(), 1u);
}

TEST_F(DeviceClockSettingTest, SavingSyncsReadsBackAndConfirmsLeavingTheLinkOpen) {
    m_setting.syncDeviceClock(4);
    // The terminal now runs on the computer's clock.
    EXPECT_EQ(m_view.device, (Lines{"07.01.2024  Pazar 09:05"}));
    EXPECT_EQ(m_op.shown, (Lines{"Tarih / Saat Güncellendi."}));
    EXPECT_EQ(journal(), (Lines{"OpenSerialLink 4 3 115200", "SetDeviceActive 4 0",
                                "SyncDeviceClock 4", "SetDeviceActive 4 1", "SetDeviceActive 4 0",
                                "ReadDeviceClock 4", "SetDeviceActive 4 1"}));
}

TEST_F(DeviceClockSettingTest, AFailedOperationReturnsTheTerminalToUseAndKeepsTheLink) {
    m_terminal.addFault({"SyncDeviceClock", 1, FaultKind::Fail});
    try {
        m_setting.syncDeviceClock(4);
        ADD_FAILURE() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(error.text(), "Cihaz hata bildirdi: SyncDeviceClock işlemi tamamlanamadı");
    }
    EXPECT_TRUE(m_op.shown.empty());
    EXPECT_TRUE(m_view.device.empty());
    EXPECT_TRUE(m_terminal.state().active);
    EXPECT_EQ(journal().back(), "SetDeviceActive 4 1");
    // The link is still there for the next try.
    m_setting.syncDeviceClock(4);
    EXPECT_EQ(m_op.shown, (Lines{"Tarih / Saat Güncellendi."}));
}

// "Tarih / Saat Güncellendi." only when the terminal set its clock and gave
// it back; the terminal is back in use and the link stays open either way.
struct ClockRefusal {
    const char* name;
    const char* operation;
    const char* error;
    Lines journalEnd;
    friend void PrintTo(const ClockRefusal& row, std::ostream* out) { *out << row.name; }
};

class RefusedClock : public DeviceClockSettingTest,
                     public ::testing::WithParamInterface<ClockRefusal> {};

TEST_P(RefusedClock, IsAnErrorAndNeverUpdated) {
    const ClockRefusal& c = GetParam();
    m_terminal.addFault({c.operation, 1, FaultKind::Refuse});
    std::string error;
    try {
        m_setting.syncDeviceClock(4);
    } catch (const Error& e) {
        error = e.text();
    }
    EXPECT_EQ(error, c.error);
    EXPECT_TRUE(m_op.shown.empty());
    ASSERT_GE(journal().size(), c.journalEnd.size());
    EXPECT_EQ(Lines(journal().end() - static_cast<long>(c.journalEnd.size()), journal().end()),
              c.journalEnd);
    EXPECT_TRUE(m_terminal.state().active);
    int32_t v[7]{};
    EXPECT_TRUE(m_terminals.control().ReadDeviceClock(4, v[0], v[1], v[2], v[3], v[4], v[5], v[6]))
        << "the link stays open";
}

INSTANTIATE_TEST_SUITE_P(
    DeviceClockSetting, RefusedClock,
    ::testing::Values(ClockRefusal{"Setting",
                                   "SyncDeviceClock",
                                   "Cihaz, tarih / saat ayarlama isteğini reddetti (Makine No 4)",
                                   {"SyncDeviceClock 4 refused", "SetDeviceActive 4 1"}},
                      ClockRefusal{"ReadBack",
                                   "ReadDeviceClock",
                                   "Cihazın saati ayarlandı, ancak geri okunamadı (Makine No 4)",
                                   {"SyncDeviceClock 4", "SetDeviceActive 4 1",
                                    "SetDeviceActive 4 0", "ReadDeviceClock 4 refused",
                                    "SetDeviceActive 4 1"}}),
    testsupport::RowName());

} // namespace
} // namespace nakilon
