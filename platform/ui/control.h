// The base of every control on a form.
//
// A control has a name and, in a control array, an index; it belongs to one
// form, which made it in its load step and drops it in its unload step. The
// form keeps the focus and the tab order; the modal loop hands the user's
// actions to the focused or the named control through the virtual hooks
// below, and tests and the scenario player read a control's value as text.
//
// A control raises its events through fireEvent(): the form and the control
// stay alive while the handler runs, and an error that escapes the handler
// comes back to the control, which goes on with its default action and
// shows nothing; the error is kept for inspection (lastEventError()).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/runtime/errors.h"

namespace platform::ui {

class Form;
void resetDesktop();

class Control : public std::enable_shared_from_this<Control> {
 public:
  // index -1: not part of a control array.
  explicit Control(std::string name, int32_t index = -1);
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const std::string& name() const noexcept { return name_; }
  int32_t index() const noexcept { return index_; }
  bool hasIndex() const noexcept { return index_ >= 0; }
  // "name" or "name(index)", as actions address the control.
  std::string fullName() const;
  // The kind of control, for transcripts and failures ("TextBox", "Timer").
  virtual std::string typeName() const { return "Control"; }

  // The owning form; null before the form adds it and after its unload.
  Form* form() const noexcept { return form_; }
  std::shared_ptr<Form> formShared() const;

  bool visible() const noexcept { return visible_; }
  virtual void setVisible(bool visible);
  bool enabled() const noexcept { return enabled_; }
  virtual void setEnabled(bool enabled);

  // Tab order: the form numbers its controls 0, 1, ... in the order it adds
  // them; setting a control's place moves the others up or down.
  int32_t tabIndex() const noexcept { return tabIndex_; }
  void setTabIndex(int32_t tabIndex);
  bool tabStop() const noexcept { return tabStop_; }
  void setTabStop(bool tabStop) noexcept { tabStop_ = tabStop; }
  // Whether the control can take the focus at all (a label or a timer
  // cannot); the default is true.
  virtual bool canTakeFocus() const { return true; }
  // Visible, enabled, able to take the focus and on a loaded form.
  bool focusable() const;
  // Whether the control stands on a form that is loaded.
  bool onLoadedForm() const;

  bool hasFocus() const;
  // Moves the form's focus here (the lost-focus event of the control that
  // had it runs first). A control that cannot take the focus raises 5.
  void setFocus();

  // Focus events; the form calls them when the focus moves.
  std::function<void()> onGotFocus;
  std::function<void()> onLostFocus;

  // The user's actions, as the modal loop delivers them. Each returns
  // whether the control took the action; the default takes none.
  virtual bool typeText(const std::string& text);
  // A paste: the text as one edit, with no key of its own. The default
  // types it on one line (its line breaks dropped, a tab a space), so that
  // a paste into a field never presses the default button.
  virtual bool pasteText(const std::string& text);
  virtual bool pressKey(const std::string& keyName);  // "Enter", "Ctrl+Space", "F5", "a"
  virtual bool click();
  virtual bool setValueText(const std::string& text);  // a value set as text
  virtual bool pick(const std::string& entry);         // an entry of a list
  virtual bool toolClick(const std::string& toolId);   // a tool of a toolbar or menu
  virtual bool rightClick();
  // The code editor's caret, selection and mouse (lines and columns from 1).
  virtual bool caret(int32_t line, int32_t column);
  virtual bool select(int32_t line, int32_t column, int32_t line2, int32_t column2);
  virtual bool mouse(int32_t line, int32_t column);

  // The control's value as text (a text box's text, a check box's "0"/"1",
  // a combo box's text); empty for controls without a value.
  virtual std::string valueText() const { return {}; }

  // The last error that escaped one of this control's event handlers.
  const std::optional<RuntimeError>& lastEventError() const noexcept { return lastEventError_; }
  void clearLastEventError() noexcept { lastEventError_.reset(); }

 protected:
  // Runs an event handler of this control: keeps the control and its form
  // alive meanwhile, and keeps an error that escapes it (see above).
  // Returns false when the handler failed.
  bool fireEvent(std::string_view eventName, const std::function<void()>& handler);
  // A control whose form has dropped it (at the form's unload).
  bool orphaned() const noexcept { return owned_ && !form_; }

 private:
  friend class Form;
  friend void resetDesktop();
  std::string name_;
  int32_t index_;
  Form* form_ = nullptr;
  bool owned_ = false;
  bool visible_ = true;
  bool enabled_ = true;
  bool tabStop_ = true;
  int32_t tabIndex_ = 0;
  std::optional<RuntimeError> lastEventError_;
};

// A failure that no contained handler keeps: it goes on to whoever runs
// the desktop (a user that is not answered as it was told to be).
class UncontainedFailure : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

// Runs a handler raised by the platform (a control's event, a timer's tick,
// a form's event started by the user): an error that escapes it is kept in
// `kept` (when given) and recorded as the desktop's last event error, and
// never goes further. An UncontainedFailure always goes further.
// Returns false when the handler failed.
bool runContained(std::string_view what, const std::function<void()>& handler,
                  std::optional<RuntimeError>* kept = nullptr);

// The last error that escaped any contained handler on this thread, and
// what raised it ("txtUser.Change", "tmrAutoSave.Timer").
struct ContainedError {
  std::string raisedBy;
  RuntimeError error;
};
const std::optional<ContainedError>& lastContainedError();
void clearLastContainedError();

// How many controls live in the process, on any thread.
long livingControls();

}  // namespace platform::ui
