// Where the editor folder's files are read and written by a user who owns
// the folder, and by one who may not write it.
#include "platform/win32/editor_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/win32/component.h"
#include "platform/win32/hive_fixture.h"

using namespace platform;
namespace fs = std::filesystem;

namespace {

void touch(const std::string& path) { std::ofstream(path) << "x"; }

class EditorStore : public kestrin_test::HiveFolderTest {
 protected:
  void SetUp() override {
    HiveFolderTest::SetUp();
    saved_ = componentIdentity();
    editor_ = dir_ + "/editor";
    state_ = dir_ + "/state";
    fs::create_directories(editor_ + "/Common/Temp");
    ComponentIdentity identity;
    identity.folder = editor_;
    setComponentIdentity(identity);
    if (const char* v = std::getenv("XDG_STATE_HOME")) savedState_ = v;
    if (const char* v = std::getenv("HOME")) savedHome_ = v;
    setenv("XDG_STATE_HOME", state_.c_str(), 1);
  }
  void TearDown() override {
    fs::permissions(editor_, fs::perms::owner_all);
    setComponentIdentity(saved_);
    if (savedState_.empty())
      unsetenv("XDG_STATE_HOME");
    else
      setenv("XDG_STATE_HOME", savedState_.c_str(), 1);
    setenv("HOME", savedHome_.c_str(), 1);
    HiveFolderTest::TearDown();
  }
  ComponentIdentity saved_;
  std::string editor_, state_, savedState_, savedHome_;
};

TEST_F(EditorStore, TheOwnersFilesAreTheFoldersOwn) {
  EXPECT_EQ(editorStoreFolder(), "");
  EXPECT_EQ(editorFileToWrite("kzScriptTrace.log"), editor_ + "/kzScriptTrace.log");
  EXPECT_EQ(editorFileToRead("Common/Temp/_Temp.vbs"), editor_ + "/Common/Temp/_Temp.vbs");
  EXPECT_FALSE(fs::exists(state_ + "/kestrin"));
}

// A folder without its owner's write permission is the install's: even
// its owner (the superuser too) writes into the store, private to the
// user, and reads the store's copy before the folder's.
TEST_F(EditorStore, AReadOnlyFolderHasItsFilesInTheUsersStore) {
  touch(editor_ + "/Kz.atb");
  touch(editor_ + "/KzLangDef.csv");
  fs::permissions(editor_, fs::perms::owner_read | fs::perms::owner_exec);
  const std::string store = state_ + "/kestrin/editor";
  EXPECT_EQ(editorStoreFolder(), store);
  EXPECT_EQ(editorFileToRead("Kz.atb"), editor_ + "/Kz.atb");
  EXPECT_EQ(editorFileToWrite("Common/Temp/_Temp.vbs"), store + "/Common/Temp/_Temp.vbs");
  EXPECT_TRUE(fs::is_directory(store + "/Common/Temp"));
  struct stat st {};
  ASSERT_EQ(stat(store.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  const std::string mine = editorFileToWrite("Kz.atb");
  EXPECT_EQ(mine, store + "/Kz.atb");
  touch(mine);
  EXPECT_EQ(editorFileToRead("Kz.atb"), mine);
  EXPECT_EQ(editorFileToRead("KzLangDef.csv"), editor_ + "/KzLangDef.csv");
  // Only an absolute XDG_STATE_HOME counts.
  setenv("XDG_STATE_HOME", "relative", 1);
  setenv("HOME", (dir_ + "/home").c_str(), 1);
  EXPECT_EQ(editorStoreFolder(), dir_ + "/home/.local/state/kestrin/editor");
}

TEST_F(EditorStore, AStoreThatCannotBeMadeIsSaidOnce) {
  fs::permissions(editor_, fs::perms::owner_read | fs::perms::owner_exec);
  touch(dir_ + "/file");
  setenv("XDG_STATE_HOME", (dir_ + "/file").c_str(), 1);
  ::testing::internal::CaptureStderr();
  const std::string path = editorFileToWrite("kzScriptErr.log");
  editorFileToWrite("kzScriptTrace.log");
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(path, dir_ + "/file/kestrin/editor/kzScriptErr.log");
  EXPECT_EQ(said, "kestrin: the editor folder \"" + editor_ +
                      "\" is not this user's to write, and the user's store \"" + dir_ +
                      "/file/kestrin/editor\" cannot be made (Not a directory): the editor's files cannot be "
                      "written\n");
}

}  // namespace
