#include "platform/controls/folder_browser.h"

#include <cstdlib>
#include <filesystem>

#include "platform/runtime/errors.h"
#include "platform/ui/user.h"

namespace platform::controls {

namespace fs = std::filesystem;

const FolderItem& ShellFolder::self() const {
  if (!item_) raise(err::ObjectVariableNotSet);
  return *item_;
}

std::string ShellFolder::title() const {
  fs::path p(self().path());
  std::string name = p.filename().string();
  return name.empty() ? p.string() : name;
}

std::string resolveBrowseRoot(const std::string& root) {
  std::error_code ec;
  if (root == "Desktop") {
    const char* home = std::getenv("HOME");
    std::string homeDir = (home && *home) ? home : "/";
    const char* desktop = std::getenv("XDG_DESKTOP_DIR");
    if (desktop && *desktop && fs::is_directory(desktop, ec)) return desktop;
    fs::path standard = fs::path(homeDir) / "Desktop";
    if (fs::is_directory(standard, ec)) return standard.string();
    return homeDir;
  }
  return root;
}

ShellFolder browseForFolder(uint32_t /*ownerHwnd*/, const std::string& title, int32_t options,
                            const std::string& root) {
  ui::FolderPrompt prompt;
  prompt.title = title;
  prompt.options = options;
  prompt.root = resolveBrowseRoot(root);
  for (;;) {
    std::optional<std::string> answer = ui::currentUser().browseFolder(prompt);
    if (!answer) return ShellFolder();
    fs::path chosen(*answer);
    if (chosen.is_relative() && !prompt.root.empty()) chosen = fs::path(prompt.root) / chosen;
    std::error_code ec;
    if (!answer->empty() && fs::is_directory(chosen, ec)) {
      std::string path = chosen.lexically_normal().string();
      while (path.size() > 1 && path.back() == '/') path.pop_back();
      return ShellFolder(path);
    }
  }
}

}  // namespace platform::controls
