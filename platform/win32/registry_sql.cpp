// The registry's SQL: the schema of a hive, the statements each connection
// prepares once (at their first use), and the writes that create keys and
// values.
#include <algorithm>
#include <string>
#include <string_view>

#include "platform/win32/registry_hive.h"

namespace platform::registry_detail {

namespace {

const char* const kSchema =
    "CREATE TABLE IF NOT EXISTS keys(id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " parent INTEGER NOT NULL, name TEXT NOT NULL, fold TEXT NOT NULL);"
    "CREATE UNIQUE INDEX IF NOT EXISTS keys_child ON keys(parent, fold);"
    "CREATE TABLE IF NOT EXISTS vals(id INTEGER PRIMARY KEY, key INTEGER NOT NULL,"
    " name TEXT NOT NULL, fold TEXT NOT NULL, type INTEGER NOT NULL, data BLOB NOT NULL);"
    "CREATE UNIQUE INDEX IF NOT EXISTS vals_name ON vals(key, fold);"
    "INSERT OR IGNORE INTO keys(id, parent, name, fold) VALUES(1, 0, '', '');"
    "PRAGMA user_version = 1;";

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
    "SELECT name, fold FROM keys WHERE parent = ?1 ORDER BY id",
    "SELECT name, fold, type, data FROM vals WHERE key = ?1 ORDER BY id",
};

}  // namespace

int execAll(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }

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

Contents contentsOf(sqlite3* db, int* rc) {
  sqlite3_stmt* s = nullptr;
  *rc = sqlite3_prepare_v2(db, "SELECT count(*), coalesce(sum(type = 'table' AND name = 'keys'), 0) FROM sqlite_master",
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
  if (sqlite3_prepare_v2(db, "SELECT id FROM keys WHERE parent = ?1 AND fold = ?2", -1, &s, nullptr) != SQLITE_OK) {
    return -1;
  }
  sqlite3_bind_int64(s, 1, parent);
  std::string f = fold(name);
  sqlite3_bind_text(s, 2, f.c_str(), -1, SQLITE_TRANSIENT);
  if (sqlite3_step(s) == SQLITE_ROW) id = sqlite3_column_int64(s, 0);
  sqlite3_finalize(s);
  return id;
}

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
        rc = sqlite3_prepare_v2(db, "INSERT INTO keys(parent, name, fold) VALUES(?1, ?2, ?3)", -1, &s, nullptr);
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

const std::vector<EmptyTreeKey>& emptyTree(bool machine) {
  // createSchema's keys: the root, then the classes path, in that order.
  static const std::vector<EmptyTreeKey> user = {{1, 0, "", ""}};
  static const std::vector<EmptyTreeKey> withClasses = {
      {1, 0, "", ""}, {2, 1, kClassesPath[0], "software"}, {3, 2, kClassesPath[1], "classes"}};
  return machine ? withClasses : user;
}

int emptyTreeRows(bool machine, Sql which, int64_t id, const std::string& folded, int64_t offset, EmptyTreeRows* rows) {
  rows->clear();
  std::vector<const EmptyTreeKey*> children;
  bool exists = false;
  for (const EmptyTreeKey& k : emptyTree(machine)) {
    if (k.parent == id) children.push_back(&k);
    exists = exists || k.id == id;
  }
  size_t longest = 0;
  for (const EmptyTreeKey* k : children) longest = std::max(longest, std::string_view(k->name).size());
  switch (which) {
    case kFindChild:
      for (const EmptyTreeKey* k : children)
        if (folded == k->folded) rows->push_back({{k->id, {}}});
      return SQLITE_OK;
    case kKeyExists:
      if (exists) rows->push_back({{1, {}}});
      return SQLITE_OK;
    case kEnumKey:
      if (offset >= 0 && static_cast<size_t>(offset) < children.size())
        rows->push_back({{0, children[static_cast<size_t>(offset)]->name}});
      return SQLITE_OK;
    case kHasChildren:
      if (!children.empty()) rows->push_back({{1, {}}});
      return SQLITE_OK;
    case kInfoKeys:
      rows->push_back({{static_cast<int64_t>(children.size()), {}}, {static_cast<int64_t>(longest), {}}});
      return SQLITE_OK;
    case kInfoValues:
      rows->push_back({{0, {}}, {0, {}}, {0, {}}});
      return SQLITE_OK;
    case kAllChildren:
      for (const EmptyTreeKey* k : children) rows->push_back({{0, k->name}, {0, k->folded}});
      return SQLITE_OK;
    case kDataVersion:
      rows->push_back({{1, {}}});
      return SQLITE_OK;
    case kFindValue:
    case kEnumValue:
    case kAllValues:
      return SQLITE_OK;  // the empty tree holds no values
    default:
      return SQLITE_READONLY;  // writes go to the file, which the first write makes
  }
}

sqlite3_stmt* preparedStatement(Hive& h, Sql which, int* rc) {
  *rc = SQLITE_OK;
  sqlite3_stmt*& s = h.sql[which];
  if (!s) {
    *rc = sqlite3_prepare_v3(h.db, kSqlText[which], -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr);
    if (*rc != SQLITE_OK) {
      sqlite3_finalize(s);
      s = nullptr;
    }
  }
  return s;
}

void finalizeStatements(Hive& h) {
  for (auto& s : h.sql) {
    if (s) sqlite3_finalize(s);
    s = nullptr;
  }
}

LONG createPath(Hive& h, int64_t from, const std::vector<std::string>& parts, int64_t* id, bool* created,
                const char* doing) {
  size_t missing = 0;
  LONG w = walk(h, from, parts, id, &missing, doing);
  if (w != ERROR_SUCCESS) return w;
  for (size_t i = missing; i < parts.size(); ++i) {
    Statement s(h, kInsertKey);
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

LONG upsertValue(Hive& h, int64_t id, const std::string& name, DWORD type, const void* data, DWORD size,
                 const char* doing) {
  Statement s(h, kUpsertValue);
  s.bind(1, id);
  s.bind(2, name);
  s.bind(3, fold(name));
  s.bind(4, static_cast<int64_t>(type));
  s.bindBlob(5, data, size);
  int step = s.step();
  if (step != SQLITE_DONE) return failure(h, step, doing);
  return ERROR_SUCCESS;
}

}  // namespace platform::registry_detail
