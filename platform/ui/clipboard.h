// The text clipboard of the desktop.
#pragma once

#include <string>

namespace platform::ui::clipboard {

void Clear();
void SetText(const std::string& text);
std::string GetText();
// Whether the clipboard holds text.
bool HasText();

}  // namespace platform::ui::clipboard
