// The object model of the boundary: IUnknown with its reference counting
// and interface queries, IDispatch for late-bound calls by dispatch id,
// IClassFactory for creation, and the error-information interfaces.
//
// These are this layer's own C++ abstract classes, laid out as the C tables
// of include/kestrin/host.h: a C host calls the virtual functions directly.
// Their ids are therefore pointers, as a C host passes them (NULL included,
// refused with E_INVALIDARG before anything reads the id); C++ callers use
// the forms that take references, which forward to them.
//
// Objects are counted: a
// pointer handed out (QueryInterface, a factory, an out argument) carries a
// reference that its receiver gives back with Release; the object goes when
// the last reference does.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>
#include <utility>

#include "platform/com/bstr.h"
#include "platform/com/guid.h"
#include "platform/com/result.h"

namespace platform::com {

using ULONG = uint32_t;
using LCID = uint32_t;
using DISPID = int32_t;
using VARTYPE = uint16_t;
using VARIANT_BOOL = int16_t;
using DATE = double;

inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;

// Invoke's kinds of call, as bits.
inline constexpr uint16_t DISPATCH_METHOD = 1;
inline constexpr uint16_t DISPATCH_PROPERTYGET = 2;
inline constexpr uint16_t DISPATCH_PROPERTYPUT = 4;
inline constexpr uint16_t DISPATCH_PROPERTYPUTREF = 8;

// The named argument that carries a property's new value.
inline constexpr DISPID DISPID_PROPERTYPUT = -3;
inline constexpr DISPID DISPID_UNKNOWN = -1;

struct VARIANT;

// The arguments of a late-bound call: rgvarg holds them last first; the
// first cNamedArgs of rgvarg are the named ones, with their ids in
// rgdispidNamedArgs.
struct DISPPARAMS {
  VARIANT* rgvarg = nullptr;
  DISPID* rgdispidNamedArgs = nullptr;
  uint32_t cArgs = 0;
  uint32_t cNamedArgs = 0;
};

// What a member that raised an error reports through Invoke; the strings
// belong to the caller, who frees them (ClearExcepInfo).
struct EXCEPINFO {
  uint16_t wCode = 0;
  uint16_t wReserved = 0;
  BSTR bstrSource = nullptr;
  BSTR bstrDescription = nullptr;
  BSTR bstrHelpFile = nullptr;
  uint32_t dwHelpContext = 0;
  void* pvReserved = nullptr;
  void* pfnDeferredFillIn = nullptr;
  HRESULT scode = 0;
};
void ClearExcepInfo(EXCEPINFO* info);

class IUnknown {
 public:
  virtual HRESULT QueryInterface(const IID* iid, void** object) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

  HRESULT QueryInterface(const IID& iid, void** object) { return QueryInterface(&iid, object); }

 protected:
  ~IUnknown() = default;
};

// The steps every QueryInterface takes: E_POINTER without a place for the
// result, else the place cleared; RPC_E_WRONG_THREAD off the object's
// thread; E_INVALIDARG for a NULL id; then the interface that find gives
// for the id, with a reference added (S_OK), or E_NOINTERFACE where it
// gives nullptr.
template <class Find>
HRESULT answerQuery(bool onOwnThread, const IID* iid, void** object, Find&& find) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!onOwnThread) return RPC_E_WRONG_THREAD;
  if (!iid) return E_INVALIDARG;
  IUnknown* found = find(*iid);
  if (!found) return E_NOINTERFACE;
  found->AddRef();
  *object = found;
  return S_OK;
}

// The reference count of an object T that implements the interfaces
// Interfaces (each an IUnknown): one AddRef and one Release, the final
// overriders of every base's, on one atomic count that starts at 1 for the
// creator's reference; T is deleted when the count reaches 0. Like the
// count itself, AddRef and Release may be called from any thread.
template <class T, class... Interfaces>
class RefCounted : public Interfaces... {
 public:
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    const ULONG n = --refs_;
    if (n == 0) delete static_cast<T*>(this);
    return n;
  }
  ULONG referenceCount() const { return refs_.load(); }

 protected:
  RefCounted() = default;
  ~RefCounted() = default;
  RefCounted(const RefCounted&) = delete;
  RefCounted& operator=(const RefCounted&) = delete;

 private:
  std::atomic<ULONG> refs_{1};
};

// Type descriptions are served by the type library's data, not through
// this interface; GetTypeInfoCount answers 0.
class ITypeInfo;

class IDispatch : public IUnknown {
 public:
  virtual HRESULT GetTypeInfoCount(uint32_t* count) = 0;
  virtual HRESULT GetTypeInfo(uint32_t index, LCID lcid, ITypeInfo** info) = 0;
  // Names are UTF-8; names[0] is the member, any further names are its
  // parameters, whose ids are their positions.
  virtual HRESULT GetIDsOfNames(const IID* iid, const char* const* names, uint32_t count, LCID lcid, DISPID* ids) = 0;
  virtual HRESULT Invoke(DISPID id, const IID* iid, LCID lcid, uint16_t flags, DISPPARAMS* params, VARIANT* result,
                         EXCEPINFO* exception, uint32_t* argError) = 0;

  HRESULT GetIDsOfNames(const IID& iid, const char* const* names, uint32_t count, LCID lcid, DISPID* ids) {
    return GetIDsOfNames(&iid, names, count, lcid, ids);
  }
  HRESULT Invoke(DISPID id, const IID& iid, LCID lcid, uint16_t flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* exception, uint32_t* argError) {
    return Invoke(id, &iid, lcid, flags, params, result, exception, argError);
  }

 protected:
  ~IDispatch() = default;
};

class IClassFactory : public IUnknown {
 public:
  virtual HRESULT CreateInstance(IUnknown* outer, const IID* iid, void** object) = 0;
  virtual HRESULT LockServer(int32_t lock) = 0;

  HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** object) { return CreateInstance(outer, &iid, object); }

 protected:
  ~IClassFactory() = default;
};

class IErrorInfo : public IUnknown {
 public:
  virtual HRESULT GetGUID(GUID* guid) = 0;
  virtual HRESULT GetSource(BSTR* source) = 0;
  virtual HRESULT GetDescription(BSTR* description) = 0;
  virtual HRESULT GetHelpFile(BSTR* helpFile) = 0;
  virtual HRESULT GetHelpContext(uint32_t* helpContext) = 0;

 protected:
  ~IErrorInfo() = default;
};

class ISupportErrorInfo : public IUnknown {
 public:
  // S_OK when a failing call of the interface leaves error information.
  virtual HRESULT InterfaceSupportsErrorInfo(const IID* iid) = 0;

  HRESULT InterfaceSupportsErrorInfo(const IID& iid) { return InterfaceSupportsErrorInfo(&iid); }

 protected:
  ~ISupportErrorInfo() = default;
};

// The thread an object belongs to: the one that made it. Such an object
// answers a call from any other thread with RPC_E_WRONG_THREAD (as an
// apartment object reached without a proxy would be refused); only AddRef
// and Release come from anywhere.
class ThreadAffinity {
 public:
  bool onOwnThread() const noexcept { return std::this_thread::get_id() == owner_; }

 private:
  std::thread::id owner_ = std::this_thread::get_id();
};

// Holds one reference to an object.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  // Takes over a reference the caller already holds.
  static ComPtr adopt(T* p) {
    ComPtr c;
    c.p_ = p;
    return c;
  }
  // Adds a reference of its own.
  static ComPtr share(T* p) {
    if (p) p->AddRef();
    return adopt(p);
  }
  ~ComPtr() { reset(); }
  ComPtr(const ComPtr& o) : p_(o.p_) {
    if (p_) p_->AddRef();
  }
  ComPtr& operator=(const ComPtr& o) {
    if (this != &o) {
      if (o.p_) o.p_->AddRef();
      reset();
      p_ = o.p_;
    }
    return *this;
  }
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& o) noexcept {
    if (this != &o) {
      reset();
      p_ = std::exchange(o.p_, nullptr);
    }
    return *this;
  }

  void reset() {
    if (p_) std::exchange(p_, nullptr)->Release();
  }
  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  T* detach() noexcept { return std::exchange(p_, nullptr); }
  // For out arguments: releases the held object and hands out the slot.
  T** out() {
    reset();
    return &p_;
  }
  void** outVoid() { return reinterpret_cast<void**>(out()); }

  // QueryInterface into another holder.
  template <class U>
  HRESULT as(const IID& iid, ComPtr<U>& target) const {
    if (!p_) return E_POINTER;
    return p_->QueryInterface(iid, target.outVoid());
  }

 private:
  T* p_ = nullptr;
};

}  // namespace platform::com
