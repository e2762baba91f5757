// The run hand-over: the temporary copy of the script, the call into the
// host's bridge library, and the return of a handed-over script when the
// host opens the editor again with "temp".
#include <cstdint>
#include <functional>
#include <source_location>
#include <string>
#include <vector>

#include "diagnostics/failure.h"
#include "diagnostics/handling.h"
#include "diagnostics/trace.h"
#include "editor/CPreferences.h"
#include "editor/frmMain.h"
#include "editor/modGlobals.h"
#include "editor/modMain.h"
#include "platform/runtime/array.h"
#include "platform/runtime/errors.h"
#include "platform/runtime/script_file.h"
#include "platform/runtime/strings.h"
#include "platform/runtime/variant.h"
#include "platform/scripting/file_system.h"
#include "platform/ui/msgbox.h"
#include "platform/win32/editor_store.h"
#include "platform/win32/library.h"
#include "support/CFile.h"

namespace kestrin::editor::modMain {

namespace {

namespace mb = platform::ui::mb;

const std::string kNineBlanks(9, ' ');
const char* const kCrLf = "\r\n";
const char* const kTempScriptName = "_Temp.vbs";

// The folder part of a path as the file object forms it (an error for a
// name without a folder, such as "New Kestrin Script").
std::string folderOf(const std::string& path) {
  support::CFile file;
  file.Init(path);
  return file.FilePath();
}

}  // namespace

std::string gstr_SetTempScript(const std::string& scriptName) {
  diagnostics::IgnoreFailures ignore;
  diagnostics::Trace trace("modMain::gstr_SetTempScript [script] " + scriptName, ignore);
  platform::scripting::FileSystemObject fso;
  std::string path;

  // Beside a script that has a file; otherwise in "Common/Temp" of the
  // editor folder's files (the user's store makes it; the editor folder's
  // own it does not).
  if (ignore.condition([&] { return fso.FileExists(scriptName); })) {
    ignore.step([&] { path = gstr_AddBackSlash(folderOf(scriptName)) + kTempScriptName; });
  } else {
    ignore.step([&] { path = platform::editorFileToWrite(std::string("Common/Temp/") + kTempScriptName); });
  }

  // One copy per folder: the old one goes, hidden or read-only as it may be;
  // a file of another user (planted in a shared folder) is left alone.
  if (ignore.condition([&] { return fso.FileExists(path) && platform::belongsToThisUser(path); }))
    ignore.step([&] { fso.DeleteFile(path, true); });
  return path;
}

bool PassScriptToKestrin(std::string& path) {
  const std::string source = "modMain::PassScriptToKestrin(Function)";
  bool result = false;
  platform::HMODULE library = 0;

  // Without a diagnostics object: the procedure's own message, and the
  // script counts as not handed over.
  diagnostics::Trap trap([&](diagnostics::Failure& failure) {
    failure.source = source;
    platform::ui::MsgBox("Description - " + failure.description + kCrLf + kCrLf + "Error Number " +
                             std::to_string(failure.number) + kCrLf + "Error Source " + failure.source + kNineBlanks,
                         mb::OKOnly | mb::Critical, kMainWindowTitle);
    result = false;
  });
  // With one, the report names this procedure as the source.
  auto step = [&](const std::function<void()>& statement,
                  std::source_location where = std::source_location::current()) {
    trap.step([&] { diagnostics::withSource(source, statement); }, where);
  };
  diagnostics::Trace trace(trap);
  platform::scripting::FileSystemObject fso;

  const diagnostics::TrapEnd end = trap.body([&] {
    trace.enter("modMain::PassScriptToKestrin(Function) File:= " + path);
    result = true;

    std::string libraryPath;
    step([&] { libraryPath = gstr_AddBackSlash(gstr_EditorFolder()) + "Addlets/" + modGlobals::kBridgeLibrary; });

    bool found = false;
    step([&] { found = fso.FileExists(libraryPath); });
    if (!found) {
      step([&] {
        platform::ui::MsgBox("Could not locate " + libraryPath + kNineBlanks, mb::OKOnly | mb::Critical,
                             kMainWindowTitle);
      });
      result = false;
      return;
    }

    // Loaded by its full path, so that the binding by name finds this copy.
    step([&] { library = platform::LoadLibrary(libraryPath); });
    if (library == 0) {
      step([&] {
        platform::ui::MsgBox("Could not load dll '" + libraryPath + "'" + kNineBlanks, mb::OKOnly | mb::Critical,
                             kMainWindowTitle);
      });
      result = false;
      return;
    }

    // The host runs the script now; whatever happens inside it, the script
    // has been handed over.
    step([&] { modGlobals::run_vbscript(path); });
  });
  if (end == diagnostics::TrapEnd::LeftAtOnce) {
    trace.skipExit();
    return result;
  }

  if (library != 0) step([&] { platform::FreeLibrary(library); });
  return result;
}

bool gbln_DeleteTempScript(const std::string& path) {
  diagnostics::IgnoreFailures quiet;
  diagnostics::Trace trace("modMain::gbln_DeleteTempScript [script] " + path, quiet);
  // Any failure (an empty path, a name without a folder, a deletion the file
  // system refuses) makes the result False, without a message.
  // A name cut short at a NUL by the file calls would name another folder's
  // copy; a file of another user is not this editor's copy.
  return quiet.step([&] {
    if (path.find('\0') != std::string::npos) platform::raise(platform::err::BadFileNameOrNumber);
    const std::string copy = gstr_AddBackSlash(folderOf(path)) + kTempScriptName;
    platform::scripting::FileSystemObject fso;
    if (fso.FileExists(copy)) {
      if (!platform::belongsToThisUser(copy)) platform::raise(platform::err::PermissionDenied);
      fso.DeleteFile(copy, true);
    }
  });
}

bool gbln_RestoreHandedOverScript(frmMain& form, const std::string& tempScript) {
  if (!gbln_OwnCopyCanBeRead(tempScript)) return false;
  CPreferences prefs;
  const std::string name = prefs.LastScriptLoaded();

  // The copy's text, under the name of the script that was handed over,
  // whose file a later save compares with what it is now.
  form.FileToView(tempScript);
  form.setTag(name);
  form.StatusBar1->panel("MAIN").setText(name);
  form.rememberDiskFile(name);

  // The bookmarks belong to this script when the names match in any case.
  if (platform::equalsNoCase(name, prefs.BookmarkScriptName())) {
    const platform::Variant marks = prefs.GetBookMarks();
    const platform::Variant count = ArrayCount(marks);
    const int32_t* n = count.get<int32_t>();
    if (n && *n > 0) form.CodeSense1->setBookmarks(marks.array<int32_t>().items());
  }

  // The modified state it had when it was handed over.
  const bool dirty = prefs.WasDirty();
  form.setIsDirty(dirty);
  if (dirty) {
    form.StatusBar1->panel("MAIN").setText(form.StatusBar1->panel("MAIN").text() + "*");
    form.setTag(form.tag() + "*");
  }
  return true;
}

}  // namespace kestrin::editor::modMain
