#pragma once

#include <cstdint>

// Dispatch identifiers that only the stand-in component has: the tests use
// them to set up and inspect the terminal behind it and to make the
// component misbehave on purpose. They lie far above the component's own.
namespace nakilon::standin {

constexpr const char* DllName = "nakilon_sbxpc_standin.dll";

// SeedState(text BSTR): the terminal holds exactly the state written in the
// emulator's state text form.
constexpr int32_t SeedState = 1001;
// HeldState() -> BSTR: the terminal's state in the same form.
constexpr int32_t HeldState = 1002;
// FailNextCall(text BSTR, code I4): the next call of an operation raises
// DISP_E_EXCEPTION with that text, or fails with `code` when the text is empty.
constexpr int32_t FailNextCall = 1003;
// ShapeNextDownload(lower I4, count I4, kind I4): the next DownloadEnrollment
// that answers true hands back an array of `count` elements from index
// `lower` instead of filling the caller's; element k is enrollment element k
// where 0 <= k <= 353, and -1 elsewhere.
constexpr int32_t ShapeNextDownload = 1004;
constexpr int32_t ShapeI4 = 0;       // VT_ARRAY|VT_I4
constexpr int32_t ShapeVariants = 1; // VT_ARRAY|VT_VARIANT holding VT_I4 values
constexpr int32_t ShapeNotArray = 2; // a plain VT_I4
constexpr int32_t ShapeTwoDims = 3;  // a two-dimensional VT_I4 array
// TrueAs(value I4): the VARIANT_BOOL that the following true answers carry
// (VARIANT_TRUE, -1, until set).
constexpr int32_t TrueAs = 1005;
// Reset(): no failure or shape pending, true answers as VARIANT_TRUE.
constexpr int32_t Reset = 1006;

} // namespace nakilon::standin
