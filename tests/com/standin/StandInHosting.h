#pragma once

#include <windows.h>

#include <ocidl.h>
#include <oleidl.h>

#include <cstdint>
#include <string>

namespace nakilon::standin {

// The stand-in is strict about how it is hosted, as a control may be: it
// refuses every operation until it has a client site, has been initialised
// and is active in place in a hidden window, and every operation from a
// thread other than the one that created it (it is apartment-threaded); it
// checks that its host tears it down on that thread in the reverse order
// (in-place deactivation, Close, SetClientSite(nullptr), release). Each breach is a violation:
// written to the process's standard error at once and kept for the tests, which read them with the
// TakeViolations switch.
void reportViolation(const std::string& text);
// The violations reported since the last call, one per line.
std::string takeViolations();

// A hosting step that the FailNextHosting switch makes fail once.
enum class HostingStep : int32_t { Create = 0, SetClientSite = 1, InitNew = 2, DoVerb = 3 };
void failNextHosting(HostingStep step, HRESULT code);
// The failure pending for `step`, taken; S_OK when none is.
HRESULT takeHostingFailure(HostingStep step);

// COM interfaces have no virtual destructor by design; Hosting lives inside
// its control and is never deleted through an interface.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#endif

// The control side of OLE hosting for one stand-in instance. Its IUnknown is
// the instance's own.
class Hosting final : public IOleObject, public IPersistStreamInit, public IOleInPlaceObject {
public:
    explicit Hosting(IUnknown& outer) : m_outer(outer), m_thread(GetCurrentThreadId()) {}
    ~Hosting();
    Hosting(const Hosting&) = delete;
    Hosting& operator=(const Hosting&) = delete;

    // The interface of this object for `iid`, not yet referenced; null when
    // it has none.
    void* interfaceFor(REFIID iid);
    // Null when the control may serve operations, otherwise the reason why not.
    const char* notReady() const;
    // The instance's last reference is going: checks the teardown.
    void released();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        return m_outer.QueryInterface(iid, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return m_outer.AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return m_outer.Release(); }

    // IOleObject
    HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override;
    HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override;
    HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Close(DWORD saveOption) override;
    HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) override;
    HRESULT STDMETHODCALLTYPE InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject** data) override;
    HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG,
                                     HWND parent, LPCRECT position) override;
    HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** verbs) override;
    HRESULT STDMETHODCALLTYPE Update() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE IsUpToDate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* classId) override {
        return GetClassID(classId);
    }
    HRESULT STDMETHODCALLTYPE GetUserType(DWORD, LPOLESTR* type) override;
    HRESULT STDMETHODCALLTYPE SetExtent(DWORD, SIZEL* size) override;
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD, SIZEL* size) override;
    HRESULT STDMETHODCALLTYPE Advise(IAdviseSink*, DWORD* connection) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD) override { return OLE_E_NOCONNECTION; }
    HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** advise) override;
    HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD, DWORD* status) override;
    HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // IPersistStreamInit
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* classId) override;
    HRESULT STDMETHODCALLTYPE IsDirty() override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE Load(LPSTREAM stream) override;
    HRESULT STDMETHODCALLTYPE Save(LPSTREAM, BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) override;
    HRESULT STDMETHODCALLTYPE InitNew() override;

    // IOleInPlaceObject
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override;
    HRESULT STDMETHODCALLTYPE UIDeactivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT position, LPCRECT) override;
    HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override { return E_NOTIMPL; }

private:
    HRESULT initialise(const char* how);
    HRESULT activate(HWND parent, LPCRECT position);
    void deactivate();

    IUnknown& m_outer;
    DWORD m_thread; // the thread that created it
    IOleClientSite* m_site = nullptr;
    IOleInPlaceSite* m_inPlaceSite = nullptr;
    HWND m_window = nullptr;
    SIZEL m_extent{847, 847}; // 32 pixels at 96 dpi, in HIMETRIC
    bool m_everSited = false;
    bool m_initialised = false;
    bool m_active = false;
    bool m_closed = false;
};

#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

} // namespace nakilon::standin
