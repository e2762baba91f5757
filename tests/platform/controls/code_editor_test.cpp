// The code editor's roles: selection and ranges, commands, undo and redo,
// clipboard, bookmarks, read-only, text-change events, keys, completion
// list and argument tip.
#include <gtest/gtest.h>

#include "code_editor_test_support.h"
#include "common/raised.h"

namespace {

using namespace ce_test;
using platform::RuntimeError;

// --- selection and ranges ------------------------------------------------------

TEST(CodeEditorSelection, RangeKeepsAnchorAndCaretUnlessNormalised) {
  Fixture f("alpha\r\nbeta\r\ngamma");
  f.editor.setSel({2, 3, 0, 1}, false);  // anchor on line 2, caret on line 0
  EXPECT_EQ(f.editor.getSel(false), (CodeRange{2, 3, 0, 1}));
  EXPECT_EQ(f.editor.getSel(true), (CodeRange{0, 1, 2, 3}));
  EXPECT_EQ(f.editor.selText(), "lpha\r\nbeta\r\ngam");
}

TEST(CodeEditorSelection, PositionsBeyondTheTextAreClamped) {
  Fixture f("ab\ncdef");
  f.editor.setSel({-4, -1, 9, 99}, false);
  EXPECT_EQ(f.editor.getSel(false), (CodeRange{0, 0, 1, 4}));
  f.editor.setCaretPos(0, 50);
  EXPECT_EQ(f.editor.getSel(true), (CodeRange{0, 2, 0, 2}));
  EXPECT_EQ(f.editor.getLine(7), "");
  EXPECT_EQ(f.editor.getLine(1), "cdef");
}

TEST(CodeEditorSelection, RangesDoNotFollowEdits) {
  Fixture f("one\r\ntwo\r\nthree");
  f.editor.setSel({1, 0, 1, 3}, false);
  const CodeRange saved = f.editor.getSel(false);
  f.editor.setCaretPos(0, 0);
  f.editor.setSelText("new\r\n");
  f.editor.setSel(saved, false);
  EXPECT_EQ(f.editor.selText(), "one");  // the same numbers, now over other text
}

TEST(CodeEditorSelection, TextComesOutWithCrLfWhateverWentIn) {
  Fixture f("a\nb\rc\r\nd");
  EXPECT_EQ(f.editor.text(), "a\r\nb\r\nc\r\nd");
  EXPECT_EQ(f.editor.lineCount(), 4);
  EXPECT_EQ(f.editor.textLength(), 10);
  f.editor.executeCommand(cmdSelectAll);
  EXPECT_EQ(f.editor.selText(), "a\r\nb\r\nc\r\nd");
}

TEST(CodeEditorSelection, CurrentWordIsTheWordInFrontOfTheCaret) {
  Fixture f("  Call DrawLine(1, 2)");
  f.editor.setCaretPos(0, 10);
  EXPECT_EQ(f.editor.currentWord(), "Dra");
  EXPECT_EQ(f.editor.currentWordLength(), 3);
  f.editor.setCaretPos(0, 2);
  EXPECT_EQ(f.editor.currentWord(), "");
}

TEST(CodeEditorSelection, TokenKindAtTheCaret) {
  CodeLanguage lang;
  lang.keywords = "Call\nDim";
  lang.singleLineComments = "'\nREM";
  lang.stringDelims = "\"";
  CodeEditorGlobals().registerLanguage("TokenKindTest", lang);
  Fixture f("Call DrawLine  ' DrawLine\r\nx = \"DrawLine\r\n\r\nrem DrawLine");
  f.editor.setLanguage("TokenKindTest");
  struct Case {
    int32_t line, column, kind;
  } cases[] = {
      {0, 13, token_class::Code},     // after a host word
      {0, 4, token_class::Code},      // after a keyword
      {0, 14, token_class::None},     // after a blank
      {0, 25, token_class::Comment},  // inside the comment, at the end of the line
      {1, 13, token_class::String},   // inside an open string
      {2, 0, token_class::None},      // an empty line
      {3, 12, token_class::Comment},  // after REM
      {0, 0, token_class::Code},      // column 0: the token after the caret
  };
  for (const auto& c : cases) {
    f.editor.setCaretPos(c.line, c.column);
    EXPECT_EQ(f.editor.currentToken(), c.kind) << c.line << "," << c.column;
  }
  f.editor.setColorSyntax(false);  // the kind is the language's, coloured or not
  for (const auto& c : cases) {
    f.editor.setCaretPos(c.line, c.column);
    EXPECT_EQ(f.editor.currentToken(), c.kind) << "uncoloured " << c.line << "," << c.column;
  }
}

// --- commands -------------------------------------------------------------------

TEST(CodeEditorCommands, SelectLineSelectAllAndCaretMoves) {
  Fixture f("first\r\nsecond\r\nthird");
  f.editor.setCaretPos(1, 2);
  f.editor.executeCommand(cmdSelectLine);
  EXPECT_EQ(f.editor.selText(), "second\r\n");
  f.editor.setCaretPos(2, 1);
  f.editor.executeCommand(cmdSelectLine);
  EXPECT_EQ(f.editor.selText(), "third");  // the last line has no break
  f.editor.executeCommand(cmdSelectAll);
  EXPECT_EQ(f.editor.selText(), f.editor.text());
  f.editor.executeCommand(cmdDocumentEnd);
  EXPECT_EQ(f.editor.getSel(true), (CodeRange{2, 5, 2, 5}));
  f.editor.executeCommand(cmdDocumentStart);
  EXPECT_EQ(f.editor.getSel(true), (CodeRange{0, 0, 0, 0}));
  EXPECT_EQ(kestrin_test::raisedNumber([&] { f.editor.executeCommand(12345); }), 5);
}

TEST(CodeEditorCommands, GoToLineAsksTheUserForMinusOne) {
  Fixture f("a\r\nb\r\nc\r\nd");
  f.host.prompts.gotos = {3, std::nullopt, 99};
  f.editor.executeCommand(cmdGotoLine, -1);
  EXPECT_EQ(f.editor.getSel(true).endLine, 2);  // the answer counts from 1
  f.editor.executeCommand(cmdGotoLine, -1);     // cancelled: stays
  EXPECT_EQ(f.editor.getSel(true).endLine, 2);
  f.editor.executeCommand(cmdGotoLine, -1);  // past the end: the last line
  EXPECT_EQ(f.editor.getSel(true).endLine, 3);
  f.editor.executeCommand(cmdGotoLine, 1);  // a data value is the line itself
  EXPECT_EQ(f.editor.getSel(true).endLine, 1);
  EXPECT_EQ(f.host.prompts.asked, (std::vector<std::string>{"goto:4", "goto:4", "goto:4"}));
}

TEST(CodeEditorCommands, FindAndFindNextWrapAround) {
  Fixture f("Dim x\r\nx = DIM\r\ndim y");
  f.host.prompts.finds = {std::string("dim")};
  f.editor.setCaretPos(0, 1);
  f.editor.executeCommand(cmdFind);
  EXPECT_EQ(f.editor.getSel(true), (CodeRange{1, 4, 1, 7}));  // letter case ignored
  f.editor.executeCommand(cmdFindNext);
  EXPECT_EQ(f.editor.getSel(true), (CodeRange{2, 0, 2, 3}));
  f.editor.executeCommand(cmdFindNext);
  EXPECT_EQ(f.editor.getSel(true), (CodeRange{0, 0, 0, 3}));  // wrapped to the top
  EXPECT_EQ(f.host.prompts.asked.size(), 1u);                 // find next asks nothing
}

TEST(CodeEditorCommands, ReplaceOneAndAll) {
  Fixture f("a = foo\r\nb = Foo + foo");
  f.host.prompts.replaces = {platform::ui::ReplaceAnswer{"foo", "bar", false},
                             platform::ui::ReplaceAnswer{"foo", "x\r\ny", true}};
  f.editor.executeCommand(cmdReplace);
  EXPECT_EQ(f.editor.text(), "a = bar\r\nb = Foo + foo");
  f.editor.executeCommand(cmdReplace);
  EXPECT_EQ(f.editor.text(), "a = bar\r\nb = x\r\ny + x\r\ny");
  f.editor.undo();  // replace-all is one step
  EXPECT_EQ(f.editor.text(), "a = bar\r\nb = Foo + foo");
}

// Replace and Replace All that find nothing change nothing and say so.
TEST(CodeEditorCommands, AReplaceThatFindsNothingSaysSo) {
  for (const auto& answer :
       {platform::ui::ReplaceAnswer{"zzz", "y", true}, platform::ui::ReplaceAnswer{"zzz", "y", false},
        platform::ui::ReplaceAnswer{"a\r\nb", "y", true}}) {
    Fixture f("a = foo\r\nb = foo");
    f.host.prompts.replaces = {answer};
    f.editor.executeCommand(cmdReplace);
    EXPECT_EQ(f.editor.text(), "a = foo\r\nb = foo");
    EXPECT_EQ(f.host.prompts.asked, (std::vector<std::string>{"replace:", "box:Cannot find \"" + answer.find + "\"."}));
    EXPECT_FALSE(f.editor.canUndo()) << answer.find;
  }
  // One that finds something asks nothing more.
  Fixture f("a = foo");
  f.host.prompts.replaces = {platform::ui::ReplaceAnswer{"foo", "y", true}};
  f.editor.executeCommand(cmdReplace);
  EXPECT_EQ(f.editor.text(), "a = y");
  EXPECT_EQ(f.host.prompts.asked, std::vector<std::string>{"replace:"});
}

TEST(CodeEditorCommands, NewLineKeepsTheIndentationWhenAutoIndentIsOn) {
  Fixture f("    If x Then");
  f.editor.executeCommand(cmdDocumentEnd);
  f.editor.executeCommand(cmdNewLine);
  EXPECT_EQ(f.editor.text(), "    If x Then\r\n");
  f.editor.setAutoIndentMode(1);
  f.editor.setCaretPos(0, 13);
  f.editor.executeCommand(cmdNewLine);
  EXPECT_EQ(f.editor.text(), "    If x Then\r\n    \r\n");
  EXPECT_EQ(f.editor.getSel(true), (CodeRange{1, 4, 1, 4}));
}

TEST(CodeEditorCommands, EndOfTextInsertionAfterTwoNewLines) {
  Fixture f("");
  f.editor.executeCommand(cmdDocumentEnd);
  f.editor.executeCommand(cmdNewLine);
  f.editor.executeCommand(cmdNewLine);
  f.editor.setSelText("Sub A()\r\nEnd Sub\r\n");
  EXPECT_EQ(f.editor.text(), "\r\n\r\nSub A()\r\nEnd Sub\r\n");
}

TEST(CodeEditorCommands, InsertingInFrontOfTheSelectionsLine) {
  // The caret insertion of the templates: caret to column 0 of the line,
  // the text as the selected text, the saved range selected again.
  Fixture f("l0\r\nl1\r\n    x = 1\r\nl3");
  f.editor.setSel({2, 4, 2, 9}, false);
  const CodeRange saved = f.editor.getSel(false);
  f.editor.setCaretPos(saved.startLine, 0);
  f.editor.setSelText("If c Then\r\nEnd If\r\n");
  f.editor.setSel(saved, false);
  EXPECT_EQ(f.editor.getLine(2), "If c Then");
  EXPECT_EQ(f.editor.getLine(4), "    x = 1");
  EXPECT_EQ(f.editor.selText(), " Then");
}

// --- undo and redo ------------------------------------------------------------

TEST(CodeEditorUndo, TypedCharactersUndoTogetherAndRedoComesBack) {
  Fixture f("x");
  f.editor.executeCommand(cmdDocumentEnd);
  f.editor.userTypes(" = 12");
  f.editor.setCaretPos(0, 0);
  f.editor.setSelText("Dim ");
  EXPECT_EQ(f.editor.text(), "Dim x = 12");
  f.editor.undo();
  EXPECT_EQ(f.editor.text(), "x = 12");
  f.editor.undo();
  EXPECT_EQ(f.editor.text(), "x");
  EXPECT_EQ(f.editor.getSel(true), (CodeRange{0, 1, 0, 1}));
  f.editor.undo();  // nothing left: no change
  EXPECT_EQ(f.editor.text(), "x");
  f.editor.redo();
  f.editor.redo();
  EXPECT_EQ(f.editor.text(), "Dim x = 12");
  f.editor.undo();
  f.editor.setSelText("!");  // a new edit drops what could be redone
  EXPECT_FALSE(f.editor.canRedo());
}

TEST(CodeEditorUndo, UndoAcrossLinesRestoresTheText) {
  Fixture f("a\r\nb\r\nc");
  f.editor.setSel({0, 1, 2, 0}, false);
  f.editor.setSelText("X\r\nY\r\nZ\r\n");
  EXPECT_EQ(f.editor.text(), "aX\r\nY\r\nZ\r\nc");
  f.editor.undo();
  EXPECT_EQ(f.editor.text(), "a\r\nb\r\nc");
  EXPECT_EQ(f.editor.getSel(false), (CodeRange{0, 1, 2, 0}));
  f.editor.redo();
  EXPECT_EQ(f.editor.text(), "aX\r\nY\r\nZ\r\nc");
}

TEST(CodeEditorUndo, LoadingOrSettingTheTextForgetsTheHistory) {
  Fixture f("a");
  f.editor.setSelText("b");
  f.editor.setText("new document");
  EXPECT_FALSE(f.editor.canUndo());
  f.editor.setSelText("c");
  f.editor.emptyUndoBuffer();
  f.editor.undo();
  EXPECT_EQ(f.editor.text(), "cnew document");
}

// --- clipboard -------------------------------------------------------------------

TEST(CodeEditorClipboard, PasteCutAndCopy) {
  Fixture f("Dim a");
  f.host.clipboard = "x\ny";
  f.editor.setSel({0, 4, 0, 5}, false);
  f.editor.paste();
  EXPECT_EQ(f.editor.text(), "Dim x\r\ny");
  EXPECT_EQ(f.editor.getSel(true), (CodeRange{1, 1, 1, 1}));
  f.editor.setSel({0, 0, 0, 3}, false);
  f.editor.cut();
  EXPECT_EQ(f.host.clipboard, "Dim");
  EXPECT_EQ(f.editor.text(), " x\r\ny");
  f.editor.executeCommand(cmdSelectAll);
  f.editor.copy();
  EXPECT_EQ(f.host.clipboard, " x\r\ny");
  f.editor.userKey("Ctrl+V");  // the keyboard's paste
  EXPECT_EQ(f.editor.text(), " x\r\ny");
}

// --- bookmarks -------------------------------------------------------------------

TEST(CodeEditorBookmarks, MarksMoveWithTheirLines) {
  struct Case {
    const char* what;
    CodeRange range;   // replaced ...
    const char* text;  // ... by this
    std::vector<int32_t> after;
  } cases[] = {
      {"lines inserted above", {1, 0, 1, 0}, "n1\r\nn2\r\n", {0, 4, 6}},
      {"a line break in front of a marked line's text", {2, 0, 2, 0}, "\r\n", {0, 3, 5}},
      {"a line break at the end of a marked line", {2, 2, 2, 2}, "\r\n", {0, 2, 5}},
      {"lines removed above", {0, 2, 2, 0}, "", {0, 2}},
      {"a marked line removed whole", {2, 0, 3, 0}, "", {0, 3}},
      {"typing inside a marked line", {2, 1, 2, 1}, "abc", {0, 2, 4}},
      {"joining a marked line to the one above", {1, 2, 2, 0}, "", {0, 1, 3}},
  };
  for (const auto& c : cases) {
    Fixture f("l0\r\nl1\r\nl2\r\nl3\r\nl4\r\nl5");
    f.editor.setBookmarks({0, 2, 4});
    f.editor.setSel(c.range, false);
    f.editor.setSelText(c.text);
    EXPECT_EQ(f.editor.getBookmarks(), c.after) << c.what;
  }
}

TEST(CodeEditorBookmarks, MarksFollowEnterUndoAndRedo) {
  Fixture f("l0\r\nl1\r\nl2");
  f.editor.setBookmarks({1, 2});
  f.editor.setCaretPos(1, 0);
  f.editor.userKey("Enter");  // a break in front of the marked line's text
  EXPECT_EQ(f.editor.getBookmarks(), (std::vector<int32_t>{2, 3}));
  f.editor.undo();
  EXPECT_EQ(f.editor.getBookmarks(), (std::vector<int32_t>{1, 2}));
  f.editor.redo();
  EXPECT_EQ(f.editor.getBookmarks(), (std::vector<int32_t>{2, 3}));
  f.editor.setSel({0, 0, 2, 0}, false);
  f.editor.setSelText("");  // lines 0 and 1 go; line 2 (marked) becomes line 0
  EXPECT_EQ(f.editor.getBookmarks(), (std::vector<int32_t>{0, 1}));
  f.editor.undo();
  EXPECT_EQ(f.editor.getBookmarks(), (std::vector<int32_t>{2, 3}));
}

TEST(CodeEditorBookmarks, CommandsToggleJumpAndClear) {
  Fixture f("a\r\nb\r\nc\r\nd\r\ne");
  f.editor.setCaretPos(1, 0);
  f.editor.executeCommand(cmdBookmarkToggle);
  f.editor.setCaretPos(3, 0);
  f.editor.executeCommand(cmdBookmarkToggle);
  EXPECT_EQ(f.editor.getBookmarks(), (std::vector<int32_t>{1, 3}));
  f.editor.executeCommand(cmdBookmarkNext);  // wraps to the first
  EXPECT_EQ(f.editor.getSel(true).endLine, 1);
  f.editor.executeCommand(cmdBookmarkNext);
  EXPECT_EQ(f.editor.getSel(true).endLine, 3);
  f.editor.executeCommand(cmdBookmarkPrev);
  EXPECT_EQ(f.editor.getSel(true).endLine, 1);
  f.editor.executeCommand(cmdBookmarkPrev);  // wraps to the last
  EXPECT_EQ(f.editor.getSel(true).endLine, 3);
  f.editor.executeCommand(cmdBookmarkFirst);
  EXPECT_EQ(f.editor.getSel(true).endLine, 1);
  f.editor.executeCommand(cmdBookmarkLast);
  EXPECT_EQ(f.editor.getSel(true).endLine, 3);
  f.editor.executeCommand(cmdBookmarkToggle);
  EXPECT_EQ(f.editor.getBookmarks(), (std::vector<int32_t>{1}));
  f.editor.executeCommand(cmdBookmarkClearAll);
  EXPECT_TRUE(f.editor.getBookmarks().empty());
  f.editor.setBookmarks({4, -1, 2, 17});  // lines outside the text are left out
  EXPECT_EQ(f.editor.getBookmarks(), (std::vector<int32_t>{2, 4}));
}

// --- read-only and text change ---------------------------------------------------

struct Operation {
  const char* name;
  std::function<void(Fixture&)> run;
};

std::vector<Operation> changingOperations() {
  return {
      {"typing", [](Fixture& f) { f.editor.userTypes("x"); }},
      {"Enter", [](Fixture& f) { f.editor.userKey("Enter"); }},
      {"Backspace", [](Fixture& f) { f.editor.userKey("Backspace"); }},
      {"Delete", [](Fixture& f) { f.editor.userKey("Delete"); }},
      {"selected text", [](Fixture& f) { f.editor.setSelText("x"); }},
      {"replace selection", [](Fixture& f) { f.editor.replaceSel("x"); }},
      {"paste", [](Fixture& f) { f.editor.paste(); }},
      {"cut", [](Fixture& f) { f.editor.cut(); }},
      {"undo", [](Fixture& f) { f.editor.undo(); }},
      {"redo",
       [](Fixture& f) {
         f.editor.undo();
         f.editor.redo();
       }},
      {"new line", [](Fixture& f) { f.editor.executeCommand(cmdNewLine); }},
      {"replace",
       [](Fixture& f) {
         f.host.prompts.replaces = {platform::ui::ReplaceAnswer{"b", "z", true}};
         f.editor.executeCommand(cmdReplace);
       }},
  };
}

// Text "ab\r\ncd" with "b" selected and one step to undo.
void prepare(Fixture& f) {
  f.editor.setText("a\r\ncd");
  f.editor.setCaretPos(0, 1);
  f.editor.setSelText("b");
  f.editor.setSel({0, 1, 0, 2}, false);
  f.host.clipboard = "clip";
  f.events.clear();
}

TEST(CodeEditorReadOnly, EveryChangeIsRefusedSilently) {
  for (const auto& op : changingOperations()) {
    Fixture f;
    prepare(f);
    f.editor.setReadOnly(true);
    const std::string before = f.editor.text();
    const CodeRange sel = f.editor.getSel(false);
    const bool couldUndo = f.editor.canUndo(), couldRedo = f.editor.canRedo();
    ASSERT_NO_THROW(op.run(f)) << op.name;
    EXPECT_EQ(f.editor.text(), before) << op.name;
    EXPECT_EQ(f.editor.getSel(false), sel) << op.name;
    EXPECT_EQ(f.editor.canUndo(), couldUndo) << op.name;
    EXPECT_EQ(f.editor.canRedo(), couldRedo) << op.name;
    // Silent: the keys' own events and nothing else.
    for (const auto& e : f.events.log) EXPECT_EQ(e.rfind("Key", 0), 0u) << op.name << ": " << e;
    EXPECT_FALSE(f.editor.lastEventError().has_value()) << op.name;
  }
}

TEST(CodeEditorReadOnly, InsertFileIsRefusedBeforeTheFileIsRead) {
  Fixture f("abc");
  f.editor.setReadOnly(true);
  EXPECT_NO_THROW(f.editor.insertFile("/no/such/file.vbs", {0, 0}));
  EXPECT_EQ(f.editor.text(), "abc");
}

TEST(CodeEditorReadOnly, WholeTextBookmarksAndSelectionStillWork) {
  Fixture f("abc");
  f.editor.setReadOnly(true);
  f.editor.setText("loaded\r\ntext");
  f.editor.setBookmarks({1});
  f.editor.executeCommand(cmdSelectLine);
  EXPECT_EQ(f.editor.text(), "loaded\r\ntext");
  EXPECT_EQ(f.editor.getBookmarks(), (std::vector<int32_t>{1}));
  EXPECT_EQ(f.editor.selText(), "loaded\r\n");
  EXPECT_TRUE(f.editor.readOnly());
}

TEST(CodeEditorTextChange, RaisedByEveryChangeOfTheText) {
  for (const auto& op : changingOperations()) {
    Fixture f;
    prepare(f);
    op.run(f);
    EXPECT_NE(std::find(f.events.log.begin(), f.events.log.end(), "Change"), f.events.log.end()) << op.name;
  }
}

TEST(CodeEditorTextChange, NotRaisedByLoadingSettingTheTextOrMovingTheCaret) {
  Fixture f("abc");
  f.events.clear();
  f.editor.setText("other");
  f.editor.setCaretPos(0, 2);
  f.editor.setSel({0, 0, 0, 5}, true);
  f.editor.executeCommand(cmdSelectAll);
  f.editor.setBookmarks({0});
  f.editor.setSelText(f.editor.getSel(true).startColumn == 0 ? "" : "");  // deletes "other": a change
  EXPECT_EQ(std::count(f.events.log.begin(), f.events.log.end(), "Change"), 1);
  f.events.clear();
  f.editor.setSelText("");  // nothing selected, nothing inserted: no change
  EXPECT_TRUE(f.events.log.empty());
}

// --- keys ----------------------------------------------------------------------

TEST(CodeEditorKeys, EventOrderOfOneKey) {
  Fixture f("");
  std::string textAtKeyPress;
  f.events.onKeyPress = [&](CodeEditor& e) { textAtKeyPress = e.text(); };
  f.editor.userTypes("a");
  EXPECT_EQ(f.events.joined(), "KeyDown 65 | KeyPress 97 | Change | SelChange | KeyUp 65");
  EXPECT_EQ(textAtKeyPress, "");  // the key press comes before the character goes in
  EXPECT_EQ(f.editor.text(), "a");
}

TEST(CodeEditorKeys, KeyPressComesForCharactersAndFourControlKeys) {
  struct Case {
    const char* key;
    const char* events;
  } cases[] = {
      {"Enter", "KeyDown 13 | KeyPress 13 | Change | SelChange | KeyUp 13"},
      {"Tab", "KeyDown 9 | KeyPress 9 | Change | SelChange | KeyUp 9"},
      {"Backspace", "KeyDown 8 | KeyPress 8 | Change | SelChange | KeyUp 8"},
      {"Escape", "KeyDown 27 | KeyPress 27 | KeyUp 27"},
      {"Left", "KeyDown 37 | SelChange | KeyUp 37"},
      {"Delete", "KeyDown 46 | Change | SelChange | KeyUp 46"},
      {"(", "KeyDown 57/1 | KeyPress 40 | Change | SelChange | KeyUp 57"},
      {"Ctrl+Z", "KeyDown 90/2 | Change | SelChange | KeyUp 90"},
  };
  for (const auto& c : cases) {
    Fixture f("ab");
    f.editor.setCaretPos(0, 1);
    f.editor.setSelText("x");  // something to undo
    f.editor.setSel({0, 1, 0, 1}, false);
    f.events.clear();
    f.editor.userKey(c.key);
    EXPECT_EQ(f.events.joined(), c.events) << c.key;
  }
}

TEST(CodeEditorKeys, TrueKeyDownDropsTheKey) {
  Fixture f("");
  f.events.dropKeyDown = true;
  f.editor.userTypes("ab");
  EXPECT_EQ(f.editor.text(), "");
  EXPECT_EQ(f.events.joined(), "KeyDown 65 | KeyUp 65 | KeyDown 66 | KeyUp 66");
}

TEST(CodeEditorKeys, TypingOnAReadOnlyTextRaisesTheKeyEventsOnly) {
  Fixture f("abc");
  f.editor.setReadOnly(true);
  f.events.clear();
  f.editor.userTypes("x");
  EXPECT_EQ(f.events.joined(), "KeyDown 88 | KeyPress 120 | KeyUp 88");
  EXPECT_EQ(f.editor.text(), "abc");
}

TEST(CodeEditorKeys, ArrowsHomeEndAndSelection) {
  Fixture f("    Dim abc\r\nx");
  f.editor.setCaretPos(0, 8);
  f.editor.userKey("Shift+Right");
  f.editor.userKey("Shift+Right");
  EXPECT_EQ(f.editor.selText(), "ab");
  f.editor.userKey("Home");
  EXPECT_EQ(f.editor.getSel(true), (CodeRange{0, 4, 0, 4}));  // the first non-blank
  f.editor.userKey("Home");
  EXPECT_EQ(f.editor.getSel(true), (CodeRange{0, 0, 0, 0}));
  f.editor.userKey("End");
  f.editor.userKey("Down");
  EXPECT_EQ(f.editor.getSel(true), (CodeRange{1, 1, 1, 1}));
  f.editor.userKey("Up");  // back to the column it came from
  EXPECT_EQ(f.editor.getSel(true), (CodeRange{0, 11, 0, 11}));
  f.editor.userKey("Ctrl+Home");
  EXPECT_EQ(f.editor.getSel(true), (CodeRange{0, 0, 0, 0}));
}

TEST(CodeEditorKeys, TabTypesBlanksWhenTabsAreExpanded) {
  Fixture f("ab");
  f.editor.setCaretPos(0, 1);
  f.editor.setExpandTabs(true);
  f.editor.userKey("Tab");
  EXPECT_EQ(f.editor.text(), "a   b");
  f.editor.setExpandTabs(false);
  f.editor.userKey("Tab");
  EXPECT_EQ(f.editor.text(), "a   \tb");
}

TEST(CodeEditorKeys, MouseAndRightClick) {
  Fixture f("abc\r\ndef");
  f.editor.userClicks(2, 3);
  EXPECT_EQ(f.events.joined(), "MouseDown 1,2 | SelChange | MouseUp");
  EXPECT_EQ(f.editor.getSel(true), (CodeRange{1, 2, 1, 2}));
  f.events.clear();
  f.editor.userRightClicks();  // answered True: no menu of the editor's own
  EXPECT_EQ(f.events.joined(), "RightClick");
  EXPECT_TRUE(f.host.prompts.asked.empty());
  f.events.rightClickAnswer = false;
  f.host.prompts.popups = {std::string("SelectAll")};
  f.editor.userRightClicks();
  EXPECT_EQ(f.host.prompts.asked, (std::vector<std::string>{"popup:CodeEditor"}));
  EXPECT_EQ(f.editor.selText(), "abc\r\ndef");
}

TEST(CodeEditorKeys, AnErrorOfAHandlerDoesNotStopTheKey) {
  Fixture f("");
  f.events.onKeyDown = [](CodeEditor&) { platform::raise(5); };
  f.editor.userTypes("q");
  EXPECT_EQ(f.editor.text(), "q");
  ASSERT_TRUE(f.editor.lastEventError().has_value());
  EXPECT_EQ(f.editor.lastEventError()->number(), 5);
}

// --- completion list -------------------------------------------------------------

TEST(CodeEditorCompletion, OpensOnCtrlSpaceAndPicksWithEnter) {
  Fixture f("Dr");
  f.editor.executeCommand(cmdDocumentEnd);
  f.events.listWords = {"DrawArc", "DrawLine", "MaxLimit"};
  f.events.clear();
  f.editor.userKey("Ctrl+Space");
  EXPECT_EQ(f.events.joined(), "KeyDown 32/2 | ListShow | ListMark | KeyUp 32");
  ASSERT_TRUE(f.editor.completionListOpen());
  f.events.clear();
  f.editor.userKey("Down");
  f.editor.userKey("Down");
  EXPECT_EQ(f.events.joined(),
            "KeyDown 40 | ListKey 40 | ListSelChange DrawArc | KeyUp 40 | "
            "KeyDown 40 | ListKey 40 | ListSelChange DrawLine | KeyUp 40");
  f.events.clear();
  f.editor.userKey("Enter");
  EXPECT_EQ(f.events.joined(), "KeyDown 13 | ListKey 13 | ListPick DrawLine | KeyUp 13");
  EXPECT_FALSE(f.editor.completionListOpen());
  EXPECT_EQ(f.editor.text(), "Dr");  // the editor inserts nothing itself
}

TEST(CodeEditorCompletion, AFalseAnswerShowsNoList) {
  Fixture f("");
  f.events.listShowAnswer = false;
  EXPECT_FALSE(f.editor.showCompletionList());
  EXPECT_FALSE(f.editor.completionListOpen());
  EXPECT_EQ(f.events.joined(), "ListShow");
}

TEST(CodeEditorCompletion, TypingFollowsTheWordAndSpaceIsTyped) {
  Fixture f("");
  f.events.listWords = {"DrawArc", "DrawLine", "MaxLimit"};
  f.editor.showCompletionList();
  f.events.clear();
  f.editor.userTypes("m");
  EXPECT_EQ(f.events.joined(),
            "KeyDown 77 | ListKey 77 | KeyPress 109 | Change | SelChange | ListWord 2 | "
            "ListSelChange MaxLimit | KeyUp 77");
  f.events.clear();
  f.editor.userTypes(" ");
  EXPECT_EQ(f.editor.text(), "m ");
  EXPECT_FALSE(f.editor.completionListOpen());  // a blank ends the word
  f.editor.showCompletionList();
  f.events.clear();
  f.editor.userTypes("(");  // typed as usual, after the owner's key handlers
  EXPECT_EQ(f.editor.text(), "m (");
  EXPECT_EQ(f.events.joined(), "KeyDown 57/1 | ListKey 57 | KeyPress 40 | Change | SelChange | KeyUp 57");
  EXPECT_FALSE(f.editor.completionListOpen());
}

TEST(CodeEditorCompletion, OwnerSelectionDoubleClickAndTab) {
  Fixture f("");
  f.events.listWords = {"DrawArc", "DrawLine"};
  f.editor.showCompletionList();
  f.events.clear();
  f.editor.completionList()->selectItem(1);  // the owner's select raises the change too
  EXPECT_EQ(f.events.joined(), "ListSelChange DrawLine");
  f.events.clear();
  f.editor.userKey("Tab");
  EXPECT_EQ(f.events.joined(), "KeyDown 9 | ListKey 9 | ListPick DrawLine | KeyUp 9");
  EXPECT_EQ(f.editor.text(), "");  // Tab belonged to the list
  f.editor.showCompletionList();
  f.events.clear();
  f.editor.completionListDoubleClick(0);
  EXPECT_EQ(f.events.joined(), "ListSelChange DrawArc | ListPick DrawArc");
  EXPECT_FALSE(f.editor.completionListOpen());
}

TEST(CodeEditorCompletion, KeyDownHandlerRunsBeforeTheListAndEscapeCloses) {
  Fixture f("Dr");
  f.editor.executeCommand(cmdDocumentEnd);
  f.events.listWords = {"DrawLine"};
  f.editor.showCompletionList();
  // The owner inserts the word on key down and answers False: the list
  // still takes Enter (no line break) and raises the pick.
  f.events.onKeyDown = [](CodeEditor& e) {
    e.setSel({0, 0, 0, 2}, false);
    e.setSelText("DrawLine");
  };
  f.editor.userKey("Enter");
  EXPECT_EQ(f.editor.text(), "DrawLine");
  EXPECT_FALSE(f.editor.completionListOpen());
  f.events.onKeyDown = nullptr;
  f.editor.showCompletionList();
  f.events.clear();
  f.editor.userKey("Escape");
  EXPECT_FALSE(f.editor.completionListOpen());
  EXPECT_EQ(f.editor.text(), "DrawLine");
  // Escape closes the list and is still a key press, as without a list.
  EXPECT_EQ(f.events.joined(), "KeyDown 27 | ListKey 27 | KeyPress 27 | KeyUp 27");
}

TEST(CodeEditorCompletion, TheListObjectsOperations) {
  CompletionList list;
  EXPECT_EQ(list.addItem("DrawLine", 3, "DrawLine(x1, y1, x2, y2)"), 0);
  EXPECT_EQ(list.addItem("drawarc", -1), 1);        // no image
  EXPECT_EQ(list.addItem("MaxLimit", 99, "M"), 2);  // past the last image: kept as given
  struct Case {
    const char* text;
    bool exact;
    int32_t index;
  } cases[] = {
      {"DRAWLINE", true, 0},                      // letter case ignored
      {"DrawArc", true, 1},  {"Draw", true, -1},  // exact: the whole text
      {"Draw", false, 0},                         // else the first that begins with it
      {"max", false, 2},     {"Nothing", true, -1},
  };
  for (const auto& c : cases) EXPECT_EQ(list.findString(c.text, c.exact), c.index) << c.text;
  EXPECT_EQ(list.itemText(2), "MaxLimit");
  EXPECT_EQ(list.itemData(0), "DrawLine(x1, y1, x2, y2)");
  EXPECT_EQ(list.items()[1].image, -1);
  EXPECT_EQ(list.items()[2].image, 99);
  EXPECT_EQ(kestrin_test::raisedNumber([&] { list.itemText(3); }), platform::err::SubscriptOutOfRange);
  EXPECT_EQ(kestrin_test::raisedNumber([&] { list.selectItem(-1); }), platform::err::InvalidPropertyValue);
  list.selectItem(2);
  list.clearItems(1);  // from entry 1 on: the highlighted entry goes too
  EXPECT_EQ(list.itemCount(), 1);
  EXPECT_EQ(list.selectedItem(), -1);
  list.clearItems();
  EXPECT_EQ(list.itemCount(), 0);
}

// --- argument tip ----------------------------------------------------------------

TEST(CodeEditorTip, RequestedInsideTheKeyPressBeforeTheCharacterGoesIn) {
  Fixture f("Call DrawLine");
  f.editor.executeCommand(cmdDocumentEnd);
  f.events.onKeyPress = [](CodeEditor& e) { e.executeCommand(cmdArgumentTip); };
  f.events.clear();
  f.editor.userTypes("(");
  EXPECT_EQ(f.events.joined(),
            "KeyDown 57/1 | KeyPress 40 | TipKind token 1 | TipShow col 13 | Change | SelChange | "
            "TipUpdate | KeyUp 57");
  ASSERT_TRUE(f.editor.tipShown());
  EXPECT_EQ(f.editor.tip()->text(), "DrawLine(x1, y1, x2, y2)");
  EXPECT_EQ(f.editor.tipStart(), (CodePosition{0, 13}));
  f.events.onKeyPress = nullptr;
  f.events.clear();
  f.editor.userKey("Right");  // caret moves follow with updates
  EXPECT_EQ(f.events.joined(), "KeyDown 39 | TipUpdate | KeyUp 39");
}

TEST(CodeEditorTip, EscapeCancelsAndTheEditorsOwnClosingDismisses) {
  Fixture f("DrawLine");
  f.editor.executeCommand(cmdDocumentEnd);
  f.editor.executeCommand(cmdArgumentTip);
  ASSERT_TRUE(f.editor.tipShown());
  f.events.clear();
  f.editor.userKey("Escape");
  EXPECT_EQ(f.events.joined(), "KeyDown 27 | KeyPress 27 | TipCancel | KeyUp 27");
  EXPECT_FALSE(f.editor.tipShown());
  f.editor.executeCommand(cmdArgumentTip);
  f.events.clear();
  f.editor.setText("");  // a new document closes the tip, then moves the caret to its start
  EXPECT_EQ(f.events.joined(), "TipDismissed | SelChange");
}

TEST(CodeEditorTip, NoTipInsideACommentOrAString) {
  CodeLanguage lang;
  lang.singleLineComments = "'";
  lang.stringDelims = "\"";
  CodeEditorGlobals().registerLanguage("TipTest", lang);
  for (const char* text : {"' DrawLine", "x = \"DrawLine"}) {
    Fixture f(text);
    f.editor.setLanguage("TipTest");
    f.editor.executeCommand(cmdDocumentEnd);
    f.editor.executeCommand(cmdArgumentTip);
    EXPECT_FALSE(f.editor.tipShown()) << text;
  }
}

TEST(CodeEditorTip, OwnerDestroyingTheTipRaisesNoDismissal) {
  Fixture f("DrawLine");
  f.events.onTipShow = [](CodeEditor& e) { e.tip()->destroy(); };
  f.editor.executeCommand(cmdArgumentTip);
  EXPECT_FALSE(f.editor.tipShown());
  f.events.onTipShow = nullptr;
  f.editor.executeCommand(cmdArgumentTip);
  f.events.onTipUpdate = [](CodeEditor& e) { e.tip()->destroy(); };
  f.events.clear();
  f.editor.userTypes("x");
  EXPECT_FALSE(f.editor.tipShown());
  EXPECT_EQ(std::count(f.events.log.begin(), f.events.log.end(), "TipDismissed"), 0);
}

TEST(CodeEditorTip, ArgumentSpanOfTheHighlightedArgument) {
  ArgumentTip tip;
  tip.setText("DrawLine(x1, f(a, b), y2)");
  tip.setArgument(1);
  auto [a, b] = tip.argumentSpan();
  EXPECT_EQ(tip.text().substr(a, b - a), " f(a, b)");
  tip.setArgument(3);
  EXPECT_EQ(tip.argumentSpan(), (std::pair<size_t, size_t>{0, 0}));
}

}  // namespace

namespace {

using namespace ce_test;

// An owner that answers as the main window's completion handlers do: it
// remembers the caret column and the word on key down, keeps the
// highlighted entry, and on Enter or a pick replaces the typed beginning
// of the word with the entry and puts the caret after it.
class CompletingOwner : public CodeEditorEvents {
 public:
  bool listOpen = false;
  int32_t cursorCol = 0;
  std::string currentWord, picked;
  std::vector<std::string> words{"DrawArc", "DrawLine"};

  void addWord(CodeEditor& e) {
    if (picked.empty()) return;
    CodeRange r = e.getSel(false);
    const int32_t end = r.endColumn;
    r.startColumn = cursorCol - e.currentWordLength();
    e.setSel(r, false);
    r.startColumn = r.endColumn = end + static_cast<int32_t>(picked.size());
    e.setSelText(picked);
    e.setSel(r, false);
    picked.clear();
  }
  bool keyDown(CodeEditor& e, int32_t k, int32_t) override {
    if (listOpen && k == 13) {
      addWord(e);
      return false;
    }
    cursorCol = e.getSel(false).endColumn;
    currentWord = e.currentWord();
    return false;
  }
  bool completionListShow(CodeEditor&, CompletionList& list) override {
    list.clearItems();
    for (const auto& w : words) list.addItem(w, 3, w);
    list.setImageMode(1);
    const int32_t i = list.findString(currentWord, true);
    if (i != -1) list.selectItem(i);
    listOpen = true;
    return true;
  }
  bool completionListPick(CodeEditor& e, CompletionList&) override {
    addWord(e);
    listOpen = false;
    return false;
  }
  std::string completionListSelChange(CodeEditor&, CompletionList& list, int32_t i) override {
    picked = list.itemText(i);
    return {};
  }
};

TEST(CodeEditorCompletion, TheMainWindowsWayOfInsertingThePickedWord) {
  CodeEditor editor;
  CompletingOwner owner;
  editor.setEventSink(&owner);
  editor.userTypes("Dra");
  editor.userKey("Ctrl+Space");
  ASSERT_TRUE(editor.completionListOpen());
  editor.userKey("Down");
  editor.userKey("Down");  // DrawLine
  editor.userKey("Enter");
  EXPECT_EQ(editor.text(), "DrawLine");  // no line break: the list took Enter
  EXPECT_FALSE(editor.completionListOpen());
  EXPECT_FALSE(owner.listOpen);
  // The owner asks for column 3 + 8 = 11; the caret stays within the text.
  EXPECT_EQ(editor.getSel(true), (CodeRange{0, 8, 0, 8}));
}

TEST(CodeEditorCompletion, ThePickedWordAfterCharactersOfSeveralBytes) {
  // The owner's arithmetic (caret column minus the word's length) must land
  // on the word's start with é, € and a four-byte character before it.
  CodeEditor editor;
  CompletingOwner owner;
  editor.setEventSink(&owner);
  editor.setText("s = \"\u00e9\u20ac\U0001F600\": ");
  editor.executeCommand(cmdDocumentEnd);
  editor.userTypes("Dra");
  editor.userKey("Ctrl+Space");
  ASSERT_TRUE(editor.completionListOpen());
  editor.userKey("Down");
  editor.userKey("Down");
  editor.userKey("Enter");
  EXPECT_EQ(editor.text(), "s = \"\u00e9\u20ac\U0001F600\": DrawLine");
  EXPECT_EQ(editor.getSel(true), (CodeRange{0, 19, 0, 19}));
}

}  // namespace

namespace {

using namespace ce_test;

TEST(CodeEditorKeys, CharactersOfSeveralBytesStayWhole) {
  Fixture f("");
  f.editor.userTypes("s = \"\u00e9t\u00e9\"");
  EXPECT_EQ(f.editor.text(), "s = \"\u00e9t\u00e9\"");
  f.editor.userKey("Left");
  f.editor.userKey("Left");  // over the "é" in one step
  EXPECT_EQ(f.editor.getSel(true).endColumn, 7);
  f.editor.userKey("Backspace");
  EXPECT_EQ(f.editor.text(), "s = \"\u00e9\u00e9\"");
  EXPECT_EQ(f.editor.getSel(true).endColumn, 6);
}

TEST(CodeEditorTip, LosingTheFocusClosesTheListAndDismissesTheTip) {
  Fixture f("DrawLine");
  f.editor.executeCommand(cmdDocumentEnd);
  f.editor.executeCommand(cmdArgumentTip);
  f.events.listWords = {"DrawLine"};
  f.editor.showCompletionList();
  f.events.clear();
  f.editor.focusLost();
  EXPECT_FALSE(f.editor.completionListOpen());
  EXPECT_FALSE(f.editor.tipShown());
  EXPECT_EQ(f.events.joined(), "TipDismissed");
  f.editor.focusReceived();
  EXPECT_EQ(f.events.joined(), "TipDismissed | GotFocus");
}

}  // namespace
