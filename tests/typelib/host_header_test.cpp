// The host's C header against the boundary's C++ types: the same sizes and
// member offsets, the same constants and identities, and interface tables
// that reach the C++ objects' members in their order.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <type_traits>

#include "platform/com/client.h"
#include "platform/com/interfaces.h"
#include "platform/com/variant.h"
#include "typelib/typelib.h"

namespace com = platform::com;

// The boundary's constants, taken before the header's macros of the same
// names hide them.
namespace cpp {
constexpr com::HRESULT results[] = {com::S_OK,
                                    com::S_FALSE,
                                    com::E_NOTIMPL,
                                    com::E_NOINTERFACE,
                                    com::E_POINTER,
                                    com::E_FAIL,
                                    com::E_UNEXPECTED,
                                    com::E_OUTOFMEMORY,
                                    com::E_INVALIDARG,
                                    com::CLASS_E_NOAGGREGATION,
                                    com::CLASS_E_CLASSNOTAVAILABLE,
                                    com::REGDB_E_CLASSNOTREG,
                                    com::SELFREG_E_CLASS,
                                    com::CO_E_NOTINITIALIZED,
                                    com::CO_E_CLASSSTRING,
                                    com::CO_E_DLLNOTFOUND,
                                    com::CO_E_ERRORINDLL,
                                    com::RPC_E_WRONG_THREAD,
                                    com::DISP_E_UNKNOWNINTERFACE,
                                    com::DISP_E_MEMBERNOTFOUND,
                                    com::DISP_E_PARAMNOTFOUND,
                                    com::DISP_E_TYPEMISMATCH,
                                    com::DISP_E_UNKNOWNNAME,
                                    com::DISP_E_NONAMEDARGS,
                                    com::DISP_E_BADVARTYPE,
                                    com::DISP_E_EXCEPTION,
                                    com::DISP_E_OVERFLOW,
                                    com::DISP_E_BADPARAMCOUNT,
                                    com::DISP_E_PARAMNOTOPTIONAL};
constexpr uint16_t dispatchKinds[] = {com::DISPATCH_METHOD, com::DISPATCH_PROPERTYGET, com::DISPATCH_PROPERTYPUT,
                                      com::DISPATCH_PROPERTYPUTREF};
constexpr com::DISPID dispids[] = {com::DISPID_UNKNOWN, com::DISPID_PROPERTYPUT};
constexpr uint32_t inprocServer = com::CLSCTX_INPROC_SERVER;
constexpr com::VARIANT_BOOL variantTrue = com::VARIANT_TRUE;
}  // namespace cpp

#include "kestrin/host.h"

namespace {

// ---- Types and layouts ----------------------------------------------------

static_assert(std::is_same_v<::HRESULT, com::HRESULT>);
static_assert(std::is_same_v<::ULONG, com::ULONG>);
static_assert(std::is_same_v<::LCID, com::LCID>);
static_assert(std::is_same_v<::DISPID, com::DISPID>);
static_assert(std::is_same_v<::VARTYPE, com::VARTYPE>);
static_assert(std::is_same_v<::VARIANT_BOOL, com::VARIANT_BOOL>);
static_assert(std::is_same_v<::DATE, com::DATE>);
static_assert(std::is_same_v<::BSTR, com::BSTR>);
static_assert(sizeof(::OLECHAR) == 1);

#define SAME_MEMBER(C, Cpp, m)                           \
  static_assert(offsetof(C, m) == offsetof(Cpp, m), #m); \
  static_assert(sizeof(C::m) == sizeof(Cpp::m), #m)

static_assert(sizeof(::GUID) == sizeof(com::GUID));
SAME_MEMBER(::GUID, com::GUID, Data1);
SAME_MEMBER(::GUID, com::GUID, Data2);
SAME_MEMBER(::GUID, com::GUID, Data3);
SAME_MEMBER(::GUID, com::GUID, Data4);

static_assert(sizeof(::VARIANT) == 16 && sizeof(com::VARIANT) == 16);
static_assert(alignof(::VARIANT) == alignof(com::VARIANT));
SAME_MEMBER(::VARIANT, com::VARIANT, vt);
SAME_MEMBER(::VARIANT, com::VARIANT, wReserved1);
SAME_MEMBER(::VARIANT, com::VARIANT, wReserved2);
SAME_MEMBER(::VARIANT, com::VARIANT, wReserved3);
SAME_MEMBER(::VARIANT, com::VARIANT, iVal);
SAME_MEMBER(::VARIANT, com::VARIANT, lVal);
SAME_MEMBER(::VARIANT, com::VARIANT, dblVal);
SAME_MEMBER(::VARIANT, com::VARIANT, boolVal);
SAME_MEMBER(::VARIANT, com::VARIANT, scode);
SAME_MEMBER(::VARIANT, com::VARIANT, date);
SAME_MEMBER(::VARIANT, com::VARIANT, bstrVal);
SAME_MEMBER(::VARIANT, com::VARIANT, punkVal);
SAME_MEMBER(::VARIANT, com::VARIANT, pdispVal);
SAME_MEMBER(::VARIANT, com::VARIANT, parray);
SAME_MEMBER(::VARIANT, com::VARIANT, plVal);
SAME_MEMBER(::VARIANT, com::VARIANT, pboolVal);
SAME_MEMBER(::VARIANT, com::VARIANT, pbstrVal);
SAME_MEMBER(::VARIANT, com::VARIANT, pdispVal);
SAME_MEMBER(::VARIANT, com::VARIANT, pvarVal);
SAME_MEMBER(::VARIANT, com::VARIANT, byref);

static_assert(sizeof(::DISPPARAMS) == sizeof(com::DISPPARAMS));
SAME_MEMBER(::DISPPARAMS, com::DISPPARAMS, rgvarg);
SAME_MEMBER(::DISPPARAMS, com::DISPPARAMS, rgdispidNamedArgs);
SAME_MEMBER(::DISPPARAMS, com::DISPPARAMS, cArgs);
SAME_MEMBER(::DISPPARAMS, com::DISPPARAMS, cNamedArgs);

static_assert(sizeof(::EXCEPINFO) == sizeof(com::EXCEPINFO));
SAME_MEMBER(::EXCEPINFO, com::EXCEPINFO, wCode);
SAME_MEMBER(::EXCEPINFO, com::EXCEPINFO, wReserved);
SAME_MEMBER(::EXCEPINFO, com::EXCEPINFO, bstrSource);
SAME_MEMBER(::EXCEPINFO, com::EXCEPINFO, bstrDescription);
SAME_MEMBER(::EXCEPINFO, com::EXCEPINFO, bstrHelpFile);
SAME_MEMBER(::EXCEPINFO, com::EXCEPINFO, dwHelpContext);
SAME_MEMBER(::EXCEPINFO, com::EXCEPINFO, pvReserved);
SAME_MEMBER(::EXCEPINFO, com::EXCEPINFO, pfnDeferredFillIn);
SAME_MEMBER(::EXCEPINFO, com::EXCEPINFO, scode);

// An interface pointer is one pointer to its table.
static_assert(sizeof(::IUnknown) == sizeof(void*) && offsetof(::IUnknown, lpVtbl) == 0);
static_assert(sizeof(::IDispatch) == sizeof(void*) && offsetof(::IDispatch, lpVtbl) == 0);
static_assert(sizeof(::IClassFactory) == sizeof(void*) && offsetof(::IClassFactory, lpVtbl) == 0);
static_assert(sizeof(::IDispatchVtbl) == 7 * sizeof(void*));
static_assert(sizeof(::IClassFactoryVtbl) == 5 * sizeof(void*));

// ---- Constants ------------------------------------------------------------

constexpr ::HRESULT headerResults[] = {S_OK,
                                       S_FALSE,
                                       E_NOTIMPL,
                                       E_NOINTERFACE,
                                       E_POINTER,
                                       E_FAIL,
                                       E_UNEXPECTED,
                                       E_OUTOFMEMORY,
                                       E_INVALIDARG,
                                       CLASS_E_NOAGGREGATION,
                                       CLASS_E_CLASSNOTAVAILABLE,
                                       REGDB_E_CLASSNOTREG,
                                       SELFREG_E_CLASS,
                                       CO_E_NOTINITIALIZED,
                                       CO_E_CLASSSTRING,
                                       CO_E_DLLNOTFOUND,
                                       CO_E_ERRORINDLL,
                                       RPC_E_WRONG_THREAD,
                                       DISP_E_UNKNOWNINTERFACE,
                                       DISP_E_MEMBERNOTFOUND,
                                       DISP_E_PARAMNOTFOUND,
                                       DISP_E_TYPEMISMATCH,
                                       DISP_E_UNKNOWNNAME,
                                       DISP_E_NONAMEDARGS,
                                       DISP_E_BADVARTYPE,
                                       DISP_E_EXCEPTION,
                                       DISP_E_OVERFLOW,
                                       DISP_E_BADPARAMCOUNT,
                                       DISP_E_PARAMNOTOPTIONAL};
static_assert(std::size(headerResults) == std::size(cpp::results));
constexpr bool sameResults() {
  for (size_t i = 0; i < std::size(headerResults); ++i)
    if (headerResults[i] != cpp::results[i]) return false;
  return true;
}
static_assert(sameResults());
static_assert(SUCCEEDED(S_FALSE) && FAILED(E_FAIL) && !FAILED(S_OK));

static_assert(DISPATCH_METHOD == cpp::dispatchKinds[0] && DISPATCH_PROPERTYGET == cpp::dispatchKinds[1] &&
              DISPATCH_PROPERTYPUT == cpp::dispatchKinds[2] && DISPATCH_PROPERTYPUTREF == cpp::dispatchKinds[3]);
static_assert(DISPID_UNKNOWN == cpp::dispids[0] && DISPID_PROPERTYPUT == cpp::dispids[1]);
static_assert(CLSCTX_INPROC_SERVER == cpp::inprocServer);
static_assert(VARIANT_TRUE == cpp::variantTrue && VARIANT_FALSE == 0);

static_assert(VT_EMPTY == com::VT_EMPTY && VT_NULL == com::VT_NULL && VT_I2 == com::VT_I2 && VT_I4 == com::VT_I4 &&
              VT_R8 == com::VT_R8 && VT_DATE == com::VT_DATE && VT_BSTR == com::VT_BSTR &&
              VT_DISPATCH == com::VT_DISPATCH && VT_ERROR == com::VT_ERROR && VT_BOOL == com::VT_BOOL &&
              VT_VARIANT == com::VT_VARIANT && VT_UNKNOWN == com::VT_UNKNOWN && VT_ARRAY == com::VT_ARRAY &&
              VT_BYREF == com::VT_BYREF && VT_TYPEMASK == com::VT_TYPEMASK);

static_assert(int32_t{eErrEditor_InvalidFile} == int32_t{kestrin::typelib::eErrEditor_InvalidFile});
static_assert(int32_t{eErrEditor_ComponentFailure} == int32_t{kestrin::typelib::eErrEditor_ComponentFailure});

bool sameGuid(const ::GUID& header, const com::GUID& cpp) { return std::memcmp(&header, &cpp, sizeof header) == 0; }

TEST(HostHeader, ItsInterfaceIdsAreTheBoundarys) {
  EXPECT_TRUE(sameGuid(IID_NULL, com::IID_NULL));
  EXPECT_TRUE(sameGuid(IID_IUnknown, com::IID_IUnknown));
  EXPECT_TRUE(sameGuid(IID_IDispatch, com::IID_IDispatch));
  EXPECT_TRUE(sameGuid(IID_IClassFactory, com::IID_IClassFactory));
}

TEST(HostHeader, ItsClassesAndInterfacesAreThoseOfTheTypeLibrary) {
  const auto& library = kestrin::typelib::library();
  struct Row {
    const char* className;
    const ::CLSID& clsid;
    const ::IID& iid;
  };
  const Row rows[] = {
      {"CMainFrontEnd", CLSID_CMainFrontEnd, IID__CMainFrontEnd},
      {"CErrorHandler", CLSID_CErrorHandler, IID__CErrorHandler},
      {"CFile", CLSID_CFile, IID__CFile},
      {"CTempScript", CLSID_CTempScript, IID__CTempScript},
  };
  for (const Row& row : rows) {
    const auto* coclass = library.findClass(row.className);
    ASSERT_NE(coclass, nullptr) << row.className;
    EXPECT_TRUE(sameGuid(row.clsid, coclass->clsid)) << row.className;
    const auto* interface = library.interfaceOf(*coclass);
    ASSERT_NE(interface, nullptr) << row.className;
    EXPECT_TRUE(sameGuid(row.iid, interface->iid)) << row.className;
  }
  EXPECT_EQ(library.name + ".CMainFrontEnd", KESTRIN_PROGID_CMAINFRONTEND);
}

TEST(HostHeader, ItsDispatchIdsAreThoseOfCMainFrontEnd) {
  const auto* interface = kestrin::typelib::library().findInterface("_CMainFrontEnd");
  ASSERT_NE(interface, nullptr);
  ASSERT_EQ(interface->members.size(), 2u);
  EXPECT_EQ(interface->members[0].name, "RunEditor");
  EXPECT_EQ(interface->members[0].id, DISPID_CMainFrontEnd_RunEditor);
  EXPECT_EQ(interface->members[1].name, "FreeEditor");
  EXPECT_EQ(interface->members[1].id, DISPID_CMainFrontEnd_FreeEditor);
}

// ---- Interface tables -----------------------------------------------------

// A C++ object that notes how its members were called.
class Recorder final : public com::IDispatch {
 public:
  std::string calls;
  com::HRESULT QueryInterface(const com::IID* iid, void** object) override {
    calls += "QueryInterface;";
    *object = *iid == com::IID_IDispatch ? this : nullptr;
    return *object ? S_OK : E_NOINTERFACE;
  }
  com::ULONG AddRef() override { return ++refs; }
  com::ULONG Release() override { return --refs; }
  com::HRESULT GetTypeInfoCount(uint32_t* count) override {
    *count = 7;
    return S_OK;
  }
  com::HRESULT GetTypeInfo(uint32_t index, com::LCID lcid, com::ITypeInfo**) override {
    calls += "GetTypeInfo " + std::to_string(index) + " " + std::to_string(lcid) + ";";
    return E_NOTIMPL;
  }
  com::HRESULT GetIDsOfNames(const com::IID* iid, const char* const* names, uint32_t count, com::LCID lcid,
                             com::DISPID* ids) override {
    calls += std::string("GetIDsOfNames ") + (*iid == com::IID_NULL ? "null " : "other ") + names[0] + " " +
             std::to_string(count) + " " + std::to_string(lcid) + ";";
    ids[0] = 42;
    return S_OK;
  }
  com::HRESULT Invoke(com::DISPID id, const com::IID* iid, com::LCID lcid, uint16_t flags, com::DISPPARAMS* params,
                      com::VARIANT* result, com::EXCEPINFO* exception, uint32_t* argError) override {
    calls += "Invoke " + std::to_string(id) + (*iid == com::IID_NULL ? " null " : " other ") + std::to_string(lcid) +
             " " + std::to_string(flags) + " " + std::to_string(params->cArgs) + " " +
             com::toString(*params->rgvarg[0].pbstrVal) + ";";
    result->vt = com::VT_I4;
    result->lVal = 7;
    exception->scode = 9;
    *argError = 3;
    return S_FALSE;
  }
  com::ULONG refs = 1;
};

TEST(HostHeader, TheDispatchTableReachesTheCppMembersInTheirOrder) {
  Recorder object;
  auto* c = reinterpret_cast<::IDispatch*>(static_cast<com::IDispatch*>(&object));

  EXPECT_EQ(c->lpVtbl->AddRef(c), 2u);
  void* same = nullptr;
  EXPECT_EQ(c->lpVtbl->QueryInterface(c, IID_IDispatch, &same), S_OK);
  EXPECT_EQ(same, c);
  ::UINT count = 0;
  EXPECT_EQ(c->lpVtbl->GetTypeInfoCount(c, &count), S_OK);
  EXPECT_EQ(count, 7u);
  EXPECT_EQ(c->lpVtbl->GetTypeInfo(c, 1, 9, nullptr), E_NOTIMPL);
  char name[] = "RunEditor";
  ::LPOLESTR names[] = {name};
  ::DISPID id = 0;
  EXPECT_EQ(c->lpVtbl->GetIDsOfNames(c, IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK);
  EXPECT_EQ(id, 42);

  ::BSTR text = com::SysAllocString("a.vbs");
  ::VARIANT arg{};
  V_VT(&arg) = VT_BSTR | VT_BYREF;
  V_BSTRREF(&arg) = &text;
  ::DISPPARAMS params{&arg, nullptr, 1, 0};
  ::VARIANT result{};
  ::EXCEPINFO error{};
  ::UINT argError = 0;
  EXPECT_EQ(
      c->lpVtbl->Invoke(c, 5, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, &error, &argError),
      S_FALSE);
  EXPECT_EQ(V_VT(&result), VT_I4);
  EXPECT_EQ(V_I4(&result), 7);
  EXPECT_EQ(error.scode, 9);
  EXPECT_EQ(argError, 3u);
  EXPECT_EQ(c->lpVtbl->Release(c), 1u);
  EXPECT_EQ(object.calls,
            "QueryInterface;GetTypeInfo 1 9;GetIDsOfNames null RunEditor 1 1024;"
            "Invoke 5 null 1024 1 1 a.vbs;");
  com::SysFreeString(text);
}

}  // namespace
