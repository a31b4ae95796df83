#pragma once

#include "core/device/ConnectionProcedure.h"
#include "core/device/DeviceControl.h"
#include "emulator/TerminalState.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

namespace nakilon::contract {

// What the contract suite needs of a backend: one terminal that the test can
// seed and inspect, and a device control that reaches it. A backend's test
// file implements it and instantiates the suite with INSTANTIATE_TEST_SUITE_P.
class DeviceHarness {
public:
    virtual ~DeviceHarness() = default;
    // Makes the terminal hold exactly `state`. Called while no link is open.
    virtual void seed(const TerminalState& state) = 0;
    // What the terminal holds now. Called while no link is open.
    virtual TerminalState held() = 0;
    virtual DeviceControl& control() = 0;
    // The terminal refuses the next call of `operation` (answers false and
    // does nothing), as the terminal maker's component refuses.
    virtual void refuseNext(const std::string& operation) = 0;
    // Values of a device record (machine number and password as seeded) that
    // reach the terminal by the connection type 1, 2 or 3.
    virtual ConnectionValues connection(int32_t connectionType) = 0;
};

struct HarnessFactory {
    std::string name;
    std::function<std::unique_ptr<DeviceHarness>()> make;
};

inline void PrintTo(const HarnessFactory& factory, std::ostream* out) {
    *out << factory.name;
}
inline std::string harnessName(const ::testing::TestParamInfo<HarnessFactory>& info) {
    return info.param.name;
}

class DeviceControlContract : public ::testing::TestWithParam<HarnessFactory> {
protected:
    void SetUp() override { m_harness = GetParam().make(); }
    void TearDown() override {
        if (m_harness)
            m_harness->control().CloseLink();
        m_harness.reset();
    }
    DeviceHarness& harness() { return *m_harness; }
    DeviceControl& control() { return m_harness->control(); }

private:
    std::unique_ptr<DeviceHarness> m_harness;
};

} // namespace nakilon::contract
