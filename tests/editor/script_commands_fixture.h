// What the tests of the script-file commands share: the main window, the
// host's bridge library loaded as the host has it (logging the names the
// host is told of), scripts written to disk, a document being edited, and
// the three commands that a save question can hold up.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "editor/frmMain.h"
#include "editor/modGlobals.h"
#include "editor/modMain.h"
#include "editor_fixture.h"
#include "platform/win32/library.h"

namespace editor_test {

class ScriptCommandTest : public MainWindowTest {
 protected:
  void TearDown() override {
    closeMainWindow();
    kestrin::editor::modGlobals::g_ReleaseBridgeBindings();
    if (bridge) platform::FreeLibrary(bridge);
    ::unsetenv("KESTRIN_BRIDGE_LOG");
    EditorTest::TearDown();
  }

  // The bridge library loaded into the process, logging its calls to
  // `log`; false when it has not been built.
  bool loadBridge(const std::string& log) {
    const std::string library = std::string(KESTRIN_EDITOR_DIR) + "/Addlets/kzenvb.dll";
    bridgeLogPath_ = log;
    if (!std::filesystem::exists(library)) return false;
    ::setenv("KESTRIN_BRIDGE_LOG", log.c_str(), 1);
    bridge = platform::LoadLibrary(library);
    return bridge != 0;
  }
  // What the host was told; empty when it was told nothing.
  std::string bridgeLog() const {
    return std::filesystem::exists(bridgeLogPath_) ? kestrin_test::readFile(bridgeLogPath_) : std::string();
  }

  static std::string writeScript(const std::string& path, const std::string& text) {
    kestrin_test::writeFile(path, text);
    return path;
  }
  // The document loaded from `path` and then edited.
  void editing(const std::string& path, const std::string& text) {
    main->FileToView(path);
    main->CodeSense1->setText(text);
    main->setTag(path + "*");
    main->setIsDirty(true);
  }

  // The commands that ask to save a modified document first: each gives
  // true when it was held up. The close asks `closeQuestion`; the new
  // script is held up when the editor still holds `text`; the open when
  // `openHeldUp` says so.
  struct HeldUpCommand {
    const char* command;
    std::string question;
    std::function<bool()> run;
  };
  std::vector<HeldUpCommand> commandsThatAskToSave(const std::string& closeQuestion, const std::string& text,
                                                   std::function<bool()> openHeldUp) {
    namespace modMain = kestrin::editor::modMain;
    const std::string question = "File has changed, save it?" + std::string(9, ' ');
    return {
        {"close", closeQuestion, [this] { return modMain::gbln_CheckForSave(*main); }},
        {"new", question,
         [this, text] {
           modMain::g_frmFileNew(*main);
           return main->CodeSense1->text() == text;
         }},
        {"open", question,
         [this, openHeldUp] {
           main->m_FileOpen();
           return openHeldUp();
         }},
    };
  }

  platform::HMODULE bridge = 0;

 private:
  std::string bridgeLogPath_;
};

}  // namespace editor_test
