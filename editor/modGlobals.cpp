#include "editor/modGlobals.h"

#include "diagnostics/thread_objects.h"

namespace kestrin::editor::modGlobals {

thread_local bool g_blnMainFormLoaded = false;
namespace {
thread_local std::string* t_hostFunctionList = nullptr;
thread_local std::string* t_hostConstantList = nullptr;
}  // namespace

std::string& g_strHostFunctionList() { return diagnostics::threadObject(t_hostFunctionList); }
std::string& g_strHostConstantList() { return diagnostics::threadObject(t_hostConstantList); }
thread_local bool g_blnSkipDirtyMark = false;
thread_local bool g_blnTaskPaneShown = false;

}  // namespace kestrin::editor::modGlobals
