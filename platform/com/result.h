// Result codes of the object boundary and the mapping between them and the
// runtime's error numbers.
//
// A call across the boundary answers with a 32-bit result code: zero or a
// positive number on success, a negative number (high bit set) on failure.
// A runtime error n of the scripting runtime's own range (1 to 65535) leaves
// the boundary as 0x800A0000 + n; a class error (0x80040000 plus a number of
// the class's block) and any other negative number leave as they are.
#pragma once

#include <cstdint>

namespace platform::com {

using HRESULT = int32_t;

constexpr HRESULT hr(uint32_t bits) { return static_cast<HRESULT>(bits); }

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = hr(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = hr(0x80004002u);
inline constexpr HRESULT E_POINTER = hr(0x80004003u);
inline constexpr HRESULT E_FAIL = hr(0x80004005u);
inline constexpr HRESULT E_UNEXPECTED = hr(0x8000FFFFu);
inline constexpr HRESULT E_OUTOFMEMORY = hr(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = hr(0x80070057u);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = hr(0x80040110u);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = hr(0x80040111u);
inline constexpr HRESULT REGDB_E_READREGDB = hr(0x80040150u);
inline constexpr HRESULT REGDB_E_WRITEREGDB = hr(0x80040151u);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = hr(0x80040154u);
inline constexpr HRESULT SELFREG_E_TYPELIB = hr(0x80040200u);
inline constexpr HRESULT SELFREG_E_CLASS = hr(0x80040201u);
inline constexpr HRESULT CO_E_NOTINITIALIZED = hr(0x800401F0u);
inline constexpr HRESULT CO_E_CLASSSTRING = hr(0x800401F3u);
inline constexpr HRESULT CO_E_DLLNOTFOUND = hr(0x800401F8u);
inline constexpr HRESULT CO_E_ERRORINDLL = hr(0x800401F9u);
// A call of an object from a thread other than the one that created it.
inline constexpr HRESULT RPC_E_WRONG_THREAD = hr(0x8001010Eu);
inline constexpr HRESULT DISP_E_UNKNOWNINTERFACE = hr(0x80020001u);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = hr(0x80020003u);
inline constexpr HRESULT DISP_E_PARAMNOTFOUND = hr(0x80020004u);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = hr(0x80020005u);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = hr(0x80020006u);
inline constexpr HRESULT DISP_E_NONAMEDARGS = hr(0x80020007u);
inline constexpr HRESULT DISP_E_BADVARTYPE = hr(0x80020008u);
inline constexpr HRESULT DISP_E_EXCEPTION = hr(0x80020009u);
inline constexpr HRESULT DISP_E_OVERFLOW = hr(0x8002000Au);
inline constexpr HRESULT DISP_E_BADINDEX = hr(0x8002000Bu);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = hr(0x8002000Eu);
inline constexpr HRESULT DISP_E_PARAMNOTOPTIONAL = hr(0x8002000Fu);

// The base of the runtime's own errors at the boundary.
inline constexpr HRESULT RUNTIME_ERROR_BASE = hr(0x800A0000u);

constexpr bool SUCCEEDED(HRESULT r) { return r >= 0; }
constexpr bool FAILED(HRESULT r) { return r < 0; }

// The result code that an error number leaves the boundary as: 1 to 65535
// become 0x800A0000 + n, failure codes stay as they are, and anything else
// (0 or a positive number beyond the runtime's range, which would read as
// success) becomes E_FAIL.
constexpr HRESULT resultFromErrorNumber(int32_t number) {
  if (number >= 1 && number <= 65535) return RUNTIME_ERROR_BASE + number;
  if (number < 0) return number;
  return E_FAIL;
}

// The error number a caller sees for a failed result code: the runtime's
// own number for 0x800A0001 to 0x800AFFFF, the code itself otherwise.
constexpr int32_t errorNumberFromResult(HRESULT r) {
  if (r > RUNTIME_ERROR_BASE && r <= RUNTIME_ERROR_BASE + 0xFFFF) return r - RUNTIME_ERROR_BASE;
  return r;
}

}  // namespace platform::com
