#include "com/ControlHost.h"

#include "com/ComVariant.h"
#include "core/base/Error.h"
#include "core/base/Text.h"

#include <ocidl.h>
#include <ole2.h>

namespace nakilon::com {

namespace {

bool componentMissing(HRESULT hr) {
    return hr == REGDB_E_CLASSNOTREG || hr == HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND) ||
           hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ||
           hr == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
}

[[noreturn]] void failedToStart(HRESULT hr) {
    throw Error(
        formatText("Cihaz erişim bileşeni SBXPC başlatılamadı: %s", hresultText(hr).c_str()));
}

void check(HRESULT hr) {
    if (FAILED(hr))
        failedToStart(hr);
}

// One reference, released when the scope is left.
template <typename Interface> class Reference {
public:
    Reference() = default;
    ~Reference() {
        if (m_pointer)
            m_pointer->Release();
    }
    Reference(const Reference&) = delete;
    Reference& operator=(const Reference&) = delete;

    Interface* get() const { return m_pointer; }
    Interface* operator->() const { return m_pointer; }
    void** out() { return reinterpret_cast<void**>(&m_pointer); }

private:
    Interface* m_pointer = nullptr;
};

// Gives a new control its initial state; an object that keeps no state
// needs none.
void initialise(IUnknown* control) {
    Reference<IPersistStreamInit> persist;
    if (FAILED(control->QueryInterface(IID_IPersistStreamInit, persist.out())) || !persist.get())
        return;
    check(persist->InitNew());
}

} // namespace

ControlHost::ControlHost(const std::string& classId) {
    // S_FALSE: OLE is already set up on this thread, still to be balanced.
    // RPC_E_CHANGED_MODE: the thread runs another model; use it as it is.
    m_uninitialize = SUCCEEDED(OleInitialize(nullptr));
    try {
        CLSID clsid{};
        if (FAILED(CLSIDFromString(wideFromUtf8(classId).c_str(), &clsid)))
            throw Error(formatText("Geçersiz bileşen sınıf kimliği: %s", classId.c_str()));
        Reference<IUnknown> control;
        const HRESULT hr =
            CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                             IID_IUnknown, control.out());
        if (componentMissing(hr))
            throw Error("Cihaz erişim bileşeni SBXPC bu bilgisayarda kurulu değil");
        check(hr);
        if (!control.get())
            failedToStart(E_POINTER);
        host(control.get());
    } catch (...) {
        tearDown();
        throw;
    }
}

ControlHost::~ControlHost() {
    tearDown();
}

void ControlHost::host(IUnknown* control) {
    IDispatch* dispatch = nullptr;
    check(control->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)));
    m_object = std::make_unique<DispatchObject>(dispatch);

    if (FAILED(control->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&m_oleObject))) ||
        !m_oleObject) {
        m_oleObject = nullptr;
        initialise(control);
        return;
    }
    DWORD status = 0;
    if (FAILED(m_oleObject->GetMiscStatus(DVASPECT_CONTENT, &status)))
        status = 0;
    m_window = std::make_unique<HiddenWindow>();
    m_site = ControlSite::create(m_window->handle());
    if (!m_site)
        failedToStart(E_OUTOFMEMORY);
    // Most controls want their site before their state, to read ambient
    // properties while they initialise.
    const bool siteFirst = (status & OLEMISC_SETCLIENTSITEFIRST) != 0;
    if (siteFirst) {
        check(m_oleObject->SetClientSite(m_site));
        m_sited = true;
    }
    initialise(control);
    if (!siteFirst) {
        check(m_oleObject->SetClientSite(m_site));
        m_sited = true;
    }
    m_oleObject->SetHostNames(L"Nakilon", nullptr);
    RECT rect = HiddenWindow::controlRect();
    m_activated = true;
    check(m_oleObject->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, m_site, 0, m_window->handle(),
                              &rect));
}

void ControlHost::tearDown() noexcept {
    if (m_oleObject) {
        if (m_activated) {
            Reference<IOleInPlaceObject> inPlace;
            if (SUCCEEDED(m_oleObject->QueryInterface(IID_IOleInPlaceObject, inPlace.out())) &&
                inPlace.get())
                inPlace->InPlaceDeactivate();
            m_activated = false;
        }
        m_oleObject->Close(OLECLOSE_NOSAVE);
        if (m_sited)
            m_oleObject->SetClientSite(nullptr);
        m_sited = false;
    }
    m_object.reset();
    if (m_oleObject)
        m_oleObject->Release();
    m_oleObject = nullptr;
    if (m_site)
        m_site->Release();
    m_site = nullptr;
    m_window.reset();
    if (m_uninitialize)
        OleUninitialize();
    m_uninitialize = false;
}

} // namespace nakilon::com
