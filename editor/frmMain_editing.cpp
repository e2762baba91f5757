// The main window's editing and bookmark commands: undo and redo, the
// clipboard, find and replace, the selections, go to line, the bookmarks,
// the document name to the clipboard, the date and time, commenting and
// uncommenting lines and inserting a script file at the end of the text.
//
// The commands that change the text do nothing while the editor is
// read-only, and mark the document modified before they act (whether or not
// the change then happens). Failing statements are skipped, except in the
// copy of the document name, whose failure reaches the tool dispatcher.
#include <cstdint>
#include <functional>
#include <string>

#include "diagnostics/failure.h"
#include "diagnostics/handling.h"
#include "diagnostics/trace.h"
#include "editor/frmMain.h"
#include "editor/modMain.h"
#include "platform/runtime/datetime.h"
#include "platform/scripting/regexp.h"
#include "platform/ui/clipboard.h"

namespace kestrin::editor {

using platform::controls::CodePosition;
using platform::controls::CodeRange;
namespace clipboard = platform::ui::clipboard;

namespace {

// The guard of the commands that change the text: True while the editor is
// read-only. An editor that cannot say counts as read-only, so that the
// command leaves.
bool refusesChanges(diagnostics::IgnoreFailures& ignore, frmMain& form) {
  return ignore.condition([&] { return form.CodeSense1->readOnly(); }, diagnostics::OnFailure::IntoBlock);
}

// The guarded, marking command that hands its work to the editor.
template <class Work>
void changeCommand(frmMain& form, Work work) {
  diagnostics::IgnoreFailures ignore;
  if (refusesChanges(ignore, form)) return;
  ignore.step([&] { modMain::g_UpdateDirtyMark(form); });
  ignore.step(work);
}

// A command of the editor that may run on a read-only script too.
void editorCommand(frmMain& form, int32_t command) {
  diagnostics::IgnoreFailures ignore;
  ignore.step([&] { form.CodeSense1->executeCommand(command); });
}

// The bookmark commands bring the left margin back first, where the marks
// are shown.
void bookmarkCommand(frmMain& form, int32_t command) {
  diagnostics::IgnoreFailures ignore;
  ignore.step([&] { form.CodeSense1->setDisplayLeftMargin(true); });
  ignore.step([&] { form.CodeSense1->executeCommand(command); });
}

}  // namespace

// ---- Undo, redo and the clipboard ---------------------------------------------------

void frmMain::m_EditUndo() {
  changeCommand(*this, [&] { CodeSense1->undo(); });
}

void frmMain::m_EditRedo() {
  changeCommand(*this, [&] { CodeSense1->redo(); });
}

void frmMain::m_EditCut() {
  diagnostics::IgnoreFailures ignore;
  if (refusesChanges(ignore, *this)) return;
  ignore.step([&] { modMain::g_UpdateDirtyMark(*this); });
  ignore.step([&] { clipboard::Clear(); });
  ignore.step([&] { clipboard::SetText(CodeSense1->selText()); });
  ignore.step([&] { CodeSense1->setSelText(""); });
}

void frmMain::m_EditCopy() {
  diagnostics::IgnoreFailures ignore;
  ignore.step([&] { clipboard::Clear(); });
  ignore.step([&] { clipboard::SetText(CodeSense1->selText()); });
}

void frmMain::m_EditPaste() {
  changeCommand(*this, [&] { CodeSense1->paste(); });
}

void frmMain::m_EditDelete() {
  // No guard of its own: a read-only editor refuses the change itself.
  diagnostics::IgnoreFailures ignore;
  ignore.step([&] { CodeSense1->setSelText(""); });
}

// ---- Find, replace, selections and go to line ------------------------------------------

void frmMain::m_EditFind() { editorCommand(*this, platform::controls::cmdFind); }

void frmMain::m_EditFindNext() { editorCommand(*this, platform::controls::cmdFindNext); }

void frmMain::m_EditReplace() {
  changeCommand(*this, [&] { CodeSense1->executeCommand(platform::controls::cmdReplace); });
}

void frmMain::m_EditSelectAll() { editorCommand(*this, platform::controls::cmdSelectAll); }

void frmMain::m_EditSelectCurrentLine() { editorCommand(*this, platform::controls::cmdSelectLine); }

void frmMain::m_EditGoToLine() {
  // -1: the editor asks the user for the line.
  diagnostics::IgnoreFailures ignore;
  ignore.step([&] { CodeSense1->executeCommand(platform::controls::cmdGotoLine, int16_t{-1}); });
}

// ---- Bookmarks -----------------------------------------------------------------------

void frmMain::m_BookmarkToggle() { bookmarkCommand(*this, platform::controls::cmdBookmarkToggle); }

void frmMain::m_BookmarkClearAll() { bookmarkCommand(*this, platform::controls::cmdBookmarkClearAll); }

void frmMain::m_BookmarkFirst() { bookmarkCommand(*this, platform::controls::cmdBookmarkFirst); }

void frmMain::m_BookmarkLast() { bookmarkCommand(*this, platform::controls::cmdBookmarkLast); }

void frmMain::m_BookmarkNext() { bookmarkCommand(*this, platform::controls::cmdBookmarkNext); }

void frmMain::m_BookmarkPrevious() { bookmarkCommand(*this, platform::controls::cmdBookmarkPrev); }

// ---- The document name and the date ------------------------------------------------

void frmMain::m_CopyFilePathName() {
  // The whole name, "*" included; no handling of its own.
  clipboard::Clear();
  clipboard::SetText(tag());
}

void frmMain::m_InsertDateTime() {
  diagnostics::IgnoreFailures ignore;
  if (refusesChanges(ignore, *this)) return;
  ignore.step([&] { modMain::g_UpdateDirtyMark(*this); });
  ignore.step([&] { CodeSense1->executeCommand(platform::controls::cmdNewLine); });
  ignore.step([&] { CodeSense1->setSelText(platform::generalDateText(platform::now())); });
}

// ---- Comments ------------------------------------------------------------------------

void frmMain::m_CommentAdd() {
  diagnostics::IgnoreFailures ignore;
  if (refusesChanges(ignore, *this)) return;
  diagnostics::Trace trace("frmMain::m_CommentAdd(Sub)", ignore);
  ignore.step([&] { modMain::g_UpdateDirtyMark(*this); });

  // Whole lines: every line of the selection gets an apostrophe at its
  // start, the last one too when the selection ends at its first column.
  // An editor that cannot give its selection leaves nothing to comment.
  CodeRange selection;
  if (!ignore.step([&] { selection = CodeSense1->getSel(true); })) return;
  for (int32_t line = selection.startLine; line <= selection.endLine; ++line) {
    CodeRange start;
    start.startLine = line;
    start.endLine = line;
    ignore.step([&] { CodeSense1->setSel(start, false); });
    ignore.step([&] { CodeSense1->setSelText("'"); });
  }
  // The same numbers again: the selection now lies one character to the
  // left of the text it covered.
  ignore.step([&] { CodeSense1->setSel(selection, true); });
}

void frmMain::m_CommentClear() {
  diagnostics::IgnoreFailures ignore;
  if (refusesChanges(ignore, *this)) return;
  diagnostics::Trace trace("frmMain::m_CommentClear(Sub)", ignore);
  ignore.step([&] { modMain::g_UpdateDirtyMark(*this); });

  // One apostrophe at the start of the selected text and right after each
  // of its line breaks; one after leading blanks stays.
  platform::scripting::RegExp expression;
  std::string text, uncommented;
  ignore.step([&] { text = CodeSense1->selText(); });
  expression.Pattern = "^'?";
  expression.IgnoreCase = true;
  expression.Global = true;
  expression.MultiLine = true;
  ignore.step([&] { uncommented = expression.Replace(text, ""); });
  ignore.step([&] { CodeSense1->replaceSel(uncommented); });
}

// ---- Insert file ---------------------------------------------------------------------

void frmMain::m_InsertFile() {
  diagnostics::IgnoreFailures ignore;
  diagnostics::Trace trace("frmMain::m_InsertFile(Sub)", ignore);
  if (refusesChanges(ignore, *this)) return;

  // Any failure so far, the dialog's Cancel among them, leaves the text
  // alone.
  bool failed = false;
  const auto step = [&](const std::function<void()>& statement) {
    if (!ignore.step(statement)) failed = true;
  };
  step([&] { modMain::g_UpdateDirtyMark(*this); });

  // The shared dialog keeps its flags and file name from its last use.
  auto& dialog = *dlgCommonDialog;
  step([&] { dialog.setCancelError(true); });
  step([&] { dialog.setFilter("Kestrin VB Script (*.vbs)|*.vbs"); });
  step([&] { dialog.setInitDir(modMain::gstr_ScriptDialogFolder(false)); });
  step([&] { dialog.setDialogTitle("Select Kestrin VB Script"); });
  step([&] { dialog.showOpen(); });
  if (failed) {
    diagnostics::clearFailure();
    return;
  }
  // A file that cannot be read as a script is told and inserts nothing.
  if (!modMain::gbln_ScriptCanBeRead(dialog.fileName())) return;

  // At the end of the text, after two new lines. A text that the file
  // would make too large for the editor is told and left as it was.
  ignore.step([&] { CodeSense1->executeCommand(platform::controls::cmdDocumentEnd); });
  if (!modMain::gbln_ScriptCanBeInserted(dialog.fileName(), *CodeSense1)) return;
  ignore.step([&] { CodeSense1->executeCommand(platform::controls::cmdNewLine); });
  ignore.step([&] { CodeSense1->executeCommand(platform::controls::cmdNewLine); });
  CodePosition at;
  at.column = 1;
  ignore.step([&] { at.line = CodeSense1->lineCount(); });
  ignore.step([&] { CodeSense1->insertFile(dialog.fileName(), at); });
}

}  // namespace kestrin::editor
