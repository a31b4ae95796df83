// The tests' fake device control keeps the rules that callers rely on.
#include "support/FakeDeviceControl.h"

#include "core/base/Error.h"

#include <gtest/gtest.h>

namespace nakilon {
namespace {

using Calls = std::vector<std::string>;

TEST(FakeDeviceControl, AnswersOnlyOnItsLinkAndFailsWhereTold) {
    testsupport::FakeDeviceControl control;
    control.terminals[3].users = {{5, 3, 2, 14, 1}};
    control.terminals[3].clock = {{2024, 2, 29}, 23, 59, 58};
    control.terminals[3].weekday = 4;
    int32_t v[7] = {-1, -1, -1, -1, -1, -1, -1};
    EXPECT_FALSE(control.FetchUserIndex(3)); // no link yet
    ASSERT_TRUE(control.OpenSerialLink(3, 1, 115200));
    EXPECT_FALSE(control.FetchUserIndex(4)); // another terminal's number
    ASSERT_TRUE(control.FetchUserIndex(3));
    for (int round = 0; round < 2; ++round) {
        // The second take finds the end and leaves the values as they were.
        EXPECT_EQ(control.TakeUserIndexEntry(3, v[0], v[1], v[2], v[3], v[4]), round == 0);
        EXPECT_EQ(std::vector<int32_t>(v, v + 5), (std::vector<int32_t>{5, 3, 2, 14, 1}));
    }
    ASSERT_TRUE(control.ReadDeviceClock(3, v[0], v[1], v[2], v[3], v[4], v[5], v[6]));
    EXPECT_EQ(std::vector<int32_t>(v, v + 7), (std::vector<int32_t>{2024, 2, 29, 23, 59, 58, 4}));

    control.failAt(2, "koptu");
    EXPECT_TRUE(control.ChangeUserRole(3, 5, 3, 2, 0));
    EXPECT_THROW(control.PurgeLogs(3), Error);
    EXPECT_TRUE(control.PurgeLogs(3));
    EXPECT_EQ(control.terminals[3].users[0].privilege, 0);
    EXPECT_EQ(
        control.calls,
        (Calls{"FetchUserIndex(3)", "OpenSerialLink(3,1,115200)", "FetchUserIndex(4)",
               "FetchUserIndex(3)", "TakeUserIndexEntry(3)", "TakeUserIndexEntry(3)",
               "ReadDeviceClock(3)", "ChangeUserRole(3,5,3,2,0)", "PurgeLogs(3)", "PurgeLogs(3)"}));
}

} // namespace
} // namespace nakilon
