// The code editor drawn into the cell grid: line numbers, margin marks,
// whitespace, colours, the characters as the text counts them, and the
// caret kept in view sideways.
#include <gtest/gtest.h>

#include <map>

#include "platform/controls/code_editor.h"
#include "platform/controls/line_layout.h"
#include "platform/controls/toolbar.h"
#include "platform/terminal/desktop_draw.h"

namespace pc = platform::controls;
namespace pt = platform::terminal;

namespace {

struct Drawn {
  pc::CodeEditor editor;
  pt::DesktopView view;
  pt::Grid grid;
  explicit Drawn(std::string_view text, int32_t w = 20, int32_t h = 4) : grid(w, h) {
    editor.setText(text);
    editor.setDisplayLeftMargin(false);
  }
  void draw() { pt::drawCodeEditor(grid, view, editor, 0, 0, grid.width(), grid.height()); }
  std::string row(int32_t y) {
    draw();
    return grid.rowText(y);
  }
};

TEST(EditorDraw, NumbersMarksWhitespaceAndTabs) {
  Drawn d("Dim a\r\n\tx = 1\r\n' end");
  d.editor.setDisplayLeftMargin(true);
  d.editor.setLineNumbering(true);
  d.editor.setBookmarks({1});
  d.editor.setDisplayWhitespace(true);
  d.view.useColour = false;
  d.draw();
  EXPECT_EQ(d.grid.rowText(0), "  1 Dim\u00b7a");
  EXPECT_EQ(d.grid.rowText(1), "\u25cf 2 \u2192   x\u00b7=\u00b71");
  EXPECT_EQ(d.grid.rowText(2), "  3 '\u00b7end");
  d.editor.setDisplayLeftMargin(false);
  d.editor.setLineNumbering(false);
  d.editor.setDisplayWhitespace(false);
  EXPECT_EQ(d.row(1), "    x = 1");  // the tab expanded to its stop
}

TEST(EditorDraw, CharactersAsTheTextCountsThemAndNoControlCodeReachesTheCells) {
  // A byte that is no UTF-8 stays in the text and is drawn as U+FFFD; a
  // control code of the script is drawn as its picture.
  Drawn d("\u00e9\u20acx\xFF\xC0\x80y\r\nx = \"\x1b[2J\x07\x7f\u0085\"\r\n\u4e2d\u0301z");
  d.draw();
  EXPECT_EQ(d.grid.rowText(0), "\u00e9\u20acx\ufffd\ufffd\ufffdy");
  EXPECT_EQ(d.grid.rowText(1), "x = \"\u241b[2J\u2407\u2421\ufffd\"");
  EXPECT_EQ(d.grid.at(0, 2).text, "\u4e2d\u0301");  // the mark joins the wide character
  EXPECT_EQ(d.grid.at(2, 2).text, "z");
  EXPECT_EQ(d.editor.getLine(0), "\u00e9\u20acx\xFF\xC0\x80y");
  // The caret after the y, where a click after it lands too.
  d.editor.setCaretPos(0, 7);
  d.draw();
  EXPECT_EQ(d.grid.cursorX, 7);
  EXPECT_EQ(pc::columnAtCell(d.editor, 0, 7), 7);
}

TEST(EditorDraw, ColoursComeFromTheColourTable) {
  pc::CodeLanguage lang;
  lang.keywords = "Dim";
  lang.stringDelims = "\"";
  pc::CodeEditorGlobals().registerLanguage("EditorDrawTest", lang);
  Drawn d("Dim s\r\ns = \"x\"");
  d.editor.setLanguage("EditorDrawTest");
  d.editor.setColor(pc::color_index::Keyword, 0xFF0000);
  d.editor.setColor(pc::color_index::String, 0x0C5490);
  d.editor.setColor(pc::color_index::HighlightedLine, 0xFFFF00);
  d.editor.setHighlightedLine(1);
  d.editor.setFontStyle(pc::color_index::Keyword, pc::font_style::Bold);
  d.editor.setSel({0, 4, 0, 5}, false);
  d.draw();
  const auto& g = d.grid;
  EXPECT_EQ(g.at(0, 0).style.fg, 0xFF0000u);
  EXPECT_TRUE(g.at(0, 0).style.attrs & pt::attr::Bold);
  EXPECT_EQ(g.at(4, 0).style.fg, static_cast<uint32_t>(d.editor.color(pc::color_index::SelectedText)));
  EXPECT_EQ(g.at(4, 0).style.bg, static_cast<uint32_t>(d.editor.color(pc::color_index::SelectionBack)));
  EXPECT_EQ(g.at(3, 0).style.bg, static_cast<uint32_t>(d.editor.color(pc::color_index::Window)));
  EXPECT_EQ(g.at(5, 1).style.fg, 0x0C5490u);
  EXPECT_EQ(g.at(5, 1).style.bg, 0xFFFF00u);  // the highlighted line
  EXPECT_EQ(g.at(15, 1).style.bg, 0xFFFF00u);
}

TEST(EditorDraw, TheViewScrollsSidewaysToTheCaretAndCutsWideCharactersAtItsEdge) {
  std::string line;
  for (int i = 0; i < 30; ++i) line += "\u4e2d";
  Drawn d(line + "abc", 10, 2);
  d.editor.setCaretPos(0, 33);
  d.draw();
  const int32_t scroll = d.view.scroll[&d.editor];
  EXPECT_GT(scroll, 0);
  EXPECT_EQ(d.grid.cursorX, 63 - scroll);
  ASSERT_GE(d.grid.cursorX, 0);
  ASSERT_LT(d.grid.cursorX, 10);
  // A wide character cut by the left edge is a blank, never half of one.
  d.view.scroll[&d.editor] = 57;
  d.editor.setCaretPos(0, 31);
  d.draw();
  EXPECT_EQ(d.grid.rowText(0).substr(0, 1), " ");
  EXPECT_EQ(d.grid.at(1, 0).text, "\u4e2d");
  EXPECT_EQ(d.grid.rowText(0), " \u4e2dabc");
}

// Bars of three buttons "[A0][A1][A2]" (12 cells) and so on, the second
// with a separator and a hidden tool.
pc::Toolbar& bars(pc::Toolbar& bar, int count) {
  bar.menuBar().items = {};
  for (int b = 0; b < count; ++b) {
    std::vector<std::string> items;
    for (int k = 0; k < 3; ++k) {
      const std::string id = "ID_" + std::string(1, static_cast<char>('A' + b)) + std::to_string(k);
      bar.addTool(id, pc::ToolKind::Button, id.substr(3));
      items.push_back(id);
      if (b == 1 && k == 0) items.push_back("");
    }
    if (b == 1) {
      bar.addTool("ID_Hidden", pc::ToolKind::Button, "Hidden").visible = false;
      items.push_back("ID_Hidden");
    }
    bar.addBar("Bar" + std::to_string(b)).items = items;
  }
  return bar;
}

// The rows as text: each cell's text at its place.
std::vector<std::string> rowsOf(const std::vector<pt::ToolCell>& cells) {
  std::vector<std::string> rows;
  for (const auto& c : cells) {
    if (static_cast<size_t>(c.row) >= rows.size()) rows.resize(static_cast<size_t>(c.row) + 1);
    auto& r = rows[static_cast<size_t>(c.row)];
    EXPECT_LE(static_cast<int32_t>(pt::textWidth(r)), c.x);
    while (pt::textWidth(r) < c.x) r += " ";
    r += c.text;
  }
  return rows;
}

TEST(Toolbars, BarsShareARowWhileTheyFitAndACutBarEndsInMore) {
  pc::Toolbar bar("Toolbar1");
  bars(bar, 4);
  struct Case {
    int32_t width, rows;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {80, 9, {"[A0][A1][A2] [B0]\u2502[B1][B2] [C0][C1][C2] [D0][D1][D2]"}},
      {40, 9, {"[A0][A1][A2] [B0]\u2502[B1][B2] [C0][C1][C2]", "[D0][D1][D2]"}},
      // A bar wider than the row shows what fits and a "»".
      {8, 9, {"[A0]\u00bb", "[B0]\u2502\u00bb", "[C0]\u00bb", "[D0]\u00bb"}},
      // No row left for the last bars: the last row says so.
      {26, 1, {"[A0][A1][A2] [B0]\u2502[B1]\u00bb"}},
      {40, 1, {"[A0][A1][A2] [B0]\u2502[B1][B2] [C0][C1][C2]\u00bb"}},
      // A bar cut on the last row, and bars after it: one "»" for them all.
      {5, 1, {"[A0]\u00bb"}},
      {8, 1, {"[A0]\u00bb"}},
  };
  for (const auto& c : cases) {
    const auto cells = pt::flowToolbars(bar, c.width, c.rows);
    EXPECT_EQ(rowsOf(cells), c.expected) << c.width << " x " << c.rows;
    // Every button is shown or listed by a "»", once.
    std::map<std::string, int> seen;
    for (const auto& t : cells) {
      EXPECT_LE(t.x + t.w, c.width);
      if (t.kind == pt::ToolCell::Kind::Tool) ++seen[t.id];
      for (const auto& h : t.hidden) ++seen[h.first];
    }
    EXPECT_EQ(seen.size(), 12u) << c.width << " x " << c.rows;
    for (const auto& [id, n] : seen) EXPECT_EQ(n, 1) << id << " at " << c.width << " x " << c.rows;
  }
  // Every button shown has its tool.
  for (const auto& t : pt::flowToolbars(bar, 80, 9))
    if (t.kind == pt::ToolCell::Kind::Tool) {
      EXPECT_TRUE(bar.findTool(t.id)) << t.id;
    }
}

TEST(SmallTerminal, TheNoticeWrapsToTheWidthThereIs) {
  for (const int32_t w : {59, 40, 20}) {
    pt::Grid g(w, 12);
    pt::DesktopView view;
    std::vector<pt::Hit> hits;
    pt::drawDesktop(g, view, hits);
    std::string all;
    for (int32_t y = 0; y < g.height(); ++y) {
      const std::string row = g.rowText(y);
      if (row.empty()) continue;
      all += (all.empty() ? "" : " ") + row;
    }
    EXPECT_EQ(all, "The terminal is too small (" + std::to_string(w) +
                       " x 12); the editor needs 60 x 16. Keys are ignored until it is larger.")
        << w;
  }
}

}  // namespace
