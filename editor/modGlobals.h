// The editor's shared module-level state: one set per thread that uses the
// component (the host's user-interface thread). Everything starts empty,
// False or nothing; the main window's load step builds it and its unload
// step releases it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "diagnostics/error_handler.h"

namespace kestrin::editor::modGlobals {

// The one diagnostics object of this thread, held in the diagnostics'
// thread slot so that tracing and traps find it: created and initialised
// by the main window's load step, released by its unload step. Every user
// tests that it exists first.
inline std::shared_ptr<diagnostics::CErrorHandler>& g_ErrorHandler() { return diagnostics::errorHandlerSlot(); }

// True from the end of a complete load of the main window until its unload
// step; UnloadAll unloads the main window once more while it is set.
extern thread_local bool g_blnMainFormLoaded;

// The host's function and constant lists, loaded by the main window's load
// step for the language registration. Each thread's lists are made at its
// first use and go when the component can unload (thread_objects.h).
std::string& g_strHostFunctionList();
std::string& g_strHostConstantList();

// Set by a save: the next run of the dirty marker clears the mark.
extern thread_local bool g_blnSkipDirtyMark;

// True while the task pane is expanded.
extern thread_local bool g_blnTaskPaneShown;

// ---- The host's bridge library (modGlobals_bridge.cpp) ----------------------

// The bridge library's file, in the "Addlets" folder of the editor's folder.
inline constexpr const char* kBridgeLibrary = "kzenvb.dll";

// The bridge routines, each taking one path; their results are not used.
// Each is bound by name at its first call in the library named
// kBridgeLibrary without a folder: it is found only when it is already
// loaded into the process or lies on the library search path. A library
// that is not found raises 53 "File not found: kzenvb.dll" (48 when it
// cannot be loaded), a routine it lacks 453. Once bound, a routine keeps
// the library loaded for the rest of the thread's life.
//   run_vbscript: run the script file (the hand-over loads the library from
//     "Addlets" just before it calls this).
//   save_scriptname: the script was saved under this path.
int32_t run_vbscript(const std::string& path);
int32_t save_scriptname(const std::string& path);

// Gives back the bound routines' loads of the library; the next call binds
// again. For a host or test that replaces the bridge library.
void g_ReleaseBridgeBindings();

}  // namespace kestrin::editor::modGlobals
