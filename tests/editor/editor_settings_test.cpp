// The editor settings applied to a code editor and the autosave timer.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "editor/modCodeSense.h"
#include "platform/controls/code_editor.h"
#include "platform/ui/timer.h"
#include "preferences_fixture.h"

namespace {

using platform::controls::CodeEditor;
using platform::controls::CodeEditorFont;
namespace modCodeSense = kestrin::editor::modCodeSense;

class EditorSettingsTest : public prefs_test::EditorFolderTest {
 protected:
  // An editor and a timer set against every value the settings give, so
  // that each step shows.
  void SetUp() override {
    EditorFolderTest::SetUp();
    editor.setLanguage("Other");
    editor.setHScrollBar(false);
    editor.setColorSyntax(false);
    editor.setLineNumbering(true);
    editor.setDisplayLeftMargin(false);
    editor.setDisplayWhitespace(true);
    editor.setEnableDragDrop(false);
    editor.setLineNumberStart(0);
    for (int32_t element = 0; element < 32; ++element) editor.setFontStyle(element, 3);
    for (int32_t index = 0; index < 32; ++index) editor.setColor(index, 0x123456);
    editor.setVScrollBar(false);
    editor.setSmoothScrolling(false);
    editor.setAutoIndentMode(7);
    editor.setOvertypeCaret(false);
    editor.setHighlightBraces(false);
    editor.setExpandTabs(false);
    editor.setSelBounds(false);
    editor.setFont(CodeEditorFont{"Serif", 31, true, true, true, true});
    timer.setInterval(65535);
    timer.setEnabled(true);
  }

  CodeEditor editor;
  platform::ui::Timer timer{"tmrAutoSave"};
};

TEST_F(EditorSettingsTest, DefaultPreferencesGiveTheWorkingState) {
  modCodeSense::g_SetProperties(editor, &timer);
  EXPECT_EQ(editor.language(), "Kestrin");
  EXPECT_FALSE(editor.lineNumbering());
  EXPECT_TRUE(editor.displayLeftMargin());
  EXPECT_FALSE(editor.displayWhitespace());
  EXPECT_EQ(editor.autoIndentMode(), 0);
  EXPECT_TRUE(editor.expandTabs());
  EXPECT_TRUE(editor.selBounds());
  EXPECT_EQ(editor.font(), (CodeEditorFont{"Courier New", 10, false, false, false, false}));
  EXPECT_FALSE(timer.timerEnabled());
  // The fixed options.
  EXPECT_TRUE(editor.hScrollBar());
  EXPECT_TRUE(editor.colorSyntax());
  EXPECT_TRUE(editor.enableDragDrop());
  EXPECT_EQ(editor.lineNumberStart(), 1);
  EXPECT_TRUE(editor.vScrollBar());
  EXPECT_TRUE(editor.smoothScrolling());
  EXPECT_TRUE(editor.overtypeCaret());
  EXPECT_TRUE(editor.highlightBraces());
  // Reading the defaults stores nothing.
  EXPECT_EQ(stored("AutoSaveMinutes"), "<absent>");
}

TEST_F(EditorSettingsTest, ColoursAndFontStylesGoToTheirIndexes) {
  modCodeSense::g_SetProperties(editor, &timer);
  const std::vector<std::pair<int32_t, int32_t>> colours = {
      {27, 0x808080}, {1, 0x808080},  {8, 0xFF0000},  {10, 0x0000FF}, {16, 0x0C5490},
      {20, 0x808080}, {22, 0x808080}, {26, 0xFFFFFF}, {2, 0xFFFF00},
  };
  for (const auto& [index, colour] : colours) EXPECT_EQ(editor.color(index), colour) << index;
  for (int32_t index : {0, 3, 4, 5, 6, 12, 14, 18})
    EXPECT_EQ(editor.color(index), 0x123456) << index << " is left as it was";
  for (int32_t element = 0; element < 32; ++element) {
    const bool reset = element == 5 || element == 2 || element == 3 || element == 6 || element == 8 || element == 9;
    EXPECT_EQ(editor.fontStyle(element), reset ? 0 : 3) << element;
  }
}

TEST_F(EditorSettingsTest, StoredPreferencesReachTheEditor) {
  store("LineNumbering", "1");
  store("ShowMargin", "0");
  store("DisplayWhitespace", "-1");
  store("ExpandTabs", "0");
  store("CursorAtEOL", "0");
  store("Font", "DejaVu Sans Mono");
  store("FontSize", "14");
  modCodeSense::g_SetProperties(editor, &timer);
  EXPECT_TRUE(editor.lineNumbering());
  EXPECT_FALSE(editor.displayLeftMargin());
  EXPECT_TRUE(editor.displayWhitespace());
  EXPECT_FALSE(editor.expandTabs());
  EXPECT_FALSE(editor.selBounds());
  EXPECT_EQ(editor.font(), (CodeEditorFont{"DejaVu Sans Mono", 14, false, false, false, false}));
}

TEST_F(EditorSettingsTest, IndentPassesTheStoredIntegerItself) {
  for (const auto& [text, mode] : std::vector<std::pair<std::string, int32_t>>{{"1", 1}, {"2", 2}, {"0", 0}}) {
    store("Indent", text);
    modCodeSense::g_SetProperties(editor, &timer);
    EXPECT_EQ(editor.autoIndentMode(), mode) << text;
  }
}

TEST_F(EditorSettingsTest, TheTimerIsOffOnlyForExactlyZero) {
  const std::vector<std::pair<std::string, bool>> cases = {
      {"0", false}, {"5", true}, {"00", true}, {" 0", true}, {"0.0", true}, {"", true},
  };
  for (const auto& [minutes, on] : cases) {
    SCOPED_TRACE("\"" + minutes + "\"");
    store("AutoSaveMinutes", minutes);
    timer.setEnabled(!on);
    modCodeSense::g_SetProperties(editor, &timer);
    EXPECT_EQ(timer.timerEnabled(), on);
  }
}

TEST_F(EditorSettingsTest, APreferenceThatDoesNotConvertSkipsOnlyItsOwnStep) {
  store("LineNumbering", "yes");
  store("FontSize", "big");
  store("Indent", "1");
  store("AutoSaveMinutes", "5");
  timer.setEnabled(false);
  modCodeSense::g_SetProperties(editor, &timer);
  EXPECT_TRUE(editor.lineNumbering()) << "left as it was";
  EXPECT_EQ(editor.font(), (CodeEditorFont{"Courier New", 31, false, false, false, false}));
  EXPECT_EQ(editor.autoIndentMode(), 1);
  EXPECT_TRUE(timer.timerEnabled());
}

TEST_F(EditorSettingsTest, WithoutATimerEverythingElseIsStillApplied) {
  store("AutoSaveMinutes", "5");
  modCodeSense::g_SetProperties(editor, nullptr);
  EXPECT_EQ(editor.language(), "Kestrin");
  EXPECT_EQ(editor.font().name, "Courier New");
}

}  // namespace
