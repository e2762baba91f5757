#include "host/app.h"

#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <set>
#include <sstream>

#include "host/console.h"
#include "host/editor_link.h"
#include "host/options.h"
#include "host/player.h"
#include "host/scenario.h"
#include "platform/runtime/clock.h"
#include "platform/ui/desktops.h"
#include "platform/ui/form.h"
#include "platform/ui/screen.h"
#include "platform/ui/user.h"
#include "platform/ui/visible_text.h"
#include "platform/win32/launch.h"
#include "platform/win32/registry.h"

#ifndef KESTRIN_HOST_EDITOR_DIR
#define KESTRIN_HOST_EDITOR_DIR ""
#endif

namespace kestrin_host {

namespace fs = std::filesystem;

std::string defaultEditorFolder() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    // build/host/kestrin-host beside build/editor, or PREFIX/bin/kestrin-host
    // beside PREFIX/lib/kestrin/editor.
    const fs::path up = exe.parent_path().parent_path();
    for (const fs::path& beside : {up / "editor", up / "lib" / "kestrin" / "editor"})
      if (fs::exists(beside / kComponentFile, ec)) return beside.string();
  }
  return KESTRIN_HOST_EDITOR_DIR;
}

void copyEditorFolder(const std::string& from, const std::string& to) {
  static const std::set<std::string> leftovers = {
      "machine.db", "machine.db-wal", "machine.db-shm", "machine.db-journal", "user.db", "user.db-wal", "user.db-shm",
      "user.db-journal", "kzScriptErr.log", "kzScriptTrace.log", "vbsed.tsk", "Kz.atb", "Bookmarks.txt", "_Temp.vbs",
      "New Kestrin Script.vbs",
      // The build's own files, where the editor folder is also a build folder.
      "CMakeFiles", "Makefile", "cmake_install.cmake", "CTestTestfile.cmake"};
  static const std::set<std::string> buildExtensions = {".a", ".o", ".ninja"};
  fs::create_directories(to);
  for (auto it = fs::recursive_directory_iterator(from); it != fs::recursive_directory_iterator(); ++it) {
    const fs::path rel = fs::relative(it->path(), from);
    if (leftovers.count(it->path().filename().string()) ||
        (!it->is_directory() && buildExtensions.count(it->path().extension().string()))) {
      if (it->is_directory()) it.disable_recursion_pending();
      continue;
    }
    const fs::path target = fs::path(to) / rel;
    if (it->is_directory()) {
      fs::create_directories(target);
    } else if (it->is_regular_file()) {
      fs::copy_file(it->path(), target, fs::copy_options::overwrite_existing);
    }
  }
}

namespace {

std::string makeWorkFolder() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kestrin-scenario-XXXXXX";
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot make a work folder in " + pattern);
  return pattern;
}

void removeTree(const std::string& path) {
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(path, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec))
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path, ec);
}

// Leaves the desktop before the component's code may go: the forms and
// controls the component made are forgotten while it is still loaded.
void leaveDesktop(EditorLink& link) {
  platform::ui::setCurrentUser(nullptr);
  platform::ui::resetDesktop();
  link.release();
}

int playScenario(const Options& o) {
  std::ifstream in(*o.scenario, std::ios::binary);
  if (!in) {
    std::cerr << *o.scenario << ": cannot be read\n";
    return 2;
  }
  std::ostringstream text;
  text << in.rdbuf();

  const std::string work = makeWorkFolder();
  struct Cleanup {
    std::string work;
    bool keep;
    ~Cleanup() {
      if (keep)
        std::cout << "The work folder is kept: " << work << "\n";
      else
        removeTree(work);
    }
  } cleanup{work, o.keep};

  const std::string editor = work + "/editor";
  const std::string source = o.editor ? *o.editor : defaultEditorFolder();
  const char* home = std::getenv("HOME");
  std::map<std::string, std::string> vars = {{"WORK", work}, {"EDITOR", editor}, {"HOME", home ? home : ""}};

  std::vector<Command> commands;
  try {
    commands = parseScenario(text.str(), vars);
  } catch (const ScenarioError& e) {
    std::cout << *o.scenario << ":" << e.line() << ": " << e.what() << "\n";
    return 2;
  }

  try {
    copyEditorFolder(source, editor);
  } catch (const std::exception& e) {
    std::cout << "ERROR: the editor folder " << source << " cannot be copied: " << e.what() << "\n";
    return 1;
  }
  const std::string hives = o.registry ? *o.registry : work + "/hives";
  fs::create_directories(hives);
  platform::setRegistryFolder(hives);
  if (!std::getenv("KESTRIN_BRIDGE_LOG")) ::setenv("KESTRIN_BRIDGE_LOG", (work + "/bridge.log").c_str(), 1);
  // Print jobs stay in the work folder.
  ::setenv("KESTRIN_PRINT_DIR", (work + "/print").c_str(), 1);
  platform::setVirtualClock(platform::clockMillis());
  if (o.screen) platform::ui::setScreenPixels(o.screen->first, o.screen->second);

  EditorLink link(editor);
  auto player = std::make_shared<ScenarioPlayer>(std::cout, link, vars, std::move(commands));
  if (o.bridge) {
    std::string why;
    if (!link.loadBridge(&why)) std::cout << "note: " << why << "\n";
  }
  platform::ui::setCurrentUser(player);
  // Nothing is handed to the desktop: launches are written down.
  platform::setLaunchRecorder([player](const platform::Launch& l) { return player->recordLaunch(l); });
  int status = player->play();
  platform::setLaunchRecorder(nullptr);
  leaveDesktop(link);
  return status;
}

// "new" and "temp", in any case: no path.
bool isEditorWord(const std::string& a) {
  std::string lower;
  for (char c : a) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower == "new" || lower == "temp";
}

int runConsole(const Options& o) {
  if (o.registry) {
    fs::create_directories(*o.registry);
    platform::setRegistryFolder(*o.registry);
  }
  if (o.screen) platform::ui::setScreenPixels(o.screen->first, o.screen->second);
  const char* home = std::getenv("HOME");
  const std::string editor = o.editor ? *o.editor : defaultEditorFolder();
  std::map<std::string, std::string> vars = {
      {"WORK", fs::current_path().string()}, {"EDITOR", editor}, {"HOME", home ? home : ""}};
  EditorLink link(editor);
  if (o.bridge) {
    std::string why;
    if (!link.loadBridge(&why)) std::cout << "note: " << why << "\n";
  }
  const bool colour = ::isatty(0) && ::isatty(1);
  auto console = std::make_shared<ConsoleUser>(std::cin, std::cout, link, vars, colour);
  platform::ui::setCurrentUser(console);
  int status = console->run(o.argument);
  leaveDesktop(link);
  return status;
}

// The interactive desktop: the host installs no user of its own, so that
// the editor's windows open on the platform's default desktop (the
// terminal), as they would in any host that loads the component.
int runDesktop(const Options& o) {
  if (o.registry) {
    fs::create_directories(*o.registry);
    platform::setRegistryFolder(*o.registry);
  }
  if (o.screen) platform::ui::setScreenPixels(o.screen->first, o.screen->second);
  if (o.terminal) ::setenv("KESTRIN_DESKTOP", "terminal", 1);
  if (o.gui) ::setenv("KESTRIN_DESKTOP", "gui", 1);
  EditorLink link(o.editor ? *o.editor : defaultEditorFolder());
  if (o.bridge) {
    std::string why;
    if (!link.loadBridge(&why)) std::cerr << "note: " << why << "\n";
  }
  platform::ui::setCurrentUser(nullptr);
  CallOutcome run = link.runEditor(o.argument);
  // A window that is still open (the editor was already open, or a window
  // of its own outlived the main one) goes with FreeEditor.
  if (run.reached && !platform::ui::forms().empty()) link.freeEditor();
  platform::ui::closeDefaultUser();
  int status = 0;
  if (!run.reached) {
    std::cerr << "kestrin-host: the editor cannot be opened: " << run.failure << "\n";
    status = 1;
  } else if (run.error) {
    std::cerr << "kestrin-host: the editor raised error " << run.error->number << ": "
              << platform::ui::visibleText(run.error->description) << "\n";
    status = 1;
  }
  leaveDesktop(link);
  return status;
}

}  // namespace

int hostMain(int argc, char** argv) {
  Options o;
  try {
    o = parseOptions(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::invalid_argument& e) {
    std::cerr << "kestrin-host: " << e.what() << "\n" << usage();
    return 2;
  }
  if (o.help) {
    std::cout << usage();
    return 0;
  }
  // The editor is given a script's full path, as the CAM application gives
  // it: a bare name has no folder for the editor's files beside the script
  // (the copy that Run Script hands over among them).
  if (o.argument && !o.argument->empty() && !isEditorWord(*o.argument))
    o.argument = fs::absolute(fs::path(*o.argument)).lexically_normal().string();
  try {
    if (o.scenario) return playScenario(o);
    // A terminal person gets the desktop; piped commands get the console.
    if (o.terminal || o.gui || (!o.console && ::isatty(0))) return runDesktop(o);
    return runConsole(o);
  } catch (const std::exception& e) {
    std::cout << "ERROR: " << e.what() << "\n";
    return 1;
  }
}

}  // namespace kestrin_host
