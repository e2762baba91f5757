#include "platform/win32/registry.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/hive_fixture.h"

namespace fs = std::filesystem;
using namespace platform;

namespace {

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

using kestrin_test::inChild;

class Registry : public kestrin_test::HiveFolderTest {
 protected:
  HKEY create(HKEY root, const std::string& path, DWORD access = KEY_ALL_ACCESS) {
    HKEY key = 0;
    EXPECT_EQ(RegCreateKeyEx(root, path, 0, access, &key), ERROR_SUCCESS) << path;
    return key;
  }
  void setText(HKEY key, const std::string& name, const std::string& text) {
    ASSERT_EQ(RegSetValueEx(key, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1)), ERROR_SUCCESS);
  }
  std::vector<std::string> subKeys(HKEY key) {
    std::vector<std::string> names;
    char buf[256];
    for (DWORD i = 0; RegEnumKey(key, i, buf, sizeof buf) == ERROR_SUCCESS; ++i) names.push_back(buf);
    return names;
  }
  std::vector<std::string> valueNames(HKEY key) {
    std::vector<std::string> names;
    char buf[256];
    for (DWORD i = 0;; ++i) {
      DWORD n = sizeof buf;
      if (RegEnumValue(key, i, buf, &n) != ERROR_SUCCESS) break;
      names.emplace_back(buf, n);
    }
    return names;
  }
};

TEST_F(Registry, CreateMakesEveryMissingLevelAndOpensIgnoringCase) {
  DWORD disposition = 0;
  HKEY key = 0;
  ASSERT_EQ(
      RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\MyCompany\\Windows settings\\frmMain", 0, 0x3F, &key, &disposition),
      ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  setText(key, "WindowState", "2");
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

  ASSERT_EQ(
      RegCreateKeyEx(HKEY_CURRENT_USER, "software\\MYCOMPANY\\windows SETTINGS\\FRMMAIN", 0, 0x3F, &key, &disposition),
      ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
  RegCloseKey(key);

  HKEY parent = 0;
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "SOFTWARE\\mycompany", 0, KEY_READ, &parent), ERROR_SUCCESS);
  EXPECT_EQ(subKeys(parent), std::vector<std::string>{"Windows settings"});  // case kept
  // A path below an open key, and the empty path that opens the key itself.
  HKEY child = 0, same = 0;
  ASSERT_EQ(RegOpenKeyEx(parent, "windows settings\\frmmain", 0, KEY_READ, &child), ERROR_SUCCESS);
  ASSERT_EQ(RegOpenKeyEx(child, "", 0, KEY_READ, &same), ERROR_SUCCESS);
  char text[16];
  DWORD size = sizeof text;
  EXPECT_EQ(RegQueryValueEx(same, "windowstate", nullptr, text, &size), ERROR_SUCCESS);
  EXPECT_STREQ(text, "2");
  for (HKEY k : {parent, child, same}) EXPECT_EQ(RegCloseKey(k), ERROR_SUCCESS);
}

TEST_F(Registry, MissingKeyOrValueIsFileNotFound) {
  HKEY key = 12345;
  EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Nobody", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key, 0u);
  // Closing the handle that the failed open left is an invalid handle, not a crash.
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);

  key = create(HKEY_LOCAL_MACHINE, "Software\\Somebody");
  DWORD type = 0, size = 0;
  EXPECT_EQ(RegQueryValueEx(key, "absent", &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegQueryValueEx(key, "", &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteValue(key, "absent"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKey(key, "absent"), ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);
}

TEST_F(Registry, BadHandlesAreRefusedWithoutCrashing) {
  HKEY open = create(HKEY_CURRENT_USER, "Closed");
  ASSERT_EQ(RegCloseKey(open), ERROR_SUCCESS);
  for (HKEY bad : {HKEY{0}, HKEY{4242}, open, HKEY_USERS, HKEY{0x80000005u}}) {
    SCOPED_TRACE(bad);
    HKEY out = 0;
    char buf[8];
    DWORD n = sizeof buf, size = 0;
    EXPECT_EQ(RegOpenKeyEx(bad, "x", 0, KEY_READ, &out), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCreateKeyEx(bad, "x", 0, KEY_ALL_ACCESS, &out), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(bad), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegQueryValueEx(bad, "x", nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegSetValueEx(bad, "x", REG_SZ, "", 1), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegDeleteKey(bad, "x"), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegDeleteValue(bad, "x"), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegEnumKey(bad, 0, buf, sizeof buf), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegEnumValue(bad, 0, buf, &n), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegQueryInfoKey(bad, nullptr, nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_HANDLE);
  }
  // The predefined roots are always open; closing one does nothing.
  EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
  HKEY again = 0;
  EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "", 0, KEY_READ, &again), ERROR_SUCCESS);
  RegCloseKey(again);
}

TEST_F(Registry, QueryValueReportsSizeAndMoreData) {
  HKEY key = create(HKEY_CURRENT_USER, "Sizes");
  setText(key, "Text", "abcdef");  // 7 bytes with the NUL
  ASSERT_EQ(RegSetValueEx(key, "Empty", REG_BINARY, nullptr, 0), ERROR_SUCCESS);

  struct Case {
    const char* name;
    bool buffer;
    DWORD size;
    LONG result;
    DWORD sizeAfter;
  } cases[] = {
      {"Text", false, 0, ERROR_SUCCESS, 7},   // no buffer: the size
      {"Text", true, 0, ERROR_MORE_DATA, 7},  // a size-0 buffer
      {"Text", true, 6, ERROR_MORE_DATA, 7},  // one byte short
      {"Text", true, 7, ERROR_SUCCESS, 7},    // exact
      {"Text", true, 64, ERROR_SUCCESS, 7},   // room to spare
      {"Empty", true, 0, ERROR_SUCCESS, 0},   // a value of 0 bytes
      {"Empty", false, 0, ERROR_SUCCESS, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.size));
    char buf[64];
    std::memset(buf, '#', sizeof buf);
    DWORD type = 999, size = c.size;
    EXPECT_EQ(RegQueryValueEx(key, c.name, &type, c.buffer ? buf : nullptr, &size), c.result);
    EXPECT_EQ(size, c.sizeAfter);
    EXPECT_EQ(type, std::string(c.name) == "Text" ? REG_SZ : REG_BINARY);
    if (c.result == ERROR_MORE_DATA) {
      EXPECT_EQ(buf[0], '#');  // nothing copied
    }
    if (c.result == ERROR_SUCCESS && c.buffer && c.sizeAfter) {
      EXPECT_STREQ(buf, "abcdef");
    }
  }
  RegCloseKey(key);
}

TEST_F(Registry, ValuesKeepRawBytesAnyTypeAndTheirPlaceWhenReplaced) {
  HKEY key = create(HKEY_LOCAL_MACHINE, "Types");
  const uint8_t bigEndianOne[] = {0, 0, 0, 1};
  const uint8_t withNul[] = {'a', 0, 'b', 0, 0};
  struct Case {
    const char* name;
    DWORD type;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {"", REG_SZ, {'d', 'e', 'f', 0}},  // the key's default value
      {"Big", REG_DWORD_BIG_ENDIAN, {std::begin(bigEndianOne), std::end(bigEndianOne)}},
      {"Multi", REG_MULTI_SZ, {std::begin(withNul), std::end(withNul)}},
      {"NoNul", REG_SZ, {'x', 'y'}},
      {"Odd", 0x1234, {0xFF, 0x00, 0x80}},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(RegSetValueEx(key, c.name, c.type, c.bytes.data(), static_cast<DWORD>(c.bytes.size())), ERROR_SUCCESS);
  }
  const uint32_t dword = 42;
  ASSERT_EQ(RegSetValueEx(key, "BIG", REG_DWORD, &dword, 4), ERROR_SUCCESS);  // replaces "Big"
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> buf(16);
    DWORD type = 0, size = static_cast<DWORD>(buf.size());
    ASSERT_EQ(RegQueryValueEx(key, c.name, &type, buf.data(), &size), ERROR_SUCCESS);
    buf.resize(size);
    if (std::string(c.name) == "Big") {
      EXPECT_EQ(type, REG_DWORD);
      uint32_t read = 0;
      std::memcpy(&read, buf.data(), 4);
      EXPECT_EQ(read, 42u);
    } else {
      EXPECT_EQ(type, c.type);
      EXPECT_EQ(buf, c.bytes);
    }
  }
  // The replaced value kept its place and the case of its first name.
  EXPECT_EQ(valueNames(key), (std::vector<std::string>{"", "Big", "Multi", "NoNul", "Odd"}));
  RegCloseKey(key);
}

TEST_F(Registry, EnumerationFollowsCreationOrderAndEndsWithNoMoreItems) {
  HKEY key = create(HKEY_CURRENT_USER, "Shell");
  for (const char* name : {"print", "Open", "edit"}) RegCloseKey(create(key, name));
  setText(key, "zeta", "1");
  setText(key, "AlphaLongestName", "2");
  EXPECT_EQ(subKeys(key), (std::vector<std::string>{"print", "Open", "edit"}));
  EXPECT_EQ(valueNames(key), (std::vector<std::string>{"zeta", "AlphaLongestName"}));

  char buf[64];
  EXPECT_EQ(RegEnumKey(key, 3, buf, sizeof buf), ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(RegEnumKey(key, 1, buf, 4), ERROR_MORE_DATA);  // "Open" needs 5 with its NUL
  EXPECT_EQ(RegEnumKey(key, 1, buf, 5), ERROR_SUCCESS);
  EXPECT_STREQ(buf, "Open");

  DWORD n = sizeof buf;
  EXPECT_EQ(RegEnumValue(key, 2, buf, &n), ERROR_NO_MORE_ITEMS);
  n = 16;  // "AlphaLongestName" is 16 characters and needs 17
  EXPECT_EQ(RegEnumValue(key, 1, buf, &n), ERROR_MORE_DATA);
  EXPECT_EQ(n, 16u);
  n = 17;
  DWORD type = 0, size = 0;
  EXPECT_EQ(RegEnumValue(key, 1, buf, &n, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(n, 16u);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(size, 2u);

  DWORD keys = 0, longestKey = 0, values = 0, longestName = 0, longestData = 0;
  ASSERT_EQ(RegQueryInfoKey(key, &keys, &longestKey, &values, &longestName, &longestData), ERROR_SUCCESS);
  EXPECT_EQ(keys, 3u);
  EXPECT_EQ(longestKey, 5u);
  EXPECT_EQ(values, 2u);
  EXPECT_EQ(longestName, 16u);
  EXPECT_EQ(longestData, 2u);

  HKEY empty = create(key, "edit");
  EXPECT_EQ(RegEnumKey(empty, 0, buf, sizeof buf), ERROR_NO_MORE_ITEMS);
  n = sizeof buf;
  EXPECT_EQ(RegEnumValue(empty, 0, buf, &n), ERROR_NO_MORE_ITEMS);
  ASSERT_EQ(RegQueryInfoKey(empty, nullptr, nullptr, nullptr, &longestName, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(longestName, 0u);
  RegCloseKey(empty);
  RegCloseKey(key);
}

TEST_F(Registry, AccessRightsOfTheHandleAreHonoured) {
  RegCloseKey(create(HKEY_CURRENT_USER, "Rights\\Sub"));
  struct Case {
    DWORD access;
    bool query, set, enumerate, create;
  } cases[] = {
      {KEY_QUERY_VALUE, true, false, false, false},
      {KEY_SET_VALUE, false, true, false, false},
      {KEY_ENUMERATE_SUB_KEYS, false, false, true, false},
      {KEY_CREATE_SUB_KEY, false, false, false, true},
      {KEY_READ, true, false, true, false},
      {0x3F, true, true, true, true},
      {0x2003F, true, true, true, true},
      {KEY_ALL_ACCESS, true, true, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.access);
    HKEY key = 0;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Rights", 0, c.access, &key), ERROR_SUCCESS);
    auto expect = [](bool allowed) { return allowed ? ERROR_SUCCESS : ERROR_ACCESS_DENIED; };
    DWORD size = 0;
    LONG query = RegQueryValueEx(key, "v", nullptr, nullptr, &size);
    EXPECT_EQ(query == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : query, expect(c.query));
    EXPECT_EQ(RegSetValueEx(key, "w", REG_SZ, "", 1), expect(c.set));
    char buf[8];
    EXPECT_EQ(RegEnumKey(key, 0, buf, sizeof buf), expect(c.enumerate));
    HKEY made = 0;
    EXPECT_EQ(RegCreateKeyEx(key, "New", 0, KEY_READ, &made), expect(c.create));
    RegCloseKey(made);
    RegDeleteKey(HKEY_CURRENT_USER, "Rights\\New");
    RegCloseKey(key);
  }
}

TEST_F(Registry, ReadOnlyRootRefusesWriteRightsAtTheOpen) {
  RegCloseKey(create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Shared Tools\\Info"));
  HKEY writable = create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Shared Tools");
  setRegistryRootReadOnly(HKEY_LOCAL_MACHINE, true);

  HKEY key = 0;
  EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "SOFTWARE\\Shared Tools\\Info", 0, 0x2003F, &key), ERROR_ACCESS_DENIED);
  EXPECT_EQ(key, 0u);
  EXPECT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, "SOFTWARE\\Shared Tools\\Info", 0, 0x3F, &key), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, "Software\\MyCompany", 0, KEY_READ, &key),
            ERROR_ACCESS_DENIED);  // it would have to be made
  EXPECT_EQ(RegSetValueEx(HKEY_LOCAL_MACHINE, "v", REG_SZ, "", 1), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Shared Tools\\Info"), ERROR_ACCESS_DENIED);
  // A handle opened for writing before the root became read-only can no longer write.
  EXPECT_EQ(RegSetValueEx(writable, "v", REG_SZ, "", 1), ERROR_ACCESS_DENIED);
  // Classes live in the machine hive and follow it.
  EXPECT_EQ(RegCreateKeyEx(HKEY_CLASSES_ROOT, ".vbs", 0, 0x3F, &key), ERROR_ACCESS_DENIED);

  // Reading still works, and the user's root is not affected.
  ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "SOFTWARE\\Shared Tools\\Info", 0, KEY_READ, &key), ERROR_SUCCESS);
  RegCloseKey(key);
  RegCloseKey(create(HKEY_CURRENT_USER, "Still writable"));

  setRegistryRootReadOnly(HKEY_LOCAL_MACHINE, false);
  EXPECT_EQ(RegSetValueEx(writable, "v", REG_SZ, "", 1), ERROR_SUCCESS);
  RegCloseKey(writable);
}

TEST_F(Registry, DeleteKeyRefusesSubKeysAndTakesItsValues) {
  HKEY section = create(HKEY_CURRENT_USER, "Software\\Co\\App\\Windows settings");
  HKEY form = create(section, "frmMain");
  setText(form, "MinPosX", "10");
  EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, "Software\\Co\\App\\Windows settings"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, "Software\\Co\\App\\Windows settings\\FRMMAIN"), ERROR_SUCCESS);
  // The open handle of the deleted key no longer reaches anything.
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueEx(form, "MinPosX", nullptr, nullptr, &size), ERROR_KEY_DELETED);
  EXPECT_EQ(RegSetValueEx(form, "MinPosX", REG_SZ, "1", 2), ERROR_KEY_DELETED);
  RegCloseKey(form);
  // Made again, the key has none of the old values.
  form = create(section, "frmMain");
  EXPECT_EQ(RegQueryValueEx(form, "MinPosX", nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  RegCloseKey(form);
  EXPECT_EQ(RegDeleteKey(section, "frmMain"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, "Software\\Co\\App\\Windows settings"), ERROR_SUCCESS);
  RegCloseKey(section);
  EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, ""), ERROR_ACCESS_DENIED);  // the root itself
}

TEST_F(Registry, DeleteTreeTakesEverythingBelow) {
  HKEY a = create(HKEY_CURRENT_USER, "Tree\\A\\B\\C");
  setText(a, "deep", "1");
  RegCloseKey(a);
  HKEY other = create(HKEY_CURRENT_USER, "Tree\\Other");
  setText(other, "kept", "1");
  ASSERT_EQ(RegDeleteTree(HKEY_CURRENT_USER, "Tree\\A"), ERROR_SUCCESS);
  HKEY key = 0;
  EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Tree\\A", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueEx(other, "kept", nullptr, nullptr, &size), ERROR_SUCCESS);
  RegCloseKey(other);
  EXPECT_EQ(RegDeleteTree(HKEY_CURRENT_USER, "Tree\\A"), ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, ClassesRootIsTheMachineClassesKey) {
  HKEY ext = create(HKEY_CLASSES_ROOT, ".vbs");
  setText(ext, "", "VBSFile");
  RegCloseKey(ext);
  HKEY key = 0;
  ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\.vbs", 0, 63, &key), ERROR_SUCCESS);
  char buf[16];
  DWORD size = sizeof buf;
  EXPECT_EQ(RegQueryValueEx(key, "", nullptr, buf, &size), ERROR_SUCCESS);
  EXPECT_STREQ(buf, "VBSFile");
  RegCloseKey(key);
  EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "SOFTWARE\\Classes\\.vbs", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  // The key that stands for the root cannot be taken away.
  EXPECT_EQ(RegDeleteKey(HKEY_CLASSES_ROOT, ".vbs"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteTree(HKEY_LOCAL_MACHINE, "SOFTWARE"), ERROR_ACCESS_DENIED);
}

TEST_F(Registry, EachRootIsKeptInItsHiveFile) {
  HKEY user = create(HKEY_CURRENT_USER, "Software\\Kept");
  setText(user, "who", "user");
  HKEY machine = create(HKEY_LOCAL_MACHINE, "Software\\Kept");
  setText(machine, "who", "machine");
  RegCloseKey(user);
  RegCloseKey(machine);
  EXPECT_EQ(registryHivePath(HKEY_CURRENT_USER), dir_ + "/user.db");
  EXPECT_EQ(registryHivePath(HKEY_LOCAL_MACHINE), dir_ + "/machine.db");
  EXPECT_EQ(registryHivePath(HKEY_CLASSES_ROOT), dir_ + "/machine.db");
  EXPECT_EQ(registryHivePath(HKEY_USERS), "");

  setRegistryFolder(dir_);  // closes both connections; the files keep everything
  for (auto [root, who] : {std::pair{HKEY_CURRENT_USER, "user"}, {HKEY_LOCAL_MACHINE, "machine"}}) {
    HKEY key = 0;
    ASSERT_EQ(RegOpenKeyEx(root, "software\\kept", 0, KEY_READ, &key), ERROR_SUCCESS);
    char buf[16];
    DWORD size = sizeof buf;
    EXPECT_EQ(RegQueryValueEx(key, "WHO", nullptr, buf, &size), ERROR_SUCCESS);
    EXPECT_STREQ(buf, who);
    RegCloseKey(key);
  }
  EXPECT_TRUE(fs::exists(dir_ + "/user.db"));
  EXPECT_TRUE(fs::exists(dir_ + "/machine.db"));
}

TEST_F(Registry, DefaultHivePlaces) {
  struct Restore {
    std::optional<std::string> home = get("HOME"), xdg = get("XDG_DATA_HOME");
    static std::optional<std::string> get(const char* name) {
      const char* v = std::getenv(name);
      return v ? std::optional<std::string>(v) : std::nullopt;
    }
    static void put(const char* name, const std::optional<std::string>& v) {
      if (v) {
        setenv(name, v->c_str(), 1);
      } else {
        unsetenv(name);
      }
    }
    ~Restore() {
      put("HOME", home);
      put("XDG_DATA_HOME", xdg);
      setMachineHiveFolder("");
    }
  } restore;
  const std::string home = dir_ + "/home";
  setenv("HOME", home.c_str(), 1);
  unsetenv("XDG_DATA_HOME");
  setRegistryFolder("");
  EXPECT_EQ(registryHivePath(HKEY_LOCAL_MACHINE), home + "/.local/share/kestrin/machine.db");
  setMachineHiveFolder(dir_ + "/editor");
  EXPECT_EQ(registryHivePath(HKEY_CURRENT_USER), home + "/.local/share/kestrin/user.db");
  EXPECT_EQ(registryHivePath(HKEY_LOCAL_MACHINE), dir_ + "/editor/machine.db");
  setenv("XDG_DATA_HOME", (dir_ + "/data").c_str(), 1);
  EXPECT_EQ(registryHivePath(HKEY_CURRENT_USER), dir_ + "/data/kestrin/user.db");

  // The user hive's folder is made on first use.
  HKEY key = create(HKEY_CURRENT_USER, "Software\\First");
  RegCloseKey(key);
  EXPECT_TRUE(fs::exists(dir_ + "/data/kestrin/user.db"));
  setRegistryFolder(dir_);
}

// Damaged user hives: each gives a clear error from every call, a message
// that names the file, and the file stays exactly as it was.
TEST_F(Registry, DamagedHiveGivesAnErrorAndIsLeftAsItIs) {
  HKEY key = create(HKEY_LOCAL_MACHINE, "Software\\Fine");
  RegCloseKey(key);
  RegCloseKey(create(HKEY_CURRENT_USER, "Software\\Some\\Keys"));
  setRegistryFolder(dir_);
  const std::string hive = dir_ + "/user.db";
  const std::string whole = readFile(hive);
  ASSERT_GT(whole.size(), 1024u);

  struct Case {
    const char* what;
    std::function<void()> damage;
  } cases[] = {
      {"not a database", [&] { writeFile(hive, std::string(8192, '\x5A')); }},
      {"pages wiped after the header",
       [&] { writeFile(hive, whole.substr(0, 100) + std::string(whole.size() - 100, '\0')); }},
      {"another program's database",
       [&] {
         fs::remove(hive);
         sqlite3* db = nullptr;
         sqlite3_open(hive.c_str(), &db);
         sqlite3_exec(db, "CREATE TABLE notes(text TEXT); INSERT INTO notes VALUES('mine');", nullptr, nullptr,
                      nullptr);
         sqlite3_close(db);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    setRegistryFolder(dir_);
    c.damage();
    const std::string damaged = readFile(hive);
    testing::internal::CaptureStderr();
    DWORD size = 0;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &key), ERROR_REGISTRY_CORRUPT);
    EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\New", 0, KEY_ALL_ACCESS, &key), ERROR_REGISTRY_CORRUPT);
    EXPECT_EQ(RegSetValueEx(HKEY_CURRENT_USER, "v", REG_SZ, "", 1), ERROR_REGISTRY_CORRUPT);
    EXPECT_EQ(RegQueryValueEx(HKEY_CURRENT_USER, "v", nullptr, nullptr, &size), ERROR_REGISTRY_CORRUPT);
    std::string message = testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find(hive), std::string::npos) << message;
    EXPECT_EQ(readFile(hive), damaged);
  }

  // The machine hive is a file of its own and still works.
  ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Fine", 0, KEY_READ, &key), ERROR_SUCCESS);
  RegCloseKey(key);
}

// Checks what a user who may not write the hive files sees. Run as an
// ordinary user; the superuser may write any file, so there the check runs
// in a child that gives up its rights.
int readOnlyHiveChecks(const std::string& dir) {
  int failures = 0;
  auto check = [&](bool ok, int bit) {
    if (!ok) failures |= bit;
  };
  HKEY key = 0;
  check(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Shared", 0, KEY_READ, &key) == ERROR_SUCCESS, 1);
  char buf[16] = {};
  DWORD size = sizeof buf;
  check(RegQueryValueEx(key, "v", nullptr, buf, &size) == ERROR_SUCCESS && std::string(buf) == "1", 2);
  RegCloseKey(key);
  check(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Shared", 0, 0x2003F, &key) == ERROR_ACCESS_DENIED, 4);
  check(RegSetValueEx(HKEY_LOCAL_MACHINE, "v", REG_SZ, "", 1) == ERROR_ACCESS_DENIED, 8);
  // An unreadable user hive is an error, not an empty store.
  LONG rc = RegOpenKeyEx(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &key);
  check(rc == ERROR_CANTREAD, 16);
  (void)dir;
  return failures;
}

TEST_F(Registry, HiveFileTheUserMayNotWriteReadsAsReadOnly) {
  HKEY key = create(HKEY_LOCAL_MACHINE, "Software\\Shared");
  setText(key, "v", "1");
  RegCloseKey(key);
  RegCloseKey(create(HKEY_CURRENT_USER, "Software"));
  setRegistryFolder(dir_);  // the files are checkpointed and closed
  fs::permissions(dir_ + "/machine.db", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  fs::permissions(dir_ + "/user.db", fs::perms::none);
  fs::permissions(dir_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                            fs::perms::others_exec);
  int result;
  if (geteuid() == 0) {
    result = inChild([&] {
      if (setgid(65534) != 0 || setuid(65534) != 0) return 64;
      return readOnlyHiveChecks(dir_);
    });
  } else {
    result = inChild([&] { return readOnlyHiveChecks(dir_); });
  }
  EXPECT_EQ(result, 0) << "failed checks (bits): " << result;
}

// Both processes create keys and write values at once, into a user hive
// that neither has made yet and a machine hive the parent had open before
// the fork; every write of both is there afterwards.
TEST_F(Registry, TwoProcessesWritingOneHiveLoseNoWrite) {
  constexpr int kEach = 150;
  auto writer = [](const char* who) {
    for (int i = 0; i < kEach; ++i) {
      HKEY root = i % 2 ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
      HKEY key = 0;
      if (RegCreateKeyEx(root, "Software\\Shared\\Counters", 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
        return 1;
      }
      std::string name = std::string(who) + std::to_string(i);
      if (RegSetValueEx(key, name, REG_DWORD, &i, 4) != ERROR_SUCCESS) return 2;
      RegCloseKey(key);
      HKEY sub = 0;
      if (RegCreateKeyEx(root, "Software\\Shared\\Keys\\" + name, 0, KEY_READ, &sub) != ERROR_SUCCESS) {
        return 3;
      }
      RegCloseKey(sub);
    }
    return 0;
  };
  HKEY before = create(HKEY_LOCAL_MACHINE, "Software");
  RegCloseKey(create(HKEY_LOCAL_MACHINE, "Software\\Made"));  // the machine hive's file, open
  ASSERT_TRUE(fs::exists(dir_ + "/machine.db"));
  ASSERT_FALSE(fs::exists(dir_ + "/user.db"));
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) _exit(writer("child"));
  int mine = writer("parent");
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(mine, 0);
  // A handle opened before the fork still names its key.
  EXPECT_EQ(subKeys(before), (std::vector<std::string>{"Classes", "Made", "Shared"}));
  RegCloseKey(before);

  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    SCOPED_TRACE(root);
    HKEY key = 0;
    ASSERT_EQ(RegOpenKeyEx(root, "Software\\Shared\\Counters", 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD values = 0;
    ASSERT_EQ(RegQueryInfoKey(key, nullptr, nullptr, &values, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(values, static_cast<DWORD>(kEach));
    const int first = root == HKEY_LOCAL_MACHINE ? 1 : 0;
    for (const char* who : {"parent", "child"}) {
      for (int i = first; i < kEach; i += 2) {
        int read = -1;
        DWORD size = sizeof read;
        ASSERT_EQ(RegQueryValueEx(key, who + std::to_string(i), nullptr, &read, &size), ERROR_SUCCESS) << who << i;
        EXPECT_EQ(read, i);
      }
    }
    RegCloseKey(key);
    ASSERT_EQ(RegOpenKeyEx(root, "Software\\Shared\\Keys", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(subKeys(key).size(), static_cast<size_t>(kEach));
    RegCloseKey(key);
  }
}

// Everything a reader can ask of the hives' roots and the keys below them,
// one line per call with its result.
std::string readersView() {
  std::string out;
  auto said = [&](const std::string& what, LONG rc, const std::string& more = {}) {
    out += what + " -> " + std::to_string(rc) + (more.empty() ? "" : " " + more) + "\n";
  };
  const std::pair<HKEY, const char*> roots[] = {
      {HKEY_CURRENT_USER, "HKCU"}, {HKEY_LOCAL_MACHINE, "HKLM"}, {HKEY_CLASSES_ROOT, "HKCR"}};
  for (const auto& [root, label] : roots) {
    for (const char* path : {"", "SOFTWARE", "software\\classes", "Software\\Kestrin", "Classes"}) {
      const std::string name = std::string(label) + "\\" + path;
      HKEY key = 0;
      const LONG opened = RegOpenKeyEx(root, path, 0, KEY_READ, &key);
      said("open " + name, opened);
      if (opened != ERROR_SUCCESS) continue;
      char buf[256];
      for (DWORD i = 0; i < 3; ++i) {
        const LONG rc = RegEnumKey(key, i, buf, sizeof buf);
        said("enum key " + std::to_string(i) + " of " + name, rc, rc == ERROR_SUCCESS ? buf : "");
      }
      DWORD n = sizeof buf;
      said("enum value 0 of " + name, RegEnumValue(key, 0, buf, &n));
      DWORD figures[5] = {9, 9, 9, 9, 9};
      const LONG info = RegQueryInfoKey(key, &figures[0], &figures[1], &figures[2], &figures[3], &figures[4]);
      std::string all;
      for (DWORD f : figures) all += std::to_string(f) + " ";
      said("figures of " + name, info, all);
      DWORD size = sizeof buf;
      said("value of " + name, RegQueryValueEx(key, "Setting", nullptr, buf, &size));
      RegCloseKey(key);
    }
    said(std::string("delete ") + label + "\\SOFTWARE\\Classes", RegDeleteKey(root, "SOFTWARE\\Classes"));
  }
  return out;
}

// A hive without a file answers every read as the file that its first
// write makes would (with nothing in it), and reading makes no file.
TEST_F(Registry, AMissingHiveReadsAsAnEmptyHiveFileAndMakesNoFile) {
  const std::string missing = readersView();
  EXPECT_TRUE(fs::is_empty(dir_));
  EXPECT_NE(missing.find("enum key 0 of HKLM\\ -> 0 SOFTWARE"), std::string::npos) << missing;
  EXPECT_NE(missing.find("enum key 0 of HKLM\\SOFTWARE -> 0 Classes"), std::string::npos) << missing;
  // The same hives made by a write each, taken back.
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    RegCloseKey(create(root, "Made"));
    ASSERT_EQ(RegDeleteKey(root, "Made"), ERROR_SUCCESS);
  }
  ASSERT_TRUE(fs::exists(dir_ + "/user.db") && fs::exists(dir_ + "/machine.db"));
  setRegistryFolder(dir_);
  EXPECT_EQ(readersView(), missing);
}

// The first write into a hive without a file: the key lands below the
// roots' own keys, which stay protected.
TEST_F(Registry, TheFirstWriteIntoAMissingMachineHiveKeepsItsClassesKey) {
  HKEY key = 0;
  ASSERT_EQ(RegOpenKeyEx(HKEY_CLASSES_ROOT, "", 0, KEY_READ, &key), ERROR_SUCCESS);
  RegCloseKey(key);
  RegCloseKey(create(HKEY_CLASSES_ROOT, "Kestrin.Class"));
  ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Kestrin.Class", 0, KEY_READ, &key),
            ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes"), ERROR_ACCESS_DENIED);
  setRegistryFolder(dir_);
  ASSERT_EQ(RegOpenKeyEx(HKEY_CLASSES_ROOT, "Kestrin.Class", 0, KEY_READ, &key), ERROR_SUCCESS);
  RegCloseKey(key);
}

// Processes that all find no hive file and write at the same moment: one
// of them puts its new file in place, the others write into that one.
// Nobody fails, sees a hive half made or loses a write, and no file of
// the making stays behind.
TEST_F(Registry, ProcessesMakingOneNewHiveAtOnceKeepEveryWrite) {
  constexpr int kWriters = 6;
  for (int round = 0; round < 4; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const std::string folder = dir_ + "/round" + std::to_string(round);
    fs::create_directories(folder);
    setRegistryFolder(folder);
    // Each writer says on a pipe of its own that it is ready, having seen
    // no hive yet; only when all have said so are they released at once,
    // however late the machine started any of them.
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    std::vector<pid_t> children;
    std::vector<int> ready;
    for (int i = 0; i < kWriters; ++i) {
      int told[2];
      ASSERT_EQ(pipe(told), 0);
      children.push_back(kestrin_test::startChild([&, i] {
        ::close(go[1]);
        ::close(told[0]);
        // The empty tree that stands for the missing file, first.
        HKEY key = 0;
        if (RegOpenKeyEx(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &key) != ERROR_FILE_NOT_FOUND) return 1;
        if (::write(told[1], "r", 1) != 1) return 6;
        ::close(told[1]);
        char c;
        if (::read(go[0], &c, 1) != 0) return 2;
        // The first write, which makes the file or goes into another's: a key of its own.
        const std::string name = "writer" + std::to_string(i);
        if (RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Race\\" + name, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
          return 3;
        if (RegSetValueEx(key, "n", REG_DWORD, &i, 4) != ERROR_SUCCESS) return 4;
        int read = -1;
        DWORD size = sizeof read;
        if (RegQueryValueEx(key, "n", nullptr, &read, &size) != ERROR_SUCCESS || read != i) return 5;
        RegCloseKey(key);
        return 0;
      }));
      ::close(told[1]);
      ready.push_back(told[0]);
    }
    ::close(go[0]);
    for (int fd : ready) {
      char c = 0;
      // A byte, or the end of a writer that failed before it was ready
      // (its status says why).
      while (::read(fd, &c, 1) < 0 && errno == EINTR) {
      }
      ::close(fd);
    }
    ::close(go[1]);  // all of them at once
    for (pid_t pid : children) {
      int status = 0;
      ASSERT_EQ(waitpid(pid, &status, 0), pid);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    }
    for (int i = 0; i < kWriters; ++i) {
      HKEY key = 0;
      ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Race\\writer" + std::to_string(i), 0, KEY_READ, &key),
                ERROR_SUCCESS)
          << i;
      int read = -1;
      DWORD size = sizeof read;
      EXPECT_EQ(RegQueryValueEx(key, "n", nullptr, &read, &size), ERROR_SUCCESS);
      EXPECT_EQ(read, i);
      RegCloseKey(key);
    }
    setRegistryFolder(folder);
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(folder)) left.push_back(e.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"user.db"});
  }
}

// A raw SQLite connection to a hive file in a process of the test's own,
// holding the hive's write lock until released, as another process writing
// the hive holds it. (The connection lives in its own process: SQLite's
// record of the locks a process holds would follow a fork into the
// processes that the test starts next.)
class HiveWriteLock {
 public:
  explicit HiveWriteLock(const std::string& path) {
    int held[2], go[2];
    if (pipe(held) != 0 || pipe(go) != 0) return;
    std::fflush(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
      ::close(held[0]);
      ::close(go[1]);
      sqlite3* db = nullptr;
      char state = 'L';
      if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK ||
          sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        state = 'F';
      if (::write(held[1], &state, 1) != 1) _exit(2);
      char c = 0;
      while (::read(go[0], &c, 1) < 0 && errno == EINTR) {
      }
      const int rc = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
      sqlite3_close_v2(db);
      _exit(rc == SQLITE_OK ? 0 : 1);
    }
    ::close(held[1]);
    ::close(go[0]);
    go_ = go[1];
    char state = 0;
    while (::read(held[0], &state, 1) < 0 && errno == EINTR) {
    }
    ::close(held[0]);
    EXPECT_EQ(state, 'L') << "the lock of " << path << " could not be taken";
  }
  ~HiveWriteLock() { release(); }
  void release() {
    if (pid_ <= 0) return;
    const char c = 'G';
    EXPECT_EQ(::write(go_, &c, 1), 1);
    ::close(go_);
    int status = 0;
    EXPECT_EQ(waitpid(pid_, &status, 0), pid_);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the lock's commit failed";
    pid_ = 0;
  }

 private:
  pid_t pid_ = 0;
  int go_ = -1;
};

// Two processes create the same new key path while the hive's write lock
// is held elsewhere: both have looked and found the key missing before the
// lock goes, so only the second look inside each one's write transaction
// keeps the second from creating the key again.
TEST_F(Registry, TwoProcessesCreatingOneNewKeyMakeItOnce) {
  RegCloseKey(create(HKEY_CURRENT_USER, "Software"));
  HiveWriteLock lock(dir_ + "/user.db");
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  std::fflush(nullptr);
  std::vector<pid_t> children;
  for (int i = 0; i < 2; ++i) {
    const pid_t pid = fork();
    if (pid == 0) {
      ::close(ready[0]);
      const char one = 1;
      if (::write(ready[1], &one, 1) != 1) _exit(90);
      HKEY key = 0;
      DWORD disposition = 0;
      const LONG r = RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Race\\New", 0, KEY_ALL_ACCESS, &key, &disposition);
      // The exit status: the disposition, or 10 and more for an error.
      _exit(r == ERROR_SUCCESS ? static_cast<int>(disposition) : 10 + static_cast<int>(r % 100));
    }
    ASSERT_GT(pid, 0);
    children.push_back(pid);
  }
  ::close(ready[1]);
  char got[2];
  size_t have = 0;
  while (have < 2) {
    const ssize_t n = ::read(ready[0], got + have, 2 - have);
    ASSERT_GT(n, 0);
    have += static_cast<size_t>(n);
  }
  ::close(ready[0]);
  // Each child is past its first look and waits for the lock.
  ::usleep(300000);
  lock.release();
  std::vector<int> dispositions;
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    dispositions.push_back(WEXITSTATUS(status));
  }
  std::sort(dispositions.begin(), dispositions.end());
  EXPECT_EQ(dispositions,
            (std::vector<int>{static_cast<int>(REG_CREATED_NEW_KEY), static_cast<int>(REG_OPENED_EXISTING_KEY)}));
  HKEY race = 0;
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Race", 0, KEY_READ, &race), ERROR_SUCCESS);
  EXPECT_EQ(subKeys(race), (std::vector<std::string>{"New"}));
  RegCloseKey(race);
}

// The same lock held past a short timeout: the write fails as a write
// that could not be made, and says why on standard error once.
TEST_F(Registry, AWriteLockHeldPastTheTimeoutIsReportedAsBusy) {
  RegCloseKey(create(HKEY_CURRENT_USER, "Software"));
  setRegistryBusyTimeout(100);
  struct Restore {
    ~Restore() { setRegistryBusyTimeout(10000); }
  } restore;
  HiveWriteLock lock(dir_ + "/user.db");
  ::testing::internal::CaptureStderr();
  HKEY key = 0;
  EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Busy", 0, KEY_ALL_ACCESS, &key), ERROR_CANTWRITE);
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(said, "kestrin: registry hive \"" + dir_ +
                      "/user.db\": the hive stayed locked by another process; "
                      "creating a key failed (database is locked)\n");
  lock.release();
  ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Busy", 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
  RegCloseKey(key);
}

}  // namespace

namespace {

// A process killed while it made a hive leaves its new file behind; the
// next opener of the hive removes such files that no maker holds locked
// (with their side files, and side files whose new file is gone), but never
// one that a maker still holds.
TEST_F(Registry, TheNextOpenerRemovesTheNewHiveFilesOfAKilledMaker) {
  struct Case {
    std::string name;
    bool held;  // a maker holds it locked
    bool stays;
  };
  const std::vector<Case> cases = {
      {"user.db.new-41-0", false, false},
      {"user.db.new-41-0-wal", false, false},
      {"user.db.new-41-0-shm", false, false},
      {"user.db.new-41-3-journal", false, false},  // its new file is gone
      {"user.db.new-42-1", true, true},
      {"user.db.new-42-1-wal", false, true},  // its new file is held
      {"user.db.new-x-0", false, true},
      {"machine.db.new-41-0", false, true},  // another hive's, for its own opener
      {"user.db.notes", false, true},
  };
  std::vector<int> held;
  for (const Case& c : cases) {
    writeFile(dir_ + "/" + c.name, "half a hive");
    if (!c.held) continue;
    const int fd = ::open((dir_ + "/" + c.name).c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    held.push_back(fd);
  }
  setRegistryFolder(dir_);
  RegCloseKey(create(HKEY_CURRENT_USER, "Software\\Made"));
  for (const Case& c : cases) EXPECT_EQ(fs::exists(dir_ + "/" + c.name), c.stays) << c.name;
  for (int fd : held) ::close(fd);
}

}  // namespace
