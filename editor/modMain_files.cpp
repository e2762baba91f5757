// The script-file procedures of modMain: a new script with its header, the
// save of the document, the save question before the document is replaced
// and the one before the main window closes.
#include <string>

#include "diagnostics/failure.h"
#include "diagnostics/handling.h"
#include "diagnostics/trace.h"
#include "editor/CPreferences.h"
#include "editor/frmMain.h"
#include "editor/modGlobals.h"
#include "editor/modMain.h"
#include "platform/controls/common_dialog.h"
#include "platform/runtime/datetime.h"
#include "platform/runtime/format.h"
#include "platform/runtime/script_file.h"
#include "platform/runtime/strings.h"
#include "platform/scripting/file_system.h"
#include "platform/ui/msgbox.h"
#include "platform/ui/visible_text.h"

namespace kestrin::editor::modMain {

namespace mb = platform::ui::mb;
namespace cdl = platform::controls::cdl;

namespace {

const std::string kNineBlanks(9, ' ');
const char* const kCrLf = "\r\n";
const char* const kScriptFilter = "Kestrin VB Script (*.vbs)|*.vbs";

// The document name without its modified mark.
std::string withoutMark(const std::string& name) {
  if (!name.empty() && name.back() == '*') return platform::replace(name, "*", "");
  return name;
}

// The header a new script starts with: 31 lines joined by CR LF, without a
// line end after the last.
std::string newScriptHeader(const std::string& documentName, const std::string& userName, const std::string& eMail,
                            platform::Date when) {
  const std::string rule = "'" + std::string(80, '/');
  const std::string subRule = "' " + std::string(20, '/');
  const std::string author =
      platform::trim(userName).empty() ? std::string("<insert name here>") : userName + " " + eMail;
  const std::string lines[] = {
      rule,
      "'//",
      "'//        Author:   " + author,
      "'//          Date:   " + platform::formatDate(when, "DD/MM/YYYY") + " " +
          platform::formatDate(when, "HH:MM AM/PM"),
      "'//     File Name:   " + documentName,
      "'//",
      "'//   Description:   Kestrin VB Script",
      "'//",
      "'//      Comments:   <insert comments here> ",
      "'//",
      rule,
      "",
      "",
      "'///////////////// My Constants /////////////////",
      "",
      "",
      "",
      "'///////////////// My Global Variables //////////",
      "",
      "",
      "",
      "' -- Start Script",
      "Call Main()",
      "",
      "",
      subRule,
      "' Sub Declaration",
      subRule,
      "Sub Main()",
      "    ' -- Add code here...",
      "End Sub",
  };
  std::string text;
  for (const std::string& line : lines) {
    if (&line != &lines[0]) text += kCrLf;
    text += line;
  }
  return text;
}

// Runs the save of a Yes answer to a save question and tells whether the
// question's command may go on. A save that did not reach the disk holds
// it up, as Cancel does: a cancelled save dialog, No to overwriting a file
// another program changed, a write that failed. The script then stays
// modified and its text in the editor. A read-only script is never saved
// and never holds it up.
bool saveLetsCommandGoOn(frmMain& form) {
  if (form.CodeSense1->readOnly()) return true;
  bool saved = true;
  diagnostics::IgnoreFailures ignore;
  if (!ignore.step([&] { saved = gbln_FileSave(form); })) return false;
  return saved && !form.IsDirty();
}

}  // namespace

namespace {

bool refuseUnreadable(const std::string& path, const std::string& problem) {
  if (problem.empty()) return true;
  platform::ui::MsgBox("'" + platform::ui::visibleText(path) + "' cannot be opened: " + problem + "." + kNineBlanks,
                       mb::OKOnly | mb::Exclamation, kMainWindowTitle);
  return false;
}

// Another program changed or replaced the file since the document last saw
// it: Yes overwrites it, No ends the save as a cancel.
bool mayOverwrite(frmMain& form, const std::string& name) {
  if (!form.diskFileChangedElsewhere(name)) return true;
  return platform::ui::MsgBox(name + " has been changed by another program. Overwrite it?", mb::YesNo | mb::Exclamation,
                              kMainWindowTitle) == mb::Yes;
}

}  // namespace

bool gbln_ScriptCanBeRead(const std::string& path) { return refuseUnreadable(path, platform::scriptReadProblem(path)); }

bool gbln_ScriptCanBeInserted(const std::string& path, const platform::controls::CodeEditor& editor) {
  const std::string problem = editor.insertFileProblem(path, {editor.caretPos().line, editor.caretPos().column}, 2);
  if (problem.empty()) return true;
  platform::ui::MsgBox("'" + platform::ui::visibleText(path) + "' cannot be inserted: " + problem + "." + kNineBlanks,
                       mb::OKOnly | mb::Exclamation, kMainWindowTitle);
  return false;
}

bool gbln_OwnCopyCanBeRead(const std::string& path) {
  return refuseUnreadable(path, platform::ownFileReadProblem(path));
}

void g_ShowSaveProblem(const std::string& description) {
  platform::ui::MsgBox("Problem saving script, reason was:" + kNineBlanks + kCrLf + description + kNineBlanks + kCrLf,
                       mb::OKOnly | mb::Exclamation, kMainWindowTitle);
}

bool gbln_SaveBeforeReplacing(frmMain& form) {
  const int32_t answer = platform::ui::MsgBox("File has changed, save it?" + kNineBlanks,
                                              mb::YesNoCancel | mb::Question, kMainWindowTitle);
  if (answer == mb::Cancel) return false;
  if (answer == mb::Yes) return saveLetsCommandGoOn(form);
  return true;
}

void g_frmFileNew(frmMain& form) {
  diagnostics::IgnoreFailures ignore;
  diagnostics::Trace trace("modMain::g_frmFileNew(Sub)", ignore);

  if (form.IsDirty()) {
    bool goOn = true;
    ignore.step([&] { goOn = gbln_SaveBeforeReplacing(form); });
    if (!goOn) return;
  }

  // Nothing loaded empties the view; the document becomes a new script.
  ignore.step([&] { form.FileToView(""); });
  ignore.step([&] { g_SetCurrentScriptStatus(form, kNewScriptName, false); });

  // The temporary copy of the last hand-over goes.
  ignore.step([&] { gbln_DeleteTempScript(CPreferences().TempScript()); });

  CPreferences preferences;
  if (ignore.condition([&] { return preferences.AddHeader() != 0; })) {
    ignore.step([&] {
      form.CodeSense1->setText(
          newScriptHeader(form.tag(), preferences.UserName(), preferences.EMail(), platform::now()));
    });
    ignore.step([&] { form.CodeSense1->emptyUndoBuffer(); });
  }
}

bool gbln_FileSave(frmMain& form) {
  bool result = true;
  // A read-only script is neither traced nor saved.
  if (form.CodeSense1->readOnly()) return result;

  // Up to the save dialog failures go to the trap; without a diagnostics
  // object it tells the reason and the save returns True.
  diagnostics::Trap trap([](diagnostics::Failure& failure) { g_ShowSaveProblem(failure.description); });
  diagnostics::Trace trace(trap);
  platform::scripting::FileSystemObject fso;

  const diagnostics::TrapEnd end = trap.body([&] {
    trace.enter("modMain::gbln_FileSave(Function) [filename] " + form.tag());
    std::string name;
    trap.step([&] { name = withoutMark(platform::trim(form.tag())); });

    // A script with a file is written under its own name, without a word
    // unless another program changed the file meanwhile. The host hears
    // only of a save that reached the disk (not of one that failed and was
    // answered Ignore).
    if (trap.condition([&] { return fso.FileExists(name); })) {
      bool overwrite = true;
      trap.step([&] { overwrite = mayOverwrite(form, name); });
      if (!overwrite) {
        result = false;
        return;
      }
      bool saved = false;
      trap.step([&] {
        g_SetCurrentScriptStatus(form, name, true);
        saved = true;
      });
      if (saved) trap.step([&] { modGlobals::save_scriptname(name); });
      return;
    }

    // Never saved, or its file is gone: the user names it. From here on a
    // failing statement is skipped.
    diagnostics::IgnoreFailures ignore;
    auto& dialog = *form.dlgCommonDialog;
    ignore.step([&] {
      dialog.setCancelError(true);
      dialog.setFilter(kScriptFilter);
      dialog.setFlags(cdl::Explorer | cdl::OverwritePrompt);
      dialog.setDialogTitle("Save Kestrin VB Script");
      dialog.setInitDir(gstr_ScriptDialogFolder(true));
    });
    if (!ignore.step([&] { dialog.showSave(); })) {
      diagnostics::clearFailure();
      result = false;
      return;
    }
    std::string chosen;
    ignore.step([&] { chosen = dialog.fileName(); });
    if (platform::trim(chosen).empty()) {
      result = false;
      return;
    }
    // A write that failed is told as a failure, not as a save, and the
    // host hears of no path; the document stays modified.
    if (!ignore.step([&] { g_SetCurrentScriptStatus(form, chosen, true); })) {
      ignore.step([&] { g_ShowSaveProblem(ignore.failure().description); });
      return;
    }
    ignore.step([&] { modGlobals::save_scriptname(chosen); });
    ignore.step([&] {
      platform::ui::MsgBox("Script '" + dialog.fileTitle() + "' has been saved" + kNineBlanks,
                           mb::OKOnly | mb::Information, kMainWindowTitle);
    });
  });
  if (end == diagnostics::TrapEnd::LeftAtOnce) trace.skipExit();
  return result;
}

bool gbln_CheckForSave(frmMain& form) {
  bool cancel = false;
  diagnostics::IgnoreFailures ignore;
  diagnostics::Trace trace("modMain::gbln_CheckForSave(Function)", ignore);

  std::string name;
  ignore.step([&] { name = withoutMark(form.tag()); });
  if (form.IsDirty()) {
    int32_t answer = 0;
    ignore.step([&] {
      answer = platform::ui::MsgBox("'" + ParseFileName(name, false) + "' has changed, do you want to save changes?",
                                    mb::YesNoCancel | mb::Question, kMainWindowTitle);
    });
    if (answer == mb::Cancel) {
      cancel = true;
    } else if (answer == mb::Yes) {
      // A write that failed keeps the window open.
      cancel = !saveLetsCommandGoOn(form);
    }
  }
  return cancel;
}

}  // namespace kestrin::editor::modMain
