// The run command: the script is handed to the host as a hidden temporary
// copy, with what the return needs to give the document back its name,
// bookmarks and modified state.
#include <functional>
#include <memory>
#include <source_location>
#include <string>
#include <vector>

#include "diagnostics/failure.h"
#include "diagnostics/handling.h"
#include "diagnostics/trace.h"
#include "editor/CPreferences.h"
#include "editor/frmMain.h"
#include "editor/modMain.h"
#include "platform/runtime/array.h"
#include "platform/runtime/errors.h"
#include "platform/runtime/script_file.h"
#include "platform/runtime/strings.h"
#include "platform/scripting/file_system.h"
#include "platform/ui/msgbox.h"

namespace kestrin::editor {

namespace {
namespace mb = platform::ui::mb;
const std::string kNineBlanks(9, ' ');
const char* const kCrLf = "\r\n";
// The hidden attribute alone: read-only, archive and system go.
constexpr int32_t kHiddenOnly = 2;
}  // namespace

void frmMain::m_ExecScript() {
  // A failed hand-over unloads this window from inside the command.
  const std::shared_ptr<platform::ui::Form> keepAlive = shared_from_this();
  const std::string source = "modMain::m_ExecScript(Function)";

  // Without a diagnostics object: the command's own message, then it ends,
  // so nothing after the failing step runs (the hand-over among them).
  diagnostics::Trap trap([&](diagnostics::Failure& failure) {
    failure.source = source;
    platform::ui::MsgBox("Description - " + failure.description + kCrLf + kCrLf + "Error Number " +
                             std::to_string(failure.number) + kCrLf + "Error Source " + failure.source + kNineBlanks,
                         mb::OKOnly | mb::Critical, kMainWindowTitle);
  });
  // With one, the report names the command as the source.
  auto step = [&](const std::function<void()>& statement,
                  std::source_location where = std::source_location::current()) {
    trap.step([&] { diagnostics::withSource(source, statement); }, where);
  };
  diagnostics::Trace trace(trap);

  // One preferences object for every value the return needs.
  CPreferences prefs;
  platform::scripting::FileSystemObject fso;

  const diagnostics::TrapEnd end = trap.body([&] {
    trace.enter("frmMain::m_ExecScript(Sub) [filename to run] " + tag());

    // The document name without its "*", and whether it carried one.
    std::string name = tag();
    if (!name.empty() && name.back() == '*') {
      step([&] { prefs.setWasDirty(true); });
      step([&] { name = platform::replace(name, "*", ""); });
    } else {
      step([&] { prefs.setWasDirty(false); });
    }
    step([&] { prefs.setLastScriptLoaded(name); });

    // The bookmarks; none deletes the bookmark file.
    std::vector<int32_t> lines;
    step([&] { CodeSense1->getBookmarks(lines); });
    step([&] { prefs.SaveBookMarks(lines.empty() ? platform::LongArray() : platform::LongArray::of(lines)); });
    step([&] { prefs.setBookmarkScriptName(name); });

    std::string copy;
    step([&] { copy = modMain::gstr_SetTempScript(name); });
    step([&] { prefs.setTempScript(copy); });

    // The editor's text as the copy; the document keeps its name and state.
    // The copy is made new, readable by no one who may not read the script;
    // nothing planted under its name in a shared folder is written through
    // or kept. Only a copy written here is handed over: after a failed
    // write the command ends, whatever the answer to its report.
    unsigned mode = 0666;
    if (fso.FileExists(name)) mode = platform::filePermissionBits(name, 0600) & 0666;
    bool written = false;
    step([&] {
      CodeSense1->saveOwnCopy(copy, mode);
      written = true;
    });
    if (!written) return;
    step([&] { fso.GetFile(copy)->setAttributes(kHiddenOnly); });

    // From here on every close of the window asks nothing and keeps the
    // copy, also one made by the host inside the hand-over.
    m_bHandedOver = true;

    bool handedOver = true;
    step([&] { handedOver = modMain::PassScriptToKestrin(copy); });
    if (!handedOver) step([] { modMain::UnloadAll(); });
  });
  if (end == diagnostics::TrapEnd::LeftAtOnce) trace.skipExit();
}

}  // namespace kestrin::editor
