// frmMain: the editor's main window. It holds the code editor, the menus
// and toolbars, the task pane, the status bar and the editor's running
// state; CMainFrontEnd::RunEditor loads it hidden, opens a document in it
// and shows it modally.
//
// This is the one declaration of the window class, in sections by subject;
// each section names the file that defines it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/controls/code_editor_control.h"
#include "platform/controls/common_dialog.h"
#include "platform/controls/image_list.h"
#include "platform/controls/splitter.h"
#include "platform/controls/status_bar.h"
#include "platform/controls/task_list.h"
#include "platform/controls/toolbar.h"
#include "platform/runtime/script_file.h"
#include "platform/ui/form.h"
#include "platform/ui/timer.h"
#include "platform/zip/zipper.h"
#include "support/CAppSettings.h"
#include "support/CFormEx.h"
#include "support/CFormRestore.h"

namespace kestrin::diagnostics {
class Handling;
}
namespace kestrin::authoring {
class CSelectedWord;
}

namespace kestrin::editor {

// The main window's title, by which a second RunEditor finds an open editor.
inline constexpr const char* kMainWindowTitle = "Kestrin VB Script Editor";
// The name of a script that was never saved.
inline constexpr const char* kNewScriptName = "New Kestrin Script";

class frmMain : public platform::ui::Form {
 public:
  frmMain();
  ~frmMain() override;

  // ---- Controls (frmMain.cpp; made at every load) ---------------------------
  // The script text.
  std::shared_ptr<platform::controls::CodeEditorControl> CodeSense1;
  // Every menu and toolbar command, as tools with ID strings; its design
  // layout is built by frmMain_layout.cpp.
  std::shared_ptr<platform::controls::Toolbar> SSActiveToolBars1;
  // Holds the task pane (the task list) in its pane 1.
  std::shared_ptr<platform::controls::Splitter> SSSplitter1;
  // The user's task list, in the task pane.
  std::shared_ptr<platform::controls::TaskList> PVTaskPad1;
  // Panels keyed "MAIN", "FILE", "CURSOR", "SIZE", then a date and a time.
  std::shared_ptr<platform::controls::StatusBar> StatusBar1;
  // The completion list's images: "class", "sub", "property", "method",
  // "variable", "map", "control".
  std::shared_ptr<platform::controls::ImageList> IMGIntellisence;
  // The open and save dialogs.
  std::shared_ptr<platform::controls::CommonDialog> dlgCommonDialog;
  // The autosave's archives.
  std::shared_ptr<platform::zip::Zipper> xzipper1;
  // The autosave tick: 65535 ms, off until switched on.
  std::shared_ptr<platform::ui::Timer> tmrAutoSave;

  // The design layout of the menus, popups and toolbars (frmMain_layout.cpp).
  static platform::controls::ToolbarLayout designLayout();

  // ---- Document identity and loading (frmMain_document.cpp) -----------------
  // Loads a script into the editor and names the document after the path
  // (the "MAIN" panel adds " *** READ ONLY ***" while the editor is
  // read-only). Traced and trapped; IsDirty is left as it was.
  void FileToView(const std::string& path);
  // The loading work of FileToView: the language registration, the file
  // into the editor, the text length. Failures are skipped.
  void m_GetScriptData(const std::string& path);
  // The path given to the last FileToView; empty after a new script.
  const std::string& CurrentFileName() const { return m_strCurrentFile; }
  // The modified flag that the save questions read (published as
  // "IsDirty").
  bool IsDirty() const { return m_bIsDirty; }
  void setIsDirty(bool dirty) { m_bIsDirty = dirty; }
  // The editor text's length right after the last load.
  int32_t m_lTextLength = 0;
  // The file as the document last saw it, when it was loaded from it or
  // saved to it ("" forgets it): a save then tells whether another program
  // changed or replaced the file in between.
  void rememberDiskFile(const std::string& path);
  bool diskFileChangedElsewhere(const std::string& path) const;

  // ---- Script files (frmMain_files.cpp) -------------------------------------
  // The Open command: after the save question while the script is modified
  // and writable, the open dialog (folder "VB"); Cancel ends it quietly. A
  // read-only, hidden or compressed file is warned about and opens the
  // editor read-only, any other file makes it writable. IsDirty is left as
  // it was. Traced; failures are skipped.
  void m_FileOpen();
  // The Save As command: the save dialog in the script's own folder (or
  // "VB"), then the save under the chosen name and the host told. Nothing
  // while the editor is read-only. Traced; failures are skipped.
  void m_FileSaveAs();

  // ---- Run hand-over (frmMain_run.cpp) --------------------------------------
  // The run command: stores what the return needs (WasDirty,
  // LastScriptLoaded, the bookmarks with BookmarkScriptName, TempScript),
  // writes the editor text to the hidden copy "_Temp.vbs", sets
  // m_bHandedOver and hands the copy to the host. When the bridge library
  // is missing or cannot be loaded every window closes without a question.
  // Traced and trapped.
  void m_ExecScript();

  // ---- Editing and bookmark commands (frmMain_editing.cpp) ------------------
  // Failures are skipped statement by statement, except in
  // m_CopyFilePathName. The commands that change the text (undo, redo, cut,
  // paste, replace, date and time, comment add and remove, insert file) do
  // nothing while the editor is read-only, and run the dirty marker before
  // they act, whether or not the change then happens.
  void m_EditUndo();
  void m_EditRedo();
  // The selection to the clipboard (emptied first), then removed.
  void m_EditCut();
  void m_EditCopy();
  void m_EditPaste();
  // Removes the selection; a read-only editor refuses it by itself.
  void m_EditDelete();
  // The editor's find, find next, replace, select all, select line and go
  // to line (which asks the user for the line).
  void m_EditFind();
  void m_EditFindNext();
  void m_EditReplace();
  void m_EditSelectAll();
  void m_EditSelectCurrentLine();
  void m_EditGoToLine();
  // The bookmark commands switch the left margin on first; they work on a
  // read-only script too.
  void m_BookmarkToggle();
  void m_BookmarkClearAll();
  void m_BookmarkFirst();
  void m_BookmarkLast();
  void m_BookmarkNext();
  void m_BookmarkPrevious();
  // The document name, "*" included, to the clipboard. No handling of its
  // own: a failure reaches the caller.
  void m_CopyFilePathName();
  // A new line, then the present date and time in the general date form.
  void m_InsertDateTime();
  // An apostrophe at the start of every line of the selection (the last
  // one too when the selection ends at its first column); the selection's
  // numbers are selected again. Traced.
  void m_CommentAdd();
  // One apostrophe removed at the start of the selected text and after
  // each of its line breaks. Traced.
  void m_CommentClear();
  // A script chosen in the open dialog (folder "VB") at the end of the
  // text, after two new lines; Cancel inserts nothing, the document being
  // marked already. Traced.
  void m_InsertFile();

  // ---- Autosave (frmMain_autosave.cpp) --------------------------------------
  // The tick of tmrAutoSave: at the tick whose count reaches the whole
  // minutes of AutoSaveMinutes (at every tick for 0 or less, or a text that
  // is no number) the script is backed up into AutoSavePath, when that
  // folder exists, as "<file name>-DD.MM.YYYY-hh.mm" with ".zip" (ZipFile
  // 1) or ".bak". A script without a file (unless it is the new script and
  // DoNotSaveNewFile is 1) is first written to "VB/New Kestrin Script.vbs",
  // backed up under that name and, once written, named "New Kestrin
  // Script", not modified. Failures are skipped; the count starts again
  // after every attempt.
  void tmrAutoSave_Timer();

  // ---- Window state ---------------------------------------------------------
  // The completion list is open (the completion handlers keep it).
  bool m_bListOpen = false;
  // The current script has been handed to the host to run: the close query
  // then asks nothing and keeps the temporary copy.
  bool m_bHandedOver = false;
  // The column of the caret's end as m_GetRange last read it (the
  // completion handlers keep it too).
  int32_t m_lCursorCol = 0;
  // The rest of the completion state, kept by the completion handlers: the
  // word at the caret and the list's highlighted entry as the key events
  // and the list last gave them, where the argument tip starts (the end line
  // and column of the range; none before the first tip) and, in CWord, the
  // word whose tip text the tip shows.
  std::string m_strCurrentWord;
  std::string m_strPickedWord;
  std::optional<platform::controls::CodeRange> m_rngTipStart;
  std::shared_ptr<authoring::CSelectedWord> CWord;
  // The placement and window-style helpers, made by the load step and
  // released by the unload step: the settings store at its default path
  // (HKEY_LOCAL_MACHINE\Software\MyCompany\MyApplication), the placement
  // kept in its section "Windows settings\frmMain", and the window's styles
  // (its own taskbar button).
  std::shared_ptr<support::CAppSettings> m_oAppSettings;
  std::shared_ptr<support::CFormRestore> m_oFormRestore;
  std::shared_ptr<support::CFormEx> m_oFormEx;

  // ---- Tool dispatcher (frmMain_dispatch.cpp) -------------------------------
  // The toolbar control's tool-click event: runs the command of the first
  // entry of the dispatch table whose ID equals the tool's ID, compared with
  // regard to case; an ID of no entry does nothing. Traced
  // ("frmMain::SSActiveToolBars1_ToolClick [tool] " and the ID) and trapped:
  // without a diagnostics object a failure shows its description in a box
  // titled with that trace text.
  void SSActiveToolBars1_ToolClick(const platform::controls::Tool& Tool);

  // ---- Utility, help and print commands (frmMain_utility.cpp) ---------------
  // Each skips its failing statements and shows only the messages named
  // here; what the shell cannot open shows nothing.
  // Unloads every window of the editor (modMain::UnloadAll).
  void m_CloseEditor();
  // Prints the text with its line numbers through the code editor.
  void m_FilePrint();
  // The print dialog's printer set-up form, owned by the window; what the
  // user chooses is not read back.
  void m_FilePrintSetup();
  // "Help/kzScriptEd.hlp" of the editor's folder, or the message "Editor
  // help file not avialable at this time".
  void m_HelpContents();
  // "Help/VBScript.htm"; nothing when it is missing.
  void m_ScriptingHelp();
  // "VBSCRIP5.CHM" of the editor's folder; nothing when it is missing.
  void m_VbScriptReference();
  // The Options dialog with a new CPreferences, shown modally over the
  // window. Traced.
  void m_EditPreferences();
  // The system programs (systemProgramPaths): the first of the program's
  // two places that exists is started; with neither, "Could not open DOS
  // command prompt", "... notepad", "... calculator", "... registry editor".
  void m_RunDosPrompt();
  void m_RunNotepad();
  void m_RunCalculator();
  void m_RunRegistryEditor();
  // Nothing: one empty body serves both.
  void m_CloseAllFiles();
  void m_SaveAllFiles();
  // Loads "Addlets/KzDef.vbs" like an opened script, or says "Could not
  // locate kzdef.vbs". No tool calls it.
  void m_OpenDefinitionsScript();
  // A property that nothing in the editor reads or sets; False when the
  // window is made.
  bool ProjectExplorerIsOpen() const { return m_bProjectExplorerIsOpen; }
  void setProjectExplorerIsOpen(bool open) { m_bProjectExplorerIsOpen = open; }
  bool m_bProjectExplorerIsOpen = false;

  // ---- Status panels and view events (frmMain_view.cpp) ---------------------
  // Fills "CURSOR" ("  Line 12, Col 5", counted from 1) from the end of the
  // selection and "SIZE" from m_lTextLength ("File Size: 12kb", halves to
  // even; "File Size: 0 bytes"), keeps the end column in m_lCursorCol and
  // marks the completion list closed. The argument changes nothing. Traced;
  // no handling of its own.
  void m_GetRange(bool fromEvent);
  // Moves the highlighted line to the caret's line when the preference
  // HighLightLine is 1, then redraws the editor. Failures are skipped.
  void m_HighlightCurrentLine();

  // The editor control's events (no handling of their own unless said).
  void CodeSense1_GotFocus();
  // Marks the document modified unless the editor is read-only.
  void CodeSense1_TextChange();
  bool CodeSense1_MouseDown(int32_t Button, int32_t Shift, int32_t X, int32_t Y);
  bool CodeSense1_MouseUp(int32_t Button, int32_t Shift, int32_t X, int32_t Y);
  // Shows the Edit menu ("ID_Edit") as a popup; True: no menu of the
  // editor's own.
  bool CodeSense1_RightClick();
  void CodeSense1_SelectionChange(platform::controls::CodeEditor& Control);

  // The window's key events (the window sees every key first): each marks
  // the document modified unless the editor is read-only. Key press skips
  // its failures.
  void Form_KeyDown(int16_t& KeyCode, int16_t Shift);
  void Form_KeyPress(int16_t& KeyAscii);
  void Form_KeyUp(int16_t& KeyCode, int16_t Shift);

  // ---- Completion, argument tip and keys (authoring/frmMain_completion.cpp) -
  // Puts the completion entry last highlighted (m_strPickedWord) in place of
  // the word's beginning in front of the caret, leaves the caret after the
  // inserted word, keeps the word in CWord and empties m_strPickedWord. An
  // entry of blanks only inserts nothing. Always False. Traced; failures are
  // skipped.
  bool m_AddIntellWord();

  // The editor control's completion-list, argument-tip and key events; no
  // handling of their own (a failure goes back to the control). The key
  // events mark the document modified unless the editor is read-only.
  bool CodeSense1_CompletionListShow(platform::controls::CompletionList& List);
  bool CodeSense1_CompletionListPick(platform::controls::CompletionList& List);
  bool CodeSense1_CompletionListMark(platform::controls::CompletionList& List);
  bool CodeSense1_CompletionListKey(platform::controls::CompletionList& List, int32_t KeyCode, int32_t Shift);
  bool CodeSense1_CompletionListWord(platform::controls::CompletionList& List, int32_t Index);
  std::string CodeSense1_CompletionListSelChange(platform::controls::CompletionList& List, int32_t Index);
  int32_t CodeSense1_TipKind();
  void CodeSense1_TipShow(platform::controls::ArgumentTip& Tip);
  void CodeSense1_TipUpdate(platform::controls::ArgumentTip& Tip);
  void CodeSense1_TipDismissed();
  bool CodeSense1_TipCancel();
  bool CodeSense1_KeyDown(int32_t KeyCode, int32_t Shift);
  bool CodeSense1_KeyPress(int32_t KeyAscii, int32_t Shift);
  bool CodeSense1_KeyUp(int32_t KeyCode, int32_t Shift);

  // The editor control's event sink: each event goes to the window's handler
  // of it. The view events are defined with their handlers in
  // frmMain_view.cpp; the authoring aids derive the sink that adds the
  // completion, tip and key events (AuthoringParts).
  class CodeSenseEvents : public platform::controls::CodeEditorEvents {
   public:
    explicit CodeSenseEvents(frmMain& owner) : owner_(owner) {}
    void gotFocus(platform::controls::CodeEditor& editor) override;
    void textChange(platform::controls::CodeEditor& editor) override;
    bool mouseDown(platform::controls::CodeEditor& editor, int32_t button, int32_t shift, int32_t x,
                   int32_t y) override;
    bool mouseUp(platform::controls::CodeEditor& editor, int32_t button, int32_t shift, int32_t x, int32_t y) override;
    bool rightClick(platform::controls::CodeEditor& editor) override;
    void selectionChange(platform::controls::CodeEditor& editor) override;

   protected:
    frmMain& owner_;
  };

  // The authoring aids' part of the window, which they register when they
  // are part of the program (the editor's own tests run without it): the
  // event sink with the completion, tip and key handlers, the load step's
  // completion word list (modCodeSense::gbln_LoadIntellList) and a new
  // CSelectedWord for CWord. Without it those events get the control's
  // default answers, no word list is loaded and CWord stays empty.
  struct AuthoringParts {
    std::unique_ptr<CodeSenseEvents> (*makeEvents)(frmMain& owner) = nullptr;
    bool (*loadWordList)() = nullptr;
    std::shared_ptr<authoring::CSelectedWord> (*newSelectedWord)() = nullptr;
  };
  static void setAuthoringParts(const AuthoringParts& parts);
  static const AuthoringParts& authoringParts();

 protected:
  // ---- Start-up and shut-down (frmMain.cpp) ---------------------------------
  void createControls() override;
  // Form_Load: builds the editor's running state in its fixed order.
  void onLoad() override;
  // Form_QueryUnload: the exit question for a close that is not by code.
  void onQueryUnload(bool& Cancel, int32_t UnloadMode) override;
  // Form_Unload: saves the layout, the task list and the placement and
  // releases the running state.
  void onUnload(bool& Cancel) override;
  // The window's key events (frmMain_view.cpp).
  void onKeyDown(int16_t& KeyCode, int16_t Shift) override;
  void onKeyPress(int16_t& KeyAscii) override;
  void onKeyUp(int16_t& KeyCode, int16_t Shift) override;

 private:
  std::unique_ptr<CodeSenseEvents> m_CodeSenseEvents;
  std::string m_strCurrentFile;
  bool m_bIsDirty = false;
  std::string m_diskFile;
  platform::FileStamp m_diskStamp;
  // The autosave's ticks since its last attempt; kept while the timer is
  // switched off and on.
  int32_t m_lAutoSaveTicks = 0;
};

// The tool dispatcher's table (frmMain_dispatch.cpp): the position, from 1,
// of the first entry whose ID equals toolId with regard to case (0 when
// none); the number of entries; the ID at a position ("" outside the table).
int32_t toolDispatchIndex(const std::string& toolId);
int32_t toolDispatchCount();
std::string toolDispatchId(int32_t index);

// The web and mail addresses of the Help menu are configuration of the
// installation: text values of the machine key kLinksKey. An absent or
// empty value gives a placeholder address; a value that is not text raises
// 13 "Type mismatch".
inline constexpr const char* kLinksKey = "SOFTWARE\\KestrinEditor\\Links";
inline constexpr const char* kHomePageValue = "HomePage";
inline constexpr const char* kContactPageValue = "ContactPage";
inline constexpr const char* kForumPageValue = "ForumPage";
inline constexpr const char* kSupportMailboxValue = "SupportMailbox";
std::string linkAddress(const std::string& valueName);

// The support mail's text: the editor's build, the date and size of its
// library file (the component's own file) and of the host's bridge library
// ("Addlets/kzenvb.dll", or a line naming it missing), each line ended by
// CR LF. Every line is one statement of the given handling (the
// dispatcher's trap).
std::string supportMailText(diagnostics::Handling& handling);

// The system programs of the Utilities menu, each looked for at two places
// in turn. The installation may name other places as text values of the
// machine key kProgramsKey: the program's name for the first place, the
// name followed by "2" for the second; an absent or empty value keeps the
// standard place, a value that is not text raises 13 "Type mismatch".
inline constexpr const char* kProgramsKey = "SOFTWARE\\KestrinEditor\\Programs";
inline constexpr const char* kCommandPromptProgram = "CommandPrompt";  // a terminal
inline constexpr const char* kTextEditorProgram = "TextEditor";
inline constexpr const char* kCalculatorProgram = "Calculator";
inline constexpr const char* kRegistryEditorProgram = "RegistryEditor";
// The two places of a program, in the order they are tried; none for a
// name that is no program of the menu.
std::array<std::string, 2> systemProgramPaths(const std::string& program);

// The one main window of this thread (made, not loaded, at first use; a
// new object after each unload).
std::shared_ptr<frmMain> mainWindow();

}  // namespace kestrin::editor
