// The tool dispatcher: the table's order and matching, the commands it runs
// itself, its trace and its trap with and without a diagnostics object.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "common/raised.h"
#include "diagnostics/error_handler.h"
#include "diagnostics/handling.h"
#include "editor/CPreferences.h"
#include "editor/frmMain.h"
#include "editor/modGlobals.h"
#include "editor_fixture.h"
#include "platform/controls/splitter.h"
#include "platform/controls/toolbar.h"
#include "platform/runtime/datetime.h"
#include "platform/runtime/errors.h"
#include "platform/runtime/strings.h"
#include "platform/scripting/file_system.h"
#include "platform/ui/msgbox.h"
#include "platform/win32/registry.h"

namespace editor_test {
namespace {

using kestrin::editor::frmMain;
namespace editor = kestrin::editor;
namespace mb = platform::ui::mb;

const std::string kNineBlanks(9, ' ');
const std::string kToolText = "frmMain::SSActiveToolBars1_ToolClick [tool] ";

platform::controls::Tool toolOf(const std::string& id) {
  platform::controls::Tool tool;
  tool.id = id;
  return tool;
}

// ---- The table ------------------------------------------------------------------------

struct MatchCase {
  const char* id;
  int32_t entry;  // 0: none
};

TEST(ToolDispatchTable, MatchesWithRegardToCaseInTheTablesOrder) {
  const MatchCase cases[] = {
      {"ID_CodeBank", 1},
      {"ID_ShowTasks", 5},
      {"ID_FileNew", 7},
      {"id_FilePrint", 13},
      {"ID_If...EndIf", 18},
      {"ID_MSExcel", 42},
      {"id_EditUndo", 43},
      {"ID_EditUndo", 0},
      {"Id_EditUndo", 0},
      {"id_editundo", 0},
      {"id_EditUndo ", 0},
      {"ID_EditPreferences", 55},
      {"ID_CopyFilePath/Name", 58},
      {"ID_ExecuteScript", 61},
      {"ID_EnableBackup", 66},
      {"ID_InsertClass", 68},
      {"id_BookmarksBookmarkOn/Off", 72},
      {"ID_About", 78},
      {"ID_KestrinForum", 82},
      {"ID_Support", 85},
      {"ID_QuickView", 0},
      {"ID_Edit", 0},
      {"", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(editor::toolDispatchIndex(c.id), c.entry) << c.id;

  ASSERT_EQ(editor::toolDispatchCount(), 85);
  std::set<std::string> ids;
  for (int32_t i = 1; i <= editor::toolDispatchCount(); ++i) {
    ids.insert(editor::toolDispatchId(i));
    EXPECT_EQ(editor::toolDispatchIndex(editor::toolDispatchId(i)), i);
  }
  EXPECT_EQ(ids.size(), 85u);
}

// The whole table in its order of comparison: a moved, missing or respelt
// entry shows here.
TEST(ToolDispatchTable, HoldsTheEightyFiveIdsInTheirOrder) {
  const std::vector<std::string> expected = {"ID_CodeBank",
                                             "ID_AddCode",
                                             "ID_GetCode",
                                             "ID_Backup",
                                             "ID_ShowTasks",
                                             "ID_HideTasks",
                                             "ID_FileNew",
                                             "ID_FileOpen",
                                             "ID_CloseAllFiles",
                                             "ID_FileSave",
                                             "ID_FileSaveAs",
                                             "ID_SaveAllFiles",
                                             "id_FilePrint",
                                             "id_FileExit",
                                             "ID_InsertFile",
                                             "ID_PrintSetup",
                                             "ID_TODO",
                                             "ID_If...EndIf",
                                             "ID_If..ElseIf..EndIf",
                                             "ID_SelectCase",
                                             "ID_For..Next",
                                             "ID_For..Each",
                                             "ID_Arc",
                                             "ID_Line",
                                             "ID_Point",
                                             "ID_Rectangle",
                                             "ID_Leads",
                                             "ID_DepthCuts",
                                             "ID_OverRide",
                                             "ID_AddBackSlash",
                                             "ID_InitializeScreen",
                                             "ID_ResetAll",
                                             "ID_CheckForDrawing",
                                             "ID_BrowseForFolder",
                                             "ID_InsertFSO",
                                             "ID_InsertWSH",
                                             "ID_InsertInclude",
                                             "ID_ADO",
                                             "ID_AutoCAD",
                                             "ID_DefineNotepad",
                                             "ID_MSWord",
                                             "ID_MSExcel",
                                             "id_EditUndo",
                                             "id_EditRedo",
                                             "ID_EditCut",
                                             "ID_EditCopy",
                                             "ID_EditPaste",
                                             "id_EditDelete",
                                             "ID_EditFind",
                                             "id_EditFindNext",
                                             "id_EditReplace",
                                             "id_EditSelectAll",
                                             "id_EditSelectCurrentLine",
                                             "id_EditGoToLine",
                                             "ID_EditPreferences",
                                             "ID_CommentRemove",
                                             "ID_CommentAdd",
                                             "ID_CopyFilePath/Name",
                                             "ID_Date/Time",
                                             "ID_DOSCommand",
                                             "ID_ExecuteScript",
                                             "ID_CloseEditor",
                                             "ID_Calc",
                                             "ID_Notepad",
                                             "ID_Regedit",
                                             "ID_EnableBackup",
                                             "ID_DisableBackup",
                                             "ID_InsertClass",
                                             "ID_NewFunction",
                                             "ID_NewSubroutine",
                                             "ID_AddProperty",
                                             "id_BookmarksBookmarkOn/Off",
                                             "id_BookmarksClearAllBookmarks",
                                             "id_BookmarksJumptoFirstBookmark",
                                             "id_BookmarksJumptoLastBookmark",
                                             "id_BookmarksGotoNextBookmark",
                                             "id_BookmarksGotoPreviousBookmark",
                                             "ID_About",
                                             "ID_Contents",
                                             "ID_KzScriptHelp",
                                             "ID_VbScript",
                                             "ID_KestrinForum",
                                             "ID_Contact",
                                             "ID_Homepage",
                                             "ID_Support"};
  ASSERT_EQ(expected.size(), 85u);
  std::vector<std::string> table;
  for (int32_t i = 1; i <= editor::toolDispatchCount(); ++i) table.push_back(editor::toolDispatchId(i));
  EXPECT_EQ(table, expected);
}

// The window's design layout and the table name the same tools, except
// the menus and the few tools and entries that have no counterpart.
TEST(ToolDispatchTable, EveryToolOfTheDesignLayoutHasItsEntryExceptTheMenus) {
  const std::set<std::string> noEntry = {
      "ID_QuickView",     "ID_FormatFontSize",   "ID_FormatFont",   "ID_Tool1",
      "ID_CodeBankPopup", "ID_SpecialFunctions", "ID_Code",         "id_File",
      "ID_Edit",          "ID_Utilities",        "id_Bookmarks",    "ID_Debug",
      "ID_Help",          "ID_Kestrinontheweb",  "ID_VBScriptHelp", "ID_QuickCode",
      "ID_QuickKZClass",  "ID_Entity",           "ID_Toolpath",     "ID_QuickDeclaration",
      "ID_QuickFunctions"};
  const auto layout = frmMain::designLayout();
  std::set<std::string> tools;
  for (const auto& tool : layout.tools) {
    if (tool.kind == platform::controls::ToolKind::Separator || tool.id.empty()) continue;
    tools.insert(tool.id);
    EXPECT_EQ(editor::toolDispatchIndex(tool.id) == 0, noEntry.count(tool.id) == 1) << tool.id;
  }
  const std::set<int32_t> noTool = {9, 12, 48, 74, 75};
  for (int32_t i = 1; i <= editor::toolDispatchCount(); ++i)
    EXPECT_EQ(tools.count(editor::toolDispatchId(i)) == 0, noTool.count(i) == 1) << editor::toolDispatchId(i);
}

// ---- Clicks -------------------------------------------------------------------------

class DispatcherTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    main = editor::mainWindow();
    main->load();
    ASSERT_TRUE(main->loaded());
  }
  void TearDown() override {
    // Closing asks nothing about the changes the test made.
    if (main && main->loaded()) {
      main->setIsDirty(false);
      main->unload();
    }
    main.reset();
    EditorTest::TearDown();
  }
  // The trace lines written since `from`.
  std::vector<std::string> traceSince(size_t from) const {
    auto lines = traceLines();
    return {lines.begin() + static_cast<std::ptrdiff_t>(std::min(from, lines.size())), lines.end()};
  }
  std::vector<std::string> pushPop(const std::string& id) const {
    return {"Entered routine: " + kToolText + id, "Exited routine: " + kToolText + id};
  }
  kestrin::diagnostics::CErrorHandler& handler() const { return *kestrin::diagnostics::errorHandler(); }
  // A splitter without panes: fetching the task pane fails with 35600.
  void breakTheSplitter() { main->SSSplitter1 = std::make_shared<platform::controls::Splitter>("SSSplitter1", 0); }
  std::shared_ptr<frmMain> main;
};

TEST_F(DispatcherTest, EntriesThatDoNothingAndAToolWithoutEntryLeaveABalancedTrace) {
  for (const char* id : {"ID_CodeBank", "ID_AddCode", "ID_GetCode", "ID_Backup", "ID_QuickView"}) {
    const size_t before = traceLines().size();
    EXPECT_TRUE(main->SSActiveToolBars1->clickTool(id)) << id;
    EXPECT_EQ(traceSince(before), pushPop(id)) << id;
    EXPECT_TRUE(handler().callStack().empty()) << id;
  }
  EXPECT_FALSE(main->SSActiveToolBars1->lastEventError().has_value());
}

TEST_F(DispatcherTest, UndoRunsForItsExactIdOnlyAndAWaitingEntryDoesNothing) {
  main->CodeSense1->userTypes("x");
  ASSERT_EQ(main->CodeSense1->text(), "x");
  const std::string tag = main->tag();

  // Another case of the same letters is no entry.
  const size_t before = traceLines().size();
  main->SSActiveToolBars1_ToolClick(toolOf("ID_EditUndo"));
  EXPECT_EQ(traceSince(before), pushPop("ID_EditUndo"));
  EXPECT_EQ(main->CodeSense1->text(), "x");
  EXPECT_EQ(main->tag(), tag);

  main->SSActiveToolBars1_ToolClick(toolOf("id_EditUndo"));
  EXPECT_EQ(main->CodeSense1->text(), "");
  EXPECT_TRUE(balanced(traceLines()));
  EXPECT_TRUE(handler().callStack().empty());
}

TEST_F(DispatcherTest, TheNewScriptEntryReachesItsCommand) {
  const std::string path = editorFile("VB/old.vbs");
  kestrin_test::writeFile(path, "Dim a\r\n");
  main->FileToView(path);
  ASSERT_TRUE(main->SSActiveToolBars1->clickTool("ID_FileNew"));
  EXPECT_EQ(main->tag(), editor::kNewScriptName);
  EXPECT_TRUE(handler().callStack().empty());
}

TEST_F(DispatcherTest, TheBackupSwitchTurnsTheTimerOnAndOffWhateverThePreference) {
  editor::CPreferences().setAutoSaveMinutes("0");
  main->tmrAutoSave->setEnabled(false);
  ASSERT_TRUE(main->SSActiveToolBars1->clickTool("ID_EnableBackup"));
  EXPECT_TRUE(main->tmrAutoSave->timerEnabled());
  EXPECT_EQ(main->tmrAutoSave->interval(), 65535);
  ASSERT_TRUE(main->SSActiveToolBars1->clickTool("ID_DisableBackup"));
  EXPECT_FALSE(main->tmrAutoSave->timerEnabled());
}

TEST_F(DispatcherTest, WithoutADiagnosticsObjectAFailureShowsItsDescriptionTitledWithTheTool) {
  breakTheSplitter();
  kestrin::diagnostics::errorHandlerSlot().reset();
  user->answerMessageBox(mb::OK, "Index out of bounds", kToolText + "ID_ShowTasks");
  main->SSActiveToolBars1_ToolClick(toolOf("ID_ShowTasks"));
  ASSERT_TRUE(user->lastMessageBox().has_value());
  EXPECT_EQ(user->lastMessageBox()->text, "Index out of bounds" + kNineBlanks);
  EXPECT_EQ(user->lastMessageBox()->title, kToolText + "ID_ShowTasks");
  EXPECT_EQ(user->lastMessageBox()->buttons, mb::OKOnly);
  EXPECT_EQ(user->lastMessageBox()->icon, mb::Exclamation);
  EXPECT_FALSE(editor::modGlobals::g_blnTaskPaneShown);
}

TEST_F(DispatcherTest, AbortClearsTheCallStackAndLeavesWithoutThePop) {
  breakTheSplitter();
  const size_t before = traceLines().size();
  user->answerMessageBox(mb::Abort, "(Index out of bounds) in " + kToolText + "ID_HideTasks");
  main->SSActiveToolBars1_ToolClick(toolOf("ID_HideTasks"));
  EXPECT_EQ(traceSince(before), std::vector<std::string>{"Entered routine: " + kToolText + "ID_HideTasks"});
  EXPECT_TRUE(handler().callStack().empty());
}

TEST_F(DispatcherTest, RetryReportsARecurringFailureAgainAndIgnoreEndsTheDispatchWithItsPop) {
  breakTheSplitter();
  const size_t before = traceLines().size();
  user->answerMessageBox(mb::Retry, "Index out of bounds");
  user->answerMessageBox(mb::Retry, "Index out of bounds");
  user->answerMessageBox(mb::Ignore, "Index out of bounds");
  main->SSActiveToolBars1_ToolClick(toolOf("ID_ShowTasks"));
  EXPECT_EQ(traceSince(before), pushPop("ID_ShowTasks"));
  EXPECT_TRUE(handler().callStack().empty());
  EXPECT_FALSE(editor::modGlobals::g_blnTaskPaneShown);
}

// ---- The web and mail links ----------------------------------------------------------

class LinkTest : public DispatcherTest {
 protected:
  void SetUp() override {
    DispatcherTest::SetUp();
    if (const char* path = std::getenv("PATH")) savedPath_ = path;
    // A stand-in for the desktop's opener: it keeps the item it is given.
    const std::string bin = editorDir.file("bin");
    std::filesystem::create_directories(bin);
    kestrin_test::writeFile(bin + "/xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > '" + editorDir.file("opened") + "'\n");
    std::filesystem::permissions(bin + "/xdg-open", std::filesystem::perms::owner_all);
    ::setenv("PATH", bin.c_str(), 1);
  }
  void TearDown() override {
    ::setenv("PATH", savedPath_.c_str(), 1);
    DispatcherTest::TearDown();
  }
  std::string opened() const {
    const std::string path = editorDir.file("opened");
    return std::filesystem::exists(path) ? kestrin_test::readFile(path) : "(nothing)";
  }
  void store(const std::string& name, platform::DWORD type, const std::string& data) {
    platform::HKEY key = 0;
    ASSERT_EQ(
        platform::RegCreateKeyEx(platform::HKEY_LOCAL_MACHINE, editor::kLinksKey, 0, platform::KEY_ALL_ACCESS, &key),
        platform::ERROR_SUCCESS);
    ASSERT_EQ(platform::RegSetValueEx(key, name, type, data.data(), static_cast<platform::DWORD>(data.size())),
              platform::ERROR_SUCCESS);
    platform::RegCloseKey(key);
  }
  std::string savedPath_;
};

TEST_F(LinkTest, TheAddressesComeFromTheMachineKeyWithPlaceholdersForAbsentOrEmptyValues) {
  EXPECT_EQ(editor::linkAddress(editor::kForumPageValue), "https://www.example.com/kestrin/forum/");
  EXPECT_EQ(editor::linkAddress(editor::kSupportMailboxValue), "support@example.com");
  store(editor::kHomePageValue, platform::REG_SZ, std::string("https://kestrin.test/home\0", 26));
  store(editor::kContactPageValue, platform::REG_SZ, "");
  EXPECT_EQ(editor::linkAddress(editor::kHomePageValue), "https://kestrin.test/home");
  EXPECT_EQ(editor::linkAddress(editor::kContactPageValue), "https://www.example.com/contact/");
}

TEST_F(LinkTest, TheForumEntryWithAnAddressThatIsNoTextFailsIntoTheOwnMessageWithoutDiagnostics) {
  store(editor::kForumPageValue, platform::REG_DWORD, std::string("\1\0\0\0", 4));
  kestrin::diagnostics::errorHandlerSlot().reset();
  user->answerMessageBox(mb::OK, "Type mismatch", kToolText + "ID_KestrinForum");
  main->SSActiveToolBars1_ToolClick(toolOf("ID_KestrinForum"));
  ASSERT_TRUE(user->lastMessageBox().has_value());
  EXPECT_EQ(user->lastMessageBox()->text, "Type mismatch" + kNineBlanks);
  EXPECT_EQ(user->lastMessageBox()->title, "frmMain::SSActiveToolBars1_ToolClick [tool] ID_KestrinForum");
  EXPECT_EQ(user->lastMessageBox()->icon, mb::Exclamation);
}

TEST_F(LinkTest, TheThreePagesOpenTheirConfiguredOrPlaceholderAddresses) {
  store(editor::kForumPageValue, platform::REG_SZ, "https://kestrin.test/forum");
  const struct {
    const char* tool;
    const char* address;
  } cases[] = {{"ID_KestrinForum", "https://kestrin.test/forum"},
               {"ID_Contact", "https://www.example.com/contact/"},
               {"ID_Homepage", "https://www.example.com/kestrin/"}};
  for (const auto& c : cases) {
    std::filesystem::remove(editorFile("opened"));
    const size_t before = traceLines().size();
    ASSERT_TRUE(main->SSActiveToolBars1->clickTool(c.tool)) << c.tool;
    EXPECT_EQ(opened(), c.address) << c.tool;
    EXPECT_EQ(traceSince(before), pushPop(c.tool));
  }
}

// An address that names a file with an execute bit (on a FAT or SMB mount
// every file has one) is a document for the opener; the file never runs.
TEST_F(LinkTest, AnAddressNamingAnExecutableFileGoesToTheOpenerAndNeverRuns) {
  const std::string page = editorFile("home.htm");
  kestrin_test::writeFile(page, "#!/bin/sh\n: > '" + editorFile("ran") + "'\n");
  std::filesystem::permissions(page, std::filesystem::perms::owner_all);
  store(editor::kHomePageValue, platform::REG_SZ, page);
  ASSERT_TRUE(main->SSActiveToolBars1->clickTool("ID_Homepage"));
  EXPECT_EQ(opened(), page);
  ::usleep(100000);
  EXPECT_FALSE(std::filesystem::exists(editorFile("ran")));
}

TEST_F(LinkTest, TheSupportEntryOpensAMailToTheMailboxWithTheSubjectAndTheText) {
  kestrin_test::writeFile(editorFile("KestrinScriptEditor.so"), std::string(1500, 'x'));
  ASSERT_TRUE(kestrin_test::setModifiedTime(editorFile("KestrinScriptEditor.so"), 2024, 1, 2, 15, 4, 5));
  store(editor::kSupportMailboxValue, platform::REG_SZ, "help@kestrin.test");
  ASSERT_TRUE(main->SSActiveToolBars1->clickTool("ID_Support"));
  EXPECT_EQ(opened(),
            "mailto:help@kestrin.test?subject=Kestrin VBScript Support&body="
            "[Editor]\r\n Build 1.0.0\r\n, Date 02/01/2024 15:04:05\r\n, File size 2kb\r\n\r\n"
            " [Addlet]\r\n Name kzenvb.dll [MISSING?]\r\n");
}

// Without the editor's library its three lines fail one after the other;
// each report names the line of its own statement.
TEST_F(LinkTest, EachFailingStatementOfTheSupportMailReportsItsOwnLine) {
  std::filesystem::remove(errorLog());
  for (int i = 0; i < 3; ++i) user->answerMessageBox(mb::Ignore, "in " + kToolText + "ID_Support");
  ASSERT_TRUE(main->SSActiveToolBars1->clickTool("ID_Support"));
  EXPECT_NE(opened(), "(nothing)");

  std::vector<int> lines;
  const std::string log = kestrin_test::readFile(errorLog());
  const std::string marker = " at line ";
  for (size_t at = log.find(marker); at != std::string::npos; at = log.find(marker, at + 1))
    lines.push_back(std::stoi(log.substr(at + marker.size())));
  ASSERT_EQ(lines.size(), 3u) << log;
  EXPECT_GT(lines[0], 0);
  EXPECT_LT(lines[0], lines[1]);
  EXPECT_LT(lines[1], lines[2]);
}

using SupportMailTest = EditorTest;

TEST_F(SupportMailTest, NamesAMissingBridgeLibraryAndGivesTheEditorLibrarysSizeInKb) {
  const std::string library = editorFile("KestrinScriptEditor.so");
  kestrin_test::writeFile(library, std::string(123456, 'x'));
  ASSERT_TRUE(kestrin_test::setModifiedTime(library, 2024, 1, 2, 15, 4, 5));
  kestrin::diagnostics::IgnoreFailures ignore;
  EXPECT_EQ(editor::supportMailText(ignore),
            "[Editor]\r\n Build 1.0.0\r\n, Date 02/01/2024 15:04:05\r\n"
            ", File size 123kb\r\n\r\n [Addlet]\r\n Name kzenvb.dll [MISSING?]\r\n");
}

TEST_F(SupportMailTest, DescribesTheBridgeLibraryWhenItIsThere) {
  const std::string library = editorFile("KestrinScriptEditor.so");
  const std::string bridge = editorFile("Addlets/kzenvb.dll");
  kestrin_test::writeFile(library, std::string(1500, 'x'));
  kestrin_test::writeFile(bridge, std::string(2500, 'x'));
  ASSERT_TRUE(kestrin_test::setModifiedTime(library, 2023, 12, 31, 23, 59, 58));
  ASSERT_TRUE(kestrin_test::setModifiedTime(bridge, 2024, 2, 29, 9, 8, 7));
  kestrin::diagnostics::IgnoreFailures ignore;
  EXPECT_EQ(editor::supportMailText(ignore),
            "[Editor]\r\n Build 1.0.0\r\n, Date 31/12/2023 23:59:58\r\n"
            ", File size 2kb\r\n\r\n [Addlet]\r\n, Date 29/02/2024 09:08:07\r\n"
            ", File size 2kb\r\n");
}

TEST_F(SupportMailTest, AMissingEditorLibraryFailsItsLinesAndTheRestGoesOn) {
  // Without handling of its own the first failure ends the text.
  EXPECT_EQ(kestrin_test::raisedNumber([] { editor::supportMailText(kestrin::diagnostics::noHandling()); }),
            53);  // "File not found"
  // Skipped one by one, the lines that need the file are left out.
  kestrin::diagnostics::IgnoreFailures ignore;
  EXPECT_EQ(editor::supportMailText(ignore),
            "[Editor]\r\n Build 1.0.0\r\n\r\n [Addlet]\r\n Name kzenvb.dll [MISSING?]\r\n");
}

}  // namespace
}  // namespace editor_test
