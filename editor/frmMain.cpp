// The main window's controls, its load step, close query and unload step.
#include "editor/frmMain.h"

#include <string>

#include "diagnostics/error_handler.h"
#include "diagnostics/handling.h"
#include "diagnostics/trace.h"
#include "editor/CPreferences.h"
#include "editor/modCodeSense.h"
#include "editor/modGlobals.h"
#include "editor/modMain.h"
#include "platform/runtime/errors.h"
#include "platform/runtime/strings.h"
#include "platform/scripting/file_system.h"
#include "platform/ui/msgbox.h"
#include "platform/ui/windows.h"
#include "platform/win32/editor_store.h"

namespace kestrin::editor {

using namespace modGlobals;
namespace mb = platform::ui::mb;

namespace {

// The messages' closing blanks.
const std::string kNineBlanks(9, ' ');
const char* const kCrLf = "\r\n";

const char* const kErrorLogName = "kzScriptErr.log";
const char* const kTraceLogName = "kzScriptTrace.log";
const char* const kTaskListName = "vbsed.tsk";
const char* const kLayoutName = "Kz.atb";

// The window's design size in twips (1000 x 700 pixels), its size on a
// start with no stored placement.
constexpr int32_t kDesignWidth = 15000;
constexpr int32_t kDesignHeight = 10500;

// The editor folder's files, read and written where this user's are (the
// user's store beside an install the user may not write).
std::string layoutPath(bool writing) {
  return writing ? platform::editorFileToWrite(kLayoutName) : platform::editorFileToRead(kLayoutName);
}
std::string taskListPath(bool writing) {
  return writing ? platform::editorFileToWrite(kTaskListName) : platform::editorFileToRead(kTaskListName);
}

// The shut-down steps' own message, shown while no diagnostics object
// exists.
void shutDownMessage(diagnostics::Failure& failure, const std::string& source) {
  failure.source = source;
  platform::ui::MsgBox("An error occured shutting down editor - " + failure.description + kCrLf + kCrLf +
                           "Error Number " + std::to_string(failure.number) + kCrLf + "Error Source " + failure.source +
                           kNineBlanks,
                       mb::OKOnly | mb::Critical, kMainWindowTitle);
}

// An object variable that may hold nothing: using it then fails as the
// runtime does, with 91.
template <class T>
T& objectOf(const std::shared_ptr<T>& object) {
  if (!object) platform::raise(platform::err::ObjectVariableNotSet);
  return *object;
}

}  // namespace

std::shared_ptr<frmMain> mainWindow() { return platform::ui::defaultInstance<frmMain>(); }

namespace {
frmMain::AuthoringParts& authoringSlot() {
  static frmMain::AuthoringParts parts;
  return parts;
}
}  // namespace

void frmMain::setAuthoringParts(const AuthoringParts& parts) { authoringSlot() = parts; }
const frmMain::AuthoringParts& frmMain::authoringParts() { return authoringSlot(); }

frmMain::frmMain()
    : Form("frmMain"),
      m_CodeSenseEvents(authoringParts().makeEvents ? authoringParts().makeEvents(*this)
                                                    : std::make_unique<CodeSenseEvents>(*this)) {
  publish(
      "IsDirty", [this] { return std::string(m_bIsDirty ? "True" : "False"); },
      [this](const std::string& value) { m_bIsDirty = value == "True" || value == "-1"; });
  publish("CurrentFileName", [this] { return m_strCurrentFile; });
}

frmMain::~frmMain() = default;

// ---- Controls -----------------------------------------------------------------

void frmMain::createControls() {
  using namespace platform::controls;

  // The design size: room for the menu bar and every toolbar on a
  // 1024 x 768 screen. A stored placement replaces it in the load step.
  move(left(), top(), kDesignWidth, kDesignHeight);

  CodeSense1 = add(std::make_shared<CodeEditorControl>("CodeSense1"));
  // The editor control's events go to the window's handlers
  // (CodeSenseEvents); the window sees every key before the control.
  CodeSense1->setEventSink(m_CodeSenseEvents.get());
  setKeyPreview(true);

  SSActiveToolBars1 = add(std::make_shared<Toolbar>("SSActiveToolBars1"));
  SSActiveToolBars1->setLayout(designLayout());
  SSActiveToolBars1->setToolClickHandler([this](const Tool& clicked) { SSActiveToolBars1_ToolClick(clicked); });

  SSSplitter1 = add(std::make_shared<Splitter>("SSSplitter1", 2));
  PVTaskPad1 = add(std::make_shared<TaskList>("PVTaskPad1"));
  SSSplitter1->pane(1).setControlName(PVTaskPad1->name());
  SSSplitter1->pane(2).setControlName(CodeSense1->name());

  StatusBar1 = add(std::make_shared<StatusBar>("StatusBar1"));
  StatusBar1->add("MAIN");
  StatusBar1->add("FILE");
  StatusBar1->add("CURSOR");
  StatusBar1->add("SIZE");
  StatusBar1->add("", "", PanelStyle::Date);
  StatusBar1->add("", "", PanelStyle::Time);

  IMGIntellisence = add(std::make_shared<ImageList>("IMGIntellisence"));
  for (const char* key : kCompletionImageKeys) IMGIntellisence->add(key);

  dlgCommonDialog = add(std::make_shared<CommonDialog>("dlgCommonDialog"));
  xzipper1 = std::make_shared<platform::zip::Zipper>();

  tmrAutoSave = add(std::make_shared<platform::ui::Timer>("tmrAutoSave"));
  tmrAutoSave->setInterval(65535);
  tmrAutoSave->setEnabled(false);
  tmrAutoSave->onTimer = [this] { tmrAutoSave_Timer(); };
}

// ---- Load step ------------------------------------------------------------------

void frmMain::onLoad() {
  // From now until the unload, an end of the session without the user
  // leaves a modified script's text behind.
  modMain::g_ArmEmergencyCopy(*this);
  // The two logs of the previous run; an error here reaches the caller.
  const std::string errorLog = platform::editorFileToWrite(kErrorLogName);
  const std::string traceLog = platform::editorFileToWrite(kTraceLogName);

  platform::scripting::FileSystemObject fso;
  {
    diagnostics::IgnoreFailures ignore;
    ignore.step([&] {
      if (fso.FileExists(errorLog)) fso.DeleteFile(errorLog, true);
    });
    ignore.step([&] {
      if (fso.FileExists(traceLog)) fso.DeleteFile(traceLog, true);
    });
  }

  // From here on failures go to the trap. Without a diagnostics object the
  // load asks OK (go on to the exit) or Cancel (unload everything).
  bool cancelled = false;
  diagnostics::Trap trap([&](diagnostics::Failure& failure) {
    const int32_t answer = platform::ui::MsgBox(
        "An error has occured while loading the editor, the error reads:" + kNineBlanks + kCrLf +
            "Description:= " + failure.description + kNineBlanks + kCrLf +
            "Number:= " + std::to_string(failure.number) + kNineBlanks + kCrLf + kCrLf + "Press Cancel to abort",
        mb::OKCancel | mb::Exclamation, "KestrinScriptEditor::frmMain(Load)");
    cancelled = answer == mb::Cancel;
  });
  diagnostics::Trace trace(trap);

  const diagnostics::TrapEnd end = trap.body([&] {
    // The diagnostics object: message box and error log, call stack and
    // tracing to the trace log. It takes the slot only once initialised.
    trap.step([&] {
      auto handler = std::make_shared<diagnostics::CErrorHandler>();
      handler->Init(diagnostics::eErrorHandlerAction_MsgBox | diagnostics::eErrorHandlerAction_LogToFile, errorLog,
                    true, true, diagnostics::eTracingFlag_LogToFile, traceLog);
      g_ErrorHandler() = std::move(handler);
    });
    trace.enter("frmMain::Form_Load(Sub)");

    // The splitter.
    trap.step([&] { SSSplitter1->setSetting(platform::controls::Splitter::kAutoSize, 1); });
    trap.step([&] { SSSplitter1->setSetting(1312, 0); });
    trap.step([&] { SSSplitter1->setSetting(1313, 0); });
    trap.step([&] { SSSplitter1->setSetting(1301, 0); });
    trap.step([&] { SSSplitter1->setSetting(1300, 3); });

    // The task list of the last run.
    const std::string tasks = taskListPath(false);
    if (trap.condition([&] { return fso.FileExists(tasks); })) trap.step([&] { PVTaskPad1->load(tasks, 0); });

    // The status panels; "MAIN" keeps its text.
    trap.step([&] { StatusBar1->panel("FILE").setText(""); });
    trap.step([&] { StatusBar1->panel("CURSOR").setText(""); });
    trap.step([&] { StatusBar1->panel("SIZE").setText(""); });

    // The toolbar layout of the last run, in place of the design layout.
    const std::string layout = layoutPath(false);
    if (trap.condition([&] { return fso.FileExists(layout); }))
      trap.step([&] { SSActiveToolBars1->loadLayout(layout); });

    trap.step([&] { setCaption(kMainWindowTitle); });
    trap.step([&] { CodeSense1->setImageList(IMGIntellisence->hImageList()); });

    // The document and completion state.
    m_strCurrentFile.clear();
    m_bIsDirty = false;
    m_bListOpen = false;
    m_bHandedOver = false;

    // The host word lists, for every language registration of this run.
    trap.step([&] { g_strHostFunctionList() = modCodeSense::gstr_LoadKestrinFunctionList(); });
    trap.step([&] { g_strHostConstantList() = modCodeSense::gstr_LoadKestrinConstants(); });
    // The completion word list (its result unused) and the window's
    // CSelectedWord.
    if (const auto load = authoringParts().loadWordList) trap.step([&] { load(); });
    if (const auto make = authoringParts().newSelectedWord) trap.step([&] { CWord = make(); });

    // The autosave runs unless the preference AutoSaveMinutes is exactly
    // "0" ("00" switches it on); a preference that cannot be read leaves it
    // off.
    trap.step([&] { tmrAutoSave->setEnabled(CPreferences().AutoSaveMinutes() != "0"); });

    // The task pane starts collapsed.
    g_blnTaskPaneShown = true;
    trap.step([&] { modMain::g_HideTasks(SSSplitter1->paneShared(1)); });
    g_blnTaskPaneShown = false;

    // The placement of the last run (centred when none is stored, never
    // minimised) on the window, still hidden; then the window's own
    // taskbar button.
    trap.step([&] { m_oAppSettings = std::make_shared<support::CAppSettings>(); });
    trap.step([&] { m_oFormRestore = std::make_shared<support::CFormRestore>(); });
    trap.step([&] { objectOf(m_oFormRestore).Init(m_oAppSettings, true); });
    trap.step([&] { objectOf(m_oFormRestore).setNeverStartMinimized(true); });
    trap.step([&] { objectOf(m_oFormRestore).GetPosition(*this); });
    trap.step([&] { m_oFormEx = std::make_shared<support::CFormEx>(); });
    trap.step([&] { objectOf(m_oFormEx).Init(static_cast<int32_t>(hWnd())); });
    trap.step([&] { objectOf(m_oFormEx).AddExStyle(platform::ui::WS_EX_APPWINDOW); });

    g_blnMainFormLoaded = true;
  });

  switch (end) {
    case diagnostics::TrapEnd::Aborted:
      // Everything is unloaded, this window included; no pop.
      trace.skipExit();
      modMain::UnloadAll();
      return;
    case diagnostics::TrapEnd::LeftAtOnce: trace.skipExit(); return;
    case diagnostics::TrapEnd::OwnMessage:
      if (cancelled) {
        trace.skipExit();
        modMain::UnloadAll();
        return;
      }
      break;  // OK: on to the exit
    case diagnostics::TrapEnd::Completed: break;
  }
  // The exit: the pop when the diagnostics object exists (the trace's end).
}

// ---- Close query ----------------------------------------------------------------

void frmMain::onQueryUnload(bool& Cancel, int32_t UnloadMode) {
  const std::string source = "frmMain::Form_QueryUnload(Sub)";
  diagnostics::Trap trap([&](diagnostics::Failure& failure) { shutDownMessage(failure, source); });
  diagnostics::Trace trace(trap);

  const diagnostics::TrapEnd end = trap.body([&] {
    trace.enter(source);
    // After a hand-over every close goes ahead without questions and the
    // temporary copy stays.
    if (m_bHandedOver) return;

    // The exit question, for a close by the user or the system only.
    if (UnloadMode != platform::ui::unload_mode::FormCode) {
      int32_t answer = mb::Yes;
      trap.step([&] {
        diagnostics::withSource(source, [&] {
          answer = platform::ui::MsgBox("Are you sure you want to exit Kestrin Script Editor?" + kNineBlanks,
                                        mb::YesNo | mb::Question, kMainWindowTitle);
        });
      });
      if (answer == mb::No) {
        Cancel = true;
        return;
      }
    }

    // The save offer of a modified script; its Cancel keeps the window open.
    trap.step([&] { diagnostics::withSource(source, [&] { Cancel = modMain::gbln_CheckForSave(*this); }); });
    if (Cancel) return;

    // The temporary copy beside the script goes (for a script that was
    // never saved nothing is found to delete).
    std::string name = tag();
    if (!name.empty() && name.back() == '*') name = platform::replace(name, "*", "");
    trap.step([&] { diagnostics::withSource(source, [&] { modMain::gbln_DeleteTempScript(name); }); });
  });
  if (end == diagnostics::TrapEnd::LeftAtOnce) trace.skipExit();
}

// ---- Unload step ----------------------------------------------------------------

void frmMain::onUnload(bool& Cancel) {
  (void)Cancel;
  modMain::g_DisarmEmergencyCopy();
  const std::string source = "frmMain::Form_Unload(Sub)";
  diagnostics::Trap trap([&](diagnostics::Failure& failure) { shutDownMessage(failure, source); });
  diagnostics::Trace trace(trap);

  const diagnostics::TrapEnd end = trap.body([&] {
    trace.enter(source);

    // The toolbar layout: the current layout replaces the old file only once
    // it is written whole, so a failed write keeps the old layout.
    const std::string layout = layoutPath(true);
    trap.step([&] { diagnostics::withSource(source, [&] { SSActiveToolBars1->saveLayout(layout); }); });

    // The task list.
    const std::string tasks = taskListPath(true);
    trap.step([&] { diagnostics::withSource(source, [&] { PVTaskPad1->save(tasks, 0); }); });

    // The placement, for the next start. A load that ended before it made
    // the placement helper leaves the stored placement alone instead of
    // reporting a second failure.
    if (m_oFormRestore)
      trap.step([&] { diagnostics::withSource(source, [&] { m_oFormRestore->SavePosition(*this); }); });

    g_blnMainFormLoaded = false;
  });
  if (end == diagnostics::TrapEnd::LeftAtOnce) {
    trace.skipExit();
    return;
  }
  trace.exit();

  // The release, in order: CWord; the diagnostics object, so that every
  // later trace and trap finds none; the placement and window-style helpers.
  CWord.reset();
  g_ErrorHandler().reset();
  m_oFormRestore.reset();
  m_oAppSettings.reset();
  m_oFormEx.reset();
}

}  // namespace kestrin::editor
