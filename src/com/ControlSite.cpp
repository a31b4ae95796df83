#include "com/ControlSite.h"

#include "com/ComVariant.h"
#include "core/base/Error.h"
#include "core/base/Text.h"

#include <new>

namespace nakilon::com {

namespace {

constexpr const wchar_t* WindowClass = L"NakilonHiddenControlHost";

// The window class of the hidden host windows, registered once per process.
ATOM registerWindowClass() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = WindowClass;
    return RegisterClassExW(&windowClass);
}

} // namespace

HiddenWindow::HiddenWindow() {
    static const ATOM windowClass = registerWindowClass();
    const RECT rect = controlRect();
    // WS_POPUP without WS_VISIBLE: never shown, never in the taskbar.
    m_window = CreateWindowExW(
        WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, windowClass ? MAKEINTATOM(windowClass) : WindowClass,
        L"Nakilon SBXPC", WS_POPUP | WS_CLIPCHILDREN, 0, 0, rect.right - rect.left,
        rect.bottom - rect.top, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!m_window)
        throw Error(formatText("Cihaz erişim bileşeni için pencere oluşturulamadı: %s",
                               hresultText(HRESULT_FROM_WIN32(GetLastError())).c_str()));
}

HiddenWindow::~HiddenWindow() {
    DestroyWindow(m_window);
}

ControlSite* ControlSite::create(HWND window) {
    return new (std::nothrow) ControlSite(window);
}

HRESULT ControlSite::QueryInterface(REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleClientSite)) {
        *object = static_cast<IOleClientSite*>(this);
    } else if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceSite)) {
        *object = static_cast<IOleInPlaceSite*>(this);
    } else if (IsEqualIID(iid, IID_IOleInPlaceUIWindow) || IsEqualIID(iid, IID_IOleInPlaceFrame)) {
        *object = static_cast<IOleInPlaceFrame*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG ControlSite::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&m_references));
}

ULONG ControlSite::Release() {
    const LONG left = InterlockedDecrement(&m_references);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

HRESULT ControlSite::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker)
        *moniker = nullptr;
    return E_NOTIMPL;
}

HRESULT ControlSite::GetContainer(IOleContainer** container) {
    if (container)
        *container = nullptr;
    return E_NOINTERFACE;
}

HRESULT ControlSite::GetWindow(HWND* window) {
    if (!window)
        return E_POINTER;
    *window = m_window;
    return S_OK;
}

HRESULT ControlSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                      LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
    if (!frame || !document || !position || !clip || !info)
        return E_POINTER;
    // The site is its own frame; there is no document window apart from it.
    AddRef();
    *frame = this;
    *document = nullptr;
    *position = HiddenWindow::controlRect();
    *clip = *position;
    info->fMDIApp = FALSE;
    info->hwndFrame = m_window;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
}

} // namespace nakilon::com
