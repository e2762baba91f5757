// The hive's life cycle: where its file lies, opening and checking it,
// what a failure says, closing it (before a fork too).
#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/win32/editor_store.h"
#include "platform/win32/registry_hive.h"

namespace platform::registry_detail {

std::atomic<int> g_busyTimeoutMs{10000};

namespace {

// A connection must not cross a fork: SQLite's locks belong to the process
// that took them. Every hive is closed before a fork (and opened again on
// its next use, in the parent and in the child); open handles stay valid.
void beforeFork() {
  Registry& r = registry();
  r.mutex.lock();
  for (Hive& h : r.hives) letGo(h);
}

void afterFork() { registry().mutex.unlock(); }

std::string userDataFolder() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg && xdg[0] == '/') return std::string(xdg) + "/kestrin";
  std::string home;
  if (const char* h = std::getenv("HOME"); h && h[0]) {
    home = h;
  } else if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) {
    home = pw->pw_dir;
  }
  return home + "/.local/share/kestrin";
}

// Makes a folder and the missing ones above it; the last one gets mode.
bool makeFolders(const std::string& folder, mode_t mode) {
  if (folder.empty()) return false;
  struct stat st {};
  if (stat(folder.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  std::string parent = parentFolder(folder);
  if (parent != folder && !makeFolders(parent, 0755)) return false;
  return mkdir(folder.c_str(), mode) == 0 || errno == EEXIST;
}

std::string uriEscape(const std::string& path) {
  std::string out = "file:";
  for (unsigned char c : path) {
    if (c == '?' || c == '#' || c == '%' || c < 0x20) {
      char buf[4];
      std::snprintf(buf, sizeof buf, "%%%02X", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

// Forgets the connection's state (the connection itself is closed or
// abandoned by the caller).
void forget(Hive& h) {
  h.db = nullptr;
  h.standIn = false;
  h.unmade = false;
  h.absent = false;
  h.fileReadOnly = false;
  h.protectedIds.clear();
  h.classesId = 0;
  h.closePending = false;
  h.cache.clear();
  h.cache.version = -1;
  h.cache.usable = false;
}

// An opening step that failed: the connection goes and the reason is given.
LONG failOpening(Hive& h, int rc, const char* doing) {
  const LONG result = failure(h, rc, doing);
  closeHive(h);
  return result;
}

LONG refuseOpening(Hive& h, const std::string& why, LONG result) {
  report(h, why);
  closeHive(h);
  return result;
}

// Opens the file of a hive that exists with the access the user has.
int openConnection(Hive& h, bool writable) {
  if (writable) return sqlite3_open_v2(h.path.c_str(), &h.db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  h.fileReadOnly = true;
  int rc = sqlite3_open_v2(h.path.c_str(), &h.db, SQLITE_OPEN_READONLY, nullptr);
  if (rc != SQLITE_OK) return rc;
  int check = SQLITE_OK;
  contentsOf(h.db, &check);
  const int primary = check & 0xFF;
  if (check != SQLITE_OK && primary != SQLITE_NOTADB && primary != SQLITE_CORRUPT) {
    // A write-ahead log that this user cannot share: read the file as
    // it stands.
    sqlite3_close_v2(h.db);
    h.db = nullptr;
    std::string uri = uriEscape(h.path) + "?immutable=1";
    rc = sqlite3_open_v2(uri.c_str(), &h.db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
  }
  return rc;
}

// The checks of an existing file: sound, and a hive rather than anything
// else. ERROR_SUCCESS or the reason it cannot be used (the hive is closed).
LONG checkFile(Hive& h, Contents contents) {
  std::string verdict;
  const int rc = queryOne(h.db, "PRAGMA quick_check(1)", &verdict, nullptr);
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) return failOpening(h, rc, "checking it");
  if (verdict != "ok")
    return refuseOpening(h,
                         "the hive file is damaged (" + verdict + "); it was left as it is and its keys cannot be used",
                         ERROR_REGISTRY_CORRUPT);
  const char* foreign = "the file is not a registry hive; it was left as it is";
  if (contents == Contents::Foreign) return refuseOpening(h, foreign, ERROR_REGISTRY_CORRUPT);
  if (contents == Contents::Hive) {
    int64_t appId = 0;
    queryOne(h.db, "PRAGMA application_id", nullptr, &appId);
    if (appId != kApplicationId) return refuseOpening(h, foreign, ERROR_REGISTRY_CORRUPT);
  }
  return ERROR_SUCCESS;
}

// A hive without a file (or with an empty one it may not write): no
// connection, its reads answer from the empty tree.
LONG readAsEmptyTree(Hive& h) {
  h.absent = true;
  h.protectedIds.clear();
  h.classesId = 1;
  for (const EmptyTreeKey& k : emptyTree(h.machine)) {
    h.protectedIds.push_back(k.id);
    h.classesId = k.id;
  }
  h.lastMessage.clear();
  return ERROR_SUCCESS;
}

LONG openAttempt(Registry& r, int index) {
  Hive& h = r.hives[index];
  h.path = hivePathFor(r, index);
  h.pid = getpid();
  const std::string folder = parentFolder(h.path);
  // The user's own data folders are private to the user, as such folders are.
  if (!r.folder.empty()) {
    makeFolders(folder, 0755);
  } else if (index != kMachineHive) {
    makeFolders(folder, 0700);
  }

  const bool exists = fileExists(h.path);
  bool writable = access(folder.c_str(), W_OK) == 0;
  if (exists) writable = writable && access(h.path.c_str(), W_OK) == 0;
  if (writable) removeAbandonedNewFiles(h.path);
  if (exists && access(h.path.c_str(), R_OK) != 0) {
    report(h, "the hive file cannot be read");
    return ERROR_CANTREAD;
  }

  if (!exists) {
    // Nothing to read: the first write makes the file (makeHiveFile) or,
    // with nowhere to write, is refused.
    h.unmade = writable;
    h.standIn = !writable;
    h.fileReadOnly = !writable;
    return readAsEmptyTree(h);
  }
  int rc = openConnection(h, writable);
  if (rc != SQLITE_OK) return failOpening(h, rc, "opening it");
  sqlite3_busy_timeout(h.db, g_busyTimeoutMs.load());
  sqlite3_extended_result_codes(h.db, 1);

  const Contents contents = contentsOf(h.db, &rc);
  if (rc != SQLITE_OK) return failOpening(h, rc, "opening it");
  if (!h.standIn && !h.unmade) {
    const LONG checked = checkFile(h, contents);
    if (checked != ERROR_SUCCESS) return checked;
  }
  if (!h.fileReadOnly && !h.unmade) {
    std::string mode;
    rc = queryOne(h.db, "PRAGMA journal_mode", &mode, nullptr);
    if (rc == SQLITE_ROW && mode != "wal") rc = queryOne(h.db, "PRAGMA journal_mode = WAL", &mode, nullptr);
    if (rc != SQLITE_ROW) return failOpening(h, rc, "opening it");
  }
  if (contents != Contents::Hive) {
    rc = SQLITE_OK;
    if (h.fileReadOnly) {
      // An empty file the user may not write: read as the empty tree.
      sqlite3_close_v2(h.db);
      h.db = nullptr;
      h.standIn = true;
      return readAsEmptyTree(h);
    }
    rc = createSchema(h.db, h.machine);
    if (rc != SQLITE_OK) return failOpening(h, rc, "setting it up");
  }
  h.protectedIds = {1};
  h.classesId = 1;
  if (h.machine) {
    int64_t id = 1;
    for (const char* name : kClassesPath) {
      id = findChildRaw(h.db, id, name);
      if (id < 0) break;
      h.protectedIds.push_back(id);
    }
    h.classesId = id;
  }
  h.lastMessage.clear();
  return ERROR_SUCCESS;
}

}  // namespace

Registry::Registry() {
  const char* labels[kHiveCount] = {"user", "machine", "overlay"};
  for (int i = 0; i < kHiveCount; ++i) {
    hives[i].label = labels[i];
    hives[i].index = i;
    hives[i].machine = i != kUserHive;
  }
}

namespace {
std::atomic<Registry*> g_made{nullptr};
}  // namespace

Registry& registry() {
  // Never destroyed: handles may still be closed while the process ends.
  static Registry* r = [] {
    auto* made = new Registry;
    pthread_atfork(beforeFork, afterFork, afterFork);
    g_made.store(made);
    return made;
  }();
  return *r;
}

namespace {

// When the process ends (or the library is unloaded), after every static
// object of the program and of the libraries that use this one has gone,
// each hive's connection is closed: the last close of a hive checkpoints
// its write-ahead log and removes the log and its shared-memory index, so
// that only the hive's own file stays. A hive used after this (by a late
// destructor) is opened again. A thread still inside a registry call keeps
// the connections open rather than being waited for.
__attribute__((destructor)) void closeHivesAtEnd() {
  Registry* r = g_made.load();
  if (!r || !r->mutex.try_lock()) return;
  for (Hive& h : r->hives) letGo(h);
  r->mutex.unlock();
}

}  // namespace

bool isRoot(HKEY key) { return key == HKEY_CLASSES_ROOT || key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE; }

int hiveOf(HKEY root) { return root == HKEY_CURRENT_USER ? kUserHive : kMachineHive; }

std::string fold(const std::string& name) {
  std::string out = name;
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::vector<std::string> splitPath(const std::string& path) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

std::string parentFolder(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool fileExists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0;
}

// The folder of this library, which is the editor folder when it lies
// there, as it does in an install.
static std::string ownFolder() {
  Dl_info info{};
  if (!::dladdr(reinterpret_cast<const void*>(&userDataFolder), &info) || !info.dli_fname) return "";
  return parentFolder(info.dli_fname);
}

std::string hivePathFor(const Registry& r, int hive) {
  // The overlay is the user's copy of the machine hive, in the user's
  // store of the editor folder's files.
  if (hive == kOverlayHive) return userEditorStore() + "/machine.db";
  const char* file = hive == kUserHive ? "user.db" : "machine.db";
  if (!r.folder.empty()) return r.folder + "/" + file;
  if (hive == kUserHive) return userDataFolder() + "/" + file;
  if (!r.machineFolder.empty()) return r.machineFolder + "/" + file;
  // Before the component is loaded: the hive of the editor folder this
  // library lies in, when that folder holds the component and a hive (an
  // installed, registered folder), so that a host finds the installed
  // registration without choosing a folder.
  if (const std::string own = ownFolder();
      own.size() > 1 && fileExists(own + "/KestrinScriptEditor.so") && fileExists(own + "/machine.db"))
    return own + "/" + file;
  // Without a known editor folder the machine hive lives beside the user's.
  return userDataFolder() + "/" + file;
}

void report(Hive& h, const std::string& what, int rc) {
  std::string message = "kestrin: registry hive \"" + h.path + "\": " + what;
  if (rc != SQLITE_OK) {
    const char* detail = h.db ? sqlite3_errmsg(h.db) : sqlite3_errstr(rc);
    message += " (";
    message += detail ? detail : sqlite3_errstr(rc);
    message += ")";
  }
  if (message == h.lastMessage) return;
  h.lastMessage = message;
  std::fprintf(stderr, "%s\n", message.c_str());
  std::fflush(stderr);
}

void closeHive(Hive& h) {
  finalizeStatements(h);
  if (h.db) sqlite3_close_v2(h.db);
  forget(h);
}

void letGo(Hive& h) {
  if (h.db && h.pid != getpid())
    abandonInherited(h);
  else
    closeHive(h);
}

// A connection that reached a child without passing beforeFork (a fork
// that skipped the fork handlers) belongs to the parent: it is left alone
// (closing it could disturb the parent's locks) and a new one is opened.
void abandonInherited(Hive& h) {
  for (auto& s : h.sql) s = nullptr;
  forget(h);
}

// A connection that cannot go on is closed before its next use
// (statements of the failing call are still being reset), and opened and
// checked again.
LONG failure(Hive& h, int rc, const char* doing) {
  int primary = rc & 0xFF;
  switch (primary) {
    case SQLITE_READONLY:
      report(h, std::string("the hive file may not be written; ") + doing + " was refused", rc);
      return ERROR_ACCESS_DENIED;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      report(h,
             std::string("the hive file is damaged or not a registry hive; ") + doing +
                 " failed and the file was left as it is",
             rc);
      h.closePending = true;
      return ERROR_REGISTRY_CORRUPT;
    case SQLITE_FULL: report(h, std::string("the disk is full; ") + doing + " failed", rc); return ERROR_DISK_FULL;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      h.wasBusy = true;
      if (!h.quietBusy) {
        report(h, std::string("the hive stayed locked by another process; ") + doing + " failed", rc);
      }
      return ERROR_CANTWRITE;
    case SQLITE_NOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case SQLITE_CANTOPEN:
      report(h, std::string("the hive file cannot be opened; ") + doing + " failed", rc);
      h.closePending = true;
      return ERROR_CANTOPEN;
    case SQLITE_PERM:
    case SQLITE_AUTH:
      report(h, std::string("access to the hive file was refused; ") + doing + " failed", rc);
      return ERROR_ACCESS_DENIED;
    default:
      report(h, std::string("the hive file could not be read or written; ") + doing + " failed", rc);
      h.closePending = true;
      return ERROR_CANTREAD;
  }
}

// Another process that is making or converting the same file at this
// moment can hold it for a short while in ways the busy timeout does not
// wait for; opening is then tried again until the timeout has passed.
LONG openHive(Registry& r, int index) {
  Hive& h = r.hives[index];
  if (h.db && h.pid != getpid()) abandonInherited(h);
  if (h.db && h.closePending) closeHive(h);
  // Another process has made the file that this one has not yet.
  if ((h.db || h.absent) && h.unmade && fileExists(h.path)) closeHive(h);
  if (h.db || h.absent) return ERROR_SUCCESS;
  constexpr int kPauseMs = 5;
  LONG result = ERROR_SUCCESS;
  const int timeoutMs = g_busyTimeoutMs.load();
  for (int waited = 0;; waited += kPauseMs) {
    h.quietBusy = waited < timeoutMs;
    h.wasBusy = false;
    result = openAttempt(r, index);
    h.quietBusy = false;
    if (result == ERROR_SUCCESS || !h.wasBusy || waited >= timeoutMs) break;
    usleep(kPauseMs * 1000);
  }
  return result;
}

bool overlayInUse(Registry& r) {
  const Hive& m = r.hives[kMachineHive];
  r.overlayActive = r.folder.empty() && (m.db || m.absent) && m.fileReadOnly && openHive(r, kOverlayHive) == ERROR_SUCCESS;
  return r.overlayActive;
}

bool rootReadOnly(Registry& r, HKEY root) {
  const bool overlay = root != HKEY_CURRENT_USER && r.overlayActive;
  const Hive& h = r.hives[overlay ? kOverlayHive : hiveOf(root)];
  if (h.fileReadOnly) return true;
  if (root == HKEY_CLASSES_ROOT) return r.readOnlyFlag[0] || r.readOnlyFlag[2];
  return r.readOnlyFlag[root - HKEY_CLASSES_ROOT];
}

}  // namespace platform::registry_detail
