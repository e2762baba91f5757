#include "platform/win32/component.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>

#include "platform/runtime/errors.h"

namespace platform {
namespace {

TEST(Component, IdentifiesTheLibraryThatHoldsAnAddress) {
  void* dl = ::dlopen(KESTRIN_TEST_ROUTINES, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(dl, nullptr);
  identifyComponent(::dlsym(dl, "kz_answer"), 1, 0, 161);
  char resolved[PATH_MAX];
  ASSERT_NE(::realpath(KESTRIN_TEST_ROUTINES, resolved), nullptr);
  const std::string path = resolved;
  const ComponentIdentity& id = componentIdentity();
  EXPECT_EQ(id.path, path);
  EXPECT_EQ(id.folder, path.substr(0, path.rfind('/')));
  EXPECT_EQ(id.name, "KzRoutines");
  EXPECT_EQ(id.major, 1);
  EXPECT_EQ(id.minor, 0);
  EXPECT_EQ(id.revision, 161);
  // Runtime errors now name the component as their source.
  EXPECT_EQ(defaultErrorSource(), "KzRoutines");
  ::dlclose(dl);
}

TEST(Component, AnAddressOutsideAnyFileLeavesTheFieldsEmpty) {
  int onTheStack = 0;
  identifyComponent(&onTheStack, 2, 3, 4);
  const ComponentIdentity& id = componentIdentity();
  EXPECT_EQ(id.path, "");
  EXPECT_EQ(id.folder, "");
  EXPECT_EQ(id.name, "");
  EXPECT_EQ(id.major, 2);
}

TEST(Component, HostsAndTestsSetTheIdentity) {
  ComponentIdentity id;
  id.path = "/opt/editor/KestrinScriptEditor.so";
  id.folder = "/opt/editor";
  id.name = "KestrinScriptEditor";
  id.major = 1;
  setComponentIdentity(id);
  EXPECT_EQ(componentIdentity().name, "KestrinScriptEditor");
  EXPECT_EQ(componentIdentity().folder, "/opt/editor");
  EXPECT_EQ(defaultErrorSource(), "KestrinScriptEditor");
}

}  // namespace
}  // namespace platform
