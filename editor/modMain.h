// modMain: the editor's module procedures, in sections by subject. Each
// section's procedures are defined in the modMain_<subject>.cpp named in
// its heading; new subjects add a section here and a file of their own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/runtime/variant.h"

namespace platform::ui {
class Form;
}
namespace platform::controls {
class SplitterPane;
class CodeEditor;
}
namespace kestrin::diagnostics {
class Handling;
}

namespace kestrin::editor {

class frmMain;

namespace modMain {

// ---- Editor folders and path helpers (modMain_paths.cpp) --------------------

// The editor's folder: the folder of the component's own library file, as
// the platform reports it (normally without a closing "/").
std::string gstr_EditorFolder();

// The editor's sub-folders by number: 0 "Data", 1 "VB", 2 "Addlets",
// 3 "Help", 4 "Common"; the full path without a closing "/", or the empty
// text for any other number. Traced; failures are skipped.
std::string gstr_GetPathToKestrin(int32_t kzDIR);

// The folder the open and save dialogs start in: "VB" of the editor's
// folder. For a user who may not write the editor's folder (an install
// shared by every user), a save starts in the user's own "VB" of the
// editor's store, made when missing, and an open there once it exists.
std::string gstr_ScriptDialogFolder(bool saving);

// The path with exactly one closing "/" (the empty text gives "/").
std::string gstr_AddBackSlash(const std::string& path);

// The part after the last "/", trimmed, without one closing NUL; without
// its extension when stripExtension is set. Traced; failures are skipped.
std::string ParseFileName(std::string path, bool stripExtension = false);

// The name up to its first "." (the name unchanged when it has none).
// Traced; failures are skipped.
std::string StripFileExtension(const std::string& name);

// The element count (upper bound + 1) of the array a Variant holds, as a
// 32-bit integer; the empty value for an unallocated array (or no array).
platform::Variant ArrayCount(const platform::Variant& array);

// Centres a window on the screen, keeping its size (twips; the halves in
// floating point). Traced; failures are skipped.
void CenterForm(platform::ui::Form& form);

// The code dialogs' initialisation hook: does nothing.
void g_InitDialog(platform::ui::Form& form);

// ---- Editor lifetime (modMain_lifetime.cpp) ---------------------------------

// Unloads every loaded window of the editor in the order they were loaded,
// then the main window once more when its unload was cancelled. Traced;
// failures are skipped; nothing gets out.
void UnloadAll();

// ---- Document identity (modMain_document.cpp) -------------------------------

// Names the document after a save or a new script: with save set, first
// writes the editor text to scriptName and sets g_blnSkipDirtyMark; then
// the window's tag and "MAIN" panel become scriptName and IsDirty False.
// A failed save reaches the caller with nothing renamed. Traced.
void g_SetCurrentScriptStatus(frmMain& form, const std::string& scriptName, bool save);

// The dirty marker: nothing while the editor is read-only; otherwise the
// trimmed document name gets one "*" and IsDirty True, except on the first
// run after a save, which removes every "*" and clears IsDirty instead.
void g_UpdateDirtyMark(frmMain& form);

// ---- Script files (modMain_files.cpp) ---------------------------------------

// A new script: after the save question while the script is modified
// (Cancel changes nothing), empties the view, names the document "New
// Kestrin Script" and, unless the preference AddHeader is 0, gives it the
// 31-line header with the author (UserName and EMail, or "<insert name
// here>"), the date and time and the document name. The read-only state
// stays as it was. Traced; failures are skipped.
void g_frmFileNew(frmMain& form);

// Saves the document: a script with a file is written under its name
// without a word; any other asks for a name in the save dialog (folder
// "VB") and says "Script '<name>' has been saved". After each save the host
// is told the path (save_scriptname), only for a save that reached the
// disk. A file that another program changed or replaced since the document
// last saw it is overwritten only after Yes to "FILE has been changed by
// another program. Overwrite it?". False when the dialog was cancelled or
// left without a name, or No was answered; a read-only script is not saved
// and gives True. Trapped up to the dialog ("Problem saving script, reason
// was:" without a diagnostics object), failures skipped after it. Traced.
bool gbln_FileSave(frmMain& form);

// The close-time question for a modified script: "'<file part>' has changed,
// do you want to save changes?" with Yes (saves), No and Cancel. True for
// Cancel, and for Yes when the save did not reach the disk (the save dialog
// cancelled, a failed write). Traced; failures are skipped.
bool gbln_CheckForSave(frmMain& form);

// The question before the document is replaced (new script, open): "File
// has changed, save it?" with Yes (saves), No and Cancel. False for Cancel,
// and for Yes when the save did not reach the disk: the command ends.
bool gbln_SaveBeforeReplacing(frmMain& form);

// Whether a script may be read from the path; when not (a NUL in the name,
// a missing file, a folder, a device, a FIFO, a socket, a file that may not
// be read) it says so, naming the path and the reason, and gives False.
bool gbln_ScriptCanBeRead(const std::string& path);
// Whether the script at the path may be inserted at the editor's caret
// after two new lines; when the text would grow too large for the memory
// or for the editor's lines and columns, it says so, naming the path and
// the reason, and gives False.
bool gbln_ScriptCanBeInserted(const std::string& path, const platform::controls::CodeEditor& editor);
// The same for the hand-over copy read back, which must also be a file of
// this user's and no link.
bool gbln_OwnCopyCanBeRead(const std::string& path);

// The saves' message for a write that failed: "Problem saving script,
// reason was:" with the description.
void g_ShowSaveProblem(const std::string& description);

// ---- Emergency copy (modMain_emergency.cpp) ----------------------------------

// The user's own folder for emergency copies: "$XDG_STATE_HOME/kestrin",
// or "~/.local/state/kestrin" ("" without a home).
std::string gstr_EmergencyFolder();
// Writes a modified script's text, mode 0600 at most, beside its file as
// NAME.save (NAME.save.1, ... when that exists), else in the emergency
// folder; says on standard error where it went. Nothing for an unmodified
// script. Returns the copy's path, "" when none was written.
std::string gstr_WriteEmergencyCopy(frmMain& form);
// The main window's writer for a session that ends without the user, set
// from its load to its unload.
void g_ArmEmergencyCopy(frmMain& form);
void g_DisarmEmergencyCopy();

// ---- Task pane (modMain_tasks.cpp) -------------------------------------------

// Collapses the task pane (pane 1 of the main window's splitter) at once,
// with its live resizing off meanwhile; nothing while it is already
// collapsed (g_blnTaskPaneShown False). Failures are skipped.
void g_HideTasks(std::shared_ptr<platform::controls::SplitterPane> pane);

// Opens the task pane in 21 steps of its size, 0, 100, ... 2000, with its
// live resizing off meanwhile; nothing while it is already open
// (g_blnTaskPaneShown True). Failures are skipped.
void g_ShowTasks(std::shared_ptr<platform::controls::SplitterPane> pane);

// ---- Run hand-over and return (modMain_run.cpp) -----------------------------

// The path of the temporary copy for a script: "_Temp.vbs" in the script's
// folder when scriptName is an existing file, otherwise in "Common/Temp" of
// the editor's folder. An existing copy at that path is deleted first, also
// a hidden or read-only one. Traced; failures are skipped, and the path
// formed is returned whatever happened.
std::string gstr_SetTempScript(const std::string& scriptName);

// Hands the copy to the host: checks that "Addlets/kzenvb.dll" exists in
// the editor's folder ("Could not locate " and the path otherwise), loads
// it by that full path ("Could not load dll '" and the path otherwise),
// calls its run_vbscript with the copy's path and frees it again. True
// when run_vbscript was called. Traced and trapped.
bool PassScriptToKestrin(std::string& path);

// Deletes "_Temp.vbs" in the folder of path (a script's path or the copy's
// own). True when nothing failed, copy or no copy; False for an empty path,
// a name without a folder ("New Kestrin Script") or a refused deletion.
// Shows no message. Traced.
bool gbln_DeleteTempScript(const std::string& path);

// The return of a handed-over script (RunEditor with "temp" when the copy
// named by TempScript exists): loads the copy, names the document after
// LastScriptLoaded, restores the bookmarks when BookmarkScriptName matches
// that name in any case, and restores IsDirty with its "*" from WasDirty.
// The copy is looked at again as it is loaded: one that is no longer this
// user's own plain file (planted since the host asked) is told about and
// False leaves the document as it was. Failures reach the caller.
bool gbln_RestoreHandedOverScript(frmMain& form, const std::string& tempScript);

// ---- Code insertion and control-structure templates (authoring/modMain_templates.cpp)
//
// Templates put their text into the main window's editor in one of two ways:
// in front of the line on which the selection starts (g_InsertAtCursor), or
// after the last line of the document (appendAtEnd). Neither tests the
// read-only state (the editor refuses the change silently) or marks the
// document modified itself: the editor's text change does that. A template
// without handling of its own passes a failure to the tool dispatcher.

// Puts text in front of the first character of the line on which the
// selection starts (its anchor), then sets the selection back to the line
// and column numbers it had, which now lie in the inserted text. Traced;
// failures are skipped.
void g_InsertAtCursor(frmMain& form, const std::string& text);

// The end-of-text insertion: the caret to the end of the text, two new
// lines, then the text at the caret. Each of the four steps is one
// statement of the given handling. Neither traced nor saving the selection.
void appendAtEnd(frmMain& form, const std::string& text, diagnostics::Handling& handling);

// The TODO comment: asks for its text ("Add TODO Task"); blanks only or
// Cancel insert nothing, any other text the line "'' TODO:: <text> [<long
// date> <hh:mm AM/PM>]" at the caret. Traced; no handling of its own.
void g_ToDo(frmMain& form);

// The control-structure templates at the caret: If/Else, If/ElseIf/Else,
// Select Case, For/Next with its counter, For Each. Traced; no handling of
// their own.
void g_IfCode(frmMain& form);
void g_ElseIfCode(frmMain& form);
void g_SelectCaseCode(frmMain& form);
void g_ForNextCode(frmMain& form);
void g_ForEachCode(frmMain& form);

// ---- Object declaration templates (authoring/modMain_declarations.cpp) ------
//
// Each puts one fixed declaration at the caret (g_InsertAtCursor).

// Outside automation objects. Traced, failures skipped; g_AddFSO neither
// traces nor handles its failures.
void g_AddExcel(frmMain& form);
void g_AddWord(frmMain& form);
void g_AddAutoCAD(frmMain& form);
void g_AddWSH(frmMain& form);
void g_AddFSO(frmMain& form);
void g_Notepad(frmMain& form);

// The host's script classes, declared, created and filled in a With block.
// Traced; no handling of their own.
void g_AddOverRideDeclare(frmMain& form);
void g_AddDepthsDeclare(frmMain& form);
void g_AddLeadsDeclare(frmMain& form);
void g_AddRectangleDeclare(frmMain& form);
void g_AddPointDeclare(frmMain& form);
void g_AddLineDeclare(frmMain& form);
void g_AddArcDeclare(frmMain& form);

// ---- Function snippet templates (authoring/modMain_snippets.cpp) ------------
//
// Each appends a routine after the end of the document (appendAtEnd); all
// but g_AddBackSlashCode and g_AddInclude first put its call at the caret
// (g_InsertAtCursor). Traced; g_AddADO and g_AddInclude skip their
// failures, the others have no handling of their own.
void g_BrowseForFolder(frmMain& form);
void g_CheckForDrawing(frmMain& form);
void g_AddADO(frmMain& form);
void g_AddInitializeCode(frmMain& form);
void g_AddBackSlashCode(frmMain& form);
void g_ReSetAllCode(frmMain& form);
void g_AddInclude(frmMain& form);

// ---- Declaration generators (authoring/modMain_generators.cpp) --------------
//
// Each appends the skeleton of a new routine, property or class after the
// end of the document (appendAtEnd). A name of blanks only appends nothing;
// every blank inside the name becomes "_", nothing else is changed or
// checked. The scope is "Public " or "Private ". Traced; failures are
// skipped statement by statement.

// "Sub <name>(<argList>)"; an empty argument list writes no parentheses.
void g_AddSub(frmMain& form, const std::string& name, const std::string& argList, bool isPublic);
// "Function <name>(<argList>)" with its Ret variable; parentheses as above.
void g_AddFunction(frmMain& form, const std::string& name, const std::string& argList, bool isPublic);
// The private variable m_<name> and the chosen Let, Get and Set procedures.
void g_AddProperty(frmMain& form, const std::string& name, bool isPublic, bool addLet, bool addGet, bool addSet);
// A class with the property NewProp held in m_Arg: the chosen Initialize,
// Let, Get, Set and Terminate blocks in that order, then, with addExample,
// a commented example of its use.
void g_AddClass(frmMain& form, const std::string& name, bool addExample, bool addLet, bool addGet, bool addSet,
                bool addInitialize, bool addTerminate);

}  // namespace modMain
}  // namespace kestrin::editor
