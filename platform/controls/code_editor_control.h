// The code editor as a control on a form: the modal loop's actions (typing,
// keys, caret, selection, mouse, right click, focus) reach the editor, its
// events run as the form's events (an error that escapes a handler is kept,
// lastEventError()), paste and copy use the desktop clipboard, and the
// find, replace and go-to prompts and the popup menu ask the current user.
//
// The focus events reach the event sink's gotFocus and lostFocus; the
// control uses the Control's onGotFocus and onLostFocus for that, so the
// owner listens through the sink.
#pragma once

#include <string>

#include "platform/controls/code_editor.h"
#include "platform/ui/control.h"

namespace platform::controls {

class CodeEditorControl : public ui::Control, public CodeEditor, private CodeEditorHost {
 public:
  explicit CodeEditorControl(std::string name = "CodeSense1", int32_t index = -1);
  ~CodeEditorControl() override;

  std::string typeName() const override { return "CodeEditor"; }

  bool typeText(const std::string& text) override;
  bool pasteText(const std::string& text) override;
  bool pressKey(const std::string& keyName) override;
  bool caret(int32_t line, int32_t column) override;
  bool select(int32_t line, int32_t column, int32_t line2, int32_t column2) override;
  bool mouse(int32_t line, int32_t column) override;
  bool rightClick() override;
  // SetValue puts a whole text (as the whole-text property does).
  bool setValueText(const std::string& text) override;
  std::string valueText() const override { return text(); }

  using ui::Control::lastEventError;

 protected:
  bool runEvent(const char* eventName, const std::function<void()>& handler) override;

 private:
  std::string clipboardText() override;
  void setClipboardText(const std::string& text) override;
  ui::User* user() override;
};

}  // namespace platform::controls
