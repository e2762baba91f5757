// Message boxes and the input box: each is a prompt to the current user.
#pragma once

#include <cstdint>
#include <string>

#include "platform/ui/user.h"

namespace platform::ui {

// Shows a message box and returns the user's answer (mb::OK ... mb::No).
// buttons holds the button set (0 to 5), the icon (0, 16, 32, 48, 64) and
// the default button (0, 256, 512); other bits are ignored. An empty title
// shows the application title.
int32_t MsgBox(const std::string& prompt, int32_t buttons = mb::OKOnly, const std::string& title = {});

// Shows the input box; Cancel gives the empty text. An empty title shows the
// application title.
std::string InputBox(const std::string& prompt, const std::string& title = {}, const std::string& defaultText = {});

// Splits a message box's style word into a prompt.
MessageBoxPrompt messageBoxPrompt(const std::string& prompt, int32_t buttons, const std::string& title);

// The application title that untitled boxes carry ("KestrinEditor" unless
// the host sets another).
void setApplicationTitle(std::string title);
const std::string& applicationTitle();

}  // namespace platform::ui
