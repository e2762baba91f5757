// frmMain: the editor's main window. It holds the code editor, the menus
// and toolbars, the task pane, the status bar and the editor's running
// state; CMainFrontEnd::RunEditor loads it hidden, opens a document in it
// and shows it modally.
//
// This is the one declaration of the window class, in sections by subject;
// each section names the file that defines it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/controls/code_editor_control.h"
#include "platform/controls/common_dialog.h"
#include "platform/controls/image_list.h"
#include "platform/controls/splitter.h"
#include "platform/controls/status_bar.h"
#include "platform/controls/task_list.h"
#include "platform/controls/toolbar.h"
#include "platform/ui/form.h"
#include "platform/ui/timer.h"
#include "platform/zip/zipper.h"

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

  // ---- Window state ---------------------------------------------------------
  // The completion list is open (the completion handlers keep it).
  bool m_bListOpen = false;
  // The current script has been handed to the host to run: the close query
  // then asks nothing and keeps the temporary copy.
  bool m_bHandedOver = false;
  // The window's CSelectedWord (CWord) and its placement and window-style
  // helpers (m_oAppSettings, m_oFormRestore, m_oFormEx) join here with
  // their classes.

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

 private:
  std::string m_strCurrentFile;
  bool m_bIsDirty = false;
};

// The one main window of this thread (made, not loaded, at first use; a
// new object after each unload).
std::shared_ptr<frmMain> mainWindow();

}  // namespace kestrin::editor
