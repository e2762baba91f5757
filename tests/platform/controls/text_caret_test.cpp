// One-line boxes edit at their caret: typing goes in there, Backspace and
// Delete remove around it, Left, Right, Home, End and a click move it;
// positions count characters, not bytes.
#include <gtest/gtest.h>

#include "controls_test_support.h"
#include "platform/controls/standard_controls.h"
#include "platform/ui/form.h"

namespace {

using namespace platform::controls;

class CaretDialog : public platform::ui::Form {
 public:
  CaretDialog() : Form("frmCaret") {}
  std::shared_ptr<TextBox> txt;
  std::shared_ptr<ComboBox> cbo;
  int changes = 0;

 protected:
  void createControls() override {
    txt = add(std::make_shared<TextBox>("txtText"));
    cbo = add(std::make_shared<ComboBox>("cboText"));
    txt->onChange = [this] { ++changes; };
    cbo->addItem("abXc");
  }
};

class TextCaret : public controls_test::WithUser {
 protected:
  void SetUp() override {
    WithUser::SetUp();
    form = platform::ui::Form::make<CaretDialog>();
    form->load();
  }
  void TearDown() override {
    form->unload();
    WithUser::TearDown();
  }
  std::shared_ptr<CaretDialog> form;
};

// Steps: "+text" typed, "@n" a click before the character of column n
// (from 1), anything else a key.
void run(platform::ui::Control& box, const std::vector<std::string>& steps) {
  for (const auto& s : steps) {
    if (s[0] == '+')
      box.typeText(s.substr(1));
    else if (s[0] == '@')
      box.mouse(1, std::stoi(s.substr(1)));
    else
      box.pressKey(s);
  }
}

struct Case {
  const char* start;
  std::vector<std::string> steps;
  const char* text;
  int32_t caret;
};

const Case kCases[] = {
    {"", {"+abc"}, "abc", 3},
    {"abc", {"Left", "Left", "+X"}, "aXbc", 2},
    {"abc", {"Home", "Delete"}, "bc", 0},
    {"abc", {"Home", "Backspace", "Left"}, "abc", 0},
    {"abc", {"Delete", "Right"}, "abc", 3},
    {"abc", {"Left", "+\b"}, "ac", 1},
    {"abc", {"Home", "End", "Space"}, "abc ", 4},
    {"abcdef", {"@3", "+Z"}, "abZcdef", 3},
    {"ab", {"@9"}, "ab", 2},
    {"h\xc3\xa9llo", {"Home", "Right", "Right", "Backspace"}, "hllo", 1},
    {"h\xc3\xa9llo", {"Home", "Right", "Delete"}, "hllo", 1},
    {"\xe4\xb8\xad\xe6\x96\x87x", {"Left", "Left", "Backspace"}, "\xe6\x96\x87x", 0},
    {"\xe4\xb8\xad\xe6\x96\x87", {"@2", "+\xc3\xa9"}, "\xe4\xb8\xad\xc3\xa9\xe6\x96\x87", 2},
    {"a\xf0\x9f\x98\x80"
     "b",
     {"Left", "Backspace"},
     "ab",
     1},
    {"a\xff"
     "b",
     {"Left", "Backspace", "Right"},
     "ab",
     2},
    // Bytes that are no character of UTF-8 (an overlong form, a surrogate)
    // are one character each, as Len counts them.
    {"\xc0\x80", {"Left", "Backspace"}, "\x80", 0},
    {"\xed\xa0\x80"
     "b",
     {"Left", "Left", "Backspace"},
     "\xed\x80"
     "b",
     1},
};

TEST_F(TextCaret, TextAndComboBoxesEditAtTheCaret) {
  for (const auto& c : kCases) {
    form->txt->setText("-");
    form->txt->setText(c.start);
    run(*form->txt, c.steps);
    EXPECT_EQ(form->txt->text(), c.text) << c.start << " then " << c.steps.front();
    EXPECT_EQ(form->txt->caretPosition(), c.caret) << c.start << " then " << c.steps.front();
    form->cbo->setText("-");
    form->cbo->setText(c.start);
    run(*form->cbo, c.steps);
    EXPECT_EQ(form->cbo->text(), c.text) << "combo: " << c.start << " then " << c.steps.front();
    EXPECT_EQ(form->cbo->caretPosition(), c.caret) << "combo: " << c.start << " then " << c.steps.front();
  }
}

TEST_F(TextCaret, OnlyEditsRaiseTheChangeEventAndTheTextSetByCodePutsTheCaretAtItsEnd) {
  form->txt->setText("hello");
  EXPECT_EQ(form->txt->caretPosition(), 5);
  form->changes = 0;
  run(*form->txt, {"Home", "Right", "End", "@2", "Backspace", "Backspace"});
  EXPECT_EQ(form->txt->text(), "ello");
  EXPECT_EQ(form->changes, 1) << "a Backspace at the start changes nothing";
  // The combo box finds its entry again when an edit makes its text.
  form->cbo->setText("abc");
  run(*form->cbo, {"Left", "+X"});
  EXPECT_EQ(form->cbo->listIndex(), 0);
  // A click on another line of a one-line box is none of its business.
  EXPECT_FALSE(form->txt->mouse(2, 1));
  // Typing through the form goes to the focused box at its caret.
  platform::ui::Action click;
  click.kind = platform::ui::Action::Kind::Mouse;
  click.control = "txtText";
  click.line = 1;
  click.column = 2;
  form->dispatch(click);
  platform::ui::Action typed;
  typed.kind = platform::ui::Action::Kind::TypeText;
  typed.text = "J";
  form->dispatch(typed);
  EXPECT_EQ(form->txt->text(), "eJllo");
}

// A tab typed into a text box moves on to the next control; a combo box
// drops it. Text typed on either side of it still goes to the box typed into.
TEST_F(TextCaret, ATabTypedMovesOnFromATextBoxAndIsDroppedByAComboBox) {
  form->txt->setText("");
  form->txt->setFocus();
  form->txt->typeText("a\tb");
  EXPECT_EQ(form->txt->text(), "ab");
  EXPECT_EQ(form->focusedControl(), form->cbo.get());

  form->cbo->setText("");
  form->cbo->typeText("ab\tXc");
  EXPECT_EQ(form->cbo->text(), "abXc");
  EXPECT_EQ(form->cbo->listIndex(), 0);
  EXPECT_EQ(form->focusedControl(), form->cbo.get());
}

}  // namespace
