// The main window's editing and bookmark commands, each reached through its
// tool: the read-only guard and the modified mark, comment and uncomment,
// the clipboard, the date, insert file and the bookmarks.
#include <gtest/gtest.h>

#include <ostream>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "common/case_name.h"
#include "diagnostics/error_handler.h"
#include "editor/frmMain.h"
#include "editor_fixture.h"
#include "platform/controls/code_editor.h"
#include "platform/controls/toolbar.h"
#include "platform/ui/clipboard.h"

namespace editor_test {
namespace {

using kestrin::editor::frmMain;
using platform::controls::CodeRange;
namespace clipboard = platform::ui::clipboard;

class EditingTest : public MainWindowTest {
 protected:
  // A script of this text loaded from its file, unmarked.
  void loadScript(const std::string& text) {
    path = editorFile("VB/edit.vbs");
    kestrin_test::writeFile(path, text);
    main->FileToView(path);
    ASSERT_EQ(main->tag(), path);
  }
  void tool(const std::string& id) {
    platform::controls::Tool clicked;
    clicked.id = id;
    main->SSActiveToolBars1_ToolClick(clicked);
  }
  // 0-based lines and columns, as the editor counts.
  void select(int32_t line, int32_t column, int32_t line2, int32_t column2) {
    main->CodeSense1->setSel(CodeRange{line, column, line2, column2}, false);
  }
  std::string text() const { return main->CodeSense1->text(); }
  const auto& callStack() const { return kestrin::diagnostics::errorHandler()->callStack(); }
  std::string path;
};

// ---- The read-only guard ----------------------------------------------------------------

TEST_F(EditingTest, EveryCommandThatChangesTheTextDoesNothingOnAReadOnlyScript) {
  for (const char* id : {"id_EditUndo", "id_EditRedo", "ID_EditCut", "ID_EditPaste", "id_EditReplace", "ID_Date/Time",
                         "ID_CommentAdd", "ID_CommentRemove", "ID_InsertFile"}) {
    loadScript("'a = 1\r\n'b = 2\r\n");
    // Something to undo and to redo, and something to paste.
    main->CodeSense1->setSelText("x");
    main->CodeSense1->undo();
    main->CodeSense1->redo();
    main->CodeSense1->undo();
    main->setTag(path);
    main->setIsDirty(false);
    clipboard::SetText("pasted");
    select(0, 0, 1, 4);
    main->CodeSense1->setReadOnly(true);

    // Replace and insert file ask nobody: a prompt would fail the test.
    tool(id);
    EXPECT_EQ(text(), "'a = 1\r\n'b = 2\r\n") << id;
    EXPECT_EQ(main->tag(), path) << id;
    EXPECT_FALSE(main->IsDirty()) << id;
    EXPECT_EQ(clipboard::GetText(), "pasted") << id;
    EXPECT_TRUE(callStack().empty()) << id;
    main->CodeSense1->setReadOnly(false);
  }
}

TEST_F(EditingTest, CopySelectionsBookmarksTheNameAndDeleteStillRunOnAReadOnlyScript) {
  loadScript("a = 1\r\nb = 2\r\n");
  main->CodeSense1->setReadOnly(true);
  select(0, 0, 0, 1);
  tool("ID_EditCopy");
  EXPECT_EQ(clipboard::GetText(), "a");

  tool("ID_CopyFilePath/Name");
  EXPECT_EQ(clipboard::GetText(), path);

  tool("id_EditSelectAll");
  EXPECT_EQ(main->CodeSense1->selText(), "a = 1\r\nb = 2\r\n");

  main->CodeSense1->setCaretPos(1, 0);
  tool("id_BookmarksBookmarkOn/Off");
  EXPECT_EQ(main->CodeSense1->getBookmarks(), std::vector<int32_t>{1});

  // The editor itself refuses the deletion.
  select(0, 0, 0, 5);
  tool("id_EditDelete");
  EXPECT_EQ(text(), "a = 1\r\nb = 2\r\n");
  EXPECT_EQ(main->tag(), path);
}

// ---- The modified mark --------------------------------------------------------------------

TEST_F(EditingTest, UndoWithNothingToUndoStillMarksTheScriptModified) {
  loadScript("a = 1\r\n");
  ASSERT_FALSE(main->CodeSense1->canUndo());
  tool("id_EditUndo");
  EXPECT_EQ(text(), "a = 1\r\n");
  EXPECT_EQ(main->tag(), path + "*");
  EXPECT_TRUE(main->IsDirty());
}

TEST_F(EditingTest, SearchSelectAndMoveCommandsLeaveTheScriptUnmarkedAndRedoMarks) {
  loadScript("b = 1\r\nc = b\r\nd = b\r\n");
  const auto selection = [&] { return main->CodeSense1->getSel(true); };
  main->CodeSense1->setCaretPos(0, 1);
  user->answerFind(std::string("b"));
  tool("ID_EditFind");
  EXPECT_EQ(main->CodeSense1->selText(), "b");
  EXPECT_EQ(selection().startLine, 1);
  // Find next asks nobody: it looks for the text found last.
  tool("id_EditFindNext");
  EXPECT_EQ(main->CodeSense1->selText(), "b");
  EXPECT_EQ(selection().startLine, 2);
  tool("id_EditSelectCurrentLine");
  EXPECT_EQ(main->CodeSense1->selText(), "d = b\r\n");
  user->answerGotoLine(2);
  tool("id_EditGoToLine");
  EXPECT_EQ(selection().endLine, 1);
  tool("id_EditSelectAll");
  EXPECT_EQ(main->CodeSense1->selText(), "b = 1\r\nc = b\r\nd = b\r\n");
  EXPECT_EQ(main->tag(), path);
  EXPECT_FALSE(main->IsDirty());

  main->CodeSense1->setCaretPos(0, 0);
  main->CodeSense1->setSelText("x");
  main->CodeSense1->undo();
  main->setTag(path);
  main->setIsDirty(false);
  tool("id_EditRedo");
  EXPECT_EQ(text(), "xb = 1\r\nc = b\r\nd = b\r\n");
  EXPECT_EQ(main->tag(), path + "*");
  EXPECT_TRUE(main->IsDirty());
}

TEST_F(EditingTest, CopyMarksNothingAndCutTakesTheSelectionAndMarks) {
  loadScript("alpha beta\r\n");
  select(0, 6, 0, 10);
  tool("ID_EditCopy");
  EXPECT_EQ(clipboard::GetText(), "beta");
  EXPECT_EQ(main->tag(), path);

  select(0, 0, 0, 6);
  tool("ID_EditCut");
  EXPECT_EQ(clipboard::GetText(), "alpha ");
  EXPECT_EQ(text(), "beta\r\n");
  EXPECT_EQ(main->tag(), path + "*");
}

TEST_F(EditingTest, CopyFilePathGivesTheWholeNameWithItsMark) {
  loadScript("a = 1\r\n");
  main->CodeSense1->userTypes("x");
  ASSERT_EQ(main->tag(), path + "*");
  tool("ID_CopyFilePath/Name");
  EXPECT_EQ(clipboard::GetText(), path + "*");
}

TEST_F(EditingTest, DateAndTimeGoOnANewLineInTheGeneralDateForm) {
  loadScript("x = 1");
  main->CodeSense1->setCaretPos(0, 5);
  tool("ID_Date/Time");
  // The fixture's clock stands at 15 January 2024, 09:30.
  EXPECT_EQ(text(), "x = 1\r\n15/01/2024 09:30:00");
  EXPECT_EQ(main->tag(), path + "*");
}

// ---- Comments ------------------------------------------------------------------------------

struct CommentCase {
  const char* name;
  const char* before;
  CodeRange selection;
  const char* after;
};
void PrintTo(const CommentCase& c, std::ostream* os) { *os << c.name; }

class CommentAddTest : public EditingTest, public ::testing::WithParamInterface<CommentCase> {};

TEST_P(CommentAddTest, CommentsEveryLineOfTheRangeAndSelectsItsNumbersAgain) {
  const CommentCase& c = GetParam();
  loadScript(c.before);
  main->CodeSense1->setSel(c.selection, false);
  const size_t before = traceLines().size();
  tool("ID_CommentAdd");
  EXPECT_EQ(text(), c.after);
  EXPECT_EQ(main->CodeSense1->getSel(true), c.selection);
  EXPECT_EQ(main->tag(), path + "*");
  const auto lines = traceLines();
  EXPECT_TRUE(balanced({lines.begin() + static_cast<std::ptrdiff_t>(before), lines.end()}));
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Entered routine: frmMain::m_CommentAdd(Sub)"), lines.end());
}

INSTANTIATE_TEST_SUITE_P(Ranges, CommentAddTest,
                         ::testing::Values(
                             // From the middle of line 3 to the start of line 5: line 5 too.
                             CommentCase{"EndAtFirstColumn", "1\r\n2\r\nthree\r\nfour\r\nfive\r\nsix\r\n",
                                         CodeRange{2, 2, 4, 0}, "1\r\n2\r\n'three\r\n'four\r\n'five\r\nsix\r\n"},
                             CommentCase{"CaretOnly", "a\r\nb = 2\r\nc\r\n", CodeRange{1, 3, 1, 3},
                                         "a\r\n'b = 2\r\nc\r\n"},
                             CommentCase{"AlreadyComments", "'a\r\n  b\r\n", CodeRange{0, 0, 1, 3}, "''a\r\n'  b\r\n"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct UncommentCase {
  const char* name;
  const char* before;
  CodeRange selection;
  const char* after;
};
void PrintTo(const UncommentCase& c, std::ostream* os) { *os << c.name; }

class CommentClearTest : public EditingTest, public ::testing::WithParamInterface<UncommentCase> {};

TEST_P(CommentClearTest, RemovesOneApostropheAtEachLineStartOfTheSelection) {
  const UncommentCase& c = GetParam();
  loadScript(c.before);
  main->CodeSense1->setSel(c.selection, false);
  tool("ID_CommentRemove");
  EXPECT_EQ(text(), c.after);
  EXPECT_EQ(main->tag(), path + "*");
  EXPECT_TRUE(callStack().empty());
}

INSTANTIATE_TEST_SUITE_P(Selections, CommentClearTest,
                         ::testing::Values(
                             // One apostrophe per line start; after blanks it stays; of two the
                             // first goes; the line after the selection is not touched.
                             UncommentCase{"CrLfLines", "'a\r\n  'b\r\n''c\r\nd\r\n'e\r\n", CodeRange{0, 0, 3, 1},
                                           "a\r\n  'b\r\n'c\r\nd\r\n'e\r\n"},
                             // A selection that starts after the first line's apostrophe.
                             UncommentCase{"StartsAfterTheApostrophe", "'x = 1\r\n'y = 2\r\n", CodeRange{0, 1, 1, 6},
                                           "'x = 1\r\ny = 2\r\n"}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Insert file ---------------------------------------------------------------------------

TEST_F(EditingTest, InsertFileAppendsTheChosenScriptAfterTwoNewLines) {
  const std::string part = editorFile("VB/part.vbs");
  kestrin_test::writeFile(part, "Sub Part\r\nEnd Sub");
  loadScript("a = 1");
  main->CodeSense1->setCaretPos(0, 0);
  user->answerFileDialog(part, "Select Kestrin VB Script");
  tool("ID_InsertFile");
  EXPECT_EQ(text(), "a = 1\r\n\r\nSub Part\r\nEnd Sub");
  EXPECT_EQ(main->tag(), path + "*");
  ASSERT_TRUE(user->lastFileDialog().has_value());
  EXPECT_FALSE(user->lastFileDialog()->save);
  EXPECT_EQ(user->lastFileDialog()->initDir, editorFile("VB"));
  EXPECT_EQ(user->lastFileDialog()->filter, "Kestrin VB Script (*.vbs)|*.vbs");
  EXPECT_TRUE(callStack().empty());
  EXPECT_TRUE(balanced(traceLines()));
}

TEST_F(EditingTest, InsertFileCancelledInsertsNothingButHasMarkedTheScript) {
  loadScript("a = 1");
  user->answerFileDialog(std::nullopt);
  tool("ID_InsertFile");
  EXPECT_EQ(text(), "a = 1");
  EXPECT_EQ(main->tag(), path + "*");
  EXPECT_TRUE(main->IsDirty());
  EXPECT_TRUE(callStack().empty());
  // The cancel is no failure of the dispatch: nothing was reported.
  EXPECT_FALSE(user->lastMessageBox().has_value());
}

TEST_F(EditingTest, InsertFileOnAReadOnlyScriptPushesAndPopsItsEntry) {
  loadScript("a = 1");
  main->CodeSense1->setReadOnly(true);
  const size_t before = traceLines().size();
  tool("ID_InsertFile");
  const auto lines = traceLines();
  const std::vector<std::string> since(lines.begin() + static_cast<std::ptrdiff_t>(before), lines.end());
  const std::vector<std::string> inner(since.begin() + 1, since.end() - 1);
  EXPECT_EQ(inner, (std::vector<std::string>{"Entered routine: frmMain::m_InsertFile(Sub)",
                                             "Exited routine: frmMain::m_InsertFile(Sub)"}));
  EXPECT_TRUE(callStack().empty());
}

// ---- Bookmarks ---------------------------------------------------------------------------

TEST_F(EditingTest, BookmarkCommandsBringTheMarginBackAndMoveBetweenTheMarks) {
  loadScript("0\r\n1\r\n2\r\n3\r\n4\r\n5\r\n");
  const auto caretLine = [&] { return main->CodeSense1->getSel(true).endLine; };
  main->CodeSense1->setDisplayLeftMargin(false);
  main->CodeSense1->setCaretPos(1, 0);
  tool("id_BookmarksBookmarkOn/Off");
  EXPECT_TRUE(main->CodeSense1->displayLeftMargin());
  main->CodeSense1->setCaretPos(4, 0);
  tool("id_BookmarksBookmarkOn/Off");
  main->CodeSense1->setCaretPos(2, 0);
  tool("id_BookmarksBookmarkOn/Off");
  tool("id_BookmarksBookmarkOn/Off");  // off again
  EXPECT_EQ(main->CodeSense1->getBookmarks(), (std::vector<int32_t>{1, 4}));

  main->CodeSense1->setCaretPos(0, 0);
  tool("id_BookmarksGotoNextBookmark");
  EXPECT_EQ(caretLine(), 1);
  tool("id_BookmarksGotoNextBookmark");
  EXPECT_EQ(caretLine(), 4);
  tool("id_BookmarksGotoPreviousBookmark");
  EXPECT_EQ(caretLine(), 1);
  tool("id_BookmarksJumptoLastBookmark");
  EXPECT_EQ(caretLine(), 4);
  tool("id_BookmarksJumptoFirstBookmark");
  EXPECT_EQ(caretLine(), 1);

  main->CodeSense1->setDisplayLeftMargin(false);
  tool("id_BookmarksClearAllBookmarks");
  EXPECT_TRUE(main->CodeSense1->getBookmarks().empty());
  EXPECT_TRUE(main->CodeSense1->displayLeftMargin());
  // Bookmarks are no change of the text.
  EXPECT_EQ(main->tag(), path);
}

}  // namespace
}  // namespace editor_test
