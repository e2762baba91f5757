// The code editor's keyboard, mouse, completion list and argument tip.
#include <algorithm>
#include <cctype>

#include "platform/controls/code_editor.h"
#include "platform/ui/user.h"

namespace platform::controls {

namespace {

// Virtual key codes.
namespace vk {
inline constexpr int32_t Back = 8, Tab = 9, Return = 13, Escape = 27, Space = 32, Prior = 33, Next = 34, End = 35,
                         Home = 36, Left = 37, Up = 38, Right = 39, Down = 40, Insert = 45, Delete = 46, F1 = 112,
                         Packet = 231;
}

// A character of the word at the caret (currentWord): an ASCII letter,
// digit or "_". The completion list follows such words and closes at any
// other character, where the owner's completion ends a word too.
bool isIdentChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// A byte of a word for the caret's word-by-word moves (Ctrl+Left and
// Ctrl+Right): those characters and every character beyond ASCII, as the
// tokenizer reads words, so that the caret steps over "café" at once.
bool isWordByte(char c) { return isIdentChar(c) || static_cast<unsigned char>(c) >= 0x80; }

// The key of a character on a US keyboard, and whether it needs Shift.
std::pair<int32_t, bool> keyOfCharacter(unsigned char c) {
  if (c >= 'a' && c <= 'z') return {c - 'a' + 'A', false};
  if (c >= 'A' && c <= 'Z') return {c, true};
  if (c >= '0' && c <= '9') return {c, false};
  if (c == ' ') return {vk::Space, false};
  static const char* plain = ";=,-./`[\\]'";
  static const char* shifted = ":+<_>?~{|}\"";
  static const int32_t codes[] = {186, 187, 188, 189, 190, 191, 192, 219, 220, 221, 222};
  for (int i = 0; plain[i]; ++i) {
    if (c == static_cast<unsigned char>(plain[i])) return {codes[i], false};
    if (c == static_cast<unsigned char>(shifted[i])) return {codes[i], true};
  }
  static const char* digitsShifted = ")!@#$%^&*(";
  for (int i = 0; digitsShifted[i]; ++i)
    if (c == static_cast<unsigned char>(digitsShifted[i])) return {'0' + i, true};
  return {vk::Packet, false};
}

// The code point of a UTF-8 character.
int32_t codePoint(const std::string& ch) {
  const auto* s = reinterpret_cast<const unsigned char*>(ch.data());
  if (ch.empty()) return 0;
  if (s[0] < 0x80 || ch.size() == 1) return s[0];
  int32_t cp = 0;
  size_t n = 0;
  if ((s[0] & 0xE0) == 0xC0)
    cp = s[0] & 0x1F, n = 1;
  else if ((s[0] & 0xF0) == 0xE0)
    cp = s[0] & 0x0F, n = 2;
  else
    cp = s[0] & 0x07, n = 3;
  for (size_t i = 1; i <= n && i < ch.size(); ++i) cp = (cp << 6) | (s[i] & 0x3F);
  return cp;
}

}  // namespace

std::optional<CodeEditor::KeyStroke> CodeEditor::parseKey(const std::string& keyName) {
  KeyStroke k;
  std::string rest = keyName;
  for (;;) {
    const size_t plus = rest.find('+');
    if (plus == std::string::npos || plus == 0 || plus + 1 >= rest.size()) break;
    const std::string mod = rest.substr(0, plus);
    if (mod == "Shift")
      k.shift |= shift_state::Shift;
    else if (mod == "Ctrl")
      k.shift |= shift_state::Ctrl;
    else if (mod == "Alt")
      k.shift |= shift_state::Alt;
    else
      return std::nullopt;
    rest = rest.substr(plus + 1);
  }
  struct Named {
    const char* name;
    int32_t code;
    int32_t charCode;  // of the key press; 0 for none
  };
  static const Named named[] = {
      {"Enter", vk::Return, 13},  {"Return", vk::Return, 13}, {"Tab", vk::Tab, 9},      {"Backspace", vk::Back, 8},
      {"Escape", vk::Escape, 27}, {"Esc", vk::Escape, 27},    {"Space", vk::Space, 32}, {"Delete", vk::Delete, 0},
      {"Del", vk::Delete, 0},     {"Left", vk::Left, 0},      {"Right", vk::Right, 0},  {"Up", vk::Up, 0},
      {"Down", vk::Down, 0},      {"Home", vk::Home, 0},      {"End", vk::End, 0},      {"PageUp", vk::Prior, 0},
      {"PageDown", vk::Next, 0},  {"Insert", vk::Insert, 0},
  };
  for (const Named& n : named) {
    if (rest == n.name) {
      k.keyCode = n.code;
      k.charCode = n.charCode;
      if (n.code == vk::Space && !(k.shift & (shift_state::Ctrl | shift_state::Alt))) k.character = " ";
      if (k.shift & (shift_state::Ctrl | shift_state::Alt)) k.charCode = 0;
      return k;
    }
  }
  if (rest.size() >= 2 && rest[0] == 'F' && std::isdigit(static_cast<unsigned char>(rest[1]))) {
    const int n = std::atoi(rest.c_str() + 1);
    if (n >= 1 && n <= 12) {
      k.keyCode = vk::F1 + n - 1;
      return k;
    }
  }
  // One character.
  if (rest.empty() || charBytesAt(rest, 0) != rest.size()) return std::nullopt;
  const auto [code, shifted] = keyOfCharacter(static_cast<unsigned char>(rest[0]));
  k.keyCode = code;
  // With Ctrl or Alt a letter names its key whatever its case ("Ctrl+V").
  const bool command = k.shift & (shift_state::Ctrl | shift_state::Alt);
  if (shifted && !(command && std::isalpha(static_cast<unsigned char>(rest[0])))) k.shift |= shift_state::Shift;
  if (!command) {
    k.character = rest;
    k.charCode = codePoint(rest);
  }
  return k;
}

bool CodeEditor::userKey(const std::string& keyName) {
  const auto key = parseKey(keyName);
  if (!key) return false;
  return stroke(*key);
}

bool CodeEditor::userTypes(const std::string& text) {
  for (size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      ++i;
      stroke(*parseKey("Enter"));
      continue;
    }
    if (c == '\t') {
      ++i;
      stroke(*parseKey("Tab"));
      continue;
    }
    const size_t n = charBytesAt(text, i);
    const std::string ch = text.substr(i, n);
    i += n;
    KeyStroke k;
    const auto [code, shifted] = keyOfCharacter(static_cast<unsigned char>(ch[0]));
    k.keyCode = n == 1 ? code : vk::Packet;
    k.shift = (n == 1 && shifted) ? shift_state::Shift : 0;
    k.character = ch;
    k.charCode = codePoint(ch);
    stroke(k);
  }
  return true;
}

bool CodeEditor::stroke(const KeyStroke& key) {
  const bool listWasOpen = list_ != nullptr;
  const uint64_t versionBefore = textVersion_;
  bool dropped = false;
  if (sink_) runEvent("KeyDown", [&] { dropped = sink_->keyDown(*this, key.keyCode, key.shift); });
  if (dropped) {
    // A key that the owner took: when it changed the text under an open
    // list, the list has done its work.
    if (listWasOpen && list_ && textVersion_ != versionBefore) closeList();
  } else {
    keyAction(key, listWasOpen);
  }
  if (sink_) runEvent("KeyUp", [&] { sink_->keyUp(*this, key.keyCode, key.shift); });
  return true;
}

bool CodeEditor::keyAction(const KeyStroke& key, bool listWasOpen) {
  const bool ctrl = key.shift & shift_state::Ctrl, shift = key.shift & shift_state::Shift,
             alt = key.shift & shift_state::Alt;
  // The list sees the key first: Enter and Tab pick, Escape closes, the
  // arrows move through the entries.
  if (list_) {
    bool ignored = false;
    auto keep = list_;
    if (sink_)
      runEvent("CompletionListKey", [&] { ignored = sink_->completionListKey(*this, *keep, key.keyCode, key.shift); });
    if (!ignored && list_) {
      if (listWasOpen && (key.keyCode == vk::Return || key.keyCode == vk::Tab) && !ctrl && !alt) {
        listPick();
        return true;
      }
      // Escape closes the list, then goes on as without one: its key
      // press, and the cancel of a tip.
      if (key.keyCode == vk::Escape) closeList();
      if (!ctrl && !alt) {
        switch (key.keyCode) {
          case vk::Up: listMove(-1); return true;
          case vk::Down: listMove(1); return true;
          case vk::Prior: listMove(-std::max(1, viewLines_ / 2)); return true;
          case vk::Next: listMove(std::max(1, viewLines_ / 2)); return true;
          default: break;
        }
      }
    }
  }
  // The key press, for keys that give a character and for Enter, Tab,
  // Backspace and Escape.
  if (key.charCode != 0) {
    bool droppedChar = false;
    if (sink_) runEvent("KeyPress", [&] { droppedChar = sink_->keyPress(*this, key.charCode, key.shift); });
    if (droppedChar) return true;
  }
  if (!key.character.empty()) {
    typeCharacter(key.character);
  } else if (ctrl && !alt) {
    switch (key.keyCode) {
      case 'A': executeCommand(cmdSelectAll); break;
      case 'C': copy(); break;
      case 'X': cut(); break;
      case 'V': paste(); break;
      case 'Z': undo(); break;
      case 'Y': redo(); break;
      case 'F': executeCommand(cmdFind); break;
      case 'H': executeCommand(cmdReplace); break;
      case 'G': executeCommand(cmdGotoLine, -1); break;
      case 'L': executeCommand(cmdSelectLine); break;
      case vk::Space:
        if (shift)
          requestTip();
        else
          showCompletionList();
        return true;
      case vk::F1 + 1: executeCommand(cmdBookmarkToggle); break;
      case vk::Home: moveCaret({0, 0}, shift); break;
      case vk::End: moveCaret(textModel().endPos(), shift); break;
      case vk::Left: {
        TextBytePos p = text_.toBytes(caret_);
        const uint64_t base = text_.offsetOf({p.line, 0});
        auto at = [&](size_t o) { return text_.byteAt(base + o); };
        if (p.offset == 0 && p.line > 0) {
          moveCaret({p.line - 1, text_.lineLength(p.line - 1)}, shift);
        } else {
          while (p.offset > 0 && !isWordByte(at(p.offset - 1))) --p.offset;
          while (p.offset > 0 && isWordByte(at(p.offset - 1))) --p.offset;
          moveCaret(text_.toColumns(p), shift);
        }
        break;
      }
      case vk::Right: {
        TextBytePos p = text_.toBytes(caret_);
        const uint64_t base = text_.offsetOf({p.line, 0});
        const size_t size = text_.lineBytes(p.line);
        auto at = [&](size_t o) { return text_.byteAt(base + o); };
        if (p.offset == size && p.line + 1 < lineCount()) {
          p = {p.line + 1, 0};
        } else {
          while (p.offset < size && isWordByte(at(p.offset))) ++p.offset;
          while (p.offset < size && !isWordByte(at(p.offset))) ++p.offset;
        }
        moveCaret(text_.toColumns(p), shift);
        break;
      }
      default: break;
    }
  } else if (!alt) {
    switch (key.keyCode) {
      case vk::Return: newLine(Origin::Typing); break;
      case vk::Tab:
        if (!shift) {
          if (expandTabs_) {
            const int32_t col = std::min(anchor_, caret_).column;
            typeCharacter(std::string(static_cast<size_t>(tabSize_ - col % tabSize_), ' '));
          } else {
            typeCharacter("\t");
          }
        }
        break;
      case vk::Back: backspace(); break;
      case vk::Delete: deleteForward(); break;
      case vk::Escape:
        if (tip_) {
          bool keepTip = false;
          auto keep = tip_;
          if (sink_) runEvent("TipCancel", [&] { keepTip = sink_->tipCancel(*this); });
          if (!keepTip && tip_ == keep) closeTip(false);
        }
        return true;
      case vk::Left:
        if (!shift && anchor_ != caret_)
          moveCaret(std::min(anchor_, caret_), false);
        else if (caret_.column > 0)
          moveCaret({caret_.line, text_.prevColumn(caret_.line, caret_.column)}, shift);
        else if (caret_.line > 0)
          moveCaret({caret_.line - 1, text_.lineLength(caret_.line - 1)}, shift);
        break;
      case vk::Right:
        if (!shift && anchor_ != caret_)
          moveCaret(std::max(anchor_, caret_), false);
        else if (caret_.column < text_.lineLength(caret_.line))
          moveCaret({caret_.line, text_.nextColumn(caret_.line, caret_.column)}, shift);
        else if (caret_.line + 1 < lineCount())
          moveCaret({caret_.line + 1, 0}, shift);
        break;
      case vk::Up:
      case vk::Down:
      case vk::Prior:
      case vk::Next: {
        // A page is the view's height less one line: the view and the caret
        // move by it together, the last line of the page now its first.
        const int32_t page = std::max(1, viewLines_ - 1);
        const int32_t step = key.keyCode == vk::Up      ? -1
                             : key.keyCode == vk::Down  ? 1
                             : key.keyCode == vk::Prior ? -page
                                                        : page;
        if (key.keyCode == vk::Prior || key.keyCode == vk::Next)
          setTopLine(std::clamp(topLine_ + step, 0, std::max(topLine_, lineCount() - viewLines_)));
        const int32_t line = std::clamp(caret_.line + step, 0, lineCount() - 1);
        const int32_t want = desiredColumn_ >= 0 ? desiredColumn_ : caret_.column;
        moveCaret({line, want}, shift);
        desiredColumn_ = want;
        break;
      }
      case vk::Home: {
        // First to the first non-blank, then to column 0.
        // Blanks are one byte a character.
        const int32_t first = static_cast<int32_t>(text_.leadingBlanks(caret_.line));
        moveCaret({caret_.line, caret_.column == first ? 0 : first}, shift);
        break;
      }
      case vk::End: moveCaret({caret_.line, text_.lineLength(caret_.line)}, shift); break;
      case vk::F1 + 1: executeCommand(shift ? cmdBookmarkPrev : cmdBookmarkNext); break;
      case vk::F1 + 2: executeCommand(shift ? cmdFind : cmdFindNext); break;
      default: break;
    }
  }
  // The list closes when the caret leaves the word it was opened for, or
  // when a character that ends a word goes in.
  if (list_) {
    const bool wordChar = key.character.size() == 1 && isIdentChar(key.character[0]);
    if (caret_.line != listStart_.line || caret_.column < listStart_.column || (!key.character.empty() && !wordChar)) {
      closeList();
    } else if (wordChar || key.keyCode == vk::Back) {
      listFollowWord();
    }
  }
  if (tip_) updateTip();
  return true;
}

void CodeEditor::moveCaret(TextPos to, bool extend) {
  to = text_.clamp(to);
  desiredColumn_ = -1;
  setSelection(extend ? anchor_ : to, to);
  scrollToCaret();
}

void CodeEditor::typeCharacter(const std::string& ch) { edit(anchor_, caret_, ch, Origin::Typing); }

void CodeEditor::backspace() {
  if (anchor_ != caret_) {
    edit(anchor_, caret_, {});
    return;
  }
  if (caret_.column > 0)
    edit({caret_.line, text_.prevColumn(caret_.line, caret_.column)}, caret_, {});
  else if (caret_.line > 0)
    edit({caret_.line - 1, text_.lineLength(caret_.line - 1)}, caret_, {});
}

void CodeEditor::deleteForward() {
  if (anchor_ != caret_) {
    edit(anchor_, caret_, {});
    return;
  }
  if (caret_.column < text_.lineLength(caret_.line))
    edit(caret_, {caret_.line, text_.nextColumn(caret_.line, caret_.column)}, {});
  else if (caret_.line + 1 < lineCount())
    edit(caret_, {caret_.line + 1, 0}, {});
}

// --- the user's caret, selection and mouse --------------------------------------

void CodeEditor::afterCaretMove() {
  if (list_ && (caret_.line != listStart_.line || caret_.column < listStart_.column)) closeList();
  if (tip_) updateTip();
}

bool CodeEditor::userCaret(int32_t line, int32_t column) {
  setCaretPos(line - 1, column - 1);
  afterCaretMove();
  return true;
}

bool CodeEditor::userSelects(int32_t line, int32_t column, int32_t line2, int32_t column2) {
  setSel({line - 1, column - 1, line2 - 1, column2 - 1}, true);
  afterCaretMove();
  return true;
}

bool CodeEditor::userClicks(int32_t line, int32_t column) {
  bool stay = false;
  if (sink_) runEvent("MouseDown", [&] { stay = sink_->mouseDown(*this, 1, 0, column - 1, line - 1); });
  if (list_) closeList();
  if (!stay) setCaretPos(line - 1, column - 1);
  if (tip_) updateTip();
  if (sink_) runEvent("MouseUp", [&] { sink_->mouseUp(*this, 1, 0, column - 1, line - 1); });
  return true;
}

bool CodeEditor::userRightClicks() {
  bool handled = false;
  if (sink_) runEvent("RightClick", [&] { handled = sink_->rightClick(*this); });
  if (handled) return true;
  ui::User* user = host_ ? host_->user() : nullptr;
  if (!user) return true;
  ui::PopupPrompt prompt;
  prompt.popupId = "CodeEditor";
  prompt.toolIds = {"Undo", "Redo", "Cut", "Copy", "Paste", "SelectAll"};
  prompt.captions = {"&Undo", "&Redo", "Cu&t", "&Copy", "&Paste", "Select &All"};
  const auto picked = user->popupMenu(prompt);
  if (!picked) return true;
  if (*picked == "Undo")
    undo();
  else if (*picked == "Redo")
    redo();
  else if (*picked == "Cut")
    cut();
  else if (*picked == "Copy")
    copy();
  else if (*picked == "Paste")
    paste();
  else if (*picked == "SelectAll")
    executeCommand(cmdSelectAll);
  return true;
}

void CodeEditor::focusReceived() {
  if (sink_) runEvent("GotFocus", [&] { sink_->gotFocus(*this); });
}

void CodeEditor::focusLost() {
  closeList();
  if (tip_) closeTip(true);
  if (sink_) runEvent("LostFocus", [&] { sink_->lostFocus(*this); });
}

// --- the completion list -----------------------------------------------------------

bool CodeEditor::showCompletionList() {
  dropList();
  auto list = std::make_shared<CompletionList>();
  list->setFont(font_);
  list->setImageList(static_cast<int32_t>(imageListHandle_));
  CompletionList* raw = list.get();
  list->onSelect = [this, raw](int32_t index) {
    if (sink_) runEvent("CompletionListSelChange", [&] { sink_->completionListSelChange(*this, *raw, index); });
    ++viewGeneration_;
  };
  list_ = list;
  listStart_ = {caret_.line, caret_.column - currentWordLength()};
  bool shown = false;
  if (sink_) runEvent("CompletionListShow", [&] { shown = sink_->completionListShow(*this, *list); });
  if (!shown || list_ != list) {
    if (list_ == list) dropList();
    return false;
  }
  if (sink_) runEvent("CompletionListMark", [&] { sink_->completionListMark(*this, *list); });
  ++viewGeneration_;
  return list_ == list;
}

void CodeEditor::closeList() {
  if (!list_) return;
  dropList();
  ++viewGeneration_;
}

// A list that the owner still holds no longer reaches this editor.
void CodeEditor::dropList() {
  if (list_) list_->onSelect = nullptr;
  list_.reset();
}

void CodeEditor::listMove(int32_t delta) {
  auto keep = list_;
  if (!keep || keep->itemCount() == 0) return;
  const int32_t from = keep->selectedItem();
  const int32_t to =
      std::clamp(from < 0 ? (delta > 0 ? 0 : keep->itemCount() - 1) : from + delta, 0, keep->itemCount() - 1);
  if (to != from) keep->selectItem(to);
}

void CodeEditor::listPick() {
  auto keep = list_;
  if (!keep) return;
  bool stayOpen = false;
  if (sink_) runEvent("CompletionListSelected", [&] { stayOpen = sink_->completionListPick(*this, *keep); });
  if (!stayOpen && list_ == keep) closeList();
}

void CodeEditor::completionListDoubleClick(int32_t index) {
  auto keep = list_;
  if (!keep || index < 0 || index >= keep->itemCount()) return;
  keep->selectItem(index);
  if (list_ == keep) listPick();
}

void CodeEditor::listFollowWord() {
  auto keep = list_;
  if (!keep) return;
  const std::string word = currentWord();
  if (word.empty()) return;
  const int32_t index = keep->findString(word, false);
  if (index < 0 || index == keep->selectedItem()) return;
  bool follow = true;
  if (sink_) runEvent("CompletionListWord", [&] { follow = sink_->completionListWord(*this, *keep, index); });
  if (follow && list_ == keep && index < keep->itemCount()) keep->selectItem(index);
}

// --- the argument tip --------------------------------------------------------------

void CodeEditor::requestTip() {
  int32_t kind = 0;
  if (sink_) runEvent("TipKind", [&] { kind = sink_->tipKind(*this); });
  if (kind != 4) return;
  // A tip asked for while one is shown takes its place without a dismissal.
  auto tip = std::make_shared<ArgumentTip>();
  tip->setFont(font_);
  tip_ = tip;
  tipStart_ = {caret_.line, caret_.column};
  if (sink_) runEvent("TipShow", [&] { sink_->tipShow(*this, *tip); });
  if (tip->destroyed() && tip_ == tip) tip_.reset();
  ++viewGeneration_;
}

void CodeEditor::updateTip() {
  auto keep = tip_;
  if (!keep) return;
  if (sink_) runEvent("TipUpdate", [&] { sink_->tipUpdate(*this, *keep); });
  if (keep->destroyed() && tip_ == keep) tip_.reset();
  ++viewGeneration_;
}

void CodeEditor::closeTip(bool raiseDismissed) {
  if (!tip_) return;
  tip_.reset();
  ++viewGeneration_;
  if (raiseDismissed && sink_) runEvent("TipDismissed", [&] { sink_->tipDismissed(*this); });
}

}  // namespace platform::controls
