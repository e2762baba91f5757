// The code editor's lines laid out in cells: characters by the text's own
// rule, caret, selection and clicks on the same columns, slices of long
// lines that hold after edits.
#include <gtest/gtest.h>

#include <functional>
#include <numeric>

#include "code_editor_test_support.h"
#include "platform/controls/line_layout.h"

namespace {

using namespace ce_test;

struct LineCase {
  const char* name;
  std::string bytes;
  std::vector<int32_t> cells;  // of each character, as the text counts them (tab size 4)
};

const LineCase kLines[] = {
    {"ascii", "ab c", {1, 1, 1, 1}},
    {"tab", "a\tb\t", {1, 3, 1, 3}},
    {"wide", "\u4e2dx", {2, 1}},
    {"combining mark", "e\u0301x", {1, 0, 1}},
    {"mark after a wide character", "\u4e2d\u0301x", {2, 0, 1}},
    {"overlong sequence", "\xC0\x80x", {1, 1, 1}},
    {"surrogate", "\xED\xA0\x80y", {1, 1, 1, 1}},
    {"lead byte above F4", "\xF5\x80\x80\x80z", {1, 1, 1, 1, 1}},
    {"four-byte character", "\U0001F600a", {2, 1}},
    {"cut three-byte sequence", "\xE2\x82", {1, 1}},
    {"controls", "\x1b[\x7f\u0085", {1, 1, 1, 1}},
    {"direction controls", "a\u200f\u202eb", {1, 1, 1, 1}},
    {"empty", "", {}},
};

TEST(LineLayout, CharactersCaretSelectionAndClicksFollowTheTextsRule) {
  for (const auto& c : kLines) {
    SCOPED_TRACE(c.name);
    Fixture f(c.bytes);
    const CodeText& text = f.editor.textModel();
    const auto count = static_cast<int32_t>(c.cells.size());
    ASSERT_EQ(text.lineLength(0), count);
    std::vector<int64_t> cellAt(c.cells.size() + 1, 0);
    std::partial_sum(c.cells.begin(), c.cells.end(), cellAt.begin() + 1);

    const LineSlice s = layoutLine(f.editor, 0, 0, 100);
    ASSERT_EQ(s.chars.size(), c.cells.size());
    EXPECT_TRUE(s.reachesEnd);
    EXPECT_EQ(s.endColumn, count);
    EXPECT_EQ(s.endCell, cellAt.back());
    for (int32_t k = 0; k < count; ++k) {
      const LaidChar& ch = s.chars[static_cast<size_t>(k)];
      EXPECT_EQ(ch.column, k);
      EXPECT_EQ(ch.byte, text.toBytes({0, k}).offset);
      EXPECT_EQ(ch.byte + ch.bytes, text.toBytes({0, k + 1}).offset);
      EXPECT_EQ(s.bytes.substr(ch.byte - s.firstByte, ch.bytes), text.extract({0, k}, {0, k + 1}));
      EXPECT_EQ(ch.cells, c.cells[static_cast<size_t>(k)]) << "character " << k;
      EXPECT_EQ(ch.cell, cellAt[static_cast<size_t>(k)]);
      EXPECT_EQ(byteOfColumn(f.editor, 0, k), ch.byte);
      EXPECT_EQ(columnOfByte(f.editor, 0, ch.byte), k);
    }
    for (int32_t k = 0; k <= count; ++k) {
      EXPECT_EQ(cellOfColumn(f.editor, 0, k), cellAt[static_cast<size_t>(k)]) << "column " << k;
      // A click on the first cell of a character puts the caret before it.
      if (k == count || c.cells[static_cast<size_t>(k)] > 0) {
        EXPECT_EQ(columnAtCell(f.editor, 0, cellAt[static_cast<size_t>(k)]), k) << "column " << k;
      }
      f.editor.setCaretPos(0, k);
      const LineSlice at = layoutLine(f.editor, 0, 0, 100);
      EXPECT_EQ(at.caretCell, cellAt[static_cast<size_t>(k)]);
      for (const auto& ch : at.chars) EXPECT_EQ(ch.caret, ch.column == k);
    }
    EXPECT_EQ(columnAtCell(f.editor, 0, cellAt.back() + 5), count);  // past the end
    if (count >= 3) {
      f.editor.setSel({0, 1, 0, count - 1}, false);
      const LineSlice sel = layoutLine(f.editor, 0, 0, 100);
      for (const auto& ch : sel.chars) EXPECT_EQ(ch.selected, ch.column >= 1 && ch.column < count - 1);
      EXPECT_FALSE(sel.breakSelected);
    }
  }
}

TEST(LineLayout, AClickOnTheRightHalfOfAWideCharacterOrATabGoesAfterIt) {
  struct Click {
    std::string line;
    int64_t cell, column;
  };
  const Click clicks[] = {
      {"\u4e2dx", 1, 1}, {"\u4e2d\u0301x", 1, 2},                       // after the mark that joins it
      {"a\tb", 1, 1},                                                   // the tab takes cells 1 to 3
      {"a\tb", 2, 1},    {"a\tb", 3, 2},          {"\xC0\x80x", 3, 3},  // after the x, not inside the bad bytes
      {"ab", -4, 0},
  };
  for (const auto& c : clicks) {
    Fixture f(c.line);
    EXPECT_EQ(columnAtCell(f.editor, 0, c.cell), c.column) << c.line << " cell " << c.cell;
  }
}

TEST(LineLayout, ASliceHoldsTheCharactersThatReachIntoItsCells) {
  Fixture f("\u4e2d\u6587ab\r\nx");
  LineSlice s = layoutLine(f.editor, 0, 1, 3);
  ASSERT_EQ(s.chars.size(), 2u);
  EXPECT_EQ(s.chars[0].cell, 0);  // its right half is the first cell
  EXPECT_EQ(s.chars[1].cell, 2);
  EXPECT_EQ(s.firstByte, 0u);
  EXPECT_EQ(s.bytes, "\u4e2d\u6587");
  EXPECT_FALSE(s.reachesEnd);
  s = layoutLine(f.editor, 0, 4, 10);
  ASSERT_EQ(s.chars.size(), 2u);
  EXPECT_EQ(s.firstByte, 6u);
  EXPECT_EQ(s.bytes, "ab");
  EXPECT_TRUE(s.reachesEnd);
  EXPECT_EQ(s.endCell, 6);
  s = layoutLine(f.editor, 0, 9, 10);  // right of the line's end
  EXPECT_TRUE(s.chars.empty());
  EXPECT_TRUE(s.reachesEnd);
  // A selection over the break.
  f.editor.setSel({0, 3, 1, 0}, false);
  s = layoutLine(f.editor, 0, 0, 10);
  EXPECT_TRUE(s.breakSelected);
  EXPECT_TRUE(s.chars[3].selected);
  EXPECT_FALSE(s.chars[2].selected);
  EXPECT_FALSE(layoutLine(f.editor, 1, 0, 10).breakSelected);
}

TEST(LineLayout, ColoursComeFromTheLinesTokensUpToTheLengthThatIsColoured) {
  CodeLanguage lang;
  lang.keywords = "Dim";
  lang.stringDelims = "\"";
  CodeEditorGlobals().registerLanguage("LayoutTest", lang);
  std::string longLine = "Dim s = \"x\" ";
  longLine += std::string(kColouredLineBytes, 'a');
  Fixture f("Dim s = \"x\"\r\n" + longLine);
  f.editor.setLanguage("LayoutTest");
  LineSlice s = layoutLine(f.editor, 0, 0, 20);
  ASSERT_EQ(s.chars.size(), 11u);
  EXPECT_EQ(s.chars[0].colour, color_index::Keyword);
  EXPECT_EQ(s.chars[2].colour, color_index::Keyword);
  EXPECT_EQ(s.chars[4].colour, color_index::Text);
  EXPECT_EQ(s.chars[8].colour, color_index::String);
  EXPECT_EQ(s.chars[10].colour, color_index::String);
  // A long line is coloured as well, from the lexer's states along it.
  s = layoutLine(f.editor, 1, 0, 20);
  ASSERT_EQ(s.chars.size(), 20u);
  EXPECT_EQ(s.chars[0].colour, color_index::Keyword);
  EXPECT_EQ(s.chars[8].colour, color_index::String);
  EXPECT_EQ(s.chars[12].colour, color_index::Text);
  f.editor.setColorSyntax(false);
  s = layoutLine(f.editor, 1, 0, 20);
  EXPECT_EQ(s.chars[0].colour, color_index::Text);
}

// The colours of a long line's slice against those of the whole line's
// tokens, character by character (the lines are ASCII: a byte a column).
void expectColoursOfTheWholeLine(const Fixture& f, const CompiledLanguage& lexer, int64_t first, int64_t count) {
  const std::string line = f.editor.getLine(0);
  std::vector<int32_t> whole(line.size(), color_index::Text);
  for (const Token& t : lexer.tokenize(line))
    std::fill(whole.begin() + t.start, whole.begin() + t.start + t.length, colorIndexOf(t.kind));
  const LineSlice s = layoutLine(f.editor, 0, first, count);
  ASSERT_FALSE(s.chars.empty());
  size_t wrong = 0;
  for (const LaidChar& c : s.chars)
    if (c.colour != whole[c.byte] && wrong++ < 3)
      ADD_FAILURE() << "at byte " << c.byte << ": " << c.colour << " instead of " << whole[c.byte];
}

CodeLanguage longLineLanguage() {
  CodeLanguage lang;
  lang.keywords = "Dim\nIf\nThen";
  lang.operators = "=\n<>\n.\nMod";
  lang.singleLineComments = "'\nRem";
  lang.stringDelims = "\"";
  lang.constants = "True";
  return lang;
}

// A line of code of `size` bytes with `what` put in at each byte given.
std::string codeLine(size_t size, std::vector<std::pair<size_t, std::string>> what) {
  const std::string unit = "Dim a = b Mod 3 : If x.Rem <> True Then y = &H1F ";
  std::string line;
  while (line.size() < size) line += unit;
  line.resize(size);
  for (const auto& [at, text] : what) line.replace(at, text.size(), text);
  return line;
}

// Strings, comments and words across the lexer's kept states (every 4 KB)
// and its reads (16 KB): a slice anywhere has the colours the whole line's
// tokens give it, whichever slice is drawn first.
TEST(LineLayout, ASliceOfALongLineHasTheColoursOfTheWholeLine) {
  CodeEditorGlobals().registerLanguage("LongLines", longLineLanguage());
  const CompiledLanguage lexer(longLineLanguage());
  const size_t n = 80000;
  struct Case {
    const char* what;
    std::string line;
  };
  const Case cases[] = {
      {"code only", codeLine(n, {})},
      {"a string across states and reads", codeLine(n, {{4090, "\""}, {40000, "\""}})},
      {"doubled quotes on the boundaries", codeLine(n, {{100, "\""}, {4095, "\"\""}, {16383, "\"\""}, {50000, "\""}})},
      {"a string left open", codeLine(n, {{20000, "\""}})},
      {"a comment sign before a boundary", codeLine(n, {{4095, "'"}})},
      {"Rem across a read", codeLine(n, {{16382, " Rem "}})},
      {"a member .Rem across a read", codeLine(n, {{16381, "x.Rem q"}})},
      {"a word across a read", codeLine(n, {{16370, "Dimensionsareverylongwords "}})},
      {"a date across a state", codeLine(n, {{4093, "#1/2/2000#"}})},
      {"a date 30 KB long", codeLine(n, {{5000, "#1 "}, {35000, "#"}})},
      {"a # with no date after it", codeLine(n, {{5000, "#1 "}})},
      {"a quote in a comment", codeLine(n, {{30000, "' \" "}})},
  };
  const int64_t starts[] = {70000, 0, 4080, 4096, 16370, 16384, 20000, 32760, 35000, 45000, 79990};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Fixture f(c.line);
    f.editor.setLanguage("LongLines");
    for (const int64_t first : starts) {
      SCOPED_TRACE(first);
      expectColoursOfTheWholeLine(f, lexer, first, 40);
    }
  }
}

// An edit before the slice in view changes its colours as it changes the
// whole line's; one after it leaves them.
TEST(LineLayout, EditsBeforeASliceOfALongLineRecolourIt) {
  CodeEditorGlobals().registerLanguage("LongLines", longLineLanguage());
  const CompiledLanguage lexer(longLineLanguage());
  Fixture f(codeLine(100000, {}));
  f.editor.setLanguage("LongLines");
  const int64_t view = 60000;
  expectColoursOfTheWholeLine(f, lexer, view, 60);
  const auto type = [&](int32_t column, std::string_view text) {
    f.editor.setSel({0, column, 0, column}, false);
    f.editor.replaceSel(text);
  };
  const auto erase = [&](int32_t column, int32_t count) {
    f.editor.setSel({0, column, 0, column + count}, false);
    f.editor.replaceSel("");
  };
  struct Step {
    const char* what;
    std::function<void()> edit;
  };
  const Step steps[] = {
      {"a quote far before opens a string", [&] { type(1000, "\""); }},
      {"a second quote closes it", [&] { type(30000, "\""); }},
      {"the first quote taken away", [&] { erase(1000, 1); }},
      {"a comment sign just before the view", [&] { type(59990, "'"); }},
      {"the comment sign taken away", [&] { erase(59990, 1); }},
      {"a date opened far before", [&] { type(2000, "#5 "); }},
      {"and closed in the view", [&] { type(60010, "#"); }},
      {"a quote after the view", [&] { type(80000, "\""); }},
      {"text typed in the view", [&] { type(60020, "\"If\" Rem"); }},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    s.edit();
    expectColoursOfTheWholeLine(f, lexer, view, 60);
    expectColoursOfTheWholeLine(f, lexer, 0, 60);
    expectColoursOfTheWholeLine(f, lexer, 29990, 60);
  }
}

// A long line built from characters whose columns and cells the test
// knows, so that the layout's marks can be checked after edits.
struct LongLine {
  std::vector<std::string> chars;
  std::string bytes() const { return std::accumulate(chars.begin(), chars.end(), std::string()); }
  // The cell of each column (tab size 4), and the line's end.
  std::vector<int64_t> cells() const {
    std::vector<int64_t> out{0};
    for (const auto& c : chars) {
      const int64_t at = out.back();
      int64_t w = 1;
      if (c == "\t")
        w = 4 - at % 4;
      else if (c == "\u4e2d")
        w = 2;
      else if (c == "\u0301")
        w = 0;
      out.push_back(at + w);
    }
    return out;
  }
};

TEST(LineLayout, ALongLineIsLaidOutFromMarksThatFollowItsEdits) {
  LongLine line;
  const std::string pattern[] = {"a", "\t", "\u4e2d", "b", "\u0301", "\xC0", "c", "c", "\t", "d"};
  for (size_t i = 0; line.chars.size() < 120'000; ++i) line.chars.push_back(pattern[(i * 7 + i / 13) % 10]);
  Fixture f("first\r\n" + line.bytes() + "\r\nlast");
  auto check = [&](const char* when) {
    SCOPED_TRACE(when);
    const auto cells = line.cells();
    ASSERT_EQ(f.editor.textModel().lineLength(1), static_cast<int32_t>(line.chars.size()));
    for (size_t col :
         {size_t{0}, size_t{17}, size_t{40'000}, size_t{70'001}, line.chars.size() - 3, line.chars.size()}) {
      EXPECT_EQ(cellOfColumn(f.editor, 1, static_cast<int64_t>(col)), cells[col]) << "column " << col;
      if (col < line.chars.size() && cells[col + 1] > cells[col]) {
        EXPECT_EQ(columnAtCell(f.editor, 1, cells[col]), static_cast<int64_t>(col)) << "column " << col;
      }
      const LineSlice s = layoutLine(f.editor, 1, cells[col], 8);
      if (col < line.chars.size() && cells[col + 1] > cells[col]) {
        ASSERT_FALSE(s.chars.empty());
        EXPECT_EQ(s.chars[0].column, static_cast<int64_t>(col));
        EXPECT_EQ(s.bytes.substr(0, line.chars[col].size()), line.chars[col]);
      }
    }
  };
  check("loaded");
  // The end first, so that the marks reach over the whole line.
  cellOfColumn(f.editor, 1, static_cast<int64_t>(line.chars.size()));
  // Typing near the start moves every cell after it: a wide character
  // before a tab, then a plain one.
  f.editor.setCaretPos(1, 5);
  f.editor.userTypes("\u4e2d");
  line.chars.insert(line.chars.begin() + 5, "\u4e2d");
  check("a wide character typed near the start");
  f.editor.setCaretPos(1, 60'000);
  f.editor.userTypes("z");
  line.chars.insert(line.chars.begin() + 60'000, "z");
  check("a character typed in the middle");
  f.editor.setCaretPos(1, 30'000);
  f.editor.userTypes("\t");
  line.chars.insert(line.chars.begin() + 30'000, "\t");
  check("a tab typed");
  // An edit of the line above moves the line's start.
  f.editor.setCaretPos(0, 0);
  f.editor.userTypes("xy");
  check("the line above edited");
  f.editor.setCaretPos(1, 0);
  f.editor.userTypes("\t");
  line.chars.insert(line.chars.begin(), "\t");
  check("a tab at the start");
}

}  // namespace
