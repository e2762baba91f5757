// The editor's shared module-level state: one set per thread that uses the
// component (the host's user-interface thread). Everything starts empty,
// False or nothing; the main window's load step builds it and its unload
// step releases it.
#pragma once

#include <memory>
#include <string>

#include "diagnostics/error_handler.h"

namespace kestrin::editor::modGlobals {

// The one diagnostics object of this thread, held in the diagnostics'
// thread slot so that tracing and traps find it: created and initialised
// by the main window's load step, released by its unload step. Every user
// tests that it exists first.
inline std::shared_ptr<diagnostics::CErrorHandler>& g_ErrorHandler() {
  return diagnostics::errorHandlerSlot();
}

// True from the end of a complete load of the main window until its unload
// step; UnloadAll unloads the main window once more while it is set.
extern thread_local bool g_blnMainFormLoaded;

// The host's function and constant lists, loaded by the main window's load
// step for the language registration.
extern thread_local std::string g_strHostFunctionList;
extern thread_local std::string g_strHostConstantList;

// Set by a save: the next run of the dirty marker clears the mark.
extern thread_local bool g_blnSkipDirtyMark;

// True while the task pane is expanded.
extern thread_local bool g_blnTaskPaneShown;

// The host's bridge library routines (run_vbscript, save_scriptname) are
// declared with the run hand-over.

}  // namespace kestrin::editor::modGlobals
