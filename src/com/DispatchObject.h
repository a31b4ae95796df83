#pragma once

// Windows only. Includes <windows.h>.

#include <windows.h>

#include <oaidl.h>

#include <cstddef>

namespace nakilon::com {

// One automation object reached through its IDispatch, called late-bound by
// DISPID. Every failure of a call becomes nakilon::Error: an exception that
// the object raised (DISP_E_EXCEPTION) carries the object's own text, any
// other failure the operation's name and the system's text.
class DispatchObject {
public:
    // Takes over one reference.
    explicit DispatchObject(IDispatch* dispatch) : m_dispatch(dispatch) {}
    ~DispatchObject();
    DispatchObject(const DispatchObject&) = delete;
    DispatchObject& operator=(const DispatchObject&) = delete;

    // A method call with positional arguments, given in the order of the
    // method's parameters (DISPPARAMS wants them reversed; this does it).
    // `result` receives the return value.
    void call(const char* name, DISPID id, VARIANTARG* arguments, size_t count, VARIANT* result);
    void putProperty(const char* name, DISPID id, VARIANTARG& value);
    void getProperty(const char* name, DISPID id, VARIANT* result);

private:
    void invoke(const char* name, DISPID id, WORD flags, VARIANTARG* arguments, size_t count,
                VARIANT* result);

    IDispatch* m_dispatch;
};

} // namespace nakilon::com
