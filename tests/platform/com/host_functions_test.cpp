// The host functions under their plain C names, as a host written against
// include/kestrin/host.h reaches them in the platform library.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "common/temp_dir.h"
#include "platform/win32/registry.h"

// Last: its result codes are macros.
#include "kestrin/host.h"

namespace {

TEST(HostFunctions, StringsAndVariantsAreTheBoundarysOwn) {
  BSTR text = SysAllocStringLen("a\0b", 3);
  EXPECT_EQ(SysStringLen(text), 3u);
  VARIANT v;
  VariantInit(&v);
  EXPECT_EQ(V_VT(&v), VT_EMPTY);
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = text;
  VARIANT copy;
  VariantInit(&copy);
  ASSERT_EQ(VariantCopy(&copy, &v), S_OK);
  EXPECT_NE(V_BSTR(&copy), text);
  EXPECT_EQ(std::string(V_BSTR(&copy), SysStringLen(V_BSTR(&copy))), std::string("a\0b", 3));
  EXPECT_EQ(VariantClear(&v), S_OK);  // frees text
  EXPECT_EQ(V_VT(&v), VT_EMPTY);
  EXPECT_EQ(VariantClear(&copy), S_OK);
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  SysFreeString(nullptr);
}

TEST(HostFunctions, KestrinSetRegistryFolderMovesBothHivesAndNullMovesThemBack) {
  kestrin_test::TempDir folder;
  const std::string before = platform::registryHivePath(platform::HKEY_CURRENT_USER);
  KestrinSetRegistryFolder(folder.path().c_str());
  EXPECT_EQ(platform::registryHivePath(platform::HKEY_LOCAL_MACHINE), folder.file("machine.db"));
  EXPECT_EQ(platform::registryHivePath(platform::HKEY_CURRENT_USER), folder.file("user.db"));
  KestrinSetRegistryFolder(nullptr);
  EXPECT_EQ(platform::registryHivePath(platform::HKEY_CURRENT_USER), before);
}

// Run by the next test in a process of its own, with KESTRIN_REGISTRY set.
TEST(HostFunctions, RegistryFolderOfThisProcess) {
  const char* folder = std::getenv("KESTRIN_REGISTRY");
  if (!folder) GTEST_SKIP() << "run by KestrinRegistryNamesTheFolderWhenTheLibraryLoads";
  EXPECT_EQ(platform::registryHivePath(platform::HKEY_LOCAL_MACHINE), std::string(folder) + "/machine.db");
  EXPECT_EQ(platform::registryHivePath(platform::HKEY_CURRENT_USER), std::string(folder) + "/user.db");
}

TEST(HostFunctions, KestrinRegistryNamesTheFolderWhenTheLibraryLoads) {
  kestrin_test::TempDir folder;
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::setenv("KESTRIN_REGISTRY", folder.path().c_str(), 1);
    ::execl("/proc/self/exe", "test", "--gtest_filter=HostFunctions.RegistryFolderOfThisProcess",
            static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
