#include "platform/controls/standard_controls.h"

#include <gtest/gtest.h>

#include "controls_test_support.h"
#include "platform/runtime/errors.h"
#include "platform/ui/form.h"

namespace {

using namespace platform::controls;
using controls_test::raisedNumber;
using platform::ui::Action;

// A dialog shaped like the code and options dialogs: a name box, a minutes
// box, two option groups, a check-box array, a combo box, a label and the
// OK and Cancel buttons.
class TestDialog : public platform::ui::Form {
 public:
  TestDialog() : Form("frmTest") {}

  std::shared_ptr<TextBox> txtName, txtMinutes;
  std::shared_ptr<OptionButton> optStart[3], optScope[2];
  std::shared_ptr<CheckBox> chkBackup[2];
  std::shared_ptr<ComboBox> cboFonts;
  std::shared_ptr<Label> lblShow;
  std::shared_ptr<CommandButton> cmdOK, cmdCancel;
  std::vector<std::string> events;

 protected:
  void createControls() override {
    txtName = add(std::make_shared<TextBox>("txtFunctionName"));
    txtMinutes = add(std::make_shared<TextBox>("txtAutoSaveFileMinutes"));
    const char* starts[] = {"&Save changes", "&Prompt to save changes", "&Don't save changes"};
    for (int i = 0; i < 3; ++i)
      optStart[i] = add(std::make_shared<OptionButton>("optScriptStarts", starts[i], i, "fraStarts"));
    optScope[0] = add(std::make_shared<OptionButton>("optFunction", "&Public", 0, "fraScope"));
    optScope[1] = add(std::make_shared<OptionButton>("optFunction", "Pri&vate", 1, "fraScope"));
    chkBackup[0] = add(std::make_shared<CheckBox>("chkBackup", "Do not auto-save", 0));
    chkBackup[1] = add(std::make_shared<CheckBox>("chkBackup", "Create archive", 1));
    cboFonts = add(std::make_shared<ComboBox>("cboFonts"));
    lblShow = add(std::make_shared<Label>("lblShow", "This is example text "));
    cmdOK = add(std::make_shared<CommandButton>("cmdOK", "&OK"));
    cmdCancel = add(std::make_shared<CommandButton>("cmdCancel", "&Cancel"));
    cmdCancel->setCancel(true);
    cmdOK->onClick = [this] { events.push_back("OK"); };
    cmdCancel->onClick = [this] { events.push_back("Cancel"); };
  }
};

class StandardControls : public controls_test::WithUser {
 protected:
  void SetUp() override {
    WithUser::SetUp();
    form = platform::ui::Form::make<TestDialog>();
    form->load();
  }
  void TearDown() override {
    form->unload();
    WithUser::TearDown();
  }
  bool act(Action::Kind kind, const std::string& control, const std::string& text = {}) {
    Action a;
    a.kind = kind;
    a.form = "frmTest";
    a.control = control;
    a.text = text;
    return form->dispatch(a);
  }
  std::shared_ptr<TestDialog> form;
};

TEST_F(StandardControls, CheckBoxHoldsZeroOneOrTwoAndRefusesOtherValuesWith380) {
  CheckBox& box = *form->chkBackup[0];
  int clicks = 0;
  box.onClick = [&] { ++clicks; };
  for (int32_t v : {1, 2, 0}) {
    box.setValue(v);
    EXPECT_EQ(box.value(), v);
  }
  EXPECT_EQ(clicks, 3);
  box.setValue(1);
  for (int32_t bad : {-1, 3, 255}) {
    EXPECT_EQ(raisedNumber([&] { box.setValue(bad); }), platform::err::InvalidPropertyValue) << bad;
    EXPECT_EQ(box.value(), 1) << bad;
  }
  struct Case {
    const char* text;
    int32_t error;
    int32_t value;
  };
  const Case texts[] = {{"0", 0, 0}, {"2", 0, 2}, {"5", 380, 2}, {"-1", 380, 2}, {"x", 13, 2}};
  for (const Case& c : texts) {
    EXPECT_EQ(raisedNumber([&] { box.setValueText(c.text); }), c.error) << c.text;
    EXPECT_EQ(box.value(), c.value) << c.text;
  }
}

TEST_F(StandardControls, ClicksOnACheckBoxArrayElementToggleIt) {
  EXPECT_TRUE(act(Action::Kind::Click, "chkBackup(1)"));
  EXPECT_EQ(form->chkBackup[1]->value(), 1);
  EXPECT_EQ(form->chkBackup[0]->value(), 0);
  EXPECT_TRUE(act(Action::Kind::Click, "chkBackup(1)"));
  EXPECT_EQ(form->chkBackup[1]->value(), 0);
  form->chkBackup[1]->setValue(2);
  EXPECT_TRUE(act(Action::Kind::Click, "chkBackup(1)"));
  EXPECT_EQ(form->chkBackup[1]->value(), 0);
  EXPECT_EQ(form->chkBackup[0]->valueText(), "0");

  // An index that the array lacks.
  EXPECT_EQ(raisedNumber([&] { form->control("chkBackup", 2); }), platform::err::ControlArrayElementDoesNotExist);
  EXPECT_EQ(&form->control("chkBackup", 1), form->chkBackup[1].get());
}

TEST_F(StandardControls, ChoosingAnOptionClearsTheOthersOfItsGroupOnly) {
  form->optStart[0]->setValue(true);
  form->optScope[0]->setValue(true);
  EXPECT_TRUE(act(Action::Kind::Click, "optScriptStarts(2)"));
  EXPECT_FALSE(form->optStart[0]->value());
  EXPECT_FALSE(form->optStart[1]->value());
  EXPECT_TRUE(form->optStart[2]->value());
  EXPECT_TRUE(form->optScope[0]->value());  // another group

  EXPECT_TRUE(act(Action::Kind::SetValue, "optScriptStarts(1)", "True"));
  EXPECT_TRUE(form->optStart[1]->value());
  EXPECT_FALSE(form->optStart[2]->value());
  EXPECT_EQ(form->optStart[1]->valueText(), "True");

  // Clearing one leaves none selected; the others stay clear.
  form->optStart[1]->setValue(false);
  for (auto& b : form->optStart) EXPECT_FALSE(b->value());
}

TEST_F(StandardControls, EscapePressesTheCancelButtonAndEnterNoOtherButton) {
  Action key;
  key.kind = Action::Kind::Key;
  key.form = "frmTest";
  form->txtName->setFocus();
  key.text = "Enter";
  form->dispatch(key);
  form->txtName->typeText("name\r\n");
  EXPECT_TRUE(form->events.empty());  // no default button
  EXPECT_EQ(form->txtName->text(), "name");
  key.text = "Escape";
  EXPECT_TRUE(form->dispatch(key));
  EXPECT_EQ(form->events, std::vector<std::string>{"Cancel"});

  // From a check box too, and not once the button is no cancel button.
  form->chkBackup[0]->setFocus();
  EXPECT_TRUE(form->dispatch(key));
  form->cmdCancel->setCancel(false);
  EXPECT_FALSE(form->cmdCancel->cancel());
  EXPECT_FALSE(form->dispatch(key));
  EXPECT_EQ(form->events, (std::vector<std::string>{"Cancel", "Cancel"}));
}

TEST_F(StandardControls, ACancelOrDefaultButtonIsOnePerForm) {
  Action key;
  key.kind = Action::Kind::Key;
  key.form = "frmTest";
  form->txtName->setFocus();
  form->cmdOK->setCancel(true);
  EXPECT_FALSE(form->cmdCancel->cancel());
  key.text = "Escape";
  form->dispatch(key);
  EXPECT_EQ(form->events, std::vector<std::string>{"OK"});
  form->cmdCancel->setDefault(true);
  EXPECT_TRUE(form->cmdCancel->isDefault());
  form->txtName->typeText("\n");
  EXPECT_EQ(form->events, (std::vector<std::string>{"OK", "Cancel"}));
}

TEST_F(StandardControls, AComboPickRaisesClickAndSettingTheTextDoesNot) {
  ComboBox& combo = *form->cboFonts;
  for (const char* f : {"Courier New", "Tahoma"}) combo.addItem(f);
  int clicks = 0, changes = 0;
  combo.onClick = [&] { ++clicks; };
  combo.onChange = [&] { ++changes; };

  combo.setText("Tahoma");
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(combo.listIndex(), 1);
  EXPECT_TRUE(act(Action::Kind::Pick, "cboFonts", "Courier New"));
  EXPECT_EQ(combo.text(), "Courier New");
  EXPECT_EQ(combo.listIndex(), 0);
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(act(Action::Kind::Pick, "cboFonts", "Wingdings"));
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(act(Action::Kind::SetValue, "cboFonts", "Typed Font"));
  EXPECT_EQ(combo.text(), "Typed Font");
  EXPECT_EQ(combo.listIndex(), -1);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(changes, 3);
}

TEST_F(StandardControls, ComboListIndexSetInCodeSelectsThatEntryEvenWhileDisabled) {
  ComboBox& combo = *form->cboFonts;
  for (const char* f : {"8", "10", "8"}) combo.addItem(f);
  int clicks = 0;
  combo.onClick = [&] { ++clicks; };
  combo.setEnabled(false);
  combo.setListIndex(1);
  EXPECT_EQ(combo.text(), "10");
  EXPECT_EQ(combo.listIndex(), 1);
  combo.setListIndex(2);  // the second "8", not the first
  EXPECT_EQ(combo.listIndex(), 2);
  EXPECT_EQ(clicks, 2);
  combo.setListIndex(-1);
  EXPECT_EQ(combo.listIndex(), -1);
  EXPECT_EQ(raisedNumber([&] { combo.setListIndex(3); }), 380);
  EXPECT_EQ(clicks, 2);
}

TEST_F(StandardControls, TheLostFocusEventSeesWhatWasTyped) {
  TextBox& minutes = *form->txtMinutes;
  minutes.onLostFocus = [&] {
    if (minutes.text().empty() || minutes.text().find_first_not_of("0123456789") != std::string::npos)
      minutes.setText("0");
  };
  minutes.setFocus();
  EXPECT_TRUE(act(Action::Kind::TypeText, "txtAutoSaveFileMinutes", "abc"));
  EXPECT_EQ(minutes.text(), "abc");
  EXPECT_TRUE(act(Action::Kind::Focus, "txtFunctionName"));
  EXPECT_EQ(minutes.text(), "0");

  minutes.setFocus();
  minutes.pressKey("Backspace");
  minutes.typeText("15");
  form->txtName->setFocus();
  EXPECT_EQ(minutes.text(), "15");
}

TEST_F(StandardControls, ALabelTakesAnyFontNameAndRefusesASizeOutOfRange) {
  Label& label = *form->lblShow;
  label.setFontName("No Such Font");
  EXPECT_EQ(label.font().name, "No Such Font");
  label.setFontSize(10.0f);
  EXPECT_EQ(label.font().size, 10.0f);
  for (float bad : {0.0f, -4.0f, 5000.0f})
    EXPECT_EQ(raisedNumber([&] { label.setFontSize(bad); }), platform::err::InvalidPropertyValue);
  EXPECT_EQ(label.font().size, 10.0f);
  EXPECT_EQ(raisedNumber([&] { label.setFontName(""); }), platform::err::InvalidPropertyValue);
  EXPECT_EQ(label.valueText(), "This is example text ");
  EXPECT_FALSE(label.canTakeFocus());
}

TEST(TabControl, TabsAreSelectedByCaption) {
  auto tabs = std::make_shared<TabControl>("ssTabOptions");
  for (const char* c : {"Editor", "&Editor Format", "Environment", "&User", "Backup"}) tabs->addTab(c);
  EXPECT_EQ(tabs->selectedTab(), 0);
  EXPECT_TRUE(tabs->pick("User"));
  EXPECT_EQ(tabs->selectedTab(), 3);
  EXPECT_TRUE(tabs->pick("&Editor Format"));
  EXPECT_EQ(tabs->valueText(), "&Editor Format");
  EXPECT_FALSE(tabs->pick("Nothing"));
  EXPECT_EQ(raisedNumber([&] { tabs->setSelectedTab(5); }), platform::err::InvalidPropertyValue);
}

}  // namespace
