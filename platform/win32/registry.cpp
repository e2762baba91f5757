// The registry's calls: each resolves its handle, walks the path below it
// and reads through the hive's cache or writes in one transaction (the
// hives themselves, their cache and their first write are in
// registry_hive.cpp, registry_cache.cpp and registry_write.cpp).
#include "platform/win32/registry.h"

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <mutex>

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
    if (isRoot(key)) {
        t->id = key == HKEY_CLASSES_ROOT ? h.classesId : 1;
        if (rootReadOnly(r, key)) t->access &= ~kWriteRights;
    } else {
        t->id = open.id;
    }
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
    return keyAlive(*t->hive, t->id, doing);
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
    *result = newHandle(r, OpenKey{t.root, id, access, -1, {}});
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
    *result = newHandle(r, OpenKey{t.root, id, access, -1, {}});
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
    if (isRoot(key)) return ERROR_SUCCESS;
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    return r.handles.erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

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
namespace {

// One entry of a key's sub-keys or values.
struct Entry {
    std::string name;
    DWORD type = REG_NONE;
    std::string data;
};

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
    Hive& h = *t.hive;
    Statement s(h.sql[values ? kEnumValue : kEnumKey]);
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

LONG RegEnumValue(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD* type, void* data,
                  DWORD* dataSize) {
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
    if (h.db && h.pid != getpid()) {
        abandonInherited(h);
    } else {
        closeHive(h);
    }
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

std::string registryHivePath(HKEY root) {
    if (!isRoot(root)) return "";
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    return hivePathFor(r, hiveOf(root));
}

}  // namespace platform
