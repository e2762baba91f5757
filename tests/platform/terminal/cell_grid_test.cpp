// The cell grid: what a text puts into the cells (control characters as
// symbols, wide characters in two cells, never half of one), and which
// cells a frame sends.
#include <gtest/gtest.h>

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

}  // namespace
