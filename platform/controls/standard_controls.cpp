#include "platform/controls/standard_controls.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "platform/runtime/errors.h"
#include "platform/ui/form.h"

namespace platform::controls {

namespace {

template <class T>
std::vector<T*> formControlsOf(const ui::Control& self) {
  std::vector<T*> out;
  ui::Form* form = self.form();
  if (!form) return out;
  for (const auto& c : form->controls())
    if (auto* t = dynamic_cast<T*>(c.get())) out.push_back(t);
  return out;
}

// The text as a whole number for a control value; raises 13 when it is no
// number.
long parseWholeNumber(const std::string& text) {
  std::string t = text;
  while (!t.empty() && t.front() == ' ') t.erase(t.begin());
  while (!t.empty() && t.back() == ' ') t.pop_back();
  if (t == "True" || t == "true") return -1;
  if (t == "False" || t == "false") return 0;
  if (t.empty()) raise(err::TypeMismatch);
  char* end = nullptr;
  long v = std::strtol(t.c_str(), &end, 10);
  if (*end != '\0') raise(err::TypeMismatch);
  return v;
}

bool isKey(const std::string& keyName, const char* name) { return keyName == name; }

// Enter typed into a one-line box presses the form's default button.
void pressDefaultButton(ui::Control& self) {
  ui::Form* form = self.form();
  if (!form) return;
  ui::Control* button = form->defaultControl();
  if (button && button->visible() && button->enabled()) {
    auto keep = button->shared_from_this();
    button->click();
  }
}

}  // namespace

std::string stripAccessKeys(const std::string& caption) {
  std::string out;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&') {
      if (i + 1 < caption.size() && caption[i + 1] == '&') {
        out += '&';
        ++i;
      }
      continue;
    }
    out += caption[i];
  }
  return out;
}

char accessKeyOf(const std::string& caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] == '&') {
      ++i;
      continue;
    }
    return static_cast<char>(std::tolower(static_cast<unsigned char>(caption[i + 1])));
  }
  return 0;
}

// --- StandardControl ---------------------------------------------------------

void StandardControl::setFontName(const std::string& name) {
  if (name.empty()) raise(err::InvalidPropertyValue);
  font_.name = name;
}

void StandardControl::setFontSize(float size) {
  if (!(size >= 1.0f && size <= 2048.0f)) raise(err::InvalidPropertyValue);
  font_.size = size;
}

// --- EditField -----------------------------------------------------------------

void EditField::setText(std::string text) {
  if (text == text_) return;
  text_ = std::move(text);
  caret_ = characterCount(text_);
  textChanged();
  if (onChange) fireEvent("Change", onChange);
}

void EditField::edit(const LineEdit& edited) {
  if (edited.text == text_) {
    caret_ = edited.caret;
    return;
  }
  text_ = edited.text;
  caret_ = edited.caret;
  textChanged();
  if (onChange) fireEvent("Change", onChange);
}

bool EditField::typeText(const std::string& text) {
  std::string pending;
  auto flush = [&] {
    if (pending.empty()) return;
    LineEdit e{text_, caret_};
    e.insert(pending);
    pending.clear();
    edit(e);
  };
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      flush();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      pressDefaultButton(*this);
    } else if (c == '\t') {
      flush();
      if (tabMovesFocus_ && form()) form()->tabFocus(true);
    } else if (c == '\b') {
      flush();
      pressKey("Backspace");
    } else {
      pending += c;
    }
  }
  flush();
  return true;
}

bool EditField::pressKey(const std::string& keyName) {
  LineEdit e{text_, caret_};
  if (e.key(keyName)) {
    edit(e);
    return true;
  }
  if (isKey(keyName, "Space")) return typeText(" ");
  if (keyName.size() == 1) return typeText(keyName);
  return false;
}

bool EditField::caret(int32_t line, int32_t column) {
  if (line != 1 || column < 1) return false;
  caret_ = std::min(column - 1, characterCount(text_));
  return true;
}

bool EditField::setValueText(const std::string& text) {
  setText(text);
  return true;
}

// --- CheckBox --------------------------------------------------------------------

void CheckBox::setValue(int32_t value) {
  if (value < 0 || value > 2) raise(err::InvalidPropertyValue);
  if (value == value_) return;
  value_ = value;
  if (onClick) fireEvent("Click", onClick);
}

bool CheckBox::click() {
  if (!enabled() || !visible()) return false;
  setValue(value_ == 0 ? 1 : 0);
  return true;
}

bool CheckBox::pressKey(const std::string& keyName) {
  if (isKey(keyName, "Space")) return click();
  return false;
}

bool CheckBox::setValueText(const std::string& text) {
  long v = (text == "True" || text == "true") ? 1 : parseWholeNumber(text);
  if (v < 0 || v > 2) raise(err::InvalidPropertyValue);
  setValue(static_cast<int32_t>(v));
  return true;
}

// --- OptionButton ------------------------------------------------------------

std::vector<OptionButton*> OptionButton::groupMembers() const {
  std::vector<OptionButton*> out;
  for (OptionButton* b : formControlsOf<OptionButton>(*this))
    if (b->group_ == group_) out.push_back(b);
  if (out.empty()) out.push_back(const_cast<OptionButton*>(this));
  return out;
}

void OptionButton::setValue(bool value) {
  if (!value) {
    value_ = false;
    return;
  }
  for (OptionButton* b : groupMembers())
    if (b != this) b->value_ = false;
  if (value_) return;
  value_ = true;
  if (onClick) fireEvent("Click", onClick);
}

bool OptionButton::click() {
  if (!enabled() || !visible()) return false;
  setValue(true);
  return true;
}

bool OptionButton::pressKey(const std::string& keyName) {
  if (isKey(keyName, "Space")) return click();
  return false;
}

bool OptionButton::setValueText(const std::string& text) {
  long v = parseWholeNumber(text);
  setValue(v != 0);
  return true;
}

// --- ComboBox ----------------------------------------------------------------

void ComboBox::updateListIndex() {
  auto it = std::find(list_.begin(), list_.end(), text());
  listIndex_ = it == list_.end() ? -1 : static_cast<int32_t>(it - list_.begin());
}

void ComboBox::addItem(std::string item) {
  list_.push_back(std::move(item));
  updateListIndex();
}

void ComboBox::removeItem(int32_t position) {
  if (position < 0 || position >= listCount()) raise(err::InvalidProcedureCall);
  list_.erase(list_.begin() + position);
  updateListIndex();
}

void ComboBox::clear() {
  list_.clear();
  listIndex_ = -1;
}

const std::string& ComboBox::list(int32_t position) const {
  if (position < 0 || position >= listCount()) raise(err::InvalidProcedureCall);
  return list_[static_cast<size_t>(position)];
}

void ComboBox::setListIndex(int32_t position) {
  if (position < -1 || position >= listCount()) raise(err::InvalidPropertyValue);
  if (position == -1) {
    listIndex_ = -1;
    return;
  }
  // Code selects whatever the user may do: a disabled or hidden box too,
  // and exactly the entry asked for when the list holds it twice.
  setText(list_[static_cast<size_t>(position)]);
  listIndex_ = position;
  if (onClick) fireEvent("Click", onClick);
}

bool ComboBox::pick(const std::string& entry) {
  if (!enabled() || !visible()) return false;
  auto it = std::find(list_.begin(), list_.end(), entry);
  if (it == list_.end()) return false;
  setText(entry);
  listIndex_ = static_cast<int32_t>(it - list_.begin());
  if (onClick) fireEvent("Click", onClick);
  return true;
}

// --- CommandButton --------------------------------------------------------------

bool CommandButton::cancel() const { return form() ? form()->cancelControl() == this : cancel_; }

void CommandButton::setCancel(bool on) {
  cancel_ = on;
  if (ui::Form* f = form()) {
    if (on)
      f->setCancelControl(this);
    else if (f->cancelControl() == this)
      f->setCancelControl(nullptr);
  }
}

bool CommandButton::isDefault() const { return form() ? form()->defaultControl() == this : default_; }

void CommandButton::setDefault(bool on) {
  default_ = on;
  if (ui::Form* f = form()) {
    if (on)
      f->setDefaultControl(this);
    else if (f->defaultControl() == this)
      f->setDefaultControl(nullptr);
  }
}

bool CommandButton::click() {
  if (!enabled() || !visible()) return false;
  if (onClick) fireEvent("Click", onClick);
  return true;
}

bool CommandButton::pressKey(const std::string& keyName) {
  if (isKey(keyName, "Enter") || isKey(keyName, "Space")) return click();
  return false;
}

// --- TabControl ----------------------------------------------------------------

void TabControl::addTab(std::string caption) {
  tabs_.push_back(std::move(caption));
  if (selected_ < 0) selected_ = 0;
}

const std::string& TabControl::tabCaption(int32_t position) const {
  if (position < 0 || position >= tabCount()) raise(err::InvalidPropertyValue);
  return tabs_[static_cast<size_t>(position)];
}

void TabControl::setSelectedTab(int32_t position) {
  if (position < 0 || position >= tabCount()) raise(err::InvalidPropertyValue);
  selected_ = position;
}

bool TabControl::pick(const std::string& caption) {
  for (size_t i = 0; i < tabs_.size(); ++i) {
    if (tabs_[i] == caption || stripAccessKeys(tabs_[i]) == caption) {
      selected_ = static_cast<int32_t>(i);
      return true;
    }
  }
  return false;
}

std::string TabControl::valueText() const {
  return selected_ < 0 ? std::string() : tabs_[static_cast<size_t>(selected_)];
}

}  // namespace platform::controls
