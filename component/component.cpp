// The component's own translation unit: the server's four exported entry
// points, forwarded to the component's server, which the public classes
// fill with themselves.
#include "platform/com/server.h"
#include "platform/win32/component.h"
#include "typelib/typelib.h"

namespace kestrin {

int componentMarker() { return 1; }

namespace {

// The component names itself from the file it was loaded from, the first
// time a host calls in.
void identifyOnce() {
  if (!platform::componentIdentity().path.empty()) return;
  platform::identifyComponent(reinterpret_cast<const void*>(&componentMarker), KESTRIN_VERSION_MAJOR,
                              KESTRIN_VERSION_MINOR, KESTRIN_VERSION_REVISION);
}

}  // namespace
}  // namespace kestrin

using platform::com::CLSID;
using platform::com::HRESULT;
using platform::com::IID;

extern "C" {

__attribute__((visibility("default"))) HRESULT DllGetClassObject(const CLSID& clsid, const IID& iid,
                                                                 void** object) {
  kestrin::identifyOnce();
  return kestrin::typelib::componentServer().getClassObject(clsid, iid, object);
}

__attribute__((visibility("default"))) HRESULT DllCanUnloadNow() {
  return kestrin::typelib::componentServer().canUnloadNow();
}

__attribute__((visibility("default"))) HRESULT DllRegisterServer() {
  kestrin::identifyOnce();
  return kestrin::typelib::componentServer().registerServer();
}

__attribute__((visibility("default"))) HRESULT DllUnregisterServer() {
  kestrin::identifyOnce();
  return kestrin::typelib::componentServer().unregisterServer();
}

}  // extern "C"
