// The host functions of include/kestrin/host.h: plain C names of the
// platform library, each forwarding to the boundary's own function. The
// header's types have the layouts of the boundary's types (checked by
// static assertions in the tests), so pointers pass through unchanged.
#include <cstdlib>

#include "platform/com/bstr.h"
#include "platform/com/client.h"
#include "platform/com/variant.h"
#include "platform/win32/registry.h"

// Last: its result codes are macros, which would rewrite the boundary's
// own constants.
//
// In C++ the header declares the ids of CoGetClassObject and
// CoCreateInstance as references, while a C host passes pointers that may
// be NULL. Both have one calling convention, so these definitions take
// pointers and check them before any reference is bound; the header's own
// declarations of the two are kept out of the way under other names.
#define CoGetClassObject CoGetClassObject_as_declared
#define CoCreateInstance CoCreateInstance_as_declared
#include "kestrin/host.h"
#undef CoGetClassObject
#undef CoCreateInstance

namespace com = platform::com;

namespace {

com::VARIANT* inner(VARIANT* v) { return reinterpret_cast<com::VARIANT*>(v); }
const com::VARIANT* inner(const VARIANT* v) { return reinterpret_cast<const com::VARIANT*>(v); }
const com::GUID* inner(const GUID* g) { return reinterpret_cast<const com::GUID*>(g); }

// A call's out pointer and ids as the boundary's functions check them:
// E_POINTER without a place for the result, else that place cleared and
// E_INVALIDARG for a NULL id.
HRESULT refusal(const void* clsid, const void* iid, LPVOID* ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  return clsid && iid ? S_OK : E_INVALIDARG;
}

// KESTRIN_REGISTRY names the registry folder of a host that cannot call
// KestrinSetRegistryFolder before the component's first registry use.
__attribute__((constructor)) void readRegistryFolderFromEnvironment() {
  if (const char* folder = std::getenv("KESTRIN_REGISTRY"); folder && *folder) platform::setRegistryFolder(folder);
}

}  // namespace

#define KESTRIN_EXPORT __attribute__((visibility("default")))

extern "C" {

KESTRIN_EXPORT BSTR SysAllocString(const OLECHAR* psz) { return com::SysAllocString(psz); }

KESTRIN_EXPORT BSTR SysAllocStringLen(const OLECHAR* strIn, UINT cch) { return com::SysAllocStringLen(strIn, cch); }

KESTRIN_EXPORT UINT SysStringLen(BSTR bstr) { return com::SysStringLen(bstr); }

KESTRIN_EXPORT void SysFreeString(BSTR bstrString) { com::SysFreeString(bstrString); }

KESTRIN_EXPORT void VariantInit(VARIANTARG* pvarg) { com::VariantInit(inner(pvarg)); }

KESTRIN_EXPORT HRESULT VariantClear(VARIANTARG* pvarg) { return com::VariantClear(inner(pvarg)); }

KESTRIN_EXPORT HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc) {
  return com::VariantCopy(inner(pvargDest), inner(pvargSrc));
}

KESTRIN_EXPORT HRESULT CoInitialize(LPVOID pvReserved) { return com::CoInitialize(pvReserved); }

KESTRIN_EXPORT void CoUninitialize(void) { com::CoUninitialize(); }

KESTRIN_EXPORT HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, CLSID* lpclsid) {
  return com::CLSIDFromProgID(lpszProgID, reinterpret_cast<com::CLSID*>(lpclsid));
}

KESTRIN_EXPORT HRESULT CoGetClassObject(const CLSID* rclsid, DWORD dwClsContext, LPVOID pvReserved, const IID* riid,
                                        LPVOID* ppv) {
  if (const HRESULT refused = refusal(rclsid, riid, ppv); refused != S_OK) return refused;
  return com::CoGetClassObject(*inner(rclsid), dwClsContext, pvReserved, *inner(riid), ppv);
}

KESTRIN_EXPORT HRESULT CoCreateInstance(const CLSID* rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, const IID* riid,
                                        LPVOID* ppv) {
  if (const HRESULT refused = refusal(rclsid, riid, ppv); refused != S_OK) return refused;
  return com::CoCreateInstance(*inner(rclsid), reinterpret_cast<com::IUnknown*>(pUnkOuter), dwClsContext, *inner(riid),
                               ppv);
}

KESTRIN_EXPORT void CoFreeUnusedLibraries(void) { com::CoFreeUnusedLibraries(); }

KESTRIN_EXPORT void KestrinGetVersion(int* major, int* minor, int* patch) {
  if (major) *major = KESTRIN_VERSION_MAJOR;
  if (minor) *minor = KESTRIN_VERSION_MINOR;
  if (patch) *patch = KESTRIN_VERSION_PATCH;
}

KESTRIN_EXPORT void KestrinSetRegistryFolder(const char* folder) { platform::setRegistryFolder(folder ? folder : ""); }

}  // extern "C"
