// The code editor on a form: the modal loop's actions reach it, paste and
// copy use the desktop clipboard, and its prompts ask the current user.
#include <gtest/gtest.h>

#include "code_editor_test_support.h"
#include "common/ui_test_user.h"
#include "platform/controls/code_editor_control.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/form.h"

namespace {

using namespace ce_test;
using platform::ui::Form;

class EditorForm : public Form {
 public:
  EditorForm() : Form("frmEditor") {}
  std::shared_ptr<CodeEditorControl> editor;
  Recorder events;

 protected:
  void createControls() override {
    editor = add(std::make_shared<CodeEditorControl>("CodeSense1"));
    editor->setEventSink(&events);
  }
};

class CodeEditorControlTest : public kestrin_test::UiTest {};

TEST_F(CodeEditorControlTest, TheModalLoopsActionsReachTheEditor) {
  auto form = Form::make<EditorForm>();
  user->type("Dim x").key("Enter").type("x = 1").caret(1, 5).select(2, 1, 2, 2).mouse(1, 1);
  form->show(platform::ui::vbModal);
  ASSERT_TRUE(form->editor);
  EXPECT_EQ(form->editor->text(), "Dim x\r\nx = 1");
  EXPECT_EQ(form->editor->getSel(true), (CodeRange{0, 0, 0, 0}));
  EXPECT_EQ(form->editor->valueText(), "Dim x\r\nx = 1");
  const auto& log = form->events.log;
  EXPECT_EQ(std::count(log.begin(), log.end(), "KeyDown 13"), 1);
  EXPECT_NE(std::find(log.begin(), log.end(), "MouseDown 0,0"), log.end());
}

TEST_F(CodeEditorControlTest, RightClickWithoutTheOwnersAnswerShowsTheEditorsMenu) {
  auto form = Form::make<EditorForm>();
  form->load();
  form->events.rightClickAnswer = false;
  form->editor->setText("abc");
  user->answerPopupMenu(std::string("SelectAll"), "CodeEditor");
  form->editor->rightClick();
  EXPECT_EQ(form->editor->selText(), "abc");
}

TEST_F(CodeEditorControlTest, PasteAndCopyUseTheDesktopClipboard) {
  auto form = Form::make<EditorForm>();
  form->load();
  platform::ui::clipboard::SetText("Call Main()\n");
  form->editor->paste();
  EXPECT_EQ(form->editor->text(), "Call Main()\r\n");
  form->editor->executeCommand(cmdSelectAll);
  form->editor->setSel({0, 0, 0, 4}, false);
  form->editor->copy();
  EXPECT_EQ(platform::ui::clipboard::GetText(), "Call");
  form->editor->setReadOnly(true);
  platform::ui::clipboard::SetText("ignored");
  form->editor->paste();
  EXPECT_EQ(form->editor->text(), "Call Main()\r\n");
}

TEST_F(CodeEditorControlTest, FindReplaceAndGoToAskTheCurrentUser) {
  auto form = Form::make<EditorForm>();
  form->load();
  form->editor->setText("a\r\nb = a\r\nc");
  user->answerFind(std::string("A")).answerGotoLine(3).answerReplace(platform::ui::ReplaceAnswer{"a", "z", true});
  form->editor->setCaretPos(0, 1);
  form->editor->executeCommand(cmdFind);
  EXPECT_EQ(form->editor->getSel(true), (CodeRange{1, 4, 1, 5}));
  form->editor->executeCommand(cmdGotoLine, -1);
  EXPECT_EQ(form->editor->getSel(true), (CodeRange{2, 0, 2, 0}));
  form->editor->executeCommand(cmdReplace);
  EXPECT_EQ(form->editor->text(), "z\r\nb = z\r\nc");
}

TEST_F(CodeEditorControlTest, AnErrorOfAHandlerIsKeptByTheControl) {
  auto form = Form::make<EditorForm>();
  form->load();
  form->events.onKeyDown = [](CodeEditor&) { platform::raise(91); };
  form->editor->typeText("k");
  EXPECT_EQ(form->editor->text(), "k");
  ASSERT_TRUE(form->editor->lastEventError().has_value());
  EXPECT_EQ(form->editor->lastEventError()->number(), 91);
}

}  // namespace
