// The boundary's variant: one tagged value of the kinds a late-bound call
// passes (Empty, Null, 16- and 32-bit integers, Double, Boolean -1/0, text,
// date, dispatch reference, error code, arrays), or a reference to a
// caller's variable of such a kind (VT_BYREF), through which a callee writes
// a by-reference argument back.
//
// A VARIANT owns what it holds (its text, its reference, its array) unless
// it is by reference; VariantClear gives that back.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/interfaces.h"

namespace platform::com {

inline constexpr VARTYPE VT_EMPTY = 0;
inline constexpr VARTYPE VT_NULL = 1;
inline constexpr VARTYPE VT_I2 = 2;
inline constexpr VARTYPE VT_I4 = 3;
inline constexpr VARTYPE VT_R8 = 5;
inline constexpr VARTYPE VT_DATE = 7;
inline constexpr VARTYPE VT_BSTR = 8;
inline constexpr VARTYPE VT_DISPATCH = 9;
inline constexpr VARTYPE VT_ERROR = 10;
inline constexpr VARTYPE VT_BOOL = 11;
inline constexpr VARTYPE VT_VARIANT = 12;
inline constexpr VARTYPE VT_UNKNOWN = 13;
inline constexpr VARTYPE VT_ARRAY = 0x2000;
inline constexpr VARTYPE VT_BYREF = 0x4000;
inline constexpr VARTYPE VT_TYPEMASK = 0x0FFF;

struct SAFEARRAY;

struct VARIANT {
  VARTYPE vt = VT_EMPTY;
  uint16_t wReserved1 = 0, wReserved2 = 0, wReserved3 = 0;
  union {
    int16_t iVal;
    int32_t lVal;
    double dblVal;
    VARIANT_BOOL boolVal;
    HRESULT scode;
    DATE date;
    BSTR bstrVal;
    IUnknown* punkVal;
    IDispatch* pdispVal;
    SAFEARRAY* parray;
    int16_t* piVal;
    int32_t* plVal;
    double* pdblVal;
    VARIANT_BOOL* pboolVal;
    HRESULT* pscode;
    DATE* pdate;
    BSTR* pbstrVal;
    IUnknown** ppunkVal;
    IDispatch** ppdispVal;
    SAFEARRAY** pparray;
    VARIANT* pvarVal;
    void* byref;
    int64_t raw = 0;
  };
};

void VariantInit(VARIANT* v);
// Frees what v owns and leaves it Empty; a by-reference variant only
// forgets its reference.
HRESULT VariantClear(VARIANT* v);
// dest becomes a deep copy of src (a by-reference src is copied as the
// reference); dest's old value is cleared first.
HRESULT VariantCopy(VARIANT* dest, const VARIANT* src);
// As VariantCopy, but a by-reference src is copied as the value it refers to.
HRESULT VariantCopyInd(VARIANT* dest, const VARIANT* src);

// Flags of VariantChangeType.
inline constexpr uint16_t VARIANT_NOVALUEPROP = 1;
inline constexpr uint16_t VARIANT_ALPHABOOL = 2;

// dest becomes src converted to vt, as the scripting runtime converts on a
// call: numbers and text into each other (numbers round half to even into
// integers), Boolean from numbers (non-zero is True) and from "True" and
// "False", Empty into 0, "" or False, Null only into Null or a variant.
// DISP_E_TYPEMISMATCH when the value has no such form, DISP_E_OVERFLOW when
// it does not fit. dest may be src. A by-reference src is read through.
// Booleans become "True" or "False" as text.
HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, uint16_t flags, VARTYPE vt);

// Arrays: a safe array of any number of dimensions, each with its lower
// bound and element count. Elements are kept as variants of the array's
// element type (VT_VARIANT: any kind).
struct SAFEARRAYBOUND {
  uint32_t cElements = 0;
  int32_t lLbound = 0;
};

struct SAFEARRAY {
  VARTYPE vt = VT_VARIANT;
  std::vector<SAFEARRAYBOUND> bounds;
  std::vector<VARIANT> data;
};

SAFEARRAY* SafeArrayCreate(VARTYPE vt, uint32_t dims, const SAFEARRAYBOUND* bounds);
SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, int32_t lowerBound, uint32_t count);
HRESULT SafeArrayDestroy(SAFEARRAY* array);
HRESULT SafeArrayCopy(const SAFEARRAY* array, SAFEARRAY** copy);
uint32_t SafeArrayGetDim(const SAFEARRAY* array);
// Dimensions count from 1.
HRESULT SafeArrayGetLBound(const SAFEARRAY* array, uint32_t dim, int32_t* bound);
HRESULT SafeArrayGetUBound(const SAFEARRAY* array, uint32_t dim, int32_t* bound);
HRESULT SafeArrayGetVartype(const SAFEARRAY* array, VARTYPE* vt);
// indices holds one index per dimension, the first dimension first. The
// element is passed as a variant and converted to the array's type on put.
HRESULT SafeArrayGetElement(const SAFEARRAY* array, const int32_t* indices, VARIANT* element);
HRESULT SafeArrayPutElement(SAFEARRAY* array, const int32_t* indices, const VARIANT* element);

// Owns one VARIANT, for the C++ side of the boundary.
class ComVariant {
 public:
  ComVariant() = default;
  ComVariant(const ComVariant& o) { VariantCopy(&v_, &o.v_); }
  ComVariant(ComVariant&& o) noexcept : v_(o.v_) { VariantInit(&o.v_); }
  ComVariant& operator=(const ComVariant& o) {
    if (this != &o) VariantCopy(&v_, &o.v_);
    return *this;
  }
  ComVariant& operator=(ComVariant&& o) noexcept {
    if (this != &o) {
      VariantClear(&v_);
      v_ = o.v_;
      VariantInit(&o.v_);
    }
    return *this;
  }
  ~ComVariant() { VariantClear(&v_); }

  // A copy of the given variant (a deep copy of what it owns).
  static ComVariant copyOf(const VARIANT& v);
  // Takes over what v owns and leaves v Empty.
  static ComVariant take(VARIANT& v);

  static ComVariant null();
  static ComVariant i2(int16_t value);
  static ComVariant i4(int32_t value);
  static ComVariant r8(double value);
  static ComVariant boolean(bool value);
  static ComVariant text(std::string_view value);
  static ComVariant date(DATE value);
  static ComVariant dispatch(IDispatch* value);  // adds a reference
  static ComVariant error(HRESULT code);
  // The marker of an omitted optional argument.
  static ComVariant missing() { return error(DISP_E_PARAMNOTFOUND); }
  // A reference to the caller's variable.
  static ComVariant ref(int16_t* p);
  static ComVariant ref(int32_t* p);
  static ComVariant ref(double* p);
  static ComVariant refBool(VARIANT_BOOL* p);
  static ComVariant ref(BSTR* p);
  static ComVariant ref(VARIANT* p);
  static ComVariant refDate(DATE* p);

  VARTYPE vt() const noexcept { return v_.vt; }
  bool isMissing() const noexcept { return v_.vt == VT_ERROR && v_.scode == DISP_E_PARAMNOTFOUND; }
  VARIANT& get() noexcept { return v_; }
  const VARIANT& get() const noexcept { return v_; }
  VARIANT* ptr() noexcept { return &v_; }
  VARIANT release() noexcept {
    VARIANT v = v_;
    VariantInit(&v_);
    return v;
  }

  // This value converted (VariantChangeType); a failure raises the runtime's
  // error 13 "Type mismatch" or 6 "Overflow".
  ComVariant as(VARTYPE vt) const;
  std::string toText() const;
  int32_t toLong() const;
  int16_t toInteger() const;
  double toDouble() const;
  bool toBool() const;

 private:
  VARIANT v_{};
};

}  // namespace platform::com
