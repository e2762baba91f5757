// The read cache of a hive: key lookups, key existence and values.
//
// Before a call trusts it, the cache is checked against the hive's data
// version (PRAGMA data_version, which changes whenever another connection
// has committed to the file since this connection last looked): a changed
// version empties it, so other processes' writes are seen by the next
// call, as without a cache. A write of this process empties it too, and
// the reads inside a write transaction never use it.
#include <cstring>

#include "platform/win32/registry_hive.h"

namespace platform::registry_detail {

std::string cacheKey(int64_t id, const std::string& folded) {
  std::string key(sizeof id, '\0');
  std::memcpy(key.data(), &id, sizeof id);
  key += folded;
  return key;
}

LONG checkCache(Registry& r, Hive& h) {
  h.cache.usable = false;
  if (!r.readCache) {
    h.cache.clear();
    h.cache.version = -1;
    return ERROR_SUCCESS;
  }
  int64_t version = 0;
  {
    Statement s(h, kDataVersion);
    int rc = s.step();
    if (rc != SQLITE_ROW) return failure(h, rc, "reading it");
    version = s.integer(0);
  }
  if (version != h.cache.version || h.cache.children.size() > kCacheLimit || h.cache.alive.size() > kCacheLimit ||
      h.cache.values.size() > kCacheLimit) {
    h.cache.clear();
    h.cache.version = version;
  }
  h.cache.usable = true;
  return ERROR_SUCCESS;
}

LONG keyAlive(Hive& h, int64_t id, const char* doing) {
  if (id < 0) return ERROR_FILE_NOT_FOUND;  // a root key the hive lacks
  if (h.cache.usable) {
    auto it = h.cache.alive.find(id);
    if (it != h.cache.alive.end()) return it->second ? ERROR_SUCCESS : ERROR_KEY_DELETED;
  }
  Statement s(h, kKeyExists);
  s.bind(1, id);
  int rc = s.step();
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) return failure(h, rc, doing);
  if (h.cache.usable) h.cache.alive[id] = rc == SQLITE_ROW;
  return rc == SQLITE_ROW ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

LONG walk(Hive& h, int64_t from, const std::vector<std::string>& parts, int64_t* found, size_t* missing,
          const char* doing) {
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
      Statement s(h, kFindChild);
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

LONG queryValueOf(Hive& h, int64_t keyId, const std::string& name, DWORD* type, void* data, DWORD* size) {
  const std::string folded = fold(name);
  const std::string cacheName = cacheKey(keyId, folded);
  const CachedValue* value = nullptr;
  CachedValue read;
  if (h.cache.usable) {
    auto it = h.cache.values.find(cacheName);
    if (it != h.cache.values.end()) value = &it->second;
  }
  if (!value) {
    Statement s(h, kFindValue);
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
    if (h.cache.usable && read.data.size() <= kCachedValueLimit) value = &(h.cache.values[cacheName] = std::move(read));
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

}  // namespace platform::registry_detail
