// The emergency copy: when the session ends without the user (a hang-up or
// termination signal, a closed terminal, a lost display), a modified script
// is written, so that no edit is lost, beside its file as NAME.save (or
// NAME.save.1, ... when that exists), or, for a script without a file or
// beside one whose folder cannot be written, into the user's own state
// folder. One line on standard error names the copy.
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <system_error>

#include "editor/frmMain.h"
#include "editor/modMain.h"
#include "platform/runtime/errors.h"
#include "platform/runtime/replace_file.h"
#include "platform/runtime/script_file.h"
#include "platform/runtime/strings.h"
#include "platform/scripting/file_system.h"
#include "platform/ui/emergency.h"

namespace kestrin::editor::modMain {

namespace fs = std::filesystem;

namespace {

// Names tried in one folder before the next place is tried.
constexpr int kNamesPerFolder = 100;

std::string withoutMark(std::string name) {
  name = platform::trim(name);
  if (!name.empty() && name.back() == '*') name = platform::replace(name, "*", "");
  return name;
}

bool nothingAt(const std::string& path) {
  std::error_code ec;
  return fs::symlink_status(path, ec).type() == fs::file_type::not_found;
}

// The first free name of NAME.save, NAME.save.1, ... that takes the text as
// a new file, synced with its folder; "" when none does.
std::string writeAtFreeName(const std::string& base, const std::string& text, unsigned mode) {
  for (int n = 0; n < kNamesPerFolder; ++n) {
    const std::string path = base + ".save" + (n == 0 ? std::string() : "." + std::to_string(n));
    if (!nothingAt(path)) continue;
    try {
      platform::writeNewOwnFile(path, text, mode);
      platform::syncFileAndFolder(path);
      return path;
    } catch (const platform::RuntimeError&) {
      // Made by someone else in between: the next name; a folder that
      // cannot be written: the next place.
      if (!nothingAt(path)) continue;
      return {};
    }
  }
  return {};
}

}  // namespace

std::string gstr_EmergencyFolder() {
  const char* state = std::getenv("XDG_STATE_HOME");
  std::string root;
  if (state && *state == '/') {
    root = state;
  } else {
    const char* home = std::getenv("HOME");
    if (!home || !*home) return {};
    root = std::string(home) + "/.local/state";
  }
  return root + "/kestrin";
}

std::string gstr_WriteEmergencyCopy(frmMain& form) {
  if (!form.IsDirty() || !form.CodeSense1) return {};
  const std::string name = withoutMark(form.tag());
  const std::string text = form.CodeSense1->text();

  platform::scripting::FileSystemObject fso;
  const bool hasFile = name != kNewScriptName && fso.FileExists(name);
  // No more than the script's own permission bits, and never more than the
  // user's own.
  const unsigned mode = hasFile ? (platform::filePermissionBits(name, 0600) & 0600) | 0400 : 0600;

  std::string written;
  if (hasFile) written = writeAtFreeName(name, text, mode);
  if (written.empty()) {
    const std::string folder = gstr_EmergencyFolder();
    if (folder.empty()) return {};
    std::error_code ec;
    fs::create_directories(folder, ec);
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace, ec);
    const std::string file = hasFile ? fso.GetFileName(name) : std::string(kNewScriptName);
    written = writeAtFreeName(folder + "/" + file, text, mode);
  }
  if (written.empty()) {
    std::cerr << "Kestrin VB Script Editor: the unsaved changes of " << name << " could not be written anywhere\n";
  } else {
    std::cerr << "Kestrin VB Script Editor: the unsaved changes of " << name << " are in " << written << "\n";
  }
  std::cerr.flush();
  return written;
}

void g_ArmEmergencyCopy(frmMain& form) {
  std::weak_ptr<platform::ui::Form> window = form.shared_from_this();
  platform::ui::setEmergencySave([window] {
    if (auto open = window.lock()) gstr_WriteEmergencyCopy(static_cast<frmMain&>(*open));
  });
}

void g_DisarmEmergencyCopy() { platform::ui::setEmergencySave(nullptr); }

}  // namespace kestrin::editor::modMain
