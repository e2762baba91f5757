#include "platform/controls/code_editor.h"

#include <algorithm>
#include <cstring>
#include <list>
#include <unordered_map>

#include "platform/controls/code_editor_files.h"
#include "platform/runtime/script_file.h"
#include "platform/runtime/strings.h"
#include "platform/ui/user.h"

namespace platform::controls {

namespace {

// A character of the word at the caret: an ASCII letter, digit or "_",
// the characters of the script language's names and of the host words (the
// owner's completion takes any other character as the end of a word).
bool isIdentChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}
char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Where a text inserted at `start` ends, in bytes.
TextBytePos endOfInsert(TextBytePos start, std::string_view text) {
  TextBytePos p = start;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      ++p.line;
      p.offset = 0;
    } else {
      ++p.offset;
    }
  }
  return p;
}

TextPos toPos(int32_t line, int32_t column) { return {line, column}; }

const CompiledLanguage& plainLanguage() {
  static const CompiledLanguage plain{CodeLanguage{}};
  return plain;
}

// The first occurrence of the lower-case needle in the line from `from`,
// letter case ignored; npos when none.
size_t findNoCase(const std::string& line, size_t from, const std::string& needle) {
  if (needle.empty() || line.size() < needle.size()) return std::string::npos;
  const char first = needle[0];
  const char firstUpper = (first >= 'a' && first <= 'z') ? static_cast<char>(first - 'a' + 'A') : first;
  const size_t last = line.size() - needle.size();
  const char* data = line.data();
  for (size_t i = from; i <= last;) {
    // Jump to the next place where the first character stands.
    const void* p1 = std::memchr(data + i, first, last - i + 1);
    const void* p2 = firstUpper != first ? std::memchr(data + i, firstUpper, last - i + 1) : nullptr;
    const char* p = static_cast<const char*>(p1);
    if (!p || (p2 && static_cast<const char*>(p2) < p)) p = static_cast<const char*>(p2);
    if (!p) return std::string::npos;
    const size_t at = static_cast<size_t>(p - data);
    size_t k = 1;
    while (k < needle.size() && lower(data[at + k]) == needle[k]) ++k;
    if (k == needle.size()) return at;
    i = at + 1;
  }
  return std::string::npos;
}

// Whether a byte offset of the line is where a character starts (or the
// end of the line).
bool onCharBoundary(std::string_view line, size_t offset) {
  return byteOffsetOfColumn(line, columnOfByteOffset(line, offset)) == offset;
}

// A text to find in its lower-case form: letter case is ignored as the
// runtime's text comparison ignores it; the form keeps every byte offset.
struct Needle {
  explicit Needle(std::string_view what) : text(lCase(what)), ascii(isAscii(text)) {}
  std::string text;
  bool ascii;
};

// The first occurrence of the needle in the line from the byte `from` on,
// beginning and ending where characters do; npos when none.
size_t findInLine(const std::string& line, size_t from, const Needle& n) {
  const std::string& needle = n.text;
  // ASCII bytes always stand for themselves: a match of an ASCII needle is
  // on character boundaries by itself.
  if (n.ascii) return findNoCase(line, from, needle);
  const std::string hay = lCase(line);
  for (size_t at = hay.find(needle, from); at != std::string::npos; at = hay.find(needle, at + 1))
    if (onCharBoundary(line, at) && onCharBoundary(line, at + needle.size())) return at;
  return std::string::npos;
}

}  // namespace

CodeEditor::CodeEditor() : colourCache_(std::make_unique<LineColours>()) {
  static const int32_t defaults[color_index::Count] = {
      0xFFFFFF, 0xE0E0E0, 0xE1FFFF, 0x808000, 0x000000, 0xFFFFFF, 0x800000, 0x000000, 0xFF0000, 0x000000, 0x000000,
      0x000000, 0x000000, 0x000000, 0x008000, 0x000000, 0x000000, 0x000000, 0x800080, 0x000000, 0xFF0000, 0x000000,
      0xC0C0C0, 0x000000, 0x000000, 0x000000, 0xFFFFFF, 0x000000, 0x000000, 0x000000, 0x000000, 0x000000};
  std::copy(std::begin(defaults), std::end(defaults), colours_);
}

CodeEditor::~CodeEditor() { dropList(); }

// The colours of the lines asked for last, by their text: the colouring of
// a line depends on its text alone, so a line that changes is simply not
// found, and a line that moves keeps its colours.
struct CodeEditor::LineColours {
  static constexpr size_t kMaxLines = 1024;
  static constexpr size_t kMaxBytes = size_t{1} << 20;
  struct Entry {
    std::string text;
    std::vector<Token> tokens;
  };
  std::list<Entry> order;  // the last asked for first
  std::unordered_map<std::string_view, std::list<Entry>::iterator> index;
  size_t bytes = 0;
  uint64_t generation = 0;

  void clear() {
    index.clear();
    order.clear();
    bytes = 0;
  }
  static size_t weight(const Entry& e) { return e.text.size() + e.tokens.size() * sizeof(Token) + 64; }

  const std::vector<Token>& tokens(std::string text, uint64_t gen, const CompiledLanguage& language) {
    if (gen != generation) {
      clear();
      generation = gen;
    }
    if (auto it = index.find(text); it != index.end()) {
      order.splice(order.begin(), order, it->second);
      return it->second->tokens;
    }
    order.push_front({std::move(text), {}});
    Entry& e = order.front();
    language.tokenize(e.text, e.tokens);
    index.emplace(std::string_view(e.text), order.begin());
    bytes += weight(e);
    while (order.size() > 1 && (order.size() > kMaxLines || bytes > kMaxBytes)) {
      bytes -= weight(order.back());
      index.erase(std::string_view(order.back().text));
      order.pop_back();
    }
    return e.tokens;
  }
};

// --- events ------------------------------------------------------------------

bool CodeEditor::runEvent(const char* eventName, const std::function<void()>& handler) {
  (void)eventName;
  try {
    handler();
    return true;
  } catch (const RuntimeError& e) {
    lastEventError_ = e;
    return false;
  }
}

void CodeEditor::fireSelectionChange() {
  if (sink_) runEvent("SelChange", [&] { sink_->selectionChange(*this); });
}

void CodeEditor::fireTextChange() {
  if (sink_) runEvent("Change", [&] { sink_->textChange(*this); });
}

// --- properties ----------------------------------------------------------------

int32_t CodeEditor::textLength() const {
  const int64_t n = text_.lengthCrLf();
  return n > INT32_MAX ? INT32_MAX : static_cast<int32_t>(n);
}

std::string CodeEditor::currentWord() const {
  const TextBytePos p = text_.toBytes(caret_);
  const uint64_t end = text_.offsetOf(p), lineStart = end - p.offset;
  uint64_t start = end;
  while (start > lineStart && isIdentChar(text_.byteAt(start - 1))) --start;
  return text_.bytes(start, end);
}

int32_t CodeEditor::currentWordLength() const { return static_cast<int32_t>(countChars(currentWord())); }

int32_t CodeEditor::currentToken() const {
  const std::string l = text_.line(caret_.line);
  if (l.empty()) return token_class::None;
  const uint32_t at = static_cast<uint32_t>(caret_.column > 0 ? text_.prevColumn(caret_.line, caret_.column) : 0);
  refreshLanguage();
  std::vector<Token> own;
  const std::vector<Token>* tokens;
  if (compiled_ && colorSyntax_) {
    tokens = &lineTokens(caret_.line);
  } else {
    // Without colouring the kind is still the language's.
    (compiled_ ? *compiled_ : plainLanguage()).tokenize(l, own);
    tokens = &own;
  }
  for (const Token& t : *tokens) {
    if (at < t.start) break;
    if (at < t.start + t.length) {
      if (t.kind == TokenKind::Comment) return token_class::Comment;
      if (t.kind == TokenKind::String) return token_class::String;
      return token_class::Code;
    }
  }
  return token_class::None;
}

std::string CodeEditor::selText() const {
  const TextPos a = std::min(anchor_, caret_), b = std::max(anchor_, caret_);
  return text_.extract(a, b);
}

void CodeEditor::setSelText(std::string_view text) { edit(anchor_, caret_, text); }

void CodeEditor::replaceSel(std::string_view text) { edit(anchor_, caret_, text); }

std::string CodeEditor::text() const { return text_.joined(); }

void CodeEditor::resetDocument() {
  // A new text puts the caret at its start; the owner hears of it as of any
  // other move of the caret (its highlighted line follows).
  const bool moved = anchor_ != TextPos{} || caret_ != TextPos{};
  anchor_ = caret_ = {};
  desiredColumn_ = -1;
  undo_.clear();
  redo_.clear();
  bookmarks_.clear();
  colourCache_->clear();
  topLine_ = 0;
  ++textVersion_;
  ++viewGeneration_;
  dropList();
  if (tip_) closeTip(true);
  if (moved) fireSelectionChange();
}

void CodeEditor::setText(std::string_view text) {
  text_.assign(text);
  resetDocument();
}

void CodeEditor::setLanguage(const std::string& name) {
  language_ = name;
  registryGeneration_ = 0;
  ++colourGeneration_;
  ++viewGeneration_;
}

void CodeEditor::refreshLanguage() const {
  const uint64_t g = CodeEditorGlobals::generation();
  if (g == registryGeneration_) return;
  registryGeneration_ = g;
  auto c = language_.empty() ? nullptr : CodeEditorGlobals::compiled(language_);
  if (c != compiled_) {
    compiled_ = std::move(c);
    ++colourGeneration_;
  }
}

const std::vector<Token>& CodeEditor::lineTokens(int32_t line) const {
  static const std::vector<Token> none;
  refreshLanguage();
  if (!compiled_ || !colorSyntax_ || line < 0 || line >= lineCount()) return none;
  return colourCache_->tokens(text_.line(line), colourGeneration_, *compiled_);
}

const CompiledLanguage* CodeEditor::colouringLanguage() const {
  refreshLanguage();
  return compiled_ && colorSyntax_ ? compiled_.get() : nullptr;
}

void CodeEditor::colourAll() const {
  for (int32_t n = 0; n < lineCount(); ++n) lineTokens(n);
}

void CodeEditor::setTopLine(int32_t line) {
  topLine_ = std::clamp(line, 0, lineCount() - 1);
  ++viewGeneration_;
}

void CodeEditor::scrollToCaret() {
  if (caret_.line < topLine_)
    topLine_ = caret_.line;
  else if (caret_.line >= topLine_ + viewLines_)
    topLine_ = caret_.line - viewLines_ + 1;
  ++viewGeneration_;
}

void CodeEditor::updateView() { ++viewGeneration_; }

// --- selection -----------------------------------------------------------------

void CodeEditor::setSelection(TextPos anchor, TextPos caret, bool notify) {
  anchor = text_.clamp(anchor);
  caret = text_.clamp(caret);
  if (anchor == anchor_ && caret == caret_) return;
  anchor_ = anchor;
  caret_ = caret;
  ++viewGeneration_;
  if (notify) fireSelectionChange();
}

CodeRange CodeEditor::getSel(bool normalized) const {
  TextPos a = anchor_, b = caret_;
  if (normalized && b < a) std::swap(a, b);
  return {a.line, a.column, b.line, b.column};
}

void CodeEditor::setSel(const CodeRange& range, bool makeVisible) {
  desiredColumn_ = -1;
  setSelection(toPos(range.startLine, range.startColumn), toPos(range.endLine, range.endColumn));
  if (makeVisible) scrollToCaret();
}

void CodeEditor::setCaretPos(int32_t line, int32_t column) {
  desiredColumn_ = -1;
  const TextPos p = toPos(line, column);
  setSelection(p, p);
  scrollToCaret();
}

std::string CodeEditor::getLine(int32_t line) const {
  if (line < 0 || line >= lineCount()) return {};
  return text_.line(line);
}

// --- editing -------------------------------------------------------------------

void CodeEditor::moveBookmarks(TextBytePos a, TextBytePos b, TextBytePos newEnd) {
  if (bookmarks_.empty()) return;
  const int32_t delta = (newEnd.line - a.line) - (b.line - a.line);
  const bool pureInsert = a == b;
  if (delta == 0 && !(pureInsert && a.offset == 0 && newEnd.line > a.line)) return;
  std::set<int32_t> moved;
  for (int32_t bm : bookmarks_) {
    if (bm < a.line) {
      moved.insert(bm);
    } else if (bm > b.line) {
      moved.insert(bm + delta);
    } else if (bm == a.line) {
      if (pureInsert && a.offset == 0) {
        moved.insert(newEnd.line);  // the line went down with its text
      } else if (a.offset == 0 && b.line > a.line) {
        // The whole line and its break went: so does its mark.
      } else {
        moved.insert(bm);
      }
    } else if (bm == b.line) {
      moved.insert(newEnd.line);  // the rest of the line joined the edit's end
    }
    // Lines strictly inside a removed block vanish with their marks.
  }
  bookmarks_ = std::move(moved);
}

TextPos CodeEditor::applyEdit(TextPos a, TextPos b, std::string_view text, UndoStep* step) {
  a = text_.clamp(a);
  b = text_.clamp(b);
  if (b < a) std::swap(a, b);
  return text_.toColumns(applyBytes(text_.toBytes(a), text_.toBytes(b), text, step));
}

TextBytePos CodeEditor::applyBytes(TextBytePos a, TextBytePos b, std::string_view text, UndoStep* step) {
  const uint64_t at = text_.offsetOf(a);
  std::string removed = step ? text_.bytes(at, text_.offsetOf(b)) : std::string();
  const TextBytePos end = text_.replaceBytes(a, b, text);
  moveBookmarks(a, b, end);
  if (step) step->edits.push_back({at, std::move(removed), text_.bytes(at, text_.offsetOf(end))});
  ++textVersion_;
  ++viewGeneration_;
  return end;
}

void CodeEditor::applySplices(const std::vector<CodeText::Splice>& splices) {
  // The last edit first: the places of the ones before it stay as they are.
  if (!bookmarks_.empty()) {
    for (auto it = splices.rbegin(); it != splices.rend(); ++it) {
      const TextBytePos a = text_.bytePosOf(it->at), b = text_.bytePosOf(it->at + it->removed);
      moveBookmarks(a, b, endOfInsert(a, it->text));
    }
  }
  // A few edits go in one by one; many in one pass over the text.
  if (splices.size() <= 64) {
    for (auto it = splices.rbegin(); it != splices.rend(); ++it)
      text_.replaceAt(it->at, it->at + it->removed, it->text);
  } else {
    text_.splice(splices);
  }
  ++textVersion_;
  ++viewGeneration_;
}

void CodeEditor::applyBulk(const UndoStep& step, bool isUndo) {
  std::vector<CodeText::Splice> splices;
  splices.reserve(step.edits.size());
  int64_t shift = 0;  // what the edits before made of the text's length
  for (const Edit& e : step.edits) {
    if (isUndo) {
      splices.push_back({e.at, e.inserted.size(), e.removed});
    } else {
      splices.push_back({static_cast<uint64_t>(static_cast<int64_t>(e.at) - shift), e.removed.size(), e.inserted});
      shift += static_cast<int64_t>(e.inserted.size()) - static_cast<int64_t>(e.removed.size());
    }
  }
  applySplices(splices);
}

bool CodeEditor::edit(TextPos a, TextPos b, std::string_view text, Origin origin) {
  if (readOnly_) return false;
  a = text_.clamp(a);
  b = text_.clamp(b);
  if (a == b && text.empty()) return false;
  UndoStep step;
  step.anchorBefore = anchor_;
  step.caretBefore = caret_;
  step.typing = origin == Origin::Typing && a == b && text.find_first_of("\r\n") == std::string_view::npos;
  const TextPos end = applyEdit(a, b, text, &step);
  step.anchorAfter = step.caretAfter = end;
  // Characters typed one after another undo together.
  if (step.typing && !undo_.empty() && undo_.back().typing && undo_.back().caretAfter == std::min(a, b) &&
      undo_.back().edits.size() == 1 && step.edits.size() == 1) {
    undo_.back().edits.back().inserted += step.edits.back().inserted;
    undo_.back().anchorAfter = undo_.back().caretAfter = end;
  } else {
    undo_.push_back(std::move(step));
  }
  redo_.clear();
  anchor_ = caret_ = end;
  desiredColumn_ = -1;
  scrollToCaret();
  fireTextChange();
  fireSelectionChange();
  return true;
}

void CodeEditor::undoOrRedo(bool isUndo) {
  if (readOnly_) return;
  auto& from = isUndo ? undo_ : redo_;
  auto& to = isUndo ? redo_ : undo_;
  if (from.empty()) return;
  UndoStep step = std::move(from.back());
  from.pop_back();
  if (step.bulk) {
    applyBulk(step, isUndo);
  } else if (isUndo) {
    for (auto it = step.edits.rbegin(); it != step.edits.rend(); ++it)
      applyBytes(text_.bytePosOf(it->at), text_.bytePosOf(it->at + it->inserted.size()), it->removed, nullptr);
  } else {
    for (const Edit& e : step.edits)
      applyBytes(text_.bytePosOf(e.at), text_.bytePosOf(e.at + e.removed.size()), e.inserted, nullptr);
  }
  if (isUndo) {
    anchor_ = text_.clamp(step.anchorBefore);
    caret_ = text_.clamp(step.caretBefore);
  } else {
    anchor_ = text_.clamp(step.anchorAfter);
    caret_ = text_.clamp(step.caretAfter);
  }
  step.typing = false;
  to.push_back(std::move(step));
  desiredColumn_ = -1;
  scrollToCaret();
  fireTextChange();
  fireSelectionChange();
}

void CodeEditor::undo() { undoOrRedo(true); }
void CodeEditor::redo() { undoOrRedo(false); }
void CodeEditor::emptyUndoBuffer() {
  undo_.clear();
  redo_.clear();
}

void CodeEditor::paste() {
  if (readOnly_ || !host_) return;
  const std::string clip = host_->clipboardText();
  if (clip.empty() && anchor_ == caret_) return;
  edit(anchor_, caret_, clip);
}

bool CodeEditor::userPastes(const std::string& text) {
  if (readOnly_) return true;
  if (list_) closeList();
  if (!text.empty() || anchor_ != caret_) edit(anchor_, caret_, text);
  return true;
}

void CodeEditor::copy() const {
  if (host_ && anchor_ != caret_) host_->setClipboardText(selText());
}

void CodeEditor::cut() {
  if (readOnly_ || anchor_ == caret_) return;
  copy();
  edit(anchor_, caret_, {});
}

std::string CodeEditor::indentationFor(int32_t line) const {
  if (autoIndent_ == 0) return {};
  return text_.extractBytes({line, 0}, {line, text_.leadingBlanks(line)});
}

void CodeEditor::newLine(Origin origin) {
  const TextPos a = std::min(anchor_, caret_);
  std::string text = "\r\n";
  text += indentationFor(a.line);
  edit(anchor_, caret_, text, origin);
}

// --- files -----------------------------------------------------------------------

void CodeEditor::openFile(const std::string& path) {
  if (path.empty()) {
    setText({});
    return;
  }
  // The file read whole, its chunks looking into it where they can; a
  // large file's bytes go into the text's chunks as they are read.
  WholeFile whole = readWholeTextFile(path);
  if (whole.owner)
    text_.assignShared(whole.bytes, std::move(whole.owner));
  else
    text_.assignParts([&](const std::function<void(std::string_view)>& add) { readTextFileBlocks(path, add); });
  resetDocument();
}

void CodeEditor::saveFile(const std::string& path, bool byteOrderMark) const {
  // The chunks of the text go to the file as they are.
  std::vector<std::string_view> pieces;
  if (byteOrderMark) pieces.emplace_back("\xEF\xBB\xBF");
  text_.forEachPiece(0, text_.byteSize(), [&](std::string_view p) { pieces.push_back(p); });
  saveFileAtomically(path, pieces);
}

void CodeEditor::saveOwnCopy(const std::string& path, unsigned mode) const { saveOwnFile(path, text_.joined(), mode); }

std::string CodeEditor::insertFileProblem(const std::string& path, const CodePosition& at,
                                          int32_t newLinesFirst) const {
  const TextPos p = text_.clamp(toPos(at.line, at.column));
  const TextBytePos b = text_.toBytes(p);
  InsertPlace place;
  place.textBytes = text_.byteSize();
  place.lines = static_cast<uint64_t>(text_.lineCount());
  place.lineBefore = b.offset;
  place.lineAfter = text_.lineBytes(p.line) - b.offset;
  if (newLinesFirst > 0) {
    // Each new line starts with the indentation the new-line command gives
    // it; the bytes after the place go on the last of them.
    const uint64_t indent = indentationFor(p.line).size();
    place.textBytes += static_cast<uint64_t>(newLinesFirst) * (2 + indent);
    place.lines += static_cast<uint64_t>(newLinesFirst);
    place.lineBefore = indent;
  }
  return scriptInsertProblem(path, place);
}

void CodeEditor::insertFile(const std::string& path, const CodePosition& at) {
  if (readOnly_) return;
  // A text that would outgrow the memory or the 32-bit lines and columns is
  // never read in.
  if (!insertFileProblem(path, at).empty()) {
    // A missing file, a folder or a device raises its own error first;
    // nothing more than a block of a plain file is read.
    readTextFileBlocks(path, [](std::string_view) { raise(err::Overflow); });
    raise(err::Overflow);
  }
  const std::string bytes = readTextFile(path);
  const TextPos p = text_.clamp(toPos(at.line, at.column));
  edit(p, p, bytes);
}

// --- bookmarks, colours, print ---------------------------------------------------

void CodeEditor::setBookmarks(const std::vector<int32_t>& lines) {
  bookmarks_.clear();
  for (int32_t l : lines)
    if (l >= 0 && l < lineCount()) bookmarks_.insert(l);
  ++viewGeneration_;
}

std::vector<int32_t> CodeEditor::getBookmarks() const { return {bookmarks_.begin(), bookmarks_.end()}; }

void CodeEditor::jumpToBookmark(int32_t line) { setCaretPos(line, 0); }

void CodeEditor::setColor(int32_t index, int32_t colour) {
  if (index < 0 || index >= color_index::Count) raise(err::InvalidPropertyValue);
  colours_[index] = colour & 0xFFFFFF;
  ++viewGeneration_;
}

int32_t CodeEditor::color(int32_t index) const {
  if (index < 0 || index >= color_index::Count) raise(err::InvalidPropertyValue);
  return colours_[index];
}

void CodeEditor::setFontStyle(int32_t element, int32_t style) {
  if (element < 0 || element >= color_index::Count) raise(err::InvalidPropertyValue);
  fontStyles_[element] = style;
  ++viewGeneration_;
}

int32_t CodeEditor::fontStyle(int32_t element) const {
  if (element < 0 || element >= color_index::Count) raise(err::InvalidPropertyValue);
  return fontStyles_[element];
}

std::string CodeEditor::print(int32_t hDC, int32_t flags) {
  (void)hDC;
  std::string job;
  const int32_t n = lineCount();
  const int width = static_cast<int>(std::to_string(n - 1 + lineNumberStart_).size());
  for (int32_t i = 0; i < n; ++i) {
    if (flags & 16) {
      std::string num = std::to_string(i + lineNumberStart_);
      job += std::string(static_cast<size_t>(width) - num.size(), ' ') + num + "  ";
    }
    job += text_.line(i);
    job += "\r\n";
  }
  return printTextJob("Kestrin script", job);
}

// --- commands -----------------------------------------------------------------------

void CodeEditor::executeCommand(int32_t command, std::optional<int32_t> data) {
  switch (command) {
    case cmdSelectLine: {
      const int32_t l = caret_.line;
      desiredColumn_ = -1;
      if (l + 1 < lineCount())
        setSelection({l, 0}, {l + 1, 0});
      else
        setSelection({l, 0}, {l, text_.lineLength(l)});
      return;
    }
    case cmdSelectAll:
      desiredColumn_ = -1;
      setSelection({0, 0}, text_.endPos());
      return;
    case cmdGotoLine: gotoLine(data); return;
    case cmdReplace: replaceCommand(); return;
    case cmdFindNext: find(lastFind_.empty()); return;
    case cmdFind: find(true); return;
    case cmdDocumentStart:
      setCaretPos(0, 0);
      setTopLine(0);
      return;
    case cmdDocumentEnd: {
      const TextPos e = text_.endPos();
      setCaretPos(e.line, e.column);
      return;
    }
    case cmdBookmarkToggle:
      if (!bookmarks_.erase(caret_.line)) bookmarks_.insert(caret_.line);
      ++viewGeneration_;
      return;
    case cmdBookmarkPrev:
    case cmdBookmarkNext: {
      if (bookmarks_.empty()) return;
      int32_t target;
      if (command == cmdBookmarkNext) {
        auto it = bookmarks_.upper_bound(caret_.line);
        target = it == bookmarks_.end() ? *bookmarks_.begin() : *it;
      } else {
        auto it = bookmarks_.lower_bound(caret_.line);
        target = it == bookmarks_.begin() ? *bookmarks_.rbegin() : *std::prev(it);
      }
      jumpToBookmark(target);
      return;
    }
    case cmdBookmarkClearAll:
      bookmarks_.clear();
      ++viewGeneration_;
      return;
    case cmdBookmarkFirst:
      if (!bookmarks_.empty()) jumpToBookmark(*bookmarks_.begin());
      return;
    case cmdBookmarkLast:
      if (!bookmarks_.empty()) jumpToBookmark(*bookmarks_.rbegin());
      return;
    case cmdNewLine: newLine(Origin::Other); return;
    case cmdArgumentTip: requestTip(); return;
    case cmdCompleteWord: showCompletionList(); return;
    default: raise(err::InvalidProcedureCall);
  }
}

void CodeEditor::gotoLine(std::optional<int32_t> data) {
  int32_t line;
  if (!data || *data < 0) {
    ui::User* user = host_ ? host_->user() : nullptr;
    if (!user) return;
    ui::GotoPrompt prompt;
    prompt.lineCount = lineCount();
    const auto answer = user->gotoLine(prompt);
    if (!answer) return;
    line = *answer - 1;
  } else {
    line = *data;
  }
  setCaretPos(std::clamp(line, 0, lineCount() - 1), 0);
}

bool CodeEditor::findFrom(const std::string& what, TextPos from, bool forward) {
  (void)forward;
  if (what.empty()) return false;
  const Needle search(what);
  const std::string& needle = search.text;
  from = text_.clamp(from);
  const TextBytePos start = text_.toBytes(from);
  const uint64_t startAt = text_.offsetOf(start);
  auto posOf = [&](uint64_t o) { return text_.toColumns(text_.bytePosOf(o)); };
  auto select = [&](uint64_t at, uint64_t end) {
    desiredColumn_ = -1;
    setSelection(posOf(at), posOf(end));
    scrollToCaret();
    return true;
  };
  // The text has CR LF breaks, so a text over several lines is sought with
  // CR LF breaks too.
  const std::string n2 = withCrLf(needle);
  if (isAscii(n2)) {
    // ASCII bytes always stand for themselves: a match is on character
    // boundaries by itself, and the text's bytes are searched as they are.
    uint64_t at = text_.findAscii(n2, startAt);
    if (at == CodeText::npos) at = text_.findAscii(n2, 0);
    if (at == CodeText::npos) return false;
    return select(at, at + n2.size());
  }
  if (n2.find('\n') != std::string::npos) {
    // A text over several lines: look in the whole text.
    const std::string all = lCase(text_.joined());
    auto onBoundary = [&](size_t o) {
      const TextBytePos p = text_.bytePosOf(o);
      return onCharBoundary(text_.line(p.line), p.offset);
    };
    auto findAt = [&](size_t o) {
      for (size_t at = all.find(n2, o); at != std::string::npos; at = all.find(n2, at + 1))
        if (onBoundary(at) && onBoundary(at + n2.size())) return at;
      return std::string::npos;
    };
    size_t at = findAt(static_cast<size_t>(startAt));
    if (at == std::string::npos) at = findAt(0);
    if (at == std::string::npos) return false;
    return select(at, at + n2.size());
  }
  const int32_t count = lineCount();
  for (int32_t k = 0; k <= count; ++k) {
    const int32_t l = (from.line + k) % count;
    const size_t at = findInLine(text_.line(l), k == 0 ? start.offset : 0, search);
    if (at == std::string::npos) continue;
    if (k == count && at >= start.offset) break;  // wrapped past the start
    const TextPos a = text_.toColumns({l, at}), b = text_.toColumns({l, at + needle.size()});
    desiredColumn_ = -1;
    setSelection(a, b);
    scrollToCaret();
    return true;
  }
  return false;
}

void CodeEditor::find(bool askFirst) {
  if (askFirst) {
    ui::User* user = host_ ? host_->user() : nullptr;
    if (!user) return;
    ui::FindPrompt prompt;
    prompt.title = "Find";
    const std::string sel = selText();
    prompt.defaultText = (!sel.empty() && sel.find_first_of("\r\n") == std::string::npos) ? sel : lastFind_;
    const auto answer = user->find(prompt);
    if (!answer || answer->empty()) return;
    lastFind_ = *answer;
  }
  findFrom(lastFind_, std::max(anchor_, caret_), true);
}

void CodeEditor::replaceCommand() {
  if (readOnly_) return;
  ui::User* user = host_ ? host_->user() : nullptr;
  if (!user) return;
  ui::FindPrompt prompt;
  prompt.title = "Replace";
  const std::string sel = selText();
  prompt.defaultText = (!sel.empty() && sel.find_first_of("\r\n") == std::string::npos) ? sel : lastFind_;
  const auto answer = user->replace(prompt);
  if (!answer || answer->find.empty()) return;
  lastFind_ = answer->find;
  const Needle search(answer->find);
  const std::string& needle = search.text;
  // A replace that finds nothing says so, rather than nothing at all.
  auto notFound = [&] {
    ui::MessageBoxPrompt box;
    box.title = prompt.title;
    box.text = "Cannot find \"" + answer->find + "\".";
    box.icon = ui::mb::Information;
    user->messageBox(box);
  };
  if (answer->all) {
    // Every occurrence, as one step of the undo history and one change:
    // the places are found first, left to right, none overlapping the one
    // before, then the new text is made in one pass. A text over several
    // lines is no occurrence.
    if (needle.find_first_of("\r\n") != std::string::npos) return notFound();
    std::vector<uint64_t> found;
    if (search.ascii) {
      for (uint64_t at = text_.findAscii(needle, 0); at != CodeText::npos;
           at = text_.findAscii(needle, at + needle.size()))
        found.push_back(at);
    } else {
      for (int32_t l = 0; l < lineCount(); ++l) {
        const std::string line = text_.line(l);
        const uint64_t base = text_.offsetOf({l, 0});
        for (size_t at = findInLine(line, 0, search); at != std::string::npos;
             at = findInLine(line, at + needle.size(), search))
          found.push_back(base + at);
      }
    }
    if (found.empty()) return notFound();
    const std::string with = withCrLf(answer->replaceWith);
    UndoStep step;
    step.anchorBefore = anchor_;
    step.caretBefore = caret_;
    step.bulk = true;
    std::vector<CodeText::Splice> splices;
    splices.reserve(found.size());
    step.edits.reserve(found.size());
    int64_t shift = 0;
    for (const uint64_t at : found) {
      step.edits.push_back(
          {static_cast<uint64_t>(static_cast<int64_t>(at) + shift), text_.bytes(at, at + needle.size()), with});
      splices.push_back({at, needle.size(), with});
      shift += static_cast<int64_t>(with.size()) - static_cast<int64_t>(needle.size());
    }
    applySplices(splices);
    const TextPos end = text_.toColumns(text_.bytePosOf(step.edits.back().at + with.size()));
    step.anchorAfter = step.caretAfter = end;
    undo_.push_back(std::move(step));
    redo_.clear();
    anchor_ = caret_ = end;
    desiredColumn_ = -1;
    scrollToCaret();
    fireTextChange();
    fireSelectionChange();
    return;
  }
  // One occurrence: the selection when it is one, else the next one.
  const TextPos a = std::min(anchor_, caret_), b = std::max(anchor_, caret_);
  if (lCase(selText()) != needle) {
    if (!findFrom(answer->find, b, true)) return notFound();
  }
  const TextPos s = std::min(anchor_, caret_), e = std::max(anchor_, caret_);
  (void)a;
  edit(s, e, answer->replaceWith);
  findFrom(answer->find, caret_, true);
}

}  // namespace platform::controls
