#include "common/raised.h"
#include "platform/runtime/script_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/temp_dir.h"
#include "platform/runtime/errors.h"

namespace {

namespace fs = std::filesystem;

// The runtime error number a call raises, or 0.
constexpr auto errorOf = [](auto&& f) { return kestrin_test::raisedNumber(f); };

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void write(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

unsigned modeOf(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0xFFFF;
}

TEST(ScriptFile, TheStampChangesWithTheContentTheFileAndNothingElse) {
  kestrin_test::TempDir dir;
  const std::string path = dir.file("a.vbs");
  EXPECT_FALSE(platform::fileStamp(path).exists);
  write(path, "one");
  const platform::FileStamp first = platform::fileStamp(path);
  EXPECT_TRUE(first.exists);
  EXPECT_EQ(platform::fileStamp(path), first);
  ::chmod(path.c_str(), 0600);  // permissions are no change of the script
  EXPECT_EQ(platform::fileStamp(path), first);
  write(dir.file("b.vbs"), "one");
  fs::rename(dir.file("b.vbs"), path);
  EXPECT_NE(platform::fileStamp(path), first);
}

// The editor's own file is made new: an old one of this user's (or a link,
// dangling or not) goes first and is never written through; nothing at all
// happens to one of another user.
TEST(ScriptFile, AnOwnFileIsMadeNewWithItsModeAndNeverThroughALink) {
  kestrin_test::TempDir dir;
  const std::string own = dir.file("_Temp.vbs");
  write(dir.file("victim"), "precious");
  for (const char* before : {"nothing", "file", "link", "dangling"}) {
    SCOPED_TRACE(before);
    fs::remove(own);
    if (std::string(before) == "file") write(own, "old copy");
    if (std::string(before) == "link") fs::create_symlink(dir.file("victim"), own);
    if (std::string(before) == "dangling") fs::create_symlink(dir.file("nowhere"), own);
    platform::writeNewOwnFile(own, "copy", 0600);
    EXPECT_FALSE(fs::is_symlink(own));
    EXPECT_EQ(readAll(own), "copy");
    EXPECT_EQ(modeOf(own), 0600u);
  }
  EXPECT_EQ(readAll(dir.file("victim")), "precious");
  EXPECT_FALSE(fs::exists(dir.file("nowhere")));
  EXPECT_EQ(errorOf([&] { platform::writeNewOwnFile(dir.path(), "x", 0600); }), 70);
  EXPECT_EQ(errorOf([&] { platform::writeNewOwnFile(own + std::string(1, '\0') + "x", "x", 0600); }), 52);
}

TEST(ScriptFile, AFileOfAnotherUserIsNeitherRemovedNorWrittenNorReadBackAsOurs) {
  if (::geteuid() != 0) GTEST_SKIP() << "making a file of another user needs the superuser";
  kestrin_test::TempDir dir;
  ::chmod(dir.path().c_str(), 01777);
  const std::string planted = dir.file("_Temp.vbs");
  write(planted, "theirs");
  ASSERT_EQ(::chown(planted.c_str(), 65534, 65534), 0);
  EXPECT_FALSE(platform::belongsToThisUser(planted));
  EXPECT_EQ(errorOf([&] { platform::writeNewOwnFile(planted, "mine", 0600); }), 70);
  EXPECT_EQ(readAll(planted), "theirs");
  EXPECT_EQ(platform::ownFileReadProblem(planted), "it belongs to another user");
  EXPECT_EQ(platform::scriptReadProblem(planted), "");
}

}  // namespace
