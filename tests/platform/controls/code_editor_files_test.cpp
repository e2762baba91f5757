// The code editor's files: open, save (atomic), insert and print.
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "code_editor_test_support.h"
#include "platform/controls/code_editor_files.h"

namespace {

using namespace ce_test;
namespace fs = std::filesystem;

class CodeEditorFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string templ = (fs::temp_directory_path() / "ce-files-XXXXXX").string();
    ASSERT_NE(mkdtemp(templ.data()), nullptr);
    dir_ = templ;
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(dir_, ec);
  }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  static void write(const std::string& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
  }
  static std::string read(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // The names in the folder, to see that no temporary file stays behind.
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir_)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }
  fs::path dir_;
};

int errorNumberOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const platform::RuntimeError& e) {
    return e.number();
  }
  return 0;
}

TEST_F(CodeEditorFiles, OpenReadsEveryKindOfLineEndAndRaisesNoTextChange) {
  write(path("a.vbs"), "one\r\ntwo\nthree\rfour\r\n");
  Fixture f("old");
  f.editor.setBookmarks({0});
  f.events.clear();
  f.editor.openFile(path("a.vbs"));
  EXPECT_EQ(f.editor.text(), "one\r\ntwo\r\nthree\r\nfour\r\n");
  EXPECT_EQ(f.editor.lineCount(), 5);
  EXPECT_TRUE(f.editor.getBookmarks().empty());
  EXPECT_FALSE(f.editor.canUndo());
  for (const auto& e : f.events.log) EXPECT_NE(e, "Change");
  f.editor.openFile("");  // the empty name empties the view
  EXPECT_EQ(f.editor.text(), "");
}

TEST_F(CodeEditorFiles, OpenOfAMissingFileRaisesAndKeepsTheText) {
  Fixture f("kept");
  EXPECT_EQ(errorNumberOf([&] { f.editor.openFile(path("missing.vbs")); }), platform::err::FileNotFound);
  EXPECT_EQ(f.editor.text(), "kept");
  EXPECT_EQ(errorNumberOf([&] { f.editor.openFile(dir_.string()); }), platform::err::PathFileAccessError);
}

TEST_F(CodeEditorFiles, OpenWorksOnAReadOnlyEditor) {
  write(path("a.vbs"), "x\ny");
  Fixture f;
  f.editor.setReadOnly(true);
  f.editor.openFile(path("a.vbs"));
  EXPECT_EQ(f.editor.text(), "x\r\ny");
}

TEST_F(CodeEditorFiles, SaveWritesCrLfAndRoundTrips) {
  write(path("a.vbs"), "a\nb\n");
  Fixture f;
  f.editor.openFile(path("a.vbs"));
  f.editor.saveFile(path("a.vbs"), false);
  EXPECT_EQ(read(path("a.vbs")), "a\r\nb\r\n");
  f.editor.saveFile(path("b.vbs"), true);
  EXPECT_EQ(read(path("b.vbs")), "\xEF\xBB\xBF" "a\r\nb\r\n");
  f.editor.openFile(path("b.vbs"));  // the byte-order mark is no text
  EXPECT_EQ(f.editor.text(), "a\r\nb\r\n");
  f.editor.setReadOnly(true);  // saving works whatever the flag
  f.editor.saveFile(path("c.vbs"), false);
  EXPECT_EQ(read(path("c.vbs")), "a\r\nb\r\n");
  EXPECT_EQ(names(), (std::vector<std::string>{"a.vbs", "b.vbs", "c.vbs"}));
}

TEST_F(CodeEditorFiles, SaveKeepsPermissionsAndExtendedAttributes) {
  write(path("a.vbs"), "old");
  chmod(path("a.vbs").c_str(), 0640);
  const bool xattrs = setxattr(path("a.vbs").c_str(), "user.kestrin", "42", 2, 0) == 0;
  Fixture f("new");
  f.editor.saveFile(path("a.vbs"), false);
  struct stat st {};
  ASSERT_EQ(stat(path("a.vbs").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(read(path("a.vbs")), "new");
  if (xattrs) {
    char value[8] = {};
    EXPECT_EQ(getxattr(path("a.vbs").c_str(), "user.kestrin", value, sizeof value), 2);
    EXPECT_STREQ(value, "42");
  }
}

TEST_F(CodeEditorFiles, SaveWritesThroughASymbolicLink) {
  fs::create_directory(dir_ / "real");
  write(path("real/script.vbs"), "old");
  fs::create_symlink("real/script.vbs", dir_ / "link.vbs");
  Fixture f("new");
  f.editor.saveFile(path("link.vbs"), false);
  EXPECT_TRUE(fs::is_symlink(dir_ / "link.vbs"));
  EXPECT_EQ(read(path("real/script.vbs")), "new");
}

TEST_F(CodeEditorFiles, SaveRefusesAReadOnlyFile) {
  write(path("a.vbs"), "old\r\n");
  chmod(path("a.vbs").c_str(), 0444);
  Fixture f("new");
  EXPECT_EQ(errorNumberOf([&] { f.editor.saveFile(path("a.vbs"), false); }), platform::err::PermissionDenied);
  EXPECT_EQ(read(path("a.vbs")), "old\r\n");
  EXPECT_EQ(names(), (std::vector<std::string>{"a.vbs"}));
}

TEST_F(CodeEditorFiles, SaveIntoAMissingFolderRaises) {
  Fixture f("x");
  EXPECT_EQ(errorNumberOf([&] { f.editor.saveFile(path("no/such/a.vbs"), false); }), platform::err::PathNotFound);
  EXPECT_NE(errorNumberOf([&] { f.editor.saveFile("", false); }), 0);
}

// A folder that nobody may write into: its permissions for an ordinary
// user, the immutable flag for the superuser (who ignores permissions).
bool makeFolderReadOnly(const fs::path& dir, bool on) {
  if (geteuid() != 0) return chmod(dir.c_str(), on ? 0555 : 0755) == 0;
  const int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return false;
  int flags = 0;
  bool ok = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  if (ok) {
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    ok = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  }
  close(fd);
  return ok;
}

TEST_F(CodeEditorFiles, AFailedSaveInAReadOnlyFolderLeavesTheOldFile) {
  const std::string old = "Dim a\r\n' the saved script\r\n";
  write(path("a.vbs"), old);
  if (!makeFolderReadOnly(dir_, true)) GTEST_SKIP() << "no way to make a folder read-only here";
  Fixture f("the new text");
  const int number = errorNumberOf([&] { f.editor.saveFile(path("a.vbs"), false); });
  const std::vector<std::string> after = names();
  makeFolderReadOnly(dir_, false);
  EXPECT_EQ(number, platform::err::PermissionDenied);
  EXPECT_EQ(read(path("a.vbs")), old);
  EXPECT_EQ(after, (std::vector<std::string>{"a.vbs"}));
}

TEST_F(CodeEditorFiles, AFailedSaveOnAFullDiskLeavesTheOldFile) {
  const std::string old(3000, 'o');
  write(path("a.vbs"), old);
  // A size limit stands in for the full disk: writes past it fail.
  struct rlimit saved {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto previous = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  Fixture f(std::string(10000, 'n'));
  const int number = errorNumberOf([&] { f.editor.saveFile(path("a.vbs"), false); });
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  EXPECT_EQ(number, platform::err::DiskFull);
  EXPECT_EQ(read(path("a.vbs")), old);
  EXPECT_EQ(names(), (std::vector<std::string>{"a.vbs"}));
}

TEST_F(CodeEditorFiles, InsertFilePutsTheTextAtAClampedPosition) {
  write(path("part.vbs"), "Sub B()\nEnd Sub\n");
  Fixture f("a\r\nb");
  f.events.clear();
  f.editor.insertFile(path("part.vbs"), {1, 1});
  EXPECT_EQ(f.editor.text(), "a\r\nbSub B()\r\nEnd Sub\r\n");
  EXPECT_EQ(std::count(f.events.log.begin(), f.events.log.end(), "Change"), 1);
  // Past the last line, as the insert-file command asks: the last line.
  Fixture g("x\r\n\r\n");
  g.editor.insertFile(path("part.vbs"), {g.editor.lineCount(), 1});
  EXPECT_EQ(g.editor.text(), "x\r\n\r\nSub B()\r\nEnd Sub\r\n");
  EXPECT_EQ(errorNumberOf([&] { g.editor.insertFile(path("none.vbs"), {0, 0}); }), platform::err::FileNotFound);
}

TEST_F(CodeEditorFiles, PrintWritesOneJobToThePrintFolder) {
  setPrintFolder(path("print"));
  Fixture f("Dim a\r\nCall Main()");
  const std::string job = f.editor.print(0, 16);
  setPrintFolder({});
  EXPECT_EQ(fs::path(job).parent_path(), dir_ / "print");
  EXPECT_EQ(read(job), "1  Dim a\r\n2  Call Main()\r\n");
  f.editor.setReadOnly(true);  // printing changes nothing
  setPrintFolder(path("print"));
  EXPECT_EQ(read(f.editor.print(0, 0)), "Dim a\r\nCall Main()\r\n");
  setPrintFolder({});
}

}  // namespace
