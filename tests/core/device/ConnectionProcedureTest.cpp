#include "core/device/ConnectionProcedure.h"

#include "core/base/Error.h"
#include "support/FakeDeviceControl.h"
#include "support/RowName.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace nakilon {
namespace {

using testsupport::FakeDeviceControl;
using Calls = std::vector<std::string>;

ConnectionValues device(int32_t type, int32_t port, std::string password = "1234") {
    ConnectionValues values;
    values.connectionType = type;
    values.machineNumber = 7;
    values.ipAddress = "192.168.1.20";
    values.port = port;
    values.password = std::move(password);
    return values;
}

TEST(ConnectionProcedure, EachTypeOpensItsOwnKindOfLink) {
    FakeDeviceControl control;
    control.terminals[7];
    EXPECT_EQ(connectDevice(control, device(1, 5005)), ConnectResult::Connected);
    // A serial terminal whose Port still holds the default is COM port 5005.
    EXPECT_EQ(connectDevice(control, device(2, 5005)), ConnectResult::Connected);
    // USB is serial port 0 whatever Port holds.
    EXPECT_EQ(connectDevice(control, device(3, 4)), ConnectResult::Connected);
    EXPECT_EQ(control.calls,
              (Calls{"OpenNetworkLink(7,192.168.1.20,5005,1234)", "OpenSerialLink(7,5005,115200)",
                     "OpenSerialLink(7,0,115200)"}));
}

TEST(ConnectionProcedure, FailedOpenIsReportedAndNothingIsClosed) {
    FakeDeviceControl control;
    control.terminals[7].opens = false;
    EXPECT_EQ(connectDevice(control, device(1, 5005)), ConnectResult::Failed);
    EXPECT_EQ(connectDevice(control, device(3, 0)), ConnectResult::Failed);
    EXPECT_EQ(control.calls,
              (Calls{"OpenNetworkLink(7,192.168.1.20,5005,1234)", "OpenSerialLink(7,0,115200)"}));
}

TEST(ConnectionProcedure, OtherTypesMakeNoOpenCall) {
    for (int32_t type : {0, 4, -1, 100}) {
        FakeDeviceControl control;
        control.terminals[7];
        // An empty device list reads as all zero values.
        EXPECT_EQ(connectDevice(control, type == 0 ? ConnectionValues{} : device(type, 5005)),
                  ConnectResult::UnknownType);
        EXPECT_TRUE(control.calls.empty()) << type;
    }
}

TEST(ConnectionProcedure, PasswordTextBecomesAWholeNumberOrZero) {
    EXPECT_EQ(passwordNumber("1234"), 1234);
    EXPECT_EQ(passwordNumber("-5"), -5);
    EXPECT_EQ(passwordNumber("2147483647"), 2147483647);
    EXPECT_EQ(passwordNumber(""), 0);
    EXPECT_EQ(passwordNumber("abc"), 0);
    EXPECT_EQ(passwordNumber("12a"), 0);
    EXPECT_EQ(passwordNumber("2147483648"), 0);
    EXPECT_EQ(passwordNumber("-2147483649"), 0);

    FakeDeviceControl control;
    connectDevice(control, device(1, 4370, "şifre"));
    connectDevice(control, device(1, 4370, ""));
    EXPECT_EQ(control.calls, (Calls{"OpenNetworkLink(7,192.168.1.20,4370,0)",
                                    "OpenNetworkLink(7,192.168.1.20,4370,0)"}));
}

TEST(ConnectionProcedure, TerminalIsReturnedToUseAfterWorkAndAfterAnError) {
    FakeDeviceControl control;
    control.terminals[3];
    ASSERT_TRUE(control.OpenSerialLink(3, 1, 115200));
    runWithDeviceInactive(control, 3, [&] { control.PurgeLogs(3); });
    EXPECT_EQ(control.terminals[3].active, 1);

    control.failAt(1, "koptu", "PurgeLogs");
    EXPECT_THROW(runWithDeviceInactive(control, 3, [&] { control.PurgeLogs(3); }), Error);
    EXPECT_EQ(control.terminals[3].active, 1);
    EXPECT_EQ(control.calls, (Calls{"OpenSerialLink(3,1,115200)", "SetDeviceActive(3,0)",
                                    "PurgeLogs(3)", "SetDeviceActive(3,1)", "SetDeviceActive(3,0)",
                                    "PurgeLogs(3)", "SetDeviceActive(3,1)"}));
}

// A terminal out of use for its users is refused or returned, and the
// operator learns whenever it stays out of use.
struct OutOfUseCase {
    const char* name;
    std::function<void(FakeDeviceControl&)> arrange;
    bool workFails;
    Calls calls;          // after the open
    const char* error;    // "" for none
    bool activeAfterward; // the terminal's flag
    friend void PrintTo(const OutOfUseCase& row, std::ostream* out) { *out << row.name; }
};

class RefusedActivation : public ::testing::TestWithParam<OutOfUseCase> {};

TEST_P(RefusedActivation, NeverLeavesTheTerminalLockedUnsaid) {
    const OutOfUseCase& c = GetParam();
    FakeDeviceControl control;
    control.terminals[7].active = 1;
    ASSERT_EQ(connectDevice(control, device(3, 0)), ConnectResult::Connected);
    control.calls.clear();
    c.arrange(control);
    bool worked = false;
    std::string error;
    try {
        runWithDeviceInactive(control, 7, [&] {
            worked = true;
            control.calls.push_back("work");
            if (c.workFails)
                throw Error("Cihaz yanıt vermedi");
        });
    } catch (const Error& e) {
        error = e.text();
    }
    EXPECT_EQ(control.calls, c.calls);
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(control.terminals[7].active == 1, c.activeAfterward);
    EXPECT_TRUE(control.linkOpen());
}

const Calls kDisable{"SetDeviceActive(7,0)"};
const Calls kEnable{"SetDeviceActive(7,1)"};
Calls operator+(Calls a, const Calls& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

INSTANTIATE_TEST_SUITE_P(
    ConnectionProcedure, RefusedActivation,
    ::testing::Values(
        OutOfUseCase{"Accepted", [](FakeDeviceControl&) {}, false,
                     kDisable + Calls{"work"} + kEnable, "", true},
        // Still in use: the work must not run as if it were not.
        OutOfUseCase{"DisableRefused",
                     [](FakeDeviceControl& c) { c.refuseAt(1, "SetDeviceActive"); }, false,
                     kDisable + kEnable,
                     "Cihaz, kullanım dışına alınma isteğini reddetti (Makine No 7)", true},
        OutOfUseCase{"EnableRefusedOnce",
                     [](FakeDeviceControl& c) { c.refuseAt(2, "SetDeviceActive"); }, false,
                     kDisable + Calls{"work"} + kEnable + kEnable, "", true},
        OutOfUseCase{"EnableRefusedTwice",
                     [](FakeDeviceControl& c) {
                         c.refuseAt(2, "SetDeviceActive");
                         c.refuseAt(3, "SetDeviceActive");
                     },
                     false, kDisable + Calls{"work"} + kEnable + kEnable,
                     "Cihaz kullanıma açılamadı (Makine No 7): cihaz isteği reddetti", false},
        OutOfUseCase{"WorkFailsAndEnableRefused",
                     [](FakeDeviceControl& c) { c.refuseAt(2, "SetDeviceActive"); }, true,
                     kDisable + Calls{"work"} + kEnable,
                     "Cihaz yanıt vermedi\nCihaz kullanıma açılamadı (Makine No 7)", false},
        OutOfUseCase{"WorkFailsAndEnableAccepted", [](FakeDeviceControl&) {}, true,
                     kDisable + Calls{"work"} + kEnable, "Cihaz yanıt vermedi", true}),
    testsupport::RowName());

} // namespace
} // namespace nakilon
