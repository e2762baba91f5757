#include "platform/ui/session_windows.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <random>
#include <set>

#include "platform/runtime/private_folder.h"
#include "platform/win32/component.h"

namespace platform::ui::session {

namespace {

// Handles that stand for windows of other desktops count down from the top,
// far from the desktops' own handles, which count up from 0x00010010.
std::atomic<HWND> g_nextStandIn{0xFFFF0000u};

// A window of another desktop: its file's name and the process it belongs
// to.
struct Remote {
  std::string file;  // "<scope>.<key>.<hwnd>.win"
  std::string key;
};

struct State {
  std::mutex mutex;
  pid_t pid = 0;    // the process the key and lock belong to
  std::string key;  // "<pid>-<random>": this process, never reused
  std::string lockPath;
  int lockFd = -1;
  std::map<HWND, std::string> published;  // this process's windows and their files
  std::map<HWND, Remote> standIns;
};

// Never destroyed: desktops of threads that end late withdraw into it.
State& S() {
  static State* s = new State();
  return *s;
}

// The user's runtime folder for the session's windows; "" when there is
// none that is safely the user's own.
// Without a runtime folder, one in /tmp; when another user took that one
// first, a folder under the user's own home instead.
std::string baseFolder() {
  if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg && xdg[0] == '/') {
    const std::string base = std::string(xdg) + "/kestrin";
    return platform::makePrivateFolder(base) ? base : std::string();
  }
  return platform::privateFolder("/tmp/kestrin-" + std::to_string(getuid()));
}

// The editor folder the windows belong to, as 16 hex digits; "" while it is
// unknown.
std::string scope() {
  const std::string& folder = platform::componentIdentity().folder;
  if (folder.empty()) return {};
  uint64_t h = 1469598103934665603ull;
  for (unsigned char c : folder) {
    h ^= c;
    h *= 1099511628211ull;
  }
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
  return text;
}

std::string hex(HWND h) {
  char text[9];
  std::snprintf(text, sizeof text, "%08x", h);
  return text;
}

// Removes the lock file of this process when it ends normally.
struct LockRemover {
  ~LockRemover() {
    State& s = S();
    if (s.lockFd >= 0 && s.pid == getpid()) ::unlink(s.lockPath.c_str());
  }
};

// This process's key, with its lock held; "" when it cannot be had. The
// lock is taken under a temporary name and then renamed into place, so that
// no search ever sees it unlocked.
const std::string& ownKey(State& s, const std::string& base) {
  static LockRemover remover;
  if (s.pid == getpid() && s.lockFd >= 0) return s.key;
  if (s.lockFd >= 0) ::close(s.lockFd);  // inherited through a fork
  s.lockFd = -1;
  s.published.clear();
  s.pid = getpid();
  std::random_device random;
  char text[32];
  std::snprintf(text, sizeof text, "%d-%08x", static_cast<int>(s.pid), random());
  s.key = text;
  const std::string temp = base + "/." + s.key + ".lock";
  s.lockPath = base + "/" + s.key + ".lock";
  const int fd = ::open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return s.key = "";
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::rename(temp.c_str(), s.lockPath.c_str()) != 0) {
    ::close(fd);
    ::unlink(temp.c_str());
    return s.key = "";
  }
  s.lockFd = fd;
  return s.key;
}

// Whether the process of key still lives (holds its lock).
bool alive(const std::string& base, const std::string& key) {
  const std::string path = base + "/" + key + ".lock";
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  ::close(fd);
  return held;
}

bool readFile(const std::string& path, std::string& out) {
  FILE* f = std::fopen(path.c_str(), "rbe");
  if (!f) return false;
  out.clear();
  char buffer[4096];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) out.append(buffer, n);
  std::fclose(f);
  return true;
}

// Written whole under a temporary name, then renamed into place.
void writeFile(const std::string& base, const std::string& name, const std::string& text) {
  const std::string temp = base + "/." + name + ".tmp";
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return;
  const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  ::close(fd);
  if (!written || ::rename(temp.c_str(), (base + "/" + name).c_str()) != 0) ::unlink(temp.c_str());
}

// "<visible> <iconic>\n<title>"
bool parse(const std::string& text, Published& state) {
  if (text.size() < 4 || text[1] != ' ' || text[3] != '\n') return false;
  state.visible = text[0] == '1';
  state.iconic = text[2] == '1';
  state.title = text.substr(4);
  return true;
}

}  // namespace

bool publish(HWND hwnd, const Published& state) {
  const std::string sc = scope();
  if (sc.empty()) {
    withdraw(hwnd);
    return false;
  }
  const std::string base = baseFolder();
  if (base.empty()) return false;
  State& s = S();
  std::lock_guard lock(s.mutex);
  const std::string& key = ownKey(s, base);
  if (key.empty()) return false;
  const std::string name = sc + "." + key + "." + hex(hwnd) + ".win";
  auto it = s.published.find(hwnd);
  if (it != s.published.end() && it->second != base + "/" + name) ::unlink(it->second.c_str());
  writeFile(base, name, std::string(state.visible ? "1" : "0") + " " + (state.iconic ? "1" : "0") + "\n" + state.title);
  s.published[hwnd] = base + "/" + name;
  return true;
}

void withdraw(HWND hwnd) {
  State& s = S();
  std::lock_guard lock(s.mutex);
  auto it = s.published.find(hwnd);
  if (it == s.published.end()) return;
  ::unlink(it->second.c_str());
  const std::string requests = it->second.substr(0, it->second.size() - 4) + ".req";
  ::unlink(requests.c_str());
  s.published.erase(it);
}

HWND find(const std::string& title) {
  const std::string sc = scope();
  if (sc.empty()) return 0;
  const std::string base = baseFolder();
  if (base.empty()) return 0;
  State& s = S();
  std::lock_guard lock(s.mutex);
  const std::string own = s.pid == getpid() ? s.key : std::string();

  // Every window file of the folder; the files of ended processes go.
  std::vector<std::string> names;
  if (DIR* dir = ::opendir(base.c_str())) {
    while (const dirent* e = ::readdir(dir)) {
      const std::string name = e->d_name;
      if (name.size() > 4 && name[0] != '.' && name.compare(name.size() - 4, 4, ".win") == 0) names.push_back(name);
    }
    ::closedir(dir);
  }
  std::map<std::string, bool> living;
  std::set<std::string> ended;
  std::string best;
  for (const std::string& name : names) {
    // "<scope>.<key>.<hwnd>.win"
    const size_t a = name.find('.');
    const size_t b = a == std::string::npos ? a : name.find('.', a + 1);
    if (b == std::string::npos) continue;
    const std::string key = name.substr(a + 1, b - a - 1);
    auto l = living.find(key);
    if (l == living.end()) l = living.emplace(key, key == own || alive(base, key)).first;
    if (!l->second) {
      ended.insert(key);
      ::unlink((base + "/" + name).c_str());
      continue;
    }
    if (name.compare(0, a, sc) != 0 || a != sc.size()) continue;
    const HWND owned = static_cast<HWND>(std::strtoul(name.substr(b + 1).c_str(), nullptr, 16));
    if (key == own && s.published.count(owned) == 0) continue;  // left by a fork's parent
    std::string text;
    Published state;
    if (!readFile(base + "/" + name, text) || !parse(text, state) || state.title != title) continue;
    if (best.empty() || name < best) best = name;
  }
  for (const std::string& key : ended) {
    ::unlink((base + "/" + key + ".lock").c_str());
    if (DIR* dir = ::opendir(base.c_str())) {
      std::vector<std::string> leftovers;
      while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name.find("." + key + ".") != std::string::npos) leftovers.push_back(name);
      }
      ::closedir(dir);
      for (const auto& n : leftovers) ::unlink((base + "/" + n).c_str());
    }
  }
  if (best.empty()) return 0;

  for (const auto& [h, r] : s.standIns)
    if (r.file == base + "/" + best) return h;
  const size_t a = best.find('.');
  const size_t b = best.find('.', a + 1);
  const HWND standIn = g_nextStandIn.fetch_sub(4);
  s.standIns[standIn] = Remote{base + "/" + best, best.substr(a + 1, b - a - 1)};
  return standIn;
}

bool isStandIn(HWND hwnd) {
  State& s = S();
  std::lock_guard lock(s.mutex);
  return s.standIns.count(hwnd) != 0;
}

bool standInState(HWND hwnd, Published& state) {
  State& s = S();
  std::lock_guard lock(s.mutex);
  auto it = s.standIns.find(hwnd);
  if (it == s.standIns.end()) return false;
  std::string text;
  const std::string base = it->second.file.substr(0, it->second.file.find_last_of('/'));
  const bool own = s.pid == getpid() && it->second.key == s.key;
  return readFile(it->second.file, text) && parse(text, state) && (own || alive(base, it->second.key));
}

bool request(HWND hwnd, int32_t command) {
  Published state;
  if (!standInState(hwnd, state)) return false;
  State& s = S();
  std::lock_guard lock(s.mutex);
  const std::string& file = s.standIns[hwnd].file;
  const std::string path = file.substr(0, file.size() - 4) + ".req";
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  const std::string line = std::to_string(command) + "\n";
  const bool written = ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
  ::close(fd);
  return written;
}

void takeRequests(const std::vector<HWND>& windows, const std::function<void(HWND, int32_t)>& apply) {
  std::vector<std::pair<HWND, int32_t>> taken;
  {
    State& s = S();
    std::lock_guard lock(s.mutex);
    for (HWND h : windows) {
      auto it = s.published.find(h);
      if (it == s.published.end()) continue;
      const std::string path = it->second.substr(0, it->second.size() - 4) + ".req";
      struct stat st {};
      if (::stat(path.c_str(), &st) != 0) continue;
      // Taken under a name of its own first, so that a request written
      // meanwhile waits for the next turn.
      const std::string claimed = path + ".taken";
      if (::rename(path.c_str(), claimed.c_str()) != 0) continue;
      std::string text;
      readFile(claimed, text);
      ::unlink(claimed.c_str());
      size_t start = 0;
      while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) break;
        taken.push_back({h, static_cast<int32_t>(std::strtol(text.c_str() + start, nullptr, 10))});
        start = end + 1;
      }
    }
  }
  for (const auto& [h, command] : taken) apply(h, command);
}

}  // namespace platform::ui::session
