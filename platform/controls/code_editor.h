// The code editor: the script text with its selection, commands, undo and
// redo, bookmarks, files, colouring by a registered language, completion
// list and argument tip.
//
// Members are named by their role; the comment of each gives its dispatch
// id, the number by which a late-bound caller reaches it. Lines and columns
// are counted from 0. Columns, positions, ranges and lengths count
// characters, as the runtime's Len and Mid do: the text is kept as UTF-8,
// a valid UTF-8 sequence is one character and so is each byte that does
// not start one (such a byte is kept and saved unchanged). Texts that come
// out (the whole text, the selected text, a range of text) have CR LF line
// breaks, and so does the text length; texts that go in may have CR LF, LF
// or CR.
//
// Events go to the owner's event sink (CodeEditorEvents), each with its
// event number. For a key the order is:
//   key down (29): a True answer drops the key, its key press included;
//   key press (31), for keys that give a character and for Enter, Tab,
//     Backspace and Escape, before the character goes in (a True answer
//     drops the character); while the completion list is open, Enter and
//     Tab pick from it and the arrow and page keys move in it without a
//     key press, and Escape closes it before its key press;
//   the change, with its text change (14), then the selection change (12)
//     and, while an argument tip is shown, the tip update (43);
//   key up (30).
// Text change follows every change of the text by the user and by
// setSelText (74), replaceSel (58), paste (69), cut, undo (65), redo (66),
// insertFile (49), replace (169) and the new-line command (212); it does not
// follow openFile (47) or setText (-517), so that a loaded or a new document
// is not marked modified.
//
// While the editor is read-only (4) every change is refused silently: no
// error, no event. openFile, setText, saveFile, the bookmarks, the
// selection and the find and go-to commands work whatever the flag.
//
// An error that escapes an event handler goes back to the editor, which
// goes on with its default action (the answer False, 0 or the empty text);
// the last such error is kept (lastEventError()).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/controls/code_editor_language.h"
#include "platform/controls/code_editor_lists.h"
#include "platform/controls/code_editor_text.h"
#include "platform/runtime/errors.h"

namespace platform::ui {
class User;
}

namespace platform::controls {

class CodeEditor;

// A range of text (start line and column, end line and column) and a
// position (line, column): plain numbers that do not follow later edits.
// A range or position beyond the text is clamped to it where it is used.
struct CodeRange {
  int32_t startLine = 0;
  int32_t startColumn = 0;
  int32_t endLine = 0;
  int32_t endColumn = 0;
  friend bool operator==(const CodeRange&, const CodeRange&) = default;
};
struct CodePosition {
  int32_t line = 0;
  int32_t column = 0;
  friend bool operator==(const CodePosition&, const CodePosition&) = default;
};

// Commands of executeCommand (59).
enum CodeCommand : int32_t {
  cmdSelectLine = 136,
  cmdSelectAll = 137,
  cmdGotoLine = 168,        // data: the line (from 0); -1 or none asks the user
  cmdReplace = 169,         // asks the user what to replace with what
  cmdFindNext = 176,        // repeats the last find (asks when there was none)
  cmdFind = 178,            // asks the user what to find
  cmdDocumentStart = 189,   // caret to the start of the text, view to the top
  cmdDocumentEnd = 191,     // caret to the end of the text
  cmdBookmarkToggle = 204,  // bookmark on or off at the caret line
  cmdBookmarkPrev = 205,
  cmdBookmarkNext = 206,
  cmdBookmarkClearAll = 207,
  cmdBookmarkFirst = 208,
  cmdBookmarkLast = 209,
  cmdNewLine = 212,       // a line break at the caret (with the indentation)
  cmdArgumentTip = 243,   // asks the owner for an argument tip
  cmdCompleteWord = 244,  // opens the completion list (Ctrl+Space)
};

// Event numbers of CodeEditorEvents.
enum CodeEvent : int32_t {
  evSelectionChange = 12,
  evTextChange = 14,
  evTipDismissed = 18,
  evTipCancel = 24,
  evRightClick = 25,
  evKeyDown = 29,
  evKeyUp = 30,
  evKeyPress = 31,
  evMouseDown = 32,
  evMouseUp = 34,
  evCompletionListShow = 37,
  evCompletionListPick = 38,
  evCompletionListMark = 39,
  evCompletionListKey = 40,
  evTipKind = 41,
  evTipUpdate = 43,
  evCompletionListWord = 44,
  evCompletionListSelChange = 45,
  evTipShow = 47,
};

// Colour indexes of setColor (45); colours are 0x00BBGGRR.
//   0 window background      white
//   1 left margin            light grey
//   2 highlighted line       (background) light yellow
//   3 bookmark mark          teal
//   4 text                   black
//   5 selected text          white
//   6 selection background   navy
//   8 keyword                blue
//  10 operator               black
//  12 number                 black
//  14 comment                green
//  16 string                 black
//  18 constant               purple
//  20 scope keyword          blue
//  22 whitespace marks       light grey
//  26 line number background white
//  27 line number            black
// The other indexes up to 31 are kept and colour nothing.
namespace color_index {
inline constexpr int32_t Window = 0, LeftMargin = 1, HighlightedLine = 2, BookmarkMark = 3, Text = 4, SelectedText = 5,
                         SelectionBack = 6, Keyword = 8, Operator = 10, Number = 12, Comment = 14, String = 16,
                         Constant = 18, ScopeKeyword = 20, Whitespace = 22, LineNumberBack = 26, LineNumber = 27,
                         Count = 32;
}  // namespace color_index

// The colour index that draws the characters of a token of this kind.
inline int32_t colorIndexOf(TokenKind kind) {
  switch (kind) {
    case TokenKind::Keyword: return color_index::Keyword;
    case TokenKind::Operator: return color_index::Operator;
    case TokenKind::Number: return color_index::Number;
    case TokenKind::String: return color_index::String;
    case TokenKind::Comment: return color_index::Comment;
    case TokenKind::Constant: return color_index::Constant;
    case TokenKind::ScopeKeyword: return color_index::ScopeKeyword;
    default: return color_index::Text;
  }
}

// Font styles of setFontStyle (76), bits: normal 0, bold 1, italic 2,
// underline 4. The element is a colour index.
namespace font_style {
inline constexpr int32_t Normal = 0, Bold = 1, Italic = 2, Underline = 4;
}

// The owner's side of the events; every handler has a default. The editor
// passes itself first.
class CodeEditorEvents {
 public:
  virtual ~CodeEditorEvents() = default;
  virtual void selectionChange(CodeEditor&) {}                         // 12
  virtual void textChange(CodeEditor&) {}                              // 14
  virtual void tipDismissed(CodeEditor&) {}                            // 18
  virtual bool tipCancel(CodeEditor&) { return false; }                // 24: True keeps the tip
  virtual bool rightClick(CodeEditor&) { return false; }               // 25: True: no menu of the editor's own
  virtual bool keyDown(CodeEditor&, int32_t keyCode, int32_t shift) {  // 29: True drops the key
    (void)keyCode, (void)shift;
    return false;
  }
  virtual bool keyUp(CodeEditor&, int32_t keyCode, int32_t shift) {  // 30
    (void)keyCode, (void)shift;
    return false;
  }
  virtual bool keyPress(CodeEditor&, int32_t charCode, int32_t shift) {  // 31: True drops the character
    (void)charCode, (void)shift;
    return false;
  }
  // Mouse: button 1 left, 2 right; x the column, y the line.
  virtual bool mouseDown(CodeEditor&, int32_t button, int32_t shift, int32_t x,
                         int32_t y) {  // 32: True: the caret stays
    (void)button, (void)shift, (void)x, (void)y;
    return false;
  }
  virtual bool mouseUp(CodeEditor&, int32_t button, int32_t shift, int32_t x, int32_t y) {  // 34
    (void)button, (void)shift, (void)x, (void)y;
    return false;
  }
  virtual bool completionListShow(CodeEditor&, CompletionList&) { return false; }  // 37: False: not shown
  virtual bool completionListPick(CodeEditor&, CompletionList&) { return false; }  // 38: True keeps the list open
  virtual bool completionListMark(CodeEditor&, CompletionList&) { return false; }  // 39: the list is on screen
  virtual bool completionListKey(CodeEditor&, CompletionList&, int32_t keyCode,
                                 int32_t shift) {  // 40: True: the list ignores the key
    (void)keyCode, (void)shift;
    return false;
  }
  virtual int32_t tipKind(CodeEditor&) { return 0; }    // 41: 4 argument tip, else none
  virtual void tipUpdate(CodeEditor&, ArgumentTip&) {}  // 43
  // 44: the typed word matches the entry `index`; True lets the list
  // highlight it.
  virtual bool completionListWord(CodeEditor&, CompletionList&, int32_t index) {
    (void)index;
    return true;
  }
  virtual std::string completionListSelChange(CodeEditor&, CompletionList&, int32_t index) {  // 45
    (void)index;
    return {};
  }
  virtual void tipShow(CodeEditor&, ArgumentTip&) {}  // 47
  virtual void gotFocus(CodeEditor&) {}               // focus received
  virtual void lostFocus(CodeEditor&) {}
};

// What the editor needs of the desktop: the clipboard and the user who
// answers its find, replace and go-to prompts and its popup menu. The
// control on a form uses the desktop's (code_editor_control.h).
class CodeEditorHost {
 public:
  virtual ~CodeEditorHost() = default;
  virtual std::string clipboardText() = 0;
  virtual void setClipboardText(const std::string& text) = 0;
  virtual ui::User* user() = 0;
};

// Shift states of the key and mouse events, bits.
namespace shift_state {
inline constexpr int32_t Shift = 1, Ctrl = 2, Alt = 4;
}

class CodeEditor {
 public:
  CodeEditor();
  virtual ~CodeEditor();
  CodeEditor(const CodeEditor&) = delete;
  CodeEditor& operator=(const CodeEditor&) = delete;

  void setEventSink(CodeEditorEvents* sink) noexcept { sink_ = sink; }
  CodeEditorEvents* eventSink() const noexcept { return sink_; }
  void setHost(CodeEditorHost* host) noexcept { host_ = host; }
  CodeEditorHost* host() const noexcept { return host_; }

  // --- Properties ----------------------------------------------------------
  bool readOnly() const noexcept { return readOnly_; }  // 4
  void setReadOnly(bool on) noexcept { readOnly_ = on; }
  bool displayLeftMargin() const noexcept { return leftMargin_; }  // 6
  void setDisplayLeftMargin(bool on) noexcept { leftMargin_ = on; }
  bool lineNumbering() const noexcept { return lineNumbering_; }  // 87
  void setLineNumbering(bool on) noexcept { lineNumbering_ = on; }
  bool displayWhitespace() const noexcept { return whitespace_; }  // 1
  void setDisplayWhitespace(bool on) noexcept { whitespace_ = on; }
  bool expandTabs() const noexcept { return expandTabs_; }  // 2: Tab types blanks
  void setExpandTabs(bool on) noexcept { expandTabs_ = on; }
  // 29: 0 none; any other value: a new line takes the blanks that begin
  // the line it was made from.
  int32_t autoIndentMode() const noexcept { return autoIndent_; }
  void setAutoIndentMode(int32_t mode) noexcept { autoIndent_ = mode; }
  // 75: the caret stays within the text of its line. The editor never puts
  // the caret past the end of a line; with this off, Up and Down keep the
  // column the caret came from.
  bool selBounds() const noexcept { return selBounds_; }
  void setSelBounds(bool on) noexcept { selBounds_ = on; }
  int32_t tabSize() const noexcept { return tabSize_; }  // blanks per tab (4)
  void setTabSize(int32_t n) noexcept { tabSize_ = n < 1 ? 1 : n; }
  bool colorSyntax() const noexcept { return colorSyntax_; }  // 0: colouring on
  void setColorSyntax(bool on) noexcept { colorSyntax_ = on; }
  bool enableDragDrop() const noexcept { return dragDrop_; }  // 3: kept (no dragging on a terminal)
  void setEnableDragDrop(bool on) noexcept { dragDrop_ = on; }
  bool highlightBraces() const noexcept {
    return braces_;
  }  // 8: the bracket that matches the one at the caret is shown
  void setHighlightBraces(bool on) noexcept { braces_ = on; }
  bool hScrollBar() const noexcept { return hScroll_; }  // 15: kept
  void setHScrollBar(bool on) noexcept { hScroll_ = on; }
  bool vScrollBar() const noexcept { return vScroll_; }  // 18: kept
  void setVScrollBar(bool on) noexcept { vScroll_ = on; }
  bool smoothScrolling() const noexcept { return smooth_; }  // 19: kept
  void setSmoothScrolling(bool on) noexcept { smooth_ = on; }
  int32_t lineNumberStart() const noexcept { return lineNumberStart_; }  // 88: the number shown for the first line
  void setLineNumberStart(int32_t n) noexcept { lineNumberStart_ = n; }
  bool overtypeCaret() const noexcept { return overtypeCaret_; }  // 93: kept (the caret's look)
  void setOvertypeCaret(bool on) noexcept { overtypeCaret_ = on; }

  int32_t textLength() const;                                       // 25: characters, with CR LF breaks
  int32_t lineCount() const noexcept { return text_.lineCount(); }  // 26
  // 27: the word in front of the caret (the ASCII letters, digits and "_"
  // up to the caret, the characters of the language's names); 28: its
  // length in characters.
  std::string currentWord() const;
  int32_t currentWordLength() const;
  // 150: the kind of token at the caret, token_class: the token that holds
  // the character before the caret (at column 0: the one after it).
  int32_t currentToken() const;

  std::string selText() const;                                           // 74
  void setSelText(std::string_view text);                                // 74: replaces the selection
  std::string text() const;                                              // -517
  void setText(std::string_view text);                                   // -517: a new document, no events
  int32_t highlightedLine() const noexcept { return highlightedLine_; }  // 92: -1 none
  void setHighlightedLine(int32_t line) noexcept { highlightedLine_ = line; }
  CodeEditorFont& font() noexcept { return font_; }  // -512
  const CodeEditorFont& font() const noexcept { return font_; }
  void setFont(const CodeEditorFont& font) { font_ = font; }
  // 100: the completion image list, by its handle (the image list's
  // property 5); the completion list gets the same handle.
  uint32_t imageList() const noexcept { return imageListHandle_; }
  void setImageList(uint32_t hImageList) noexcept { imageListHandle_ = hImageList; }
  const std::string& language() const noexcept { return language_; }  // 20
  void setLanguage(const std::string& name);

  // --- Methods -------------------------------------------------------------
  // 39: the selection; normalized: start before end, else the anchor as
  // start and the caret as end.
  CodeRange getSel(bool normalized) const;
  // 40: selects a range: its start is the anchor, its end the caret;
  // makeVisible scrolls the view to the caret.
  void setSel(const CodeRange& range, bool makeVisible = true);
  void setCaretPos(int32_t line, int32_t column);  // 102
  std::string getLine(int32_t line) const;         // 43: "" beyond the text
  void replaceSel(std::string_view text);          // 58
  // 47: loads a file (any line breaks; "" empties the view). Clears the
  // undo history and the bookmarks; raises no text change. A file that
  // cannot be read raises its error and leaves the text as it was.
  void openFile(const std::string& path);
  // 48: writes the text with CR LF breaks atomically (saveFileAtomically);
  // byteOrderMark puts a UTF-8 byte-order mark first. A failure raises.
  void saveFile(const std::string& path, bool byteOrderMark = false) const;
  // The same text as a file of the editor's own beside the script (the
  // hand-over copy), made new with at most the permission bits `mode`
  // (saveOwnFile).
  void saveOwnCopy(const std::string& path, unsigned mode = 0666) const;
  // 49: inserts a file's text at a position (clamped to the text).
  // A text that the file would make too large for the memory there is or
  // for the editor's 32-bit lines and columns raises 6 and is left as it
  // was.
  void insertFile(const std::string& path, const CodePosition& at);
  // Why insertFile would refuse the file at `at` ("" when it would not),
  // as a sentence part (scriptInsertProblem); with newLinesFirst, as if
  // that many new-line commands were run at `at` first.
  std::string insertFileProblem(const std::string& path, const CodePosition& at, int32_t newLinesFirst = 0) const;
  // 59: runs a command (CodeCommand); an unknown number raises 5.
  void executeCommand(int32_t command, std::optional<int32_t> data = std::nullopt);
  void undo();   // 65
  void redo();   // 66
  void paste();  // 69: the clipboard's text over the selection
  bool canUndo() const noexcept { return !undo_.empty(); }
  bool canRedo() const noexcept { return !redo_.empty(); }
  void cut();              // the selection to the clipboard, then removed
  void copy() const;       // the selection to the clipboard
  void emptyUndoBuffer();  // 70
  // 85: sets the bookmarked lines (lines outside the text are left out);
  // 86: the bookmarked lines in ascending order.
  void setBookmarks(const std::vector<int32_t>& lines);
  std::vector<int32_t> getBookmarks() const;
  void getBookmarks(std::vector<int32_t>& lines) const { lines = getBookmarks(); }
  bool hasBookmark(int32_t line) const { return bookmarks_.count(line) != 0; }
  void setColor(int32_t index, int32_t colour);  // 45: an index outside 0..31 raises 380
  int32_t color(int32_t index) const;
  void setFontStyle(int32_t element, int32_t style);  // 76: see font_style
  int32_t fontStyle(int32_t element) const;
  // 101: prints the text as one job through the printer (printTextJob);
  // flags 16: with line numbers (from lineNumberStart()). Returns the job's
  // file.
  std::string print(int32_t hDC, int32_t flags);
  void updateView();  // 151: redraws the view

  // --- Completion list and tip ---------------------------------------------
  // Opens the completion list (the complete-word command): asks the owner
  // to fill it (37); returns whether it is shown.
  bool showCompletionList();
  bool completionListOpen() const noexcept { return list_ != nullptr; }
  CompletionList* completionList() const noexcept { return list_.get(); }
  // A double click on an entry: highlights it and picks it.
  void completionListDoubleClick(int32_t index);
  bool tipShown() const noexcept { return tip_ != nullptr; }
  ArgumentTip* tip() const noexcept { return tip_.get(); }
  // The tip's start: where the caret was when it was asked for.
  CodePosition tipStart() const noexcept { return tipStart_; }

  // --- The user's actions (lines and columns of the caret from 1) ----------
  // Key names: "a", "Enter", "Tab", "Backspace", "Delete", "Escape", "Space",
  // "Left", "Right", "Up", "Down", "Home", "End", "PageUp", "PageDown",
  // "Insert", "F1".."F12", with "Shift+", "Ctrl+", "Alt+" in front.
  bool userKey(const std::string& keyName);
  // Typed characters: each a key of its own (a line feed is Enter).
  bool userTypes(const std::string& text);
  // A paste from the terminal or the desktop: the text over the selection
  // as the paste command puts the clipboard's (its line breaks, CR LF, CR
  // or LF, each one CR LF), one undo step and one text change, no key.
  bool userPastes(const std::string& text);
  bool userCaret(int32_t line, int32_t column);
  bool userSelects(int32_t line, int32_t column, int32_t line2, int32_t column2);
  bool userClicks(int32_t line, int32_t column);
  bool userRightClicks();
  void focusReceived();
  void focusLost();

  // The tokens of a line by the active language; no tokens without a
  // language or with colouring off. A line is coloured when it is asked
  // for, by its text alone; the colours of the lines asked for last are
  // kept (a bounded number), so a change of a line drops its colours. The
  // tokens stay valid until the next call.
  const std::vector<Token>& lineTokens(int32_t line) const;
  // Colours every line once, as a view that shows them all would.
  void colourAll() const;
  // The first line of the view and its height in lines (for rendering and
  // the page keys).
  int32_t topLine() const noexcept { return topLine_; }
  void setTopLine(int32_t line);
  int32_t viewLines() const noexcept { return viewLines_; }
  void setViewLines(int32_t lines) noexcept { viewLines_ = lines < 1 ? 1 : lines; }
  // Incremented whenever the view needs to be drawn again.
  uint64_t viewGeneration() const noexcept { return viewGeneration_; }

  const CodeText& textModel() const noexcept { return text_; }
  TextPos caretPos() const noexcept { return caret_; }
  TextPos anchorPos() const noexcept { return anchor_; }
  // The language the lines are coloured by (null: none, or colouring is
  // off), and a number that changes whenever it does.
  const CompiledLanguage* colouringLanguage() const;
  uint64_t colourGeneration() const noexcept { return colourGeneration_; }
  // What the line layout keeps about this editor's long lines
  // (line_layout.cpp).
  struct LayoutMarks;
  std::shared_ptr<LayoutMarks>& layoutMarks() const noexcept { return layoutMarks_; }

  // The last error that escaped an event handler.
  const std::optional<RuntimeError>& lastEventError() const noexcept { return lastEventError_; }

 protected:
  // Runs one event handler of the owner; an error that escapes it is kept
  // and returns false. The control on a form runs it as the form's event.
  virtual bool runEvent(const char* eventName, const std::function<void()>& handler);

 private:
  struct Edit {
    uint64_t at = 0;       // the byte of the text, so that undo puts back the exact bytes
    std::string removed;   // CR LF breaks
    std::string inserted;  // CR LF breaks
  };
  struct UndoStep {
    // In the order they were made, each at its byte in the text that the
    // ones before it left.
    std::vector<Edit> edits;
    TextPos anchorBefore, caretBefore, anchorAfter, caretAfter;
    bool typing = false;
    bool bulk = false;  // applied at once (replace all)
  };
  struct LineColours;
  enum class Origin { Typing, Other };

  // Events.
  void fireSelectionChange();
  void fireTextChange();
  // The one way the text changes: replaces a..b (clamped, any order) with
  // the text, records the undo step, moves the bookmarks and the caret to
  // the end of the new text. No event.
  TextPos applyEdit(TextPos a, TextPos b, std::string_view text, UndoStep* step);
  // The same by bytes (a before b, both valid); returns the end in bytes.
  TextBytePos applyBytes(TextBytePos a, TextBytePos b, std::string_view text, UndoStep* step);
  // Many edits at once (sorted, none overlapping another, by the bytes of
  // the text as it is), with the bookmarks moved as the edits one by one
  // would move them. No undo step, no event.
  void applySplices(const std::vector<CodeText::Splice>& splices);
  void applyBulk(const UndoStep& step, bool isUndo);
  // An edit as one undo step with its events; false when read-only.
  bool edit(TextPos a, TextPos b, std::string_view text, Origin origin = Origin::Other);
  void moveBookmarks(TextBytePos a, TextBytePos b, TextBytePos newEnd);
  void setSelection(TextPos anchor, TextPos caret, bool notify = true);
  void scrollToCaret();
  void resetDocument();
  std::string indentationFor(int32_t line) const;
  void newLine(Origin origin);
  void undoOrRedo(bool isUndo);
  void refreshLanguage() const;

  // Commands.
  void gotoLine(std::optional<int32_t> data);
  void find(bool askFirst);
  bool findFrom(const std::string& what, TextPos from, bool forward);
  void replaceCommand();
  void jumpToBookmark(int32_t line);

  // Keys.
  struct KeyStroke {
    int32_t keyCode = 0;
    int32_t shift = 0;
    std::string character;  // the character typed, empty for none
    int32_t charCode = 0;   // its key-press code
  };
  static std::optional<KeyStroke> parseKey(const std::string& keyName);
  bool stroke(const KeyStroke& key);
  bool keyAction(const KeyStroke& key, bool listWasOpen);
  void moveCaret(TextPos to, bool extend);
  void afterCaretMove();
  void typeCharacter(const std::string& ch);
  void backspace();
  void deleteForward();
  void closeList();
  void dropList();
  void listMove(int32_t delta);
  void listPick();
  void listFollowWord();
  void closeTip(bool raiseDismissed);
  void requestTip();
  void updateTip();

  CodeText text_;
  TextPos anchor_, caret_;
  int32_t desiredColumn_ = -1;
  std::vector<UndoStep> undo_, redo_;
  std::set<int32_t> bookmarks_;
  CodeEditorEvents* sink_ = nullptr;
  CodeEditorHost* host_ = nullptr;
  std::optional<RuntimeError> lastEventError_;

  bool readOnly_ = false, leftMargin_ = true, lineNumbering_ = false, whitespace_ = false, expandTabs_ = false,
       selBounds_ = true, colorSyntax_ = true, dragDrop_ = true, braces_ = false, hScroll_ = true, vScroll_ = true,
       smooth_ = false, overtypeCaret_ = false;
  int32_t autoIndent_ = 0, tabSize_ = 4, lineNumberStart_ = 1, highlightedLine_ = -1;
  CodeEditorFont font_;
  uint32_t imageListHandle_ = 0;
  std::string language_;
  int32_t colours_[color_index::Count];
  int32_t fontStyles_[color_index::Count] = {};

  mutable std::shared_ptr<const CompiledLanguage> compiled_;
  mutable uint64_t registryGeneration_ = 0;
  mutable uint64_t colourGeneration_ = 1;
  mutable std::unique_ptr<LineColours> colourCache_;
  mutable std::shared_ptr<LayoutMarks> layoutMarks_;

  int32_t topLine_ = 0;
  int32_t viewLines_ = 25;
  uint64_t viewGeneration_ = 0;

  std::shared_ptr<CompletionList> list_;
  TextPos listStart_;
  std::shared_ptr<ArgumentTip> tip_;
  CodePosition tipStart_;

  std::string lastFind_;
  uint64_t textVersion_ = 0;
};

}  // namespace platform::controls
