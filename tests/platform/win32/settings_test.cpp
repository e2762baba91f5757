#include "platform/win32/settings.h"
#include "common/raised.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/runtime/errors.h"
#include "platform/win32/hive_fixture.h"
#include "platform/win32/registry.h"

namespace fs = std::filesystem;
using namespace platform;

namespace {

class Settings : public kestrin_test::HiveFolderTest {
 protected:
  // The raw registry value behind a setting: its type and bytes.
  bool rawValue(const std::string& section, const std::string& name, DWORD* type, std::string* bytes) {
    HKEY key = 0;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\VB and VBA Program Settings\\KestrinEditor\\" + section, 0, KEY_READ,
                     &key) != ERROR_SUCCESS) {
      return false;
    }
    char buf[256];
    DWORD size = sizeof buf;
    LONG rc = RegQueryValueEx(key, name, type, buf, &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return false;
    bytes->assign(buf, size);
    return true;
  }

  void writeRaw(const std::string& section, const std::string& name, DWORD type, const std::string& bytes) {
    HKEY key = 0;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\VB and VBA Program Settings\\KestrinEditor\\" + section, 0,
                             KEY_ALL_ACCESS, &key),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueEx(key, name, type, bytes.data(), static_cast<DWORD>(bytes.size())), ERROR_SUCCESS);
    RegCloseKey(key);
  }
};

TEST_F(Settings, MissingSettingGivesTheDefault) {
  EXPECT_EQ(GetSetting("KestrinEditor", "Preferences", "Font", "Courier New"), "Courier New");
  EXPECT_EQ(GetSetting("KestrinEditor", "Preferences", "Font"), "");
  SaveSetting("KestrinEditor", "Preferences", "Indent", "0");
  EXPECT_EQ(GetSetting("KestrinEditor", "Preferences", "Font", "Courier New"), "Courier New");
}

TEST_F(Settings, SavedTextIsStoredAsTheRuntimeStoredIt) {
  SaveSetting("KestrinEditor", "Preferences", "Highlight", "0");
  SaveSetting("KestrinEditor", "Preferences", "UserName", "Zoë Ärger");
  SaveSetting("KestrinEditor", "Preferences", "AutoSavePath", "");
  DWORD type = 0;
  std::string bytes;
  ASSERT_TRUE(rawValue("Preferences", "Highlight", &type, &bytes));
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(bytes, std::string("0\0", 2));  // the text and one NUL
  ASSERT_TRUE(rawValue("Preferences", "AutoSavePath", &type, &bytes));
  EXPECT_EQ(bytes, std::string("\0", 1));

  EXPECT_EQ(GetSetting("KestrinEditor", "Preferences", "highlight", "1"), "0");
  EXPECT_EQ(GetSetting("KestrinEditor", "Preferences", "UserName"), "Zoë Ärger");
  EXPECT_EQ(GetSetting("KestrinEditor", "Preferences", "AutoSavePath", "x"), "");
  SaveSetting("KestrinEditor", "Preferences", "HIGHLIGHT", "1");  // replaces, any case
  EXPECT_EQ(GetSetting("KestrinEditor", "Preferences", "Highlight"), "1");
  EXPECT_FALSE(rawValue("Preferences", "HighLightLine", &type, &bytes));
}

TEST_F(Settings, LongTextRoundTrips) {
  std::string text(5000, 'q');
  text += "end";
  SaveSetting("KestrinEditor", "Preferences", "Long", text);
  EXPECT_EQ(GetSetting("KestrinEditor", "Preferences", "Long"), text);
}

TEST_F(Settings, ValuesWrittenByOthersAreReadAsText) {
  struct Case {
    const char* name;
    DWORD type;
    std::string bytes;
    std::string expected;
  } cases[] = {
      {"NoNul", REG_SZ, "abc", "abc"},
      {"TwoNuls", REG_SZ, std::string("ab\0\0", 4), "ab"},
      {"Empty", REG_SZ, "", ""},
      {"Number", REG_DWORD, std::string("\x2A\0\0\0", 4), "default"},
      {"Expand", REG_EXPAND_SZ, std::string("%HOME%\0", 7), "default"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    writeRaw("Preferences", c.name, c.type, c.bytes);
    EXPECT_EQ(GetSetting("KestrinEditor", "Preferences", c.name, "default"), c.expected);
  }
}

TEST_F(Settings, DeleteTakesOneSettingOrTheWholeSection) {
  SaveSetting("KestrinEditor", "Preferences", "Font", "Arial");
  SaveSetting("KestrinEditor", "Preferences", "FontSize", "12");
  SaveSetting("KestrinEditor", "Other", "Kept", "yes");
  DeleteSetting("KestrinEditor", "Preferences", "font");
  EXPECT_EQ(GetSetting("KestrinEditor", "Preferences", "Font", "gone"), "gone");
  EXPECT_EQ(GetSetting("KestrinEditor", "Preferences", "FontSize"), "12");
  DeleteSetting("KestrinEditor", "Preferences");
  EXPECT_EQ(GetSetting("KestrinEditor", "Preferences", "FontSize", "gone"), "gone");
  EXPECT_EQ(GetSetting("KestrinEditor", "Other", "Kept"), "yes");
}

TEST_F(Settings, BadArgumentsAndMissingTargetsRaiseInvalidProcedureCall) {
  SaveSetting("KestrinEditor", "Preferences", "Font", "Arial");
  struct Case {
    const char* what;
    std::function<void()> call;
  } cases[] = {
      {"get without app", [] { GetSetting("", "Preferences", "Font"); }},
      {"get without section", [] { GetSetting("KestrinEditor", "", "Font"); }},
      {"save without app", [] { SaveSetting("", "Preferences", "Font", "x"); }},
      {"delete a missing section", [] { DeleteSetting("KestrinEditor", "Nothing"); }},
      {"delete a missing setting", [] { DeleteSetting("KestrinEditor", "Preferences", "Nothing"); }},
      {"delete below a missing section", [] { DeleteSetting("KestrinEditor", "Nothing", "Font"); }},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(kestrin_test::raisedNumber(c.call), err::InvalidProcedureCall) << c.what;
  }
  EXPECT_EQ(GetSetting("KestrinEditor", "Preferences", "Font"), "Arial");
}

TEST_F(Settings, StoreFailuresRaiseInsteadOfGivingTheDefault) {
  SaveSetting("KestrinEditor", "Preferences", "Font", "Arial");
  setRegistryRootReadOnly(HKEY_CURRENT_USER, true);
  EXPECT_EQ(kestrin_test::raisedNumber([] { SaveSetting("KestrinEditor", "Preferences", "Font", "Times"); }),
            err::PermissionDenied);
  EXPECT_EQ(kestrin_test::raisedNumber([] { DeleteSetting("KestrinEditor", "Preferences", "Font"); }),
            err::PermissionDenied);
  EXPECT_EQ(GetSetting("KestrinEditor", "Preferences", "Font"), "Arial");  // reading still works
  setRegistryRootReadOnly(HKEY_CURRENT_USER, false);

  // A damaged store is an error, never silently the defaults.
  setRegistryFolder(dir_);
  {
    std::ofstream out(dir_ + "/user.db", std::ios::binary | std::ios::trunc);
    out << std::string(4096, 'x');
  }
  fs::remove(dir_ + "/user.db-wal");
  fs::remove(dir_ + "/user.db-shm");
  testing::internal::CaptureStderr();
  EXPECT_EQ(kestrin_test::raisedNumber([] { GetSetting("KestrinEditor", "Preferences", "Font", "Courier New"); }),
            err::DeviceIOError);
  EXPECT_EQ(kestrin_test::raisedNumber([] { SaveSetting("KestrinEditor", "Preferences", "Font", "Times"); }),
            err::DeviceIOError);
  EXPECT_FALSE(testing::internal::GetCapturedStderr().empty());
}

TEST_F(Settings, AnotherProcessesWriteIsSeenAtOnce) {
  SaveSetting("KestrinEditor", "Preferences", "LastScriptLoaded", "first.vbs");
  ASSERT_EQ(GetSetting("KestrinEditor", "Preferences", "LastScriptLoaded"), "first.vbs");
  // Ping-pong: each side waits for the other's write before writing its own.
  int toChild[2], toParent[2];
  ASSERT_EQ(pipe(toChild), 0);
  ASSERT_EQ(pipe(toParent), 0);
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    int code = 0;
    char c;
    for (int round = 0; round < 5 && code == 0; ++round) {
      if (read(toChild[0], &c, 1) != 1) code = 1;
      try {
        if (GetSetting("KestrinEditor", "Preferences", "Ping") != "parent" + std::to_string(round)) {
          code = 2;
        }
        SaveSetting("KestrinEditor", "Preferences", "Pong", "child" + std::to_string(round));
      } catch (...) {
        code = 3;
      }
      if (write(toParent[1], "x", 1) != 1) code = 4;
    }
    _exit(code);
  }
  char c;
  for (int round = 0; round < 5; ++round) {
    SaveSetting("KestrinEditor", "Preferences", "Ping", "parent" + std::to_string(round));
    ASSERT_EQ(write(toChild[1], "x", 1), 1);
    ASSERT_EQ(read(toParent[0], &c, 1), 1);
    EXPECT_EQ(GetSetting("KestrinEditor", "Preferences", "Pong"), "child" + std::to_string(round));
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  for (int fd : {toChild[0], toChild[1], toParent[0], toParent[1]}) close(fd);
}

}  // namespace
