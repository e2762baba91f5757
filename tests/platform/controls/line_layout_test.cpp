// The code editor's lines laid out in cells: characters by the text's own
// rule, caret, selection and clicks on the same columns, slices of long
// lines that hold after edits.
#include <gtest/gtest.h>

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
  // A line too long to colour is drawn in the text's colour.
  s = layoutLine(f.editor, 1, 0, 20);
  for (const auto& c : s.chars) EXPECT_EQ(c.colour, color_index::Text);
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
