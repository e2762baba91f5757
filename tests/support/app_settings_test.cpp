// CAppSettings: the key path, the setters' checks, the stored forms of the
// values and how they read back, deleting and listing, and the errors with
// their two sources.
#include "support/CAppSettings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "common/temp_dir.h"
#include "platform/runtime/convert.h"
#include "platform/win32/registry.h"
#include "support/support_fixture.h"

namespace {

using kestrin::support::CAppSettings;
using kestrin_test::Raised;
using kestrin_test::raisedBy;
using platform::Variant;

const char* const kSection = "Windows settings\\frmMain";
const char* const kSectionKey = "Software\\MyCompany\\MyApplication\\Windows settings\\frmMain";

// A stored value as the registry holds it.
struct Stored {
  bool found = false;
  platform::DWORD type = 0;
  std::string data;
};

class AppSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kestrin_test::setEditorIdentity(dir);
    registry.use();
  }
  void TearDown() override { kestrin_test::TempRegistry::leave(); }

  static Stored stored(platform::HKEY root, const std::string& path, const std::string& name) {
    Stored s;
    platform::HKEY key = 0;
    if (platform::RegOpenKeyEx(root, path, 0, platform::KEY_READ, &key) != platform::ERROR_SUCCESS) return s;
    platform::DWORD size = 0;
    if (platform::RegQueryValueEx(key, name, &s.type, nullptr, &size) == platform::ERROR_SUCCESS) {
      s.data.assign(size, '\0');
      s.found = platform::RegQueryValueEx(key, name, nullptr, s.data.data(), &size) == platform::ERROR_SUCCESS;
    }
    platform::RegCloseKey(key);
    return s;
  }
  // Writes a value of any type and data, as another program might.
  static void writeRaw(const std::string& path, const std::string& name, platform::DWORD type,
                       const std::string& data) {
    platform::HKEY key = 0;
    ASSERT_EQ(platform::RegCreateKeyEx(platform::HKEY_LOCAL_MACHINE, path, 0, platform::KEY_ALL_ACCESS, &key),
              platform::ERROR_SUCCESS);
    ASSERT_EQ(platform::RegSetValueEx(key, name, type, data.data(), static_cast<platform::DWORD>(data.size())),
              platform::ERROR_SUCCESS);
    platform::RegCloseKey(key);
  }
  static std::string dword(int32_t v) {
    std::string bytes(4, '\0');
    std::memcpy(bytes.data(), &v, 4);
    return bytes;
  }

  kestrin_test::TempDir dir;
  kestrin_test::TempRegistry registry;
  CAppSettings settings;
};

// ---- The path and its fields ---------------------------------------------------

TEST_F(AppSettingsTest, ANewStoreWritesBelowTheMachineRootAndASectionWithBackslashesNestsKeys) {
  EXPECT_EQ(settings.RootKey(), static_cast<int32_t>(0x80000002u));
  EXPECT_EQ(settings.MainBranch(), "Software");
  EXPECT_EQ(settings.CompanyName(), "MyCompany");
  EXPECT_EQ(settings.AppName(), "MyApplication");

  settings.SaveSetting(kSection, "WindowState", "1");

  const Stored s = stored(platform::HKEY_LOCAL_MACHINE, kSectionKey, "WindowState");
  EXPECT_TRUE(s.found);
  EXPECT_EQ(s.type, platform::REG_SZ);
  EXPECT_FALSE(stored(platform::HKEY_CURRENT_USER, kSectionKey, "WindowState").found);
}

TEST_F(AppSettingsTest, ChangedPathFieldsMoveLaterCallsAndLeaveStoredValuesWhereTheyAre) {
  settings.SaveSetting("S", "V", "old place");
  settings.setRootKey(CAppSettings::kCurrentUser);
  settings.Init("Other Co", "Tool");
  settings.setMainBranch("Software\\Vendors");
  settings.SaveSetting("S", "V", "new place");

  EXPECT_EQ(stored(platform::HKEY_CURRENT_USER, "Software\\Vendors\\Other Co\\Tool\\S", "V").data,
            std::string("new place\0", 10));
  EXPECT_EQ(stored(platform::HKEY_LOCAL_MACHINE, "Software\\MyCompany\\MyApplication\\S", "V").data,
            std::string("old place\0", 10));
  EXPECT_EQ(settings.GetSetting("S", "V"), Variant("new place"));
}

struct SetterCase {
  const char* what;
  std::function<void(CAppSettings&)> set;
  int32_t n;
  const char* description;
};

TEST_F(AppSettingsTest, SettersRejectBadValuesWithTheirOwnErrorAndKeepTheOldValue) {
  const SetterCase cases[] = {
      {"empty AppName", [](CAppSettings& s) { s.setAppName(""); }, 17021, "Invalid AppName value"},
      {"empty CompanyName", [](CAppSettings& s) { s.setCompanyName(""); }, 17022, "Invalid CompanyName value"},
      {"empty MainBranch", [](CAppSettings& s) { s.setMainBranch(""); }, 17023, "Invalid MainBranch value"},
      {"HKEY_CLASSES_ROOT", [](CAppSettings& s) { s.setRootKey(static_cast<int32_t>(0x80000000u)); }, 17024,
       "Invalid root key value"},
      {"HKEY_USERS", [](CAppSettings& s) { s.setRootKey(static_cast<int32_t>(platform::HKEY_USERS)); }, 17024,
       "Invalid root key value"},
      {"root 0", [](CAppSettings& s) { s.setRootKey(0); }, 17024, "Invalid root key value"},
      {"both Init texts empty", [](CAppSettings& s) { s.Init("", ""); }, 17022, "Invalid CompanyName value"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    CAppSettings s;
    const Raised r = raisedBy([&] { c.set(s); });
    EXPECT_EQ(r.n, c.n);
    EXPECT_EQ(r.source, "KestrinScriptEditor.CAppSettings");
    EXPECT_EQ(r.description, c.description);
    EXPECT_EQ(s.RootKey(), CAppSettings::kLocalMachine);
    EXPECT_EQ(s.MainBranch(), "Software");
    EXPECT_EQ(s.CompanyName(), "MyCompany");
    EXPECT_EQ(s.AppName(), "MyApplication");
  }
}

TEST_F(AppSettingsTest, InitStoresTheCompanyBeforeItChecksTheApplication) {
  const Raised r = raisedBy([&] { settings.Init("Acme", ""); });
  EXPECT_EQ(r.n, 17021);
  EXPECT_EQ(r.description, "Invalid AppName value");
  EXPECT_EQ(settings.CompanyName(), "Acme");
  EXPECT_EQ(settings.AppName(), "MyApplication");

  settings.setRootKey(CAppSettings::kCurrentUser);
  EXPECT_EQ(settings.RootKey(), static_cast<int32_t>(platform::HKEY_CURRENT_USER));
}

// ---- Stored forms ----------------------------------------------------------------

struct FormCase {
  const char* what;
  Variant given;
  platform::DWORD type;
  std::string data;  // the bytes in the registry
  Variant readBack;
};

TEST_F(AppSettingsTest, ValuesAreStoredInTheFormOfTheirKindAndReadBackInTheStoredForm) {
  const platform::Date date = platform::makeDate(2024, 1, 15, 9, 30, 0);
  const FormCase cases[] = {
      {"two-character text", Variant("42"), platform::REG_SZ, std::string("42\0", 3), Variant("42")},
      {"empty text", Variant(""), platform::REG_SZ, std::string(1, '\0'), Variant("")},
      {"Long", Variant(int32_t{42}), platform::REG_DWORD, dword(42), Variant(int32_t{42})},
      {"Integer", Variant(int16_t{-7}), platform::REG_DWORD, dword(-7), Variant(int32_t{-7})},
      {"2.5 halves to even", Variant(2.5), platform::REG_DWORD, dword(2), Variant(int32_t{2})},
      {"3.5 halves to even", Variant(3.5), platform::REG_DWORD, dword(4), Variant(int32_t{4})},
      {"Empty", Variant(), platform::REG_DWORD, dword(0), Variant(int32_t{0})},
      {"Boolean", Variant(true), platform::REG_SZ, std::string("True\0", 5), Variant("True")},
      {"Date", Variant(date), platform::REG_SZ, platform::cStr(Variant(date)) + '\0',
       Variant(platform::cStr(Variant(date)))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    settings.SaveSetting("Forms", "Value", c.given);
    const Stored s = stored(platform::HKEY_LOCAL_MACHINE, "Software\\MyCompany\\MyApplication\\Forms", "Value");
    EXPECT_EQ(s.type, c.type);
    EXPECT_EQ(s.data, c.data);
    EXPECT_EQ(settings.GetSetting("Forms", "Value", "default"), c.readBack);
  }
}

TEST_F(AppSettingsTest, ANumberThatIsNoLongOrANullValueFailsWithTheCatchAll) {
  for (const Variant& bad : {Variant(1e10), Variant(-2147483649.0), Variant::null()}) {
    SCOPED_TRACE(platform::typeName(bad));
    const Raised r = raisedBy([&] { settings.SaveSetting("Forms", "Value", bad); });
    EXPECT_EQ(r.n, 17028);
    EXPECT_EQ(r.source, "KestrinScriptEditor.CAppSettings");
    EXPECT_EQ(r.description, "CAppSettings component failure");
  }
  EXPECT_FALSE(stored(platform::HKEY_LOCAL_MACHINE, "Software\\MyCompany\\MyApplication\\Forms", "Value").found);
}

TEST_F(AppSettingsTest, ARootThatMayNotBeWrittenFailsTheSaveWithTheRegistryErrorsSource) {
  platform::setRegistryRootReadOnly(platform::HKEY_LOCAL_MACHINE, true);
  const Raised r = raisedBy([&] { settings.SaveSetting(kSection, "WindowState", "1"); });
  EXPECT_EQ(r.n, 17025);
  EXPECT_EQ(r.source, "KestrinScriptEditor.CAppSetting");
  EXPECT_EQ(r.description, "Failed saving the application setting");

  // Reading a read-only root still works; nothing is there.
  EXPECT_EQ(settings.GetSetting(kSection, "WindowState", "-1"), Variant("-1"));
}

// ---- Reading ---------------------------------------------------------------------

TEST_F(AppSettingsTest, AMissingSectionOrValueAndOtherTypesGiveTheDefault) {
  const std::string path = "Software\\MyCompany\\MyApplication\\Read";
  writeRaw(path, "Expand", platform::REG_EXPAND_SZ, std::string("%TEMP%\0", 7));
  writeRaw(path, "Binary", platform::REG_BINARY, "\x01\x02");
  writeRaw(path, "WideDword", platform::REG_DWORD, dword(5) + dword(6));

  EXPECT_EQ(settings.GetSetting("Never written", "WindowState", "-1"), Variant("-1"));
  EXPECT_EQ(settings.GetSetting("Read", "Missing", int32_t{3}), Variant(int32_t{3}));
  EXPECT_EQ(settings.GetSetting("Read", "Expand", "d"), Variant("d"));
  EXPECT_EQ(settings.GetSetting("Read", "Binary", "d"), Variant("d"));
  // More than the 4 bytes of a Long does not fit: the default.
  EXPECT_EQ(settings.GetSetting("Read", "WideDword", "d"), Variant("d"));
  EXPECT_TRUE(settings.GetSetting("Read", "Missing").isEmpty());
}

TEST_F(AppSettingsTest, TextIsReadLessItsLastCharacterAndTextOfNoDataFails) {
  const std::string path = "Software\\MyCompany\\MyApplication\\Read";
  writeRaw(path, "NoTerminator", platform::REG_SZ, "abc");
  writeRaw(path, "Empty", platform::REG_SZ, "");

  EXPECT_EQ(settings.GetSetting("Read", "NoTerminator", "d"), Variant("ab"));
  const Raised r = raisedBy([&] { settings.GetSetting("Read", "Empty", "d"); });
  EXPECT_EQ(r.n, 17028);
  EXPECT_EQ(r.source, "KestrinScriptEditor.CAppSettings");
}

// ---- Deleting and listing ------------------------------------------------------

TEST_F(AppSettingsTest, DeleteSettingRemovesAKeyBelowTheSectionOrTheSectionWhenItHasNoSubkeys) {
  settings.SaveSetting(kSection, "WindowState", "1");

  // "Windows settings" still has the key frmMain below it.
  Raised r = raisedBy([&] { settings.DeleteSetting("Windows settings"); });
  EXPECT_EQ(r.n, 17026);
  EXPECT_EQ(r.source, "KestrinScriptEditor.CAppSetting");
  EXPECT_EQ(r.description, "Failed deleting the application setting");

  settings.DeleteSetting("Windows settings", "frmMain");
  EXPECT_FALSE(stored(platform::HKEY_LOCAL_MACHINE, kSectionKey, "WindowState").found);
  settings.DeleteSetting("Windows settings");

  r = raisedBy([&] { settings.DeleteSetting("Windows settings"); });
  EXPECT_EQ(r.n, 17026);
}

TEST_F(AppSettingsTest, GetAllKeysListsTheValueNamesFromIndexOne) {
  settings.SaveSetting("List", "First", "1");
  settings.SaveSetting("List", "Second name", int32_t{2});
  settings.SaveSetting("List\\Below", "Not listed", "3");

  platform::StringArray keys = platform::StringArray::of({"stale"});
  settings.GetAllKeys("List", keys);
  ASSERT_TRUE(keys.isAllocated());
  EXPECT_EQ(keys.lbound(), 1);
  EXPECT_EQ(keys.items(), (std::vector<std::string>{"First", "Second name"}));

  settings.GetAllKeys("List\\Below", keys);
  EXPECT_EQ(keys.items(), (std::vector<std::string>{"Not listed"}));

  settings.DeleteSetting("List\\Below");
  settings.SaveSetting("Empty\\Child", "x", "1");
  settings.GetAllKeys("Empty", keys);
  EXPECT_EQ(keys.count(), 0);
}

TEST_F(AppSettingsTest, GetAllKeysOfAMissingSectionFailsWithKeysEmptied) {
  platform::StringArray keys = platform::StringArray::of({"stale"}, 1);
  const Raised r = raisedBy([&] { settings.GetAllKeys("Never written", keys); });
  EXPECT_EQ(r.n, 17027);
  EXPECT_EQ(r.source, "KestrinScriptEditor.CAppSetting");
  EXPECT_EQ(r.description, "Failed getting all the application keys");
  EXPECT_EQ(keys.count(), 0);
}

}  // namespace
