// The text clipboard of the desktop.
#pragma once

#include <memory>
#include <string>

namespace platform::ui::clipboard {

void Clear();
void SetText(const std::string& text);
std::string GetText();
// Whether the clipboard holds text.
bool HasText();

// The system's clipboard, when a display provides one: while it is set,
// the functions above read and write it instead of the desktop's own.
class Provider {
 public:
  virtual ~Provider() = default;
  virtual void clear() = 0;
  virtual void setText(const std::string& text) = 0;
  virtual std::string text() = 0;
  virtual bool hasText() = 0;
};
// Null returns to the desktop's own clipboard.
void setProvider(std::shared_ptr<Provider> provider);

}  // namespace platform::ui::clipboard
