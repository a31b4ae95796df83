#include "StandInHosting.h"

#include "com/ComVariant.h"
#include "core/device/DeviceControl.h"

#include <array>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

namespace nakilon::standin {

namespace {

struct Record {
    std::mutex mutex;
    std::string violations;
    std::array<std::optional<HRESULT>, 4> failures;
};

Record& record() {
    static Record instance;
    return instance;
}

// A violation that the caller also sees as the call's failure.
HRESULT refuse(const std::string& text) {
    reportViolation(text);
    return E_UNEXPECTED;
}

} // namespace

void reportViolation(const std::string& text) {
    const std::string line = "SBXPC stand-in: " + text;
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
    std::lock_guard lock(record().mutex);
    record().violations += line + "\n";
}

std::string takeViolations() {
    std::lock_guard lock(record().mutex);
    return std::exchange(record().violations, std::string());
}

void failNextHosting(HostingStep step, HRESULT code) {
    std::lock_guard lock(record().mutex);
    record().failures.at(static_cast<size_t>(step)) = code;
}

HRESULT takeHostingFailure(HostingStep step) {
    std::lock_guard lock(record().mutex);
    std::optional<HRESULT>& pending = record().failures.at(static_cast<size_t>(step));
    const HRESULT code = pending.value_or(S_OK);
    pending.reset();
    return code;
}

Hosting::~Hosting() {
    // Whatever a careless host left behind is let go without further checks.
    deactivate();
    if (m_site)
        m_site->Release();
}

void* Hosting::interfaceFor(REFIID iid) {
    if (IsEqualIID(iid, IID_IOleObject))
        return static_cast<IOleObject*>(this);
    if (IsEqualIID(iid, IID_IPersistStreamInit) || IsEqualIID(iid, IID_IPersist))
        return static_cast<IPersistStreamInit*>(this);
    if (IsEqualIID(iid, IID_IOleInPlaceObject) || IsEqualIID(iid, IID_IOleWindow))
        return static_cast<IOleInPlaceObject*>(this);
    return nullptr;
}

const char* Hosting::notReady() const {
    // Apartment-threaded: only the thread that created it may call it.
    if (GetCurrentThreadId() != m_thread)
        return "called from a thread other than the one that created it";
    if (m_closed)
        return "the control was closed";
    if (!m_site)
        return "the control has no client site";
    if (!m_initialised)
        return "the control was not initialised (InitNew)";
    if (!m_active)
        return "the control is not active in place";
    return nullptr;
}

void Hosting::released() {
    if (!m_everSited)
        return; // never hosted: a plain object, nothing to tear down
    if (GetCurrentThreadId() != m_thread)
        reportViolation("released on a thread other than the one that created it");
    if (m_active)
        reportViolation("released while active in place (InPlaceDeactivate first)");
    if (!m_closed)
        reportViolation("released without Close");
    if (m_site)
        reportViolation("released while it holds its client site (SetClientSite(nullptr) first)");
}

HRESULT Hosting::SetClientSite(IOleClientSite* site) {
    if (!site) {
        if (m_site && m_active)
            reportViolation("client site taken while active in place");
        else if (m_site && !m_closed)
            reportViolation("client site taken before Close");
        if (m_site)
            m_site->Release();
        m_site = nullptr;
        return S_OK;
    }
    if (const HRESULT failure = takeHostingFailure(HostingStep::SetClientSite); failure != S_OK)
        return failure;
    site->AddRef();
    if (m_site)
        m_site->Release();
    m_site = site;
    m_everSited = true;
    return S_OK;
}

HRESULT Hosting::GetClientSite(IOleClientSite** site) {
    if (!site)
        return E_POINTER;
    *site = m_site;
    if (m_site)
        m_site->AddRef();
    return S_OK;
}

HRESULT Hosting::Close(DWORD) {
    if (m_active) {
        reportViolation("closed while active in place (InPlaceDeactivate first)");
        deactivate();
    }
    m_closed = true;
    return S_OK;
}

HRESULT Hosting::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker)
        *moniker = nullptr;
    return E_NOTIMPL;
}

HRESULT Hosting::GetClipboardData(DWORD, IDataObject** data) {
    if (data)
        *data = nullptr;
    return E_NOTIMPL;
}

HRESULT Hosting::DoVerb(LONG verb, LPMSG, IOleClientSite*, LONG, HWND parent, LPCRECT position) {
    // A hidden control is only ever activated in place; showing it or making
    // it UI-active would put it in front of the operator.
    if (verb != OLEIVERB_INPLACEACTIVATE)
        return refuse("DoVerb(" + std::to_string(verb) +
                      "): a hidden control is activated with OLEIVERB_INPLACEACTIVATE only");
    if (m_active)
        return S_OK;
    if (const HRESULT failure = takeHostingFailure(HostingStep::DoVerb); failure != S_OK)
        return failure;
    return activate(parent, position);
}

HRESULT Hosting::activate(HWND parent, LPCRECT position) {
    if (m_closed)
        return refuse("activated after Close");
    if (!m_site)
        return refuse("activated without a client site");
    if (!m_initialised)
        return refuse("activated before InitNew");
    if (!IsWindow(parent))
        return refuse("activated without a parent window");
    if (IsWindowVisible(parent))
        return refuse("activated in a visible window; the control must stay hidden");
    IOleInPlaceSite* site = nullptr;
    if (FAILED(m_site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&site))) ||
        !site)
        return refuse("the client site has no IOleInPlaceSite");
    // From here on the in-place site is held, and let go by deactivate().
    m_inPlaceSite = site;
    HWND siteWindow = nullptr;
    if (site->CanInPlaceActivate() != S_OK || FAILED(site->GetWindow(&siteWindow)) ||
        siteWindow != parent) {
        deactivate();
        return refuse("the in-place site refuses activation or names another window");
    }
    if (FAILED(site->OnInPlaceActivate())) {
        deactivate();
        return refuse("OnInPlaceActivate failed");
    }
    // Active for the site from here on: a failure below tells it so again.
    m_active = true;
    IOleInPlaceFrame* frame = nullptr;
    IOleInPlaceUIWindow* document = nullptr;
    RECT place{};
    RECT clip{};
    OLEINPLACEFRAMEINFO info{};
    info.cb = sizeof info;
    const HRESULT context = site->GetWindowContext(&frame, &document, &place, &clip, &info);
    const bool framed = SUCCEEDED(context) && frame;
    if (frame)
        frame->Release();
    if (document)
        document->Release();
    if (!framed) {
        deactivate();
        return refuse("GetWindowContext gave no frame");
    }
    if (position)
        place = *position;
    m_window = CreateWindowExW(0, L"STATIC", L"SBXPC", WS_CHILD, place.left, place.top,
                               place.right - place.left, place.bottom - place.top, parent, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    if (!m_window) {
        deactivate();
        return refuse("could not create its window inside the parent");
    }
    return S_OK;
}

void Hosting::deactivate() {
    if (m_window)
        DestroyWindow(m_window);
    m_window = nullptr;
    if (m_inPlaceSite) {
        if (m_active)
            m_inPlaceSite->OnInPlaceDeactivate();
        m_inPlaceSite->Release();
    }
    m_inPlaceSite = nullptr;
    m_active = false;
}

HRESULT Hosting::EnumVerbs(IEnumOLEVERB** verbs) {
    if (verbs)
        *verbs = nullptr;
    return E_NOTIMPL;
}

HRESULT Hosting::GetUserType(DWORD, LPOLESTR* type) {
    if (type)
        *type = nullptr;
    return OLE_S_USEREG;
}

HRESULT Hosting::SetExtent(DWORD, SIZEL* size) {
    if (!size)
        return E_POINTER;
    m_extent = *size;
    return S_OK;
}

HRESULT Hosting::GetExtent(DWORD, SIZEL* size) {
    if (!size)
        return E_POINTER;
    *size = m_extent;
    return S_OK;
}

HRESULT Hosting::Advise(IAdviseSink*, DWORD* connection) {
    if (connection)
        *connection = 0;
    return OLE_E_ADVISENOTSUPPORTED;
}

HRESULT Hosting::EnumAdvise(IEnumSTATDATA** advise) {
    if (advise)
        *advise = nullptr;
    return OLE_E_ADVISENOTSUPPORTED;
}

HRESULT Hosting::GetMiscStatus(DWORD, DWORD* status) {
    if (!status)
        return E_POINTER;
    // As most controls: the site first, so that initialisation can read it.
    *status = OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_INSIDEOUT |
              OLEMISC_CANTLINKINSIDE;
    return S_OK;
}

HRESULT Hosting::GetClassID(CLSID* classId) {
    if (!classId)
        return E_POINTER;
    return CLSIDFromString(com::wideFromUtf8(SbxpcClassId).c_str(), classId);
}

HRESULT Hosting::Load(LPSTREAM) {
    return initialise("Load");
}

HRESULT Hosting::GetSizeMax(ULARGE_INTEGER* size) {
    if (!size)
        return E_POINTER;
    size->QuadPart = 0;
    return S_OK;
}

HRESULT Hosting::InitNew() {
    if (const HRESULT failure = takeHostingFailure(HostingStep::InitNew); failure != S_OK)
        return failure;
    return initialise("InitNew");
}

HRESULT Hosting::initialise(const char* how) {
    if (m_initialised) {
        reportViolation(std::string(how) + " on an initialised control");
        return CO_E_ALREADYINITIALIZED;
    }
    if (!m_site)
        return refuse(std::string(how) + " before SetClientSite, though the control asks for "
                                         "its site first (OLEMISC_SETCLIENTSITEFIRST)");
    m_initialised = true;
    return S_OK;
}

HRESULT Hosting::GetWindow(HWND* window) {
    if (!window)
        return E_POINTER;
    *window = m_window;
    return m_window ? S_OK : E_FAIL;
}

HRESULT Hosting::InPlaceDeactivate() {
    deactivate();
    return S_OK;
}

HRESULT Hosting::SetObjectRects(LPCRECT position, LPCRECT) {
    if (!position)
        return E_POINTER;
    if (m_window)
        MoveWindow(m_window, position->left, position->top, position->right - position->left,
                   position->bottom - position->top, FALSE);
    return S_OK;
}

} // namespace nakilon::standin
