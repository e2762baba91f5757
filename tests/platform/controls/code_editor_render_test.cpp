// The code editor drawn for a terminal.
#include <gtest/gtest.h>

#include "common/raised.h"
#include "code_editor_test_support.h"
#include "platform/controls/code_editor_render.h"

namespace {

using namespace ce_test;

TEST(CodeEditorRender, PlainTextWithNumbersMarginBookmarksAndWhitespace) {
  Fixture f("Dim a\r\n\tx = 1\r\n' end");
  f.editor.setLineNumbering(true);
  f.editor.setBookmarks({1});
  f.editor.setDisplayWhitespace(true);
  TerminalRenderOptions plain;
  plain.colour = false;
  EXPECT_EQ(renderTerminal(f.editor, plain),
            "1   Dim\u00b7a\n"
            "2 * \u2192   x\u00b7=\u00b71\n"
            "3   '\u00b7end\n");
  f.editor.setDisplayLeftMargin(false);
  f.editor.setLineNumbering(false);
  f.editor.setDisplayWhitespace(false);
  plain.top = 1;
  plain.height = 1;
  plain.width = 6;
  EXPECT_EQ(renderTerminal(f.editor, plain), "    x \n");  // the tab expanded, the line cut
}

TEST(CodeEditorRender, ColoursComeFromTheColourTable) {
  CodeLanguage lang;
  lang.keywords = "Dim";
  lang.stringDelims = "\"";
  CodeEditorGlobals().registerLanguage("RenderTest", lang);
  Fixture f("Dim s\r\ns = \"x\"");
  f.editor.setLanguage("RenderTest");
  f.editor.setColor(color_index::Keyword, 0xFF0000);          // blue
  f.editor.setColor(color_index::String, 808080);             // 0x0C5490, a brown
  f.editor.setColor(color_index::HighlightedLine, 0xFFFF00);  // cyan
  f.editor.setHighlightedLine(1);
  f.editor.setFontStyle(color_index::Keyword, font_style::Bold);
  f.editor.setSel({0, 4, 0, 5}, false);
  TerminalRenderOptions opts;
  opts.width = 12;
  const std::string out = renderTerminal(f.editor, opts);
  const size_t second = out.find('\n');
  const std::string line0 = out.substr(0, second), line1 = out.substr(second + 1);
  EXPECT_NE(line0.find("\x1b[1m\x1b[38;2;0;0;255m"), std::string::npos);  // the bold blue keyword
  EXPECT_NE(line0.find("\x1b[7m"), std::string::npos);                    // the caret
  EXPECT_NE(line0.find("\x1b[38;2;255;255;255m\x1b[48;2;0;0;128ms"), std::string::npos);  // selected
  EXPECT_NE(line1.find("\x1b[38;2;144;84;12m"), std::string::npos);       // the string
  EXPECT_NE(line1.find("\x1b[48;2;0;255;255m"), std::string::npos);       // the highlighted line
  EXPECT_EQ(line0.find("\x1b[48;2;0;255;255m"), std::string::npos);
  EXPECT_EQ(kestrin_test::raisedNumber([&] { f.editor.setColor(32, 0); }), 380);
}

TEST(CodeEditorRender, TheListAndTheTipStandBelowTheText) {
  Fixture f("DrawLine");
  f.editor.executeCommand(cmdDocumentEnd);
  f.events.listWords = {"DrawArc", "DrawLine"};
  f.editor.showCompletionList();
  f.editor.completionList()->selectItem(1);
  f.editor.executeCommand(cmdArgumentTip);
  f.editor.tip()->setArgument(1);
  f.editor.setDisplayLeftMargin(false);
  TerminalRenderOptions plain;
  plain.colour = false;
  EXPECT_EQ(renderTerminal(f.editor, plain),
            "DrawLine\n"
            "  [3] DrawArc\n"
            "> [3] DrawLine\n"
            "DrawLine(x1,[ y1], x2, y2)\n");
}

TEST(CodeEditorRender, FrameNumberStartAndMatchingBraces) {
  Fixture f("f(a(b))");
  f.editor.setDisplayLeftMargin(false);
  f.editor.setLineNumbering(true);
  f.editor.setLineNumberStart(0);
  TerminalRenderOptions plain;
  plain.colour = false;
  plain.frame = true;
  plain.width = 11;
  EXPECT_EQ(renderTerminal(f.editor, plain),
            "\u250c\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2510\n"
            "\u25020 f(a(b))\u2502\n"
            "\u2514\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2518\n");
  f.editor.setLineNumbering(false);
  f.editor.setHighlightBraces(true);
  f.editor.setCaretPos(0, 2);  // after the first "("
  TerminalRenderOptions colour;
  colour.width = 8;
  colour.showCaret = false;
  const std::string out = renderTerminal(f.editor, colour);
  const std::string underlined = "\x1b[4m\x1b[38;2;0;0;0m\x1b[48;2;255;255;255m";
  const size_t first = out.find(underlined), second = out.find(underlined, first + 1);
  ASSERT_NE(second, std::string::npos);
  EXPECT_EQ(out[first + underlined.size()], '(');   // the bracket at the caret ...
  EXPECT_EQ(out[second + underlined.size()], ')');  // ... and the last one, its partner
  EXPECT_EQ(out.find(underlined, second + 1), std::string::npos);
}

TEST(CodeEditorRender, MultiByteCharactersTakeOneCellAndBadBytesShowAsReplacement) {
  Fixture f("\u00e9\u20acx\xFF\r\n\u00e9(\U0001F600)");
  f.editor.setDisplayLeftMargin(false);
  TerminalRenderOptions plain;
  plain.colour = false;
  // The byte that is no UTF-8 stays in the text; the terminal gets U+FFFD.
  EXPECT_EQ(renderTerminal(f.editor, plain), "\u00e9\u20acx\ufffd\n\u00e9(\U0001F600)\n");
  EXPECT_EQ(f.editor.getLine(0), "\u00e9\u20acx\xFF");
  f.editor.setSel({0, 1, 0, 2}, false);  // the €, the caret after it
  TerminalRenderOptions colour;
  colour.width = 6;
  std::string out = renderTerminal(f.editor, colour);
  EXPECT_NE(out.find("\x1b[38;2;255;255;255m\x1b[48;2;0;0;128m\u20ac"), std::string::npos);
  EXPECT_NE(out.find("\x1b[7m\x1b[38;2;0;0;0m\x1b[48;2;255;255;255mx"), std::string::npos);
  f.editor.setHighlightBraces(true);
  f.editor.setCaretPos(1, 2);  // after the "(" that follows the é
  colour.showCaret = false;
  out = renderTerminal(f.editor, colour);
  const std::string underlined = "\x1b[4m\x1b[38;2;0;0;0m\x1b[48;2;255;255;255m";
  const size_t first = out.find(underlined), second = out.find(underlined, first + 1);
  ASSERT_NE(second, std::string::npos);
  EXPECT_EQ(out[first + underlined.size()], '(');
  EXPECT_EQ(out[second + underlined.size()], ')');
}

TEST(CodeEditorRender, ControlCodesInTheTextNeverReachTheTerminal) {
  // An escape in a script (or in the owner's list and tip) would clear the
  // screen or recolour it; it is drawn as a picture of itself.
  Fixture f("x = \"\x1b[2J\x07\x7f\u0085\"");
  f.editor.setDisplayLeftMargin(false);
  f.editor.executeCommand(cmdDocumentEnd);
  f.events.listWords = {"Bad\x1b]0;title\x07"};
  f.editor.showCompletionList();
  f.editor.executeCommand(cmdArgumentTip);
  f.editor.tip()->setText("F(\x1b[31m, b)");
  f.editor.tip()->setArgument(0);
  TerminalRenderOptions plain;
  plain.colour = false;
  EXPECT_EQ(renderTerminal(f.editor, plain),
            "x = \"\u241b[2J\u2407\u2421\ufffd\"\n"
            "  [3] Bad\u241b]0;title\u2407\n"
            "F([\u241b[31m], b)\n");
}

}  // namespace
