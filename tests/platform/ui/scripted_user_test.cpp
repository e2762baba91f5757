#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "common/ui_test_user.h"
#include "platform/ui/msgbox.h"
#include "test_controls.h"

using namespace platform;
using namespace platform::ui;

namespace {

class ScriptedUserTest : public kestrin_test::UiTest {};

TEST_F(ScriptedUserTest, AnUnexpectedMessageBoxFailsTheTestWithItsText) {
  EXPECT_NONFATAL_FAILURE(
      {
        int32_t answer = MsgBox("Backup folder does not exist         ", mb::Critical, "Kestrin VB Script Editor");
        EXPECT_EQ(answer, mb::OK);
      },
      "Unexpected message box [Kestrin VB Script Editor] \"Backup folder does not exist");
}

TEST_F(ScriptedUserTest, WithoutAFailureHandlerTheFailureIsThrownThroughTheLoop) {
  auto strict = ScriptedUser::install();
  auto f = uitest::makeForm();
  f->build = [](uitest::TestForm& form) {
    auto b = form.add(std::make_shared<uitest::Button>("cmdGo"));
    b->onClick = [] { MsgBox("Surprise", mb::OKCancel, "Title"); };
  };
  strict->click("cmdGo");
  try {
    f->show(vbModal);
    ADD_FAILURE() << "no failure";
  } catch (const ScriptFailure& e) {
    // Event containment does not swallow it.
    EXPECT_NE(std::string(e.what()).find("[Title] \"Surprise\""), std::string::npos);
  }
  EXPECT_EQ(strict->failures().size(), 1u);
  user->clear();
}

TEST_F(ScriptedUserTest, PromptsAreCheckedAgainstWhatWasQueued) {
  struct Case {
    std::function<void(ScriptedUser&)> queue;
    std::function<void()> prompt;
    const char* failure;
  } cases[] = {
      {[](ScriptedUser& u) { u.answerInputBox("x"); }, [] { MsgBox("Save?", mb::YesNo); }, "expected an input box"},
      {[](ScriptedUser& u) { u.answerMessageBox(mb::Yes, "Exit?"); }, [] { MsgBox("Save changes?", mb::YesNo); },
       "does not match"},
      {[](ScriptedUser& u) { u.answerMessageBox(mb::Retry); }, [] { EXPECT_EQ(MsgBox("Sure?", mb::YesNo), mb::No); },
       "has no button Retry"},
      {[](ScriptedUser& u) { u.answerMessageBox(mb::OK); },
       [] {
         FileDialogPrompt p;
         p.title = "Open";
         currentUser().fileDialog(p);
       },
       "Unexpected file dialog [Open]"},
  };
  for (auto& c : cases) {
    auto u = ScriptedUser::install();
    c.queue(*u);
    try {
      c.prompt();
      ADD_FAILURE() << "no failure for " << c.failure;
    } catch (const ScriptFailure& e) {
      EXPECT_NE(std::string(e.what()).find(c.failure), std::string::npos) << e.what();
    }
  }
  user->clear();
}

TEST_F(ScriptedUserTest, AnswersAndTheTranscript) {
  user->answerMessageBox(mb::Yes, "Are you sure", "Kestrin VB Script Editor")
      .answerInputBox("Fred", "Name")
      .answerInputBox(std::nullopt)
      .answerFileDialog("/tmp/a.vbs")
      .answerGotoLine(12)
      .answerPopupMenu("ID_EditCopy", "ID_Edit");
  EXPECT_EQ(MsgBox("Are you sure you want to exit Kestrin Script Editor?         ", mb::YesNo | mb::Question,
                   "Kestrin VB Script Editor"),
            mb::Yes);
  EXPECT_EQ(InputBox("Name:", "Header"), "Fred");
  EXPECT_EQ(InputBox("Again:"), "");  // Cancel gives the empty text
  FileDialogPrompt open;
  open.filter = "VBScript (*.vbs)|*.vbs";
  EXPECT_EQ(currentUser().fileDialog(open), std::optional<std::string>("/tmp/a.vbs"));
  EXPECT_EQ(user->lastFileDialog()->filter, "VBScript (*.vbs)|*.vbs");
  EXPECT_EQ(currentUser().gotoLine(GotoPrompt{40}), std::optional<int32_t>(12));
  PopupPrompt popup{"ID_Edit", {"ID_EditCut", "ID_EditCopy"}, {"Cu&t", "&Copy"}, {}};
  EXPECT_EQ(currentUser().popupMenu(popup), std::optional<std::string>("ID_EditCopy"));
  EXPECT_TRUE(user->done());
  const auto& t = user->transcript();
  ASSERT_EQ(t.size(), 6u);
  EXPECT_EQ(t[0],
            "MsgBox [Kestrin VB Script Editor] \"Are you sure you want to exit Kestrin Script "
            "Editor?         \" -> Yes");
  EXPECT_EQ(t[1], "InputBox [Header] \"Name:\" -> \"Fred\"");
  EXPECT_EQ(t[2], "InputBox [KestrinEditor] \"Again:\" -> Cancel");
  EXPECT_EQ(t[5], "Popup ID_Edit -> \"ID_EditCopy\"");
}

TEST_F(ScriptedUserTest, ALoopWaitingWhileAPromptIsStillExpectedFails) {
  user->answerMessageBox(mb::OK, "Saved");
  auto f = uitest::makeForm("frmMain");
  EXPECT_NONFATAL_FAILURE(f->show(vbModal),
                          "frmMain waits for an action, but a message box with \"Saved\" has not come");
  user->clear();
}

TEST_F(ScriptedUserTest, VerifyDoneNamesWhatIsStillQueued) {
  user->toolClick("ID_FileSave");
  EXPECT_NONFATAL_FAILURE(user->verifyDone(), "next: the action ToolClick ID_FileSave");
  EXPECT_TRUE(user->done());
}

TEST(MessageBoxPrompt, StyleWordSplitsIntoButtonsIconAndDefault) {
  struct Case {
    int32_t style;
    int32_t buttons, icon, defaultButton;
    std::vector<int32_t> answers;
  } cases[] = {
      {0, 0, 0, 0, {1}},
      {1 + 48, 1, 48, 0, {1, 2}},
      {2 + 16 + 512, 2, 16, 2, {3, 4, 5}},
      {3 + 32 + 256, 3, 32, 1, {6, 7, 2}},
      {4 + 64, 4, 64, 0, {6, 7}},
      {5 + 512, 5, 0, 0, {4, 2}},  // a third default on a two-button box falls back
  };
  for (const auto& c : cases) {
    MessageBoxPrompt p = messageBoxPrompt("t", c.style, "x");
    EXPECT_EQ(p.buttons, c.buttons) << c.style;
    EXPECT_EQ(p.icon, c.icon) << c.style;
    EXPECT_EQ(p.defaultButton, c.defaultButton) << c.style;
    EXPECT_EQ(p.answers(), c.answers) << c.style;
  }
}

}  // namespace
