// The tool dispatcher: every menu item and toolbar button of the main window
// is a tool of its toolbar control, and a click on one runs the command of
// the first entry of the table below whose ID equals the tool's ID.
//
// The IDs are compared with regard to case ("id_EditUndo" is an entry,
// "ID_EditUndo" is none) in the order of the table; an ID that no entry has
// does nothing.
#include <array>
#include <functional>
#include <memory>
#include <source_location>
#include <string>
#include <string_view>

#include "authoring/frmAddFunction.h"
#include "authoring/frmAddProperty.h"
#include "authoring/frmAddSubroutine.h"
#include "authoring/frmNewClass.h"
#include "diagnostics/handling.h"
#include "diagnostics/trace.h"
#include "editor/frmAbout.h"
#include "editor/frmMain.h"
#include "editor/modMain.h"
#include "platform/runtime/convert.h"
#include "platform/runtime/datetime.h"
#include "platform/runtime/errors.h"
#include "platform/runtime/strings.h"
#include "platform/scripting/file_system.h"
#include "platform/ui/form.h"
#include "platform/ui/msgbox.h"
#include "platform/win32/component.h"
#include "platform/win32/registry.h"
#include "support/CShell.h"

namespace kestrin::editor {

namespace {

namespace mb = platform::ui::mb;

// The messages' closing blanks.
const std::string kNineBlanks(9, ' ');
const char* const kTraceText = "frmMain::SSActiveToolBars1_ToolClick [tool] ";

// The library files that the support mail describes.
const char* const kEditorLibraryName = "KestrinScriptEditor.so";
const char* const kBridgeLibraryName = "kzenvb.dll";

// A file object of the text; none fails as an object that is not set.
platform::scripting::File& fileOf(const std::shared_ptr<platform::scripting::File>& file) {
  if (!file) platform::raise(platform::err::ObjectVariableNotSet);
  return *file;
}

// A size in bytes as whole thousands, halves to even, with "kb".
std::string kiloBytes(int64_t bytes) {
  return std::to_string(static_cast<int64_t>(platform::roundHalfEven(static_cast<double>(bytes) / 1000.0))) + "kb";
}

// One click: the window, the dispatcher's trap (every statement of a
// command entry is one of its steps, so that Retry runs it again and Ignore
// goes on after it) and the shell object of the web and mail entries, made
// at its first use in the call and released when the dispatcher leaves by
// any way.
struct ToolCall {
  frmMain& window;
  diagnostics::Trap& trap;
  std::unique_ptr<support::CShell> shellObject;

  support::CShell& shell() {
    if (!shellObject) shellObject = std::make_unique<support::CShell>();
    return *shellObject;
  }
};

using Command = void (*)(ToolCall&);

// An entry that matches and does nothing.
void nothing(ToolCall&) {}

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

// ---- Commands of the window and its module ------------------------------------------

void fileNew(ToolCall& call) {
  call.trap.step([&] { modMain::g_frmFileNew(call.window); });
}
void fileOpen(ToolCall& call) {
  call.trap.step([&] { call.window.m_FileOpen(); });
}
// The save's result is not looked at.
void fileSave(ToolCall& call) {
  call.trap.step([&] { modMain::gbln_FileSave(call.window); });
}
void fileSaveAs(ToolCall& call) {
  call.trap.step([&] { call.window.m_FileSaveAs(); });
}
void execScript(ToolCall& call) {
  call.trap.step([&] { call.window.m_ExecScript(); });
}

// The editing and bookmark commands.
void insertFile(ToolCall& call) {
  call.trap.step([&] { call.window.m_InsertFile(); });
}
void editUndo(ToolCall& call) {
  call.trap.step([&] { call.window.m_EditUndo(); });
}
void editRedo(ToolCall& call) {
  call.trap.step([&] { call.window.m_EditRedo(); });
}
void editCut(ToolCall& call) {
  call.trap.step([&] { call.window.m_EditCut(); });
}
void editCopy(ToolCall& call) {
  call.trap.step([&] { call.window.m_EditCopy(); });
}
void editPaste(ToolCall& call) {
  call.trap.step([&] { call.window.m_EditPaste(); });
}
void editDelete(ToolCall& call) {
  call.trap.step([&] { call.window.m_EditDelete(); });
}
void editFind(ToolCall& call) {
  call.trap.step([&] { call.window.m_EditFind(); });
}
void editFindNext(ToolCall& call) {
  call.trap.step([&] { call.window.m_EditFindNext(); });
}
void editReplace(ToolCall& call) {
  call.trap.step([&] { call.window.m_EditReplace(); });
}
void editSelectAll(ToolCall& call) {
  call.trap.step([&] { call.window.m_EditSelectAll(); });
}
void editSelectCurrentLine(ToolCall& call) {
  call.trap.step([&] { call.window.m_EditSelectCurrentLine(); });
}
void editGoToLine(ToolCall& call) {
  call.trap.step([&] { call.window.m_EditGoToLine(); });
}
void commentClear(ToolCall& call) {
  call.trap.step([&] { call.window.m_CommentClear(); });
}
void commentAdd(ToolCall& call) {
  call.trap.step([&] { call.window.m_CommentAdd(); });
}
void copyFilePathName(ToolCall& call) {
  call.trap.step([&] { call.window.m_CopyFilePathName(); });
}
void insertDateTime(ToolCall& call) {
  call.trap.step([&] { call.window.m_InsertDateTime(); });
}
void bookmarkToggle(ToolCall& call) {
  call.trap.step([&] { call.window.m_BookmarkToggle(); });
}
void bookmarkClearAll(ToolCall& call) {
  call.trap.step([&] { call.window.m_BookmarkClearAll(); });
}
void bookmarkFirst(ToolCall& call) {
  call.trap.step([&] { call.window.m_BookmarkFirst(); });
}
void bookmarkLast(ToolCall& call) {
  call.trap.step([&] { call.window.m_BookmarkLast(); });
}
void bookmarkNext(ToolCall& call) {
  call.trap.step([&] { call.window.m_BookmarkNext(); });
}
void bookmarkPrevious(ToolCall& call) {
  call.trap.step([&] { call.window.m_BookmarkPrevious(); });
}

// ---- The utility, help and print commands --------------------------------------------

void closeAllFiles(ToolCall& call) {
  call.trap.step([&] { call.window.m_CloseAllFiles(); });
}
void saveAllFiles(ToolCall& call) {
  call.trap.step([&] { call.window.m_SaveAllFiles(); });
}
void filePrint(ToolCall& call) {
  call.trap.step([&] { call.window.m_FilePrint(); });
}
void closeEditor(ToolCall& call) {
  call.trap.step([&] { call.window.m_CloseEditor(); });
}
void filePrintSetup(ToolCall& call) {
  call.trap.step([&] { call.window.m_FilePrintSetup(); });
}
void runDosPrompt(ToolCall& call) {
  call.trap.step([&] { call.window.m_RunDosPrompt(); });
}
void runCalculator(ToolCall& call) {
  call.trap.step([&] { call.window.m_RunCalculator(); });
}
void runNotepad(ToolCall& call) {
  call.trap.step([&] { call.window.m_RunNotepad(); });
}
void runRegistryEditor(ToolCall& call) {
  call.trap.step([&] { call.window.m_RunRegistryEditor(); });
}
void editPreferences(ToolCall& call) {
  call.trap.step([&] { call.window.m_EditPreferences(); });
}
void helpContents(ToolCall& call) {
  call.trap.step([&] { call.window.m_HelpContents(); });
}
void scriptingHelp(ToolCall& call) {
  call.trap.step([&] { call.window.m_ScriptingHelp(); });
}
void vbScriptReference(ToolCall& call) {
  call.trap.step([&] { call.window.m_VbScriptReference(); });
}

// The About window: loaded, then shown modally over the main window (after
// a failing load, Ignore goes on with the show).
void aboutWindow(ToolCall& call) {
  call.trap.step([&] { platform::ui::defaultInstance<frmAbout>()->load(); });
  call.trap.step([&] { platform::ui::defaultInstance<frmAbout>()->show(platform::ui::vbModal, &call.window); });
}

// The code dialogs, each the same way: its default instance loaded, then
// shown modally over the main window (after a failing load, Ignore goes on
// with the show).
template <class Dialog>
void codeDialog(ToolCall& call) {
  call.trap.step([&] { platform::ui::defaultInstance<Dialog>()->load(); });
  call.trap.step([&] { platform::ui::defaultInstance<Dialog>()->show(platform::ui::vbModal, &call.window); });
}

// ---- The web and mail links ----------------------------------------------------------
//
// The addresses are the installation's configuration (linkAddress); the
// shell's errors come to the dispatcher's trap.

void openPage(ToolCall& call, const char* addressValue) {
  std::string url;
  call.trap.step([&] { url = linkAddress(addressValue); });
  call.trap.step([&] { call.shell().OpenUrl(url); });
}
void forumPage(ToolCall& call) { openPage(call, kForumPageValue); }
void contactPage(ToolCall& call) { openPage(call, kContactPageValue); }
void homePage(ToolCall& call) { openPage(call, kHomePageValue); }

// The support mail to the mailbox of linkAddress, with the subject "Kestrin
// VBScript Support" and the text of supportMailText.
void supportMail(ToolCall& call) {
  std::string body, mailbox;
  call.trap.step([&] { body = supportMailText(call.trap); });
  call.trap.step([&] { mailbox = linkAddress(kSupportMailboxValue); });
  call.trap.step([&] { call.shell().CreateNewMailMessage(mailbox, "", "Kestrin VBScript Support", body); });
}

// ---- The code templates -------------------------------------------------------------
//
// A template is one statement of the dispatcher: a failure that it does not
// handle itself comes to the dispatcher's trap.

template <void (*Template)(frmMain&)>
void codeTemplate(ToolCall& call) {
  call.trap.step([&] { Template(call.window); });
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
    {"ID_FileNew", fileNew},
    {"ID_FileOpen", fileOpen},
    {"ID_CloseAllFiles", closeAllFiles},
    {"ID_FileSave", fileSave},
    {"ID_FileSaveAs", fileSaveAs},
    {"ID_SaveAllFiles", saveAllFiles},
    {"id_FilePrint", filePrint},
    {"id_FileExit", closeEditor},
    {"ID_InsertFile", insertFile},
    {"ID_PrintSetup", filePrintSetup},
    {"ID_TODO", codeTemplate<modMain::g_ToDo>},
    {"ID_If...EndIf", codeTemplate<modMain::g_IfCode>},
    {"ID_If..ElseIf..EndIf", codeTemplate<modMain::g_ElseIfCode>},
    {"ID_SelectCase", codeTemplate<modMain::g_SelectCaseCode>},
    {"ID_For..Next", codeTemplate<modMain::g_ForNextCode>},
    {"ID_For..Each", codeTemplate<modMain::g_ForEachCode>},
    {"ID_Arc", codeTemplate<modMain::g_AddArcDeclare>},
    {"ID_Line", codeTemplate<modMain::g_AddLineDeclare>},
    {"ID_Point", codeTemplate<modMain::g_AddPointDeclare>},
    {"ID_Rectangle", codeTemplate<modMain::g_AddRectangleDeclare>},
    {"ID_Leads", codeTemplate<modMain::g_AddLeadsDeclare>},
    {"ID_DepthCuts", codeTemplate<modMain::g_AddDepthsDeclare>},
    {"ID_OverRide", codeTemplate<modMain::g_AddOverRideDeclare>},
    {"ID_AddBackSlash", codeTemplate<modMain::g_AddBackSlashCode>},
    {"ID_InitializeScreen", codeTemplate<modMain::g_AddInitializeCode>},
    {"ID_ResetAll", codeTemplate<modMain::g_ReSetAllCode>},
    {"ID_CheckForDrawing", codeTemplate<modMain::g_CheckForDrawing>},
    {"ID_BrowseForFolder", codeTemplate<modMain::g_BrowseForFolder>},
    {"ID_InsertFSO", codeTemplate<modMain::g_AddFSO>},
    {"ID_InsertWSH", codeTemplate<modMain::g_AddWSH>},
    {"ID_InsertInclude", codeTemplate<modMain::g_AddInclude>},
    {"ID_ADO", codeTemplate<modMain::g_AddADO>},
    {"ID_AutoCAD", codeTemplate<modMain::g_AddAutoCAD>},
    {"ID_DefineNotepad", codeTemplate<modMain::g_Notepad>},
    {"ID_MSWord", codeTemplate<modMain::g_AddWord>},
    {"ID_MSExcel", codeTemplate<modMain::g_AddExcel>},
    {"id_EditUndo", editUndo},
    {"id_EditRedo", editRedo},
    {"ID_EditCut", editCut},
    {"ID_EditCopy", editCopy},
    {"ID_EditPaste", editPaste},
    {"id_EditDelete", editDelete},
    {"ID_EditFind", editFind},
    {"id_EditFindNext", editFindNext},
    {"id_EditReplace", editReplace},
    {"id_EditSelectAll", editSelectAll},
    {"id_EditSelectCurrentLine", editSelectCurrentLine},
    {"id_EditGoToLine", editGoToLine},
    {"ID_EditPreferences", editPreferences},
    {"ID_CommentRemove", commentClear},
    {"ID_CommentAdd", commentAdd},
    {"ID_CopyFilePath/Name", copyFilePathName},
    {"ID_Date/Time", insertDateTime},
    {"ID_DOSCommand", runDosPrompt},
    {"ID_ExecuteScript", execScript},
    {"ID_CloseEditor", closeEditor},
    {"ID_Calc", runCalculator},
    {"ID_Notepad", runNotepad},
    {"ID_Regedit", runRegistryEditor},
    {"ID_EnableBackup", enableBackup},
    {"ID_DisableBackup", disableBackup},
    {"ID_InsertClass", codeDialog<frmNewClass>},
    {"ID_NewFunction", codeDialog<frmAddFunction>},
    {"ID_NewSubroutine", codeDialog<frmAddSubroutine>},
    {"ID_AddProperty", codeDialog<frmAddProperty>},
    {"id_BookmarksBookmarkOn/Off", bookmarkToggle},
    {"id_BookmarksClearAllBookmarks", bookmarkClearAll},
    {"id_BookmarksJumptoFirstBookmark", bookmarkFirst},
    {"id_BookmarksJumptoLastBookmark", bookmarkLast},
    {"id_BookmarksGotoNextBookmark", bookmarkNext},
    {"id_BookmarksGotoPreviousBookmark", bookmarkPrevious},
    {"ID_About", aboutWindow},
    {"ID_Contents", helpContents},
    {"ID_KzScriptHelp", scriptingHelp},
    {"ID_VbScript", vbScriptReference},
    {"ID_KestrinForum", forumPage},
    {"ID_Contact", contactPage},
    {"ID_Homepage", homePage},
    {"ID_Support", supportMail},
}};

// The first entry whose ID equals toolId, with regard to case; null when none.
const ToolEntry* findEntry(std::string_view toolId) {
  for (const ToolEntry& entry : kToolTable)
    if (entry.id == toolId) return &entry;
  return nullptr;
}

}  // namespace

std::string supportMailText(diagnostics::Handling& handling) {
  // Each statement reports its own line.
  const auto step = [&](const std::function<void()>& statement,
                        std::source_location where = std::source_location::current()) {
    handling.run(statement, where);
  };
  const char* const crLf = "\r\n";
  platform::scripting::FileSystemObject fso;
  std::shared_ptr<platform::scripting::File> library, bridge;
  std::string body, libraryPath, bridgePath;
  bool bridgeExists = false;

  // The component's own file in the editor's folder, and the host's bridge
  // library in "Addlets".
  step([&] {
    const std::string own = fso.GetFileName(platform::componentIdentity().path);
    libraryPath = modMain::gstr_AddBackSlash(modMain::gstr_EditorFolder()) +
                  (own.empty() ? std::string(kEditorLibraryName) : own);
  });
  step([&] { bridgePath = modMain::gstr_AddBackSlash(modMain::gstr_GetPathToKestrin(2)) + kBridgeLibraryName; });
  step([&] { library = fso.GetFile(libraryPath); });
  step([&] { body += std::string("[Editor]") + crLf; });
  step([&] {
    const auto& identity = platform::componentIdentity();
    body += " Build " + std::to_string(identity.major) + "." + std::to_string(identity.minor) + "." +
            std::to_string(identity.revision) + crLf;
  });
  step([&] {
    body += ", Date " + platform::lCase(platform::generalDateText(fileOf(library).dateLastModified())) + crLf;
  });
  step([&] { body += ", File size " + kiloBytes(fileOf(library).size()) + crLf; });
  step([&] { body += crLf; });
  step([&] { body += std::string(" [Addlet]") + crLf; });
  step([&] { bridgeExists = fso.FileExists(bridgePath); });
  if (bridgeExists) {
    step([&] { bridge = fso.GetFile(bridgePath); });
    step([&] {
      body += ", Date " + platform::lCase(platform::generalDateText(fileOf(bridge).dateLastModified())) + crLf;
    });
    step([&] { body += ", File size " + kiloBytes(fileOf(bridge).size()) + crLf; });
  } else {
    step([&] { body += std::string(" Name ") + kBridgeLibraryName + " [MISSING?]" + crLf; });
  }
  return body;
}

std::string linkAddress(const std::string& valueName) {
  std::string fallback;
  if (valueName == kHomePageValue)
    fallback = "https://www.example.com/kestrin/";
  else if (valueName == kContactPageValue)
    fallback = "https://www.example.com/contact/";
  else if (valueName == kForumPageValue)
    fallback = "https://www.example.com/kestrin/forum/";
  else if (valueName == kSupportMailboxValue)
    fallback = "support@example.com";

  std::string value;
  const platform::LONG result = platform::readRegistryText(platform::HKEY_LOCAL_MACHINE, kLinksKey, valueName, &value);
  // A value of another kind is a configuration fault, not an address.
  if (result == platform::ERROR_INVALID_DATA) platform::raise(platform::err::TypeMismatch);
  if (result != platform::ERROR_SUCCESS) return fallback;
  return value.empty() ? fallback : value;
}

int32_t toolDispatchIndex(const std::string& toolId) {
  const ToolEntry* entry = findEntry(toolId);
  return entry ? static_cast<int32_t>(entry - kToolTable.data()) + 1 : 0;
}

int32_t toolDispatchCount() { return static_cast<int32_t>(kToolTable.size()); }

std::string toolDispatchId(int32_t index) {
  if (index < 1 || index > toolDispatchCount()) return {};
  return std::string(kToolTable[static_cast<size_t>(index - 1)].id);
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
  ToolCall call{*this, trap, nullptr};

  const diagnostics::TrapEnd end = trap.body([&] {
    trace.enter(source);
    const ToolEntry* entry = nullptr;
    trap.step([&] { entry = findEntry(toolId); });
    if (entry) entry->command(call);
  });
  // Abort, the own message and an answer to leave at once end without the
  // pop; every way out releases what the call held.
  if (end != diagnostics::TrapEnd::Completed) trace.skipExit();
}

}  // namespace kestrin::editor
