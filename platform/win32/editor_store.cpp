#include "platform/win32/editor_store.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>

#include "platform/win32/component.h"

namespace platform {

namespace {

std::string homeFolder() {
  if (const char* h = std::getenv("HOME"); h && h[0]) return h;
  if (const passwd* pw = getpwuid(geteuid()); pw && pw->pw_dir) return pw->pw_dir;
  return "";
}

// The editor folder's files are this user's when the user owns the folder
// and may write it: its owner's write permission set (the superuser too
// keeps off a folder made read-only) and the access granted.
bool ownFolder(const std::string& folder) {
  struct stat st {};
  if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  return st.st_uid == geteuid() && (st.st_mode & S_IWUSR) != 0 &&
         faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

// Makes the folder and the missing ones above it, private to the user;
// 0 or the errno of the failure.
int makePrivateFolders(const std::string& folder) {
  struct stat st {};
  if (stat(folder.c_str(), &st) == 0) return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
  const size_t slash = folder.find_last_of('/');
  if (slash != std::string::npos && slash > 0) {
    if (const int e = makePrivateFolders(folder.substr(0, slash))) return e;
  }
  if (mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST) return 0;
  return errno;
}

std::string joined(const std::string& folder, const std::string& relative) {
  size_t start = 0;
  while (start < relative.size() && relative[start] == '/') ++start;
  std::string out = folder;
  if (out.empty() || out.back() != '/') out += '/';
  return out + relative.substr(start);
}

// Says once per store folder why it cannot be made.
void sayOnce(const std::string& editorFolder, const std::string& folder, int error) {
  static std::mutex m;
  static std::set<std::string> said;
  std::lock_guard lock(m);
  if (!said.insert(folder).second) return;
  std::fprintf(stderr,
               "kestrin: the editor folder \"%s\" is not this user's to write, and the user's store \"%s\" "
               "cannot be made (%s): the editor's files cannot be written\n",
               editorFolder.c_str(), folder.c_str(), std::strerror(error));
  std::fflush(stderr);
}

}  // namespace

std::string userEditorStore() {
  const char* xdg = std::getenv("XDG_STATE_HOME");
  if (xdg && xdg[0] == '/') return std::string(xdg) + "/kestrin/editor";
  return homeFolder() + "/.local/state/kestrin/editor";
}

std::string editorStoreFolder() {
  const std::string& folder = componentIdentity().folder;
  // A folder that is not there has no files of anyone's: writes into it
  // fail as they would.
  struct stat st {};
  if (folder.empty() || stat(folder.c_str(), &st) != 0 || ownFolder(folder)) return "";
  return userEditorStore();
}

std::string editorFileToRead(const std::string& relative) {
  const std::string store = editorStoreFolder();
  if (!store.empty()) {
    const std::string mine = joined(store, relative);
    struct stat st {};
    if (stat(mine.c_str(), &st) == 0) return mine;
  }
  return joined(componentIdentity().folder, relative);
}

std::string editorFileToWrite(const std::string& relative) {
  const std::string store = editorStoreFolder();
  if (store.empty()) return joined(componentIdentity().folder, relative);
  const std::string path = joined(store, relative);
  const std::string above = path.substr(0, path.find_last_of('/'));
  if (const int e = makePrivateFolders(above)) sayOnce(componentIdentity().folder, store, e);
  return path;
}

std::string editorFolderToWrite(const std::string& relative) {
  const std::string store = editorStoreFolder();
  if (store.empty()) return joined(componentIdentity().folder, relative);
  const std::string path = joined(store, relative);
  if (const int e = makePrivateFolders(path)) sayOnce(componentIdentity().folder, store, e);
  return path;
}

}  // namespace platform
