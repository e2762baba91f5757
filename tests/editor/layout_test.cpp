// The main window's design layout: the tools the dispatcher answers stand in
// the menus, popups and toolbars, and the editor's right-click popup exists.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "editor/CMainFrontEnd.h"
#include "editor/frmMain.h"
#include "editor_fixture.h"

namespace editor_test {
namespace {

using kestrin::editor::frmMain;
using platform::controls::ToolbarLayout;
using platform::controls::ToolKind;

// Every tool ID the dispatcher compares, in its order.
const std::vector<std::string> kDispatched = {"ID_CodeBank",
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
// Dispatched IDs that no tool of the layout carries.
const std::set<std::string> kWithoutTool = {"ID_CloseAllFiles", "ID_SaveAllFiles", "id_EditDelete",
                                            "id_BookmarksJumptoFirstBookmark", "id_BookmarksJumptoLastBookmark"};

// The IDs reachable from the bars, through the popups they open.
std::set<std::string> placedIds(const ToolbarLayout& layout) {
  std::set<std::string> placed;
  std::vector<std::string> todo;
  for (const auto& bar : layout.bars) todo.insert(todo.end(), bar.items.begin(), bar.items.end());
  while (!todo.empty()) {
    std::string id = todo.back();
    todo.pop_back();
    if (id.empty() || !placed.insert(id).second) continue;
    for (const auto& tool : layout.tools)
      if (tool.id == id) todo.insert(todo.end(), tool.items.begin(), tool.items.end());
  }
  return placed;
}

TEST(DesignLayout, EveryDispatchedIdHasItsToolAndStandsInAMenuOrToolbar) {
  ASSERT_EQ(kDispatched.size(), 85u);
  const ToolbarLayout layout = frmMain::designLayout();
  std::set<std::string> defined;
  for (const auto& tool : layout.tools) defined.insert(tool.id);
  const std::set<std::string> placed = placedIds(layout);
  // The code bank's two tools stand only in its popup, which no bar opens.
  const std::set<std::string> unplaced = {"ID_AddCode", "ID_GetCode"};
  for (const auto& id : kDispatched) {
    const bool hasTool = kWithoutTool.count(id) == 0;
    EXPECT_EQ(defined.count(id), hasTool ? 1u : 0u) << id;
    EXPECT_EQ(placed.count(id), hasTool && !unplaced.count(id) ? 1u : 0u) << id;
  }
  // The case of an ID is part of it.
  EXPECT_EQ(defined.count("ID_EditUndo"), 0u);
}

TEST(DesignLayout, TheMenuBarAndTheEditPopup) {
  platform::controls::Toolbar bar("SSActiveToolBars1");
  bar.setLayout(frmMain::designLayout());  // raises when an entry names no tool
  EXPECT_EQ(bar.barCaptions(platform::controls::kMenuBarName),
            (std::vector<std::string>{"File", "Edit", "Utilities", "Bookmarks", "Kestrin", "Help"}));
  const auto* edit = bar.findTool("ID_Edit");
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->kind, ToolKind::Popup);
  ASSERT_FALSE(edit->items.empty());
  EXPECT_EQ(edit->items.front(), "ID_QuickCode");
  EXPECT_EQ(edit->items.back(), "ID_EditPreferences");
  EXPECT_EQ(bar.tool("ID_ExecuteScript").description, "Run active script");
  std::vector<std::string> toolbars;
  for (const auto& b : bar.layout().bars)
    if (!b.menu) toolbars.push_back(b.name);
  EXPECT_EQ(toolbars, (std::vector<std::string>{"File", "Edit", "Bookmarks", "Utilities", "Code", "Kestrin", "Close",
                                                "Backup", "Tasks"}));
}

// Each toolbar's tools with the captions they show on it, "-" for a
// separator.
TEST(DesignLayout, TheToolbarsShowTheirOwnCaptionsAndTheMenusKeepTheirs) {
  platform::controls::Toolbar bar("SSActiveToolBars1");
  bar.setLayout(frmMain::designLayout());
  const std::vector<std::pair<std::string, std::vector<std::string>>> toolbars = {
      {"File", {"&New", "Insert File", "&Open...", "-", "&Save", "-", "&Print..."}},
      {"Edit",
       {"&Undo", "&Redo", "-", "Cu&t", "&Copy", "&Paste", "-", "&Find...", "Find &Next", "&Replace", "&Go To Line",
        "Comment Add", "Comment Remove", "-", "&Options"}},
      {"Bookmarks", {"Bookmark On / Off", "Clear All Bookmarks", "Go to Previous Bookmark", "Go to Next Bookmark"}},
      {"Utilities", {"Calc", "DOS Command", "Notepad", "Regedit"}},
      {"Code", {"Add Class", "Add Property", "Add Function", "Add Subroutine"}},
      {"Kestrin", {"&Run Script"}},
      {"Close", {"Close Editor"}},
      {"Backup", {"Enable Backup", "Disable Backup"}},
      {"Tasks", {"Show Tasks", "Hide Tasks"}},
  };
  for (const auto& [name, expected] : toolbars) {
    const platform::controls::Bar* toolbar = bar.findBar(name);
    ASSERT_NE(toolbar, nullptr) << name;
    std::vector<std::string> shown;
    for (const std::string& id : toolbar->items) shown.push_back(id.empty() ? "-" : toolbar->captionOf(bar.tool(id)));
    EXPECT_EQ(shown, expected) << name;
  }
  EXPECT_EQ(bar.barCaptions("Utilities"), (std::vector<std::string>{"Calc", "DOS Command", "Notepad", "Regedit"}));

  // The same tools in the menus, with the menus' captions.
  const std::vector<std::pair<std::string, std::string>> menus = {{"ID_InsertFile", "Insert File..."},
                                                                  {"ID_CommentAdd", "Add Comment"},
                                                                  {"ID_CommentRemove", "Remove Comment"},
                                                                  {"ID_EditPreferences", "&Options..."},
                                                                  {"ID_Calc", "&Calculator"},
                                                                  {"ID_DOSCommand", "&DOS Command"},
                                                                  {"ID_Notepad", "&Notepad"},
                                                                  {"ID_Regedit", "&Regedit"}};
  for (const auto& [id, caption] : menus) EXPECT_EQ(bar.tool(id).caption, caption) << id;
  EXPECT_EQ(bar.findBar(platform::controls::kMenuBarName)->captions.size(), 0u);
}

// The layout without the bars' own captions.
ToolbarLayout withoutBarCaptions(ToolbarLayout layout) {
  for (auto& b : layout.bars) b.captions.clear();
  return layout;
}

TEST_F(EditorTest, ALayoutFileWrittenBeforeTheToolbarsHadCaptionsOfTheirOwnStillLoads) {
  // The design layout as the version before the toolbars' own captions
  // saved it.
  std::filesystem::copy_file(
      std::string(KESTRIN_TEST_SOURCE_DIR) + "/tests/editor/fixtures/layout_without_bar_captions.atb",
      editorFile("Kz.atb"));
  ToolbarLayout loaded;
  std::vector<std::string> menuBar, utilities;
  duringWait([&] {
    loaded = window().SSActiveToolBars1->layout();
    menuBar = window().SSActiveToolBars1->barCaptions(platform::controls::kMenuBarName);
    utilities = window().SSActiveToolBars1->barCaptions("Utilities");
  });
  std::string arg;
  auto front = kestrin::editor::CMainFrontEnd::create();
  front->RunEditor(arg);

  EXPECT_EQ(loaded, withoutBarCaptions(frmMain::designLayout()));
  EXPECT_EQ(menuBar, (std::vector<std::string>{"File", "Edit", "Utilities", "Bookmarks", "Kestrin", "Help"}));
  // Its toolbars show the tools' own captions, as that version did.
  EXPECT_EQ(utilities, (std::vector<std::string>{"Calculator", "DOS Command", "Notepad", "Regedit"}));
}

TEST_F(EditorTest, TheToolbarsOwnCaptionsSurviveTheLayoutFile) {
  std::string arg;
  auto front = kestrin::editor::CMainFrontEnd::create();
  front->RunEditor(arg);
  ASSERT_TRUE(std::filesystem::exists(editorFile("Kz.atb")));
  ToolbarLayout loaded;
  duringWait([&] { loaded = window().SSActiveToolBars1->layout(); });
  arg.clear();
  front->RunEditor(arg);
  EXPECT_EQ(loaded, frmMain::designLayout());
}

TEST_F(EditorTest, TheLoadedWindowCarriesItsControls) {
  auto main = kestrin::editor::mainWindow();
  main->load();
  ASSERT_TRUE(main->loaded());
  EXPECT_EQ(main->SSActiveToolBars1->layout(), frmMain::designLayout());
  EXPECT_EQ(main->tmrAutoSave->interval(), 65535);
  EXPECT_FALSE(main->tmrAutoSave->timerEnabled());
  ASSERT_EQ(main->IMGIntellisence->count(), 7);
  EXPECT_EQ(main->IMGIntellisence->image(1).key, "class");
  EXPECT_EQ(main->IMGIntellisence->image(7).key, "control");
  EXPECT_EQ(main->CodeSense1->imageList(), main->IMGIntellisence->hImageList());
  EXPECT_EQ(main->SSSplitter1->pane(1).controlName(), "PVTaskPad1");
  EXPECT_TRUE(main->SSSplitter1->pane(1).collapsed());
  EXPECT_EQ(main->SSSplitter1->setting(1300), 3);
  EXPECT_EQ(main->SSSplitter1->setting(platform::controls::Splitter::kAutoSize), 1);
  for (const char* key : {"MAIN", "FILE", "CURSOR", "SIZE"}) EXPECT_TRUE(main->StatusBar1->hasPanel(key));
  EXPECT_EQ(main->StatusBar1->count(), 6);
  EXPECT_EQ(main->StatusBar1->panel(5).style(), platform::controls::PanelStyle::Date);
  EXPECT_EQ(main->StatusBar1->panel(6).style(), platform::controls::PanelStyle::Time);
  EXPECT_TRUE(kestrin::editor::modGlobals::g_blnMainFormLoaded);
  EXPECT_FALSE(kestrin::editor::modGlobals::g_blnTaskPaneShown);
  main->unload();
  EXPECT_FALSE(kestrin::editor::modGlobals::g_blnMainFormLoaded);
}

}  // namespace
}  // namespace editor_test
