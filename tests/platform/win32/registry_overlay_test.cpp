// The user's overlay of a machine hive the user may not write: read before
// the machine hive, taking every write of its roots, the machine hive
// left byte for byte.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
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

class RegistryOverlay : public kestrin_test::HiveFolderTest {};

TEST_F(RegistryOverlay, StandsBeforeAMachineHiveTheUserMayNotWrite) {
  const std::string editor = dir_ + "/editor";
  const std::string state = dir_ + "/state";
  fs::create_directories(editor);
  fs::create_directories(state);
  // The machine hive as an install leaves it, written by its owner.
  setRegistryFolder(editor);
  {
    HKEY key = 0;
    ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, "Software\\Vendor\\Old", 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Vendor", 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    ASSERT_EQ(setText(key, "A", "machine a"), ERROR_SUCCESS);
    ASSERT_EQ(setText(key, "B", "machine b"), ERROR_SUCCESS);
    RegCloseKey(key);
  }
  setRegistryFolder(dir_);  // closed and checkpointed
  fs::remove(editor + "/user.db");
  const std::string before = bytesOf(editor + "/machine.db");
  ASSERT_FALSE(before.empty());
  fs::permissions(editor + "/machine.db", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  fs::permissions(editor, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                              fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
  // The state folder is the other user's.
  fs::permissions(dir_, fs::perms::all);
  fs::permissions(state, fs::perms::all);
  const int result = kestrin_test::inChild([&] {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return 64;
    return overlayChecks(editor, state);
  });
  EXPECT_EQ(result, 0) << "the first failed check";
  EXPECT_EQ(bytesOf(editor + "/machine.db"), before);
  int files = 0;
  for (const auto& entry : fs::directory_iterator(editor)) files += entry.path().filename() != "machine.db" ? 1 : 0;
  EXPECT_EQ(files, 0) << "files were left beside the machine hive";
  fs::permissions(editor, fs::perms::owner_all);
}

}  // namespace
