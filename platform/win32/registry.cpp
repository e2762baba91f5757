// The registry's calls: each resolves its handle, walks the path below it
// and reads through the hive's cache or writes in one transaction (the
// hives themselves, their cache and their first write are in
// registry_hive.cpp, registry_cache.cpp and registry_write.cpp).
#include "platform/win32/registry.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <mutex>
#include <set>

#include "platform/win32/registry_hive.h"

namespace platform {

using namespace registry_detail;

namespace {

constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD GENERIC_WRITE = 0x40000000;
constexpr DWORD GENERIC_EXECUTE = 0x20000000;
constexpr DWORD GENERIC_ALL = 0x10000000;
constexpr DWORD MAXIMUM_ALLOWED = 0x02000000;

DWORD mapGeneric(DWORD access) {
  DWORD out = access & ~(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL | MAXIMUM_ALLOWED);
  if (access & (GENERIC_READ | GENERIC_EXECUTE)) out |= KEY_READ;
  if (access & GENERIC_WRITE) out |= KEY_WRITE;
  if (access & (GENERIC_ALL | MAXIMUM_ALLOWED)) out |= KEY_ALL_ACCESS;
  return out;
}

// The overlay's key that stands for the target's root.
int64_t overlayRoot(const Target& t) { return t.root == HKEY_CLASSES_ROOT ? t.overlay->classesId : 1; }

// What a handle names.
LONG resolve(Registry& r, HKEY key, Target* t) {
  OpenKey open{};
  if (isRoot(key)) {
    open = OpenKey{key, 0, KEY_ALL_ACCESS, -1, {}};
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
  t->id = isRoot(key) ? (key == HKEY_CLASSES_ROOT ? h.classesId : 1) : open.id;
  t->path = open.path;
  if (&h == &r.hives[kMachineHive] && overlayInUse(r)) {
    // The same key in the user's overlay, by its path.
    Hive& o = r.hives[kOverlayHive];
    if ((rc = checkCache(r, o)) != ERROR_SUCCESS) return rc;
    t->overlay = &o;
    const int64_t from = overlayRoot(*t);
    size_t missing = 0;
    int64_t found = -1;
    if (from >= 0 && (rc = walk(o, from, t->path, &found, &missing, "opening a key")) != ERROR_SUCCESS) return rc;
    t->overlayId = from >= 0 && missing == t->path.size() ? found : -1;
  }
  if (isRoot(key) && rootReadOnly(r, key)) t->access &= ~kWriteRights;
  return ERROR_SUCCESS;
}

LONG checkPath(const std::vector<std::string>& parts) {
  for (const auto& p : parts) {
    if (p.size() > kMaxKeyNameLength) return ERROR_INVALID_PARAMETER;
  }
  return ERROR_SUCCESS;
}

// What every call on a key does first (under the registry's lock): the
// handle resolved, a path below it checked (when the call takes one), the
// rights it needs held, and its key still there.
LONG reach(Registry& r, HKEY key, const char* doing, Target* t, const std::vector<std::string>* path = nullptr,
           DWORD rights = 0) {
  LONG rc = resolve(r, key, t);
  if (rc != ERROR_SUCCESS) return rc;
  if (path && (rc = checkPath(*path)) != ERROR_SUCCESS) return rc;
  if ((t->access & rights) != rights) return ERROR_ACCESS_DENIED;
  if (t->overlayId >= 0) return ERROR_SUCCESS;
  return keyAlive(*t->hive, t->id, doing);
}

// Follows the path below the target in both hives: *id (-1 when the
// machine hive lacks it) and *overlayId (-1 when the overlay lacks it or is
// not in use); ERROR_FILE_NOT_FOUND when neither has it.
LONG walkBoth(Target& t, const std::vector<std::string>& parts, int64_t* id, int64_t* overlayId, const char* doing) {
  *id = *overlayId = -1;
  size_t missing = 0;
  int64_t found = 0;
  if (t.id >= 0) {
    LONG rc = walk(*t.hive, t.id, parts, &found, &missing, doing);
    if (rc != ERROR_SUCCESS) return rc;
    if (missing == parts.size()) *id = found;
  }
  if (t.overlayId >= 0) {
    LONG rc = walk(*t.overlay, t.overlayId, parts, &found, &missing, doing);
    if (rc != ERROR_SUCCESS) return rc;
    if (missing == parts.size()) *overlayId = found;
  }
  return *id < 0 && *overlayId < 0 ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS;
}

std::vector<std::string> below(const std::vector<std::string>& path, const std::vector<std::string>& parts) {
  std::vector<std::string> out = path;
  out.insert(out.end(), parts.begin(), parts.end());
  return out;
}

// Runs body on the key the target names, in one write transaction: in its
// own hive (the key still there), or with the overlay in use in the
// overlay, whose key is made first when it has none yet.
LONG writeTarget(Target& t, const char* doing, const std::function<LONG(Hive&, int64_t)>& body) {
  if (!t.overlay) {
    Hive& h = *t.hive;
    if (t.id < 0) return ERROR_FILE_NOT_FOUND;
    return writeTransaction(h, doing, [&]() -> LONG {
      LONG alive = keyAlive(h, t.id, doing);
      if (alive != ERROR_SUCCESS) return alive;
      return body(h, t.id);
    });
  }
  Hive& o = *t.overlay;
  return writeTransaction(o, doing, [&]() -> LONG {
    const int64_t from = overlayRoot(t);
    if (from < 0) return ERROR_FILE_NOT_FOUND;
    int64_t id = 0;
    bool created = false;
    LONG made = createPath(o, from, t.path, &id, &created, doing);
    if (made != ERROR_SUCCESS) return made;
    return body(o, id);
  });
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

LONG refuseReadOnly(Registry& r, Target& t, const char* doing) {
  if (!rootReadOnly(r, t.root)) return ERROR_SUCCESS;
  Hive& h = t.overlay ? *t.overlay : *t.hive;
  if (h.standIn) {
    report(h, std::string("the hive file does not exist and its folder may not be written; ") + doing + " was refused");
  } else if (h.fileReadOnly) {
    report(h, std::string("the hive file may not be written; ") + doing + " was refused");
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
  int64_t id = 0, overlayId = 0;
  if ((rc = walkBoth(t, parts, &id, &overlayId, doing)) != ERROR_SUCCESS) return rc;
  // With the overlay in use only the overlay's keys go; the machine's
  // stay as they are, and so does the key that the machine hive has too.
  if (t.overlay && id >= 0) return ERROR_ACCESS_DENIED;
  Hive& h = t.overlay ? *t.overlay : *t.hive;
  const int64_t base = t.overlay ? t.overlayId : t.id;
  if (t.overlay) id = overlayId;
  if (isProtected(h, id) || (isRoot(key) && parts.empty())) return ERROR_ACCESS_DENIED;
  if ((rc = refuseReadOnly(r, t, doing)) != ERROR_SUCCESS) return rc;
  return writeTransaction(h, doing, [&]() -> LONG {
    // Look again inside the transaction: another process may have
    // changed the tree since.
    int64_t target = 0;
    size_t miss = 0;
    LONG w = walk(h, base, parts, &target, &miss, doing);
    if (w != ERROR_SUCCESS) return w;
    if (miss < parts.size()) return ERROR_FILE_NOT_FOUND;
    if (tree) {
      {
        Statement s(h, kTreeDeleteValues);
        s.bind(1, target);
        int step = s.step();
        if (step != SQLITE_DONE) return failure(h, step, doing);
      }
      Statement s(h, kTreeDeleteKeys);
      s.bind(1, target);
      int step = s.step();
      if (step != SQLITE_DONE) return failure(h, step, doing);
      return ERROR_SUCCESS;
    }
    {
      Statement s(h, kHasChildren);
      s.bind(1, target);
      int step = s.step();
      if (step == SQLITE_ROW) return ERROR_ACCESS_DENIED;
      if (step != SQLITE_DONE) return failure(h, step, doing);
    }
    {
      Statement s(h, kDeleteKeyValues);
      s.bind(1, target);
      int step = s.step();
      if (step != SQLITE_DONE) return failure(h, step, doing);
    }
    Statement s(h, kDeleteKey);
    s.bind(1, target);
    int step = s.step();
    if (step != SQLITE_DONE) return failure(h, step, doing);
    return ERROR_SUCCESS;
  });
}

}  // namespace

LONG RegOpenKeyEx(HKEY key, const std::string& subKey, DWORD /*options*/, DWORD access, HKEY* result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = 0;
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  Target t;
  const auto parts = splitPath(subKey);
  LONG rc = reach(r, key, "opening a key", &t, &parts);
  if (rc != ERROR_SUCCESS) return rc;
  int64_t id = 0, overlayId = 0;
  if ((rc = walkBoth(t, parts, &id, &overlayId, "opening a key")) != ERROR_SUCCESS) return rc;
  access = mapGeneric(access);
  if ((access & kWriteRights) && rootReadOnly(r, t.root)) return ERROR_ACCESS_DENIED;
  *result = newHandle(r, OpenKey{t.root, id, access, -1, below(t.path, parts)});
  return ERROR_SUCCESS;
}

LONG RegCreateKeyEx(HKEY key, const std::string& subKey, DWORD /*options*/, DWORD access, HKEY* result,
                    DWORD* disposition) {
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
  int64_t id = 0, overlayId = 0;
  rc = walkBoth(t, parts, &id, &overlayId, doing);
  if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) return rc;
  bool created = false;
  if (rc == ERROR_FILE_NOT_FOUND) {
    if (readOnly) return refuseReadOnly(r, t, doing);
    if (!(t.access & KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;
    rc = writeTarget(t, doing, [&](Hive& into, int64_t from) -> LONG {
      created = false;  // (a write may be tried again, in another process's new file)
      int64_t made = 0;
      const LONG w = createPath(into, from, parts, &made, &created, doing);
      if (!t.overlay) id = made;
      return w;
    });
    if (rc == ERROR_KEY_DELETED || (rc == ERROR_FILE_NOT_FOUND && !t.overlay)) return ERROR_KEY_DELETED;
    if (rc != ERROR_SUCCESS) return rc;
  }
  (void)h;
  if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  *result = newHandle(r, OpenKey{t.root, id, access, -1, below(t.path, parts)});
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
  if (isRoot(key)) return ERROR_SUCCESS;
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  return r.handles.erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

namespace {

// A value of the key, from the overlay when it has one so named, else from
// the machine hive.
LONG queryBoth(Target& t, int64_t id, int64_t overlayId, const std::string& name, DWORD* type, void* data,
               DWORD* size) {
  if (overlayId >= 0) {
    const LONG rc = queryValueOf(*t.overlay, overlayId, name, type, data, size);
    if (rc != ERROR_FILE_NOT_FOUND || id < 0) return rc;
  }
  return queryValueOf(*t.hive, id, name, type, data, size);
}

}  // namespace

LONG RegQueryValueEx(HKEY key, const std::string& name, DWORD* type, void* data, DWORD* size) {
  if (data && !size) return ERROR_INVALID_PARAMETER;
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  Target t;
  LONG rc = reach(r, key, "reading a value", &t, nullptr, KEY_QUERY_VALUE);
  if (rc != ERROR_SUCCESS) return rc;
  return queryBoth(t, t.id, t.overlayId, name, type, data, size);
}

LONG RegGetValue(HKEY key, const std::string& subKey, const std::string& name, DWORD* type, void* data, DWORD* size) {
  if (data && !size) return ERROR_INVALID_PARAMETER;
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  Target t;
  const auto parts = splitPath(subKey);
  LONG rc = reach(r, key, "reading a value", &t, &parts);
  if (rc != ERROR_SUCCESS) return rc;
  int64_t id = 0, overlayId = 0;
  if ((rc = walkBoth(t, parts, &id, &overlayId, "reading a value")) != ERROR_SUCCESS) return rc;
  // The key below is opened for reading values, which any handle may do;
  // the key itself only when the handle may.
  if (parts.empty() && !(t.access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
  return queryBoth(t, id, overlayId, name, type, data, size);
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
  if (t.overlay && t.id < 0 && t.overlayId < 0) return ERROR_KEY_DELETED;
  return writeTarget(t, doing, [&](Hive& h, int64_t id) { return change(t, h, id); });
}

LONG RegSetValueEx(HKEY key, const std::string& name, DWORD type, const void* data, DWORD size) {
  if (!data && size) return ERROR_INVALID_PARAMETER;
  if (name.size() > kMaxValueNameLength) return ERROR_INVALID_PARAMETER;
  const char* doing = "writing a value";
  return changeValueOf(key, doing, [&](Target&, Hive& h, int64_t id) -> LONG {
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
  if (t.overlayId < 0 && (rc = keyAlive(*t.hive, t.id, doing)) != ERROR_SUCCESS) return rc;
  if (writes.empty()) return ERROR_SUCCESS;
  return writeTarget(t, doing, [&](Hive& h, int64_t base) -> LONG {
    for (size_t i = 0; i < writes.size(); ++i) {
      int64_t id = 0;
      bool created = false;
      LONG w = createPath(h, base, paths[i], &id, &created, doing);
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
  return changeValueOf(key, doing, [&](Target& t, Hive& h, int64_t id) -> LONG {
    Statement s(h, kDeleteValue);
    s.bind(1, id);
    s.bind(2, fold(name));
    int step = s.step();
    if (step != SQLITE_DONE) return failure(h, step, doing);
    if (sqlite3_changes(h.db) > 0) return ERROR_SUCCESS;
    // The machine's own value stays: the overlay cannot take it away.
    if (t.overlay && t.id >= 0 && queryValueOf(*t.hive, t.id, name, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
      return ERROR_ACCESS_DENIED;
    return ERROR_FILE_NOT_FOUND;
  });
}
namespace {

// One entry of a key's sub-keys or values.
struct Entry {
  std::string name;
  DWORD type = REG_NONE;
  std::string data;
};

// Every entry of a key (its sub-keys or its values) in creation order,
// after those already in *out and leaving out the names already there.
LONG listInto(Hive& h, int64_t id, bool values, const char* doing, std::vector<Entry>* out,
              std::set<std::string>* names) {
  if (id < 0) return ERROR_SUCCESS;
  Statement s(h, values ? kAllValues : kAllChildren);
  s.bind(1, id);
  int step;
  while ((step = s.step()) == SQLITE_ROW) {
    if (!names->insert(s.text(1)).second) continue;
    Entry e;
    e.name = s.text(0);
    if (values) {
      e.type = static_cast<DWORD>(s.integer(2));
      if (const DWORD bytes = s.bytes(3)) e.data.assign(static_cast<const char*>(s.blob(3)), bytes);
    }
    out->push_back(std::move(e));
  }
  return step == SQLITE_DONE ? ERROR_SUCCESS : failure(h, step, doing);
}

// The entries of a key in both hives: the overlay's first, then those of
// the machine hive that the overlay does not have.
LONG listBoth(Target& t, bool values, const char* doing, std::vector<Entry>* out) {
  std::set<std::string> names;
  LONG rc = t.overlay ? listInto(*t.overlay, t.overlayId, values, doing, out, &names) : ERROR_SUCCESS;
  if (rc == ERROR_SUCCESS) rc = listInto(*t.hive, t.id, values, doing, out, &names);
  return rc;
}

// The opening steps of both enumerations: the handle resolved with the
// rights that the listing needs, and the entry at index (creation order)
// read; ERROR_NO_MORE_ITEMS past the last.
LONG entryAt(HKEY key, DWORD index, bool values, Entry* out) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  const char* doing = values ? "listing values" : "listing sub-keys";
  Target t;
  LONG rc = reach(r, key, doing, &t, nullptr, values ? KEY_QUERY_VALUE : KEY_ENUMERATE_SUB_KEYS);
  if (rc != ERROR_SUCCESS) return rc;
  if (t.overlay) {
    std::vector<Entry> all;
    if ((rc = listBoth(t, values, doing, &all)) != ERROR_SUCCESS) return rc;
    if (index >= all.size()) return ERROR_NO_MORE_ITEMS;
    *out = std::move(all[index]);
    return ERROR_SUCCESS;
  }
  Hive& h = *t.hive;
  Statement s(h, values ? kEnumValue : kEnumKey);
  s.bind(1, t.id);
  s.bind(2, static_cast<int64_t>(index));
  const int step = s.step();
  if (step == SQLITE_DONE) return ERROR_NO_MORE_ITEMS;
  if (step != SQLITE_ROW) return failure(h, step, doing);
  out->name = s.text(0);
  if (values) {
    out->type = static_cast<DWORD>(s.integer(1));
    if (const DWORD bytes = s.bytes(2)) out->data.assign(static_cast<const char*>(s.blob(2)), bytes);
  }
  return ERROR_SUCCESS;
}

}  // namespace

LONG RegEnumKey(HKEY key, DWORD index, char* name, DWORD nameSize) {
  if (!name) return ERROR_INVALID_PARAMETER;
  Entry e;
  const LONG rc = entryAt(key, index, false, &e);
  if (rc != ERROR_SUCCESS) return rc;
  if (e.name.size() + 1 > nameSize) return ERROR_MORE_DATA;
  std::memcpy(name, e.name.c_str(), e.name.size() + 1);
  return ERROR_SUCCESS;
}

LONG RegEnumValue(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD* type, void* data, DWORD* dataSize) {
  if (!name || !nameSize || (data && !dataSize)) return ERROR_INVALID_PARAMETER;
  Entry e;
  const LONG rc = entryAt(key, index, true, &e);
  if (rc != ERROR_SUCCESS) return rc;
  if (e.name.size() + 1 > *nameSize) {
    *nameSize = static_cast<DWORD>(e.name.size());
    return ERROR_MORE_DATA;
  }
  std::memcpy(name, e.name.c_str(), e.name.size() + 1);
  *nameSize = static_cast<DWORD>(e.name.size());
  if (type) *type = e.type;
  const DWORD needed = static_cast<DWORD>(e.data.size());
  if (!data) {
    if (dataSize) *dataSize = needed;
    return ERROR_SUCCESS;
  }
  if (*dataSize < needed) {
    *dataSize = needed;
    return ERROR_MORE_DATA;
  }
  if (needed) std::memcpy(data, e.data.data(), needed);
  *dataSize = needed;
  return ERROR_SUCCESS;
}

LONG RegQueryInfoKey(HKEY key, DWORD* subKeys, DWORD* maxSubKeyLength, DWORD* values, DWORD* maxValueNameLength,
                     DWORD* maxValueLength) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  Target t;
  const char* doing = "reading a key's figures";
  LONG rc = reach(r, key, doing, &t, nullptr, KEY_QUERY_VALUE);
  if (rc != ERROR_SUCCESS) return rc;
  if (t.overlay) {
    std::vector<Entry> keys, vals;
    if ((rc = listBoth(t, false, doing, &keys)) != ERROR_SUCCESS) return rc;
    if ((rc = listBoth(t, true, doing, &vals)) != ERROR_SUCCESS) return rc;
    DWORD longestKey = 0, longestName = 0, longestData = 0;
    for (const Entry& e : keys) longestKey = std::max<DWORD>(longestKey, static_cast<DWORD>(e.name.size()));
    for (const Entry& e : vals) {
      longestName = std::max<DWORD>(longestName, static_cast<DWORD>(e.name.size()));
      longestData = std::max<DWORD>(longestData, static_cast<DWORD>(e.data.size()));
    }
    if (subKeys) *subKeys = static_cast<DWORD>(keys.size());
    if (maxSubKeyLength) *maxSubKeyLength = longestKey;
    if (values) *values = static_cast<DWORD>(vals.size());
    if (maxValueNameLength) *maxValueNameLength = longestName;
    if (maxValueLength) *maxValueLength = longestData;
    return ERROR_SUCCESS;
  }
  Hive& h = *t.hive;
  {
    Statement s(h, kInfoKeys);
    s.bind(1, t.id);
    int step = s.step();
    if (step != SQLITE_ROW) return failure(h, step, "reading a key's figures");
    if (subKeys) *subKeys = static_cast<DWORD>(s.integer(0));
    if (maxSubKeyLength) *maxSubKeyLength = static_cast<DWORD>(s.integer(1));
  }
  Statement s(h, kInfoValues);
  s.bind(1, t.id);
  int step = s.step();
  if (step != SQLITE_ROW) return failure(h, step, "reading a key's figures");
  if (values) *values = static_cast<DWORD>(s.integer(0));
  if (maxValueNameLength) *maxValueNameLength = static_cast<DWORD>(s.integer(1));
  if (maxValueLength) *maxValueLength = static_cast<DWORD>(s.integer(2));
  return ERROR_SUCCESS;
}

namespace {

// Kept absolute, so that a later change of the current folder moves nothing.
std::string absoluteFolder(const std::string& folder) {
  if (folder.empty()) return folder;
  std::error_code ec;
  std::filesystem::path absolute = std::filesystem::absolute(folder, ec);
  std::string out = ec ? folder : absolute.lexically_normal().string();
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

void closeForGood(Hive& h) {
  letGo(h);
  h.lastMessage.clear();
}

}  // namespace

void setRegistryFolder(const std::string& folder) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  for (Hive& h : r.hives) closeForGood(h);
  r.handles.clear();
  r.folder = absoluteFolder(folder);
}

void setMachineHiveFolder(const std::string& folder) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  const std::string before = hivePathFor(r, kMachineHive);
  r.machineFolder = absoluteFolder(folder);
  if (hivePathFor(r, kMachineHive) == before) return;
  closeForGood(r.hives[kMachineHive]);
  closeForGood(r.hives[kOverlayHive]);
  for (auto it = r.handles.begin(); it != r.handles.end();) {
    it = it->second.root == HKEY_CURRENT_USER ? std::next(it) : r.handles.erase(it);
  }
}

LONG readRegistryText(HKEY key, const std::string& subKey, const std::string& name, std::string* text) {
  if (!text) return ERROR_INVALID_PARAMETER;
  text->clear();
  HKEY opened = 0;
  LONG rc = RegOpenKeyEx(key, subKey, 0, KEY_QUERY_VALUE, &opened);
  if (rc != ERROR_SUCCESS) return rc;
  DWORD type = REG_NONE, size = 0;
  std::string value;
  rc = RegQueryValueEx(opened, name, &type, nullptr, &size);
  if (rc == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ) && size > 0) {
    value.assign(size, '\0');
    rc = RegQueryValueEx(opened, name, &type, value.data(), &size);
    value.resize(rc == ERROR_SUCCESS ? size : 0);
  }
  RegCloseKey(opened);
  if (rc != ERROR_SUCCESS) return rc;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return ERROR_INVALID_DATA;
  *text = value.substr(0, value.find('\0'));
  return ERROR_SUCCESS;
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

std::string registryWriteHivePath(HKEY root) {
  if (!isRoot(root)) return "";
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  if (root != HKEY_CURRENT_USER && openHive(r, kMachineHive) == ERROR_SUCCESS && overlayInUse(r))
    return hivePathFor(r, kOverlayHive);
  return hivePathFor(r, hiveOf(root));
}

std::string registryHivePath(HKEY root) {
  if (!isRoot(root)) return "";
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  return hivePathFor(r, hiveOf(root));
}

}  // namespace platform
