// The document's name and modified mark after a save, a new script or an
// edit.
#include <string>

#include "diagnostics/trace.h"
#include "editor/frmMain.h"
#include "editor/modGlobals.h"
#include "editor/modMain.h"
#include "platform/runtime/strings.h"

namespace kestrin::editor::modMain {

void g_SetCurrentScriptStatus(frmMain& form, const std::string& scriptName, bool save) {
  // No trap: a failed save reaches the caller with nothing renamed.
  diagnostics::Trace trace("modMain::g_SetCurrentScriptStatus [script] " + scriptName);
  if (save) {
    form.CodeSense1->saveFile(scriptName, false);
    form.rememberDiskFile(scriptName);
    modGlobals::g_blnSkipDirtyMark = true;
  }
  form.setTag(scriptName);
  form.StatusBar1->panel("MAIN").setText(form.tag());
  form.setIsDirty(false);
}

void g_UpdateDirtyMark(frmMain& form) {
  if (form.CodeSense1->readOnly()) return;
  std::string name = platform::trim(form.tag());
  if (modGlobals::g_blnSkipDirtyMark) {
    // The first run after a save clears the mark.
    if (!name.empty() && name.back() == '*') name = platform::replace(name, "*", "");
    form.setTag(name);
    form.setIsDirty(false);
    form.StatusBar1->panel("MAIN").setText(name);
    modGlobals::g_blnSkipDirtyMark = false;
  } else {
    if (name.empty() || name.back() != '*') name += "*";
    form.setTag(name);
    form.setIsDirty(true);
    form.StatusBar1->panel("MAIN").setText(name);
  }
}

}  // namespace kestrin::editor::modMain
