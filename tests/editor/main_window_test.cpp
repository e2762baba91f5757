// The host's entry and the main window's life: what RunEditor opens, the
// single-instance check, FreeEditor, the close query, the layout and task
// list files, the logs and an aborted load.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "editor/CMainFrontEnd.h"
#include "editor/frmMain.h"
#include "editor/modGlobals.h"
#include "editor_fixture.h"
#include "platform/runtime/errors.h"
#include "platform/ui/msgbox.h"
#include "platform/ui/windows.h"

namespace editor_test {
namespace {

namespace mb = platform::ui::mb;
using kestrin::editor::CMainFrontEnd;
using kestrin::editor::frmMain;

const std::string kNine(9, ' ');
const std::string kExitQuestion = "Are you sure you want to exit Kestrin Script Editor?" + kNine;

struct Seen {
  bool loaded = false;
  std::string tag;
  std::string panel;
  std::string currentFile;
  std::string isDirty;
  std::string caption;
  int32_t handle = 0;
};

Seen look() {
  Seen s;
  frmMain& w = window();
  s.loaded = w.loaded();
  s.tag = w.tag();
  s.panel = mainPanel();
  s.currentFile = w.CurrentFileName();
  s.isDirty = w.property("IsDirty");
  s.caption = w.caption();
  s.handle = static_cast<int32_t>(w.hWnd());
  return s;
}

class RunEditorNewScript : public EditorTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(RunEditorNewScript, StartsANewScript) {
  std::string arg = GetParam();
  if (arg == "<folder>") arg = editorDir.path();
  const std::string given = arg;
  Seen seen;
  duringWait([&] { seen = look(); });

  auto front = CMainFrontEnd::create();
  const int32_t result = front->RunEditor(arg);

  EXPECT_EQ(seen.tag, "New Kestrin Script");
  EXPECT_EQ(seen.panel, "New Kestrin Script");
  EXPECT_EQ(seen.currentFile, "");
  EXPECT_EQ(seen.isDirty, "False");
  EXPECT_EQ(seen.caption, "Kestrin VB Script Editor");
  EXPECT_NE(result, 0);
  EXPECT_EQ(result, seen.handle);
  EXPECT_EQ(arg, given);
  // The window is gone when the call returns.
  EXPECT_FALSE(platform::ui::IsWindow(static_cast<platform::HWND>(result)));
  EXPECT_TRUE(platform::ui::forms().empty());
  EXPECT_FALSE(kestrin::editor::modGlobals::g_blnMainFormLoaded);
  EXPECT_EQ(kestrin::diagnostics::errorHandler(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Arguments, RunEditorNewScript, ::testing::Values("new", "NEW", "nEw", ""));

// A path that names no script (the word with a blank is a file name) opens
// no window and no new script under that name: it is told, with the reason.
class RunEditorRefused : public EditorTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(RunEditorRefused, OpensNothing) {
  std::string arg = GetParam();
  if (arg == "<folder>") arg = editorDir.path();
  const std::string given = arg;
  user->answerMessageBox(platform::ui::mb::OK, "'" + given + "' cannot be opened: ", "Kestrin VB Script Editor");
  EXPECT_EQ(CMainFrontEnd::create()->RunEditor(arg), 0);
  EXPECT_TRUE(user->done());
  EXPECT_EQ(arg, given);
  EXPECT_TRUE(platform::ui::forms().empty());
  EXPECT_FALSE(kestrin::editor::modGlobals::g_blnMainFormLoaded);
}

INSTANTIATE_TEST_SUITE_P(Arguments, RunEditorRefused, ::testing::Values(" new", "<folder>", "/no/such/script.vbs"));

TEST_F(EditorTest, ASecondRunEditorWarnsRestoresTheOpenEditorAndReturnsZero) {
  int32_t second = -1;
  std::string secondArg = "/some/script.vbs";
  bool iconicBefore = false, iconicAfter = true;
  platform::HWND mainHandle = 0;
  duringWait([&] {
    frmMain& w = window();
    mainHandle = w.hWnd();
    platform::ui::ShowWindow(mainHandle, platform::ui::SW_MINIMIZE);
    iconicBefore = platform::ui::IsIconic(mainHandle);
    auto other = CMainFrontEnd::create();
    second = other->RunEditor(secondArg);
    iconicAfter = platform::ui::IsIconic(mainHandle);
  });
  user->answerMessageBox(mb::OK, "Kestrin Script Editor is already open.", "Kestrin VB Script Editor");
  std::string warningText;
  int32_t warningIcon = 0;
  duringWait([&] {
    warningText = user->lastMessageBox()->text;
    warningIcon = user->lastMessageBox()->icon;
  });

  std::string arg = "new";
  auto front = CMainFrontEnd::create();
  const int32_t first = front->RunEditor(arg);

  EXPECT_EQ(second, 0);
  EXPECT_EQ(secondArg, "/some/script.vbs");
  EXPECT_EQ(warningText, "Kestrin Script Editor is already open." + kNine);
  EXPECT_EQ(warningIcon, mb::Exclamation);
  EXPECT_TRUE(iconicBefore);
  EXPECT_FALSE(iconicAfter);
  EXPECT_EQ(first, static_cast<int32_t>(mainHandle));
}

TEST_F(EditorTest, AnotherWindowWithTheEditorsTitleRefusesTheCallWithoutLoadingAnything) {
  const platform::HWND other = platform::ui::desktop::createWindow(
      "Kestrin VB Script Editor", platform::ui::WS_OVERLAPPEDWINDOW | platform::ui::WS_VISIBLE);
  user->answerMessageBox(mb::OK, "Kestrin Script Editor is already open.");
  std::string arg = "temp";
  auto front = CMainFrontEnd::create();
  EXPECT_EQ(front->RunEditor(arg), 0);
  EXPECT_EQ(arg, "temp");
  EXPECT_TRUE(platform::ui::forms().empty());
  EXPECT_EQ(platform::ui::GetForegroundWindow(), other);
  EXPECT_FALSE(std::filesystem::exists(traceLog()));
}

TEST_F(EditorTest, FreeEditorWithoutAWindowDoesNothing) {
  auto front = CMainFrontEnd::create();
  const auto result = front->FreeEditor();
  EXPECT_EQ(result.vt(), platform::com::VT_EMPTY);
  EXPECT_TRUE(platform::ui::forms().empty());
  EXPECT_TRUE(user->transcript().empty());
}

TEST_F(EditorTest, FreeEditorWhileOpenClosesTheWindowWithoutTheExitQuestion) {
  auto front = CMainFrontEnd::create();
  duringWait([&] { front->FreeEditor(); });
  std::string arg;
  EXPECT_NE(front->RunEditor(arg), 0);
  EXPECT_TRUE(platform::ui::forms().empty());
  const auto lines = traceLines();
  // The main window's unload released the diagnostics object inside
  // UnloadAll, so its entry is never popped.
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Entered routine: modMain::UnloadAll(Sub)"), lines.end());
  EXPECT_EQ(std::find(lines.begin(), lines.end(), "Exited routine: modMain::UnloadAll(Sub)"), lines.end());
  EXPECT_EQ(lines.back(), "Exited routine: frmMain::Form_Unload(Sub)");
}

TEST_F(EditorTest, FreeEditorAsksAModifiedScriptsWindowTwiceAndCancelTwiceKeepsItOpen) {
  auto front = CMainFrontEnd::create();
  bool openAfterFree = false;
  duringWait([&] {
    window().setIsDirty(true);
    front->FreeEditor();
    openAfterFree = platform::ui::findForm("frmMain") != nullptr;
  });
  user->answerMessageBox(mb::Cancel, "has changed, do you want to save changes?");
  user->answerMessageBox(mb::Cancel, "has changed, do you want to save changes?");
  duringWait([&] { window().setIsDirty(false); });
  std::string arg;
  EXPECT_NE(front->RunEditor(arg), 0);
  EXPECT_TRUE(openAfterFree);
  EXPECT_TRUE(platform::ui::forms().empty());
}

TEST_F(EditorTest, FreeEditorsSecondUnloadClosesAWindowWhoseFirstWasCancelled) {
  auto front = CMainFrontEnd::create();
  bool openAfterFree = true;
  duringWait([&] {
    window().setIsDirty(true);
    front->FreeEditor();
    openAfterFree = platform::ui::findForm("frmMain") != nullptr;
  });
  user->answerMessageBox(mb::Cancel, "has changed, do you want to save changes?");
  user->answerMessageBox(mb::No, "has changed, do you want to save changes?");
  std::string arg;
  EXPECT_NE(front->RunEditor(arg), 0);
  EXPECT_FALSE(openAfterFree);
  EXPECT_FALSE(kestrin::editor::modGlobals::g_blnMainFormLoaded);
  // Once the test's own timer goes, nothing of the editor is left for the
  // desktop to run: the component could be unloaded now.
  probe.reset();
  EXPECT_FALSE(platform::ui::desktopHoldsObjects());
}

TEST_F(EditorTest, TheCloseBoxAsksTheExitQuestionAndNoKeepsTheWindowOpen) {
  bool stillOpen = false;
  user->close("frmMain");
  user->answerMessageBox(mb::No, kExitQuestion, "Kestrin VB Script Editor");
  duringWait([&] { stillOpen = window().loaded() && window().visible(); });
  user->close("frmMain");
  user->answerMessageBox(mb::Yes, kExitQuestion, "Kestrin VB Script Editor");

  std::string arg = "new";
  auto front = CMainFrontEnd::create();
  EXPECT_NE(front->RunEditor(arg), 0);

  EXPECT_TRUE(stillOpen);
  EXPECT_TRUE(platform::ui::forms().empty());
  const auto lines = traceLines();
  EXPECT_TRUE(balanced(lines)) << ::testing::PrintToString(lines);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "Entered routine: frmMain::Form_QueryUnload(Sub)"), 2);
}

TEST_F(EditorTest, AHandedOverScriptClosesWithoutAQuestion) {
  duringWait([&] { window().m_bHandedOver = true; });
  user->close("frmMain");
  std::string arg;
  auto front = CMainFrontEnd::create();
  EXPECT_NE(front->RunEditor(arg), 0);
  EXPECT_TRUE(platform::ui::forms().empty());
}

TEST_F(EditorTest, AFirstStartSavesTheLayoutAndTaskListThatTheNextStartLoads) {
  ASSERT_FALSE(std::filesystem::exists(editorFile("Kz.atb")));
  ASSERT_FALSE(std::filesystem::exists(editorFile("vbsed.tsk")));
  bool designLayout = false;
  duringWait([&] {
    frmMain& w = window();
    designLayout = w.SSActiveToolBars1->layout() == frmMain::designLayout();
    w.PVTaskPad1->add("Check the lead-in moves");
    w.SSActiveToolBars1->findBar("Tasks")->visible = false;
  });
  std::string arg;
  auto front = CMainFrontEnd::create();
  front->RunEditor(arg);
  EXPECT_TRUE(designLayout);
  EXPECT_TRUE(std::filesystem::exists(editorFile("Kz.atb")));
  EXPECT_TRUE(std::filesystem::exists(editorFile("vbsed.tsk")));

  std::vector<platform::controls::Task> tasks;
  bool tasksBarVisible = true;
  duringWait([&] {
    tasks = window().PVTaskPad1->tasks();
    tasksBarVisible = window().SSActiveToolBars1->findBar("Tasks")->visible;
  });
  arg.clear();
  front->RunEditor(arg);
  ASSERT_EQ(tasks.size(), 1u);
  EXPECT_EQ(tasks[0].text, "Check the lead-in moves");
  EXPECT_FALSE(tasksBarVisible);
}

TEST_F(EditorTest, EveryStartDeletesThePreviousLogsAndTracesFromTheLoadOn) {
  kestrin_test::writeFile(errorLog(), "an old failure\r\n");
  kestrin_test::writeFile(traceLog(), "an old trace\r\n");
  std::filesystem::permissions(traceLog(), std::filesystem::perms::owner_read);
  std::string arg;
  auto front = CMainFrontEnd::create();
  front->RunEditor(arg);

  EXPECT_FALSE(std::filesystem::exists(errorLog()));
  const auto lines = traceLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "Entered routine: frmMain::Form_Load(Sub)");
  // The load step's exit follows the traces of the procedures it calls.
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Exited routine: frmMain::Form_Load(Sub)"), lines.end());
  EXPECT_TRUE(balanced(lines)) << ::testing::PrintToString(lines);
}

// The load step's traced sub-steps, in its order: the two host word lists
// (functions before constants), then the completion list; every one is
// left again before the load step's exit.
TEST_F(EditorTest, TheLoadStepCallsItsTracedStepsInItsOrder) {
  std::string arg;
  auto front = CMainFrontEnd::create();
  front->RunEditor(arg);
  const auto lines = traceLines();
  const auto exit = std::find(lines.begin(), lines.end(), "Exited routine: frmMain::Form_Load(Sub)");
  ASSERT_NE(exit, lines.end());
  ASSERT_EQ(lines.front(), "Entered routine: frmMain::Form_Load(Sub)");
  // The routines the load step itself called (depth one below it).
  std::vector<std::string> called;
  int depth = 0;
  for (auto l = lines.begin() + 1; l != exit; ++l) {
    if (l->rfind("Entered routine: ", 0) == 0 && depth++ == 0) called.push_back(l->substr(17));
    if (l->rfind("Exited routine: ", 0) == 0) --depth;
  }
  EXPECT_EQ(depth, 0);
  const std::vector<std::string> order = {
      "modCodeSense::gstr_LoadKestrinFunctionList(Function)",
      "modCodeSense::gstr_LoadKestrinConstants(Function)",
      "modCodeSense::gbln_LoadIntellList(Function)",
  };
  std::vector<std::string> seen;
  for (const auto& c : called)
    if (std::find(order.begin(), order.end(), c) != order.end()) seen.push_back(c);
  // The completion list joins only where the authoring aids' completion
  // part is linked in; the two host lists are always loaded.
  ASSERT_GE(seen.size(), 2u) << ::testing::PrintToString(called);
  EXPECT_EQ(seen, std::vector<std::string>(order.begin(), order.begin() + seen.size()))
      << ::testing::PrintToString(called);
}

TEST_F(EditorTest, AFailingUnloadStepWithoutDiagnosticsShowsItsOwnMessageAndStillUnloads) {
  auto main = kestrin::editor::mainWindow();
  main->load();
  ASSERT_TRUE(main->loaded());
  kestrin::diagnostics::errorHandlerSlot().reset();
  // A folder where the layout file belongs: the layout cannot be written.
  std::filesystem::create_directory(editorFile("Kz.atb"));
  user->answerMessageBox(mb::OK, "An error occured shutting down editor - ", "Kestrin VB Script Editor");
  EXPECT_TRUE(main->unload());
  const auto& box = user->lastMessageBox();
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->icon, mb::Critical);
  EXPECT_NE(box->text.find("\r\n\r\nError Number 75\r\nError Source frmMain::Form_Unload(Sub)" + kNine),
            std::string::npos)
      << box->text;
  // After the message the step goes on at its end: the window is gone.
  EXPECT_FALSE(main->loaded());
  EXPECT_TRUE(platform::ui::forms().empty());
}

TEST_F(EditorTest, AFailedLayoutWriteAtUnloadKeepsTheOldLayout) {
  auto main = kestrin::editor::mainWindow();
  main->load();
  ASSERT_TRUE(main->loaded());
  kestrin::diagnostics::errorHandlerSlot().reset();
  // Only the layout is too large for the file size limit below; the
  // placement is not written at all.
  main->m_oFormRestore.reset();
  const std::string layout = editorFile("Kz.atb");
  kestrin_test::writeFile(layout, "the layout of the last run");
  user->answerMessageBox(mb::OK, "An error occured shutting down editor - ", "Kestrin VB Script Editor");

  struct rlimit old {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 1024;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool unloaded = main->unload();
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldSignal);

  EXPECT_TRUE(unloaded);
  const auto& box = user->lastMessageBox();
  ASSERT_TRUE(box.has_value());
  EXPECT_NE(box->text.find("Error Number 75\r\n"), std::string::npos) << box->text;
  EXPECT_EQ(kestrin_test::readFile(layout), "the layout of the last run");
  // Nothing half-written is left beside it.
  for (const auto& entry : std::filesystem::directory_iterator(editorDir.path()))
    EXPECT_EQ(entry.path().filename().string().find(".Kz.atb"), std::string::npos) << entry.path();
}

TEST_F(EditorTest, AnAbortedLoadUnloadsEverythingAndRunEditorFails) {
  // A task list that is no task list makes the load step fail.
  kestrin_test::writeFile(editorFile("vbsed.tsk"), "not a task list\r\n");
  user->answerMessageBox(mb::Abort);
  std::string arg = "new";
  auto front = CMainFrontEnd::create();
  try {
    front->RunEditor(arg);
    ADD_FAILURE() << "RunEditor did not fail";
  } catch (const platform::RuntimeError& e) {
    EXPECT_EQ(static_cast<uint32_t>(e.number()), 0x80044A3Au);
    EXPECT_EQ(e.source(), "KestrinScriptEditor.CMainFrontEnd");
    EXPECT_EQ(e.description(), "CMainFrontEnd component failure");
  }
  EXPECT_TRUE(platform::ui::forms().empty());
  EXPECT_FALSE(kestrin::editor::modGlobals::g_blnMainFormLoaded);
  EXPECT_EQ(kestrin::diagnostics::errorHandler(), nullptr);
  EXPECT_TRUE(std::filesystem::exists(errorLog()));
  // The early-bound call reports the same failure as its result.
  kestrin_test::writeFile(editorFile("vbsed.tsk"), "not a task list\r\n");
  user->answerMessageBox(mb::Abort);
  platform::com::Bstr script("new");
  platform::com::BSTR raw = script.detach();
  int32_t handle = -1;
  EXPECT_EQ(static_cast<uint32_t>(front->RunEditor(&raw, &handle)), 0x80044A3Au);
  platform::com::SysFreeString(raw);
}

TEST_F(EditorTest, IgnoringAFailingLoadStepOpensTheEditorAllTheSame) {
  kestrin_test::writeFile(editorFile("vbsed.tsk"), "not a task list\r\n");
  user->answerMessageBox(mb::Retry);
  user->answerMessageBox(mb::Ignore);
  bool loadedFlag = false;
  std::string caption;
  duringWait([&] {
    loadedFlag = kestrin::editor::modGlobals::g_blnMainFormLoaded;
    caption = window().caption();
  });
  std::string arg;
  auto front = CMainFrontEnd::create();
  EXPECT_NE(front->RunEditor(arg), 0);
  EXPECT_TRUE(loadedFlag);
  EXPECT_EQ(caption, "Kestrin VB Script Editor");
  EXPECT_TRUE(balanced(traceLines()));
}

}  // namespace
}  // namespace editor_test
