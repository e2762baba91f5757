// The registry's keys and values in SQLite hive files.
//
// A hive holds one tree: the table keys (id, parent, name, fold) with the
// root as id 1, and the table vals (id, key, name, fold, type, data). fold
// is the name in lower case, so that lookups ignore case while names keep
// theirs; ids grow, so ordering by id is creation order. Each process keeps
// one connection per hive (opened again after a fork), every write runs in
// BEGIN IMMEDIATE under a busy timeout and goes to the file at once.
//
// Reads go through a cache per hive of key lookups, key existence and
// values. Before a call trusts it, the cache is checked against the hive's
// data version (PRAGMA data_version, which changes whenever another
// connection has committed to the file since this connection last looked):
// a changed version empties it, so other processes' writes are seen by the
// next call, as without a cache. A write of this process empties it too,
// and the reads inside a write transaction never use it.
//
// A hive file that does not exist yet is made by the first write: until
// then an empty tree in memory stands for it, and the write goes into a
// new file beside its place, which is synced and then put in place in one
// step, unless another process has put its own there first (the write
// then goes into that one). No process ever sees a hive file half made,
// and a first start costs the syncs of that one file and its folder.
#include "platform/win32/registry.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>
#include <pthread.h>
#include <pwd.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/win32/component.h"

namespace platform {

namespace {

// How long a call waits for another process's write lock; tests shorten it.
std::atomic<int> g_busyTimeoutMs{10000};
constexpr int32_t kApplicationId = 0x4B524547;  // "KREG"
constexpr size_t kMaxKeyNameLength = 255;
constexpr size_t kMaxValueNameLength = 16383;

constexpr DWORD WRITE_DAC = 0x00040000;
constexpr DWORD WRITE_OWNER = 0x00080000;
constexpr DWORD kWriteRights =
    KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | KEY_DELETE | WRITE_DAC | WRITE_OWNER;

constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD GENERIC_WRITE = 0x40000000;
constexpr DWORD GENERIC_EXECUTE = 0x20000000;
constexpr DWORD GENERIC_ALL = 0x10000000;
constexpr DWORD MAXIMUM_ALLOWED = 0x02000000;

enum HiveIndex { kUserHive = 0, kMachineHive = 1 };

const char* const kSchema =
    "CREATE TABLE IF NOT EXISTS keys(id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " parent INTEGER NOT NULL, name TEXT NOT NULL, fold TEXT NOT NULL);"
    "CREATE UNIQUE INDEX IF NOT EXISTS keys_child ON keys(parent, fold);"
    "CREATE TABLE IF NOT EXISTS vals(id INTEGER PRIMARY KEY, key INTEGER NOT NULL,"
    " name TEXT NOT NULL, fold TEXT NOT NULL, type INTEGER NOT NULL, data BLOB NOT NULL);"
    "CREATE UNIQUE INDEX IF NOT EXISTS vals_name ON vals(key, fold);"
    "INSERT OR IGNORE INTO keys(id, parent, name, fold) VALUES(1, 0, '', '');"
    "PRAGMA user_version = 1;";

// HKEY_CLASSES_ROOT is this key of the machine hive.
const char* const kClassesPath[] = {"SOFTWARE", "Classes"};

enum Sql {
    kFindChild,
    kKeyExists,
    kInsertKey,
    kFindValue,
    kUpsertValue,
    kDeleteValue,
    kEnumKey,
    kEnumValue,
    kHasChildren,
    kDeleteKey,
    kDeleteKeyValues,
    kInfoKeys,
    kInfoValues,
    kTreeDeleteValues,
    kTreeDeleteKeys,
    kBegin,
    kCommit,
    kRollback,
    kDataVersion,
    kSqlCount
};

const char* const kSqlText[kSqlCount] = {
    "SELECT id FROM keys WHERE parent = ?1 AND fold = ?2",
    "SELECT 1 FROM keys WHERE id = ?1",
    "INSERT INTO keys(parent, name, fold) VALUES(?1, ?2, ?3)",
    "SELECT type, data FROM vals WHERE key = ?1 AND fold = ?2",
    "INSERT INTO vals(key, name, fold, type, data) VALUES(?1, ?2, ?3, ?4, ?5)"
    " ON CONFLICT(key, fold) DO UPDATE SET type = excluded.type, data = excluded.data",
    "DELETE FROM vals WHERE key = ?1 AND fold = ?2",
    "SELECT name FROM keys WHERE parent = ?1 ORDER BY id LIMIT 1 OFFSET ?2",
    "SELECT name, type, data FROM vals WHERE key = ?1 ORDER BY id LIMIT 1 OFFSET ?2",
    "SELECT 1 FROM keys WHERE parent = ?1 LIMIT 1",
    "DELETE FROM keys WHERE id = ?1",
    "DELETE FROM vals WHERE key = ?1",
    "SELECT count(*), coalesce(max(length(CAST(name AS BLOB))), 0) FROM keys WHERE parent = ?1",
    "SELECT count(*), coalesce(max(length(CAST(name AS BLOB))), 0),"
    " coalesce(max(length(data)), 0) FROM vals WHERE key = ?1",
    "WITH RECURSIVE t(id) AS (SELECT ?1 UNION ALL SELECT k.id FROM keys k JOIN t ON k.parent = t.id)"
    " DELETE FROM vals WHERE key IN t",
    "WITH RECURSIVE t(id) AS (SELECT ?1 UNION ALL SELECT k.id FROM keys k JOIN t ON k.parent = t.id)"
    " DELETE FROM keys WHERE id IN t",
    "BEGIN IMMEDIATE",
    "COMMIT",
    "ROLLBACK",
    "PRAGMA data_version",
};

// The cache of one hive holds at most this many entries of each kind (a
// fuller one starts again empty), and no value longer than this.
constexpr size_t kCacheLimit = 4096;
constexpr size_t kCachedValueLimit = 64 * 1024;

struct CachedValue {
    bool found = false;
    DWORD type = REG_NONE;
    std::string data;
};

// What the hive held at one data version: sub-key lookups (parent id and
// folded name: the child's id, -1 for none), which keys exist, and values
// (key id and folded name).
struct ReadCache {
    std::unordered_map<std::string, int64_t> children;
    std::unordered_map<int64_t, bool> alive;
    std::unordered_map<std::string, CachedValue> values;
    int64_t version = -1;  // the data version it holds; -1: none yet
    bool usable = false;   // checked for this call and not inside a write

    void clear() {
        children.clear();
        alive.clear();
        values.clear();
    }
};

std::string cacheKey(int64_t id, const std::string& folded) {
    std::string key(sizeof id, '\0');
    std::memcpy(key.data(), &id, sizeof id);
    key += folded;
    return key;
}

struct Hive {
    const char* label = "";
    std::string path;
    sqlite3* db = nullptr;
    pid_t pid = 0;
    bool fileReadOnly = false;  // the user may not write the file (or it is missing and cannot be made)
    bool standIn = false;       // an empty in-memory tree stands for a missing file
    bool unmade = false;        // the same for a file the first write will make
    bool machine = false;
    int64_t classesId = 0;      // machine hive: HKEY_CLASSES_ROOT's key; -1 when absent
    std::vector<int64_t> protectedIds;  // keys that stand for roots
    bool closePending = false;  // the connection failed; closed before the next use
    bool quietBusy = false;     // opening: a busy hive is tried again without a message
    bool wasBusy = false;
    sqlite3_stmt* sql[kSqlCount] = {};
    std::string lastMessage;
    ReadCache cache;
};

struct OpenKey {
    HKEY root;
    int64_t id;
    DWORD access;
};

struct Registry {
    std::mutex mutex;
    Hive hives[2];
    std::string folder;
    bool readOnlyFlag[3] = {false, false, false};  // HKCR, HKCU, HKLM
    bool readCache = true;
    std::unordered_map<HKEY, OpenKey> handles;
    HKEY nextHandle = 1;

    Registry() {
        hives[kUserHive].label = "user";
        hives[kMachineHive].label = "machine";
        hives[kMachineHive].machine = true;
    }
};

// A connection must not cross a fork: SQLite's locks belong to the process
// that took them. Both hives are closed before a fork (and opened again on
// their next use, in the parent and in the child); open handles stay valid.
void beforeFork();
void afterForkParent();
void afterForkChild();

Registry& registry() {
    // Never destroyed: handles may still be closed while the process ends.
    static Registry* r = [] {
        auto* made = new Registry;
        pthread_atfork(beforeFork, afterForkParent, afterForkChild);
        return made;
    }();
    return *r;
}

bool isRoot(HKEY key) {
    return key == HKEY_CLASSES_ROOT || key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE;
}

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

std::string hivePathFor(const Registry& r, int hive) {
    const char* file = hive == kUserHive ? "user.db" : "machine.db";
    if (!r.folder.empty()) return r.folder + "/" + file;
    if (hive == kUserHive) return userDataFolder() + "/" + file;
    const std::string& componentFolder = componentIdentity().folder;
    if (!componentFolder.empty()) return componentFolder + "/" + file;
    // Without a known component the machine hive lives beside the user's.
    return userDataFolder() + "/" + file;
}

std::string parentFolder(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
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

bool fileExists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
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

void report(Hive& h, const std::string& what, int rc = SQLITE_OK) {
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

void finalizeStatements(Hive& h) {
    for (auto& s : h.sql) {
        if (s) sqlite3_finalize(s);
        s = nullptr;
    }
}

void closeHive(Hive& h) {
    finalizeStatements(h);
    if (h.db) sqlite3_close_v2(h.db);
    h.db = nullptr;
    h.standIn = false;
    h.unmade = false;
    h.fileReadOnly = false;
    h.protectedIds.clear();
    h.classesId = 0;
    h.closePending = false;
    h.cache.clear();
    h.cache.version = -1;
    h.cache.usable = false;
}

// A connection that reached a child without passing beforeFork (a fork
// that skipped the fork handlers) belongs to the parent: it is left alone
// (closing it could disturb the parent's locks) and a new one is opened.
void abandonInherited(Hive& h) {
    for (auto& s : h.sql) s = nullptr;
    h.db = nullptr;
    h.standIn = false;
    h.unmade = false;
    h.fileReadOnly = false;
    h.protectedIds.clear();
    h.classesId = 0;
    h.closePending = false;
    h.cache.clear();
    h.cache.version = -1;
    h.cache.usable = false;
}

// Maps a SQLite failure to a registry result and says what went wrong. A
// connection that cannot go on is closed before its next use (statements
// of the failing call are still being reset), and opened and checked again.
LONG failure(Hive& h, int rc, const char* doing) {
    int primary = rc & 0xFF;
    switch (primary) {
        case SQLITE_READONLY:
            report(h, std::string("the hive file may not be written; ") + doing + " was refused", rc);
            return ERROR_ACCESS_DENIED;
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            report(h, std::string("the hive file is damaged or not a registry hive; ") + doing +
                          " failed and the file was left as it is", rc);
            h.closePending = true;
            return ERROR_REGISTRY_CORRUPT;
        case SQLITE_FULL:
            report(h, std::string("the disk is full; ") + doing + " failed", rc);
            return ERROR_DISK_FULL;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            h.wasBusy = true;
            if (!h.quietBusy) {
                report(h, std::string("the hive stayed locked by another process; ") + doing + " failed",
                       rc);
            }
            return ERROR_CANTWRITE;
        case SQLITE_NOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
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

// Resets a statement when it goes out of use, so that no read snapshot
// stays open between calls.
class Statement {
 public:
    explicit Statement(sqlite3_stmt* s) : s_(s) {}
    ~Statement() {
        sqlite3_reset(s_);
        sqlite3_clear_bindings(s_);
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    sqlite3_stmt* get() const { return s_; }
    void bind(int i, int64_t v) { sqlite3_bind_int64(s_, i, v); }
    void bind(int i, const std::string& v) {
        sqlite3_bind_text(s_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    }
    void bindBlob(int i, const void* data, DWORD size) {
        if (size == 0) {
            sqlite3_bind_zeroblob(s_, i, 0);
        } else {
            sqlite3_bind_blob64(s_, i, data, size, SQLITE_TRANSIENT);
        }
    }
    int step() { return sqlite3_step(s_); }
    int64_t integer(int col) const { return sqlite3_column_int64(s_, col); }
    std::string text(int col) const {
        const unsigned char* t = sqlite3_column_text(s_, col);
        return t ? std::string(reinterpret_cast<const char*>(t),
                               static_cast<size_t>(sqlite3_column_bytes(s_, col)))
                 : std::string();
    }
    const void* blob(int col) const { return sqlite3_column_blob(s_, col); }
    DWORD bytes(int col) const { return static_cast<DWORD>(sqlite3_column_bytes(s_, col)); }

 private:
    sqlite3_stmt* s_;
};

int execAll(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }

// Reads a single row from a one-off query; rc SQLITE_ROW when there is one.
int queryOne(sqlite3* db, const char* sql, std::string* text, int64_t* number) {
    sqlite3_stmt* s = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &s, nullptr);
    if (rc != SQLITE_OK) return rc;
    rc = sqlite3_step(s);
    if (rc == SQLITE_ROW) {
        if (text) {
            const unsigned char* t = sqlite3_column_text(s, 0);
            *text = t ? reinterpret_cast<const char*>(t) : "";
        }
        if (number) *number = sqlite3_column_int64(s, 0);
    }
    sqlite3_finalize(s);
    return rc;
}

// What the file holds, seen in one snapshot: nothing yet, a hive, or the
// tables of something else.
enum class Contents { Empty, Hive, Foreign };

Contents contentsOf(sqlite3* db, int* rc) {
    sqlite3_stmt* s = nullptr;
    *rc = sqlite3_prepare_v2(
        db, "SELECT count(*), coalesce(sum(type = 'table' AND name = 'keys'), 0) FROM sqlite_master",
        -1, &s, nullptr);
    if (*rc != SQLITE_OK) return Contents::Empty;
    Contents contents = Contents::Empty;
    *rc = sqlite3_step(s);
    if (*rc == SQLITE_ROW) {
        *rc = SQLITE_OK;
        if (sqlite3_column_int64(s, 1) > 0) {
            contents = Contents::Hive;
        } else if (sqlite3_column_int64(s, 0) > 0) {
            contents = Contents::Foreign;
        }
    }
    sqlite3_finalize(s);
    return contents;
}

int64_t findChildRaw(sqlite3* db, int64_t parent, const char* name) {
    sqlite3_stmt* s = nullptr;
    int64_t id = -1;
    if (sqlite3_prepare_v2(db, "SELECT id FROM keys WHERE parent = ?1 AND fold = ?2", -1, &s,
                           nullptr) != SQLITE_OK) {
        return -1;
    }
    sqlite3_bind_int64(s, 1, parent);
    std::string f = fold(name);
    sqlite3_bind_text(s, 2, f.c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(s) == SQLITE_ROW) id = sqlite3_column_int64(s, 0);
    sqlite3_finalize(s);
    return id;
}

// Creates the tables (and, in the machine hive, the classes key) when the
// file has none yet.
int createSchema(sqlite3* db, bool machine) {
    int rc = execAll(db, "BEGIN IMMEDIATE");
    if (rc != SQLITE_OK) return rc;
    rc = execAll(db, kSchema);
    if (rc == SQLITE_OK) {
        rc = execAll(db, ("PRAGMA application_id = " + std::to_string(kApplicationId)).c_str());
    }
    if (rc == SQLITE_OK && machine) {
        int64_t parent = 1;
        for (const char* name : kClassesPath) {
            int64_t id = findChildRaw(db, parent, name);
            if (id < 0) {
                sqlite3_stmt* s = nullptr;
                rc = sqlite3_prepare_v2(db, "INSERT INTO keys(parent, name, fold) VALUES(?1, ?2, ?3)",
                                        -1, &s, nullptr);
                if (rc != SQLITE_OK) break;
                std::string f = fold(name);
                sqlite3_bind_int64(s, 1, parent);
                sqlite3_bind_text(s, 2, name, -1, SQLITE_STATIC);
                sqlite3_bind_text(s, 3, f.c_str(), -1, SQLITE_TRANSIENT);
                rc = sqlite3_step(s);
                sqlite3_finalize(s);
                if (rc != SQLITE_DONE) break;
                rc = SQLITE_OK;
                id = sqlite3_last_insert_rowid(db);
            }
            parent = id;
        }
    }
    if (rc == SQLITE_OK) {
        rc = execAll(db, "COMMIT");
    }
    if (rc != SQLITE_OK) execAll(db, "ROLLBACK");
    return rc;
}

LONG openAttempt(Registry& r, int index);

int prepareStatements(Hive& h) {
    for (int i = 0; i < kSqlCount; ++i) {
        int rc = sqlite3_prepare_v3(h.db, kSqlText[i], -1, SQLITE_PREPARE_PERSISTENT, &h.sql[i], nullptr);
        if (rc != SQLITE_OK) return rc;
    }
    return SQLITE_OK;
}

// Opens the hive's connection when this process has none. Returns
// ERROR_SUCCESS or the reason the hive cannot be used. Another process
// that is making or converting the same file at this moment can hold it
// for a short while in ways the busy timeout does not wait for; opening
// is then tried again until the timeout has passed.
LONG openHive(Registry& r, int index) {
    Hive& h = r.hives[index];
    if (h.db && h.pid != getpid()) abandonInherited(h);
    if (h.db && h.closePending) closeHive(h);
    // Another process has made the file that this one has not yet.
    if (h.db && h.unmade && fileExists(h.path)) closeHive(h);
    if (h.db) return ERROR_SUCCESS;
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

// The new hive files that a process killed while it made its hive left
// behind ("user.db.new-<pid>-<n>", with SQLite's side files): those of a
// process that is gone, untouched for a while. A file of a live maker, or
// of one in another process namespace that is still at work, is younger.
void removeAbandonedNewFiles(const std::string& hivePath) {
    namespace fs = std::filesystem;
    const fs::path hive(hivePath);
    const std::string prefix = hive.filename().string() + ".new-";
    std::error_code ec;
    const auto now = fs::file_time_type::clock::now();
    for (auto it = fs::directory_iterator(hive.parent_path(), ec); !ec && it != fs::directory_iterator();
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        const char* digits = name.c_str() + prefix.size();
        char* end = nullptr;
        const long pid = std::strtol(digits, &end, 10);
        if (end == digits || *end != '-' || pid <= 0) continue;
        if (kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
        std::error_code timeError;
        const auto written = fs::last_write_time(it->path(), timeError);
        if (timeError || now - written < std::chrono::seconds(10)) continue;
        unlink(it->path().c_str());
    }
}

LONG openAttempt(Registry& r, int index) {
    Hive& h = r.hives[index];

    h.path = hivePathFor(r, index);
    h.pid = getpid();
    const bool machine = index == kMachineHive;
    const std::string folder = parentFolder(h.path);
    // The user's own data folder is private to the user, as such folders are.
    if (!r.folder.empty()) {
        makeFolders(folder, 0755);
    } else if (!machine) {
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

    int rc = SQLITE_OK;
    if (!exists && !writable) {
        // Nothing to read and nowhere to write: an empty, read-only root.
        rc = sqlite3_open_v2(":memory:", &h.db, SQLITE_OPEN_READWRITE, nullptr);
        h.standIn = true;
        h.fileReadOnly = true;
    } else if (!exists) {
        // The first write makes the file (makeHiveFile).
        rc = sqlite3_open_v2(":memory:", &h.db, SQLITE_OPEN_READWRITE, nullptr);
        h.unmade = true;
    } else if (writable) {
        rc = sqlite3_open_v2(h.path.c_str(), &h.db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                             nullptr);
    } else {
        h.fileReadOnly = true;
        rc = sqlite3_open_v2(h.path.c_str(), &h.db, SQLITE_OPEN_READONLY, nullptr);
        if (rc == SQLITE_OK) {
            int check = SQLITE_OK;
            contentsOf(h.db, &check);
            const int primary = check & 0xFF;
            if (check != SQLITE_OK && primary != SQLITE_NOTADB && primary != SQLITE_CORRUPT) {
                // A write-ahead log that this user cannot share: read the
                // file as it stands.
                sqlite3_close_v2(h.db);
                h.db = nullptr;
                std::string uri = uriEscape(h.path) + "?immutable=1";
                rc = sqlite3_open_v2(uri.c_str(), &h.db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI,
                                     nullptr);
            }
        }
    }
    if (rc != SQLITE_OK) {
        LONG result = failure(h, rc, "opening it");
        closeHive(h);
        return result;
    }
    sqlite3_busy_timeout(h.db, g_busyTimeoutMs.load());
    sqlite3_extended_result_codes(h.db, 1);

    const Contents contents = contentsOf(h.db, &rc);
    const bool hasTables = contents == Contents::Hive;
    if (rc != SQLITE_OK) {
        LONG result = failure(h, rc, "opening it");
        closeHive(h);
        return result;
    }
    if (!h.standIn && !h.unmade) {
        std::string verdict;
        rc = queryOne(h.db, "PRAGMA quick_check(1)", &verdict, nullptr);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
            LONG result = failure(h, rc, "checking it");
            closeHive(h);
            return result;
        }
        if (verdict != "ok") {
            report(h, "the hive file is damaged (" + verdict +
                          "); it was left as it is and its keys cannot be used");
            closeHive(h);
            return ERROR_REGISTRY_CORRUPT;
        }
        if (contents == Contents::Foreign) {
            report(h, "the file is not a registry hive; it was left as it is");
            closeHive(h);
            return ERROR_REGISTRY_CORRUPT;
        }
        if (hasTables) {
            int64_t appId = 0;
            queryOne(h.db, "PRAGMA application_id", nullptr, &appId);
            if (appId != kApplicationId) {
                report(h, "the file is not a registry hive; it was left as it is");
                closeHive(h);
                return ERROR_REGISTRY_CORRUPT;
            }
        }
    }
    if (!h.fileReadOnly && !h.unmade) {
        std::string mode;
        rc = queryOne(h.db, "PRAGMA journal_mode", &mode, nullptr);
        if (rc == SQLITE_ROW && mode != "wal") {
            rc = queryOne(h.db, "PRAGMA journal_mode = WAL", &mode, nullptr);
        }
        if (rc != SQLITE_ROW) {
            LONG result = failure(h, rc, "opening it");
            closeHive(h);
            return result;
        }
    }
    rc = SQLITE_OK;
    if (!hasTables) {
        if (h.fileReadOnly && !h.standIn) {
            // An empty file the user may not write: an empty tree in memory.
            sqlite3_close_v2(h.db);
            h.db = nullptr;
            rc = sqlite3_open_v2(":memory:", &h.db, SQLITE_OPEN_READWRITE, nullptr);
            h.standIn = true;
        }
        if (rc == SQLITE_OK) rc = createSchema(h.db, machine);
        if (rc != SQLITE_OK) {
            LONG result = failure(h, rc, "setting it up");
            closeHive(h);
            return result;
        }
    }
    if ((rc = prepareStatements(h)) != SQLITE_OK) {
        LONG result = failure(h, rc, "opening it");
        closeHive(h);
        return result;
    }
    h.protectedIds = {1};
    h.classesId = 1;
    if (machine) {
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

void beforeFork() {
    Registry& r = registry();
    r.mutex.lock();
    for (Hive& h : r.hives) {
        if (h.db && h.pid != getpid()) {
            abandonInherited(h);
        } else {
            closeHive(h);
        }
    }
}

void afterForkParent() { registry().mutex.unlock(); }

void afterForkChild() { registry().mutex.unlock(); }

bool rootReadOnly(Registry& r, HKEY root) {
    const Hive& h = r.hives[hiveOf(root)];
    if (h.fileReadOnly) return true;
    if (root == HKEY_CLASSES_ROOT) return r.readOnlyFlag[0] || r.readOnlyFlag[2];
    return r.readOnlyFlag[root - HKEY_CLASSES_ROOT];
}

DWORD mapGeneric(DWORD access) {
    DWORD out = access & ~(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL | MAXIMUM_ALLOWED);
    if (access & (GENERIC_READ | GENERIC_EXECUTE)) out |= KEY_READ;
    if (access & GENERIC_WRITE) out |= KEY_WRITE;
    if (access & (GENERIC_ALL | MAXIMUM_ALLOWED)) out |= KEY_ALL_ACCESS;
    return out;
}

// Makes the hive's read cache fit for this call: emptied when another
// connection has committed to the file since it was filled.
LONG checkCache(Registry& r, Hive& h) {
    h.cache.usable = false;
    if (!r.readCache) {
        h.cache.clear();
        h.cache.version = -1;
        return ERROR_SUCCESS;
    }
    int64_t version = 0;
    {
        Statement s(h.sql[kDataVersion]);
        int rc = s.step();
        if (rc != SQLITE_ROW) return failure(h, rc, "reading it");
        version = s.integer(0);
    }
    if (version != h.cache.version || h.cache.children.size() > kCacheLimit ||
        h.cache.alive.size() > kCacheLimit || h.cache.values.size() > kCacheLimit) {
        h.cache.clear();
        h.cache.version = version;
    }
    h.cache.usable = true;
    return ERROR_SUCCESS;
}

// What a handle names: the hive, the key and the rights it was opened with.
struct Target {
    Hive* hive = nullptr;
    HKEY root = 0;
    int64_t id = 0;
    DWORD access = 0;
};

LONG resolve(Registry& r, HKEY key, Target* t) {
    OpenKey open{};
    if (isRoot(key)) {
        open = {key, 0, KEY_ALL_ACCESS};
    } else {
        auto it = r.handles.find(key);
        if (key == 0 || it == r.handles.end()) return ERROR_INVALID_HANDLE;
        open = it->second;
    }
    LONG rc = openHive(r, hiveOf(open.root));
    if (rc != ERROR_SUCCESS) return rc;
    Hive& h = r.hives[hiveOf(open.root)];
    if ((rc = checkCache(r, h)) != ERROR_SUCCESS) return rc;
    t->hive = &h;
    t->root = open.root;
    t->access = open.access;
    if (isRoot(key)) {
        t->id = key == HKEY_CLASSES_ROOT ? h.classesId : 1;
        if (rootReadOnly(r, key)) t->access &= ~kWriteRights;
    } else {
        t->id = open.id;
    }
    return ERROR_SUCCESS;
}

// ERROR_SUCCESS when the key still exists, ERROR_KEY_DELETED when not.
LONG keyAlive(Hive& h, int64_t id, const char* doing) {
    if (id < 0) return ERROR_FILE_NOT_FOUND;  // a root key the hive lacks
    if (h.cache.usable) {
        auto it = h.cache.alive.find(id);
        if (it != h.cache.alive.end()) return it->second ? ERROR_SUCCESS : ERROR_KEY_DELETED;
    }
    Statement s(h.sql[kKeyExists]);
    s.bind(1, id);
    int rc = s.step();
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) return failure(h, rc, doing);
    if (h.cache.usable) h.cache.alive[id] = rc == SQLITE_ROW;
    return rc == SQLITE_ROW ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

LONG checkPath(const std::vector<std::string>& parts);

// What every call on a key does first (under the registry's lock): the
// handle resolved, a path below it checked (when the call takes one), the
// rights it needs held, and its key still there.
LONG reach(Registry& r, HKEY key, const char* doing, Target* t, const std::vector<std::string>* path = nullptr,
           DWORD rights = 0) {
    LONG rc = resolve(r, key, t);
    if (rc != ERROR_SUCCESS) return rc;
    if (path && (rc = checkPath(*path)) != ERROR_SUCCESS) return rc;
    if ((t->access & rights) != rights) return ERROR_ACCESS_DENIED;
    return keyAlive(*t->hive, t->id, doing);
}

// Follows the path from a key; *found is the last key reached and *missing
// the index of the first part not found (parts.size() when all were).
LONG walk(Hive& h, int64_t from, const std::vector<std::string>& parts, int64_t* found,
          size_t* missing, const char* doing) {
    int64_t id = from;
    for (size_t i = 0; i < parts.size(); ++i) {
        const std::string folded = fold(parts[i]);
        int64_t child = -1;
        std::string key;
        bool known = false;
        if (h.cache.usable) {
            key = cacheKey(id, folded);
            auto it = h.cache.children.find(key);
            if (it != h.cache.children.end()) {
                child = it->second;
                known = true;
            }
        }
        if (!known) {
            Statement s(h.sql[kFindChild]);
            s.bind(1, id);
            s.bind(2, folded);
            int rc = s.step();
            if (rc != SQLITE_ROW && rc != SQLITE_DONE) return failure(h, rc, doing);
            if (rc == SQLITE_ROW) child = s.integer(0);
            if (h.cache.usable) h.cache.children.emplace(std::move(key), child);
        }
        if (child < 0) {
            *found = id;
            *missing = i;
            return ERROR_SUCCESS;
        }
        id = child;
    }
    *found = id;
    *missing = parts.size();
    return ERROR_SUCCESS;
}

LONG checkPath(const std::vector<std::string>& parts) {
    for (const auto& p : parts) {
        if (p.size() > kMaxKeyNameLength) return ERROR_INVALID_PARAMETER;
    }
    return ERROR_SUCCESS;
}

HKEY newHandle(Registry& r, const OpenKey& open) {
    HKEY h;
    do {
        h = r.nextHandle++;
        if (r.nextHandle == 0 || r.nextHandle >= HKEY_CLASSES_ROOT) r.nextHandle = 1;
    } while (h == 0 || r.handles.count(h));
    r.handles.emplace(h, open);
    return h;
}

// Runs body inside BEGIN IMMEDIATE ... COMMIT on the hive's connection;
// body returns a registry result, and anything but success rolls back.
template <typename Body>
LONG commitWrite(Hive& h, const char* doing, Body& body) {
    // Inside the transaction the file is read as it is now; afterwards the
    // cache no longer holds what the file does.
    h.cache.usable = false;
    h.cache.clear();
    int rc;
    {
        Statement begin(h.sql[kBegin]);
        rc = begin.step();
    }
    if (rc != SQLITE_DONE) return failure(h, rc, doing);
    LONG result = body();
    if (result == ERROR_SUCCESS) {
        Statement commit(h.sql[kCommit]);
        rc = commit.step();
        if (rc == SQLITE_DONE) return ERROR_SUCCESS;
        result = failure(h, rc, doing);
    }
    if (sqlite3_get_autocommit(h.db) == 0) {
        Statement rollback(h.sql[kRollback]);
        rollback.step();
    }
    return result;
}

std::atomic<unsigned> g_newHiveCount{0};

LONG fileFailure(Hive& h, int error, const std::string& what) {
    report(h, what + " (" + std::strerror(error) + ")");
    if (error == EACCES || error == EPERM || error == EROFS) return ERROR_ACCESS_DENIED;
    if (error == ENOSPC || error == EDQUOT) return ERROR_DISK_FULL;
    return ERROR_CANTWRITE;
}

// Makes the missing hive file with the write of body in it: the tables
// and the write go into a new file beside the hive's place (no syncs while
// it is built: nobody else knows it yet), which is synced whole and then
// renamed into place, never over a file that is there; the folder is
// synced last, so that the name lasts as the write does. *raced says that
// another process put its hive file in place first: nothing was written
// and the write is to go into that file.
template <typename Body>
LONG makeHiveFile(Hive& h, const char* doing, Body& body, bool* raced) {
    *raced = false;
    const std::string folder = parentFolder(h.path);
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 64 && fd < 0; ++attempt) {
        temp = h.path + ".new-" + std::to_string(getpid()) + "-" + std::to_string(g_newHiveCount++);
        // The mode SQLite gives the files it makes.
        fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) return fileFailure(h, errno, std::string("the hive file cannot be made; ") + doing + " failed");
    close(fd);

    // From here on h's connection is the new file's.
    finalizeStatements(h);
    sqlite3_close_v2(h.db);
    h.db = nullptr;
    auto discard = [&](LONG result) {
        closeHive(h);
        for (const char* tail : {"", "-wal", "-shm", "-journal"}) unlink((temp + tail).c_str());
        return result;
    };
    int rc = sqlite3_open_v2(temp.c_str(), &h.db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_busy_timeout(h.db, g_busyTimeoutMs.load());
        sqlite3_extended_result_codes(h.db, 1);
        rc = execAll(h.db, "PRAGMA synchronous = OFF");
    }
    std::string mode;
    if (rc == SQLITE_OK && (rc = queryOne(h.db, "PRAGMA journal_mode = WAL", &mode, nullptr)) == SQLITE_ROW)
        rc = mode == "wal" ? SQLITE_OK : SQLITE_CANTOPEN;
    if (rc == SQLITE_OK) rc = createSchema(h.db, h.machine);
    if (rc == SQLITE_OK) rc = prepareStatements(h);
    if (rc != SQLITE_OK) return discard(failure(h, rc, "making it"));
    LONG result = commitWrite(h, doing, body);
    if (result != ERROR_SUCCESS) return discard(result);
    // Every page into the file itself, and the connection closed: the
    // write-ahead log of the new file goes with it.
    int64_t busy = 1;
    rc = queryOne(h.db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, &busy);
    if (rc != SQLITE_ROW || busy != 0) return discard(failure(h, rc == SQLITE_ROW ? SQLITE_BUSY : rc, doing));
    finalizeStatements(h);
    rc = sqlite3_close(h.db);
    h.db = nullptr;
    if (rc != SQLITE_OK || fileExists(temp + "-wal"))
        return discard(fileFailure(h, EIO, std::string("the new hive file could not be finished; ") + doing + " failed"));

    fd = open(temp.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || fsync(fd) != 0) {
        const int e = errno;
        if (fd >= 0) close(fd);
        return discard(fileFailure(h, e, std::string("the new hive file could not be written; ") + doing + " failed"));
    }
    close(fd);
    if (renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, h.path.c_str(), RENAME_NOREPLACE) != 0) {
        int e = errno;
        if (e == EINVAL || e == ENOSYS || e == ENOTSUP) {
            // A file system without the exclusive rename: a link, which
            // never replaces a name either.
            e = link(temp.c_str(), h.path.c_str()) == 0 ? 0 : errno;
            unlink(temp.c_str());
        }
        if (e == EEXIST) {
            *raced = true;
            return discard(ERROR_SUCCESS);
        }
        if (e != 0)
            return discard(fileFailure(h, e, std::string("the hive file cannot be put in place; ") + doing + " failed"));
    }
    const int dfd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool synced = dfd >= 0 && (fsync(dfd) == 0 || errno == EINVAL);
    const int e = errno;
    if (dfd >= 0) close(dfd);
    // The hive is opened as its file at the next call.
    closeHive(h);
    if (!synced) return fileFailure(h, e, std::string("the hive's folder could not be synced; ") + doing + " failed");
    return ERROR_SUCCESS;
}

// Runs body inside one write transaction of the hive (making the hive
// file when there is none yet).
template <typename Body>
LONG writeTransaction(Hive& h, const char* doing, Body body) {
    if (h.unmade) {
        const int64_t classesId = h.classesId;
        bool raced = false;
        LONG result = makeHiveFile(h, doing, body, &raced);
        if (!raced) return result;
        // The other process's file: the keys that stood in for its roots
        // are its first keys, as in any hive file.
        result = openHive(registry(), h.machine ? kMachineHive : kUserHive);
        if (result != ERROR_SUCCESS) return result;
        if (h.unmade || h.classesId != classesId) {
            report(h, std::string("the hive file made by another process was not as expected; ") + doing + " failed");
            return ERROR_CANTWRITE;
        }
    }
    return commitWrite(h, doing, body);
}

// Inside a write transaction: follows the path from a key and creates the
// levels that are missing; *id is the last key, *created whether any was made.
LONG createPath(Hive& h, int64_t from, const std::vector<std::string>& parts, int64_t* id,
                bool* created, const char* doing) {
    size_t missing = 0;
    LONG w = walk(h, from, parts, id, &missing, doing);
    if (w != ERROR_SUCCESS) return w;
    for (size_t i = missing; i < parts.size(); ++i) {
        Statement s(h.sql[kInsertKey]);
        s.bind(1, *id);
        s.bind(2, parts[i]);
        s.bind(3, fold(parts[i]));
        int step = s.step();
        if (step != SQLITE_DONE) return failure(h, step, doing);
        *id = sqlite3_last_insert_rowid(h.db);
        *created = true;
    }
    return ERROR_SUCCESS;
}

LONG upsertValue(Hive& h, int64_t id, const std::string& name, DWORD type, const void* data,
                 DWORD size, const char* doing) {
    Statement s(h.sql[kUpsertValue]);
    s.bind(1, id);
    s.bind(2, name);
    s.bind(3, fold(name));
    s.bind(4, static_cast<int64_t>(type));
    s.bindBlob(5, data, size);
    int step = s.step();
    if (step != SQLITE_DONE) return failure(h, step, doing);
    return ERROR_SUCCESS;
}

LONG refuseReadOnly(Registry& r, Target& t, const char* doing) {
    if (!rootReadOnly(r, t.root)) return ERROR_SUCCESS;
    if (t.hive->standIn) {
        report(*t.hive, std::string("the hive file does not exist and its folder may not be written; ") +
                            doing + " was refused");
    } else if (t.hive->fileReadOnly) {
        report(*t.hive, std::string("the hive file may not be written; ") + doing + " was refused");
    }
    return ERROR_ACCESS_DENIED;
}

bool isProtected(const Hive& h, int64_t id) {
    for (int64_t p : h.protectedIds) {
        if (p == id) return true;
    }
    return false;
}

LONG deleteKeyAt(HKEY key, const std::string& subKey, bool tree) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    Target t;
    const auto parts = splitPath(subKey);
    const char* doing = tree ? "deleting a key tree" : "deleting a key";
    LONG rc = reach(r, key, doing, &t, &parts);
    if (rc != ERROR_SUCCESS) return rc;
    Hive& h = *t.hive;
    int64_t id = 0;
    size_t missing = 0;
    if ((rc = walk(h, t.id, parts, &id, &missing, doing)) != ERROR_SUCCESS) return rc;
    if (missing < parts.size()) return ERROR_FILE_NOT_FOUND;
    if (isProtected(h, id) || (isRoot(key) && parts.empty())) return ERROR_ACCESS_DENIED;
    if ((rc = refuseReadOnly(r, t, doing)) != ERROR_SUCCESS) return rc;
    return writeTransaction(h, doing, [&]() -> LONG {
        // Look again inside the transaction: another process may have
        // changed the tree since.
        int64_t target = 0;
        size_t miss = 0;
        LONG w = walk(h, t.id, parts, &target, &miss, doing);
        if (w != ERROR_SUCCESS) return w;
        if (miss < parts.size()) return ERROR_FILE_NOT_FOUND;
        if (tree) {
            {
                Statement s(h.sql[kTreeDeleteValues]);
                s.bind(1, target);
                int step = s.step();
                if (step != SQLITE_DONE) return failure(h, step, doing);
            }
            Statement s(h.sql[kTreeDeleteKeys]);
            s.bind(1, target);
            int step = s.step();
            if (step != SQLITE_DONE) return failure(h, step, doing);
            return ERROR_SUCCESS;
        }
        {
            Statement s(h.sql[kHasChildren]);
            s.bind(1, target);
            int step = s.step();
            if (step == SQLITE_ROW) return ERROR_ACCESS_DENIED;
            if (step != SQLITE_DONE) return failure(h, step, doing);
        }
        {
            Statement s(h.sql[kDeleteKeyValues]);
            s.bind(1, target);
            int step = s.step();
            if (step != SQLITE_DONE) return failure(h, step, doing);
        }
        Statement s(h.sql[kDeleteKey]);
        s.bind(1, target);
        int step = s.step();
        if (step != SQLITE_DONE) return failure(h, step, doing);
        return ERROR_SUCCESS;
    });
}

}  // namespace

LONG RegOpenKeyEx(HKEY key, const std::string& subKey, DWORD /*options*/, DWORD access,
                  HKEY* result) {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = 0;
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    Target t;
    const auto parts = splitPath(subKey);
    LONG rc = reach(r, key, "opening a key", &t, &parts);
    if (rc != ERROR_SUCCESS) return rc;
    int64_t id = 0;
    size_t missing = 0;
    if ((rc = walk(*t.hive, t.id, parts, &id, &missing, "opening a key")) != ERROR_SUCCESS) return rc;
    if (missing < parts.size()) return ERROR_FILE_NOT_FOUND;
    access = mapGeneric(access);
    if ((access & kWriteRights) && rootReadOnly(r, t.root)) return ERROR_ACCESS_DENIED;
    *result = newHandle(r, {t.root, id, access});
    return ERROR_SUCCESS;
}

LONG RegCreateKeyEx(HKEY key, const std::string& subKey, DWORD /*options*/, DWORD access,
                    HKEY* result, DWORD* disposition) {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = 0;
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    Target t;
    const auto parts = splitPath(subKey);
    const char* doing = "creating a key";
    LONG rc = reach(r, key, doing, &t, &parts);
    if (rc != ERROR_SUCCESS) return rc;
    Hive& h = *t.hive;
    access = mapGeneric(access);
    const bool readOnly = rootReadOnly(r, t.root);
    if ((access & kWriteRights) && readOnly) {
        return refuseReadOnly(r, t, doing);
    }
    int64_t id = 0;
    size_t missing = 0;
    if ((rc = walk(h, t.id, parts, &id, &missing, doing)) != ERROR_SUCCESS) return rc;
    bool created = false;
    if (missing < parts.size()) {
        if (readOnly) return refuseReadOnly(r, t, doing);
        if (!(t.access & KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;
        rc = writeTransaction(h, doing, [&]() -> LONG {
            created = false;  // (a write may be tried again, in another process's new file)
            if (keyAlive(h, t.id, doing) != ERROR_SUCCESS) return ERROR_KEY_DELETED;
            return createPath(h, t.id, parts, &id, &created, doing);
        });
        if (rc != ERROR_SUCCESS) return rc;
    }
    if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *result = newHandle(r, {t.root, id, access});
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
    if (isRoot(key)) return ERROR_SUCCESS;
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    return r.handles.erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

namespace {

// The value of an existing key, read through the cache, into the caller's
// buffer as RegQueryValueEx gives it.
LONG queryValueOf(Hive& h, int64_t keyId, const std::string& name, DWORD* type, void* data,
                  DWORD* size) {
    const std::string folded = fold(name);
    const std::string cacheName = cacheKey(keyId, folded);
    const CachedValue* value = nullptr;
    CachedValue read;
    if (h.cache.usable) {
        auto it = h.cache.values.find(cacheName);
        if (it != h.cache.values.end()) value = &it->second;
    }
    if (!value) {
        Statement s(h.sql[kFindValue]);
        s.bind(1, keyId);
        s.bind(2, folded);
        int step = s.step();
        if (step != SQLITE_ROW && step != SQLITE_DONE) return failure(h, step, "reading a value");
        if (step == SQLITE_ROW) {
            read.found = true;
            read.type = static_cast<DWORD>(s.integer(0));
            const DWORD bytes = s.bytes(1);
            if (bytes) read.data.assign(static_cast<const char*>(s.blob(1)), bytes);
        }
        value = &read;
        if (h.cache.usable && read.data.size() <= kCachedValueLimit)
            value = &(h.cache.values[cacheName] = std::move(read));
    }
    if (!value->found) return ERROR_FILE_NOT_FOUND;
    if (type) *type = value->type;
    const DWORD needed = static_cast<DWORD>(value->data.size());
    if (!data) {
        if (size) *size = needed;
        return ERROR_SUCCESS;
    }
    if (*size < needed) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    if (needed) std::memcpy(data, value->data.data(), needed);
    *size = needed;
    return ERROR_SUCCESS;
}

}  // namespace

LONG RegQueryValueEx(HKEY key, const std::string& name, DWORD* type, void* data, DWORD* size) {
    if (data && !size) return ERROR_INVALID_PARAMETER;
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    Target t;
    LONG rc = reach(r, key, "reading a value", &t, nullptr, KEY_QUERY_VALUE);
    if (rc != ERROR_SUCCESS) return rc;
    return queryValueOf(*t.hive, t.id, name, type, data, size);
}

LONG RegGetValue(HKEY key, const std::string& subKey, const std::string& name, DWORD* type,
                 void* data, DWORD* size) {
    if (data && !size) return ERROR_INVALID_PARAMETER;
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    Target t;
    const auto parts = splitPath(subKey);
    LONG rc = reach(r, key, "reading a value", &t, &parts);
    if (rc != ERROR_SUCCESS) return rc;
    Hive& h = *t.hive;
    int64_t id = 0;
    size_t missing = 0;
    if ((rc = walk(h, t.id, parts, &id, &missing, "reading a value")) != ERROR_SUCCESS) return rc;
    if (missing < parts.size()) return ERROR_FILE_NOT_FOUND;
    // The key below is opened for reading values, which any handle may do;
    // the key itself only when the handle may.
    if (parts.empty() && !(t.access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    return queryValueOf(h, id, name, type, data, size);
}

// Runs one change of a value of an open key in a write transaction: the
// key must be writable (its root too) and still exist.
template <class Change>
LONG changeValueOf(HKEY key, const char* doing, Change change) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    Target t;
    LONG rc = resolve(r, key, &t);
    if (rc != ERROR_SUCCESS) return rc;
    if ((rc = refuseReadOnly(r, t, doing)) != ERROR_SUCCESS) return rc;
    if (!(t.access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    Hive& h = *t.hive;
    if (t.id < 0) return ERROR_FILE_NOT_FOUND;
    return writeTransaction(h, doing, [&]() -> LONG {
        LONG alive = keyAlive(h, t.id, doing);
        if (alive != ERROR_SUCCESS) return alive;
        return change(h, t.id);
    });
}

LONG RegSetValueEx(HKEY key, const std::string& name, DWORD type, const void* data, DWORD size) {
    if (!data && size) return ERROR_INVALID_PARAMETER;
    if (name.size() > kMaxValueNameLength) return ERROR_INVALID_PARAMETER;
    const char* doing = "writing a value";
    return changeValueOf(key, doing, [&](Hive& h, int64_t id) -> LONG {
        return upsertValue(h, id, name, type, data, size, doing);
    });
}

LONG RegWriteBatch(HKEY key, const std::vector<RegistryWrite>& writes) {
    std::vector<std::vector<std::string>> paths;
    paths.reserve(writes.size());
    for (const RegistryWrite& w : writes) {
        if (w.hasValue && w.valueName.size() > kMaxValueNameLength) return ERROR_INVALID_PARAMETER;
        if (w.data.size() > 0xFFFFFFFFu) return ERROR_INVALID_PARAMETER;
        paths.push_back(splitPath(w.subKey));
        if (checkPath(paths.back()) != ERROR_SUCCESS) return ERROR_INVALID_PARAMETER;
    }
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    Target t;
    LONG rc = resolve(r, key, &t);
    if (rc != ERROR_SUCCESS) return rc;
    const char* doing = "writing keys and values";
    if ((rc = refuseReadOnly(r, t, doing)) != ERROR_SUCCESS) return rc;
    if ((t.access & (KEY_CREATE_SUB_KEY | KEY_SET_VALUE)) != (KEY_CREATE_SUB_KEY | KEY_SET_VALUE))
        return ERROR_ACCESS_DENIED;
    Hive& h = *t.hive;
    if ((rc = keyAlive(h, t.id, doing)) != ERROR_SUCCESS) return rc;
    if (writes.empty()) return ERROR_SUCCESS;
    return writeTransaction(h, doing, [&]() -> LONG {
        LONG alive = keyAlive(h, t.id, doing);
        if (alive != ERROR_SUCCESS) return alive;
        for (size_t i = 0; i < writes.size(); ++i) {
            int64_t id = 0;
            bool created = false;
            LONG w = createPath(h, t.id, paths[i], &id, &created, doing);
            if (w != ERROR_SUCCESS) return w;
            if (!writes[i].hasValue) continue;
            w = upsertValue(h, id, writes[i].valueName, writes[i].type, writes[i].data.data(),
                            static_cast<DWORD>(writes[i].data.size()), doing);
            if (w != ERROR_SUCCESS) return w;
        }
        return ERROR_SUCCESS;
    });
}

LONG RegDeleteKey(HKEY key, const std::string& subKey) { return deleteKeyAt(key, subKey, false); }

LONG RegDeleteTree(HKEY key, const std::string& subKey) { return deleteKeyAt(key, subKey, true); }

LONG RegDeleteValue(HKEY key, const std::string& name) {
    const char* doing = "deleting a value";
    return changeValueOf(key, doing, [&](Hive& h, int64_t id) -> LONG {
        Statement s(h.sql[kDeleteValue]);
        s.bind(1, id);
        s.bind(2, fold(name));
        int step = s.step();
        if (step != SQLITE_DONE) return failure(h, step, doing);
        return sqlite3_changes(h.db) > 0 ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
}

LONG RegEnumKey(HKEY key, DWORD index, char* name, DWORD nameSize) {
    if (!name) return ERROR_INVALID_PARAMETER;
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    Target t;
    LONG rc = reach(r, key, "listing sub-keys", &t, nullptr, KEY_ENUMERATE_SUB_KEYS);
    if (rc != ERROR_SUCCESS) return rc;
    Hive& h = *t.hive;
    Statement s(h.sql[kEnumKey]);
    s.bind(1, t.id);
    s.bind(2, static_cast<int64_t>(index));
    int step = s.step();
    if (step == SQLITE_DONE) return ERROR_NO_MORE_ITEMS;
    if (step != SQLITE_ROW) return failure(h, step, "listing sub-keys");
    std::string found = s.text(0);
    if (found.size() + 1 > nameSize) return ERROR_MORE_DATA;
    std::memcpy(name, found.c_str(), found.size() + 1);
    return ERROR_SUCCESS;
}

LONG RegEnumValue(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD* type, void* data,
                  DWORD* dataSize) {
    if (!name || !nameSize || (data && !dataSize)) return ERROR_INVALID_PARAMETER;
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    Target t;
    LONG rc = reach(r, key, "listing values", &t, nullptr, KEY_QUERY_VALUE);
    if (rc != ERROR_SUCCESS) return rc;
    Hive& h = *t.hive;
    Statement s(h.sql[kEnumValue]);
    s.bind(1, t.id);
    s.bind(2, static_cast<int64_t>(index));
    int step = s.step();
    if (step == SQLITE_DONE) return ERROR_NO_MORE_ITEMS;
    if (step != SQLITE_ROW) return failure(h, step, "listing values");
    std::string found = s.text(0);
    if (found.size() + 1 > *nameSize) {
        *nameSize = static_cast<DWORD>(found.size());
        return ERROR_MORE_DATA;
    }
    std::memcpy(name, found.c_str(), found.size() + 1);
    *nameSize = static_cast<DWORD>(found.size());
    if (type) *type = static_cast<DWORD>(s.integer(1));
    const DWORD needed = s.bytes(2);
    if (!data) {
        if (dataSize) *dataSize = needed;
        return ERROR_SUCCESS;
    }
    if (*dataSize < needed) {
        *dataSize = needed;
        return ERROR_MORE_DATA;
    }
    if (needed) std::memcpy(data, s.blob(2), needed);
    *dataSize = needed;
    return ERROR_SUCCESS;
}

LONG RegQueryInfoKey(HKEY key, DWORD* subKeys, DWORD* maxSubKeyLength, DWORD* values,
                     DWORD* maxValueNameLength, DWORD* maxValueLength) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    Target t;
    LONG rc = reach(r, key, "reading a key's figures", &t, nullptr, KEY_QUERY_VALUE);
    if (rc != ERROR_SUCCESS) return rc;
    Hive& h = *t.hive;
    {
        Statement s(h.sql[kInfoKeys]);
        s.bind(1, t.id);
        int step = s.step();
        if (step != SQLITE_ROW) return failure(h, step, "reading a key's figures");
        if (subKeys) *subKeys = static_cast<DWORD>(s.integer(0));
        if (maxSubKeyLength) *maxSubKeyLength = static_cast<DWORD>(s.integer(1));
    }
    Statement s(h.sql[kInfoValues]);
    s.bind(1, t.id);
    int step = s.step();
    if (step != SQLITE_ROW) return failure(h, step, "reading a key's figures");
    if (values) *values = static_cast<DWORD>(s.integer(0));
    if (maxValueNameLength) *maxValueNameLength = static_cast<DWORD>(s.integer(1));
    if (maxValueLength) *maxValueLength = static_cast<DWORD>(s.integer(2));
    return ERROR_SUCCESS;
}

void setRegistryFolder(const std::string& folder) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    for (Hive& h : r.hives) {
        if (h.db && h.pid != getpid()) {
            abandonInherited(h);
        } else {
            closeHive(h);
        }
        h.lastMessage.clear();
    }
    r.handles.clear();
    r.folder.clear();
    if (!folder.empty()) {
        // Kept absolute, so that a later change of the current folder moves nothing.
        std::error_code ec;
        std::filesystem::path absolute = std::filesystem::absolute(folder, ec);
        r.folder = ec ? folder : absolute.lexically_normal().string();
        while (r.folder.size() > 1 && r.folder.back() == '/') r.folder.pop_back();
    }
}

void setRegistryReadCache(bool on) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.readCache = on;
}

void setRegistryBusyTimeout(int milliseconds) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    g_busyTimeoutMs = milliseconds;
    for (Hive& h : r.hives)
        if (h.db && h.pid == getpid()) sqlite3_busy_timeout(h.db, milliseconds);
}

void setRegistryRootReadOnly(HKEY root, bool readOnly) {
    if (!isRoot(root)) return;
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.readOnlyFlag[root - HKEY_CLASSES_ROOT] = readOnly;
}

std::string registryHivePath(HKEY root) {
    if (!isRoot(root)) return "";
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    return hivePathFor(r, hiveOf(root));
}

}  // namespace platform
