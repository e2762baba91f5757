#include "platform/runtime/private_folder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <set>

namespace platform {

namespace {

// The user's state folder: $XDG_STATE_HOME when it is an absolute path,
// else ~/.local/state; "" without a home.
std::string stateHome() {
  if (const char* state = std::getenv("XDG_STATE_HOME"); state && state[0] == '/') return state;
  std::string home;
  if (const char* h = std::getenv("HOME"); h && h[0] == '/') {
    home = h;
  } else if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_dir && pw->pw_dir[0] == '/') {
    home = pw->pw_dir;
  }
  return home.empty() ? std::string() : home + "/.local/state";
}

// Makes every missing folder of the path, each with mode 0700.
void makeFolders(const std::string& path) {
  for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
    (void)::mkdir(path.substr(0, slash).c_str(), 0700);
  (void)::mkdir(path.c_str(), 0700);
}

}  // namespace

bool makePrivateFolder(const std::string& folder) {
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st {};
  return ::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
         (st.st_mode & 077) == 0;
}

std::string privateFolder(const std::string& preferred, const std::string& sub) {
  if (makePrivateFolder(preferred)) return preferred;
  // Taken by someone else, or not there and not to be made (its folder
  // missing or closed to this user): the note says which.
  struct stat there {};
  const bool taken = ::lstat(preferred.c_str(), &there) == 0;
  const std::string state = stateHome();
  if (state.empty()) return {};
  const std::string run = state + "/kestrin/run";
  const std::string folder = sub.empty() ? run : run + "/" + sub;
  makeFolders(folder);
  if (!makePrivateFolder(run) || !makePrivateFolder(folder)) return {};
  static std::mutex m;
  static std::set<std::string> told;
  std::lock_guard lock(m);
  if (told.insert(preferred).second)
    std::fprintf(stderr, "kestrin: %s %s; using %s instead\n", preferred.c_str(),
                 taken ? "is not this user's own folder" : "cannot be made", folder.c_str());
  return folder;
}

}  // namespace platform
