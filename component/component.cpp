// The component's own translation unit: the server's four exported entry
// points, forwarded to the component's server, which the class table below
// fills with the public classes.
#include "platform/win32/component.h"
#include "diagnostics/thread_objects.h"
#include "editor/CMainFrontEnd.h"
#include "platform/com/server.h"
#include "platform/ui/form.h"
#include "platform/win32/registry.h"
#include "typelib/typelib.h"

namespace kestrin {

int componentMarker() { return 1; }

namespace {

// The component names itself from the file it was loaded from, once, when
// the library is loaded (and, should a host call in before that, at its
// first call).
void identifyOnce() {
  if (!platform::componentIdentity().path.empty()) return;
  platform::identifyComponent(reinterpret_cast<const void*>(&componentMarker), KESTRIN_VERSION_MAJOR,
                              KESTRIN_VERSION_MINOR, KESTRIN_VERSION_REVISION);
}

// The class table: every public class the server makes creatable, filled
// at the first call of an entry point.
void registerClasses() {
  static const bool registered = [] {
    platform::com::Server& server = kestrin::typelib::componentServer();
    editor::registerMainFrontEnd(server);
    return true;
  }();
  (void)registered;
}

// Runs when the library is loaded: the registry learns where the machine
// hive lies, the editor's folder.
__attribute__((constructor)) void componentLoaded() {
  identifyOnce();
  platform::setMachineHiveFolder(platform::componentIdentity().folder);
}

}  // namespace
}  // namespace kestrin

using platform::com::CLSID;
using platform::com::HRESULT;
using platform::com::IID;

extern "C" {

__attribute__((visibility("default"))) HRESULT DllGetClassObject(const CLSID* clsid, const IID* iid, void** object) {
  kestrin::identifyOnce();
  kestrin::registerClasses();
  return kestrin::typelib::componentServer().getClassObject(clsid, iid, object);
}

// The component stays loaded while an object, a class object or a lock of
// its server lives, and while the desktop holds a window, a control (a
// timer), or the emergency writer of the editor: the desktop may still run
// their code, as a kept main window's (a close that the user cancelled)
// is. When nothing lives, the calling thread's objects of the component go
// too (made anew should it be used again), so that an unloaded component
// leaves nothing behind.
__attribute__((visibility("default"))) HRESULT DllCanUnloadNow() {
  HRESULT answer = kestrin::typelib::componentServer().canUnloadNow();
  if (answer == platform::com::S_OK && platform::ui::desktopHoldsObjects()) answer = platform::com::S_FALSE;
  if (answer == platform::com::S_OK) kestrin::diagnostics::freeThreadObjects();
  return answer;
}

__attribute__((visibility("default"))) HRESULT DllRegisterServer() {
  kestrin::identifyOnce();
  kestrin::registerClasses();
  return kestrin::typelib::componentServer().registerServer();
}

__attribute__((visibility("default"))) HRESULT DllUnregisterServer() {
  kestrin::identifyOnce();
  kestrin::registerClasses();
  return kestrin::typelib::componentServer().unregisterServer();
}

}  // extern "C"
