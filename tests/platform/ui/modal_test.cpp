#include <gtest/gtest.h>

#include "common/ui_test_user.h"
#include "platform/ui/msgbox.h"
#include "platform/ui/windows.h"
#include "test_controls.h"

using namespace platform;
using namespace platform::ui;
using uitest::Button;
using uitest::TestForm;
using uitest::TextBox;

namespace {

class ModalTest : public kestrin_test::UiTest {};

// The main window shows a dialog modally from a button; the dialog asks a
// question in a message box from its OK button.
TEST_F(ModalTest, AMessageBoxInsideADialogOverAModalWindow) {
  std::vector<std::string> seen;
  auto dialog = uitest::makeForm("frmNewClass");
  dialog->build = [&](TestForm& form) {
    auto name = form.add(std::make_shared<TextBox>("txtFunctionName"));
    auto ok = form.add(std::make_shared<Button>("cmdOK"));
    ok->onClick = [&, name] {
      EXPECT_EQ(GetParent(form.hWnd()), findForm("frmMain")->hWnd());  // owned by the main window
      if (MsgBox("Create " + name->text + "?", mb::YesNo | mb::Question, "Kestrin VB Script Editor") == mb::Yes) {
        seen.push_back("created " + name->text);
        form.unload();
      } else {
        seen.push_back("kept open");
      }
    };
  };
  auto main = uitest::makeForm("frmMain");
  main->build = [&](TestForm& form) {
    auto open = form.add(std::make_shared<Button>("cmdNewClass"));
    open->onClick = [&] {
      seen.push_back("dialog opens");
      dialog->show(vbModal, &form);
      seen.push_back("dialog closed");
      EXPECT_TRUE(form.loaded());
      EXPECT_TRUE(IsWindowEnabled(form.hWnd()));  // the main window works again
    };
  };

  user->click("cmdNewClass")
      .type("Shape")
      .click("cmdOK")
      .answerMessageBox(mb::No, "Create Shape?", "Kestrin VB Script Editor")
      .close("frmMain")  // waits behind the dialog: refused
      .click("cmdOK")
      .answerMessageBox(mb::Yes, "Create Shape?")
      .close();
  // The refused close of the waiting main window is expected here.
  std::vector<std::string> refusals;
  user->setFailureHandler([&](const std::string& m) { refusals.push_back(m); });
  main->show(vbModal);

  EXPECT_EQ(seen, (std::vector<std::string>{"dialog opens", "kept open", "created Shape", "dialog closed"}));
  ASSERT_EQ(refusals.size(), 1u);
  EXPECT_NE(refusals[0].find("frmMain waits behind the modal window frmNewClass"), std::string::npos);
  EXPECT_FALSE(main->loaded());
  EXPECT_FALSE(dialog->loaded());
}

TEST_F(ModalTest, UnloadingAllFormsInsideTheInnerLoopEndsBothLoops) {
  auto main = uitest::makeForm("frmMain");
  auto about = uitest::makeForm("frmAbout");
  std::vector<int32_t> modes;
  about->build = [&](TestForm& form) {
    auto quit = form.add(std::make_shared<Button>("cmdQuit"));
    quit->onClick = [&] {
      for (auto& f : forms()) f->unload();  // as the host's FreeEditor does
    };
  };
  main->whenQueryUnload = [&](bool&, int32_t mode) { modes.push_back(mode); };
  main->build = [&](TestForm& form) {
    auto b = form.add(std::make_shared<Button>("cmdAbout"));
    b->onClick = [&] { about->show(vbModal, &form); };
  };
  user->click("cmdAbout").click("cmdQuit");
  main->show(vbModal);
  EXPECT_FALSE(main->loaded());
  EXPECT_FALSE(about->loaded());
  EXPECT_EQ(modes, (std::vector<int32_t>{1}));
  EXPECT_TRUE(forms().empty());
}

TEST_F(ModalTest, AbandonedLoopUnloadsByCodeAndEndsEvenWhenTheCloseQueryRefuses) {
  auto f = uitest::makeForm();
  std::vector<int32_t> modes;
  f->whenQueryUnload = [&](bool& cancel, int32_t mode) {
    modes.push_back(mode);
    cancel = true;
  };
  user->abandon();
  f->show(vbModal);  // returns although the form stays loaded
  EXPECT_EQ(modes, (std::vector<int32_t>{1}));
  EXPECT_TRUE(f->loaded());
  EXPECT_FALSE(f->visible());
}

TEST_F(ModalTest, WithoutAUserEveryLoopIsAbandonedAndEveryBoxCancelled) {
  setCurrentUser(nullptr);
  user.reset();
  EXPECT_EQ(MsgBox("Save?", mb::YesNoCancel), mb::Cancel);
  EXPECT_EQ(MsgBox("Exit?", mb::YesNo), mb::No);
  EXPECT_EQ(MsgBox("Done", mb::OKOnly), mb::OK);
  EXPECT_EQ(InputBox("Name?", "", "default"), "");
  auto f = uitest::makeForm();
  f->show(vbModal);
  EXPECT_FALSE(f->loaded());
}

TEST_F(ModalTest, AModelessFormShownInsideTheLoopTakesActions) {
  auto main = uitest::makeForm("frmMain");
  auto find = uitest::makeForm("frmFind");
  std::string found;
  find->build = [&](TestForm& form) {
    auto text = form.add(std::make_shared<TextBox>("txtFind"));
    auto go = form.add(std::make_shared<Button>("cmdFind"));
    go->onClick = [&, text] { found = text->text; };
  };
  main->build = [&](TestForm& form) {
    auto b = form.add(std::make_shared<Button>("cmdShowFind"));
    b->onClick = [&] { find->show(vbModeless, &form); };
  };
  user->click("cmdShowFind")
      .setValue("txtFind", "needle", "frmFind")
      .click("cmdFind", "frmFind")
      .close("frmFind")
      .close("frmMain");
  main->show(vbModal);
  EXPECT_EQ(found, "needle");
  EXPECT_FALSE(find->loaded());
  EXPECT_FALSE(main->loaded());
}

TEST_F(ModalTest, EscapeAndEnterPressTheCancelAndDefaultButtons) {
  auto f = uitest::makeForm("frmAddFunction");
  std::vector<std::string> seen;
  f->build = [&](TestForm& form) {
    form.add(std::make_shared<TextBox>("txtFunctionName"));
    auto ok = form.add(std::make_shared<Button>("cmdOK"));
    auto cancel = form.add(std::make_shared<Button>("cmdCancel"));
    ok->onClick = [&] { seen.push_back("OK"); };
    cancel->onClick = [&] {
      seen.push_back("Cancel");
      form.unload();
    };
    form.setDefaultControl(ok.get());
    form.setCancelControl(cancel.get());
  };
  user->key("Enter").key("Escape");
  f->show(vbModal);
  EXPECT_EQ(seen, (std::vector<std::string>{"OK", "Cancel"}));
}

TEST_F(ModalTest, ActionsThatNothingTakesAreReportedToTheUser) {
  auto f = uitest::makeForm();
  f->build = [](TestForm& form) {
    form.add(std::make_shared<uitest::Label>("lblInfo"));
    auto off = form.add(std::make_shared<Button>("cmdOff"));
    off->setEnabled(false);
  };
  std::vector<std::string> refusals;
  user->setFailureHandler([&](const std::string& m) { refusals.push_back(m); });
  user->click("cmdMissing").click("cmdOff").toolClick("ID_Nothing").type("x").key("NoSuchKey");
  user->close();
  f->show(vbModal);
  ASSERT_EQ(refusals.size(), 5u);
  EXPECT_NE(refusals[0].find("has no control cmdMissing"), std::string::npos);
  EXPECT_NE(refusals[1].find("cmdOff is hidden or disabled"), std::string::npos);
  EXPECT_NE(refusals[2].find("tool ID_Nothing"), std::string::npos);
  EXPECT_NE(refusals[3].find("has the focus"), std::string::npos);
  EXPECT_NE(refusals[4].find("no key is named NoSuchKey"), std::string::npos);
}

}  // namespace
