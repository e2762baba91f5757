// One editor per session: a RunEditor on another thread or in another
// process of the same editor folder finds the open editor, warns and
// returns 0; an editor whose process was killed no longer counts.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "editor/CMainFrontEnd.h"
#include "editor_fixture.h"
#include "platform/ui/user.h"
#include "platform/ui/windows.h"

namespace editor_test {
namespace {

using kestrin::editor::CMainFrontEnd;
using namespace platform::ui;
namespace com = platform::com;

const std::string kAlreadyOpen = "Kestrin Script Editor is already open." + std::string(9, ' ');

TEST_F(EditorTest, ARunEditorOnAnotherThreadFindsTheOpenEditorWarnsAndReturnsZero) {
  auto front = CMainFrontEnd::create();
  platform::HWND mainHandle = 0;
  int32_t second = -1;
  std::string secondArg = "temp";
  std::vector<std::string> secondTranscript;
  com::HRESULT crossCall = com::S_OK;
  duringWait([&] {
    mainHandle = window().hWnd();
    ShowWindow(mainHandle, SW_MINIMIZE);
    std::thread([&] {
      auto theirs = kestrin_test::installTestUser();
      theirs->answerMessageBox(mb::OK, "Kestrin Script Editor is already open.", "Kestrin VB Script Editor");
      second = CMainFrontEnd::create()->RunEditor(secondArg);
      // The first thread's object does not answer here.
      const char* names[] = {"RunEditor"};
      com::DISPID id = 0;
      crossCall = front->GetIDsOfNames(com::IID_NULL, names, 1, 0, &id);
      secondTranscript = theirs->transcript();
      resetDesktop();
      setCurrentUser(nullptr);
    }).join();
  });
  // The open editor's thread restores its window at a later turn.
  duringWait([] { std::this_thread::sleep_for(std::chrono::milliseconds(30)); });
  bool iconicAfter = true, foregroundAfter = false;
  duringWait([&] {
    iconicAfter = IsIconic(mainHandle);
    foregroundAfter = GetForegroundWindow() == mainHandle;
  });

  std::string arg = "new";
  const int32_t first = front->RunEditor(arg);
  EXPECT_EQ(first, static_cast<int32_t>(mainHandle));
  EXPECT_EQ(second, 0);
  EXPECT_EQ(secondArg, "temp");
  ASSERT_EQ(secondTranscript.size(), 1u);
  EXPECT_NE(secondTranscript[0].find(kAlreadyOpen), std::string::npos) << secondTranscript[0];
  EXPECT_EQ(crossCall, com::RPC_E_WRONG_THREAD);
  EXPECT_FALSE(iconicAfter);
  EXPECT_TRUE(foregroundAfter);
}

// Keeps the editor open until the process is killed, after saying so once.
class HoldingUser final : public User {
 public:
  explicit HoldingUser(int ready) : ready_(ready) {}
  int32_t messageBox(const MessageBoxPrompt&) override { return mb::OK; }
  std::optional<std::string> inputBox(const InputBoxPrompt&) override { return std::nullopt; }
  std::optional<std::string> fileDialog(const FileDialogPrompt&) override { return std::nullopt; }
  std::optional<PrintDialogAnswer> printDialog(const PrintDialogPrompt&) override { return std::nullopt; }
  std::optional<std::string> browseFolder(const FolderPrompt&) override { return std::nullopt; }
  std::optional<std::string> find(const FindPrompt&) override { return std::nullopt; }
  std::optional<ReplaceAnswer> replace(const FindPrompt&) override { return std::nullopt; }
  std::optional<int32_t> gotoLine(const GotoPrompt&) override { return std::nullopt; }
  std::optional<std::string> popupMenu(const PopupPrompt&) override { return std::nullopt; }
  Action nextAction(const WaitContext&) override {
    if (ready_ >= 0) {
      (void)!::write(ready_, "r", 1);
      ::close(ready_);
      ready_ = -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    Action a;
    a.kind = Action::Kind::Wait;
    a.millis = 10;
    return a;
  }

 private:
  int ready_;
};

TEST_F(EditorTest, AnotherProcesssOpenEditorRefusesTheCallUntilThatProcessIsKilled) {
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t holder = ::fork();
  ASSERT_GE(holder, 0);
  if (holder == 0) {
    ::close(ready[0]);
    setCurrentUser(std::make_shared<HoldingUser>(ready[1]));
    std::string script = "new";
    CMainFrontEnd::create()->RunEditor(script);
    ::_exit(0);
  }
  ::close(ready[1]);
  char c = 0;
  const bool opened = ::read(ready[0], &c, 1) == 1;
  ::close(ready[0]);
  if (!opened) {
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    FAIL() << "the first process opened no editor";
  }

  user->answerMessageBox(mb::OK, "Kestrin Script Editor is already open.", "Kestrin VB Script Editor");
  std::string arg = "/some/script.vbs";
  EXPECT_EQ(CMainFrontEnd::create()->RunEditor(arg), 0);
  EXPECT_EQ(arg, "/some/script.vbs");
  EXPECT_TRUE(platform::ui::forms().empty());
  ASSERT_TRUE(user->lastMessageBox().has_value());
  EXPECT_EQ(user->lastMessageBox()->text, kAlreadyOpen);

  ::kill(holder, SIGKILL);
  ::waitpid(holder, nullptr, 0);

  // The killed editor no longer counts: this one opens.
  std::string tag;
  duringWait([&] { tag = window().tag(); });
  std::string again = "new";
  EXPECT_NE(CMainFrontEnd::create()->RunEditor(again), 0);
  EXPECT_EQ(tag, "New Kestrin Script");
}

}  // namespace
}  // namespace editor_test
