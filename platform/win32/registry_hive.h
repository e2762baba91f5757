// The registry's inside, shared by its files: the hives (SQLite files with
// one tree each), their connections and read caches, the open handles, and
// the steps every call is made of. Not for use outside the registry.
//
// A hive holds one tree: the table keys (id, parent, name, fold) with the
// root as id 1, and the table vals (id, key, name, fold, type, data). fold
// is the name in lower case, so that lookups ignore case while names keep
// theirs; ids grow, so ordering by id is creation order. Each process keeps
// one connection per hive (opened again after a fork), every write runs in
// BEGIN IMMEDIATE under a busy timeout and goes to the file at once.
//
// Everything here runs under Registry::mutex.
#pragma once

#include <sqlite3.h>
#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/win32/registry.h"

namespace platform::registry_detail {

// How long a call waits for another process's write lock; tests shorten it.
extern std::atomic<int> g_busyTimeoutMs;
inline constexpr int32_t kApplicationId = 0x4B524547;  // "KREG"
inline constexpr size_t kMaxKeyNameLength = 255;
inline constexpr size_t kMaxValueNameLength = 16383;

inline constexpr DWORD WRITE_DAC = 0x00040000;
inline constexpr DWORD WRITE_OWNER = 0x00080000;
inline constexpr DWORD kWriteRights =
    KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | KEY_DELETE | WRITE_DAC | WRITE_OWNER;

// The user's hive, the machine hive, and the user's overlay of the machine
// hive (its writes where the machine hive may not be written).
enum HiveIndex { kUserHive = 0, kMachineHive = 1, kOverlayHive = 2, kHiveCount = 3 };

// The prepared statements of a hive's connection (registry_sql.cpp).
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
  kAllChildren,
  kAllValues,
  kSqlCount
};

// HKEY_CLASSES_ROOT is this key of the machine hive (and of its overlay).
inline constexpr const char* kClassesPath[] = {"SOFTWARE", "Classes"};

// The cache of one hive holds at most this many entries of each kind (a
// fuller one starts again empty), and no value longer than this.
inline constexpr size_t kCacheLimit = 4096;
inline constexpr size_t kCachedValueLimit = 64 * 1024;

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

struct Hive {
  const char* label = "";
  int index = 0;
  std::string path;
  sqlite3* db = nullptr;
  pid_t pid = 0;
  bool fileReadOnly = false;          // the user may not write the file (or it is missing and cannot be made)
  bool standIn = false;               // a missing file that cannot be made: read as the empty tree
  bool unmade = false;                // a missing file that the first write will make
  bool absent = false;                // no file and no connection: reads answer from the empty tree
  bool machine = false;               // holds HKEY_CLASSES_ROOT's key (the machine hive and its overlay)
  int64_t classesId = 0;              // HKEY_CLASSES_ROOT's key; -1 when absent
  std::vector<int64_t> protectedIds;  // keys that stand for roots
  bool closePending = false;          // the connection failed; closed before the next use
  bool quietBusy = false;             // opening: a busy hive is tried again without a message
  bool wasBusy = false;
  sqlite3_stmt* sql[kSqlCount] = {};  // prepared at their first use
  std::string lastMessage;
  ReadCache cache;
};

// An open key. On a machine root with the overlay in use it names the key
// in both hives (-1 where one lacks it) and keeps its path below the root,
// so that the overlay can make it at the first write.
struct OpenKey {
  HKEY root = 0;
  int64_t id = 0;
  DWORD access = 0;
  int64_t overlayId = -1;
  std::vector<std::string> path;
};

struct Registry {
  std::mutex mutex;
  Hive hives[kHiveCount];
  std::string folder;                            // both hives' folder, when given
  std::string machineFolder;                     // the machine hive's folder (the editor's), when given
  bool readOnlyFlag[3] = {false, false, false};  // HKCR, HKCU, HKLM
  bool readCache = true;
  bool overlayActive = false;  // what overlayInUse found last
  std::unordered_map<HKEY, OpenKey> handles;
  HKEY nextHandle = 1;

  Registry();
};

Registry& registry();

// What a handle names: the hive, the key and the rights it was opened with;
// with the overlay in use also the key in the overlay (overlay is null
// otherwise).
struct Target {
  Hive* hive = nullptr;
  HKEY root = 0;
  int64_t id = 0;
  DWORD access = 0;
  Hive* overlay = nullptr;
  int64_t overlayId = -1;
  std::vector<std::string> path;
};

// The statement of the hive's connection, prepared at its first use (a
// start that reads a few values prepares only the few it needs); null when
// it cannot be prepared, with *rc the reason.
sqlite3_stmt* preparedStatement(Hive& h, Sql which, int* rc);

// The tree of a hive whose file does not exist: the root key (id 1) and,
// in a machine hive, SOFTWARE\Classes below it, with the ids that
// createSchema gives them in a new file. A missing hive is read from it
// without any connection (nothing is built for a hive that is only read);
// its first write makes the file.
struct EmptyTreeKey {
  int64_t id, parent;
  const char* name;
  const char* folded;
};
const std::vector<EmptyTreeKey>& emptyTree(bool machine);
// One field of a row that a statement finds in the empty tree.
struct EmptyTreeField {
  int64_t number = 0;
  std::string text;
};
using EmptyTreeRows = std::vector<std::vector<EmptyTreeField>>;
// What a statement finds in the empty tree, by its bound key id (first),
// folded name and offset; SQLITE_READONLY for a statement that would
// change the tree.
int emptyTreeRows(bool machine, Sql which, int64_t id, const std::string& folded, int64_t offset, EmptyTreeRows* rows);

// One of the hive's statements for one step or a few; reset when it goes
// out of use, so that no read snapshot stays open between calls. A
// statement that could not be prepared steps to the reason. On an absent
// hive it steps through what the empty tree holds.
class Statement {
 public:
  Statement(Hive& h, Sql which)
      : which_(which), machine_(h.machine), absent_(h.absent), s_(absent_ ? nullptr : preparedStatement(h, which, &rc_)) {}
  ~Statement() {
    if (!s_) return;
    sqlite3_reset(s_);
    sqlite3_clear_bindings(s_);
  }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  void bind(int i, int64_t v) {
    if (s_) sqlite3_bind_int64(s_, i, v);
    if (i == 1) id_ = v;
    if (i == 2) offset_ = v;
  }
  void bind(int i, const std::string& v) {
    if (s_) sqlite3_bind_text(s_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    if (absent_ && i == 2) folded_ = v;
  }
  void bindBlob(int i, const void* data, DWORD size) {
    if (!s_) return;
    if (size == 0) {
      sqlite3_bind_zeroblob(s_, i, 0);
    } else {
      sqlite3_bind_blob64(s_, i, data, size, SQLITE_TRANSIENT);
    }
  }
  int step() {
    if (!absent_) return s_ ? sqlite3_step(s_) : rc_;
    if (!ran_) {
      rc_ = emptyTreeRows(machine_, which_, id_, folded_, offset_, &rows_);
      ran_ = true;
    }
    if (rc_ != SQLITE_OK) return rc_;
    return ++row_ < rows_.size() ? SQLITE_ROW : SQLITE_DONE;
  }
  int64_t integer(int col) const { return absent_ ? field(col).number : sqlite3_column_int64(s_, col); }
  std::string text(int col) const {
    if (absent_) return field(col).text;
    const unsigned char* t = sqlite3_column_text(s_, col);
    return t ? std::string(reinterpret_cast<const char*>(t), static_cast<size_t>(sqlite3_column_bytes(s_, col)))
             : std::string();
  }
  const void* blob(int col) const { return absent_ ? field(col).text.data() : sqlite3_column_blob(s_, col); }
  DWORD bytes(int col) const {
    return static_cast<DWORD>(absent_ ? field(col).text.size() : sqlite3_column_bytes(s_, col));
  }

 private:
  const EmptyTreeField& field(int col) const { return rows_[row_][static_cast<size_t>(col)]; }

  Sql which_;
  bool machine_;
  bool absent_;
  int rc_ = SQLITE_OK;
  sqlite3_stmt* s_;
  // An absent hive's statement: what it was bound to and the rows found.
  int64_t id_ = 0, offset_ = 0;
  std::string folded_;
  bool ran_ = false;
  EmptyTreeRows rows_;
  size_t row_ = static_cast<size_t>(-1);
};

// ---- names and paths
bool isRoot(HKEY key);
int hiveOf(HKEY root);
std::string fold(const std::string& name);
std::vector<std::string> splitPath(const std::string& path);
std::string parentFolder(const std::string& path);
bool fileExists(const std::string& path);
std::string hivePathFor(const Registry& r, int hive);

// ---- statements and schema (registry_sql.cpp)
int execAll(sqlite3* db, const char* sql);
// A single row of a one-off query; SQLITE_ROW when there is one.
int queryOne(sqlite3* db, const char* sql, std::string* text, int64_t* number);
// What the file holds, seen in one snapshot: nothing yet, a hive, or the
// tables of something else.
enum class Contents { Empty, Hive, Foreign };
Contents contentsOf(sqlite3* db, int* rc);
int64_t findChildRaw(sqlite3* db, int64_t parent, const char* name);
// Creates the tables (and, in a machine hive, the classes key) when the
// file has none yet.
int createSchema(sqlite3* db, bool machine);
void finalizeStatements(Hive& h);
// Inside a write transaction: follows the path from a key and creates the
// levels that are missing; *id is the last key, *created whether any was made.
LONG createPath(Hive& h, int64_t from, const std::vector<std::string>& parts, int64_t* id, bool* created,
                const char* doing);
LONG upsertValue(Hive& h, int64_t id, const std::string& name, DWORD type, const void* data, DWORD size,
                 const char* doing);

// ---- the hive's life cycle (registry_hive.cpp)
// Says what went wrong on standard error (once for a repeated message).
void report(Hive& h, const std::string& what, int rc = SQLITE_OK);
// Maps a SQLite failure to a registry result and says what went wrong; a
// connection that cannot go on is closed before its next use.
LONG failure(Hive& h, int rc, const char* doing);
void closeHive(Hive& h);
// Forgets a connection inherited from a parent process without closing it.
void abandonInherited(Hive& h);
// Lets the hive's connection go: this process's own is closed, one
// inherited from a parent is forgotten.
void letGo(Hive& h);
// Opens the hive's connection when this process has none.
LONG openHive(Registry& r, int index);
bool rootReadOnly(Registry& r, HKEY root);
// Whether the user's overlay stands before the machine hive (the machine
// hive open and not the user's to write, the hives in their default
// places): then its keys are read first and the machine roots' writes go
// to it. Opens the overlay; false when it cannot be opened.
bool overlayInUse(Registry& r);

// ---- the read cache (registry_cache.cpp)
std::string cacheKey(int64_t id, const std::string& folded);
// Makes the hive's read cache fit for this call.
LONG checkCache(Registry& r, Hive& h);
// ERROR_SUCCESS when the key still exists, ERROR_KEY_DELETED when not.
LONG keyAlive(Hive& h, int64_t id, const char* doing);
// Follows the path from a key; *found is the last key reached and *missing
// the index of the first part not found (parts.size() when all were).
LONG walk(Hive& h, int64_t from, const std::vector<std::string>& parts, int64_t* found, size_t* missing,
          const char* doing);
// The value of an existing key into the caller's buffer, as
// RegQueryValueEx gives it; ERROR_FILE_NOT_FOUND when it has none so named.
LONG queryValueOf(Hive& h, int64_t keyId, const std::string& name, DWORD* type, void* data, DWORD* size);

// ---- writes and the first write (registry_write.cpp)
using WriteBody = std::function<LONG()>;
// Runs body inside one write transaction of the hive (making the hive file
// when there is none yet); anything but success rolls back.
LONG writeTransaction(Hive& h, const char* doing, const WriteBody& body);
// Removes the new hive files that a maker killed halfway left beside the hive.
void removeAbandonedNewFiles(const std::string& hivePath);

}  // namespace platform::registry_detail
