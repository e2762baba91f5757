// What every editor test runs in: a fresh desktop with a virtual clock and a
// scripted user, the component's identity set to a "KestrinScriptEditor.so"
// inside a temporary editor folder (with its sub-folders), a temporary
// registry folder, and no diagnostics object or main-window state left from
// another test.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/temp_dir.h"
#include "common/ui_test_user.h"
#include "diagnostics/error_handler.h"
#include "diagnostics/failure.h"
#include "editor/frmMain.h"
#include "editor/modGlobals.h"
#include "platform/ui/form.h"
#include "platform/ui/timer.h"
#include "platform/win32/component.h"
#include "platform/win32/registry.h"

namespace editor_test {

namespace editor = kestrin::editor;

// The main window while it is loaded.
inline editor::frmMain& window() {
  auto form = platform::ui::findForm("frmMain");
  if (!form) throw std::logic_error("frmMain is not loaded");
  return static_cast<editor::frmMain&>(*form);
}
inline std::string mainPanel() { return window().StatusBar1->panel("MAIN").text(); }

class EditorTest : public kestrin_test::UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    for (const char* sub : {"Data", "VB", "Addlets", "Help", "Common/Temp"})
      std::filesystem::create_directories(editorDir.path() + "/" + sub);
    platform::ComponentIdentity identity;
    identity.path = editorDir.file("KestrinScriptEditor.so");
    identity.folder = editorDir.path();
    identity.name = "KestrinScriptEditor";
    identity.major = 1;
    platform::setComponentIdentity(identity);
    platform::setRegistryFolder(registryDir.path());
    resetEditorState();
  }
  void TearDown() override {
    UiTest::TearDown();
    probe.reset();
    steps.clear();
    resetEditorState();
    platform::setRegistryFolder("");
  }
  static void resetEditorState() {
    kestrin::diagnostics::errorHandlerSlot().reset();
    kestrin::diagnostics::clearFailure();
    editor::modGlobals::g_blnMainFormLoaded = false;
    editor::modGlobals::g_blnSkipDirtyMark = false;
    editor::modGlobals::g_blnTaskPaneShown = false;
  }

  std::string editorFile(const std::string& name) const { return editorDir.file(name); }
  std::string traceLog() const { return editorFile("kzScriptTrace.log"); }
  std::string errorLog() const { return editorFile("kzScriptErr.log"); }

  // The trace log's lines, without their time stamps ("Entered routine:
  // frmMain::Form_Load(Sub)").
  std::vector<std::string> traceLines() const {
    std::vector<std::string> out;
    std::ifstream in(traceLog());
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      const auto at = line.find(" --- ");
      out.push_back(at == std::string::npos ? line : line.substr(at + 5));
    }
    return out;
  }
  // Whether every entry of the trace log was left again, in order.
  static bool balanced(const std::vector<std::string>& lines) {
    std::vector<std::string> stack;
    for (const auto& l : lines) {
      const std::string entered = "Entered routine: ", exited = "Exited routine: ";
      if (l.rfind(entered, 0) == 0) {
        stack.push_back(l.substr(entered.size()));
      } else if (l.rfind(exited, 0) == 0) {
        if (stack.empty() || stack.back() != l.substr(exited.size())) return false;
        stack.pop_back();
      }
    }
    return stack.empty();
  }

  // Runs `during` once inside the editor's modal wait: the user waits, a
  // timer ticks meanwhile, then the user goes on with what else is queued.
  // Each call queues one wait with its own step.
  void duringWait(std::function<void()> during) {
    if (!probe) {
      probe = std::make_shared<platform::ui::Timer>("probe");
      probe->setInterval(10);
      probe->onTimer = [this] {
        if (steps.empty()) return;
        auto step = std::move(steps.front());
        steps.erase(steps.begin());
        step();
      };
    }
    steps.push_back(std::move(during));
    user->wait(10);
  }
  std::shared_ptr<platform::ui::Timer> probe;
  std::vector<std::function<void()>> steps;
  kestrin_test::TempDir editorDir;
  kestrin_test::TempDir registryDir;
};

// A window loaded as RunEditor loads it, without the modal wait. Closing it
// at the end asks nothing about the changes the test made.
class MainWindowTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    loadMainWindow();
  }
  void TearDown() override {
    closeMainWindow();
    EditorTest::TearDown();
  }
  void loadMainWindow() {
    main = editor::mainWindow();
    main->load();
    ASSERT_TRUE(main->loaded());
  }
  void closeMainWindow() {
    if (main && main->loaded()) {
      main->setIsDirty(false);
      main->unload();
    }
    main.reset();
  }
  std::shared_ptr<editor::frmMain> main;
};

}  // namespace editor_test
