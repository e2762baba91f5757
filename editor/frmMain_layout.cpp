// The design layout of the main window's menus, popups and toolbars: what
// the toolbar control carries before a saved layout ("Kz.atb") replaces it.
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "editor/frmMain.h"

namespace kestrin::editor {

namespace {

using platform::controls::Bar;
using platform::controls::Tool;
using platform::controls::ToolbarLayout;
using platform::controls::ToolKind;

// "" in a list of entries is a separator.
const std::string kSep;

class LayoutBuilder {
 public:
  void item(std::string id, std::string caption, std::string description = {}) {
    tool(std::move(id), ToolKind::MenuItem, std::move(caption), std::move(description), {});
  }
  void button(std::string id, std::string caption) {
    tool(std::move(id), ToolKind::Button, std::move(caption), {}, {});
  }
  void popup(std::string id, std::string caption, std::vector<std::string> items) {
    tool(std::move(id), ToolKind::Popup, std::move(caption), {}, std::move(items));
  }
  // `captions`: the bar's own captions of its tools, where they are not the
  // tools' own.
  void bar(std::string name, std::vector<std::string> items, bool menu = false,
           std::map<std::string, std::string> captions = {}) {
    Bar b;
    b.name = std::move(name);
    b.menu = menu;
    b.items = std::move(items);
    b.captions = std::move(captions);
    layout_.bars.push_back(std::move(b));
  }
  ToolbarLayout take() { return std::move(layout_); }

 private:
  void tool(std::string id, ToolKind kind, std::string caption, std::string description,
            std::vector<std::string> items) {
    Tool t;
    t.id = std::move(id);
    t.kind = kind;
    t.caption = std::move(caption);
    t.description = std::move(description);
    t.items = std::move(items);
    layout_.tools.push_back(std::move(t));
  }
  ToolbarLayout layout_;
};

// The entries with a separator between each two.
std::vector<std::string> separated(std::vector<std::string> ids) {
  std::vector<std::string> out;
  for (auto& id : ids) {
    if (!out.empty()) out.push_back(kSep);
    out.push_back(std::move(id));
  }
  return out;
}

}  // namespace

ToolbarLayout frmMain::designLayout() {
  LayoutBuilder b;

  // File.
  b.item("ID_FileNew", "&New");
  b.item("ID_FileOpen", "&Open...");
  b.item("ID_InsertFile", "Insert File...");
  b.item("ID_QuickView", "Quick View...");
  b.item("ID_FileSave", "&Save");
  b.item("ID_FileSaveAs", "Save &As...");
  b.item("id_FilePrint", "&Print...");
  b.item("ID_PrintSetup", "Print Setup...");
  b.item("id_FileExit", "E&xit");
  b.popup("id_File", "&File",
          {"ID_FileNew", "ID_FileOpen", "ID_InsertFile", "ID_QuickView", kSep, "ID_FileSave", "ID_FileSaveAs", kSep,
           "id_FilePrint", "ID_PrintSetup", kSep, "id_FileExit"});

  // Quick Code, with its class, declaration and function popups.
  b.item("ID_If...EndIf", "If..End If");
  b.item("ID_If..ElseIf..EndIf", "If..ElseIf..End If");
  b.item("ID_SelectCase", "Select Case");
  b.item("ID_For..Next", "For..Next");
  b.item("ID_For..Each", "For..Each");
  b.item("ID_Arc", "Arc");
  b.item("ID_Line", "Line");
  b.item("ID_Point", "Point");
  b.item("ID_Rectangle", "Rectangle");
  b.popup("ID_Entity", "New Entity", separated({"ID_Arc", "ID_Line", "ID_Point", "ID_Rectangle"}));
  b.item("ID_Leads", "Leads");
  b.item("ID_DepthCuts", "Depth Cuts");
  b.item("ID_OverRide", "Over Ride");
  b.popup("ID_Toolpath", "Toolpath", separated({"ID_Leads", "ID_DepthCuts", "ID_OverRide"}));
  b.popup("ID_QuickKZClass", "Quick KZ Class", separated({"ID_Entity", "ID_Toolpath"}));
  b.item("ID_InsertFSO", "Filesystem Object");
  b.item("ID_InsertWSH", "Windows Scripting Host");
  b.item("ID_MSWord", "MS Word");
  b.item("ID_MSExcel", "MS Excel");
  b.item("ID_DefineNotepad", "Notepad");
  b.item("ID_AutoCAD", "AutoCAD");
  b.item("ID_ADO", "ADO");
  b.popup("ID_QuickDeclaration", "Quick Declaration",
          separated(
              {"ID_InsertFSO", "ID_InsertWSH", "ID_MSWord", "ID_MSExcel", "ID_DefineNotepad", "ID_AutoCAD", "ID_ADO"}));
  b.item("ID_AddBackSlash", "AddBackSlash");
  b.item("ID_BrowseForFolder", "BrowseForFolder");
  b.item("ID_CheckForDrawing", "CheckForDrawing");
  b.item("ID_InitializeScreen", "Initialize Screen");
  b.item("ID_InsertInclude", "Include");
  b.item("ID_ResetAll", "ResetAll");
  b.popup("ID_QuickFunctions", "Quick Functions",
          separated({"ID_AddBackSlash", "ID_BrowseForFolder", "ID_CheckForDrawing", "ID_InitializeScreen",
                     "ID_InsertInclude", "ID_ResetAll"}));
  b.popup("ID_QuickCode", "Quick Code",
          {"ID_If...EndIf", "ID_If..ElseIf..EndIf", kSep, "ID_SelectCase", kSep, "ID_For..Next", "ID_For..Each", kSep,
           "ID_QuickKZClass", "ID_QuickDeclaration", "ID_QuickFunctions"});

  // Edit; the same popup is the editor's right-click menu.
  b.item("ID_TODO", "TODO...");
  b.item("id_EditUndo", "&Undo");
  b.item("id_EditRedo", "&Redo");
  b.item("ID_EditCut", "Cu&t");
  b.item("ID_EditCopy", "&Copy");
  b.item("ID_EditPaste", "&Paste");
  b.item("ID_CopyFilePath/Name", "Copy File Path/Name");
  b.item("ID_Date/Time", "Date/Time");
  b.item("ID_EditFind", "&Find...");
  b.item("id_EditFindNext", "Find &Next");
  b.item("id_EditReplace", "&Replace");
  b.item("ID_CommentAdd", "Add Comment");
  b.item("ID_CommentRemove", "Remove Comment");
  b.item("id_EditSelectAll", "Select &All");
  b.item("id_EditSelectCurrentLine", "Select Current &Line");
  b.item("id_EditGoToLine", "&Go To Line");
  b.item("ID_EditPreferences", "&Options...");
  b.popup("ID_Edit", "&Edit",
          {"ID_QuickCode",
           kSep,
           "ID_TODO",
           kSep,
           "id_EditUndo",
           "id_EditRedo",
           kSep,
           "ID_EditCut",
           "ID_EditCopy",
           "ID_EditPaste",
           "ID_CopyFilePath/Name",
           kSep,
           "ID_Date/Time",
           kSep,
           "ID_EditFind",
           "id_EditFindNext",
           "id_EditReplace",
           kSep,
           "ID_CommentAdd",
           "ID_CommentRemove",
           kSep,
           "id_EditSelectAll",
           "id_EditSelectCurrentLine",
           "id_EditGoToLine",
           kSep,
           "ID_EditPreferences"});

  // Utilities.
  b.item("ID_Calc", "&Calculator");
  b.item("ID_DOSCommand", "&DOS Command");
  b.item("ID_Notepad", "&Notepad");
  b.item("ID_Regedit", "&Regedit");
  b.item("ID_CodeBank", "Code Bank");
  b.item("ID_Backup", "Backup Code");
  b.popup("ID_Utilities", "&Utilities",
          {"ID_Calc", kSep, "ID_DOSCommand", kSep, "ID_Notepad", kSep, "ID_Regedit", kSep, "ID_CodeBank", "ID_Backup"});

  // Bookmarks.
  b.item("id_BookmarksBookmarkOn/Off", "Bookmark On / Off");
  b.item("id_BookmarksClearAllBookmarks", "Clear All Bookmarks");
  b.item("id_BookmarksGotoNextBookmark", "Go to Next Bookmark");
  b.item("id_BookmarksGotoPreviousBookmark", "Go to Previous Bookmark");
  b.popup("id_Bookmarks", "&Bookmarks",
          {"id_BookmarksBookmarkOn/Off", "id_BookmarksClearAllBookmarks", "id_BookmarksGotoNextBookmark",
           "id_BookmarksGotoPreviousBookmark"});

  // Kestrin.
  b.item("ID_ExecuteScript", "&Run Script", "Run active script");
  b.popup("ID_Debug", "&Kestrin", {"ID_ExecuteScript"});

  // Help, with the web and scripting-help popups.
  b.item("ID_Contents", "&Contents");
  b.item("ID_Homepage", "&Homepage");
  b.item("ID_KestrinForum", "Kestrin User &Forum");
  b.item("ID_Support", "&Support");
  b.item("ID_Contact", "&Contact");
  b.popup("ID_Kestrinontheweb", "Kestrin on the &Web",
          {"ID_Homepage", kSep, "ID_KestrinForum", "ID_Support", "ID_Contact"});
  b.item("ID_KzScriptHelp", "Kestrin &Scripting");
  b.item("ID_VbScript", "&Microsoft Scripting");
  b.popup("ID_VBScriptHelp", "&VBScript Help", {"ID_KzScriptHelp", kSep, "ID_VbScript"});
  b.item("ID_About", "&About");
  b.popup("ID_Help", "&Help", {"ID_Contents", kSep, "ID_Kestrinontheweb", kSep, "ID_VBScriptHelp", kSep, "ID_About"});

  // Tools that stand in no menu.
  b.item("ID_AddCode", "Add Code");
  b.item("ID_GetCode", "Get Code");
  b.popup("ID_CodeBankPopup", "Code Bank", {"ID_AddCode", kSep, "ID_GetCode"});
  b.popup("ID_SpecialFunctions", "Special Functions", {});
  b.popup("ID_Code", "Code", {});
  b.button("ID_FormatFontSize", "Font &Size");
  b.button("ID_FormatFont", "&Font");
  b.button("ID_Tool1", "Tool1");

  // Tools of the toolbars only.
  b.button("ID_InsertClass", "Add Class");
  b.button("ID_AddProperty", "Add Property");
  b.button("ID_NewFunction", "Add Function");
  b.button("ID_NewSubroutine", "Add Subroutine");
  b.button("ID_CloseEditor", "Close Editor");
  b.button("ID_EnableBackup", "Enable Backup");
  b.button("ID_DisableBackup", "Disable Backup");
  b.button("ID_ShowTasks", "Show Tasks");
  b.button("ID_HideTasks", "Hide Tasks");

  b.bar(platform::controls::kMenuBarName, {"id_File", "ID_Edit", "ID_Utilities", "id_Bookmarks", "ID_Debug", "ID_Help"},
        true);
  // The toolbars name some tools otherwise than the menus do.
  b.bar("File", {"ID_FileNew", "ID_InsertFile", "ID_FileOpen", kSep, "ID_FileSave", kSep, "id_FilePrint"}, false,
        {{"ID_InsertFile", "Insert File"}});
  b.bar("Edit",
        {"id_EditUndo", "id_EditRedo", kSep, "ID_EditCut", "ID_EditCopy", "ID_EditPaste", kSep, "ID_EditFind",
         "id_EditFindNext", "id_EditReplace", "id_EditGoToLine", "ID_CommentAdd", "ID_CommentRemove", kSep,
         "ID_EditPreferences"},
        false,
        {{"ID_CommentAdd", "Comment Add"}, {"ID_CommentRemove", "Comment Remove"}, {"ID_EditPreferences", "&Options"}});
  b.bar("Bookmarks", {"id_BookmarksBookmarkOn/Off", "id_BookmarksClearAllBookmarks", "id_BookmarksGotoPreviousBookmark",
                      "id_BookmarksGotoNextBookmark"});
  b.bar("Utilities", {"ID_Calc", "ID_DOSCommand", "ID_Notepad", "ID_Regedit"}, false,
        {{"ID_Calc", "Calc"}, {"ID_DOSCommand", "DOS Command"}, {"ID_Notepad", "Notepad"}, {"ID_Regedit", "Regedit"}});
  b.bar("Code", {"ID_InsertClass", "ID_AddProperty", "ID_NewFunction", "ID_NewSubroutine"});
  b.bar("Kestrin", {"ID_ExecuteScript"});
  b.bar("Close", {"ID_CloseEditor"});
  b.bar("Backup", {"ID_EnableBackup", "ID_DisableBackup"});
  b.bar("Tasks", {"ID_ShowTasks", "ID_HideTasks"});
  return b.take();
}

}  // namespace kestrin::editor
