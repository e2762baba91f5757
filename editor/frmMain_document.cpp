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
    // A path that holds no readable script (its callers have said why)
    // leaves the document as it is: never an empty text under its name.
    if (!path.empty() && !platform::scriptReadProblem(path).empty()) return;
    trap.step([&] { StatusBar1->panel("MAIN").setText("Loading File..."); });
    trap.step([&] { m_GetScriptData(path); });
    rememberDiskFile(path);
    m_strCurrentFile = path;
    if (trap.condition([&] { return CodeSense1->readOnly(); }))
      trap.step([&] { StatusBar1->panel("MAIN").setText(path + kReadOnlyMark); });
    else
      trap.step([&] { StatusBar1->panel("MAIN").setText(path); });
    setTag(path);
  });
  if (end == diagnostics::TrapEnd::LeftAtOnce) trace.skipExit();
}

void frmMain::rememberDiskFile(const std::string& path) {
  m_diskFile = path;
  m_diskStamp = path.empty() ? platform::FileStamp{} : platform::fileStamp(path);
}

bool frmMain::diskFileChangedElsewhere(const std::string& path) const {
  // A file the document never saw (a name given by a caller) is not asked
  // about; one that appeared, went or changed since is.
  if (path.empty() || path != m_diskFile) return false;
  return platform::fileStamp(path) != m_diskStamp;
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
