// The main window's document: loading a script into the editor and naming
// the document after it.
#include <string>

#include "diagnostics/handling.h"
#include "diagnostics/trace.h"
#include "editor/frmMain.h"
#include "editor/modCodeSense.h"

namespace kestrin::editor {

namespace {
const char* const kReadOnlyMark = " *** READ ONLY ***";
}

void frmMain::FileToView(const std::string& path) {
  // Without a diagnostics object a failure ends the loader silently.
  diagnostics::Trap trap;
  diagnostics::Trace trace(trap);
  const diagnostics::TrapEnd end = trap.body([&] {
    trace.enter("frmMain::FileToView(Function) File:= " + path);
    trap.step([&] { StatusBar1->panel("MAIN").setText("Loading File..."); });
    trap.step([&] { m_GetScriptData(path); });
    m_strCurrentFile = path;
    if (trap.condition([&] { return CodeSense1->readOnly(); }))
      trap.step([&] { StatusBar1->panel("MAIN").setText(path + kReadOnlyMark); });
    else
      trap.step([&] { StatusBar1->panel("MAIN").setText(path); });
    setTag(path);
  });
  if (end == diagnostics::TrapEnd::LeftAtOnce) trace.skipExit();
}

void frmMain::m_GetScriptData(const std::string& path) {
  diagnostics::IgnoreFailures ignore;
  diagnostics::Trace trace("frmMain::m_GetScriptData(Sub)", ignore);
  setTag(path);
  // The language and the editor settings, on every load.
  ignore.step([&] { modCodeSense::g_RegisterKestrinLanguage(*CodeSense1, tmrAutoSave.get()); });
  std::string file = path;
  ignore.step([&] { CodeSense1->openFile(file); });
  ignore.step([&] { CodeSense1->executeCommand(platform::controls::cmdDocumentStart); });
  ignore.step([&] { m_lTextLength = CodeSense1->textLength(); });
}

}  // namespace kestrin::editor
