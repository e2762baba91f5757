// The main window's remaining commands: closing the editor, printing and
// the printer set-up, the help documents, the launchers of the system
// programs, the two commands without work and the definitions script.
//
// Every command skips its failing statements; only the messages below are
// ever shown. A document or program that the shell cannot open shows
// nothing.
#include <array>
#include <memory>
#include <string>

#include "diagnostics/handling.h"
#include "diagnostics/trace.h"
#include "editor/CPreferences.h"
#include "editor/frmMain.h"
#include "editor/frmOptions.h"
#include "editor/modMain.h"
#include "platform/runtime/errors.h"
#include "platform/scripting/file_system.h"
#include "platform/ui/form.h"
#include "platform/ui/msgbox.h"
#include "platform/ui/screen.h"
#include "platform/win32/process.h"
#include "platform/win32/registry.h"
#include "platform/win32/shell.h"
#include "support/CPrintDialog.h"

namespace kestrin::editor {

namespace {

namespace mb = platform::ui::mb;

const std::string kNineBlanks(9, ' ');
// The code editor's print flag: the text with its line numbers.
constexpr int32_t kPrintWithLineNumbers = 16;
// The print dialog's flag that shows its printer set-up form.
constexpr int32_t kPrintSetupFlag = 0x40;

// The standard places of the system programs.
struct StandardProgram {
  const char* name;
  const char* first;
  const char* second;
};
const StandardProgram kStandardPrograms[] = {
    {kCommandPromptProgram, "/usr/bin/x-terminal-emulator", "/usr/bin/xterm"},
    {kTextEditorProgram, "/usr/bin/gnome-text-editor", "/usr/bin/gedit"},
    {kCalculatorProgram, "/usr/bin/gnome-calculator", "/usr/bin/xcalc"},
    // The registry's hives are SQLite databases.
    {kRegistryEditorProgram, "/usr/bin/sqlitebrowser", "/usr/local/bin/sqlitebrowser"},
};

// A text value of kProgramsKey; empty when it is absent or empty. A value
// that is not text raises 13 "Type mismatch".
std::string configuredPath(const std::string& valueName) {
  std::string value;
  const platform::LONG result =
      platform::readRegistryText(platform::HKEY_LOCAL_MACHINE, kProgramsKey, valueName, &value);
  if (result == platform::ERROR_INVALID_DATA) platform::raise(platform::err::TypeMismatch);
  return result == platform::ERROR_SUCCESS ? value : std::string();
}

// An object variable that may hold nothing: using it then fails as the
// runtime does, with 91.
template <class T>
T& objectOf(const std::shared_ptr<T>& object) {
  if (!object) platform::raise(platform::err::ObjectVariableNotSet);
  return *object;
}

// Opens a document through the shell, owned by the window; the shell's
// result is not looked at. A document is never started as a program.
void openWithShell(frmMain& window, const std::string& path) {
  platform::ShellExecute(window.hWnd(), "open", path, "", "", platform::SW_SHOW);
}

// Starts a program through the shell, the same way.
void startWithShell(frmMain& window, const std::string& path) {
  platform::ShellStartProgram(window.hWnd(), path, "", "", platform::SW_SHOW);
}

// Opens the document when it exists; otherwise shows the message, if any.
void openHelpDocument(frmMain& window, const std::string& path, const char* missingMessage) {
  diagnostics::IgnoreFailures ignore;
  platform::scripting::FileSystemObject fso;
  if (ignore.condition([&] { return fso.FileExists(path); })) {
    ignore.step([&] { openWithShell(window, path); });
  } else if (missingMessage) {
    ignore.step(
        [&] { platform::ui::MsgBox(missingMessage + kNineBlanks, mb::OKOnly | mb::Information, kMainWindowTitle); });
  }
}

// Starts the program from the first of its places that exists; with
// neither, shows the message.
void launchProgram(frmMain& window, const std::string& program, const char* missingMessage) {
  diagnostics::IgnoreFailures ignore;
  platform::scripting::FileSystemObject fso;
  std::array<std::string, 2> places;
  ignore.step([&] { places = systemProgramPaths(program); });
  for (const std::string& place : places) {
    if (ignore.condition([&] { return fso.FileExists(place); })) {
      ignore.step([&] { startWithShell(window, place); });
      return;
    }
  }
  ignore.step([&] { platform::ui::MsgBox(missingMessage, mb::OKOnly | mb::Information, kMainWindowTitle); });
}

}  // namespace

std::array<std::string, 2> systemProgramPaths(const std::string& program) {
  for (const StandardProgram& standard : kStandardPrograms) {
    if (program != standard.name) continue;
    const std::string first = configuredPath(program);
    const std::string second = configuredPath(program + "2");
    return {first.empty() ? std::string(standard.first) : first,
            second.empty() ? std::string(standard.second) : second};
  }
  return {};
}

void frmMain::m_CloseEditor() {
  diagnostics::IgnoreFailures ignore;
  ignore.step([] { modMain::UnloadAll(); });
}

void frmMain::m_FilePrint() {
  diagnostics::IgnoreFailures ignore;
  ignore.step([&] { CodeSense1->print(static_cast<int32_t>(hDC()), kPrintWithLineNumbers); });
}

void frmMain::m_FilePrintSetup() {
  diagnostics::IgnoreFailures ignore;
  support::CPrintDialog dialog;
  ignore.step([&] { dialog.Init(static_cast<int32_t>(hWnd()), kPrintSetupFlag); });
  ignore.step([&] { dialog.Show(); });
}

void frmMain::m_HelpContents() {
  openHelpDocument(*this, modMain::gstr_AddBackSlash(modMain::gstr_EditorFolder()) + "Help/kzScriptEd.hlp",
                   "Editor help file not avialable at this time");
}

void frmMain::m_ScriptingHelp() {
  openHelpDocument(*this, modMain::gstr_AddBackSlash(modMain::gstr_GetPathToKestrin(3)) + "VBScript.htm", nullptr);
}

void frmMain::m_VbScriptReference() {
  openHelpDocument(*this, modMain::gstr_AddBackSlash(modMain::gstr_EditorFolder()) + "VBSCRIP5.CHM", nullptr);
}

void frmMain::m_RunDosPrompt() { launchProgram(*this, kCommandPromptProgram, "Could not open DOS command prompt"); }

void frmMain::m_RunNotepad() { launchProgram(*this, kTextEditorProgram, "Could not open notepad"); }

void frmMain::m_RunCalculator() { launchProgram(*this, kCalculatorProgram, "Could not open calculator"); }

void frmMain::m_RunRegistryEditor() { launchProgram(*this, kRegistryEditorProgram, "Could not open registry editor"); }

void frmMain::m_EditPreferences() {
  diagnostics::IgnoreFailures ignore;
  diagnostics::Trace trace("frmMain::m_EditPreferences(Sub)", ignore);
  std::shared_ptr<frmOptions> dialog;
  ignore.step([&] { dialog = platform::ui::Form::make<frmOptions>(); });
  ignore.step([&] { objectOf(dialog).load(); });
  ignore.step([] { platform::ui::DoEvents(); });
  // A new preferences object for every opening; it fills the controls.
  std::shared_ptr<CPreferences> preferences;
  ignore.step([&] { preferences = std::make_shared<CPreferences>(); });
  ignore.step([&] { objectOf(dialog).setPreferences(preferences); });
  ignore.step([&] { objectOf(dialog).show(platform::ui::vbModal, this); });
  dialog.reset();
  preferences.reset();
}

void frmMain::m_CloseAllFiles() {}

void frmMain::m_SaveAllFiles() { m_CloseAllFiles(); }

void frmMain::m_OpenDefinitionsScript() {
  diagnostics::IgnoreFailures ignore;
  platform::scripting::FileSystemObject fso;
  std::string path;
  ignore.step([&] { path = modMain::gstr_AddBackSlash(modMain::gstr_GetPathToKestrin(2)) + "KzDef.vbs"; });
  if (ignore.condition([&] { return fso.FileExists(path); })) {
    if (modMain::gbln_ScriptCanBeRead(path)) ignore.step([&] { FileToView(path); });
  } else {
    ignore.step([&] {
      platform::ui::MsgBox("Could not locate kzdef.vbs" + kNineBlanks, mb::OKOnly | mb::Exclamation, kMainWindowTitle);
    });
  }
}

}  // namespace kestrin::editor
