// The COM backend against the stand-in component, which scripts/test-windows
// registers in its Wine prefix: the contract suite, then what only a COM
// component can do to its caller (raise exceptions, hand back odd arrays, fail
// to start), and the stand-in's own checks of how a control is hosted. The
// stand-in is strict in every test: a violation of the hosting rules fails the
// test that caused it.

#include "support/DeviceControlContract.h"
#include "support/RowName.h"
#include "support/ThrownText.h"

#include "com/ComDeviceControl.h"
#include "com/ComVariant.h"
#include "com/ControlSite.h"
#include "com/DispatchObject.h"
#include "com/standin/StandInIds.h"
#include "core/base/Error.h"
#include "emulator/StateFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <thread>
#include <vector>

namespace nakilon {
namespace {

// The test's own instance of the stand-in, for the switches that only the
// stand-in has. It also keeps COM initialised on the test thread.
class StandIn {
public:
    StandIn() {
        m_uninitialize = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        CLSID clsid{};
        CLSIDFromString(com::wideFromUtf8(SbxpcClassId).c_str(), &clsid);
        IDispatch* dispatch = nullptr;
        const HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                            reinterpret_cast<void**>(&dispatch));
        if (FAILED(hr)) {
            if (m_uninitialize)
                CoUninitialize();
            throw std::runtime_error("the stand-in component is not registered (" +
                                     com::hresultText(hr) + "); run scripts/test-windows");
        }
        m_object = std::make_unique<com::DispatchObject>(dispatch);
        call(standin::Reset, {});
    }
    ~StandIn() {
        m_object.reset();
        if (m_uninitialize)
            CoUninitialize();
    }
    StandIn(const StandIn&) = delete;
    StandIn& operator=(const StandIn&) = delete;

    void seed(const TerminalState& state) { call(standin::SeedState, {}, formatStateText(state)); }
    TerminalState held() {
        com::Variant text;
        m_object->call("HeldState", standin::HeldState, nullptr, 0, text.get());
        return parseStateText(com::utf8FromBstr(text->bstrVal));
    }
    void failNext(const std::string& text, HRESULT code) {
        call(standin::FailNextCall, {static_cast<LONG>(code)}, text);
    }
    void shapeNextDownload(LONG lower, LONG count, LONG kind) {
        call(standin::ShapeNextDownload, {lower, count, kind});
    }
    void trueAs(LONG value) { call(standin::TrueAs, {value}); }
    void refuseNext(const std::string& operation) { call(standin::RefuseNextCall, {}, operation); }
    void failNextHosting(LONG step, HRESULT code) {
        call(standin::FailNextHosting, {step, static_cast<LONG>(code)});
    }
    std::string takeViolations() {
        com::Variant text;
        m_object->call("TakeViolations", standin::TakeViolations, nullptr, 0, text.get());
        return com::utf8FromBstr(text->bstrVal);
    }

private:
    // A text argument first (when given), then numbers.
    void call(int32_t id, std::vector<LONG> numbers, std::optional<std::string> text = {}) {
        std::vector<VARIANTARG> arguments;
        std::unique_ptr<com::Variant> textValue;
        if (text) {
            textValue = std::make_unique<com::Variant>();
            const std::wstring wide = com::wideFromUtf8(*text);
            (*textValue)->vt = VT_BSTR;
            (*textValue)->bstrVal = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
            arguments.push_back(*textValue->get());
        }
        for (LONG n : numbers) {
            VARIANTARG a;
            VariantInit(&a);
            a.vt = VT_I4;
            a.lVal = n;
            arguments.push_back(a);
        }
        com::Variant result;
        m_object->call("stand-in", id, arguments.data(), arguments.size(), result.get());
    }

    bool m_uninitialize = false;
    std::unique_ptr<com::DispatchObject> m_object;
};

// The terminal answers at 127.0.0.1:4370, at serial port 3 and by USB.
class ComHarness : public contract::DeviceHarness {
public:
    // The control is torn down first; its host must have kept every rule.
    ~ComHarness() override {
        m_control.reset();
        EXPECT_EQ(m_standIn.takeViolations(), "");
    }
    void seed(const TerminalState& state) override { m_standIn.seed(state); }
    TerminalState held() override { return m_standIn.held(); }
    DeviceControl& control() override { return *m_control; }
    void refuseNext(const std::string& operation) override { m_standIn.refuseNext(operation); }
    ConnectionValues connection(int32_t type) override {
        const TerminalState state = m_standIn.held();
        ConnectionValues values;
        values.connectionType = type;
        values.machineNumber = state.machineNumber;
        values.ipAddress = "127.0.0.1";
        values.port = type == ConnectionEthernet ? 4370 : 3;
        values.password = std::to_string(state.password);
        return values;
    }
    StandIn& standIn() { return m_standIn; }

private:
    StandIn m_standIn; // first in, last out: it holds COM up for the control
    std::unique_ptr<ComDeviceControl> m_control = std::make_unique<ComDeviceControl>();
};

constexpr int32_t Machine = 7;
constexpr int32_t User = 1001;
constexpr int32_t Slot = 2;

EnrollmentData countingEnrollment() {
    EnrollmentData data{};
    for (size_t k = 0; k < data.size(); ++k)
        data[k] = static_cast<int32_t>(k) + 1;
    return data;
}

class ComDeviceControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        TerminalState state;
        state.machineNumber = Machine;
        state.users = {{User, Slot, 3, 1, 4242}};
        state.enrollments = {{User, Slot, countingEnrollment()}};
        m_harness.seed(state);
    }
    void TearDown() override { m_harness.control().CloseLink(); }

    void connect() {
        ASSERT_EQ(connectDevice(control(), m_harness.connection(ConnectionSerial)),
                  ConnectResult::Connected);
    }
    DeviceControl& control() { return m_harness.control(); }
    StandIn& standIn() { return m_harness.standIn(); }

    ComHarness m_harness;
};

} // namespace

namespace contract {
INSTANTIATE_TEST_SUITE_P(Com, DeviceControlContract,
                         ::testing::Values(HarnessFactory{
                             "Com", [] { return std::make_unique<ComHarness>(); }}),
                         harnessName);
} // namespace contract

TEST(ComDeviceControlMissing, ReportsAMissingComponentOnFirstUseAndAgainLater) {
    // Creating the control needs nothing; starting the program must not fail.
    ComDeviceControl control("{5C4E1A22-9B7D-4F0E-8A13-2D6F0B9C7E41}");
    control.CloseLink();
    const std::string expected = "Cihaz erişim bileşeni SBXPC bu bilgisayarda kurulu değil";
    EXPECT_EQ(testsupport::thrownText([&] { control.OpenSerialLink(1, 0, 115200); }), expected);
    EXPECT_EQ(testsupport::thrownText([&] { control.SetReadMark(true); }), expected);
}

TEST_F(ComDeviceControlTest, ComponentExceptionBecomesAnErrorWithItsText) {
    standIn().failNext("Cihaz yanıt vermedi: ğüşıöçİ", S_OK);
    EXPECT_EQ(testsupport::thrownText([&] { control().OpenSerialLink(Machine, 3, 115200); }),
              "Cihaz yanıt vermedi: ğüşıöçİ");
    // The failure was the call's only; the next one goes through.
    connect();
}

TEST_F(ComDeviceControlTest, FailedCallBecomesAnErrorNamingTheOperation) {
    connect();
    standIn().failNext("", E_ACCESSDENIED);
    const std::string text =
        testsupport::thrownText([&] { control().SetDeviceActive(Machine, 0); });
    EXPECT_EQ(text.rfind("Cihaz erişim bileşeni çağrısı başarısız oldu (SetDeviceActive): ", 0), 0u)
        << text;
}

TEST_F(ComDeviceControlTest, CloseLinkSwallowsAFailure) {
    connect();
    standIn().failNext("kapanamadı", S_OK);
    EXPECT_NO_THROW(control().CloseLink());
}

TEST_F(ComDeviceControlTest, AnyNonZeroBooleanCountsAsTrue) {
    standIn().trueAs(1);
    connect();
    int32_t value = -5;
    EXPECT_TRUE(control().QueryDeviceCounter(Machine, CounterAllLogs, value));
    EXPECT_EQ(value, 0);
}

// What the component hands back for an enrollment is taken only when it is
// exactly 354 numbers; anything else is a failed download (false, nothing
// changed, so no file is written), never data padded or cut to size.
struct ArrayShape {
    const char* name;
    LONG lower, count, kind;
    bool taken;
};

class EnrollmentArrayShape : public ComDeviceControlTest,
                             public ::testing::WithParamInterface<ArrayShape> {};

TEST_P(EnrollmentArrayShape, IsTakenWholeOrNotAtAll) {
    const ArrayShape& c = GetParam();
    connect();
    standIn().shapeNextDownload(c.lower, c.count, c.kind);
    EnrollmentData data;
    data.fill(555);
    int32_t privilege = -1;
    int32_t password = -1;
    EXPECT_EQ(control().DownloadEnrollment(Machine, User, Machine, Slot, privilege, data, password),
              c.taken);
    EnrollmentData untouched;
    untouched.fill(555);
    EXPECT_EQ(data, c.taken ? countingEnrollment() : untouched);
    EXPECT_EQ(privilege, c.taken ? 3 : -1);
    EXPECT_EQ(password, c.taken ? 4242 : -1);
}

INSTANTIATE_TEST_SUITE_P(
    ComDeviceControl, EnrollmentArrayShape,
    ::testing::Values(ArrayShape{"Numbers", 0, 354, standin::ShapeI4, true},
                      ArrayShape{"Variants", 0, 354, standin::ShapeVariants, true},
                      ArrayShape{"Short", 0, 300, standin::ShapeI4, false},
                      ArrayShape{"Long", 0, 400, standin::ShapeI4, false},
                      ArrayShape{"ShortFromBelowZero", -2, 10, standin::ShapeVariants, false},
                      ArrayShape{"NotAnArray", 0, 354, standin::ShapeNotArray, false},
                      ArrayShape{"TwoDimensions", 0, 354, standin::ShapeTwoDims, false}),
    testsupport::RowName());

namespace {

// A stand-in instance hosted by hand up to a step, for the stand-in's own
// checks: 0 created, 1 sited, 2 initialised, 3 active in place.
class HandHosted {
public:
    explicit HandHosted(int steps) {
        CLSID clsid{};
        CLSIDFromString(com::wideFromUtf8(SbxpcClassId).c_str(), &clsid);
        if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                    reinterpret_cast<void**>(&m_object))))
            throw std::runtime_error("the stand-in has no IOleObject");
        if (steps >= 1) {
            EXPECT_EQ(m_object->SetClientSite(m_site), S_OK);
        }
        if (steps >= 2) {
            IPersistStreamInit* persist = nullptr;
            m_object->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&persist));
            EXPECT_EQ(persist->InitNew(), S_OK);
            persist->Release();
        }
        if (steps >= 3) {
            RECT rect = com::HiddenWindow::controlRect();
            EXPECT_EQ(m_object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, m_site, 0,
                                       m_window.handle(), &rect),
                      S_OK);
        }
    }
    ~HandHosted() {
        if (m_object)
            m_object->Release();
        m_site->Release();
    }
    HandHosted(const HandHosted&) = delete;
    HandHosted& operator=(const HandHosted&) = delete;

    // An operation of the component on this instance: "" when it
    // was served, otherwise the error's text.
    std::string openSerialLink() {
        IDispatch* dispatch = nullptr;
        m_object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
        com::DispatchObject object(dispatch);
        VARIANTARG arguments[3];
        const LONG values[3] = {Machine, 3, 115200};
        for (int i = 0; i < 3; ++i) {
            VariantInit(&arguments[i]);
            arguments[i].vt = VT_I4;
            arguments[i].lVal = values[i];
        }
        com::Variant result;
        return testsupport::thrownText([&] {
            object.call("OpenSerialLink", dispid::OpenSerialLink, arguments, 3, result.get());
            object.call("CloseLink", dispid::CloseLink, nullptr, 0, result.get());
        });
    }
    void deactivate() {
        IOleInPlaceObject* inPlace = nullptr;
        m_object->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace));
        inPlace->InPlaceDeactivate();
        inPlace->Release();
    }
    void close() { m_object->Close(OLECLOSE_NOSAVE); }
    void unsite() { m_object->SetClientSite(nullptr); }
    void release() {
        m_object->Release();
        m_object = nullptr;
    }

private:
    com::HiddenWindow m_window;
    com::ControlSite* m_site = com::ControlSite::create(m_window.handle());
    IOleObject* m_object = nullptr;
};

} // namespace

TEST(ComHosting, TheStandInRefusesEveryOperationUntilItIsHosted) {
    StandIn standIn;
    const struct {
        int steps;
        const char* reason;
    } cases[] = {
        {0, "the control has no client site"},
        {1, "the control was not initialised (InitNew)"},
        {2, "the control is not active in place"},
    };
    for (const auto& c : cases) {
        HandHosted hosted(c.steps);
        const std::string refusal = std::string("SBXPC stand-in: call 50 refused: ") + c.reason;
        EXPECT_EQ(hosted.openSerialLink(), refusal) << c.steps;
        if (c.steps >= 2)
            hosted.deactivate();
        if (c.steps >= 1) {
            hosted.close();
            hosted.unsite();
        }
        hosted.release();
        // A refusal counts as a violation too: a caller that swallows errors
        // (as CloseLink does) cannot hide it.
        EXPECT_EQ(standIn.takeViolations(), refusal + "\n") << c.steps;
    }
    HandHosted hosted(3);
    EXPECT_EQ(hosted.openSerialLink(), "");
    hosted.deactivate();
    hosted.close();
    hosted.unsite();
    hosted.release();
    EXPECT_EQ(standIn.takeViolations(), "");
}

// Apartment-threaded: a host that calls it from another thread (as a window
// would by handing the control to a worker) is refused and reported.
TEST(ComHosting, TheStandInRefusesACallFromAnotherThread) {
    StandIn standIn;
    HandHosted hosted(3);
    std::string answer;
    std::thread([&] { answer = hosted.openSerialLink(); }).join();
    const std::string refusal =
        "SBXPC stand-in: call 50 refused: called from a thread other than the one that created it";
    EXPECT_EQ(answer, refusal);
    EXPECT_EQ(hosted.openSerialLink(), "");
    hosted.deactivate();
    hosted.close();
    hosted.unsite();
    hosted.release();
    EXPECT_EQ(standIn.takeViolations(), refusal + "\n");
}

TEST(ComHosting, TheStandInReportsATeardownOutOfOrder) {
    StandIn standIn;
    const struct {
        const char* name;
        std::function<void(HandHosted&)> tearDown;
        const char* violations;
    } cases[] = {
        {"release only", [](HandHosted& h) { h.release(); },
         "SBXPC stand-in: released while active in place (InPlaceDeactivate first)\n"
         "SBXPC stand-in: released without Close\n"
         "SBXPC stand-in: released while it holds its client site (SetClientSite(nullptr) "
         "first)\n"},
        {"close while active",
         [](HandHosted& h) {
             h.close();
             h.unsite();
             h.release();
         },
         "SBXPC stand-in: closed while active in place (InPlaceDeactivate first)\n"},
        {"site taken before close",
         [](HandHosted& h) {
             h.deactivate();
             h.unsite();
             h.close();
             h.release();
         },
         "SBXPC stand-in: client site taken before Close\n"},
        {"reverse order",
         [](HandHosted& h) {
             h.deactivate();
             h.close();
             h.unsite();
             h.release();
         },
         ""},
    };
    for (const auto& c : cases) {
        HandHosted hosted(3);
        c.tearDown(hosted);
        EXPECT_EQ(standIn.takeViolations(), c.violations) << c.name;
    }
}

TEST(ComHosting, AComponentThatFailsToStartIsReportedUndoneAndTriedAgain) {
    // Each step of hosting fails once; what was done before it is undone in
    // order (the stand-in reports nothing), and the next operation starts the
    // component afresh.
    ComHarness harness;
    TerminalState state;
    state.machineNumber = Machine;
    harness.seed(state);
    for (LONG step : {standin::StepCreate, standin::StepSetClientSite, standin::StepInitNew,
                      standin::StepDoVerb}) {
        ComDeviceControl control;
        harness.standIn().failNextHosting(step, E_ACCESSDENIED);
        const std::string text =
            testsupport::thrownText([&] { control.OpenSerialLink(Machine, 3, 115200); });
        EXPECT_THAT(text, ::testing::StartsWith("Cihaz erişim bileşeni SBXPC başlatılamadı: "))
            << step;
        EXPECT_GT(text.size(), std::string("Cihaz erişim bileşeni SBXPC başlatılamadı: ").size());
        EXPECT_TRUE(control.OpenSerialLink(Machine, 3, 115200)) << step;
        control.CloseLink();
    }
}

} // namespace nakilon
