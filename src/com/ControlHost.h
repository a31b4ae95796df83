#pragma once

// Windows only. Includes <windows.h>.

#include "com/ControlSite.h"
#include "com/DispatchObject.h"

#include <memory>
#include <string>

namespace nakilon::com {

// One ActiveX control hosted as a window hosts a hidden control: OLE is set up
// on the thread, the control is created, given a client site (before its
// initialisation when it asks for that), initialised with InitNew, and
// activated in place inside a hidden window. The destructor undoes it in the
// reverse order: in-place deactivation, Close, SetClientSite(nullptr), release.
//
// An object without IOleObject is no control; it is only initialised, if it
// can be, and then called as an automation object.
class ControlHost {
public:
    // Throws Error with the operator's text: "Cihaz erişim bileşeni SBXPC bu
    // bilgisayarda kurulu değil" when nothing is registered under the class
    // id, "Cihaz erişim bileşeni SBXPC başlatılamadı: …" when the component
    // is there but fails to be created, sited, initialised or activated. What
    // was done up to the failure is undone first.
    explicit ControlHost(const std::string& classId);
    ~ControlHost();
    ControlHost(const ControlHost&) = delete;
    ControlHost& operator=(const ControlHost&) = delete;

    DispatchObject& object() { return *m_object; }

private:
    void host(IUnknown* control);
    void tearDown() noexcept;

    bool m_uninitialize = false;
    std::unique_ptr<HiddenWindow> m_window;
    ControlSite* m_site = nullptr;
    IOleObject* m_oleObject = nullptr;
    bool m_sited = false;
    bool m_activated = false; // DoVerb was called
    std::unique_ptr<DispatchObject> m_object;
};

} // namespace nakilon::com
