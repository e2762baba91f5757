#include <gtest/gtest.h>

#include "platform/ui/visible_text.h"

using namespace platform::ui;

namespace {

TEST(VisibleText, ControlCharactersBecomeSymbols) {
  struct Case {
    const char* name;
    std::string in;
    std::string out;
  } cases[] = {
      {"plain", "Dim x = 1", "Dim x = 1"},
      {"utf8_kept", "Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC \xF0\x9F\x98\x80",
       "Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC \xF0\x9F\x98\x80"},
      {"clear_screen", "\x1B[2J", "\xE2\x90\x9B[2J"},
      {"osc52", "\x1B]52;c;aGk=\x07", "\xE2\x90\x9B]52;c;aGk=\xE2\x90\x87"},
      {"nul_cr_lf_tab", std::string("a\0b\r\n\t", 6),
       "a\xE2\x90\x80"
       "b\xE2\x90\x8D\xE2\x90\x8A\xE2\x90\x89"},
      {"del", "x\x7Fy", "x\xE2\x90\xA1y"},
      {"c1_csi",
       "\xC2\x9B"
       "2J",
       "\xEF\xBF\xBD"
       "2J"},
      {"raw_c1_byte",
       "\x9B"
       "2J",
       "\xEF\xBF\xBD"
       "2J"},
      {"truncated_sequence", "a\xE2\x82", "a\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"overlong", "\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"surrogate", "\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
      // A right-to-left override would draw the rest of the line reversed.
      {"bidi_override", "x\xE2\x80\xAE = 1\xE2\x80\xAC", "x\xEF\xBF\xBD = 1\xEF\xBF\xBD"},
      {"bidi_embedding_first",
       "\xE2\x80\xAA"
       "a",
       "\xEF\xBF\xBD"
       "a"},
      {"bidi_isolates", "\xE2\x81\xA6\xE2\x81\xA9", "\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"direction_marks", "\xE2\x80\x8E\xE2\x80\x8F\xD8\x9C", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"neighbours_kept", "\xE2\x80\xA9\xE2\x80\xAF\xE2\x81\xA5\xE2\x81\xAA\xE2\x80\x8D\xD8\x9B",
       "\xE2\x80\xA9\xE2\x80\xAF\xE2\x81\xA5\xE2\x81\xAA\xE2\x80\x8D\xD8\x9B"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(visibleText(c.in), c.out) << c.name;
    EXPECT_EQ(needsVisibleText(c.in), c.in != c.out) << c.name;
  }
}

TEST(VisibleText, NewlinesAndTabsPassOnlyWhenAsked) {
  VisibleTextOptions keep;
  keep.keepNewlines = true;
  keep.keepTabs = true;
  EXPECT_EQ(visibleText("a\tb\nc\r\n", keep), "a\tb\nc\xE2\x90\x8D\n");
  EXPECT_FALSE(needsVisibleText("a\tb\nc", keep));
}

}  // namespace
