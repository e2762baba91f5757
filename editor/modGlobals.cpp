#include "editor/modGlobals.h"

namespace kestrin::editor::modGlobals {

thread_local bool g_blnMainFormLoaded = false;
thread_local std::string& g_strHostFunctionList = *new std::string();
thread_local std::string& g_strHostConstantList = *new std::string();
thread_local bool g_blnSkipDirtyMark = false;
thread_local bool g_blnTaskPaneShown = false;

}  // namespace kestrin::editor::modGlobals
