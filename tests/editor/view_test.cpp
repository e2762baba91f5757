// The main window's view of the editor: the "CURSOR" and "SIZE" panels, the
// highlighted line, the editor control's events, the window's key events
// and the task pane.
#include <gtest/gtest.h>

#include <ostream>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "common/case_name.h"
#include "diagnostics/error_handler.h"
#include "editor/CPreferences.h"
#include "editor/frmMain.h"
#include "editor/modGlobals.h"
#include "editor/modMain.h"
#include "editor_fixture.h"
#include "platform/controls/status_bar.h"
#include "platform/runtime/errors.h"
#include "platform/ui/user.h"

namespace editor_test {
namespace {

using kestrin::editor::frmMain;
namespace modGlobals = kestrin::editor::modGlobals;
namespace modMain = kestrin::editor::modMain;

class ViewTest : public MainWindowTest {
 protected:
  // Loads a script of this text as a file, as every open does.
  void loadScript(const std::string& text) {
    const std::string path = editorFile("VB/view.vbs");
    kestrin_test::writeFile(path, text);
    main->FileToView(path);
  }
  std::string panel(const char* key) const { return main->StatusBar1->panel(key).text(); }
  bool key(const std::string& name) {
    platform::ui::Action action;
    action.kind = platform::ui::Action::Kind::Key;
    action.text = name;
    return main->dispatch(action);
  }
};

TEST_F(ViewTest, AClickOnTheTwelfthLineShowsLineAndColumnCountedFromOne) {
  std::string text;
  for (int i = 1; i <= 15; ++i) text += "line " + std::to_string(i) + "\r\n";
  loadScript(text);
  main->m_bListOpen = true;
  main->CodeSense1->userClicks(12, 5);
  EXPECT_EQ(panel("CURSOR"), "  Line 12, Col 5");
  EXPECT_EQ(main->m_lCursorCol, 4);
  EXPECT_FALSE(main->m_bListOpen);
}

TEST_F(ViewTest, TheFocusShowsTheCaretAtTheStartAsLineOneColumnOne) {
  loadScript("Dim a\r\n");
  main->CodeSense1->focusReceived();
  EXPECT_EQ(panel("CURSOR"), "  Line 1, Col 1");
}

struct SizeCase {
  int length;
  const char* expect;
};
void PrintTo(const SizeCase& c, std::ostream* os) { *os << "length " << c.length; }

class SizePanelTest : public ViewTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(SizePanelTest, ShowsTheLengthReadAtTheLoad) {
  loadScript(std::string(static_cast<size_t>(GetParam().length), 'x'));
  ASSERT_EQ(main->m_lTextLength, GetParam().length);
  main->m_GetRange(false);
  EXPECT_EQ(panel("SIZE"), GetParam().expect);
  // Typing does not change the length that the panel shows.
  main->CodeSense1->userTypes("abc");
  main->m_GetRange(true);
  EXPECT_EQ(panel("SIZE"), GetParam().expect);
}

INSTANTIATE_TEST_SUITE_P(Lengths, SizePanelTest,
                         ::testing::Values(SizeCase{0, "File Size: 0 bytes"}, SizeCase{1, "File Size: 0kb"},
                                           SizeCase{499, "File Size: 0kb"}, SizeCase{500, "File Size: 0kb"},
                                           SizeCase{1500, "File Size: 2kb"}, SizeCase{2500, "File Size: 2kb"},
                                           SizeCase{12345, "File Size: 12kb"}),
                         kestrin_test::PrintedName());

TEST_F(ViewTest, APanelThatIsMissingEndsTheRangeAndLeavesItsEntryOnTheCallStack) {
  loadScript("Dim a\r\n");
  // A status bar without the "CURSOR" panel.
  main->StatusBar1 = std::make_shared<platform::controls::StatusBar>("StatusBar1");
  main->StatusBar1->add("MAIN");
  main->m_bListOpen = true;
  main->CodeSense1->userClicks(1, 2);
  ASSERT_TRUE(main->CodeSense1->lastEventError().has_value());
  EXPECT_EQ(main->CodeSense1->lastEventError()->number(), 35601);
  const auto& stack = kestrin::diagnostics::errorHandler()->callStack();
  ASSERT_FALSE(stack.empty());
  EXPECT_EQ(stack.back().procedure, "frmMain::m_GetRange(Sub)");
  // The failure ended it before the completion state was touched.
  EXPECT_TRUE(main->m_bListOpen);
}

TEST_F(ViewTest, TheHighlightedLineFollowsTheCaretOnlyWhenThePreferenceIsOne) {
  loadScript("a\r\nb\r\nc\r\nd\r\n");
  main->CodeSense1->setHighlightedLine(-1);
  kestrin::editor::CPreferences().setHighLightLine(0);
  main->CodeSense1->userCaret(3, 1);
  EXPECT_EQ(main->CodeSense1->highlightedLine(), -1);

  kestrin::editor::CPreferences().setHighLightLine(1);
  main->CodeSense1->userCaret(4, 1);
  EXPECT_EQ(main->CodeSense1->highlightedLine(), 3);
}

// A new text puts the caret on the first line: the highlight goes with it,
// after File, New as after loading another script.
TEST_F(ViewTest, TheHighlightedLineFollowsTheCaretToTheStartOfANewText) {
  kestrin::editor::CPreferences().setHighLightLine(1);
  loadScript("a\r\nb\r\nc\r\n");
  main->CodeSense1->userCaret(2, 1);
  ASSERT_EQ(main->CodeSense1->highlightedLine(), 1);
  ASSERT_TRUE(main->SSActiveToolBars1->clickTool("ID_FileNew"));
  EXPECT_EQ(main->CodeSense1->getSel(true).endLine, 0);
  EXPECT_EQ(main->CodeSense1->highlightedLine(), 0);

  main->CodeSense1->setText("x\r\ny\r\nz");
  main->CodeSense1->userCaret(3, 1);
  ASSERT_EQ(main->CodeSense1->highlightedLine(), 2);
  loadScript("d\r\ne\r\n");
  EXPECT_EQ(main->CodeSense1->highlightedLine(), 0);
}

TEST_F(ViewTest, WhileTheListIsOpenTheCaretUpdatesThePanelsOnlyWithNoWordInFrontOfIt) {
  loadScript("Dim total = 1\r\n");
  main->StatusBar1->panel("CURSOR").setText("");
  main->m_bListOpen = true;
  main->CodeSense1->userCaret(1, 10);  // after "Dim total"
  EXPECT_EQ(panel("CURSOR"), "");
  EXPECT_TRUE(main->m_bListOpen);

  main->CodeSense1->userCaret(1, 11);  // after the blank
  EXPECT_EQ(panel("CURSOR"), "  Line 1, Col 11");
  EXPECT_FALSE(main->m_bListOpen);

  // With the list closed the caret alone does not update them.
  main->CodeSense1->userCaret(1, 12);
  EXPECT_EQ(panel("CURSOR"), "  Line 1, Col 11");
}

TEST_F(ViewTest, TypingMarksTheScriptOnceAndAKeyOfTheWindowMarksItToo) {
  loadScript("Dim a\r\n");
  const std::string path = main->tag();
  main->CodeSense1->userTypes("xyz");
  EXPECT_EQ(main->tag(), path + "*");
  EXPECT_TRUE(main->IsDirty());

  // A key that changes no text still runs the window's key events.
  main->FileToView(path);
  main->setIsDirty(false);
  main->moveFocus(main->CodeSense1.get());
  EXPECT_TRUE(key("Right"));
  EXPECT_EQ(main->tag(), path + "*");
  EXPECT_TRUE(main->IsDirty());
}

TEST_F(ViewTest, AKeystrokeOnAReadOnlyScriptAddsNoMark) {
  main->CodeSense1->setReadOnly(true);
  loadScript("Dim a\r\n");
  const std::string path = main->tag();
  main->moveFocus(main->CodeSense1.get());
  key("a");
  key("Right");
  main->CodeSense1->userTypes("b");
  main->CodeSense1_TextChange();
  EXPECT_EQ(main->tag(), path);
  EXPECT_EQ(panel("MAIN"), path + " *** READ ONLY ***");
  EXPECT_FALSE(main->IsDirty());
  EXPECT_EQ(main->CodeSense1->text(), "Dim a\r\n");
}

TEST_F(ViewTest, TheRightClickShowsTheEditMenuAndRunsThePickedTool) {
  loadScript("Dim a\r\n");
  main->CodeSense1->setReadOnly(true);
  user->answerPopupMenu(std::string("ID_EditCopy"), "ID_Edit");
  EXPECT_TRUE(main->CodeSense1->userRightClicks());
  ASSERT_TRUE(user->lastPopup().has_value());
  EXPECT_EQ(user->lastPopup()->popupId, "ID_Edit");
  // The popup's tools include the nested "Quick Code" items.
  const auto& ids = user->lastPopup()->toolIds;
  EXPECT_NE(std::find(ids.begin(), ids.end(), "id_EditUndo"), ids.end());
  EXPECT_NE(std::find(ids.begin(), ids.end(), "ID_If...EndIf"), ids.end());
  // The pick ran as a tool click through the dispatcher.
  const auto lines = traceLines();
  EXPECT_NE(
      std::find(lines.begin(), lines.end(), "Entered routine: frmMain::SSActiveToolBars1_ToolClick [tool] ID_EditCopy"),
      lines.end());
  EXPECT_TRUE(balanced(lines));
}

// ---- The task pane ------------------------------------------------------------------

TEST_F(ViewTest, TheWindowStartsWithTheTaskPaneCollapsed) {
  EXPECT_FALSE(modGlobals::g_blnTaskPaneShown);
  EXPECT_EQ(main->SSSplitter1->pane(1).size(), 0.0f);
  // The load step collapsed it once, with live resizing off meanwhile.
  EXPECT_EQ(main->SSSplitter1->pane(1).quietSizeChanges(), 1);
  EXPECT_TRUE(main->SSSplitter1->pane(1).liveResize());
}

TEST_F(ViewTest, ShowTasksOpensThePaneInTwentyOneStepsOnceAndHideTasksClosesItOnce) {
  auto& pane = main->SSSplitter1->pane(1);
  // The load step's collapse is one change of its own.
  const int32_t start = pane.quietSizeChanges();
  ASSERT_TRUE(main->SSActiveToolBars1->clickTool("ID_ShowTasks"));
  EXPECT_TRUE(modGlobals::g_blnTaskPaneShown);
  EXPECT_EQ(pane.size(), 2000.0f);
  EXPECT_EQ(pane.quietSizeChanges(), start + 21);
  EXPECT_TRUE(pane.liveResize());
  // The steps are 0, 100, ... 2000, each set while live resizing is off.
  std::vector<float> steps;
  for (int size = 0; size <= 2000; size += 100) steps.push_back(static_cast<float>(size));
  const auto& sizes = pane.quietSizes();
  ASSERT_EQ(sizes.size(), static_cast<size_t>(start) + 21);
  EXPECT_EQ(std::vector<float>(sizes.begin() + start, sizes.end()), steps);

  // The second does nothing.
  pane.setSize(1234.0f);
  ASSERT_TRUE(main->SSActiveToolBars1->clickTool("ID_ShowTasks"));
  EXPECT_EQ(pane.size(), 1234.0f);
  EXPECT_EQ(pane.quietSizeChanges(), start + 21);

  ASSERT_TRUE(main->SSActiveToolBars1->clickTool("ID_HideTasks"));
  EXPECT_FALSE(modGlobals::g_blnTaskPaneShown);
  EXPECT_EQ(pane.size(), 0.0f);
  EXPECT_EQ(pane.quietSizeChanges(), start + 22);
  EXPECT_TRUE(pane.liveResize());

  // Hiding a hidden pane does nothing.
  pane.setSize(50.0f);
  ASSERT_TRUE(main->SSActiveToolBars1->clickTool("ID_HideTasks"));
  EXPECT_EQ(pane.size(), 50.0f);
  EXPECT_EQ(pane.quietSizeChanges(), start + 22);
}

TEST_F(ViewTest, TheTaskPaneProceduresWithoutAPaneSkipEveryStepButStillSwitchTheFlag) {
  modMain::g_ShowTasks(nullptr);
  EXPECT_TRUE(modGlobals::g_blnTaskPaneShown);
  modMain::g_HideTasks(nullptr);
  EXPECT_FALSE(modGlobals::g_blnTaskPaneShown);
}

}  // namespace
}  // namespace editor_test
