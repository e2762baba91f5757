// The desktops a person can see the editor's windows on.
//
// Each platform module that can show windows (the terminal desktop, a
// native one) registers a factory here under its name. When a thread asks
// for its user and none is installed (no host, test or scenario player set
// one), the first use opens the default desktop:
//   KESTRIN_DESKTOP=off    the absent user (tests run so);
//   KESTRIN_DESKTOP=NAME   the desktop of that name, when it can open here;
//   unset (or "auto")      the available desktop of the highest priority.
// When none can open, the thread gets the absent user of user.h, and one
// line on standard error says that the editor's windows cannot be shown.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/user.h"

namespace platform::ui {

struct DesktopFactory {
  std::string name;      // "terminal", "gui"
  int32_t priority = 0;  // the higher one is tried first
  // Whether the desktop can open in this process now (a display, a
  // terminal); when not, *why says what is missing.
  std::function<bool(std::string* why)> available;
  // Opens the desktop: the user that shows the windows and takes the
  // person's actions.
  std::function<std::shared_ptr<User>()> open;
};

// Registers a desktop (a later one of the same name replaces it).
void registerDesktop(DesktopFactory factory);
// The names of the registered desktops, highest priority first.
std::vector<std::string> registeredDesktops();

// The user the default choice gives now (see above); *why (when given)
// says why it is the absent user. Nothing is installed.
std::shared_ptr<User> openDefaultUser(std::string* why = nullptr);

// Closes the desktop that the default choice opened on this thread (a
// terminal is given back as it was); a later use chooses again.
void closeDefaultUser();

}  // namespace platform::ui
