#include "platform/com/dispatch.h"

#include <new>

#include "platform/runtime/errors.h"

namespace platform::com {

// ---- Call ----

Call::Call(const MemberInfo& member) : member_(member), args_(member.params.size()) {}

Call::~Call() {
  for (auto& a : args_) VariantClear(&a);
  VariantClear(&result_);
}

bool Call::isMissing(size_t i) const {
  const VARIANT& v = args_.at(i);
  return v.vt == VT_ERROR && v.scode == DISP_E_PARAMNOTFOUND;
}

// ---- conversions ----

void convertInto(VARIANT& out, const VARIANT& in, VARTYPE vt) {
  VARIANT converted{};
  const HRESULT r = VariantChangeType(&converted, &in, 0, vt);
  if (r == DISP_E_OVERFLOW) raise(err::Overflow);
  if (r == E_OUTOFMEMORY) throw std::bad_alloc();
  if (FAILED(r)) raise(err::TypeMismatch);
  VariantClear(&out);
  out = converted;
}

namespace {
VARIANT converted(const VARIANT& in, VARTYPE vt) {
  VARIANT out{};
  convertInto(out, in, vt);
  return out;
}
}  // namespace

std::string Converter<std::string>::from(const VARIANT& v) {
  VARIANT t = converted(v, VT_BSTR);
  std::string s = toString(t.bstrVal);
  VariantClear(&t);
  return s;
}
void Converter<std::string>::to(const std::string& value, VARIANT& out) {
  BSTR s = bstrFrom(value);
  if (!s) throw std::bad_alloc();
  VariantClear(&out);
  out.vt = VT_BSTR;
  out.bstrVal = s;
}

int32_t Converter<int32_t>::from(const VARIANT& v) { return converted(v, VT_I4).lVal; }
void Converter<int32_t>::to(int32_t value, VARIANT& out) {
  VariantClear(&out);
  out.vt = VT_I4;
  out.lVal = value;
}

int16_t Converter<int16_t>::from(const VARIANT& v) { return converted(v, VT_I2).iVal; }
void Converter<int16_t>::to(int16_t value, VARIANT& out) {
  VariantClear(&out);
  out.vt = VT_I2;
  out.iVal = value;
}

double Converter<double>::from(const VARIANT& v) { return converted(v, VT_R8).dblVal; }
void Converter<double>::to(double value, VARIANT& out) {
  VariantClear(&out);
  out.vt = VT_R8;
  out.dblVal = value;
}

bool Converter<bool>::from(const VARIANT& v) { return converted(v, VT_BOOL).boolVal != VARIANT_FALSE; }
void Converter<bool>::to(bool value, VARIANT& out) {
  VariantClear(&out);
  out.vt = VT_BOOL;
  out.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

platform::Date Converter<platform::Date>::from(const VARIANT& v) { return platform::Date{converted(v, VT_DATE).date}; }
void Converter<platform::Date>::to(platform::Date value, VARIANT& out) {
  VariantClear(&out);
  out.vt = VT_DATE;
  out.date = value.serial;
}

ComVariant Converter<ComVariant>::from(const VARIANT& v) {
  ComVariant c;
  if (FAILED(VariantCopyInd(c.ptr(), &v))) raise(err::TypeMismatch);
  return c;
}
void Converter<ComVariant>::to(const ComVariant& value, VARIANT& out) {
  if (FAILED(VariantCopyInd(&out, &value.get()))) raise(err::TypeMismatch);
}

ComPtr<IDispatch> Converter<ComPtr<IDispatch>>::from(const VARIANT& v) {
  VARIANT t = converted(v, VT_DISPATCH);
  return ComPtr<IDispatch>::adopt(t.pdispVal);
}
void Converter<ComPtr<IDispatch>>::to(const ComPtr<IDispatch>& value, VARIANT& out) {
  VariantClear(&out);
  out.vt = VT_DISPATCH;
  out.pdispVal = value.get();
  if (out.pdispVal) out.pdispVal->AddRef();
}

platform::Variant runtimeValueOf(const VARIANT& in) {
  VARIANT v{};
  if (FAILED(VariantCopyInd(&v, &in))) raise(err::TypeMismatch);
  platform::Variant out;
  switch (v.vt) {
    case VT_EMPTY: break;
    case VT_NULL: out = platform::Variant::null(); break;
    case VT_I2: out = platform::Variant(v.iVal); break;
    case VT_I4: out = platform::Variant(v.lVal); break;
    case VT_R8: out = platform::Variant(v.dblVal); break;
    case VT_BOOL: out = platform::Variant(v.boolVal != VARIANT_FALSE); break;
    case VT_DATE: out = platform::Variant(platform::Date{v.date}); break;
    case VT_BSTR: out = platform::Variant(toString(v.bstrVal)); break;
    case VT_DISPATCH:
      if (!v.pdispVal) {
        out = platform::Variant::nothing();
        break;
      }
      [[fallthrough]];
    default: VariantClear(&v); raise(err::TypeMismatch);
  }
  VariantClear(&v);
  return out;
}

void setRuntimeValue(VARIANT& out, const platform::Variant& value) {
  VARIANT v{};
  const auto& s = value.storage();
  if (value.isEmpty()) {
  } else if (value.isNull()) {
    v.vt = VT_NULL;
  } else if (const auto* i = std::get_if<int16_t>(&s)) {
    v.vt = VT_I2;
    v.iVal = *i;
  } else if (const auto* l = std::get_if<int32_t>(&s)) {
    v.vt = VT_I4;
    v.lVal = *l;
  } else if (const auto* f = std::get_if<float>(&s)) {
    v.vt = VT_R8;
    v.dblVal = *f;
  } else if (const auto* d = std::get_if<double>(&s)) {
    v.vt = VT_R8;
    v.dblVal = *d;
  } else if (const auto* b = std::get_if<bool>(&s)) {
    v.vt = VT_BOOL;
    v.boolVal = *b ? VARIANT_TRUE : VARIANT_FALSE;
  } else if (const auto* t = std::get_if<std::string>(&s)) {
    v.vt = VT_BSTR;
    v.bstrVal = bstrFrom(*t);
    if (!v.bstrVal) throw std::bad_alloc();
  } else if (const auto* dt = std::get_if<platform::Date>(&s)) {
    v.vt = VT_DATE;
    v.date = dt->serial;
  } else if (value.isNothing()) {
    v.vt = VT_DISPATCH;
    v.pdispVal = nullptr;
  } else {
    raise(err::TypeMismatch);
  }
  VariantClear(&out);
  out = v;
}

namespace detail {
void raiseBadBinding() { raise(err::ObjectDoesntSupport); }
}  // namespace detail

// ---- GetIDsOfNames ----

HRESULT dispatchGetIDsOfNames(const InterfaceInfo* info, const char* const* names, uint32_t count, DISPID* ids) {
  if (!names || !ids) return E_POINTER;
  if (count == 0) return S_OK;
  HRESULT result = S_OK;
  for (uint32_t i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  if (!info || !names[0]) return DISP_E_UNKNOWNNAME;
  const auto id = info->idOf(names[0]);
  if (!id) return DISP_E_UNKNOWNNAME;
  ids[0] = *id;
  // Further names are parameters of the member, numbered by position.
  const auto members = info->membersWithId(*id);
  for (uint32_t i = 1; i < count; ++i) {
    bool found = false;
    for (const MemberInfo* m : members) {
      for (size_t p = 0; p < m->params.size() && !found; ++p) {
        if (names[i] && sameName(m->params[p].name, names[i])) {
          ids[i] = static_cast<DISPID>(p);
          found = true;
        }
      }
      if (found) break;
    }
    if (!found) result = DISP_E_UNKNOWNNAME;
  }
  return result;
}

// ---- Invoke ----

namespace {

uint16_t flagsAnswered(MemberKind kind) {
  switch (kind) {
    case MemberKind::Method: return DISPATCH_METHOD;
    case MemberKind::PropertyGet: return DISPATCH_PROPERTYGET;
    case MemberKind::PropertyLet:
    case MemberKind::PropertyPut: return DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF;
  }
  return 0;
}

bool isPut(MemberKind kind) { return kind == MemberKind::PropertyLet || kind == MemberKind::PropertyPut; }

const MemberInfo* chooseMember(const std::vector<const MemberInfo*>& members, uint16_t flags) {
  const bool putCall = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  // A put call reaches only a let or put; any other call the first member
  // whose kind it names.
  for (const MemberInfo* m : members) {
    if (putCall != isPut(m->kind)) continue;
    if (flags & flagsAnswered(m->kind)) return m;
  }
  return nullptr;
}

bool isMissingMarker(const VARIANT* v) {
  if (!v) return true;
  VARIANT value{};
  if (FAILED(VariantCopyInd(&value, v))) return false;
  const bool missing = value.vt == VT_ERROR && value.scode == DISP_E_PARAMNOTFOUND;
  VariantClear(&value);
  return missing;
}

void setDefault(VARIANT& out, const ParamInfo& p) {
  VARIANT d{};
  std::visit(
      [&](const auto& value) {
        using V = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<V, std::monostate>) {
          d.vt = VT_ERROR;
          d.scode = DISP_E_PARAMNOTFOUND;
        } else if constexpr (std::is_same_v<V, bool>) {
          d.vt = VT_BOOL;
          d.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
        } else if constexpr (std::is_same_v<V, int32_t>) {
          d.vt = VT_I4;
          d.lVal = value;
        } else if constexpr (std::is_same_v<V, double>) {
          d.vt = VT_R8;
          d.dblVal = value;
        } else {
          d.vt = VT_BSTR;
          d.bstrVal = bstrFrom(value);
        }
      },
      p.defaultValue);
  if (d.vt == VT_ERROR || p.type == VT_VARIANT) {
    out = d;
    return;
  }
  convertInto(out, d, p.type);
  VariantClear(&d);
}

// Writes value back through the caller's by-reference variant, in the
// type of the caller's variable.
HRESULT writeBack(VARIANT& target, const VARIANT& value) {
  const VARTYPE base = static_cast<VARTYPE>(target.vt & ~VT_BYREF);
  if (!target.byref) return E_POINTER;
  if (base == VT_VARIANT) {
    VARIANT* inner = target.pvarVal;
    if (inner->vt & VT_BYREF) return writeBack(*inner, value);
    return VariantCopyInd(inner, &value);
  }
  VARIANT c{};
  const HRESULT r = VariantChangeType(&c, &value, 0, base);
  if (FAILED(r)) return r;
  if (base & VT_ARRAY) {
    SafeArrayDestroy(*target.pparray);
    *target.pparray = c.parray;
    return S_OK;
  }
  switch (base) {
    case VT_I2: *target.piVal = c.iVal; break;
    case VT_I4: *target.plVal = c.lVal; break;
    case VT_R8: *target.pdblVal = c.dblVal; break;
    case VT_BOOL: *target.pboolVal = c.boolVal; break;
    case VT_ERROR: *target.pscode = c.scode; break;
    case VT_DATE: *target.pdate = c.date; break;
    case VT_BSTR:
      SysFreeString(*target.pbstrVal);
      *target.pbstrVal = c.bstrVal;
      break;
    case VT_DISPATCH:
      if (*target.ppdispVal) (*target.ppdispVal)->Release();
      *target.ppdispVal = c.pdispVal;
      break;
    case VT_UNKNOWN:
      if (*target.ppunkVal) (*target.ppunkVal)->Release();
      *target.ppunkVal = c.punkVal;
      break;
    default: VariantClear(&c); return DISP_E_BADVARTYPE;
  }
  return S_OK;
}

}  // namespace

HRESULT dispatchInvoke(const InterfaceInfo* info, DISPID id, const IID* iid, uint16_t flags, DISPPARAMS* params,
                       VARIANT* result, EXCEPINFO* exception, uint32_t* argError,
                       const std::function<bool(const MemberInfo&, Call&)>& run) {
  if (!iid) return E_INVALIDARG;
  if (*iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  if (!info) return DISP_E_MEMBERNOTFOUND;
  DISPPARAMS none;
  if (!params) params = &none;
  if (params->cArgs > 0 && !params->rgvarg) return E_INVALIDARG;
  if (params->cNamedArgs > params->cArgs) return E_INVALIDARG;
  if (params->cNamedArgs > 0 && !params->rgdispidNamedArgs) return E_INVALIDARG;
  if (result) VariantInit(result);

  const auto members = info->membersWithId(id);
  if (members.empty()) return DISP_E_MEMBERNOTFOUND;
  const MemberInfo* member = chooseMember(members, flags);
  if (!member) return DISP_E_MEMBERNOTFOUND;

  const size_t paramCount = member->params.size();
  const uint32_t cArgs = params->cArgs;
  uint32_t cNamed = params->cNamedArgs;
  // given[j]: the caller's variant for parameter j, and its index in rgvarg.
  std::vector<VARIANT*> given(paramCount, nullptr);
  std::vector<uint32_t> index(paramCount, 0);
  auto fail = [&](HRESULT r, uint32_t at) {
    if (argError) *argError = at;
    return r;
  };

  size_t positionalParams = paramCount;
  if (isPut(member->kind)) {
    if (paramCount == 0) return DISP_E_MEMBERNOTFOUND;
    positionalParams = paramCount - 1;
    // The new value comes as the named argument DISPID_PROPERTYPUT, or as
    // the last argument when the caller names none.
    uint32_t valueAt = cArgs;
    for (uint32_t n = 0; n < cNamed; ++n)
      if (params->rgdispidNamedArgs[n] == DISPID_PROPERTYPUT) valueAt = n;
    if (valueAt == cArgs && cNamed == 0 && cArgs > 0) valueAt = 0;
    if (valueAt == cArgs) return cNamed == 0 ? DISP_E_BADPARAMCOUNT : DISP_E_PARAMNOTFOUND;
    given[paramCount - 1] = &params->rgvarg[valueAt];
    index[paramCount - 1] = valueAt;
    if (cNamed == 0) {
      // the value was the last positional argument
      for (uint32_t k = 1; k < cArgs; ++k) {
        const size_t j = cArgs - 1 - k;  // rgvarg[k] is positional argument cArgs-1-k
        if (j >= positionalParams) return DISP_E_BADPARAMCOUNT;
        given[j] = &params->rgvarg[k];
        index[j] = k;
      }
    } else {
      for (uint32_t n = 0; n < cNamed; ++n) {
        if (n == valueAt) continue;
        const DISPID p = params->rgdispidNamedArgs[n];
        if (p < 0 || static_cast<size_t>(p) >= positionalParams) return fail(DISP_E_PARAMNOTFOUND, n);
        given[static_cast<size_t>(p)] = &params->rgvarg[n];
        index[static_cast<size_t>(p)] = n;
      }
      const uint32_t positional = cArgs - cNamed;
      if (positional > positionalParams) return DISP_E_BADPARAMCOUNT;
      for (uint32_t i = 0; i < positional; ++i) {
        const uint32_t k = cArgs - 1 - i;
        if (given[i]) return fail(DISP_E_PARAMNOTFOUND, k);
        given[i] = &params->rgvarg[k];
        index[i] = k;
      }
    }
  } else {
    const uint32_t positional = cArgs - cNamed;
    if (positional > paramCount) return DISP_E_BADPARAMCOUNT;
    for (uint32_t i = 0; i < positional; ++i) {
      const uint32_t k = cArgs - 1 - i;
      given[i] = &params->rgvarg[k];
      index[i] = k;
    }
    for (uint32_t n = 0; n < cNamed; ++n) {
      const DISPID p = params->rgdispidNamedArgs[n];
      if (p < 0 || static_cast<size_t>(p) >= paramCount || given[static_cast<size_t>(p)])
        return fail(DISP_E_PARAMNOTFOUND, n);
      given[static_cast<size_t>(p)] = &params->rgvarg[n];
      index[static_cast<size_t>(p)] = n;
    }
  }

  Call call(*member);
  for (size_t j = 0; j < paramCount; ++j) {
    const ParamInfo& p = member->params[j];
    if (isMissingMarker(given[j])) {
      if (!p.optional) {
        // An argument left out at the end is a wrong count; one the caller
        // marks as omitted, or leaves out among named ones, is not optional.
        if (!given[j] && cNamed == 0) return DISP_E_BADPARAMCOUNT;
        return given[j] ? fail(DISP_E_PARAMNOTOPTIONAL, index[j]) : DISP_E_PARAMNOTOPTIONAL;
      }
      try {
        setDefault(call.arg(j), p);
      } catch (const RuntimeError&) {
        return DISP_E_TYPEMISMATCH;
      } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
      }
      continue;
    }
    const HRESULT r = VariantChangeType(&call.arg(j), given[j], 0, p.type);
    if (FAILED(r)) {
      if (r == E_OUTOFMEMORY) return r;
      return fail(r == DISP_E_OVERFLOW ? DISP_E_OVERFLOW : DISP_E_TYPEMISMATCH, index[j]);
    }
  }

  try {
    if (!run(*member, call)) return DISP_E_MEMBERNOTFOUND;
  } catch (const RuntimeError& e) {
    fillExcepInfo(exception, e);
    return DISP_E_EXCEPTION;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (const std::exception& e) {
    fillExcepInfo(exception, RuntimeError(E_FAIL, std::string(), e.what()));
    return DISP_E_EXCEPTION;
  } catch (...) {
    fillExcepInfo(exception, RuntimeError(E_FAIL, std::string(), std::string()));
    return DISP_E_EXCEPTION;
  }

  // By-reference arguments go back into the caller's variables.
  HRESULT written = S_OK;
  for (size_t j = 0; j < paramCount; ++j) {
    if (!member->params[j].byRef || !given[j] || !(given[j]->vt & VT_BYREF)) continue;
    const HRESULT r = writeBack(*given[j], call.arg(j));
    if (FAILED(r) && SUCCEEDED(written)) {
      written = r == DISP_E_OVERFLOW ? DISP_E_OVERFLOW : DISP_E_TYPEMISMATCH;
      if (argError) *argError = index[j];
    }
  }

  if (result && member->result != VT_EMPTY) {
    VARIANT& r = call.result();
    if (member->result == VT_VARIANT) {
      *result = r;
      VariantInit(&r);
    } else {
      const HRESULT c = VariantChangeType(result, &r, 0, member->result);
      if (FAILED(c)) return c == E_OUTOFMEMORY ? c : DISP_E_TYPEMISMATCH;
    }
  }
  return written;
}

}  // namespace platform::com
