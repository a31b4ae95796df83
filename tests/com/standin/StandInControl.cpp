#include "StandInControl.h"

#include "StandInHosting.h"
#include "StandInIds.h"

#include "com/ComVariant.h"
#include "core/base/Error.h"
#include "core/device/DeviceControl.h"
#include "emulator/ChannelDeviceControl.h"
#include "emulator/LocalChannel.h"
#include "emulator/StateFile.h"
#include "emulator/VirtualTerminal.h"
#ifdef NAKILON_STANDIN_TCP
#include "emulator/net/EmulatorDeviceControl.h"
#endif

#include <atomic>
#include <cwchar>
#include <memory>
#include <optional>
#include <string>

namespace nakilon::standin {

namespace {

std::atomic<LONG> g_objects{0};

// The component's interface id (`_DSBXPC`).
constexpr IID DSbxpc = {
    0x6C1D3CFC, 0x712A, 0x41B4, {0xA5, 0x3F, 0xCC, 0x10, 0xF6, 0x41, 0x27, 0x91}};

struct Shape {
    LONG lower = 0;
    LONG count = 0;
    int32_t kind = ShapeI4;
};

// What every instance of the process shares: the terminal, reached at
// 127.0.0.1:4370, at serial port 3 and by USB; and the test switches.
struct World {
    VirtualTerminal terminal;
    std::optional<std::pair<std::wstring, HRESULT>> failure;
    std::optional<Shape> shape;
    VARIANT_BOOL trueValue = VARIANT_TRUE;
};

World& world() {
    static World instance;
    return instance;
}

VirtualTerminal* reach(const LinkTarget& target) {
    const bool reached = target.serial ? (target.port == 3 || target.port == 0)
                                       : (target.ipAddress == "127.0.0.1" && target.port == 4370);
    return reached ? &world().terminal : nullptr;
}

// The device control behind one instance, as the mode variable says; null for
// an unknown mode.
std::unique_ptr<DeviceControl> makeTerminalControl() {
    wchar_t buffer[32] = {};
    const DWORD length = GetEnvironmentVariableW(ModeVariable, buffer, 32);
    const std::wstring name = length < 32 ? std::wstring(buffer, length) : L"(too long)";
    if (name.empty() || name == L"seeded")
        return std::make_unique<ChannelDeviceControl>(
            std::make_unique<LocalChannel>([](const LinkTarget& t) { return reach(t); }));
#ifdef NAKILON_STANDIN_TCP
    if (name == L"tcp")
        return makeEmulatorDeviceControl();
#endif
    reportViolation("unknown mode in NAKILON_STANDIN_MODE: " + com::utf8FromWide(name));
    return nullptr;
}

// A call that cannot be served: the HRESULT and, for a bad argument, its
// position in rgvarg.
struct Refusal {
    HRESULT code;
    UINT argument = 0;
};

// The positional arguments of one call, by parameter position (rgvarg holds
// them reversed). Each accessor insists on the type that the component's
// callers pass, so that a caller passing anything else is caught.
class Arguments {
public:
    Arguments(const DISPPARAMS& params, UINT expected) : m_params(params) {
        if (params.cNamedArgs != 0)
            throw Refusal{DISP_E_NONAMEDARGS};
        if (params.cArgs != expected)
            throw Refusal{DISP_E_BADPARAMCOUNT};
    }

    LONG number(UINT i) const {
        const VARIANTARG& a = at(i);
        if (a.vt != VT_I4)
            throw Refusal{DISP_E_TYPEMISMATCH, position(i)};
        return a.lVal;
    }
    LONG* out(UINT i) const {
        const VARIANTARG& a = at(i);
        if (a.vt != (VT_BYREF | VT_I4) || !a.plVal)
            throw Refusal{DISP_E_TYPEMISMATCH, position(i)};
        return a.plVal;
    }
    BSTR text(UINT i) const {
        const VARIANTARG& a = at(i);
        if (a.vt != (VT_BYREF | VT_BSTR) || !a.pbstrVal)
            throw Refusal{DISP_E_TYPEMISMATCH, position(i)};
        return *a.pbstrVal;
    }
    BSTR value(UINT i) const {
        const VARIANTARG& a = at(i);
        if (a.vt != VT_BSTR)
            throw Refusal{DISP_E_TYPEMISMATCH, position(i)};
        return a.bstrVal;
    }
    // The enrollment array: a VARIANT by reference holding a one-dimensional
    // VT_I4 array with bounds 0..353.
    VARIANT* enrollment(UINT i) const {
        const VARIANTARG& a = at(i);
        if (a.vt != (VT_BYREF | VT_VARIANT) || !a.pvarVal)
            throw Refusal{DISP_E_TYPEMISMATCH, position(i)};
        VARIANT* inner = a.pvarVal;
        LONG lower = 1;
        LONG upper = 0;
        if (inner->vt != (VT_ARRAY | VT_I4) || !inner->parray ||
            SafeArrayGetDim(inner->parray) != 1 ||
            FAILED(SafeArrayGetLBound(inner->parray, 1, &lower)) ||
            FAILED(SafeArrayGetUBound(inner->parray, 1, &upper)) || lower != 0 ||
            upper != static_cast<LONG>(EnrollmentSize) - 1)
            throw Refusal{DISP_E_TYPEMISMATCH, position(i)};
        return inner;
    }

private:
    UINT position(UINT i) const { return m_params.cArgs - 1 - i; }
    const VARIANTARG& at(UINT i) const { return m_params.rgvarg[position(i)]; }

    const DISPPARAMS& m_params;
};

// An out value as the caller's variable holds it, written back after the call.
class Out {
public:
    explicit Out(LONG* target) : m_target(target), m_value(static_cast<int32_t>(*target)) {}
    ~Out() { *m_target = static_cast<LONG>(m_value); }
    Out(const Out&) = delete;
    Out& operator=(const Out&) = delete;
    int32_t& value() { return m_value; }

private:
    LONG* m_target;
    int32_t m_value;
};

HRESULT makeArray(const EnrollmentData& data, const Shape& shape, VARIANT* into) {
    auto element = [&](LONG k) -> LONG {
        return (k >= 0 && k < static_cast<LONG>(EnrollmentSize)) ? data[static_cast<size_t>(k)]
                                                                 : -1;
    };
    VariantClear(into);
    if (shape.kind == ShapeNotArray) {
        into->vt = VT_I4;
        into->lVal = 1;
        return S_OK;
    }
    if (shape.kind == ShapeTwoDims) {
        SAFEARRAYBOUND bounds[2] = {{static_cast<ULONG>(shape.count), shape.lower}, {1, 0}};
        into->parray = SafeArrayCreate(VT_I4, 2, bounds);
        into->vt = VT_ARRAY | VT_I4;
        return into->parray ? S_OK : E_OUTOFMEMORY;
    }
    const VARTYPE type = shape.kind == ShapeVariants ? VT_VARIANT : VT_I4;
    SAFEARRAY* array = SafeArrayCreateVector(type, shape.lower, static_cast<ULONG>(shape.count));
    if (!array)
        return E_OUTOFMEMORY;
    for (LONG j = 0; j < shape.count; ++j) {
        LONG index = shape.lower + j;
        LONG number = element(index);
        if (type == VT_I4) {
            SafeArrayPutElement(array, &index, &number);
        } else {
            VARIANT v;
            VariantInit(&v);
            v.vt = VT_I4;
            v.lVal = number;
            SafeArrayPutElement(array, &index, &v);
        }
    }
    into->vt = VT_ARRAY | type;
    into->parray = array;
    return S_OK;
}

HRESULT fillArray(const EnrollmentData& data, VARIANT* array) {
    void* elements = nullptr;
    if (FAILED(SafeArrayAccessData(array->parray, &elements)))
        return E_UNEXPECTED;
    std::copy(data.begin(), data.end(), static_cast<LONG*>(elements));
    SafeArrayUnaccessData(array->parray);
    return S_OK;
}

// COM interfaces have no virtual destructor by design: an object deletes
// itself through its own type in Release.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#endif
class Control : public IDispatch {
public:
    explicit Control(std::unique_ptr<DeviceControl> control) : m_control(std::move(control)) {
        objectCreated();
    }
    virtual ~Control() { objectReleased(); }
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object)
            return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
            IsEqualIID(iid, DSbxpc)) {
            *object = static_cast<IDispatch*>(this);
        } else {
            *object = m_hosting.interfaceFor(iid);
            if (!*object)
                return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++m_references); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = --m_references;
        if (left == 0) {
            m_hosting.released();
            delete this;
        }
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override {
        return DISP_E_BADINDEX;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception,
                                     UINT* argumentError) override;

private:
    HRESULT serve(DISPID id, WORD flags, const DISPPARAMS& params, VARIANT* result);
    HRESULT property(DISPID id, WORD flags, const DISPPARAMS& params, VARIANT* result);
    HRESULT testSwitch(DISPID id, const DISPPARAMS& params, VARIANT* result);
    void answer(VARIANT* result, bool value) const {
        if (!result)
            return;
        VariantInit(result);
        result->vt = VT_BOOL;
        result->boolVal = value ? world().trueValue : VARIANT_FALSE;
    }

    std::atomic<LONG> m_references{1};
    Hosting m_hosting{*static_cast<IDispatch*>(this)};
    std::unique_ptr<DeviceControl> m_control;
    LONG m_commPort = 1;
    LONG m_baudrate = 115200;
};
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

struct Name {
    const wchar_t* name;
    DISPID id;
};

const Name kNames[] = {
    {L"CommPort", dispid::CommPort},
    {L"Baudrate", dispid::Baudrate},
    {L"ReadMark", dispid::ReadMark},
    {L"DownloadEnrollment", dispid::DownloadEnrollment},
    {L"UploadEnrollment", dispid::UploadEnrollment},
    {L"FetchLogBatch", dispid::FetchLogBatch},
    {L"TakeLogEntry", dispid::TakeLogEntry},
    {L"QueryDeviceCounter", dispid::QueryDeviceCounter},
    {L"SetDeviceActive", dispid::SetDeviceActive},
    {L"ReadDeviceClock", dispid::ReadDeviceClock},
    {L"SyncDeviceClock", dispid::SyncDeviceClock},
    {L"ChangeUserRole", dispid::ChangeUserRole},
    {L"FetchUserIndex", dispid::FetchUserIndex},
    {L"TakeUserIndexEntry", dispid::TakeUserIndexEntry},
    {L"PurgeLogs", dispid::PurgeLogs},
    {L"OpenSerialLink", dispid::OpenSerialLink},
    {L"OpenNetworkLink", dispid::OpenNetworkLink},
    {L"CloseLink", dispid::CloseLink},
};

HRESULT Control::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!names || !ids)
        return E_POINTER;
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        // Only methods and properties have names here; their parameters none.
        if (i == 0) {
            for (const Name& n : kNames) {
                if (_wcsicmp(names[0], n.name) == 0)
                    ids[0] = n.id;
            }
        }
        if (ids[i] == DISPID_UNKNOWN)
            hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT Control::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argumentError) {
    if (!params)
        return E_POINTER;
    std::wstring text;
    try {
        if (id >= SeedState)
            return testSwitch(id, *params, result);
        if (const char* reason = m_hosting.notReady()) {
            const std::string refusal = "call " + std::to_string(id) + " refused: " + reason;
            reportViolation(refusal);
            text = com::wideFromUtf8("SBXPC stand-in: " + refusal);
        } else if (world().failure) {
            const auto failure = *world().failure;
            world().failure.reset();
            if (failure.first.empty())
                return failure.second;
            text = failure.first;
        } else {
            return serve(id, flags, *params, result);
        }
    } catch (const Refusal& refusal) {
        if (argumentError)
            *argumentError = refusal.argument;
        return refusal.code;
    } catch (const Error& error) {
        text = com::wideFromUtf8(error.text());
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    if (!exception)
        return DISP_E_EXCEPTION;
    *exception = EXCEPINFO{};
    exception->scode = E_FAIL;
    exception->bstrSource = SysAllocString(L"SBXPC");
    exception->bstrDescription = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return DISP_E_EXCEPTION;
}

HRESULT Control::property(DISPID id, WORD flags, const DISPPARAMS& params, VARIANT* result) {
    if (flags & DISPATCH_PROPERTYPUT) {
        if (params.cArgs != 1 || params.cNamedArgs != 1 || !params.rgdispidNamedArgs ||
            params.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
            return DISP_E_PARAMNOTOPTIONAL;
        const VARIANTARG& value = params.rgvarg[0];
        if (id == dispid::ReadMark) {
            if (value.vt != VT_BOOL)
                return DISP_E_TYPEMISMATCH;
            m_control->SetReadMark(value.boolVal != 0);
        } else {
            if (value.vt != VT_I4)
                return DISP_E_TYPEMISMATCH;
            (id == dispid::CommPort ? m_commPort : m_baudrate) = value.lVal;
        }
        return S_OK;
    }
    if (!(flags & DISPATCH_PROPERTYGET))
        return DISP_E_MEMBERNOTFOUND;
    if (params.cArgs != 0)
        return DISP_E_BADPARAMCOUNT;
    if (!result)
        return S_OK;
    VariantInit(result);
    if (id == dispid::ReadMark) {
        result->vt = VT_BOOL;
        result->boolVal = m_control->ReadMark() ? VARIANT_TRUE : VARIANT_FALSE;
    } else {
        result->vt = VT_I4;
        result->lVal = id == dispid::CommPort ? m_commPort : m_baudrate;
    }
    return S_OK;
}

HRESULT Control::serve(DISPID id, WORD flags, const DISPPARAMS& params, VARIANT* result) {
    if (id == dispid::CommPort || id == dispid::Baudrate || id == dispid::ReadMark)
        return property(id, flags, params, result);
    if (!(flags & DISPATCH_METHOD))
        return DISP_E_MEMBERNOTFOUND;
    DeviceControl& c = *m_control;
    switch (id) {
    case dispid::OpenNetworkLink: {
        const Arguments a(params, 4);
        const std::string address =
            com::cp1254FromWide(std::wstring_view(a.text(1), SysStringLen(a.text(1))));
        answer(result, c.OpenNetworkLink(a.number(0), address, a.number(2), a.number(3)));
        return S_OK;
    }
    case dispid::OpenSerialLink: {
        const Arguments a(params, 3);
        answer(result, c.OpenSerialLink(a.number(0), a.number(1), a.number(2)));
        return S_OK;
    }
    case dispid::CloseLink: {
        const Arguments a(params, 0);
        c.CloseLink();
        return S_OK;
    }
    case dispid::SetDeviceActive: {
        const Arguments a(params, 2);
        answer(result, c.SetDeviceActive(a.number(0), a.number(1)));
        return S_OK;
    }
    case dispid::FetchLogBatch: {
        const Arguments a(params, 1);
        // The component marks the records read inside the fetch.
        const bool fetched = c.FetchLogBatch(a.number(0));
        if (fetched)
            c.confirmLogBatch(a.number(0));
        answer(result, fetched);
        return S_OK;
    }
    case dispid::TakeLogEntry: {
        const Arguments a(params, 11);
        Out v1(a.out(1)), v2(a.out(2)), v3(a.out(3)), v4(a.out(4)), v5(a.out(5)), v6(a.out(6)),
            v7(a.out(7)), v8(a.out(8)), v9(a.out(9)), v10(a.out(10));
        answer(result, c.TakeLogEntry(a.number(0), v1.value(), v2.value(), v3.value(), v4.value(),
                                      v5.value(), v6.value(), v7.value(), v8.value(), v9.value(),
                                      v10.value()));
        return S_OK;
    }
    case dispid::QueryDeviceCounter: {
        const Arguments a(params, 3);
        Out value(a.out(2));
        answer(result, c.QueryDeviceCounter(a.number(0), a.number(1), value.value()));
        return S_OK;
    }
    case dispid::FetchUserIndex: {
        const Arguments a(params, 1);
        answer(result, c.FetchUserIndex(a.number(0)));
        return S_OK;
    }
    case dispid::TakeUserIndexEntry: {
        const Arguments a(params, 6);
        Out v1(a.out(1)), v2(a.out(2)), v3(a.out(3)), v4(a.out(4)), v5(a.out(5));
        answer(result, c.TakeUserIndexEntry(a.number(0), v1.value(), v2.value(), v3.value(),
                                            v4.value(), v5.value()));
        return S_OK;
    }
    case dispid::DownloadEnrollment: {
        const Arguments a(params, 7);
        VARIANT* array = a.enrollment(5);
        Out privilege(a.out(4)), password(a.out(6));
        EnrollmentData data = *com::readEnrollmentArray(*array);
        const bool ok = c.DownloadEnrollment(a.number(0), a.number(1), a.number(2), a.number(3),
                                             privilege.value(), data, password.value());
        if (ok) {
            HRESULT hr = S_OK;
            if (world().shape) {
                const Shape shape = *world().shape;
                world().shape.reset();
                hr = makeArray(data, shape, array);
            } else {
                hr = fillArray(data, array);
            }
            if (FAILED(hr))
                return hr;
        }
        answer(result, ok);
        return S_OK;
    }
    case dispid::UploadEnrollment: {
        const Arguments a(params, 7);
        const EnrollmentData data = *com::readEnrollmentArray(*a.enrollment(5));
        answer(result, c.UploadEnrollment(a.number(0), a.number(1), a.number(2), a.number(3),
                                          a.number(4), data, a.number(6)));
        return S_OK;
    }
    case dispid::ReadDeviceClock: {
        const Arguments a(params, 8);
        Out v1(a.out(1)), v2(a.out(2)), v3(a.out(3)), v4(a.out(4)), v5(a.out(5)), v6(a.out(6)),
            v7(a.out(7));
        answer(result, c.ReadDeviceClock(a.number(0), v1.value(), v2.value(), v3.value(),
                                         v4.value(), v5.value(), v6.value(), v7.value()));
        return S_OK;
    }
    case dispid::SyncDeviceClock: {
        const Arguments a(params, 1);
        answer(result, c.SyncDeviceClock(a.number(0)));
        return S_OK;
    }
    case dispid::ChangeUserRole: {
        const Arguments a(params, 5);
        answer(result,
               c.ChangeUserRole(a.number(0), a.number(1), a.number(2), a.number(3), a.number(4)));
        return S_OK;
    }
    case dispid::PurgeLogs: {
        const Arguments a(params, 1);
        answer(result, c.PurgeLogs(a.number(0)));
        return S_OK;
    }
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}

HRESULT Control::testSwitch(DISPID id, const DISPPARAMS& params, VARIANT* result) {
    switch (id) {
    case SeedState: {
        const Arguments a(params, 1);
        BSTR text = a.value(0);
        world().terminal.state() =
            parseStateText(com::utf8FromWide(std::wstring_view(text, SysStringLen(text))));
        return S_OK;
    }
    case HeldState: {
        const Arguments a(params, 0);
        if (!result)
            return E_POINTER;
        const std::wstring text = com::wideFromUtf8(formatStateText(world().terminal.state()));
        VariantInit(result);
        result->vt = VT_BSTR;
        result->bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        return result->bstrVal ? S_OK : E_OUTOFMEMORY;
    }
    case FailNextCall: {
        const Arguments a(params, 2);
        BSTR text = a.value(0);
        world().failure.emplace(std::wstring(text, SysStringLen(text)),
                                static_cast<HRESULT>(a.number(1)));
        return S_OK;
    }
    case ShapeNextDownload: {
        const Arguments a(params, 3);
        world().shape = Shape{a.number(0), a.number(1), a.number(2)};
        return S_OK;
    }
    case TrueAs: {
        const Arguments a(params, 1);
        world().trueValue = static_cast<VARIANT_BOOL>(a.number(0));
        return S_OK;
    }
    case Reset: {
        const Arguments a(params, 0);
        world().failure.reset();
        world().shape.reset();
        world().trueValue = VARIANT_TRUE;
        for (HostingStep step : {HostingStep::Create, HostingStep::SetClientSite,
                                 HostingStep::InitNew, HostingStep::DoVerb})
            takeHostingFailure(step);
        return S_OK;
    }
    case TakeViolations: {
        const Arguments a(params, 0);
        if (!result)
            return E_POINTER;
        const std::wstring text = com::wideFromUtf8(takeViolations());
        VariantInit(result);
        result->vt = VT_BSTR;
        result->bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        return result->bstrVal ? S_OK : E_OUTOFMEMORY;
    }
    case FailNextHosting: {
        const Arguments a(params, 2);
        const LONG step = a.number(0);
        if (step < StepCreate || step > StepDoVerb)
            throw Refusal{DISP_E_OVERFLOW, 1};
        failNextHosting(static_cast<HostingStep>(step), static_cast<HRESULT>(a.number(1)));
        return S_OK;
    }
    case RefuseNextCall: {
        const Arguments a(params, 1);
        BSTR text = a.value(0);
        const std::string operation =
            com::utf8FromWide(std::wstring_view(text, SysStringLen(text)));
        if (!isFaultableOperation(operation))
            throw Refusal{DISP_E_OVERFLOW, 0};
        world().terminal.refuseNextCall(operation);
        return S_OK;
    }
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}

} // namespace

HRESULT createControl(IDispatch** control) {
    *control = nullptr;
    if (const HRESULT failure = takeHostingFailure(HostingStep::Create); failure != S_OK)
        return failure;
    try {
        std::unique_ptr<DeviceControl> terminals = makeTerminalControl();
        if (!terminals)
            return E_INVALIDARG;
        *control = new Control(std::move(terminals));
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

LONG liveObjects() {
    return g_objects;
}

void objectCreated() {
    ++g_objects;
}

void objectReleased() {
    --g_objects;
}

} // namespace nakilon::standin
