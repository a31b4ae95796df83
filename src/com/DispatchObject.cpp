#include "com/DispatchObject.h"

#include "com/ComVariant.h"
#include "core/base/Error.h"
#include "core/base/Text.h"

#include <algorithm>
#include <string>
#include <vector>

namespace nakilon::com {

namespace {

// The object's text of the exception it raised; the EXCEPINFO's strings are
// freed here.
std::string exceptionText(EXCEPINFO& info) {
    if (info.pfnDeferredFillIn)
        info.pfnDeferredFillIn(&info);
    std::string text = utf8FromBstr(info.bstrDescription);
    if (text.empty())
        text = utf8FromBstr(info.bstrSource);
    if (text.empty()) {
        const HRESULT code = info.scode ? info.scode : static_cast<HRESULT>(info.wCode);
        text = formatText("Cihaz erişim bileşeni hata bildirdi: %s", hresultText(code).c_str());
    }
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
    return text;
}

} // namespace

DispatchObject::~DispatchObject() {
    if (m_dispatch)
        m_dispatch->Release();
}

void DispatchObject::call(const char* name, DISPID id, VARIANTARG* arguments, size_t count,
                          VARIANT* result) {
    invoke(name, id, DISPATCH_METHOD, arguments, count, result);
}

void DispatchObject::putProperty(const char* name, DISPID id, VARIANTARG& value) {
    invoke(name, id, DISPATCH_PROPERTYPUT, &value, 1, nullptr);
}

void DispatchObject::getProperty(const char* name, DISPID id, VARIANT* result) {
    invoke(name, id, DISPATCH_PROPERTYGET, nullptr, 0, result);
}

void DispatchObject::invoke(const char* name, DISPID id, WORD flags, VARIANTARG* arguments,
                            size_t count, VARIANT* result) {
    // Shallow copies: the callers keep owning what the arguments point to.
    std::vector<VARIANTARG> reversed(arguments, arguments + count);
    std::reverse(reversed.begin(), reversed.end());
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS parameters{};
    parameters.rgvarg = reversed.empty() ? nullptr : reversed.data();
    parameters.cArgs = static_cast<UINT>(reversed.size());
    if (flags == DISPATCH_PROPERTYPUT) {
        parameters.rgdispidNamedArgs = &putId;
        parameters.cNamedArgs = 1;
    }
    EXCEPINFO info{};
    UINT argumentError = 0;
    const HRESULT hr = m_dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters,
                                          result, &info, &argumentError);
    if (hr == DISP_E_EXCEPTION)
        throw Error(exceptionText(info));
    if (FAILED(hr))
        throw Error(formatText("Cihaz erişim bileşeni çağrısı başarısız oldu (%s): %s", name,
                               hresultText(hr).c_str()));
}

} // namespace nakilon::com
