// Code insertion and the control-structure templates. Every template of the
// editor puts its text in one of two ways: in front of the line on which
// the selection starts (g_InsertAtCursor), or after the last line of the
// document (appendAtEnd). Neither asks whether the editor is read-only: a
// read-only editor refuses the change silently. Neither marks the document
// modified: the editor's text change does.
#include <functional>
#include <optional>
#include <source_location>
#include <string>

#include "diagnostics/handling.h"
#include "diagnostics/trace.h"
#include "editor/frmMain.h"
#include "editor/modMain.h"
#include "platform/controls/code_editor.h"
#include "platform/runtime/datetime.h"
#include "platform/runtime/errors.h"
#include "platform/runtime/format.h"
#include "platform/runtime/strings.h"
#include "platform/ui/msgbox.h"

namespace kestrin::editor::modMain {

namespace {

using platform::controls::CodeEditor;
using platform::controls::CodeRange;

// The window's editor; a window without one (not loaded) fails the
// statement as an object variable that is not set.
CodeEditor& editorOf(frmMain& form) {
  if (!form.CodeSense1) platform::raise(platform::err::ObjectVariableNotSet);
  return *form.CodeSense1;
}

// The saved selection; none (its read failed) fails as an object that is
// not set.
const CodeRange& rangeOf(const std::optional<CodeRange>& range) {
  if (!range) platform::raise(platform::err::ObjectVariableNotSet);
  return *range;
}

const char* const kCrLf = "\r\n";

// The placeholders in angle brackets are written into the script as they
// stand, for the author to replace.
const char* const kIfCode =
    "If <condition> Then\r\n"
    "   ' -- Add code\r\n"
    "Else\r\n"
    "   ' -- Add code\r\n"
    "End If\r\n";

const char* const kElseIfCode =
    "If <condition> Then\r\n"
    "   ' -- Add code\r\n"
    "Elseif <condition> Then\r\n"
    "   ' -- Add code\r\n"
    "Else\r\n"
    "   ' -- Add code\r\n"
    "End If\r\n";

const char* const kSelectCaseCode =
    "Select Case <test expression>\r\n"
    "\r\n"
    "         '\r\n"
    "         ' -- Add code\r\n"
    "         '\r\n"
    "      Case <test1>\r\n"
    "         '\r\n"
    "         ' -- Add code\r\n"
    "         '\r\n"
    "      Case <test2>\r\n"
    "         '\r\n"
    "         ' -- Add code\r\n"
    "         '\r\n"
    "      Case <test3>\r\n"
    "         '\r\n"
    "         ' -- Add code\r\n"
    "         '\r\n"
    "      Case Else\r\n"
    "         '\r\n"
    "         ' -- Add code\r\n"
    "         '\r\n"
    "End Select\r\n";

const char* const kForNextCode =
    "Dim intCounter\r\n"
    "\r\n"
    "For intCounter = <MIN> To <MAX> Step <Steps>\r\n"
    "    '\r\n"
    "    ' -- Add code\r\n"
    "    '\r\n"
    "Next\r\n";

const char* const kForEachCode =
    "For Each <element> In <group>\r\n"
    "    '\r\n"
    "    ' -- Add code\r\n"
    "    '\r\n"
    "Next\r\n";

}  // namespace

void g_InsertAtCursor(frmMain& form, const std::string& text) {
  diagnostics::IgnoreFailures ignore;
  diagnostics::Trace trace("modMain::g_InsertAtCursor(Function)", ignore);
  std::optional<CodeRange> range;
  int32_t line = 0;
  // The selection as it is, its anchor as the start.
  ignore.step([&] { range = editorOf(form).getSel(false); });
  ignore.step([&] { editorOf(form).setSel(rangeOf(range), false); });
  ignore.step([&] { line = rangeOf(range).startLine; });
  // An empty caret at the start of that line: nothing of the selection is
  // replaced, and the text goes in front of the line's first character.
  ignore.step([&] { editorOf(form).setCaretPos(line, 0); });
  ignore.step([&] { editorOf(form).setSelText(text); });
  // The same numbers again: they now lie at the start of the inserted text.
  ignore.step([&] { editorOf(form).setSel(rangeOf(range), false); });
  range.reset();
}

void appendAtEnd(frmMain& form, const std::string& text, diagnostics::Handling& handling) {
  // Each statement reports its own line.
  const auto step = [&](const std::function<void()>& statement,
                        std::source_location where = std::source_location::current()) {
    handling.run(statement, where);
  };
  step([&] { editorOf(form).executeCommand(platform::controls::cmdDocumentEnd); });
  step([&] { editorOf(form).executeCommand(platform::controls::cmdNewLine); });
  step([&] { editorOf(form).executeCommand(platform::controls::cmdNewLine); });
  step([&] { editorOf(form).setSelText(text); });
}

void g_ToDo(frmMain& form) {
  diagnostics::Trace trace("modMain::g_ToDo(Sub)");
  const std::string comment = platform::ui::InputBox("Type a comment for this TODO task", "Add TODO Task");
  // Cancel gives the empty text.
  if (platform::trim(comment).empty()) return;
  // The comment stays as typed, its blanks included.
  const platform::Date stamp = platform::now();
  const std::string line = "'' TODO:: " + comment + " [" + platform::longDateText(stamp) + " " +
                           platform::formatDate(stamp, "hh:mm AM/PM") + "]" + kCrLf;
  g_InsertAtCursor(form, line);
}

void g_IfCode(frmMain& form) {
  diagnostics::Trace trace("modMain::g_IfCode(Sub)");
  g_InsertAtCursor(form, kIfCode);
}

void g_ElseIfCode(frmMain& form) {
  diagnostics::Trace trace("modMain::g_ElseIfCode(Sub)");
  g_InsertAtCursor(form, kElseIfCode);
}

void g_SelectCaseCode(frmMain& form) {
  diagnostics::Trace trace("modMain::g_SelectCaseCode(Sub)");
  g_InsertAtCursor(form, kSelectCaseCode);
}

void g_ForNextCode(frmMain& form) {
  diagnostics::Trace trace("modMain::g_ForNextCode(Sub)");
  g_InsertAtCursor(form, kForNextCode);
}

void g_ForEachCode(frmMain& form) {
  diagnostics::Trace trace("modMain::g_ForEachCode(Sub)");
  g_InsertAtCursor(form, kForEachCode);
}

}  // namespace kestrin::editor::modMain
