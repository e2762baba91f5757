#include "platform/com/variant.h"

#include <new>
#include <string>

#include "platform/runtime/convert.h"
#include "platform/runtime/errors.h"
#include "platform/runtime/variant.h"

namespace platform::com {

void VariantInit(VARIANT* v) {
  if (!v) return;
  *v = VARIANT{};
}

HRESULT VariantClear(VARIANT* v) {
  if (!v) return E_INVALIDARG;
  if (!(v->vt & VT_BYREF)) {
    if (v->vt & VT_ARRAY) {
      SafeArrayDestroy(v->parray);
    } else {
      switch (v->vt) {
        case VT_BSTR: SysFreeString(v->bstrVal); break;
        case VT_DISPATCH:
          if (v->pdispVal) v->pdispVal->Release();
          break;
        case VT_UNKNOWN:
          if (v->punkVal) v->punkVal->Release();
          break;
        default: break;
      }
    }
  }
  VariantInit(v);
  return S_OK;
}

namespace {

// A deep copy of a value that is not by reference.
HRESULT copyValue(VARIANT* dest, const VARIANT& src) {
  VARIANT out = src;
  if (src.vt & VT_BYREF) {
    // the reference itself
  } else if (src.vt & VT_ARRAY) {
    out.parray = nullptr;
    if (src.parray) {
      const HRESULT r = SafeArrayCopy(src.parray, &out.parray);
      if (FAILED(r)) return r;
    }
  } else if (src.vt == VT_BSTR) {
    out.bstrVal = nullptr;
    if (src.bstrVal) {
      out.bstrVal = SysAllocStringByteLen(src.bstrVal, SysStringByteLen(src.bstrVal));
      if (!out.bstrVal) return E_OUTOFMEMORY;
    }
  } else if (src.vt == VT_DISPATCH) {
    if (src.pdispVal) src.pdispVal->AddRef();
  } else if (src.vt == VT_UNKNOWN) {
    if (src.punkVal) src.punkVal->AddRef();
  }
  VariantClear(dest);
  *dest = out;
  return S_OK;
}

// The value a by-reference variant refers to, as a (non-owning) variant of
// the base kind; src itself when it is not by reference.
bool readThrough(const VARIANT& src, VARIANT& value) {
  if (!(src.vt & VT_BYREF)) {
    value = src;
    return true;
  }
  if (!src.byref) return false;
  const VARTYPE base = static_cast<VARTYPE>(src.vt & ~VT_BYREF);
  if (base == VT_VARIANT) return readThrough(*src.pvarVal, value);
  value = VARIANT{};
  value.vt = base;
  if (base & VT_ARRAY) {
    value.parray = *src.pparray;
    return true;
  }
  switch (base) {
    case VT_I2: value.iVal = *src.piVal; return true;
    case VT_I4: value.lVal = *src.plVal; return true;
    case VT_R8: value.dblVal = *src.pdblVal; return true;
    case VT_BOOL: value.boolVal = *src.pboolVal; return true;
    case VT_ERROR: value.scode = *src.pscode; return true;
    case VT_DATE: value.date = *src.pdate; return true;
    case VT_BSTR: value.bstrVal = *src.pbstrVal; return true;
    case VT_DISPATCH: value.pdispVal = *src.ppdispVal; return true;
    case VT_UNKNOWN: value.punkVal = *src.ppunkVal; return true;
    default: return false;
  }
}

// The runtime's value of a scalar variant; false for kinds it has no
// scalar form of (arrays, objects, error codes).
bool toRuntime(const VARIANT& v, platform::Variant& out) {
  switch (v.vt) {
    case VT_EMPTY: out = platform::Variant(); return true;
    case VT_NULL: out = platform::Variant::null(); return true;
    case VT_I2: out = platform::Variant(v.iVal); return true;
    case VT_I4: out = platform::Variant(v.lVal); return true;
    case VT_R8: out = platform::Variant(v.dblVal); return true;
    case VT_BOOL: out = platform::Variant(v.boolVal != VARIANT_FALSE); return true;
    case VT_DATE: out = platform::Variant(platform::Date{v.date}); return true;
    case VT_BSTR: out = platform::Variant(toString(v.bstrVal)); return true;
    default: return false;
  }
}

HRESULT resultOfRuntimeError(const RuntimeError& e) {
  return e.number() == err::Overflow ? DISP_E_OVERFLOW : DISP_E_TYPEMISMATCH;
}

}  // namespace

HRESULT VariantCopy(VARIANT* dest, const VARIANT* src) {
  if (!dest || !src) return E_INVALIDARG;
  if (dest == src) return S_OK;
  return copyValue(dest, *src);
}

HRESULT VariantCopyInd(VARIANT* dest, const VARIANT* src) {
  if (!dest || !src) return E_INVALIDARG;
  VARIANT value;
  if (!readThrough(*src, value)) return DISP_E_BADVARTYPE;
  if (dest == src) {
    VARIANT copy{};
    const HRESULT r = copyValue(&copy, value);
    if (FAILED(r)) return r;
    *dest = copy;  // a by-reference dest owned nothing
    return S_OK;
  }
  return copyValue(dest, value);
}

HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, uint16_t /*flags*/, VARTYPE vt) {
  if (!dest || !src) return E_INVALIDARG;
  VARIANT value;
  if (!readThrough(*src, value)) return DISP_E_BADVARTYPE;

  if (vt == VT_VARIANT || vt == value.vt) return VariantCopyInd(dest, &value);

  VARIANT out{};
  out.vt = vt;
  if (vt == VT_EMPTY || vt == VT_NULL) {
    // Only Empty and Null turn into each other; a text or number does not.
    if (value.vt != VT_EMPTY && value.vt != VT_NULL) return DISP_E_TYPEMISMATCH;
  } else if (vt == VT_DISPATCH || vt == VT_UNKNOWN) {
    // Empty stands for Nothing; an object passes as either interface.
    if (value.vt == VT_EMPTY) {
      out.pdispVal = nullptr;
    } else if (value.vt == VT_DISPATCH || value.vt == VT_UNKNOWN) {
      if (!value.punkVal) {
        out.punkVal = nullptr;
      } else {
        void* p = nullptr;
        const HRESULT r = value.punkVal->QueryInterface(vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown, &p);
        if (FAILED(r)) return DISP_E_TYPEMISMATCH;
        out.byref = p;
      }
    } else {
      return DISP_E_TYPEMISMATCH;
    }
  } else {
    platform::Variant rv;
    if (!toRuntime(value, rv)) return DISP_E_TYPEMISMATCH;
    if (rv.isNull()) return DISP_E_TYPEMISMATCH;
    try {
      switch (vt) {
        case VT_I2: out.iVal = platform::cInt(rv); break;
        case VT_I4: out.lVal = platform::cLng(rv); break;
        case VT_R8: out.dblVal = platform::cDbl(rv); break;
        case VT_BOOL: out.boolVal = platform::cBool(rv) ? VARIANT_TRUE : VARIANT_FALSE; break;
        case VT_DATE: out.date = platform::cDate(rv).serial; break;
        case VT_BSTR:
          out.bstrVal = bstrFrom(platform::cStr(rv));
          if (!out.bstrVal) return E_OUTOFMEMORY;
          break;
        default: return DISP_E_BADVARTYPE;
      }
    } catch (const RuntimeError& e) {
      return resultOfRuntimeError(e);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
  }
  VariantClear(dest);
  *dest = out;
  return S_OK;
}

// ---- arrays ----

namespace {

bool offsetOf(const SAFEARRAY& a, const int32_t* indices, size_t& offset) {
  if (!indices) return false;
  offset = 0;
  for (size_t d = 0; d < a.bounds.size(); ++d) {
    const int64_t i = static_cast<int64_t>(indices[d]) - a.bounds[d].lLbound;
    if (i < 0 || i >= static_cast<int64_t>(a.bounds[d].cElements)) return false;
    offset = offset * a.bounds[d].cElements + static_cast<size_t>(i);
  }
  return true;
}

bool isElementType(VARTYPE vt) {
  switch (vt) {
    case VT_I2:
    case VT_I4:
    case VT_R8:
    case VT_DATE:
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_ERROR:
    case VT_BOOL:
    case VT_VARIANT:
    case VT_UNKNOWN: return true;
    default: return false;
  }
}

}  // namespace

SAFEARRAY* SafeArrayCreate(VARTYPE vt, uint32_t dims, const SAFEARRAYBOUND* bounds) {
  if (!isElementType(vt) || dims == 0 || !bounds) return nullptr;
  auto* a = new (std::nothrow) SAFEARRAY;
  if (!a) return nullptr;
  a->vt = vt;
  a->bounds.assign(bounds, bounds + dims);
  size_t total = 1;
  for (const auto& b : a->bounds) total *= b.cElements;
  VARIANT blank{};
  if (vt != VT_VARIANT) {
    blank.vt = vt;
    if (vt == VT_BSTR) blank.bstrVal = nullptr;
  }
  a->data.assign(total, blank);
  return a;
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, int32_t lowerBound, uint32_t count) {
  SAFEARRAYBOUND b{count, lowerBound};
  return SafeArrayCreate(vt, 1, &b);
}

HRESULT SafeArrayDestroy(SAFEARRAY* array) {
  if (!array) return S_OK;
  for (auto& v : array->data) VariantClear(&v);
  delete array;
  return S_OK;
}

HRESULT SafeArrayCopy(const SAFEARRAY* array, SAFEARRAY** copy) {
  if (!array || !copy) return E_INVALIDARG;
  auto* a = new (std::nothrow) SAFEARRAY;
  if (!a) return E_OUTOFMEMORY;
  a->vt = array->vt;
  a->bounds = array->bounds;
  a->data.assign(array->data.size(), VARIANT{});
  for (size_t i = 0; i < array->data.size(); ++i) {
    const HRESULT r = VariantCopy(&a->data[i], &array->data[i]);
    if (FAILED(r)) {
      SafeArrayDestroy(a);
      return r;
    }
  }
  *copy = a;
  return S_OK;
}

uint32_t SafeArrayGetDim(const SAFEARRAY* array) { return array ? static_cast<uint32_t>(array->bounds.size()) : 0; }

HRESULT SafeArrayGetLBound(const SAFEARRAY* array, uint32_t dim, int32_t* bound) {
  if (!array || !bound) return E_INVALIDARG;
  if (dim < 1 || dim > array->bounds.size()) return DISP_E_BADINDEX;
  *bound = array->bounds[dim - 1].lLbound;
  return S_OK;
}

HRESULT SafeArrayGetUBound(const SAFEARRAY* array, uint32_t dim, int32_t* bound) {
  if (!array || !bound) return E_INVALIDARG;
  if (dim < 1 || dim > array->bounds.size()) return DISP_E_BADINDEX;
  const auto& b = array->bounds[dim - 1];
  *bound = static_cast<int32_t>(static_cast<int64_t>(b.lLbound) + b.cElements - 1);
  return S_OK;
}

HRESULT SafeArrayGetVartype(const SAFEARRAY* array, VARTYPE* vt) {
  if (!array || !vt) return E_INVALIDARG;
  *vt = array->vt;
  return S_OK;
}

HRESULT SafeArrayGetElement(const SAFEARRAY* array, const int32_t* indices, VARIANT* element) {
  if (!array || !element) return E_INVALIDARG;
  size_t offset = 0;
  if (!offsetOf(*array, indices, offset)) return DISP_E_BADINDEX;
  return VariantCopy(element, &array->data[offset]);
}

HRESULT SafeArrayPutElement(SAFEARRAY* array, const int32_t* indices, const VARIANT* element) {
  if (!array || !element) return E_INVALIDARG;
  size_t offset = 0;
  if (!offsetOf(*array, indices, offset)) return DISP_E_BADINDEX;
  VARIANT converted{};
  const HRESULT r = array->vt == VT_VARIANT ? VariantCopyInd(&converted, element)
                                            : VariantChangeType(&converted, element, 0, array->vt);
  if (FAILED(r)) return r;
  VariantClear(&array->data[offset]);
  array->data[offset] = converted;
  return S_OK;
}

// ---- ComVariant ----

ComVariant ComVariant::copyOf(const VARIANT& v) {
  ComVariant c;
  if (FAILED(VariantCopy(&c.v_, &v))) throw std::bad_alloc();
  return c;
}

ComVariant ComVariant::take(VARIANT& v) {
  ComVariant c;
  c.v_ = v;
  VariantInit(&v);
  return c;
}

ComVariant ComVariant::null() {
  ComVariant c;
  c.v_.vt = VT_NULL;
  return c;
}
ComVariant ComVariant::i2(int16_t value) {
  ComVariant c;
  c.v_.vt = VT_I2;
  c.v_.iVal = value;
  return c;
}
ComVariant ComVariant::i4(int32_t value) {
  ComVariant c;
  c.v_.vt = VT_I4;
  c.v_.lVal = value;
  return c;
}
ComVariant ComVariant::r8(double value) {
  ComVariant c;
  c.v_.vt = VT_R8;
  c.v_.dblVal = value;
  return c;
}
ComVariant ComVariant::boolean(bool value) {
  ComVariant c;
  c.v_.vt = VT_BOOL;
  c.v_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return c;
}
ComVariant ComVariant::text(std::string_view value) {
  ComVariant c;
  c.v_.vt = VT_BSTR;
  c.v_.bstrVal = bstrFrom(value);
  if (!c.v_.bstrVal) throw std::bad_alloc();
  return c;
}
ComVariant ComVariant::date(DATE value) {
  ComVariant c;
  c.v_.vt = VT_DATE;
  c.v_.date = value;
  return c;
}
ComVariant ComVariant::dispatch(IDispatch* value) {
  ComVariant c;
  c.v_.vt = VT_DISPATCH;
  c.v_.pdispVal = value;
  if (value) value->AddRef();
  return c;
}
ComVariant ComVariant::error(HRESULT code) {
  ComVariant c;
  c.v_.vt = VT_ERROR;
  c.v_.scode = code;
  return c;
}

namespace {
template <class P>
ComVariant refOf(VARTYPE vt, P* p) {
  VARIANT v{};
  v.vt = static_cast<VARTYPE>(vt | VT_BYREF);
  v.byref = p;
  return ComVariant::take(v);
}
}  // namespace

ComVariant ComVariant::ref(int16_t* p) { return refOf(VT_I2, p); }
ComVariant ComVariant::ref(int32_t* p) { return refOf(VT_I4, p); }
ComVariant ComVariant::ref(double* p) { return refOf(VT_R8, p); }
ComVariant ComVariant::refBool(VARIANT_BOOL* p) { return refOf(VT_BOOL, p); }
ComVariant ComVariant::ref(BSTR* p) { return refOf(VT_BSTR, p); }
ComVariant ComVariant::ref(VARIANT* p) { return refOf(VT_VARIANT, p); }
ComVariant ComVariant::refDate(DATE* p) { return refOf(VT_DATE, p); }

ComVariant ComVariant::as(VARTYPE vt) const {
  ComVariant c;
  const HRESULT r = VariantChangeType(&c.v_, &v_, 0, vt);
  if (r == DISP_E_OVERFLOW) raise(err::Overflow);
  if (r == E_OUTOFMEMORY) throw std::bad_alloc();
  if (FAILED(r)) raise(err::TypeMismatch);
  return c;
}

std::string ComVariant::toText() const { return toString(as(VT_BSTR).v_.bstrVal); }
int32_t ComVariant::toLong() const { return as(VT_I4).v_.lVal; }
int16_t ComVariant::toInteger() const { return as(VT_I2).v_.iVal; }
double ComVariant::toDouble() const { return as(VT_R8).v_.dblVal; }
bool ComVariant::toBool() const { return as(VT_BOOL).v_.boolVal != VARIANT_FALSE; }

}  // namespace platform::com
