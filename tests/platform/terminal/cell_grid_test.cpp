// The cell grid: what a text puts into the cells (control characters as
// symbols, wide characters in two cells, never half of one), and which
// cells a frame sends.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/terminal/cell_grid.h"

namespace pt = platform::terminal;

namespace {

TEST(CellGrid, ControlCharactersAreDrawnAsSymbolsNeverSent) {
  pt::Grid g(20, 1);
  g.put(0, 0, "a\x1b[2Jb\x07\xC2\x9B", {});
  EXPECT_EQ(g.rowText(0), "a\u241b[2Jb\u2407\ufffd");
  for (int x = 0; x < g.width(); ++x)
    for (unsigned char c : g.at(x, 0).text) EXPECT_FALSE(c < 0x20 || c == 0x7F) << x;
}

TEST(CellGrid, WideCharactersTakeTwoCellsAndNoHalfIsLeft) {
  pt::Grid g(6, 1);
  EXPECT_EQ(g.put(0, 0, "\u4e2d\u6587x", {}), 5);
  EXPECT_EQ(g.at(0, 0).width, 2);
  EXPECT_EQ(g.at(1, 0).width, 0);
  EXPECT_EQ(g.rowText(0), "\u4e2d\u6587x");
  // Over the right half of the first: its left half becomes a blank.
  g.put(1, 0, "y", {});
  EXPECT_EQ(g.rowText(0), " y\u6587x");
  // Over the left half of the second: its right half becomes a blank.
  g.put(2, 0, "z", {});
  EXPECT_EQ(g.rowText(0), " yz x");
  // A wide character that does not fit at the end is a blank.
  EXPECT_EQ(g.put(5, 0, "\u4e2d", {}), 6);
  EXPECT_EQ(g.at(5, 0).text, " ");
  // A combining mark joins the character before it.
  pt::Grid h(4, 1);
  EXPECT_EQ(h.put(0, 0, "e\u0301f", {}), 2);
  EXPECT_EQ(h.at(0, 0).text, "e\u0301");
}

TEST(CellGrid, AJoinerIsNotSentSoNoTerminalMergesTheCharactersAroundIt) {
  // A family of three faces joined by zero-width joiners: the terminal
  // would draw one glyph of two cells where the grid has six, and the
  // text after it would stand over the old contents of the row.
  pt::Grid g(10, 1);
  EXPECT_EQ(g.put(0, 0, "\U0001F468\u200D\U0001F469\u200D\U0001F467 a", {}), 8);
  EXPECT_EQ(g.rowText(0), "\U0001F468\U0001F469\U0001F467 a");
  for (int32_t x = 0; x < g.width(); ++x) EXPECT_EQ(g.at(x, 0).text.view().find("\u200D"), std::string::npos) << x;
  EXPECT_EQ(g.at(7, 0).text, "a");
}

// Every wide character whole: a left half followed by its right half, and
// no right half without its left.
void expectWhole(const pt::Grid& g) {
  for (int32_t y = 0; y < g.height(); ++y)
    for (int32_t x = 0; x < g.width(); ++x) {
      if (g.at(x, y).width == 2) {
        EXPECT_TRUE(x + 1 < g.width() && g.at(x + 1, y).width == 0) << x << "," << y;
      }
      if (g.at(x, y).width == 0) {
        EXPECT_TRUE(x > 0 && g.at(x - 1, y).width == 2) << x << "," << y;
      }
    }
}

TEST(CellGrid, FillsAndMarksLeaveNoHalfOfAWideCharacter) {
  struct Fill {
    int32_t x, w;
    const char* row;
  };
  const Fill fills[] = {
      {1, 1, "  文x"},  // over the right half of the first
      {2, 1, "中  x"},  // over the left half of the second
      {1, 2, "    x"},  // over both halves
  };
  for (const auto& f : fills) {
    pt::Grid g(6, 1);
    g.put(0, 0, "中文x", {});
    g.fill(f.x, 0, f.w, 1, {});
    EXPECT_EQ(g.rowText(0), f.row) << f.x << "+" << f.w;
    expectWhole(g);
  }
  // A combining mark after a wide character joins its left half, and the
  // right half stays empty.
  pt::Grid g(6, 1);
  EXPECT_EQ(g.put(0, 0, "中́x", {}), 3);
  EXPECT_EQ(g.at(0, 0).text, "中́");
  EXPECT_EQ(g.at(1, 0).text, "");
  EXPECT_EQ(g.at(2, 0).text, "x");
  expectWhole(g);
}

TEST(CellGrid, ACharacterWithManyMarksStaysWholeThroughCopiesAndFrames) {
  // Past what a cell holds in itself: a letter with ten marks, a wide
  // character with eight.
  std::string marks;
  for (int i = 0; i < 10; ++i) marks += "\u0301";
  const std::string letter = "e" + marks, wide = "\u4e2d" + marks.substr(0, 16);
  pt::Grid g(6, 1);
  EXPECT_EQ(g.put(0, 0, letter + wide + "x", {}), 4);
  EXPECT_EQ(g.at(0, 0).text, letter);
  EXPECT_EQ(g.at(1, 0).text, wide);
  EXPECT_EQ(g.at(3, 0).text, "x");
  pt::Grid copy = g;
  EXPECT_EQ(copy.rowText(0), letter + wide + "x");
  EXPECT_TRUE(pt::changedRuns(g, copy).empty());
  // One mark less is another character.
  pt::Grid fewer = g;
  fewer.put(0, 0, "e" + marks.substr(2), {});
  EXPECT_EQ(pt::changedRuns(g, fewer), (std::vector<pt::Run>{{0, 0, 1}}));
  // Drawn over by a short one, a long one in a copy stays as it was.
  copy.put(1, 0, "ab", {});
  EXPECT_EQ(copy.rowText(0), letter + "abx");
  EXPECT_EQ(g.at(1, 0).text, wide);
  pt::Grid moved = std::move(g);
  EXPECT_EQ(moved.at(0, 0).text, letter);
  moved = fewer;
  EXPECT_EQ(moved.at(0, 0).text, "e" + marks.substr(2));
}

TEST(CellGrid, AFrameSendsOnlyTheCellsThatChanged) {
  pt::Grid before(10, 3), after(10, 3);
  EXPECT_TRUE(pt::changedRuns(before, after).empty());
  after.put(4, 1, "x", {});
  EXPECT_EQ(pt::changedRuns(before, after), (std::vector<pt::Run>{{1, 4, 1}}));
  // A change of the attributes alone is a change.
  pt::Grid bold = before;
  bold.addAttrs(2, 2, 2, pt::attr::Bold);
  EXPECT_EQ(pt::changedRuns(before, bold), (std::vector<pt::Run>{{2, 2, 2}}));
  // A run takes the whole of a wide character it touches.
  pt::Grid wide = before;
  wide.put(6, 0, "\u4e2d", {});
  pt::Grid changed = wide;
  changed.put(6, 0, "\u6587", {});
  EXPECT_EQ(pt::changedRuns(wide, changed), (std::vector<pt::Run>{{0, 6, 2}}));
  // Another size: everything.
  EXPECT_EQ(pt::changedRuns(pt::Grid(5, 2), before).size(), 3u);
}

// The cells a frame writes, from the grid the terminal shows and the next:
// each as "x,y:text".
TEST(CellGrid, AFrameWritesTheCellsThatChangedAndWholeWideCharacters) {
  using Draw = std::function<void(pt::Grid&)>;
  const pt::Style red{0x0000FFu, pt::kDefault, 0};
  const pt::Style blue{0xFF0000u, pt::kDefault, 0};
  struct Case {
    const char* name;
    Draw before, after;
    std::vector<std::string> written;
  };
  const Case cases[] = {
      {"an unchanged frame",
       [](pt::Grid& g) { g.put(0, 0, "abc", {}); },
       [](pt::Grid& g) { g.put(0, 0, "abc", {}); },
       {}},
      {"one character", [](pt::Grid&) {}, [](pt::Grid& g) { g.put(4, 1, "x", {}); }, {"4,1:x"}},
      {"the attributes alone",
       [](pt::Grid& g) { g.put(2, 0, "ab", {}); },
       [](pt::Grid& g) {
         g.put(2, 0, "ab", {});
         g.addAttrs(3, 0, 1, pt::attr::Bold);
       },
       {"3,0:b"}},
      {"the colour alone",
       [&](pt::Grid& g) { g.put(0, 2, "Dim", red); },
       [&](pt::Grid& g) { g.put(0, 2, "Dim", blue); },
       {"0,2:D", "1,2:i", "2,2:m"}},
      {"a wide character over two narrow ones",
       [](pt::Grid& g) { g.put(3, 0, "ab", {}); },
       [](pt::Grid& g) { g.put(3, 0, "\u4e2d", {}); },
       {"3,0:\u4e2d"}},
      {"a narrow character over a wide one",
       [](pt::Grid& g) { g.put(3, 0, "\u4e2d", {}); },
       [](pt::Grid& g) {
         g.put(3, 0, "\u4e2d", {});
         g.put(3, 0, "x", {});
       },
       {"3,0:x", "4,0: "}},
      {"over the right half of a wide one",
       [](pt::Grid& g) { g.put(3, 0, "\u4e2d", {}); },
       [](pt::Grid& g) {
         g.put(3, 0, "\u4e2d", {});
         g.put(4, 0, "y", {});
       },
       {"3,0: ", "4,0:y"}},
      {"a wide character for another",
       [](pt::Grid& g) { g.put(6, 0, "\u4e2d", {}); },
       [](pt::Grid& g) { g.put(6, 0, "\u6587", {}); },
       {"6,0:\u6587"}},
      {"a wide character's colour",
       [&](pt::Grid& g) { g.put(6, 0, "\u4e2d", red); },
       [&](pt::Grid& g) { g.put(6, 0, "\u4e2d", blue); },
       {"6,0:\u4e2d"}},
      {"a wide character in the last column",
       [](pt::Grid& g) { g.put(9, 2, "x", {}); },
       [](pt::Grid& g) { g.put(9, 2, "\u4e2d", {}); },
       {"9,2: "}},
  };
  for (const auto& c : cases) {
    pt::Grid before(10, 3), after(10, 3);
    c.before(before);
    c.after(after);
    std::vector<std::string> written;
    for (const auto& at : pt::cellsToWrite(before, after))
      written.push_back(std::to_string(at.x) + "," + std::to_string(at.y) + ":" + after.at(at.x, at.y).text);
    EXPECT_EQ(written, c.written) << c.name;
  }
  // Another size writes every cell, the right halves of wide ones aside.
  pt::Grid wide(4, 2);
  wide.put(0, 0, "\u4e2d", {});
  EXPECT_EQ(pt::cellsToWrite(pt::Grid(3, 2), wide).size(), 7u);
}

}  // namespace
