// The tool dispatcher: every menu item and toolbar button of the main window
// is a tool of its toolbar control, and a click on one runs the command of
// the first entry of the table below whose ID equals the tool's ID.
//
// The IDs are compared with regard to case ("id_EditUndo" is an entry,
// "ID_EditUndo" is none) in the order of the table; an ID that no entry has
// does nothing. An entry whose command is kWaiting matches and does nothing
// yet: its command has not been built; the comment beside it names the
// command it will call.
#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "diagnostics/handling.h"
#include "diagnostics/trace.h"
#include "editor/frmMain.h"
#include "editor/modMain.h"
#include "platform/ui/msgbox.h"

namespace kestrin::editor {

namespace {

namespace mb = platform::ui::mb;

// The messages' closing blanks.
const std::string kNineBlanks(9, ' ');
const char* const kTraceText = "frmMain::SSActiveToolBars1_ToolClick [tool] ";

// One click: the window, the dispatcher's trap (every statement of a
// command entry is one of its steps, so that Retry runs it again and Ignore
// goes on after it) and the objects held for this call only.
struct ToolCall {
  frmMain& window;
  diagnostics::Trap& trap;
};

using Command = void (*)(ToolCall&);

// An entry that matches and does nothing.
void nothing(ToolCall&) {}
// An entry that matches and does nothing until its command is built.
constexpr Command kWaiting = nullptr;

// ---- Commands that live in the dispatcher -------------------------------------------

// The task pane is pane 1 of the splitter.
void showTasks(ToolCall& call) {
  call.trap.step([&] { modMain::g_ShowTasks(call.window.SSSplitter1->paneShared(1)); });
}
void hideTasks(ToolCall& call) {
  call.trap.step([&] { modMain::g_HideTasks(call.window.SSSplitter1->paneShared(1)); });
}

// The backup switch: the autosave timer only; its tick count stays.
void enableBackup(ToolCall& call) {
  call.trap.step([&] { call.window.tmrAutoSave->setEnabled(true); });
}
void disableBackup(ToolCall& call) {
  call.trap.step([&] { call.window.tmrAutoSave->setEnabled(false); });
}

struct ToolEntry {
  std::string_view id;
  Command command;
};

// The dispatch table, in the order of comparison.
constexpr std::array<ToolEntry, 85> kToolTable{{
    {"ID_CodeBank", nothing},
    {"ID_AddCode", nothing},
    {"ID_GetCode", nothing},
    {"ID_Backup", nothing},
    {"ID_ShowTasks", showTasks},
    {"ID_HideTasks", hideTasks},
    {"ID_FileNew", kWaiting},                     // modMain::g_frmFileNew with the window
    {"ID_FileOpen", kWaiting},                    // frmMain::m_FileOpen
    {"ID_CloseAllFiles", kWaiting},               // frmMain::m_CloseAllFiles
    {"ID_FileSave", kWaiting},                    // modMain::gbln_FileSave with the window
    {"ID_FileSaveAs", kWaiting},                  // frmMain::m_FileSaveAs
    {"ID_SaveAllFiles", kWaiting},                // frmMain::m_SaveAllFiles
    {"id_FilePrint", kWaiting},                   // frmMain::m_FilePrint
    {"id_FileExit", kWaiting},                    // frmMain::m_CloseEditor
    {"ID_InsertFile", kWaiting},                  // frmMain::m_InsertFile
    {"ID_PrintSetup", kWaiting},                  // frmMain::m_FilePrintSetup
    {"ID_TODO", kWaiting},                        // modMain::g_ToDo
    {"ID_If...EndIf", kWaiting},                  // modMain::g_IfCode
    {"ID_If..ElseIf..EndIf", kWaiting},           // modMain::g_ElseIfCode
    {"ID_SelectCase", kWaiting},                  // modMain::g_SelectCaseCode
    {"ID_For..Next", kWaiting},                   // modMain::g_ForNextCode
    {"ID_For..Each", kWaiting},                   // modMain::g_ForEachCode
    {"ID_Arc", kWaiting},                         // modMain::g_AddArcDeclare
    {"ID_Line", kWaiting},                        // modMain::g_AddLineDeclare
    {"ID_Point", kWaiting},                       // modMain::g_AddPointDeclare
    {"ID_Rectangle", kWaiting},                   // modMain::g_AddRectangleDeclare
    {"ID_Leads", kWaiting},                       // modMain::g_AddLeadsDeclare
    {"ID_DepthCuts", kWaiting},                   // modMain::g_AddDepthsDeclare
    {"ID_OverRide", kWaiting},                    // modMain::g_AddOverRideDeclare
    {"ID_AddBackSlash", kWaiting},                // modMain::g_AddBackSlashCode
    {"ID_InitializeScreen", kWaiting},            // modMain::g_AddInitializeCode
    {"ID_ResetAll", kWaiting},                    // modMain::g_ReSetAllCode
    {"ID_CheckForDrawing", kWaiting},             // modMain::g_CheckForDrawing
    {"ID_BrowseForFolder", kWaiting},             // modMain::g_BrowseForFolder
    {"ID_InsertFSO", kWaiting},                   // modMain::g_AddFSO
    {"ID_InsertWSH", kWaiting},                   // modMain::g_AddWSH
    {"ID_InsertInclude", kWaiting},               // modMain::g_AddInclude
    {"ID_ADO", kWaiting},                         // modMain::g_AddADO
    {"ID_AutoCAD", kWaiting},                     // modMain::g_AddAutoCAD
    {"ID_DefineNotepad", kWaiting},               // modMain::g_Notepad
    {"ID_MSWord", kWaiting},                      // modMain::g_AddWord
    {"ID_MSExcel", kWaiting},                     // modMain::g_AddExcel
    {"id_EditUndo", kWaiting},                    // frmMain::m_EditUndo
    {"id_EditRedo", kWaiting},                    // frmMain::m_EditRedo
    {"ID_EditCut", kWaiting},                     // frmMain::m_EditCut
    {"ID_EditCopy", kWaiting},                    // frmMain::m_EditCopy
    {"ID_EditPaste", kWaiting},                   // frmMain::m_EditPaste
    {"id_EditDelete", kWaiting},                  // frmMain::m_EditDelete
    {"ID_EditFind", kWaiting},                    // frmMain::m_EditFind
    {"id_EditFindNext", kWaiting},                // frmMain::m_EditFindNext
    {"id_EditReplace", kWaiting},                 // frmMain::m_EditReplace
    {"id_EditSelectAll", kWaiting},               // frmMain::m_EditSelectAll
    {"id_EditSelectCurrentLine", kWaiting},       // frmMain::m_EditSelectCurrentLine
    {"id_EditGoToLine", kWaiting},                // frmMain::m_EditGoToLine
    {"ID_EditPreferences", kWaiting},             // frmMain::m_EditPreferences
    {"ID_CommentRemove", kWaiting},               // frmMain::m_CommentClear
    {"ID_CommentAdd", kWaiting},                  // frmMain::m_CommentAdd
    {"ID_CopyFilePath/Name", kWaiting},           // frmMain::m_CopyFilePathName
    {"ID_Date/Time", kWaiting},                   // frmMain::m_InsertDateTime
    {"ID_DOSCommand", kWaiting},                  // frmMain::m_RunDosPrompt
    {"ID_ExecuteScript", kWaiting},               // frmMain::m_ExecScript
    {"ID_CloseEditor", kWaiting},                 // frmMain::m_CloseEditor
    {"ID_Calc", kWaiting},                        // frmMain::m_RunCalculator
    {"ID_Notepad", kWaiting},                     // frmMain::m_RunNotepad
    {"ID_Regedit", kWaiting},                     // frmMain::m_RunRegistryEditor
    {"ID_EnableBackup", enableBackup},
    {"ID_DisableBackup", disableBackup},
    {"ID_InsertClass", kWaiting},                 // frmNewClass, loaded, then shown modally
    {"ID_NewFunction", kWaiting},                 // frmAddFunction, the same
    {"ID_NewSubroutine", kWaiting},               // frmAddSubroutine, the same
    {"ID_AddProperty", kWaiting},                 // frmAddProperty, the same
    {"id_BookmarksBookmarkOn/Off", kWaiting},     // frmMain::m_BookmarkToggle
    {"id_BookmarksClearAllBookmarks", kWaiting},  // frmMain::m_BookmarkClearAll
    {"id_BookmarksJumptoFirstBookmark", kWaiting},    // frmMain::m_BookmarkFirst
    {"id_BookmarksJumptoLastBookmark", kWaiting},     // frmMain::m_BookmarkLast
    {"id_BookmarksGotoNextBookmark", kWaiting},       // frmMain::m_BookmarkNext
    {"id_BookmarksGotoPreviousBookmark", kWaiting},   // frmMain::m_BookmarkPrevious
    {"ID_About", kWaiting},                       // frmAbout, loaded, then shown modally
    {"ID_Contents", kWaiting},                    // frmMain::m_HelpContents
    {"ID_KzScriptHelp", kWaiting},                // frmMain::m_ScriptingHelp
    {"ID_VbScript", kWaiting},                    // frmMain::m_VbScriptReference
    {"ID_KestrinForum", kWaiting},                // CShell::OpenUrl with the forum's address
    {"ID_Contact", kWaiting},                     // CShell::OpenUrl with the contact page
    {"ID_Homepage", kWaiting},                    // CShell::OpenUrl with the home page
    {"ID_Support", kWaiting},                     // CShell::CreateNewMailMessage, the support mail
}};

// The first entry whose ID equals toolId, with regard to case; null when none.
const ToolEntry* findEntry(std::string_view toolId) {
  for (const ToolEntry& entry : kToolTable)
    if (entry.id == toolId) return &entry;
  return nullptr;
}

}  // namespace

int32_t toolDispatchIndex(const std::string& toolId) {
  const ToolEntry* entry = findEntry(toolId);
  return entry ? static_cast<int32_t>(entry - kToolTable.data()) + 1 : 0;
}

int32_t toolDispatchCount() { return static_cast<int32_t>(kToolTable.size()); }

std::string toolDispatchId(int32_t index) {
  if (index < 1 || index > toolDispatchCount()) return {};
  return std::string(kToolTable[static_cast<size_t>(index - 1)].id);
}

bool toolDispatchWaiting(int32_t index) {
  if (index < 1 || index > toolDispatchCount()) return false;
  return kToolTable[static_cast<size_t>(index - 1)].command == kWaiting;
}

void frmMain::SSActiveToolBars1_ToolClick(const platform::controls::Tool& Tool) {
  // The window stays whole while a command unloads it; the ID is copied, as
  // a command may replace the toolbar's layout.
  const std::shared_ptr<platform::ui::Form> keep = weak_from_this().lock();
  const std::string toolId = Tool.id;
  const std::string source = kTraceText + toolId;

  diagnostics::Trap trap([&](diagnostics::Failure& failure) {
    failure.source = source;
    platform::ui::MsgBox(failure.description + kNineBlanks, mb::OKOnly | mb::Exclamation, source);
  });
  diagnostics::Trace trace(trap);
  ToolCall call{*this, trap};

  const diagnostics::TrapEnd end = trap.body([&] {
    trace.enter(source);
    const ToolEntry* entry = nullptr;
    trap.step([&] { entry = findEntry(toolId); });
    if (entry && entry->command != kWaiting) entry->command(call);
  });
  // Abort, the own message and an answer to leave at once end without the
  // pop; every way out releases what the call held.
  if (end != diagnostics::TrapEnd::Completed) trace.skipExit();
}

}  // namespace kestrin::editor
