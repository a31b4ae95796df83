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
// TakeViolations() -> BSTR: the breaches of the hosting rules since the last
// call, one per line ("" when none); see StandInHosting.h.
constexpr int32_t TakeViolations = 1007;
// FailNextHosting(step I4, code I4): the next time any instance reaches that
// hosting step, it fails with `code`.
constexpr int32_t FailNextHosting = 1008;
constexpr int32_t StepCreate = 0;        // the class factory's CreateInstance
constexpr int32_t StepSetClientSite = 1; // IOleObject::SetClientSite with a site
constexpr int32_t StepInitNew = 2;       // IPersistStreamInit::InitNew
constexpr int32_t StepDoVerb = 3;        // IOleObject::DoVerb

// RefuseNextCall(operation BSTR): the seeded terminal refuses the next call
// of that operation (by its name, "PurgeLogs"): the component answers false
// and nothing changes, as the maker's component reports a refusal.
constexpr int32_t RefuseNextCall = 1009;

// The environment variable that chooses where the terminals are: unset or
// "seeded", one virtual terminal in the process that the tests seed (at
// 127.0.0.1:4370, serial port 3 and USB); "tcp", every link goes over TCP to
// the emulated terminal (nakilon-terminal) at the link's address and port, a
// serial port N to 127.0.0.1:20000+N, as the emulator backend does.
constexpr const wchar_t* ModeVariable = L"NAKILON_STANDIN_MODE";

} // namespace nakilon::standin
