// Late-bound calls served from type descriptions.
//
// A public class describes its interface once, in its type library's data
// (typeinfo.h), and binds each member's dispatch id to a C++ callable:
//
//   class CFile : public DispatchObject<CFile, _CFile> {
//    public:
//     static const BindingTable<CFile>& bindings() {
//       static const BindingTable<CFile> table(library().findInterface("_CFile"), {
//           method<&CFile::Init>(0x60030009),
//           propertyGet<&CFile::Size>(0x68030000),
//           propertyLet<&CFile::setContents>(0x68030007),
//           propertyGet<&CFile::Contents>(0x68030007),
//           ...});
//       return table;
//     }
//     void Init(std::string& pathFileName);  // by reference: written back
//     int32_t Size();
//     ...
//   };
//
// DispatchObject then answers GetIDsOfNames (without regard to case) and
// Invoke: it picks the member by id and kind, coerces each argument to its
// declared type as the scripting runtime does, fills omitted optional
// arguments with their defaults, calls the bound C++ member, writes
// by-reference arguments back into the caller's variables in their own
// types, and turns an error the member raises into DISP_E_EXCEPTION with the
// error's number (as resultFromErrorNumber gives it), source and
// description. The early-bound members of a dual interface run their body
// through early(), which returns S_OK or the error's result code and
// leaves the error information for the caller.
//
// C++ parameter and result types: std::string, int32_t, int16_t, double,
// bool, platform::Date, platform::Variant (scalar kinds), ComVariant (any
// value, also the missing marker of an optional argument without default),
// ComPtr<IDispatch> and enumerations; a non-const lvalue reference
// parameter is written back.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/com/error_info.h"
#include "platform/com/server.h"
#include "platform/com/typeinfo.h"
#include "platform/com/variant.h"
#include "platform/runtime/datetime.h"
#include "platform/runtime/variant.h"

namespace platform::com {

// One late-bound call as its member sees it: the arguments converted to
// the declared types (an omitted optional argument without default is the
// missing marker) and the result slot.
class Call {
 public:
  explicit Call(const MemberInfo& member);
  ~Call();
  Call(const Call&) = delete;
  Call& operator=(const Call&) = delete;

  const MemberInfo& member() const { return member_; }
  size_t size() const { return args_.size(); }
  VARIANT& arg(size_t i) { return args_.at(i); }
  bool isMissing(size_t i) const;
  VARIANT& result() { return result_; }

 private:
  const MemberInfo& member_;
  std::vector<VARIANT> args_;
  VARIANT result_{};
};

template <class T>
struct Binding {
  DISPID id = 0;
  MemberKind kind = MemberKind::Method;
  std::function<void(T&, Call&)> run;
  int arity = -1;  // the C++ callable's parameter count; -1 when it takes the Call itself
};

// The bindings of one interface.
template <class T>
class BindingTable {
 public:
  BindingTable(const InterfaceInfo* info, std::vector<Binding<T>> bindings)
      : info_(info), bindings_(std::move(bindings)) {}

  const InterfaceInfo* info() const { return info_; }
  const Binding<T>* find(DISPID id, MemberKind kind) const {
    for (const auto& b : bindings_)
      if (b.id == id && b.kind == kind) return &b;
    return nullptr;
  }
  // What does not fit the interface's description: a missing description,
  // a binding without member, a member without binding, a parameter count
  // that differs. Empty when the table is sound.
  std::vector<std::string> problems() const {
    std::vector<std::string> out;
    if (!info_) return {"no interface description"};
    for (const auto& b : bindings_) {
      const MemberInfo* m = memberFor(b.id, b.kind);
      if (!m) {
        out.push_back("binding " + std::to_string(b.id) + " has no member");
      } else if (b.arity >= 0 && static_cast<size_t>(b.arity) != m->params.size()) {
        out.push_back(m->name + " takes " + std::to_string(m->params.size()) + " arguments, its binding " +
                      std::to_string(b.arity));
      }
    }
    for (const auto& m : info_->members)
      if (!find(m.id, m.kind)) out.push_back(m.name + " is not bound");
    return out;
  }

 private:
  const MemberInfo* memberFor(DISPID id, MemberKind kind) const {
    for (const auto& m : info_->members)
      if (m.id == id && m.kind == kind) return &m;
    return nullptr;
  }
  const InterfaceInfo* info_;
  std::vector<Binding<T>> bindings_;
};

// ---- the dispatch engine, without templates ----

HRESULT dispatchGetIDsOfNames(const InterfaceInfo* info, const char* const* names, uint32_t count, DISPID* ids);
// run calls the bound member and answers false when the member is not bound.
HRESULT dispatchInvoke(const InterfaceInfo* info, DISPID id, const IID* iid, uint16_t flags, DISPPARAMS* params,
                       VARIANT* result, EXCEPINFO* exception, uint32_t* argError,
                       const std::function<bool(const MemberInfo&, Call&)>& run);

// ---- conversions between the boundary and C++ values ----

// out (cleared first) becomes in converted to vt; raises 13 or 6.
void convertInto(VARIANT& out, const VARIANT& in, VARTYPE vt);
platform::Variant runtimeValueOf(const VARIANT& v);
void setRuntimeValue(VARIANT& out, const platform::Variant& value);

template <class V, class Enable = void>
struct Converter;

template <>
struct Converter<std::string> {
  static std::string from(const VARIANT& v);
  static void to(const std::string& value, VARIANT& out);
};
template <>
struct Converter<int32_t> {
  static int32_t from(const VARIANT& v);
  static void to(int32_t value, VARIANT& out);
};
template <>
struct Converter<int16_t> {
  static int16_t from(const VARIANT& v);
  static void to(int16_t value, VARIANT& out);
};
template <>
struct Converter<double> {
  static double from(const VARIANT& v);
  static void to(double value, VARIANT& out);
};
template <>
struct Converter<bool> {
  static bool from(const VARIANT& v);
  static void to(bool value, VARIANT& out);
};
template <>
struct Converter<platform::Date> {
  static platform::Date from(const VARIANT& v);
  static void to(platform::Date value, VARIANT& out);
};
template <>
struct Converter<platform::Variant> {
  static platform::Variant from(const VARIANT& v) { return runtimeValueOf(v); }
  static void to(const platform::Variant& value, VARIANT& out) { setRuntimeValue(out, value); }
};
template <>
struct Converter<ComVariant> {
  static ComVariant from(const VARIANT& v);
  static void to(const ComVariant& value, VARIANT& out);
};
template <>
struct Converter<ComPtr<IDispatch>> {
  static ComPtr<IDispatch> from(const VARIANT& v);
  static void to(const ComPtr<IDispatch>& value, VARIANT& out);
};

// Enumerations pass as 32-bit integers.
template <class E>
struct Converter<E, std::enable_if_t<std::is_enum_v<E>>> {
  static E from(const VARIANT& v) { return static_cast<E>(Converter<int32_t>::from(v)); }
  static void to(E value, VARIANT& out) { Converter<int32_t>::to(static_cast<int32_t>(value), out); }
};

namespace detail {

template <class F>
struct MemberTraits;
template <class C, class R, class... A>
struct MemberTraits<R (C::*)(A...)> {
  using Class = C;
  using Result = R;
  using Args = std::tuple<A...>;
  static constexpr size_t arity = sizeof...(A);
};
template <class C, class R, class... A>
struct MemberTraits<R (C::*)(A...) const> : MemberTraits<R (C::*)(A...)> {};

template <class A>
class ArgHolder {
 public:
  using V = std::remove_cvref_t<A>;
  static constexpr bool writesBack = std::is_lvalue_reference_v<A> && !std::is_const_v<std::remove_reference_t<A>>;
  explicit ArgHolder(const VARIANT& v) : value_(Converter<V>::from(v)) {}
  V& get() { return value_; }
  void writeBack(VARIANT& v) const {
    if constexpr (writesBack) Converter<V>::to(value_, v);
  }

 private:
  V value_;
};

[[noreturn]] void raiseBadBinding();

template <auto M, size_t... I>
void callMember(typename MemberTraits<decltype(M)>::Class& self, Call& call, std::index_sequence<I...>) {
  using Traits = MemberTraits<decltype(M)>;
  if (call.size() != Traits::arity) raiseBadBinding();
  std::tuple<ArgHolder<std::tuple_element_t<I, typename Traits::Args>>...> holders{
      ArgHolder<std::tuple_element_t<I, typename Traits::Args>>(call.arg(I))...};
  if constexpr (std::is_void_v<typename Traits::Result>) {
    (self.*M)(std::get<I>(holders).get()...);
  } else {
    auto r = (self.*M)(std::get<I>(holders).get()...);
    Converter<std::remove_cvref_t<typename Traits::Result>>::to(r, call.result());
  }
  (std::get<I>(holders).writeBack(call.arg(I)), ...);
}

template <auto M>
Binding<typename MemberTraits<decltype(M)>::Class> bind(DISPID id, MemberKind kind) {
  using Traits = MemberTraits<decltype(M)>;
  using C = typename Traits::Class;
  return Binding<C>{id, kind,
                    [](C& self, Call& call) { callMember<M>(self, call, std::make_index_sequence<Traits::arity>{}); },
                    static_cast<int>(Traits::arity)};
}

}  // namespace detail

// Bindings of C++ member functions; a let's or put's value is its last
// parameter.
template <auto M>
auto method(DISPID id) {
  return detail::bind<M>(id, MemberKind::Method);
}
template <auto M>
auto propertyGet(DISPID id) {
  return detail::bind<M>(id, MemberKind::PropertyGet);
}
template <auto M>
auto propertyLet(DISPID id) {
  return detail::bind<M>(id, MemberKind::PropertyLet);
}
template <auto M>
auto propertyPut(DISPID id) {
  return detail::bind<M>(id, MemberKind::PropertyPut);
}

// The IUnknown and IDispatch of a public class T whose default interface is
// Interface (a dual interface deriving from IDispatch, or IDispatch itself).
// T gives `static const BindingTable<T>& bindings()` and implements the
// early-bound members of Interface.
template <class T, class Interface = IDispatch>
class DispatchObject : public RefCounted<T, Interface, ISupportErrorInfo> {
 public:
  using Interface::GetIDsOfNames;
  using Interface::Invoke;
  using ISupportErrorInfo::InterfaceSupportsErrorInfo;
  // Two bases are IUnknowns; the reference form is given here once.
  HRESULT QueryInterface(const IID& iid, void** object) { return QueryInterface(&iid, object); }

  HRESULT QueryInterface(const IID* iid, void** object) override {
    return answerQuery(thread_.onOwnThread(), iid, object, [this](const IID& id) -> IUnknown* {
      if (id == IID_IUnknown || id == IID_IDispatch) return static_cast<IDispatch*>(static_cast<Interface*>(this));
      if (id == interfaceId()) return static_cast<Interface*>(this);
      if (id == IID_ISupportErrorInfo) return static_cast<ISupportErrorInfo*>(this);
      return nullptr;
    });
  }

  HRESULT GetTypeInfoCount(uint32_t* count) override {
    if (!thread_.onOwnThread()) return RPC_E_WRONG_THREAD;
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(uint32_t, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return thread_.onOwnThread() ? E_NOTIMPL : RPC_E_WRONG_THREAD;
  }
  HRESULT GetIDsOfNames(const IID*, const char* const* names, uint32_t count, LCID, DISPID* ids) override {
    if (!thread_.onOwnThread()) return RPC_E_WRONG_THREAD;
    return dispatchGetIDsOfNames(T::bindings().info(), names, count, ids);
  }
  HRESULT Invoke(DISPID id, const IID* iid, LCID, uint16_t flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* exception, uint32_t* argError) override {
    if (!thread_.onOwnThread()) return RPC_E_WRONG_THREAD;
    return dispatchInvoke(T::bindings().info(), id, iid, flags, params, result, exception, argError,
                          [this](const MemberInfo& m, Call& call) {
                            const Binding<T>* b = T::bindings().find(m.id, m.kind);
                            if (!b) return false;
                            b->run(static_cast<T&>(*this), call);
                            return true;
                          });
  }

  HRESULT InterfaceSupportsErrorInfo(const IID* iid) override {
    if (!thread_.onOwnThread()) return RPC_E_WRONG_THREAD;
    if (!iid) return E_INVALIDARG;
    return *iid == interfaceId() || *iid == IID_IDispatch ? S_OK : S_FALSE;
  }

  // A new object held by the caller.
  template <class... A>
  static ComPtr<T> create(A&&... args) {
    return ComPtr<T>::adopt(new T(std::forward<A>(args)...));
  }

 protected:
  DispatchObject() : server_(ClassServer<T>::server) {
    if (server_) server_->objectCreated();
  }
  virtual ~DispatchObject() {
    if (server_) server_->objectDestroyed();
  }
  DispatchObject(const DispatchObject&) = delete;
  DispatchObject& operator=(const DispatchObject&) = delete;

  // Runs an early-bound member's body: S_OK, or the raised error's result
  // code with the error information left for the caller.
  template <class F>
  HRESULT early(F&& body) noexcept {
    if (!thread_.onOwnThread()) return RPC_E_WRONG_THREAD;
    SetErrorInfo(0, nullptr);
    return callReportingErrors(interfaceId(), std::forward<F>(body));
  }

  static const IID& interfaceId() {
    const InterfaceInfo* info = T::bindings().info();
    return info ? info->iid : IID_IDispatch;
  }

 private:
  Server* server_;
  const ThreadAffinity thread_;
};

}  // namespace platform::com
