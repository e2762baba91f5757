// The standard controls of the dialogs: text box, check box, option button,
// combo box, label, command button, frame, picture and tab control.
//
// Each is a ui::Control: the modal loop hands it the user's clicks, typed
// text, set values, picks and keys, and tests and the scenario player read
// its value as text. Control arrays (chkBackup(0), optFunction(1)) are
// controls of one name with indexes; the form finds them by name and index
// and refuses an index the array lacks with 340.
//
// Keys: the controls leave Escape and Enter to the form, which presses its
// cancel button (the command button whose Cancel is set) for Escape and its
// default button for Enter. A command button takes Enter and Space as its
// own click; a check box and an option button take Space.
//
// Events fire through the control (fireEvent): an error that escapes a
// handler stays with the control and goes no further.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/controls/line_edit.h"
#include "platform/ui/control.h"

namespace platform::controls {

struct ControlFont {
  std::string name = "MS Sans Serif";
  float size = 8.25f;
  bool bold = false;
  bool italic = false;
  bool operator==(const ControlFont&) const = default;
};

// What the standard controls share: a caption or text, a font, a tip, and
// the form-wide keys.
class StandardControl : public ui::Control {
 public:
  using ui::Control::Control;

  const ControlFont& font() const noexcept { return font_; }
  // Any font name is taken (a name the screen lacks is kept as given);
  // the empty name raises 380.
  void setFontName(const std::string& name);
  // A size outside 1 to 2048 points raises 380.
  void setFontSize(float size);
  void setFontBold(bool bold) noexcept { font_.bold = bold; }

  const std::string& toolTipText() const noexcept { return toolTipText_; }
  void setToolTipText(std::string text) { toolTipText_ = std::move(text); }

 private:
  ControlFont font_;
  std::string toolTipText_;
};

// What a text box and a combo box share: a one-line text edited at its
// caret. Typing goes in at the caret; Backspace and Delete remove the
// character before and after it (a whole UTF-8 character), Left, Right,
// Home and End move it. Enter typed presses the form's default button. A
// caret or mouse action at (1, column) puts the caret before the character
// of that column (from 1).
class EditField : public StandardControl {
 public:
  const std::string& text() const noexcept { return text_; }
  // Sets the text, the caret at its end; the change event follows when it
  // differs.
  void setText(std::string text);
  // The caret: the characters before it (a UTF-8 sequence is one).
  int32_t caretPosition() const noexcept { return caret_; }

  bool typeText(const std::string& text) override;
  bool pressKey(const std::string& keyName) override;
  bool setValueText(const std::string& text) override;
  std::string valueText() const override { return text_; }
  bool caret(int32_t line, int32_t column) override;
  bool mouse(int32_t line, int32_t column) override { return caret(line, column); }

  std::function<void()> onChange;

 protected:
  // A tab typed into the field moves the focus when `tabMovesFocus`, and
  // is dropped otherwise.
  EditField(std::string name, int32_t index, bool tabMovesFocus)
      : StandardControl(std::move(name), index), tabMovesFocus_(tabMovesFocus) {}
  // After the text changed, before the change event.
  virtual void textChanged() {}

 private:
  void edit(const LineEdit& edited);
  std::string text_;
  int32_t caret_ = 0;
  bool tabMovesFocus_;
};

class TextBox : public EditField {
 public:
  explicit TextBox(std::string name, int32_t index = -1) : EditField(std::move(name), index, /*tabMovesFocus=*/true) {}
  std::string typeName() const override { return "TextBox"; }
};

// A check box holds 0 (clear), 1 (checked) or 2 (greyed); any other value
// raises 380. A click turns 0 into 1 and 1 or 2 into 0. Each change of the
// value, by the user or by code, raises the click event, as the original
// control did.
class CheckBox : public StandardControl {
 public:
  CheckBox(std::string name, std::string caption = {}, int32_t index = -1)
      : StandardControl(std::move(name), index), caption_(std::move(caption)) {}
  std::string typeName() const override { return "CheckBox"; }

  const std::string& caption() const noexcept { return caption_; }
  void setCaption(std::string caption) { caption_ = std::move(caption); }
  int32_t value() const noexcept { return value_; }
  void setValue(int32_t value);
  bool checked() const noexcept { return value_ != 0; }

  bool click() override;
  bool pressKey(const std::string& keyName) override;  // Space clicks
  // "0", "1", "2" (or "True"/"False" as 1/0); other numbers raise 380, a text
  // that is no number 13.
  bool setValueText(const std::string& text) override;
  std::string valueText() const override { return std::to_string(value_); }

  std::function<void()> onClick;

 private:
  std::string caption_;
  int32_t value_ = 0;
};

// Option buttons of one group exclude each other: selecting one clears the
// others of its group on the same form. The group is the name of the
// container (the frame) the button stands in; buttons with the same group
// text form one group (the empty text: the form itself).
class OptionButton : public StandardControl {
 public:
  OptionButton(std::string name, std::string caption = {}, int32_t index = -1, std::string group = {})
      : StandardControl(std::move(name), index), caption_(std::move(caption)), group_(std::move(group)) {}
  std::string typeName() const override { return "OptionButton"; }

  const std::string& caption() const noexcept { return caption_; }
  void setCaption(std::string caption) { caption_ = std::move(caption); }
  const std::string& group() const noexcept { return group_; }
  void setGroup(std::string group) { group_ = std::move(group); }

  bool value() const noexcept { return value_; }
  // True selects this button and clears the others of its group (the click
  // event follows when the button was not selected); false clears it alone.
  void setValue(bool value);

  bool click() override;
  bool pressKey(const std::string& keyName) override;  // Space selects
  // "True"/"False", "1"/"0" or "-1"; another text raises 13.
  bool setValueText(const std::string& text) override;
  std::string valueText() const override { return value_ ? "True" : "False"; }

  // The buttons of this button's group on its form, this one included.
  std::vector<OptionButton*> groupMembers() const;

  std::function<void()> onClick;

 private:
  std::string caption_;
  std::string group_;
  bool value_ = false;
};

// A combo box: a text field that accepts typing, with a drop-down list. A
// pick from the list sets the text and raises the click event; setting the
// text (by code or by typing) raises the change event and no click.
class ComboBox : public EditField {
 public:
  explicit ComboBox(std::string name, int32_t index = -1)
      : EditField(std::move(name), index, /*tabMovesFocus=*/false) {}
  std::string typeName() const override { return "ComboBox"; }

  void addItem(std::string item);
  // Positions from 0; another raises 5.
  void removeItem(int32_t position);
  void clear();
  int32_t listCount() const noexcept { return static_cast<int32_t>(list_.size()); }
  const std::string& list(int32_t position) const;
  const std::vector<std::string>& items() const noexcept { return list_; }
  // The position of the text in the list (compared exactly), or -1.
  int32_t listIndex() const noexcept { return listIndex_; }
  // Selects an entry as a pick does, also while the box is disabled or
  // hidden (-1 clears the selection); another position raises 380.
  void setListIndex(int32_t position);

  // An entry that the list lacks is refused (false).
  bool pick(const std::string& entry) override;

  std::function<void()> onClick;

 private:
  void textChanged() override { updateListIndex(); }
  void updateListIndex();
  std::vector<std::string> list_;
  int32_t listIndex_ = -1;
};

class Label : public StandardControl {
 public:
  Label(std::string name, std::string caption = {}, int32_t index = -1)
      : StandardControl(std::move(name), index), caption_(std::move(caption)) {}
  std::string typeName() const override { return "Label"; }
  bool canTakeFocus() const override { return false; }

  const std::string& caption() const noexcept { return caption_; }
  void setCaption(std::string caption) { caption_ = std::move(caption); }
  // Redraws the label; counted, so that a test can see a repaint.
  void refresh() noexcept { ++refreshCount_; }
  int32_t refreshCount() const noexcept { return refreshCount_; }
  std::string valueText() const override { return caption_; }

 private:
  std::string caption_;
  int32_t refreshCount_ = 0;
};

// A command button. `cancel`: Escape presses it; `isDefault`: Enter
// presses it. They are the form's cancel and default controls, so a form
// has at most one of each: setting it on one button clears it on the
// others. Set them once the button is on its form.
class CommandButton : public StandardControl {
 public:
  CommandButton(std::string name, std::string caption = {}, int32_t index = -1)
      : StandardControl(std::move(name), index), caption_(std::move(caption)) {}
  std::string typeName() const override { return "CommandButton"; }

  const std::string& caption() const noexcept { return caption_; }
  void setCaption(std::string caption) { caption_ = std::move(caption); }
  bool cancel() const;
  void setCancel(bool on);
  bool isDefault() const;
  void setDefault(bool on);

  // A disabled or hidden button is not pressed (false).
  bool click() override;
  bool pressKey(const std::string& keyName) override;

  std::function<void()> onClick;

 private:
  std::string caption_;
  // Kept for a button that is on no form.
  bool cancel_ = false;
  bool default_ = false;
};

class Frame : public StandardControl {
 public:
  Frame(std::string name, std::string caption = {}, int32_t index = -1)
      : StandardControl(std::move(name), index), caption_(std::move(caption)) {}
  std::string typeName() const override { return "Frame"; }
  bool canTakeFocus() const override { return false; }
  const std::string& caption() const noexcept { return caption_; }
  void setCaption(std::string caption) { caption_ = std::move(caption); }
  std::string valueText() const override { return caption_; }

 private:
  std::string caption_;
};

// A picture box; the picture is named, not drawn.
class PictureBox : public StandardControl {
 public:
  explicit PictureBox(std::string name, std::string picture = {}, int32_t index = -1)
      : StandardControl(std::move(name), index), picture_(std::move(picture)) {}
  std::string typeName() const override { return "PictureBox"; }
  bool canTakeFocus() const override { return false; }
  const std::string& picture() const noexcept { return picture_; }
  void setPicture(std::string picture) { picture_ = std::move(picture); }

 private:
  std::string picture_;
};

// A tab control: tabs with captions, one of them selected (positions from
// 0). A click on a tab (pick by caption, with or without its "&") selects it.
class TabControl : public StandardControl {
 public:
  explicit TabControl(std::string name, int32_t index = -1) : StandardControl(std::move(name), index) {}
  std::string typeName() const override { return "TabControl"; }

  void addTab(std::string caption);
  int32_t tabCount() const noexcept { return static_cast<int32_t>(tabs_.size()); }
  const std::string& tabCaption(int32_t position) const;
  int32_t selectedTab() const noexcept { return selected_; }
  // Another position raises 380.
  void setSelectedTab(int32_t position);

  bool pick(const std::string& caption) override;
  std::string valueText() const override;

 private:
  std::vector<std::string> tabs_;
  int32_t selected_ = -1;
};

// A caption without its "&" access-key marks ("&&" stays one "&").
std::string stripAccessKeys(const std::string& caption);
// The letter after a caption's first single "&", in lower case; 0 for none.
char accessKeyOf(const std::string& caption);

}  // namespace platform::controls
