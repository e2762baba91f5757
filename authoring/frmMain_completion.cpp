// The main window's completion list, argument tip and key handlers of the
// editor control, the insertion of a picked completion word, and the
// window's authoring part (its event sink, word list and CSelectedWord).
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

#include "authoring/CSelectedWord.h"
#include "diagnostics/handling.h"
#include "diagnostics/trace.h"
#include "editor/frmMain.h"
#include "editor/modCodeSense.h"
#include "editor/modMain.h"
#include "platform/controls/code_editor.h"
#include "platform/runtime/checked_int.h"
#include "platform/runtime/errors.h"
#include "platform/runtime/strings.h"

namespace kestrin::editor {

using platform::controls::ArgumentTip;
using platform::controls::CodeEditor;
using platform::controls::CodeRange;
using platform::controls::CompletionList;

namespace {

// Key codes and character codes the handlers look at.
constexpr int32_t kKeyBack = 8, kKeyTab = 9, kKeyReturn = 13, kKeySpace = 32, kKeyLeft = 37, kKeyRight = 39,
                  kKeyDelete = 46;
constexpr int32_t kTipKindArguments = 4;

// CWord, which the load step makes; 91 "Object variable not set" before.
authoring::CSelectedWord& selectedWord(const std::shared_ptr<authoring::CSelectedWord>& word) {
  if (!word) platform::raise(platform::err::ObjectVariableNotSet);
  return *word;
}

// A character of a name: an ASCII letter, digit or "_".
bool isNameCode(int32_t code) {
  return (code >= 'a' && code <= 'z') || (code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9') || code == '_';
}

// Which argument of the call the caret stands in, counted from 0: the commas
// typed since the tip's start at the call's own level (not those inside a
// string literal or a nested parenthesis); -1 once the call's closing
// parenthesis stands in front of the caret. A string ends with its line; a
// nesting goes on over continued lines.
int32_t argumentAtCaret(const CodeEditor& editor, int32_t startLine, int32_t startColumn, int32_t caretLine,
                        int32_t caretColumn) {
  int32_t argument = 0;
  int32_t depth = 0;
  for (int32_t line = startLine; line <= caretLine; ++line) {
    std::string text = editor.getLine(line);
    if (line == caretLine) text = platform::left(text, caretColumn);
    if (line == startLine) text = platform::mid(text, platform::addLong(startColumn, 1));
    bool inString = false;
    for (const char c : text) {
      if (c == '"') {
        inString = !inString;
      } else if (inString) {
        continue;
      } else if (c == '(') {
        ++depth;
      } else if (c == ')') {
        if (depth == 0) return -1;
        --depth;
      } else if (c == ',' && depth == 0) {
        ++argument;
      }
    }
  }
  return argument;
}

// The list that the handlers take to be open is one the control still
// shows: the control also closes it without a pick (Escape, a pick key that
// the key-down handler took, a character that ends the word), and a list
// taken to be open would take the next Enter, Tab or Right arrow for a pick.
void forgetClosedList(frmMain& window) {
  if (window.m_bListOpen && !window.CodeSense1->completionListOpen()) window.m_bListOpen = false;
}

}  // namespace

// ---- The picked completion word -----------------------------------------------------

bool frmMain::m_AddIntellWord() {
  diagnostics::IgnoreFailures ignore;
  diagnostics::Trace trace("frmMain::m_AddIntellWord(Function)", ignore);
  bool empty = true;
  ignore.step([&] { empty = platform::trim(m_strPickedWord).empty(); });
  if (empty) return false;

  CodeRange range;
  ignore.step([&] { range = CodeSense1->getSel(false); });
  // The word's beginning in front of the caret. It is counted back from the
  // caret itself: m_lCursorCol was read before the last typed character went
  // in, and counting from it would take a character in front of the word.
  ignore.step([&] { range.startColumn = platform::subLong(range.endColumn, CodeSense1->currentWordLength()); });
  ignore.step([&] { CodeSense1->setSel(range, false); });
  // The caret goes after the word, where the beginning it replaces started.
  CodeRange after = range;
  ignore.step([&] {
    const int32_t column = platform::addLong(std::max(range.startColumn, 0), platform::len(m_strPickedWord));
    after = {range.startLine, column, range.startLine, column};
  });
  ignore.step([&] { selectedWord(CWord).setIntelliWord(m_strPickedWord); });
  ignore.step([&] { CodeSense1->setSelText(m_strPickedWord); });
  ignore.step([&] { CodeSense1->setSel(after, false); });
  m_strPickedWord.clear();
  return false;
}

// ---- The completion list ------------------------------------------------------------

bool frmMain::CodeSense1_CompletionListShow(CompletionList& List) {
  // An entry of an earlier list is no pick of this one.
  m_strPickedWord.clear();
  List.setImageList(platform::toLongChecked(IMGIntellisence->hImageList()));
  List.setFont(CodeSense1->font());
  List.clearItems();
  if (!modCodeSense::gbln_ShowIntelliList(List)) return false;
  // The entry of the word at the caret as the last key left it.
  const int32_t index = List.findString(m_strCurrentWord, true);
  if (index != -1) List.selectItem(index);
  m_bListOpen = true;
  return true;
}

bool frmMain::CodeSense1_CompletionListPick(CompletionList& List) {
  (void)List;
  m_AddIntellWord();
  m_bListOpen = false;
  return false;
}

bool frmMain::CodeSense1_CompletionListMark(CompletionList& List) {
  (void)List;
  m_bListOpen = true;
  return false;
}

bool frmMain::CodeSense1_CompletionListKey(CompletionList& List, int32_t KeyCode, int32_t Shift) {
  (void)List, (void)KeyCode, (void)Shift;
  return false;
}

bool frmMain::CodeSense1_CompletionListWord(CompletionList& List, int32_t Index) {
  (void)List, (void)Index;
  return true;
}

std::string frmMain::CodeSense1_CompletionListSelChange(CompletionList& List, int32_t Index) {
  m_strPickedWord = List.itemText(Index);
  return {};
}

// ---- The argument tip ---------------------------------------------------------------

int32_t frmMain::CodeSense1_TipKind() {
  // Code or nothing at the caret; no tip in a comment or a string.
  const int32_t token = CodeSense1->currentToken();
  return token == platform::controls::token_class::Code || token == platform::controls::token_class::None
             ? kTipKindArguments
             : 0;
}

void frmMain::CodeSense1_TipShow(ArgumentTip& Tip) {
  Tip.setArgument(0);
  // The tip starts after the caret: after the "(" about to be typed.
  m_rngTipStart = CodeSense1->getSel(true);
  m_rngTipStart->endColumn = platform::addLong(m_rngTipStart->endColumn, 1);
  Tip.setCurrentFunction(0);
  Tip.setFunctionCount(0);
  const std::string text = modCodeSense::gstr_GetItemData(selectedWord(CWord).IntelliWord());
  if (platform::trim(text).empty()) {
    Tip.destroy();
    return;
  }
  Tip.setText(text);
  Tip.setBackColor(0xFFFFFF);
  Tip.setTextColor(0);
  Tip.setFont(CodeSense1->font());
  Tip.font().italic = false;
  Tip.font().bold = false;
}

void frmMain::CodeSense1_TipUpdate(ArgumentTip& Tip) {
  const CodeRange caret = CodeSense1->getSel(true);
  if (!m_rngTipStart) platform::raise(platform::err::ObjectVariableNotSet);
  const int32_t startLine = m_rngTipStart->endLine, startColumn = m_rngTipStart->endColumn;
  if (caret.endLine < startLine || (caret.endLine == startLine && caret.endColumn < startColumn)) {
    Tip.destroy();
    return;
  }
  const int32_t argument = argumentAtCaret(*CodeSense1, startLine, startColumn, caret.endLine, caret.endColumn);
  if (argument == -1) {
    Tip.destroy();
    return;
  }
  Tip.setArgument(argument);
  if (Tip.currentFunction() == 0) {
    const std::string text = modCodeSense::gstr_GetItemData(selectedWord(CWord).IntelliWord());
    if (platform::trim(text).empty())
      Tip.destroy();
    else
      Tip.setText(text);
  }
}

void frmMain::CodeSense1_TipDismissed() { selectedWord(CWord).setIntelliWord(""); }

bool frmMain::CodeSense1_TipCancel() {
  selectedWord(CWord).setIntelliWord("");
  return false;
}

// ---- The keys -----------------------------------------------------------------------

bool frmMain::CodeSense1_KeyDown(int32_t KeyCode, int32_t Shift) {
  (void)Shift;
  if (CodeSense1->readOnly()) return false;
  modMain::g_UpdateDirtyMark(*this);
  forgetClosedList(*this);
  if (m_bListOpen) {
    switch (KeyCode) {
      case kKeyTab:
      case kKeyRight:
        // The key itself is dropped.
        m_AddIntellWord();
        return true;
      case kKeyReturn: m_AddIntellWord(); return false;
      case kKeySpace:
        m_AddIntellWord();
        if (!selectedWord(CWord).IntelliWord().empty()) CodeSense1->executeCommand(platform::controls::cmdArgumentTip);
        return false;
      case kKeyLeft: m_GetRange(true); break;
      default: break;
    }
  }
  m_lCursorCol = CodeSense1->getSel(false).endColumn;
  m_strCurrentWord = CodeSense1->currentWord();
  return false;
}

bool frmMain::CodeSense1_KeyPress(int32_t KeyAscii, int32_t Shift) {
  (void)Shift;
  if (CodeSense1->readOnly()) return false;
  modMain::g_UpdateDirtyMark(*this);
  forgetClosedList(*this);
  if (m_bListOpen) {
    if (KeyAscii == '(')
      m_AddIntellWord();
    else if (!isNameCode(KeyAscii))
      m_GetRange(true);
  }
  m_lCursorCol = CodeSense1->getSel(false).endColumn;
  if (KeyAscii == '(' && !selectedWord(CWord).IntelliWord().empty())
    CodeSense1->executeCommand(platform::controls::cmdArgumentTip);
  // The character is not in yet: the word is the one in front of it.
  m_strCurrentWord = CodeSense1->currentWord();
  const std::string word = CodeSense1->currentWord();
  if (modCodeSense::gbln_IsIntelliWord(word)) {
    selectedWord(CWord).setIntelliWord(word);
    CodeSense1->executeCommand(platform::controls::cmdArgumentTip);
  }
  return false;
}

bool frmMain::CodeSense1_KeyUp(int32_t KeyCode, int32_t Shift) {
  (void)Shift;
  if (CodeSense1->readOnly()) return false;
  modMain::g_UpdateDirtyMark(*this);
  if (KeyCode == kKeyBack || KeyCode == kKeyDelete) selectedWord(CWord).setIntelliWord("");
  return false;
}

// ---- The window's authoring part ----------------------------------------------------

namespace {

// The window's event sink with the completion, tip and key events added to
// the view's.
class CompletionEvents final : public frmMain::CodeSenseEvents {
 public:
  using CodeSenseEvents::CodeSenseEvents;

  bool completionListShow(CodeEditor&, CompletionList& list) override {
    return owner_.CodeSense1_CompletionListShow(list);
  }
  bool completionListPick(CodeEditor&, CompletionList& list) override {
    return owner_.CodeSense1_CompletionListPick(list);
  }
  bool completionListMark(CodeEditor&, CompletionList& list) override {
    return owner_.CodeSense1_CompletionListMark(list);
  }
  bool completionListKey(CodeEditor&, CompletionList& list, int32_t keyCode, int32_t shift) override {
    return owner_.CodeSense1_CompletionListKey(list, keyCode, shift);
  }
  bool completionListWord(CodeEditor&, CompletionList& list, int32_t index) override {
    return owner_.CodeSense1_CompletionListWord(list, index);
  }
  std::string completionListSelChange(CodeEditor&, CompletionList& list, int32_t index) override {
    return owner_.CodeSense1_CompletionListSelChange(list, index);
  }
  int32_t tipKind(CodeEditor&) override { return owner_.CodeSense1_TipKind(); }
  void tipShow(CodeEditor&, ArgumentTip& tip) override { owner_.CodeSense1_TipShow(tip); }
  void tipUpdate(CodeEditor&, ArgumentTip& tip) override { owner_.CodeSense1_TipUpdate(tip); }
  void tipDismissed(CodeEditor&) override { owner_.CodeSense1_TipDismissed(); }
  bool tipCancel(CodeEditor&) override { return owner_.CodeSense1_TipCancel(); }
  bool keyDown(CodeEditor&, int32_t keyCode, int32_t shift) override {
    return owner_.CodeSense1_KeyDown(keyCode, shift);
  }
  bool keyPress(CodeEditor&, int32_t charCode, int32_t shift) override {
    return owner_.CodeSense1_KeyPress(charCode, shift);
  }
  bool keyUp(CodeEditor&, int32_t keyCode, int32_t shift) override { return owner_.CodeSense1_KeyUp(keyCode, shift); }
};

[[maybe_unused]] const bool registered = [] {
  frmMain::AuthoringParts parts;
  parts.makeEvents = [](frmMain& owner) -> std::unique_ptr<frmMain::CodeSenseEvents> {
    return std::make_unique<CompletionEvents>(owner);
  };
  parts.loadWordList = &modCodeSense::gbln_LoadIntellList;
  parts.newSelectedWord = [] { return std::make_shared<authoring::CSelectedWord>(); };
  frmMain::setAuthoringParts(parts);
  return true;
}();

}  // namespace

}  // namespace kestrin::editor
