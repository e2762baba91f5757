// The code editor counts characters, not bytes: columns, ranges, the text
// length, the word at the caret, find and the caret after typing, on text
// with é (two bytes), € (three), a face (four) and a byte that is no UTF-8,
// which must come back out of a save unchanged.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "code_editor_test_support.h"
#include "platform/runtime/strings.h"

namespace {

using namespace ce_test;

const std::string E = "\u00e9";         // é
const std::string EURO = "\u20ac";      // €
const std::string FACE = "\U0001F600";  // four bytes
const std::string BAD = "\xFF";         // no UTF-8 at all

TEST(CodeEditorChars, CountsAgreeWithTheRuntimesStringFunctions) {
  // The editor's counting and the runtime's Len and Mid must agree on
  // every kind of byte sequence, the broken ones included.
  const std::string texts[] = {
      "",
      "plain ASCII longer than eight bytes",
      E + EURO + FACE,
      "x" + BAD + "y",
      "\xC3(",             // a lead byte without its continuation
      "\xE2\x82",          // a sequence cut short
      "\xC0\xAF",          // an overlong form
      "\xED\xA0\x80",      // a surrogate
      "\x80\x80",          // continuation bytes alone
      "\xF4\x90\x80\x80",  // past U+10FFFF
      "abcdefgh" + E + "ijklmnop" + FACE + BAD + "q",
  };
  for (const std::string& t : texts) {
    EXPECT_EQ(countChars(t), platform::len(t)) << platform::len(t);
    for (int32_t c = 0; c <= platform::len(t) + 1; ++c) {
      EXPECT_EQ(byteOffsetOfColumn(t, c), platform::byteOffsetOfChar(t, c)) << c;
      EXPECT_EQ(columnOfByteOffset(t, byteOffsetOfColumn(t, c)), std::min(c, platform::len(t))) << c;
    }
  }
}

TEST(CodeEditorChars, TextLengthAndLineCount) {
  struct Case {
    std::string text;
    int32_t length, lines;
  } cases[] = {
      {E, 1, 1},
      {EURO, 1, 1},
      {FACE, 1, 1},
      {BAD, 1, 1},
      {"a\xE2\x82", 3, 1},                      // a cut sequence: two characters
      {E + "\r\n" + EURO + "\n" + FACE, 7, 3},  // the breaks count as CR LF
      {"caf" + E + " = \"" + EURO + "1\"", 11, 1},
  };
  for (const auto& c : cases) {
    Fixture f(c.text);
    EXPECT_EQ(f.editor.textLength(), c.length) << c.text;
    EXPECT_EQ(f.editor.lineCount(), c.lines) << c.text;
  }
}

// c0 a1 f2 é3 _4 =5 _6 "7 €8 face9 "10 _11 bad12 _13 x14, length 15
const std::string kLine = "caf" + E + " = \"" + EURO + FACE + "\" " + BAD + " x";

TEST(CodeEditorChars, SelectionColumnsAndSelectedText) {
  struct Case {
    CodeRange range;
    std::string selected;
  } cases[] = {
      {{0, 3, 0, 4}, E},     {{0, 8, 0, 10}, EURO + FACE},
      {{0, 10, 0, 9}, FACE},  // anchor after the face, caret before it
      {{0, 12, 0, 13}, BAD}, {{0, 0, 0, 15}, kLine},
      {{0, 14, 0, 99}, "x"},  // clamped to the end of the line
  };
  for (const auto& c : cases) {
    Fixture f(kLine);
    f.editor.setSel(c.range, false);
    EXPECT_EQ(f.editor.selText(), c.selected) << c.range.startColumn << "-" << c.range.endColumn;
    EXPECT_EQ(f.editor.getSel(false).startColumn, c.range.startColumn);
    EXPECT_EQ(f.editor.getSel(false).endColumn, std::min(c.range.endColumn, 15));
    // The system's own string functions find the same text at those columns.
    const CodeRange n = f.editor.getSel(true);
    EXPECT_EQ(platform::mid(f.editor.getLine(0), n.startColumn + 1, n.endColumn - n.startColumn), c.selected);
  }
}

TEST(CodeEditorChars, CaretKeysMoveOneCharacterAndKeepTheColumn) {
  struct Case {
    const char* key;
    int32_t line, column;
    std::string selected;
  } cases[] = {
      {"End", 0, 15, ""},         {"Left", 0, 8, ""},                                // from column 9: over the €
      {"Right", 0, 10, ""},                                                          // over the face
      {"Shift+Left", 0, 8, EURO}, {"Shift+Right", 0, 10, FACE}, {"Down", 1, 9, ""},  // the same character column below
      {"Ctrl+Left", 0, 8, ""},                                                       // € starts a word
  };
  for (const auto& c : cases) {
    Fixture f(kLine + "\r\n" + std::string(20, 'y'));
    f.editor.setCaretPos(0, 9);
    f.editor.userKey(c.key);
    EXPECT_EQ(f.editor.caretPos(), (TextPos{c.line, c.column})) << c.key;
    EXPECT_EQ(f.editor.getSel(false).endColumn, c.column) << c.key;
    EXPECT_EQ(f.editor.selText(), c.selected) << c.key;
  }
  Fixture f(kLine + "\r\n" + std::string(20, 'y'));
  f.editor.setCaretPos(0, 13);
  f.editor.userKey("Backspace");  // the invalid byte goes as one character
  EXPECT_EQ(f.editor.getLine(0), "caf" + E + " = \"" + EURO + FACE + "\"  x");
  EXPECT_EQ(f.editor.getSel(true), (CodeRange{0, 12, 0, 12}));
  f.editor.userClicks(2, 5);  // the mouse's columns count characters too
  f.editor.userKey("Up");
  EXPECT_EQ(f.editor.getSel(true), (CodeRange{0, 4, 0, 4}));
}

TEST(CodeEditorChars, WordAtTheCaretAndItsLength) {
  // The word is the name in front of the caret (ASCII letters, digits, "_");
  // the columns around it count characters.
  // x0 _1 =2 _3 c4 a5 f6 é7 D8 r9 a10 _11 +12 _13 €14 u15 _16 1 17 _18 +19 _20 face21 a22 b23
  const std::string line = "x = caf" + E + "Dra + " + EURO + "u_1 + " + FACE + "ab";
  struct Case {
    int32_t column;
    std::string word;
    int32_t length;
  } cases[] = {
      {11, "Dra", 3},                                                             // the é ends the word before it
      {8, "", 0},     {7, "caf", 3}, {18, "u_1", 3}, {24, "ab", 2}, {22, "", 0},  // right after the face
  };
  for (const auto& c : cases) {
    Fixture f(line);
    f.editor.setCaretPos(0, c.column);
    EXPECT_EQ(f.editor.currentWord(), c.word) << c.column;
    EXPECT_EQ(f.editor.currentWordLength(), c.length) << c.column;
    EXPECT_EQ(platform::right(platform::left(line, c.column), c.length), c.word) << c.column;
  }
}

TEST(CodeEditorChars, TheCompletionListStartsAtTheWordAndClosesAtAnAccentedLetter) {
  Fixture f(E + EURO + " Dr");
  f.editor.executeCommand(cmdDocumentEnd);
  f.events.listWords = {"DrawArc", "DrawLine"};
  ASSERT_TRUE(f.editor.showCompletionList());
  f.editor.userTypes("a");
  EXPECT_TRUE(f.editor.completionListOpen());
  for (int i = 0; i < 3; ++i) f.editor.userKey("Left");
  EXPECT_EQ(f.editor.getSel(true).endColumn, 3);  // the word's start: still open
  EXPECT_TRUE(f.editor.completionListOpen());
  f.editor.userKey("Left");
  EXPECT_FALSE(f.editor.completionListOpen());  // before the word
  f.editor.executeCommand(cmdDocumentEnd);
  ASSERT_TRUE(f.editor.showCompletionList());
  f.editor.userTypes(E);  // no letter of a name: the word ends, as for the owner
  EXPECT_FALSE(f.editor.completionListOpen());
  EXPECT_EQ(f.editor.text(), E + EURO + " Dra" + E);
}

TEST(CodeEditorChars, FindSelectsCharacterColumns) {
  // Line 0: G0 r1 ö2 ß3 e4 _5 =6 _7 "8 €9 "10
  // Line 1: l0 e1 t2 _3 x4 _5 =6 _7 C8 A9 F10 É11 _12 &13 _14 c15 a16 f17 é18 _19 bad20 _21 ©22
  const std::string text = "Gr\u00f6\u00dfe = \"" + EURO + "\"\r\nlet x = CAF\u00c9 & caf" + E + " " + BAD + " \u00a9";
  struct Case {
    std::string what;
    TextPos from;
    CodeRange found;
  } cases[] = {
      {"caf" + E, {0, 0}, {1, 8, 1, 12}},  // case ignored on the accented letter too
      {"caf" + E, {1, 9}, {1, 15, 1, 19}},
      {EURO, {0, 0}, {0, 9, 0, 10}},
      {"GR\u00d6\u00dfE", {1, 0}, {0, 0, 0, 5}},  // wrapped to the top
      {BAD, {0, 0}, {1, 20, 1, 21}},
      // The last byte of © is no character of its own: nothing to find.
      {"\xA9", {0, 0}, {0, 0, 0, 0}},
      {EURO + "\"\r\nlet", {0, 0}, {0, 9, 1, 3}},
      {"\"\r\nLET", {1, 2}, {0, 10, 1, 3}},  // over two lines, wrapped to the top
  };
  for (const auto& c : cases) {
    Fixture f(text);
    f.host.prompts.finds = {c.what};
    f.editor.setCaretPos(c.from.line, c.from.column);
    f.editor.executeCommand(cmdFind);
    EXPECT_EQ(f.editor.getSel(true), c.found) << c.what;
  }
}

TEST(CodeEditorChars, ReplaceAllAfterMultiByteCharacters) {
  Fixture f(EURO + "a " + FACE + "a\r\n" + E + "a");
  f.host.prompts.replaces = {platform::ui::ReplaceAnswer{"A", "b" + E, true}};
  f.editor.executeCommand(cmdReplace);
  EXPECT_EQ(f.editor.text(), EURO + "b" + E + " " + FACE + "b" + E + "\r\n" + E + "b" + E);
  EXPECT_EQ(f.editor.getSel(true), (CodeRange{1, 3, 1, 3}));  // after the last replacement
  f.editor.undo();
  EXPECT_EQ(f.editor.text(), EURO + "a " + FACE + "a\r\n" + E + "a");
}

TEST(CodeEditorChars, WritingTheSelectedTextPutsTheCaretAfterItsCharacters) {
  struct Case {
    CodeRange sel;
    std::string with, text;
    CodeRange after;
  } cases[] = {
      {{0, 0, 0, 1}, "EUR ", "EUR uro " + E, {0, 4, 0, 4}},
      {{0, 5, 0, 6}, FACE + FACE, EURO + "uro " + FACE + FACE, {0, 7, 0, 7}},
      {{0, 1, 0, 4}, E + "\r\n" + EURO + BAD, EURO + E + "\r\n" + EURO + BAD + " " + E, {1, 2, 1, 2}},
      {{0, 6, 0, 6}, "!", EURO + "uro " + E + "!", {0, 7, 0, 7}},
  };
  for (const auto& c : cases) {
    Fixture f(EURO + "uro " + E);
    f.editor.setSel(c.sel, false);
    f.editor.setSelText(c.with);
    EXPECT_EQ(f.editor.text(), c.text) << c.with;
    EXPECT_EQ(f.editor.getSel(true), c.after) << c.with;
    f.editor.undo();
    EXPECT_EQ(f.editor.text(), EURO + "uro " + E) << c.with;
    EXPECT_EQ(f.editor.getSel(false), c.sel) << c.with;
  }
}

// An owner that reads the caret column at every key up, as the main
// window's status panel shows it ("Col" is the end column + 1).
class CursorPanel : public Recorder {
 public:
  std::vector<int32_t> cols;
  bool keyUp(CodeEditor& e, int32_t, int32_t) override {
    cols.push_back(e.getSel(false).endColumn + 1);
    return false;
  }
};

TEST(CodeEditorChars, TheCaretColumnAfterTypingAfterMultiByteCharacters) {
  CodeEditor editor;
  CursorPanel panel;
  editor.setEventSink(&panel);
  editor.userTypes(E + EURO + FACE + BAD + "x");
  EXPECT_EQ(panel.cols, (std::vector<int32_t>{2, 3, 4, 5, 6}));
  EXPECT_EQ(editor.caretPos(), (TextPos{0, 5}));
  EXPECT_EQ(editor.text(), E + EURO + FACE + BAD + "x");
  EXPECT_EQ(editor.textLength(), 5);
  // The tip's start is the caret column before "(" goes in.
  panel.onKeyPress = [](CodeEditor& e) { e.executeCommand(cmdArgumentTip); };
  editor.userTypes(" DrawLine(");
  EXPECT_EQ(editor.tipStart(), (CodePosition{0, 14}));
  EXPECT_EQ(editor.getSel(false).endColumn, 15);
}

TEST(CodeEditorChars, TabsAndTokensCountCharacters) {
  Fixture f(E + EURO);
  f.editor.executeCommand(cmdDocumentEnd);
  f.editor.setExpandTabs(true);
  f.editor.userKey("Tab");  // from column 2 to the tab stop at 4
  EXPECT_EQ(f.editor.text(), E + EURO + "  ");
  CodeLanguage lang;
  lang.singleLineComments = "'";
  lang.stringDelims = "\"";
  CodeEditorGlobals().registerLanguage("CharsTokenTest", lang);
  Fixture g("s = \"" + FACE + E + "\" ' " + EURO);
  g.editor.setLanguage("CharsTokenTest");
  struct Case {
    int32_t column, kind;
  } cases[] = {
      {7, token_class::String},    // after the é, inside the string
      {8, token_class::String},    // after the closing quote
      {9, token_class::None},      // after the blank
      {12, token_class::Comment},  // after the €, the end of the line
  };
  for (const auto& c : cases) {
    g.editor.setCaretPos(0, c.column);
    EXPECT_EQ(g.editor.currentToken(), c.kind) << c.column;
  }
}

TEST(CodeEditorChars, BytesThatMeetAndMakeACharacterUndoExactly) {
  // A lead byte alone, then its continuation typed after it: the two now
  // make one é; undo must give back the lone byte, not lose it.
  Fixture f("\xC3");
  f.editor.executeCommand(cmdDocumentEnd);
  f.editor.setSelText("\xA9");
  EXPECT_EQ(f.editor.text(), E);
  EXPECT_EQ(f.editor.textLength(), 1);
  EXPECT_EQ(f.editor.getSel(true), (CodeRange{0, 1, 0, 1}));
  f.editor.undo();
  EXPECT_EQ(f.editor.text(), "\xC3");
  EXPECT_EQ(f.editor.textLength(), 1);
  f.editor.redo();
  EXPECT_EQ(f.editor.text(), E);
}

TEST(CodeEditorChars, InvalidBytesSurviveOpenEditAndSave) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("ce-chars-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string path = (dir / "a.vbs").string();
  const std::string bytes = "s = \"" + BAD + "\xFE\"\r\n\xC3(\xE2\x82\r\n" + E + "\x80\r\n";
  std::ofstream(path, std::ios::binary) << bytes;
  Fixture f;
  f.editor.openFile(path);
  EXPECT_EQ(f.editor.text(), bytes);
  EXPECT_EQ(f.editor.textLength(), platform::len(bytes));
  f.editor.setSel({0, 5, 0, 7}, false);
  EXPECT_EQ(f.editor.selText(), BAD + "\xFE");
  f.editor.setCaretPos(1, 4);  // after the cut sequence's two bytes
  f.editor.userTypes("!");
  f.editor.setCaretPos(2, 2);  // after the lone continuation byte
  f.editor.userTypes("?");
  f.editor.saveFile(path, false);
  std::ifstream in(path, std::ios::binary);
  std::stringstream saved;
  saved << in.rdbuf();
  EXPECT_EQ(saved.str(), "s = \"" + BAD + "\xFE\"\r\n\xC3(\xE2\x82!\r\n" + E + "\x80?\r\n");
  fs::remove_all(dir);
}

}  // namespace
