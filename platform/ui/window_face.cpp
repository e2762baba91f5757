// The windowed face among the desktops. Its code and the toolkit live in
// libkestrin_gui.so beside the platform library, loaded only when windows
// are to be shown: a process that never shows one (a console or terminal
// host, a test) maps no toolkit. The face is chosen before the terminal
// when the process has a display, or by KESTRIN_DESKTOP=gui.
#include <dlfcn.h>
#include <sys/stat.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

#include "platform/ui/desktops.h"
#include "platform/ui/user.h"

namespace platform::ui {

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

constexpr const char* kLibrary = "libkestrin_gui.so";

// The windowed face's library beside the file this code was loaded from.
std::string libraryPath() {
  Dl_info info{};
  if (!::dladdr(reinterpret_cast<const void*>(&reachable), &info) || !info.dli_fname) return "";
  const std::string self = info.dli_fname;
  const size_t slash = self.rfind('/');
  return (slash == std::string::npos ? std::string(".") : self.substr(0, slash)) + "/" + kLibrary;
}

// The library's one entry point: the windowed user of this thread.
using OpenWindows = void (*)(std::shared_ptr<User>* user);

std::shared_ptr<User> openWindows() {
  // Never unloaded: the toolkit's application object lives to the end of
  // the process.
  void* library = ::dlopen(libraryPath().c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (!library) throw std::runtime_error(std::string("cannot load the windowed face: ") + ::dlerror());
  auto open = reinterpret_cast<OpenWindows>(::dlsym(library, "kestrin_gui_open"));
  if (!open) throw std::runtime_error(std::string(kLibrary) + " has no kestrin_gui_open");
  std::shared_ptr<User> user;
  open(&user);
  return user;
}

const bool registered = [] {
  DesktopFactory f;
  f.name = "gui";
  f.priority = 200;  // before the terminal desktop
  f.available = [](std::string* why) {
    if (!reachable(why)) return false;
    if (exists(libraryPath())) return true;
    if (why) *why = std::string("the windowed face is not installed (") + kLibrary + ")";
    return false;
  };
  f.open = openWindows;
  registerDesktop(std::move(f));
  return true;
}();

}  // namespace

}  // namespace platform::ui
