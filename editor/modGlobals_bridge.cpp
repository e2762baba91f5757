// The host's bridge library routines, bound by name at their first call.
//
// Each routine is looked up in "kzenvb.dll" named without a folder, so the
// library is found only when it is already loaded into the process (the run
// hand-over loads it from the editor's "Addlets" folder just before it calls
// run_vbscript) or lies on the library search path. A bound routine keeps
// its own load of the library, so that its address stays good for the rest
// of the thread's life, also after the hand-over has given back its load.
#include <cstdint>
#include <string>

#include "editor/modGlobals.h"
#include "platform/runtime/errors.h"
#include "platform/win32/library.h"
#include "platform/win32/types.h"

namespace kestrin::editor::modGlobals {

namespace {

struct Binding {
  platform::HMODULE library = 0;
  platform::FARPROC address = nullptr;
};

thread_local Binding t_runVbscript;
thread_local Binding t_saveScriptname;

// The routine's address, binding it on the first call. A library that
// cannot be found raises 53 "File not found: kzenvb.dll", one that cannot
// be loaded 48, a routine the library lacks 453; nothing stays bound then.
platform::FARPROC bound(Binding& binding, const char* routine) {
  if (binding.address) return binding.address;
  const platform::HMODULE library = platform::LoadLibrary(kBridgeLibrary);
  if (library == 0) {
    if (platform::GetLastError() == static_cast<platform::DWORD>(platform::ERROR_BAD_EXE_FORMAT))
      platform::raise(platform::err::ErrorInLoadingDll);
    platform::raise(platform::err::FileNotFound, platform::defaultErrorSource(),
                    std::string("File not found: ") + kBridgeLibrary);
  }
  const platform::FARPROC address = platform::GetProcAddress(library, routine);
  if (!address) {
    platform::FreeLibrary(library);
    platform::raise(platform::err::CantFindDllEntryPoint, platform::defaultErrorSource(),
                    std::string("Can't find DLL entry point ") + routine + " in " + kBridgeLibrary);
  }
  binding.library = library;
  binding.address = address;
  return address;
}

}  // namespace

int32_t run_vbscript(const std::string& path) {
  return platform::callRoutineWithText(bound(t_runVbscript, "run_vbscript"), path);
}

int32_t save_scriptname(const std::string& path) {
  return platform::callRoutineWithText(bound(t_saveScriptname, "save_scriptname"), path);
}

void g_ReleaseBridgeBindings() {
  for (Binding* binding : {&t_runVbscript, &t_saveScriptname}) {
    if (binding->library != 0) platform::FreeLibrary(binding->library);
    *binding = Binding{};
  }
}

}  // namespace kestrin::editor::modGlobals
