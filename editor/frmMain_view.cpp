// The main window's view of the editor control: the "CURSOR" and "SIZE"
// panels, the highlighted line, the control's focus, text-change, mouse,
// right-click and selection-change events, and the window's key events.
#include <cstdint>
#include <string>

#include "diagnostics/handling.h"
#include "diagnostics/trace.h"
#include "editor/CPreferences.h"
#include "editor/frmMain.h"
#include "editor/modMain.h"
#include "platform/runtime/checked_int.h"
#include "platform/runtime/convert.h"

namespace kestrin::editor {

using platform::controls::CodeEditor;
using platform::controls::CodeRange;

// ---- Status panels ----------------------------------------------------------------

void frmMain::m_GetRange(bool fromEvent) {
  (void)fromEvent;
  // No handling of its own: a failure (a status bar without the panel)
  // leaves the trace entry and reaches the event that called.
  diagnostics::Trace trace("frmMain::m_GetRange(Sub)");
  const CodeRange range = CodeSense1->getSel(false);
  m_lCursorCol = range.endColumn;
  // The editor counts from 0, the panel from 1.
  const int32_t line = platform::addLong(range.endLine, 1);
  const int32_t column = platform::addLong(range.endColumn, 1);
  StatusBar1->panel("CURSOR").setText("  Line " + std::to_string(line) + ", Col " + std::to_string(column));
  // The length read at the last load, in thousands of bytes.
  if (m_lTextLength > 0) {
    const double kb = platform::roundHalfEven(static_cast<double>(m_lTextLength) / 1000.0);
    StatusBar1->panel("SIZE").setText("File Size: " + std::to_string(static_cast<int64_t>(kb)) + "kb");
  } else {
    StatusBar1->panel("SIZE").setText("File Size: " + std::to_string(m_lTextLength) + " bytes");
  }
  m_bListOpen = false;
}

void frmMain::m_HighlightCurrentLine() {
  diagnostics::IgnoreFailures ignore;
  CodeRange range;
  ignore.step([&] { range = CodeSense1->getSel(true); });
  ignore.step([&] {
    CPreferences preferences;
    if (preferences.HighLightLine() == 1) CodeSense1->setHighlightedLine(range.endLine);
  });
  ignore.step([&] { CodeSense1->updateView(); });
}

// ---- The editor control's events ----------------------------------------------------

void frmMain::CodeSense1_GotFocus() { m_GetRange(false); }

void frmMain::CodeSense1_TextChange() {
  if (!CodeSense1->readOnly()) modMain::g_UpdateDirtyMark(*this);
}

bool frmMain::CodeSense1_MouseDown(int32_t Button, int32_t Shift, int32_t X, int32_t Y) {
  (void)Button, (void)Shift, (void)X, (void)Y;
  return false;
}

bool frmMain::CodeSense1_MouseUp(int32_t Button, int32_t Shift, int32_t X, int32_t Y) {
  (void)Button, (void)Shift, (void)X, (void)Y;
  m_GetRange(true);
  return false;
}

bool frmMain::CodeSense1_RightClick() {
  // The Edit menu, on a read-only script too; the pick runs as its tool
  // click.
  SSActiveToolBars1->showPopupMenu("ID_Edit");
  return true;
}

void frmMain::CodeSense1_SelectionChange(CodeEditor& Control) {
  m_HighlightCurrentLine();
  // While the completion list is open the panels follow the caret only
  // where no word stands in front of it.
  if (m_bListOpen && Control.currentWord().empty()) m_GetRange(true);
}

void frmMain::CodeSenseEvents::gotFocus(CodeEditor&) { owner_.CodeSense1_GotFocus(); }
void frmMain::CodeSenseEvents::textChange(CodeEditor&) { owner_.CodeSense1_TextChange(); }
bool frmMain::CodeSenseEvents::mouseDown(CodeEditor&, int32_t button, int32_t shift, int32_t x, int32_t y) {
  return owner_.CodeSense1_MouseDown(button, shift, x, y);
}
bool frmMain::CodeSenseEvents::mouseUp(CodeEditor&, int32_t button, int32_t shift, int32_t x, int32_t y) {
  return owner_.CodeSense1_MouseUp(button, shift, x, y);
}
bool frmMain::CodeSenseEvents::rightClick(CodeEditor&) { return owner_.CodeSense1_RightClick(); }
void frmMain::CodeSenseEvents::selectionChange(CodeEditor& editor) { owner_.CodeSense1_SelectionChange(editor); }

// ---- The window's key events --------------------------------------------------------

void frmMain::Form_KeyDown(int16_t& KeyCode, int16_t Shift) {
  (void)KeyCode, (void)Shift;
  if (!CodeSense1->readOnly()) modMain::g_UpdateDirtyMark(*this);
}

void frmMain::Form_KeyPress(int16_t& KeyAscii) {
  (void)KeyAscii;
  diagnostics::IgnoreFailures ignore;
  if (ignore.condition([&] { return !CodeSense1->readOnly(); }, diagnostics::OnFailure::IntoBlock))
    ignore.step([&] { modMain::g_UpdateDirtyMark(*this); });
}

void frmMain::Form_KeyUp(int16_t& KeyCode, int16_t Shift) {
  (void)KeyCode, (void)Shift;
  if (!CodeSense1->readOnly()) modMain::g_UpdateDirtyMark(*this);
}

void frmMain::onKeyDown(int16_t& KeyCode, int16_t Shift) { Form_KeyDown(KeyCode, Shift); }
void frmMain::onKeyPress(int16_t& KeyAscii) { Form_KeyPress(KeyAscii); }
void frmMain::onKeyUp(int16_t& KeyCode, int16_t Shift) { Form_KeyUp(KeyCode, Shift); }

}  // namespace kestrin::editor
