// CRegistry: the root key, the stored forms of written values and how
// values of every type read back, the lists of sub-keys and value names,
// deletions, the key-name check, and a root that names none or is
// read-only. The hives lie in a temporary folder.
#include "support/CRegistry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "common/temp_dir.h"
#include "platform/win32/registry.h"
#include "support/support_fixture.h"

namespace {

using kestrin::support::CRegistry;
using kestrin_test::Raised;
using kestrin_test::raisedBy;
using platform::ByteArray;
using platform::StringArray;
using platform::Variant;

constexpr int32_t kCurrentUser = static_cast<int32_t>(platform::HKEY_CURRENT_USER);
constexpr int32_t kLocalMachine = static_cast<int32_t>(platform::HKEY_LOCAL_MACHINE);

// A value as the registry holds it.
struct Stored {
  bool found = false;
  platform::DWORD type = 0;
  std::string data;
  bool operator==(const Stored&) const = default;
};
Stored stored(platform::HKEY root, const std::string& path, const std::string& name) {
  Stored s;
  platform::HKEY key = 0;
  if (platform::RegOpenKeyEx(root, path, 0, platform::KEY_READ, &key) != platform::ERROR_SUCCESS) return s;
  platform::DWORD size = 0;
  if (platform::RegQueryValueEx(key, name, &s.type, nullptr, &size) == platform::ERROR_SUCCESS) {
    s.found = true;
    s.data.assign(size, '\0');
    platform::RegQueryValueEx(key, name, nullptr, s.data.data(), &size);
  }
  platform::RegCloseKey(key);
  return s;
}
// A value written as another program would.
void store(platform::HKEY root, const std::string& path, const std::string& name, platform::DWORD type,
           const std::string& data) {
  platform::HKEY key = 0;
  ASSERT_EQ(platform::RegCreateKeyEx(root, path, 0, platform::KEY_ALL_ACCESS, &key), platform::ERROR_SUCCESS);
  platform::RegSetValueEx(key, name, type, data.data(), static_cast<platform::DWORD>(data.size()));
  platform::RegCloseKey(key);
}
std::string bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s += static_cast<char>(v);
  return s;
}

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kestrin_test::setEditorIdentity(dir);
    hive.use();
    ::setenv("KESTRIN_REGISTRY_TEST", dir.path().c_str(), 1);
    reg.Init(kCurrentUser);
  }
  void TearDown() override { kestrin_test::TempRegistry::leave(); }
  kestrin_test::TempDir dir;
  kestrin_test::TempRegistry hive;
  CRegistry reg;
};

TEST_F(RegistryTest, ANewObjectWorksBelowTheClassesRootUntilAnotherRootIsSet) {
  CRegistry fresh;
  EXPECT_EQ(fresh.RootKey(), static_cast<int32_t>(0x80000000u));
  EXPECT_TRUE(fresh.SetValue(".kvb\\Shell", "", "Edit", CRegistry::kText));
  EXPECT_EQ(stored(platform::HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\.kvb\\Shell", "").data, std::string("Edit\0", 5));
  fresh.Init(kCurrentUser);
  EXPECT_EQ(fresh.RootKey(), kCurrentUser);
  EXPECT_FALSE(fresh.KeyExists(".kvb"));
  fresh.setRootKey(kLocalMachine);
  EXPECT_EQ(fresh.RootKey(), kLocalMachine);
  EXPECT_TRUE(fresh.KeyExists("SOFTWARE\\Classes\\.kvb\\Shell"));
}

TEST_F(RegistryTest, WrittenValuesAreStoredByTheirRuleAndReadBack) {
  ByteArray ten = ByteArray::of({0, 1, 2, 3, 250, 5, 6, 7, 8, 255});
  struct Case {
    const char* what;
    Variant value;
    int32_t type;
    Stored stored;
    Variant readBack;
  } cases[] = {
      {"text", "plain", 1, {true, 1, std::string("plain\0", 6)}, "plain"},
      {"text asked as expandable", "plain", 2, {true, 1, std::string("plain\0", 6)}, "plain"},
      {"a reference",
       "%KESTRIN_REGISTRY_TEST%/x",
       1,
       {true, 2, std::string("%KESTRIN_REGISTRY_TEST%/x\0", 26)},
       dir.path() + "/x"},
      {"an unknown reference", "%a%", 2, {true, 2, std::string("%a%\0", 4)}, "%a%"},
      {"one percent sign", "100%", 2, {true, 1, std::string("100%\0", 5)}, "100%"},
      {"two signs side by side", "%%", 1, {true, 1, std::string("%%\0", 3)}, "%%"},
      {"empty text", "", 1, {true, 1, std::string("\0", 1)}, ""},
      {"a number as text", int32_t{42}, 1, {true, 1, std::string("42\0", 3)}, "42"},
      {"a Long", int32_t{-2}, 4, {true, 4, bytes({0xFE, 0xFF, 0xFF, 0xFF})}, int32_t{-2}},
      {"an Integer", int16_t{7}, 4, {true, 4, bytes({7, 0, 0, 0})}, int32_t{7}},
      {"big-endian asked", int32_t{1}, 5, {true, 4, bytes({1, 0, 0, 0})}, int32_t{1}},
      {"bytes", ten, 3, {true, 3, bytes({0, 1, 2, 3, 250, 5, 6, 7, 8, 255})}, ten},
      {"bytes from index 5", ByteArray::of({9, 8}, 5), 3, {true, 3, bytes({9, 8})}, ByteArray::of({9, 8})},
      {"no bytes", ByteArray(0, -1), 3, {true, 3, ""}, ByteArray(0, -1)},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(reg.SetValue("Software\\Kestrin", "v", c.value, c.type)) << c.what;
    EXPECT_EQ(stored(platform::HKEY_CURRENT_USER, "Software\\Kestrin", "v"), c.stored) << c.what;
    EXPECT_EQ(reg.ValueType("Software\\Kestrin", "v"), static_cast<int32_t>(c.stored.type)) << c.what;
    EXPECT_EQ(reg.GetValue("Software\\Kestrin", "v", "default"), c.readBack) << c.what;
  }
}

TEST_F(RegistryTest, AValueOfTheWrongKindOrAnUnknownTypeWritesNothing) {
  struct Case {
    const char* what;
    Variant value;
    int32_t type;
  } cases[] = {
      {"text as bytes", "0102", 3},
      {"text as a number", "12", 4},
      {"a Double as a number", 1.5, 5},
      {"Longs as bytes", platform::LongArray::of({1, 2}), 3},
      {"type 9", "x", 9},
      {"type 0", "x", 0},
      {"type 7", "x", 7},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(reg.SetValue("Software\\Kestrin", "v", c.value, c.type)) << c.what;
    EXPECT_FALSE(stored(platform::HKEY_CURRENT_USER, "Software\\Kestrin", "v").found) << c.what;
  }
  // The key itself was made on the way.
  EXPECT_TRUE(reg.KeyExists("Software\\Kestrin"));
}

TEST_F(RegistryTest, ValuesOfOtherProgramsReadByTheirStoredType) {
  const auto hkcu = platform::HKEY_CURRENT_USER;
  store(hkcu, "Other", "big", platform::REG_DWORD_BIG_ENDIAN, bytes({0, 0, 0, 1}));
  store(hkcu, "Other", "multi", platform::REG_MULTI_SZ, std::string("a\0bc\0\0", 6));
  store(hkcu, "Other", "unended", platform::REG_SZ, "abc");
  store(hkcu, "Other", "link", platform::REG_LINK, "ab");
  store(hkcu, "Other", "none", platform::REG_NONE, "");
  store(hkcu, "Other", "type 11", 11, bytes({1, 2, 3}));
  store(hkcu, "Other", "short number", platform::REG_DWORD, bytes({0x34, 0x12}));
  store(hkcu, "Other", "long number", platform::REG_DWORD, bytes({1, 0, 0, 0, 9, 9, 9, 9}));
  store(hkcu, "Other", "expand", platform::REG_EXPAND_SZ, std::string("%KESTRIN_REGISTRY_TEST%\0", 24));

  struct Case {
    const char* name;
    Variant expected;
  } cases[] = {
      {"big", int32_t{1}},
      {"multi", std::string("a\0bc\0", 5)},  // the parts with a NUL after the last
      {"unended", "ab"},                     // the last character goes as the terminator
      {"link", ByteArray::of({'a', 'b'})},
      {"none", ByteArray(0, -1)},
      {"type 11", ByteArray::of({1, 2, 3})},
      {"short number", int32_t{0x1234}},
      {"long number", int32_t{1}},
      {"expand", dir.path()},
  };
  for (const Case& c : cases) EXPECT_EQ(reg.GetValue("Other", c.name, {}), c.expected) << c.name;
  EXPECT_EQ(reg.ValueType("Other", "big"), 5);
  EXPECT_EQ(reg.ValueType("Other", "type 11"), 11);
}

TEST_F(RegistryTest, MissingKeysAndValuesGiveTheDefaultAndType0) {
  store(platform::HKEY_CURRENT_USER, "Present", "v", platform::REG_SZ, std::string("x\0", 2));
  const Variant fallback = ByteArray::of({7});
  EXPECT_EQ(reg.GetValue("Present", "missing", fallback), fallback);
  EXPECT_EQ(reg.GetValue("Absent\\Deeper", "v", fallback), fallback);
  EXPECT_TRUE(reg.GetValue("Absent", "v", {}).isEmpty());
  EXPECT_EQ(reg.ValueType("Present", "missing"), 0);
  EXPECT_EQ(reg.ValueType("Absent", "v"), 0);
  EXPECT_FALSE(reg.KeyExists("Absent"));
  EXPECT_TRUE(reg.KeyExists("present"));  // names are compared without regard to case
}

TEST_F(RegistryTest, FailuresInsideAMemberRaiseTheComponentFailure) {
  store(platform::HKEY_CURRENT_USER, "Other", "empty text", platform::REG_SZ, "");
  const std::function<void()> calls[] = {
      [&] { reg.GetValue("Other", "empty text", "default"); },  // a text of 0 bytes
      [&] { reg.SetValue("Other", "v", Variant::null(), CRegistry::kText); },
      [&] { reg.SetValue("Other", "v", platform::LongArray::of({1}), CRegistry::kExpandText); },
      [&] { reg.SetValue("Other", "v", ByteArray(), CRegistry::kBinary); },  // unallocated
  };
  for (const auto& call : calls) {
    const Raised r = raisedBy(call);
    EXPECT_EQ(r.n, 18003);
    EXPECT_EQ(r.source, "KestrinScriptEditor.CRegistry");
    EXPECT_EQ(r.description, "CRegistry component failure");
  }
  EXPECT_FALSE(stored(platform::HKEY_CURRENT_USER, "Other", "v").found);
}

TEST_F(RegistryTest, TheListsGiveTheNamesInTheRegistrysOrderFromIndex1) {
  for (const char* key : {"Tree\\Beta", "Tree\\alpha", "Tree\\Gamma\\Inner"}) ASSERT_TRUE(reg.CreateKey(key));
  reg.SetValue("Tree", "Zeta", int32_t{1}, CRegistry::kNumber);
  reg.SetValue("Tree", "", "default", CRegistry::kText);
  reg.SetValue("Tree", "alpha", "a", CRegistry::kText);

  StringArray names = StringArray::of({"old"});
  EXPECT_EQ(reg.GetAllSubKeys("Tree", names), 3);
  EXPECT_EQ(names.lbound(), 1);
  EXPECT_EQ(names.items(), (std::vector<std::string>{"Beta", "alpha", "Gamma"}));
  EXPECT_EQ(reg.GetAllValueNames("Tree", names), 3);
  EXPECT_EQ(names.lbound(), 1);
  EXPECT_EQ(names.items(), (std::vector<std::string>{"Zeta", "", "alpha"}));

  // Nothing to list, or no key: 0 and an array without elements.
  for (const char* key : {"Tree\\Beta", "Absent"}) {
    names = StringArray::of({"old"});
    EXPECT_EQ(reg.GetAllSubKeys(key, names), 0) << key;
    EXPECT_FALSE(names.isAllocated()) << key;
    names = StringArray::of({"old"});
    EXPECT_EQ(reg.GetAllValueNames(key, names), 0) << key;
    EXPECT_FALSE(names.isAllocated()) << key;
  }
  // The empty name lists the root itself.
  EXPECT_EQ(reg.GetAllSubKeys("", names), 1);
  EXPECT_EQ(names[1], "Tree");
  // The longest name a key may have fills the buffer but for its NUL.
  ASSERT_TRUE(reg.CreateKey("Tree\\" + std::string(255, 'n')));
  EXPECT_EQ(reg.GetAllSubKeys("Tree", names), 4);
  EXPECT_EQ(names[4], std::string(255, 'n'));
}

TEST_F(RegistryTest, DeletionsReportWhetherTheRegistryAgreed) {
  reg.SetValue("Tree\\Leaf", "v", "x", CRegistry::kText);
  EXPECT_TRUE(reg.DeleteValue("Tree\\Leaf", "v"));
  EXPECT_FALSE(stored(platform::HKEY_CURRENT_USER, "Tree\\Leaf", "v").found);
  EXPECT_FALSE(reg.DeleteValue("Tree\\Leaf", "v"));
  EXPECT_FALSE(reg.DeleteValue("Absent", "v"));

  EXPECT_FALSE(reg.DeleteKey("Tree"));  // it has a sub-key
  EXPECT_TRUE(reg.DeleteKey("Tree\\Leaf"));
  EXPECT_FALSE(reg.KeyExists("Tree\\Leaf"));
  EXPECT_FALSE(reg.DeleteKey("Tree\\Leaf"));
  EXPECT_TRUE(reg.DeleteKey("Tree"));
}

TEST_F(RegistryTest, TheEmptyKeyNameIsRefusedBySixMembersAndIsTheRootForTheOthers) {
  const std::function<void()> refused[] = {
      [&] { reg.CreateKey(""); },
      [&] { reg.DeleteKey(""); },
      [&] { reg.DeleteValue("", "v"); },
      [&] { reg.KeyExists(""); },
      [&] { reg.SetValue("", "v", "x", CRegistry::kText); },
      [&] { reg.ValueType("", "v"); },
  };
  for (const auto& call : refused) {
    const Raised r = raisedBy(call);
    EXPECT_EQ(r.n, 18001);
    EXPECT_EQ(r.source, "KestrinScriptEditor.CRegistry");
    EXPECT_EQ(r.description, "Invalid KeyName value");
  }
  // A blank is a name.
  EXPECT_TRUE(reg.CreateKey(" "));
  EXPECT_TRUE(reg.KeyExists(" "));

  StringArray names;
  EXPECT_EQ(raisedBy([&] { reg.GetAllSubKeys("", names); }).n, 0);
  EXPECT_EQ(raisedBy([&] { reg.GetAllValueNames("", names); }).n, 0);
  EXPECT_EQ(raisedBy([&] { EXPECT_EQ(reg.GetValue("", "v", "d"), Variant("d")); }).n, 0);
}

TEST_F(RegistryTest, ARootThatNamesNoneRefusesEverythingWithoutAnError) {
  for (int32_t root : {int32_t{12345}, static_cast<int32_t>(platform::HKEY_USERS), int32_t{0}}) {
    reg.Init(root);
    StringArray names = StringArray::of({"old"});
    const Raised r = raisedBy([&] {
      EXPECT_FALSE(reg.CreateKey("Key"));
      EXPECT_FALSE(reg.SetValue("Key", "v", "x", CRegistry::kText));
      EXPECT_FALSE(reg.KeyExists("Key"));
      EXPECT_FALSE(reg.DeleteValue("Key", "v"));
      EXPECT_FALSE(reg.DeleteKey("Key"));
      EXPECT_EQ(reg.ValueType("Key", "v"), 0);
      EXPECT_EQ(reg.GetValue("Key", "v", "d"), Variant("d"));
      EXPECT_EQ(reg.GetAllSubKeys("", names), 0);
      EXPECT_EQ(reg.GetAllValueNames("Key", names), 0);
      EXPECT_FALSE(names.isAllocated());
    });
    EXPECT_EQ(r.n, 0) << root;
  }
}

TEST_F(RegistryTest, AReadOnlyRootIsReadButRefusesEveryChange) {
  reg.Init(kLocalMachine);
  ASSERT_TRUE(reg.SetValue("Software\\Kestrin\\Leaf", "v", int32_t{3}, CRegistry::kNumber));
  platform::setRegistryRootReadOnly(platform::HKEY_LOCAL_MACHINE, true);

  EXPECT_FALSE(reg.CreateKey("Software\\Kestrin\\New"));
  EXPECT_FALSE(reg.CreateKey("Software\\Kestrin\\Leaf"));  // opened for writing
  EXPECT_FALSE(reg.SetValue("Software\\Kestrin\\Leaf", "v", int32_t{4}, CRegistry::kNumber));
  EXPECT_FALSE(reg.DeleteValue("Software\\Kestrin\\Leaf", "v"));
  EXPECT_FALSE(reg.DeleteKey("Software\\Kestrin\\Leaf"));

  EXPECT_TRUE(reg.KeyExists("Software\\Kestrin\\Leaf"));
  EXPECT_EQ(reg.GetValue("Software\\Kestrin\\Leaf", "v", {}), Variant(int32_t{3}));
  EXPECT_EQ(reg.ValueType("Software\\Kestrin\\Leaf", "v"), 4);
  StringArray names;
  EXPECT_EQ(reg.GetAllSubKeys("Software\\Kestrin", names), 1);
  EXPECT_EQ(reg.GetAllValueNames("Software\\Kestrin\\Leaf", names), 1);

  // The classes root follows the machine's.
  reg.Init(CRegistry::kClassesRoot);
  EXPECT_FALSE(reg.CreateKey(".kvb"));
}

}  // namespace
