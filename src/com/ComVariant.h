#pragma once

// Windows only: the pieces of OLE Automation that the COM device backend and
// its test stand-in share. Includes <windows.h>; keep it out of headers that
// the rest of the program includes.

#include "core/device/DeviceControl.h"

#include <windows.h>

#include <oleauto.h>

#include <optional>
#include <string>
#include <string_view>

namespace nakilon::com {

// A VARIANT that clears itself.
class Variant {
public:
    Variant() { VariantInit(&m_value); }
    ~Variant() { VariantClear(&m_value); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;

    VARIANT* get() { return &m_value; }
    const VARIANT* get() const { return &m_value; }
    VARIANT* operator->() { return &m_value; }

private:
    VARIANT m_value;
};

// A BSTR that frees itself. `address()` lends it to a by-reference argument;
// the callee may replace the string, and the replacement is freed here too.
class Bstr {
public:
    explicit Bstr(std::wstring_view text);
    ~Bstr() { SysFreeString(m_value); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;

    BSTR* address() { return &m_value; }

private:
    BSTR m_value;
};

std::wstring wideFromUtf8(std::string_view utf8);
std::string utf8FromWide(std::wstring_view wide);
// Code page 1254 bytes (the texts of the tables) as UTF-16 and back.
std::wstring wideFromCp1254(std::string_view bytes);
std::string cp1254FromWide(std::wstring_view wide);
std::string utf8FromBstr(BSTR text);

// The system's text for an HRESULT, without the final line break; "0x…" when
// the system has none.
std::string hresultText(HRESULT code);

// A result that the caller reads as a truth value: any non-zero value is true.
bool truthOf(const VARIANT& value);

// A new one-dimensional SAFEARRAY of VT_I4 with bounds 0..353 holding `data`.
// Throws nakilon::Error when the system has no memory for it.
SAFEARRAY* makeEnrollmentArray(const EnrollmentData& data);

// The enrollment data held by an array variant (also one reached through
// VT_BYREF): its 354 elements in order, whatever its lower bound. Accepts
// 32-bit integer elements and variant elements that convert to one. Nullopt
// when the value is no one-dimensional array of exactly 354 such elements.
std::optional<EnrollmentData> readEnrollmentArray(const VARIANT& value);

} // namespace nakilon::com
