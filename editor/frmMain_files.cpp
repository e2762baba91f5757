// The main window's Open and Save As commands.
#include <string>

#include "diagnostics/failure.h"
#include "diagnostics/handling.h"
#include "diagnostics/trace.h"
#include "editor/CPreferences.h"
#include "editor/frmMain.h"
#include "editor/modGlobals.h"
#include "editor/modMain.h"
#include "platform/controls/common_dialog.h"
#include "platform/runtime/convert.h"
#include "platform/runtime/strings.h"
#include "platform/scripting/file_system.h"
#include "platform/ui/msgbox.h"
#include "platform/win32/settings.h"
#include "support/CFile.h"

namespace kestrin::editor {

namespace mb = platform::ui::mb;
namespace cdl = platform::controls::cdl;

namespace {

const std::string kNineBlanks(9, ' ');

// The file attributes that open a script read-only, in the order they are
// looked at, with their warnings.
struct ReadOnlyReason {
  int32_t bit;
  const char* warning;
};
const ReadOnlyReason kReadOnlyReasons[] = {
    {1, "You have selected a read only script, you will not be able to make changes to this script"},
    {2, "You have selected a hidden script, you will not be able to make changes to this script"},
    {0x800, "You have selected a compressed script, you will not be able to make changes to this script"},
};

}  // namespace

void frmMain::m_FileOpen() {
  diagnostics::IgnoreFailures ignore;
  diagnostics::Trace trace("frmMain::m_FileOpen(Sub)", ignore);

  // Unsaved changes are offered for saving first (not those of a script
  // that cannot be changed).
  if (IsDirty() && !CodeSense1->readOnly()) {
    bool goOn = true;
    ignore.step([&] { goOn = modMain::gbln_SaveBeforeReplacing(*this); });
    if (!goOn) return;
  }

  auto& dialog = *dlgCommonDialog;
  ignore.step([&] {
    dialog.setCancelError(true);
    dialog.setFilter("Kestrin VB Script (*.vbs)|*.vbs");
    dialog.setInitDir(modMain::gstr_ScriptDialogFolder(false));
    dialog.setDialogTitle("Select Kestrin VB Script");
  });
  int32_t flags = cdl::PathMustExist | cdl::FileMustExist | cdl::NoDereferenceLinks;
  // The read-only box is hidden while the stored "HideReadOnly" is 1.
  if (ignore.condition([&] {
        return platform::cDbl(platform::Variant(
                   platform::GetSetting(CPreferences::kApplication, CPreferences::kSection, "HideReadOnly", "1"))) == 1;
      }))
    flags |= cdl::HideReadOnly;
  ignore.step([&] { dialog.setFlags(flags); });

  // Cancel (or any failure of the dialog) ends the command quietly.
  if (!ignore.step([&] { dialog.showOpen(); })) {
    diagnostics::clearFailure();
    return;
  }

  // A file that cannot be read as a script is told and changes nothing.
  const std::string chosen = dialog.fileName();
  if (!modMain::gbln_ScriptCanBeRead(chosen)) return;
  support::CFile file;
  int32_t attributes = 0;
  ignore.step([&] { file.Init(chosen); });
  ignore.step([&] { attributes = file.Attributes(); });
  bool readOnly = false;
  for (const ReadOnlyReason& reason : kReadOnlyReasons) {
    if ((attributes & reason.bit) == 0) continue;
    ignore.step(
        [&] { platform::ui::MsgBox(reason.warning + kNineBlanks, mb::OKOnly | mb::Exclamation, kMainWindowTitle); });
    readOnly = true;
    break;
  }
  ignore.step([&] { CodeSense1->setReadOnly(readOnly); });

  // The load leaves IsDirty as it was.
  ignore.step([&] { FileToView(chosen); });

  // The temporary copy of the last hand-over goes.
  ignore.step([&] { modMain::gbln_DeleteTempScript(CPreferences().TempScript()); });
}

void frmMain::m_FileSaveAs() {
  diagnostics::IgnoreFailures ignore;
  diagnostics::Trace trace("frmMain::m_FileSaveAs(Sub)", ignore);
  if (CodeSense1->readOnly()) return;

  auto& dialog = *dlgCommonDialog;
  ignore.step([&] {
    dialog.setCancelError(true);
    dialog.setFilter("All Files (*.*)|*.*|Text Files(*.txt)|*.txt|Kestrin VB Script (*.vbs)|*.vbs");
    dialog.setFilterIndex(3);
    dialog.setFlags(cdl::Explorer | cdl::OverwritePrompt);
    dialog.setDialogTitle("Save As");
  });

  // The dialog opens in the script's own folder, or in "VB" for a script
  // without a file.
  platform::scripting::FileSystemObject fso;
  std::string name;
  ignore.step([&] { name = platform::replace(tag(), "*", ""); });
  if (ignore.condition([&] { return fso.FileExists(name); })) {
    support::CFile file;
    ignore.step([&] { file.Init(name); });
    ignore.step([&] { dialog.setInitDir(file.FilePath()); });
  } else {
    ignore.step([&] { dialog.setInitDir(modMain::gstr_ScriptDialogFolder(true)); });
  }

  if (!ignore.step([&] { dialog.showSave(); })) {
    diagnostics::clearFailure();
    return;
  }
  std::string chosen;
  ignore.step([&] { chosen = dialog.fileName(); });
  if (!platform::trim(chosen).empty()) {
    // A write that failed is told, and the host hears of no path; the
    // document keeps its name and its mark.
    if (ignore.step([&] { modMain::g_SetCurrentScriptStatus(*this, chosen, true); }))
      ignore.step([&] { modGlobals::save_scriptname(chosen); });
    else
      ignore.step([&] { modMain::g_ShowSaveProblem(ignore.failure().description); });
    // The temporary copy of the last hand-over goes.
    ignore.step([&] { modMain::gbln_DeleteTempScript(CPreferences().TempScript()); });
  }
}

}  // namespace kestrin::editor
