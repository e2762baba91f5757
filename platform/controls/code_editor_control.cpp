#include "platform/controls/code_editor_control.h"

#include "platform/ui/clipboard.h"
#include "platform/ui/user.h"

namespace platform::controls {

CodeEditorControl::CodeEditorControl(std::string name, int32_t index) : ui::Control(std::move(name), index) {
  setHost(this);
  onGotFocus = [this] { focusReceived(); };
  onLostFocus = [this] { focusLost(); };
}

CodeEditorControl::~CodeEditorControl() = default;

bool CodeEditorControl::typeText(const std::string& text) { return userTypes(text); }
bool CodeEditorControl::pasteText(const std::string& text) { return userPastes(text); }
bool CodeEditorControl::pressKey(const std::string& keyName) { return userKey(keyName); }
bool CodeEditorControl::caret(int32_t line, int32_t column) { return userCaret(line, column); }
bool CodeEditorControl::select(int32_t line, int32_t column, int32_t line2, int32_t column2) {
  return userSelects(line, column, line2, column2);
}
bool CodeEditorControl::mouse(int32_t line, int32_t column) { return userClicks(line, column); }
bool CodeEditorControl::rightClick() { return userRightClicks(); }

bool CodeEditorControl::setValueText(const std::string& text) {
  setText(text);
  return true;
}

bool CodeEditorControl::runEvent(const char* eventName, const std::function<void()>& handler) {
  return fireEvent(eventName, handler);
}

std::string CodeEditorControl::clipboardText() { return ui::clipboard::GetText(); }

void CodeEditorControl::setClipboardText(const std::string& text) {
  ui::clipboard::Clear();
  ui::clipboard::SetText(text);
}

ui::User* CodeEditorControl::user() { return &ui::currentUser(); }

}  // namespace platform::controls
