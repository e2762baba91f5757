// The user's overlay of a machine hive the user may not write: read before
// the machine hive, taking every write of its roots, the machine hive
// left byte for byte.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>

#include "platform/win32/hive_fixture.h"
#include "platform/win32/registry.h"

using namespace platform;
namespace fs = std::filesystem;

namespace {

std::string bytesOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string text(HKEY key, const std::string& name) {
  char buf[64] = {};
  DWORD size = sizeof buf;
  if (RegQueryValueEx(key, name, nullptr, buf, &size) != ERROR_SUCCESS) return "<none>";
  return buf;
}

LONG setText(HKEY key, const std::string& name, const std::string& value) {
  return RegSetValueEx(key, name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

// Every check in a process of a user who may not write the machine
// folder; the number of the first that failed, 0 when all held.
int overlayChecks(const std::string& editor, const std::string& state) {
  setenv("XDG_STATE_HOME", state.c_str(), 1);
  setenv("XDG_DATA_HOME", (state + "/data").c_str(), 1);
  setRegistryFolder("");
  setMachineHiveFolder(editor);
  HKEY key = 0;
  if (RegCreateKeyEx(HKEY_LOCAL_MACHINE, "Software\\Vendor", 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return 1;
  if (text(key, "A") != "machine a" || text(key, "B") != "machine b") return 2;
  if (setText(key, "A", "mine") != ERROR_SUCCESS) return 3;
  if (text(key, "A") != "mine" || text(key, "B") != "machine b") return 4;
  // One listing of both, the overlay's first, no name twice.
  std::set<std::string> names;
  char name[32];
  for (DWORD i = 0;; ++i) {
    DWORD length = sizeof name;
    const LONG rc = RegEnumValue(key, i, name, &length);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc != ERROR_SUCCESS || !names.insert(name).second || i > 4) return 5;
    if (i == 0 && std::string(name) != "A") return 5;
  }
  if (names != std::set<std::string>{"A", "B"}) return 5;
  DWORD values = 0, subKeys = 0;
  if (RegQueryInfoKey(key, &subKeys, nullptr, &values, nullptr, nullptr) != ERROR_SUCCESS || values != 2 ||
      subKeys != 1)
    return 6;
  // A new key of the overlay beside the machine's.
  HKEY made = 0;
  DWORD disposition = 0;
  if (RegCreateKeyEx(key, "New", 0, KEY_ALL_ACCESS, &made, &disposition) != ERROR_SUCCESS ||
      disposition != REG_CREATED_NEW_KEY)
    return 7;
  RegCloseKey(made);
  if (RegQueryInfoKey(key, &subKeys, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS || subKeys != 2) return 7;
  // Deletions take what the overlay holds, never the machine's.
  if (RegDeleteValue(key, "B") != ERROR_ACCESS_DENIED) return 8;
  if (RegDeleteKey(key, "Old") != ERROR_ACCESS_DENIED) return 8;
  if (RegDeleteKey(key, "New") != ERROR_SUCCESS) return 8;
  if (RegDeleteValue(key, "A") != ERROR_SUCCESS || text(key, "A") != "machine a") return 9;
  RegCloseKey(key);
  // A registration goes to the overlay too, and is read back through the
  // classes root.
  RegistryWrite w;
  w.subKey = "Mine.Class\\CLSID";
  w.hasValue = true;
  w.type = REG_SZ;
  w.data = std::string("{1}", 4);
  if (RegWriteBatch(HKEY_CLASSES_ROOT, {w}) != ERROR_SUCCESS) return 10;
  std::string clsid;
  if (readRegistryText(HKEY_CLASSES_ROOT, "Mine.Class\\CLSID", "", &clsid) != ERROR_SUCCESS || clsid != "{1}")
    return 10;
  if (registryWriteHivePath(HKEY_LOCAL_MACHINE) != state + "/kestrin/editor/machine.db") return 11;
  if (!fs::exists(state + "/kestrin/editor/machine.db")) return 11;
  return 0;
}

// The files in a folder, by name; none when it is missing.
std::set<std::string> filesIn(const std::string& folder) {
  std::set<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    if (!entry.is_directory()) names.insert(entry.path().filename().string());
  }
  return names;
}

// A start that only reads (the class looked up, keys opened with every
// right, values read and listed, a user's setting not there yet) makes
// neither the user's overlay nor the user's hive; the first writes make
// both, and a process after them reads every write back from the files.
int readOnlyStartChecks(const std::string& editor, const std::string& state) {
  setenv("XDG_STATE_HOME", state.c_str(), 1);
  setenv("XDG_DATA_HOME", (state + "/data").c_str(), 1);
  setRegistryFolder("");
  setMachineHiveFolder(editor);
  const std::string store = state + "/kestrin/editor";
  const std::string userFolder = state + "/data/kestrin";
  std::string read;
  if (readRegistryText(HKEY_CLASSES_ROOT, "Mine.Class\\CLSID", "", &read) != ERROR_FILE_NOT_FOUND) return 1;
  HKEY key = 0;
  if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Vendor", 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return 2;
  if (text(key, "A") != "machine a") return 2;
  char name[32];
  DWORD length = sizeof name;
  if (RegEnumValue(key, 0, name, &length) != ERROR_SUCCESS) return 2;
  HKEY user = 0;
  if (RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Mine", 0, KEY_READ, &user) != ERROR_FILE_NOT_FOUND) return 3;
  if (readRegistryText(HKEY_CURRENT_USER, "Software\\Mine", "Setting", &read) != ERROR_FILE_NOT_FOUND) return 3;
  if (!filesIn(store).empty() || !filesIn(userFolder).empty()) return 4;

  if (setText(key, "A", "mine") != ERROR_SUCCESS) return 5;
  RegCloseKey(key);
  if (RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Mine", 0, KEY_ALL_ACCESS, &user) != ERROR_SUCCESS) return 6;
  if (setText(user, "Setting", "kept") != ERROR_SUCCESS) return 6;
  RegCloseKey(user);
  if (!fs::exists(store + "/machine.db") || !fs::exists(userFolder + "/user.db")) return 7;

  // Every connection closed: what follows reads the files.
  setRegistryFolder("");
  if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Vendor", 0, KEY_READ, &key) != ERROR_SUCCESS) return 8;
  const bool machineKept = text(key, "A") == "mine" && text(key, "B") == "machine b";
  RegCloseKey(key);
  if (!machineKept) return 8;
  if (readRegistryText(HKEY_CURRENT_USER, "Software\\Mine", "Setting", &read) != ERROR_SUCCESS || read != "kept")
    return 9;
  return 0;
}

class RegistryOverlay : public kestrin_test::HiveFolderTest {
 protected:
  // The machine hive as an install leaves it, written by its owner, and
  // its folder made read-only; the state folder another user's to write.
  void SetUp() override {
    HiveFolderTest::SetUp();
    editor_ = dir_ + "/editor";
    state_ = dir_ + "/state";
    fs::create_directories(editor_);
    fs::create_directories(state_);
    setRegistryFolder(editor_);
    HKEY key = 0;
    ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, "Software\\Vendor\\Old", 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Vendor", 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    ASSERT_EQ(setText(key, "A", "machine a"), ERROR_SUCCESS);
    ASSERT_EQ(setText(key, "B", "machine b"), ERROR_SUCCESS);
    RegCloseKey(key);
    setRegistryFolder(dir_);  // closed and checkpointed
    fs::remove(editor_ + "/user.db");
    before_ = bytesOf(editor_ + "/machine.db");
    ASSERT_FALSE(before_.empty());
    fs::permissions(editor_ + "/machine.db", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(editor_, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                 fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(dir_, fs::perms::all);
    fs::permissions(state_, fs::perms::all);
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(editor_, fs::perms::owner_all, ec);
    HiveFolderTest::TearDown();
  }

  // body's result in a child process of a user who may not write the
  // editor folder.
  int asOtherUser(const std::function<int()>& body) {
    return kestrin_test::inChild([&] {
      if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return 64;
      return body();
    });
  }

  // The editor folder holds its machine hive alone, byte for byte.
  void expectInstallUnchanged() {
    EXPECT_EQ(bytesOf(editor_ + "/machine.db"), before_);
    EXPECT_EQ(filesIn(editor_), std::set<std::string>{"machine.db"}) << "files were left beside the machine hive";
  }

  std::string editor_, state_, before_;
};

TEST_F(RegistryOverlay, StandsBeforeAMachineHiveTheUserMayNotWrite) {
  EXPECT_EQ(asOtherUser([&] { return overlayChecks(editor_, state_); }), 0) << "the first failed check";
  expectInstallUnchanged();
}

TEST_F(RegistryOverlay, ReadsAloneMakeNoHiveFileAndTheFirstWritesMakeThem) {
  EXPECT_EQ(asOtherUser([&] { return readOnlyStartChecks(editor_, state_); }), 0) << "the first failed check";
  expectInstallUnchanged();
}

}  // namespace
