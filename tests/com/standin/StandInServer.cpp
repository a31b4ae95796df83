// The in-process server of the stand-in component: class factory, unloading
// and self-registration (regsvr32) under the component's class id.

#include "StandInControl.h"

#include "com/ComVariant.h"
#include "core/device/DeviceControl.h"

#include <olectl.h>
#include <unknwn.h>

#include <atomic>
#include <string>

using namespace nakilon;

namespace {

HMODULE g_module = nullptr;
std::atomic<LONG> g_locks{0};

// COM interfaces have no virtual destructor by design: an object deletes
// itself through its own type in Release.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#endif
class Factory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object)
            return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *object = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // The factory is static: it lives as long as the DLL.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        IDispatch* control = nullptr;
        if (const HRESULT created = standin::createControl(&control); FAILED(created))
            return created;
        const HRESULT hr = control->QueryInterface(iid, object);
        control->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        lock ? ++g_locks : --g_locks;
        return S_OK;
    }
};
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

Factory g_factory;

std::wstring classKey() {
    return L"CLSID\\" + com::wideFromUtf8(SbxpcClassId);
}

std::wstring modulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(g_module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// The file registered as the class's in-process server, or "" when none is.
std::wstring registeredServer() {
    const std::wstring key = classKey() + L"\\InprocServer32";
    wchar_t value[MAX_PATH * 2] = {};
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value,
                     &size) != ERROR_SUCCESS)
        return {};
    return value;
}

LSTATUS setValue(HKEY key, const wchar_t* name, const std::wstring& value) {
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    CLSID ours{};
    if (FAILED(CLSIDFromString(com::wideFromUtf8(SbxpcClassId).c_str(), &ours)) ||
        !IsEqualCLSID(clsid, ours))
        return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(iid, object);
}

STDAPI DllCanUnloadNow() {
    return (standin::liveObjects() == 0 && g_locks == 0) ? S_OK : S_FALSE;
}

// Registers this DLL for the component's class id. It never replaces another
// server registered there: on a machine that has the real component, the
// stand-in refuses rather than take its place.
STDAPI DllRegisterServer() {
    const std::wstring self = modulePath();
    if (self.empty())
        return SELFREG_E_CLASS;
    const std::wstring current = registeredServer();
    if (!current.empty() && _wcsicmp(current.c_str(), self.c_str()) != 0)
        return SELFREG_E_CLASS;
    HKEY server = nullptr;
    const std::wstring key = classKey() + L"\\InprocServer32";
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &server,
                        nullptr) != ERROR_SUCCESS)
        return SELFREG_E_CLASS;
    const bool written = setValue(server, nullptr, self) == ERROR_SUCCESS &&
                         setValue(server, L"ThreadingModel", L"Apartment") == ERROR_SUCCESS;
    RegCloseKey(server);
    HKEY classKeyHandle = nullptr;
    if (written && RegOpenKeyExW(HKEY_CLASSES_ROOT, classKey().c_str(), 0, KEY_WRITE,
                                 &classKeyHandle) == ERROR_SUCCESS) {
        setValue(classKeyHandle, nullptr, L"Nakilon SBXPC stand-in (test equipment)");
        RegCloseKey(classKeyHandle);
    }
    return written ? S_OK : SELFREG_E_CLASS;
}

// Removes the registration only when it names this DLL.
STDAPI DllUnregisterServer() {
    const std::wstring current = registeredServer();
    if (current.empty())
        return S_OK;
    if (_wcsicmp(current.c_str(), modulePath().c_str()) != 0)
        return SELFREG_E_CLASS;
    return RegDeleteTreeW(HKEY_CLASSES_ROOT, classKey().c_str()) == ERROR_SUCCESS ? S_OK
                                                                                  : SELFREG_E_CLASS;
}
