// The windowed desktop among the platform's desktops: chosen before the
// terminal when the process has a display, or by KESTRIN_DESKTOP=gui.
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "platform/com/client.h"
#include "platform/gui/gui.h"
#include "platform/gui/gui_internal.h"
#include "platform/ui/desktops.h"

namespace platform::gui {

namespace {

bool exists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

// Whether a display named by the environment can be reached: the toolkit
// ends the process when it cannot connect, so the local display's socket
// is looked at first (a remote X display is taken as it is named).
bool reachable(std::string* why) {
  const char* qpa = std::getenv("QT_QPA_PLATFORM");
  if (qpa && (std::string(qpa) == "offscreen" || std::string(qpa) == "minimal")) return true;
  if (const char* w = std::getenv("WAYLAND_DISPLAY"); w && *w) {
    std::string name = w;
    const char* run = std::getenv("XDG_RUNTIME_DIR");
    if (name[0] == '/' ? exists(name) : (run && exists(std::string(run) + "/" + name))) return true;
  }
  if (const char* d = std::getenv("DISPLAY"); d && *d) {
    std::string name = d;
    if (name.rfind(":", 0) == 0 || name.rfind("unix:", 0) == 0) {
      std::string number = name.substr(name.find(':') + 1);
      number = number.substr(0, number.find('.'));
      if (exists("/tmp/.X11-unix/X" + number)) return true;
      if (why) *why = "the display " + name + " cannot be reached";
      return false;
    }
    return true;
  }
  if (why && why->empty()) *why = "the process has no display (neither WAYLAND_DISPLAY nor DISPLAY is set)";
  return false;
}

const bool registered = [] {
  ui::DesktopFactory f;
  f.name = "gui";
  f.priority = 200;  // before the terminal desktop
  f.available = reachable;
  f.open = [] { return makeWindowUser(); };
  ui::registerDesktop(std::move(f));
  // The windows of a server's forms go before the server is freed.
  com::addBeforeServersFreed([] {
    if (auto* user = WindowUser::current()) user->releaseClosedWindows();
  });
  return true;
}();

}  // namespace

}  // namespace platform::gui
