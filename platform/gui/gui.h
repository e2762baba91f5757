// The desktop's windowed face: the same forms, controls and prompts as the
// terminal desktop, shown as the display's own windows (Qt Widgets).
//
// Nothing above the platform knows which face shows the desktop: this user
// answers the prompts with the display's dialogs, and its waiting loop runs
// the display's events until the person does something (a key, a click, a
// menu pick, a close box), which it hands back as an action. The desktop's
// timers tick while it waits, in every nested loop too. No Qt type appears
// in this header.
#pragma once

#include <memory>

#include "platform/ui/user.h"

namespace platform::gui {

// Whether the process has a display to show windows on (WAYLAND_DISPLAY or
// DISPLAY is set), or runs on a display-less platform chosen on purpose
// (QT_QPA_PLATFORM=offscreen or minimal).
bool displayAvailable();

// The windowed user of this thread's desktop. The toolkit's application
// object is the host's own when the host already made one; otherwise it is
// made here, on this thread, at the first window shown or prompt asked.
// While a windowed user lives, the desktop's clipboard is the system's and
// print jobs go to the printer (or PDF file) chosen in its print dialog.
std::shared_ptr<ui::User> makeWindowUser();

}  // namespace platform::gui
