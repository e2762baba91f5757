// A server library of one class, CProbe, exporting the four entry points
// the way the component does.
#include "platform/com/server.h"
#include "platform/com/server/probe.h"

namespace {

int marker;

platform::com::Server& server() {
  static platform::com::Server s(probe::library(), [] { return platform::com::moduleFileOf(&marker); });
  static const bool filled = (s.add<probe::CProbe>("CProbe"), true);
  (void)filled;
  return s;
}

}  // namespace

using platform::com::CLSID;
using platform::com::HRESULT;
using platform::com::IID;

extern "C" {
HRESULT DllGetClassObject(const CLSID* clsid, const IID* iid, void** object) {
  return server().getClassObject(clsid, iid, object);
}
HRESULT DllCanUnloadNow() { return server().canUnloadNow(); }
HRESULT DllRegisterServer() { return server().registerServer(); }
HRESULT DllUnregisterServer() { return server().unregisterServer(); }
// For the tests: the live objects the server counts.
long ProbeObjectCount() { return server().objectCount(); }
}
