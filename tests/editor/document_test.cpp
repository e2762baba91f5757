// The document's identity: loading a script names it, a save names it and
// arms the mark's reset, the dirty marker's rules.
#include <gtest/gtest.h>

#include <ostream>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "common/case_name.h"
#include "common/raised.h"
#include "editor/CMainFrontEnd.h"
#include "editor/frmMain.h"
#include "editor/modGlobals.h"
#include "editor/modMain.h"
#include "editor_fixture.h"
#include "platform/runtime/errors.h"

namespace editor_test {
namespace {

using kestrin::editor::CMainFrontEnd;
using kestrin::editor::frmMain;
namespace modMain = kestrin::editor::modMain;
namespace modGlobals = kestrin::editor::modGlobals;

const char* const kScript = "Sub Main()\r\n    MsgBox \"hi\"\r\nEnd Sub\r\n";

TEST_F(EditorTest, RunEditorWithAFileLoadsItAndNamesTheDocument) {
  const std::string path = editorDir.file("VB/cut.vbs");
  kestrin_test::writeFile(path, kScript);
  std::string tag, panel, current, text, dirty;
  int32_t length = -1, reported = -2;
  duringWait([&] {
    frmMain& w = window();
    tag = w.tag();
    panel = mainPanel();
    current = w.CurrentFileName();
    text = w.CodeSense1->text();
    dirty = w.property("IsDirty");
    length = w.m_lTextLength;
    reported = w.CodeSense1->textLength();
  });
  std::string arg = path;
  auto front = CMainFrontEnd::create();
  EXPECT_NE(front->RunEditor(arg), 0);

  EXPECT_EQ(tag, path);
  EXPECT_EQ(panel, path);
  EXPECT_EQ(current, path);
  EXPECT_EQ(text, kScript);
  EXPECT_EQ(dirty, "False");
  EXPECT_EQ(length, reported);
  EXPECT_GT(length, 0);
  EXPECT_EQ(arg, path);
  const auto lines = traceLines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Entered routine: frmMain::FileToView(Function) File:= " + path),
            lines.end());
  EXPECT_TRUE(balanced(lines));
}

class DocumentTest : public MainWindowTest {
 protected:
  std::string panel() const { return main->StatusBar1->panel("MAIN").text(); }
};

TEST_F(DocumentTest, AReadOnlyEditorShowsTheMarkInThePanelButNotInTheName) {
  const std::string path = editorDir.file("locked.vbs");
  kestrin_test::writeFile(path, kScript);
  main->CodeSense1->setReadOnly(true);
  main->setIsDirty(true);
  main->FileToView(path);
  EXPECT_EQ(panel(), path + " *** READ ONLY ***");
  EXPECT_EQ(main->tag(), path);
  EXPECT_EQ(main->CodeSense1->text(), kScript);
  // The load leaves the modified flag alone and the read-only state too.
  EXPECT_TRUE(main->IsDirty());
  EXPECT_TRUE(main->CodeSense1->readOnly());
}

// Never an empty or old text under the name of a file that was not read.
TEST_F(DocumentTest, AFileThatCannotBeOpenedLeavesTheDocumentAsItWas) {
  main->CodeSense1->setText("kept text");
  main->setTag("before.vbs");
  const std::string path = editorDir.file("missing.vbs");
  main->FileToView(path);
  EXPECT_EQ(main->tag(), "before.vbs");
  EXPECT_EQ(main->CurrentFileName(), "");
  EXPECT_EQ(main->CodeSense1->text(), "kept text");
}

TEST_F(DocumentTest, TheEmptyPathEmptiesTheViewAndNamesTheDocumentWithIt) {
  main->CodeSense1->setText("old text");
  main->FileToView("");
  EXPECT_EQ(main->tag(), "");
  EXPECT_EQ(main->CodeSense1->text(), "");
  EXPECT_EQ(main->m_lTextLength, 0);
}

struct MarkCase {
  const char* name;
  const char* tag;
  bool skip;  // g_blnSkipDirtyMark before the runs
  bool readOnly;
  int runs;
  const char* expectTag;
  bool expectDirty;
};
void PrintTo(const MarkCase& c, std::ostream* os) { *os << c.name; }

class DirtyMark : public DocumentTest, public ::testing::WithParamInterface<MarkCase> {};

TEST_P(DirtyMark, FollowsItsRules) {
  const MarkCase& c = GetParam();
  main->setTag(c.tag);
  main->setIsDirty(false);
  main->StatusBar1->panel("MAIN").setText("before");
  main->CodeSense1->setReadOnly(c.readOnly);
  modGlobals::g_blnSkipDirtyMark = c.skip;
  for (int i = 0; i < c.runs; ++i) modMain::g_UpdateDirtyMark(*main);
  EXPECT_EQ(main->tag(), c.expectTag);
  EXPECT_EQ(main->IsDirty(), c.expectDirty);
  EXPECT_EQ(panel(), c.readOnly ? std::string("before") : std::string(c.expectTag));
  // Only a run that is not read-only uses up the reset.
  EXPECT_EQ(modGlobals::g_blnSkipDirtyMark, c.skip && c.readOnly);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DirtyMark,
    ::testing::Values(MarkCase{"ThreeRunsOneMark", "/s/a.vbs", false, false, 3, "/s/a.vbs*", true},
                      MarkCase{"Trimmed", "  /s/a.vbs  ", false, false, 1, "/s/a.vbs*", true},
                      MarkCase{"FirstRunAfterSaveClears", "/s/a.vbs*", true, false, 1, "/s/a.vbs", false},
                      MarkCase{"SecondRunAfterSaveMarks", "/s/a.vbs", true, false, 2, "/s/a.vbs*", true},
                      MarkCase{"EveryStarGoes", " a*b* ", true, false, 1, "ab", false},
                      MarkCase{"AStarInsideStaysWhenTheEndHasNone", "a*b", true, false, 1, "a*b", false},
                      MarkCase{"ReadOnlyChangesNothing", " /s/a.vbs", false, true, 2, " /s/a.vbs", false},
                      MarkCase{"ReadOnlyKeepsTheReset", "/s/a.vbs*", true, true, 1, "/s/a.vbs*", false}),
    [](const ::testing::TestParamInfo<MarkCase>& info) { return info.param.name; });

TEST_F(DocumentTest, ASaveWritesTheTextNamesTheDocumentAndArmsTheMarksReset) {
  const std::string path = editorDir.file("VB/saved.vbs");
  main->CodeSense1->setText("Call Main()");
  main->setTag("New Kestrin Script*");
  main->setIsDirty(true);
  modMain::g_SetCurrentScriptStatus(*main, path, true);
  EXPECT_EQ(kestrin_test::readFile(path), "Call Main()");
  EXPECT_EQ(main->tag(), path);
  EXPECT_EQ(panel(), path);
  EXPECT_FALSE(main->IsDirty());
  EXPECT_TRUE(modGlobals::g_blnSkipDirtyMark);
  modMain::g_UpdateDirtyMark(*main);
  EXPECT_EQ(main->tag(), path);
  modMain::g_UpdateDirtyMark(*main);
  EXPECT_EQ(main->tag(), path + "*");
}

TEST_F(DocumentTest, AFailedSaveRenamesNothing) {
  main->setTag("/s/a.vbs*");
  main->setIsDirty(true);
  main->StatusBar1->panel("MAIN").setText("/s/a.vbs*");
  EXPECT_EQ(kestrin_test::raisedNumber(
                [&] { modMain::g_SetCurrentScriptStatus(*main, editorDir.file("no/such/folder/x.vbs"), true); }),
            76);  // "Path not found"
  EXPECT_EQ(main->tag(), "/s/a.vbs*");
  EXPECT_EQ(panel(), "/s/a.vbs*");
  EXPECT_TRUE(main->IsDirty());
  EXPECT_FALSE(modGlobals::g_blnSkipDirtyMark);
}

TEST_F(DocumentTest, NamingWithoutASaveLeavesTheResetAlone) {
  main->setIsDirty(true);
  modMain::g_SetCurrentScriptStatus(*main, "New Kestrin Script", false);
  EXPECT_EQ(main->tag(), "New Kestrin Script");
  EXPECT_EQ(panel(), "New Kestrin Script");
  EXPECT_FALSE(main->IsDirty());
  EXPECT_FALSE(modGlobals::g_blnSkipDirtyMark);
}

TEST_F(DocumentTest, IsDirtyIsPublishedForReadingAndWriting) {
  main->setProperty("IsDirty", "True");
  EXPECT_TRUE(main->IsDirty());
  main->setIsDirty(false);
  EXPECT_EQ(main->property("IsDirty"), "False");
}

}  // namespace
}  // namespace editor_test
