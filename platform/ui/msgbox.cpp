#include "platform/ui/msgbox.h"

#include <algorithm>

namespace platform::ui {

namespace {
std::string& appTitle() {
  // The component's application title, as untitled boxes of the original
  // showed it (also the name its preferences are stored under).
  static std::string title = "KestrinEditor";
  return title;
}
}  // namespace

void setApplicationTitle(std::string title) { appTitle() = std::move(title); }
const std::string& applicationTitle() { return appTitle(); }

MessageBoxPrompt messageBoxPrompt(const std::string& prompt, int32_t buttons, const std::string& title) {
  MessageBoxPrompt p;
  p.text = prompt;
  p.title = title.empty() ? applicationTitle() : title;
  int32_t set = buttons & 0x7;
  p.buttons = set <= mb::RetryCancel ? set : mb::OKOnly;
  int32_t icon = buttons & 0x70;
  p.icon =
      (icon == mb::Critical || icon == mb::Question || icon == mb::Exclamation || icon == mb::Information) ? icon : 0;
  int32_t def = (buttons & 0xF00) >> 8;
  int32_t count = static_cast<int32_t>(p.answers().size());
  // A default button that the box does not have falls back to the first.
  p.defaultButton = def < count ? def : 0;
  return p;
}

int32_t MsgBox(const std::string& prompt, int32_t buttons, const std::string& title) {
  MessageBoxPrompt p = messageBoxPrompt(prompt, buttons, title);
  auto user = currentUserShared();
  int32_t answer = user->messageBox(p);
  auto answers = p.answers();
  if (std::find(answers.begin(), answers.end(), answer) != answers.end()) return answer;
  // An answer the box does not offer counts as closing it: Cancel where the
  // box has one, else its last button.
  if (std::find(answers.begin(), answers.end(), mb::Cancel) != answers.end()) return mb::Cancel;
  return answers.back();
}

std::string InputBox(const std::string& prompt, const std::string& title, const std::string& defaultText) {
  InputBoxPrompt p{prompt, title.empty() ? applicationTitle() : title, defaultText};
  auto user = currentUserShared();
  return user->inputBox(p).value_or(std::string());
}

}  // namespace platform::ui
