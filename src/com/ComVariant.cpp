#include "com/ComVariant.h"

#include "core/base/Error.h"
#include "core/base/SystemMessage.h"
#include "core/base/Text.h"

#include <algorithm>

namespace nakilon::com {

namespace {

std::wstring toWide(UINT codePage, std::string_view bytes) {
    if (bytes.empty())
        return {};
    const int size = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
    std::wstring out(static_cast<size_t>(std::max(length, 0)), L'\0');
    if (length > 0)
        MultiByteToWideChar(codePage, 0, bytes.data(), size, out.data(), length);
    return out;
}

std::string fromWide(UINT codePage, std::wstring_view wide) {
    if (wide.empty())
        return {};
    const int size = static_cast<int>(wide.size());
    const int length =
        WideCharToMultiByte(codePage, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(std::max(length, 0)), '\0');
    if (length > 0)
        WideCharToMultiByte(codePage, 0, wide.data(), size, out.data(), length, nullptr, nullptr);
    return out;
}

// The 354 elements of a locked one-dimensional array, in order; nullopt when
// one does not convert.
template <typename Element, typename Convert>
std::optional<EnrollmentData> copyElements(const Element* elements, Convert convert) {
    EnrollmentData data{};
    for (size_t k = 0; k < EnrollmentSize; ++k) {
        const std::optional<int32_t> value = convert(elements[k]);
        if (!value)
            return std::nullopt;
        data[k] = *value;
    }
    return data;
}

} // namespace

Bstr::Bstr(std::wstring_view text)
    : m_value(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {
    if (!m_value)
        throw Error("Bellek yetersiz");
}

std::wstring wideFromUtf8(std::string_view utf8) {
    return toWide(CP_UTF8, utf8);
}

std::string utf8FromWide(std::wstring_view wide) {
    return fromWide(CP_UTF8, wide);
}

std::wstring wideFromCp1254(std::string_view bytes) {
    return toWide(1254, bytes);
}

std::string cp1254FromWide(std::wstring_view wide) {
    return fromWide(1254, wide);
}

std::string utf8FromBstr(BSTR text) {
    if (!text)
        return {};
    return utf8FromWide(std::wstring_view(text, SysStringLen(text)));
}

std::string hresultText(HRESULT code) {
    const std::string text = systemMessageText(static_cast<unsigned long>(code));
    if (text.empty())
        return formatText("0x%08lX", static_cast<unsigned long>(code));
    return text;
}

bool truthOf(const VARIANT& value) {
    if (value.vt == VT_BOOL)
        return value.boolVal != 0;
    if (value.vt == VT_EMPTY || value.vt == VT_NULL)
        return false;
    Variant number;
    if (FAILED(VariantChangeType(number.get(), const_cast<VARIANT*>(&value), 0, VT_I4)))
        return false;
    return number->lVal != 0;
}

SAFEARRAY* makeEnrollmentArray(const EnrollmentData& data) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_I4, 0, static_cast<ULONG>(EnrollmentSize));
    if (!array)
        throw Error("Bellek yetersiz");
    void* elements = nullptr;
    if (FAILED(SafeArrayAccessData(array, &elements))) {
        SafeArrayDestroy(array);
        throw Error("Bellek yetersiz");
    }
    std::copy(data.begin(), data.end(), static_cast<LONG*>(elements));
    SafeArrayUnaccessData(array);
    return array;
}

std::optional<EnrollmentData> readEnrollmentArray(const VARIANT& value) {
    if (value.vt == (VT_BYREF | VT_VARIANT))
        return value.pvarVal ? readEnrollmentArray(*value.pvarVal) : std::nullopt;
    if (!(value.vt & VT_ARRAY))
        return std::nullopt;
    SAFEARRAY* array =
        (value.vt & VT_BYREF) ? (value.pparray ? *value.pparray : nullptr) : value.parray;
    if (!array || SafeArrayGetDim(array) != 1)
        return std::nullopt;
    const VARTYPE element = static_cast<VARTYPE>(value.vt & VT_TYPEMASK);
    const bool numbers =
        (element == VT_I4 || element == VT_UI4 || element == VT_INT || element == VT_UINT) &&
        SafeArrayGetElemsize(array) == sizeof(LONG);
    if (!numbers && element != VT_VARIANT)
        return std::nullopt;
    LONG lower = 0;
    LONG upper = -1;
    SafeArrayGetLBound(array, 1, &lower);
    SafeArrayGetUBound(array, 1, &upper);
    // An enrollment is exactly 354 numbers: an array of another size is no
    // enrollment, and padding or cutting it would store a different one.
    if (static_cast<int64_t>(upper) - lower + 1 != static_cast<int64_t>(EnrollmentSize))
        return std::nullopt;
    void* elements = nullptr;
    if (FAILED(SafeArrayAccessData(array, &elements)))
        return std::nullopt;
    std::optional<EnrollmentData> data;
    if (numbers) {
        data = copyElements(static_cast<const LONG*>(elements),
                            [](LONG v) { return std::optional<int32_t>(static_cast<int32_t>(v)); });
    } else {
        data = copyElements(
            static_cast<const VARIANT*>(elements), [](const VARIANT& v) -> std::optional<int32_t> {
                Variant number;
                if (FAILED(VariantChangeType(number.get(), const_cast<VARIANT*>(&v), 0, VT_I4)))
                    return std::nullopt;
                return static_cast<int32_t>(number->lVal);
            });
    }
    SafeArrayUnaccessData(array);
    return data;
}

} // namespace nakilon::com
