// The shell's folder browser: the user chooses a folder or cancels.
//
// browseForFolder() returns a folder object, or an empty one on Cancel; the
// folder's own item (self()) gives its path. Asking an empty folder object
// for its item raises 91, as asking a method of Nothing does.
//
// The root "Desktop" is the user's desktop folder ($XDG_DESKTOP_DIR, else
// "Desktop" in the home folder, when it exists), else the home folder; any
// other root text is a folder path. A relative answer counts from the
// root. An answer that is not an existing folder is not a choice: the user
// is asked again.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform::controls {

class FolderItem {
 public:
  explicit FolderItem(std::string path) : path_(std::move(path)) {}
  const std::string& path() const noexcept { return path_; }
  bool isFolder() const noexcept { return true; }

 private:
  std::string path_;
};

class ShellFolder {
 public:
  ShellFolder() = default;
  explicit ShellFolder(std::string path) : item_(std::make_shared<FolderItem>(std::move(path))) {}

  // Whether the object is Nothing (the user cancelled).
  bool isNothing() const noexcept { return !item_; }
  explicit operator bool() const noexcept { return !isNothing(); }
  // The folder's own item; raises 91 on Nothing.
  const FolderItem& self() const;
  // The folder's title: the last part of its path.
  std::string title() const;

 private:
  std::shared_ptr<FolderItem> item_;
};

// The folder a root names ("Desktop", else the text as a folder).
std::string resolveBrowseRoot(const std::string& root);

// The browse of the shell application object.
ShellFolder browseForFolder(uint32_t ownerHwnd, const std::string& title, int32_t options, const std::string& root);

}  // namespace platform::controls
