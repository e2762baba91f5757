// The code editor's files: open, save (atomic), insert and print.
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "code_editor_test_support.h"
#include "common/raised.h"
#include "platform/controls/code_editor_files.h"
#include "platform/runtime/errors.h"
#include "platform/runtime/replace_file.h"
#include "platform/runtime/script_file.h"

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
  static void write(const std::string& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }
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

using kestrin_test::raisedNumber;

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

// A file longer than one read: the mark goes, and a CR LF that the end
// of a read cuts in two stays one line break.
TEST_F(CodeEditorFiles, OpenOfALongFileKeepsEveryBreakWhereTheReadsMeet) {
  for (size_t cr : {size_t{65535}, size_t{65536}, size_t{131071}}) {
    SCOPED_TRACE(cr);
    std::string bytes = "\xEF\xBB\xBF" + std::string(cr - 3, 'x') + "\r\ny\n";
    bytes += std::string(70000, 'z') + "\r";
    write(path("long.vbs"), bytes);
    Fixture f;
    f.editor.openFile(path("long.vbs"));
    EXPECT_EQ(f.editor.lineCount(), 4);
    EXPECT_EQ(f.editor.text(), bytes.substr(3, cr - 1) + "y\r\n" + std::string(70000, 'z') + "\r\n");
    EXPECT_EQ(platform::controls::readTextFile(path("long.vbs")), bytes.substr(3));
  }
}

TEST_F(CodeEditorFiles, OpenOfAMissingFileRaisesAndKeepsTheText) {
  Fixture f("kept");
  EXPECT_EQ(raisedNumber([&] { f.editor.openFile(path("missing.vbs")); }), platform::err::FileNotFound);
  EXPECT_EQ(f.editor.text(), "kept");
  EXPECT_EQ(raisedNumber([&] { f.editor.openFile(dir_.string()); }), platform::err::PathFileAccessError);
}

TEST_F(CodeEditorFiles, OpenWorksOnAReadOnlyEditor) {
  write(path("a.vbs"), "x\ny");
  Fixture f;
  f.editor.setReadOnly(true);
  f.editor.openFile(path("a.vbs"));
  EXPECT_EQ(f.editor.text(), "x\r\ny");
}

// The text of an opened file is the editor's own: the file cut short,
// written over or removed after the open changes nothing of it, and a save
// over its own file writes the text whole (a text over many chunks, CR LF
// throughout, as a file read whole is kept).
TEST_F(CodeEditorFiles, AnOpenedTextStaysWhateverBecomesOfItsFile) {
  std::string bytes;
  for (int i = 0; i < 3000; ++i) bytes += "Dim value" + std::to_string(i) + " = \"text\"\r\n";
  struct Case {
    const char* name;
    std::function<void(const std::string&)> change;
  };
  const Case cases[] = {
      {"cut short", [](const std::string& p) { fs::resize_file(p, 10); }},
      {"written over", [](const std::string& p) { write(p, std::string(70000, 'z')); }},
      {"removed", [](const std::string& p) { fs::remove(p); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    write(path("a.vbs"), bytes);
    Fixture f;
    f.editor.openFile(path("a.vbs"));
    c.change(path("a.vbs"));
    EXPECT_EQ(f.editor.text(), bytes);
    f.editor.saveFile(path("a.vbs"), false);
    EXPECT_EQ(read(path("a.vbs")), bytes);
    f.editor.openFile(path("a.vbs"));
    EXPECT_EQ(f.editor.text(), bytes);
  }
}

TEST_F(CodeEditorFiles, SaveWritesCrLfAndRoundTrips) {
  write(path("a.vbs"), "a\nb\n");
  Fixture f;
  f.editor.openFile(path("a.vbs"));
  f.editor.saveFile(path("a.vbs"), false);
  EXPECT_EQ(read(path("a.vbs")), "a\r\nb\r\n");
  f.editor.saveFile(path("b.vbs"), true);
  EXPECT_EQ(read(path("b.vbs")),
            "\xEF\xBB\xBF"
            "a\r\nb\r\n");
  f.editor.openFile(path("b.vbs"));  // the byte-order mark is no text
  EXPECT_EQ(f.editor.text(), "a\r\nb\r\n");
  f.editor.setReadOnly(true);  // saving works whatever the flag
  f.editor.saveFile(path("c.vbs"), false);
  EXPECT_EQ(read(path("c.vbs")), "a\r\nb\r\n");
  EXPECT_EQ(names(), (std::vector<std::string>{"a.vbs", "b.vbs", "c.vbs"}));
}

TEST_F(CodeEditorFiles, SaveKeepsPermissions) {
  write(path("a.vbs"), "old");
  chmod(path("a.vbs").c_str(), 0640);
  Fixture f("new");
  f.editor.saveFile(path("a.vbs"), false);
  struct stat st {};
  ASSERT_EQ(stat(path("a.vbs").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(read(path("a.vbs")), "new");
}

TEST_F(CodeEditorFiles, SaveKeepsExtendedAttributes) {
  write(path("a.vbs"), "old");
  if (setxattr(path("a.vbs").c_str(), "user.kestrin", "42", 2, 0) != 0)
    GTEST_SKIP() << "the file system of " << dir_ << " keeps no user extended attributes";
  Fixture f("new");
  f.editor.saveFile(path("a.vbs"), false);
  EXPECT_EQ(read(path("a.vbs")), "new");
  char value[8] = {};
  EXPECT_EQ(getxattr(path("a.vbs").c_str(), "user.kestrin", value, sizeof value), 2);
  EXPECT_STREQ(value, "42");
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

// In a sticky folder that everybody may write, a link is followed only when
// it is this user's or the folder owner's, as the kernel's own protection
// does for an open: a link another user planted there is refused with 70
// and nothing is written where it points, be it the script's own name or
// a folder on the way to it. Ownership needs the superuser.
TEST_F(CodeEditorFiles, SaveFollowsALinkInAStickyFolderOnlyWhereTheKernelWould) {
  if (geteuid() != 0) GTEST_SKIP() << "giving a link to another user needs the superuser";
  constexpr uid_t kFolderOwner = 4001, kOther = 4002;
  const uid_t me = geteuid();
  std::ifstream sysctl("/proc/sys/fs/protected_symlinks");
  int kernelProtects = 0;
  sysctl >> kernelProtects;
  struct Case {
    const char* name;
    mode_t folderMode;
    uid_t linkOwner;
    bool followed;
  } cases[] = {
      {"planted_by_another_user", 01777, kOther, false},  {"own_link", 01777, me, true},
      {"folder_owners_link", 01777, kFolderOwner, true},  {"not_sticky", 0777, kOther, true},
      {"sticky_not_world_writable", 01775, kOther, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path shared = dir_ / c.name;
    fs::create_directory(shared);
    ASSERT_EQ(chown(shared.c_str(), kFolderOwner, kFolderOwner), 0);
    ASSERT_EQ(chmod(shared.c_str(), c.folderMode), 0);
    const std::string victim = path(std::string(c.name) + ".victim");
    write(victim, "precious");
    const std::string link = (shared / "script.vbs").string();
    fs::create_symlink(victim, link);
    ASSERT_EQ(lchown(link.c_str(), c.linkOwner, c.linkOwner), 0);
    if (kernelProtects == 1) {
      const int fd = open(link.c_str(), O_RDONLY);
      EXPECT_EQ(fd >= 0, c.followed) << "the kernel's own rule differs";
      if (fd >= 0) close(fd);
    }
    Fixture f("new");
    EXPECT_EQ(raisedNumber([&] { f.editor.saveFile(link, false); }), c.followed ? 0 : 70);
    EXPECT_EQ(read(victim), c.followed ? "new" : "precious");
    EXPECT_TRUE(fs::is_symlink(link));

    // A link to a folder, the script named through it.
    const fs::path victimFolder = dir_ / (std::string(c.name) + ".home");
    fs::create_directory(victimFolder);
    write((victimFolder / ".profile").string(), "precious");
    const std::string folderLink = (shared / "folder").string();
    fs::create_directory_symlink(victimFolder, folderLink);
    ASSERT_EQ(lchown(folderLink.c_str(), c.linkOwner, c.linkOwner), 0);
    EXPECT_EQ(raisedNumber([&] { f.editor.saveFile(folderLink + "/.profile", false); }), c.followed ? 0 : 70);
    EXPECT_EQ(read((victimFolder / ".profile").string()), c.followed ? "new" : "precious");
    EXPECT_EQ(std::distance(fs::directory_iterator(victimFolder), fs::directory_iterator()), 1);
  }
}

// A ".." is taken where the kernel takes it: after a folder only. Behind a
// missing name or a file the save fails, as an open of that path would,
// and writes nothing in the folder the ".." would have led back to.
TEST_F(CodeEditorFiles, ADotDotBehindAMissingNameOrAFileIsNotWalkedBack) {
  fs::create_directory(dir_ / "sub");
  write(path("plain.vbs"), "kept");
  struct Case {
    const char* asked;
    bool saved;
  } cases[] = {
      {"sub/../through_folder.vbs", true},
      {"missing/../through_missing.vbs", false},
      {"plain.vbs/../through_file.vbs", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.asked);
    const std::string landed = path(fs::path(c.asked).filename().string());
    Fixture f("new");
    EXPECT_EQ(raisedNumber([&] { f.editor.saveFile(path(c.asked), false); }) == 0, c.saved);
    EXPECT_EQ(fs::exists(landed), c.saved);
  }
  EXPECT_EQ(read(path("plain.vbs")), "kept");
}

// A script saved for the first time is as any new file of the user's:
// 0666 less the umask, not a temporary file's private mode.
TEST_F(CodeEditorFiles, ANewScriptGetsTheUsualModeUnderTheUmask) {
  for (const auto& [mask, mode] : {std::pair<mode_t, mode_t>{022, 0644}, {077, 0600}, {002, 0664}}) {
    SCOPED_TRACE(mask);
    const std::string name = path("new-" + std::to_string(mask) + ".vbs");
    const mode_t old = umask(mask);
    Fixture f("new");
    f.editor.saveFile(name, false);
    umask(old);
    struct stat st {};
    ASSERT_EQ(stat(name.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, mode);
  }
}

// A FIFO would wait for a writer for ever and /dev/zero never ends: the
// reader refuses both at once, as it refuses a folder.
TEST_F(CodeEditorFiles, TheReaderRefusesWhatIsNoPlainFileWithoutReadingIt) {
  ASSERT_EQ(mkfifo(path("pipe.vbs").c_str(), 0600), 0);
  for (const std::string& name : {path("pipe.vbs"), std::string("/dev/zero"), dir_.string()}) {
    SCOPED_TRACE(name);
    try {
      platform::controls::readTextFile(name);
      ADD_FAILURE() << "read";
    } catch (const platform::RuntimeError& e) {
      EXPECT_EQ(e.number(), 75);
    }
  }
}

// The hand-over copy is a file of the editor's own: a link planted under
// its name (dangling, or to a file of the user's) is replaced by the copy,
// and nothing is written where it points.
TEST_F(CodeEditorFiles, TheOwnCopyReplacesALinkAtItsNameAndNeverWritesThroughIt) {
  write(path("victim"), "precious");
  for (const char* target : {"victim", "nowhere"}) {
    SCOPED_TRACE(target);
    fs::remove(dir_ / "_Temp.vbs");
    fs::create_symlink(path(target), dir_ / "_Temp.vbs");
    Fixture f("copy");
    f.editor.saveOwnCopy(path("_Temp.vbs"));
    EXPECT_FALSE(fs::is_symlink(dir_ / "_Temp.vbs"));
    EXPECT_EQ(read(path("_Temp.vbs")), "copy");
    EXPECT_EQ(read(path("victim")), "precious");
    EXPECT_FALSE(fs::exists(dir_ / "nowhere"));
  }
  EXPECT_EQ(names(), (std::vector<std::string>{"_Temp.vbs", "victim"}));
}

// What a save killed between naming its temporary file and renaming it
// leaves behind goes with the next save of the same file; a file of the
// same name that a living writer holds stays.
TEST_F(CodeEditorFiles, TheNextSaveRemovesWhatAKilledSaveLeftBehind) {
  write(path("a.vbs"), "old");
  const std::string prefix = platform::replacementTempPrefix(path("a.vbs"));
  write(path(prefix + "Zq81xT"), std::string(5000, 'x'));
  write(path(prefix + "Held00"), "busy");
  const int held = open(path(prefix + "Held00").c_str(), O_RDONLY);
  ASSERT_GE(held, 0);
  ASSERT_EQ(flock(held, LOCK_EX), 0);
  write(path(prefix + "longer-name"), "not ours");
  Fixture f("new");
  f.editor.saveFile(path("a.vbs"), false);
  close(held);
  EXPECT_EQ(read(path("a.vbs")), "new");
  EXPECT_EQ(names(), (std::vector<std::string>{prefix + "Held00", prefix + "longer-name", "a.vbs"}));
}

TEST_F(CodeEditorFiles, SaveRefusesAReadOnlyFile) {
  write(path("a.vbs"), "old\r\n");
  chmod(path("a.vbs").c_str(), 0444);
  Fixture f("new");
  EXPECT_EQ(raisedNumber([&] { f.editor.saveFile(path("a.vbs"), false); }), platform::err::PermissionDenied);
  EXPECT_EQ(read(path("a.vbs")), "old\r\n");
  EXPECT_EQ(names(), (std::vector<std::string>{"a.vbs"}));
}

TEST_F(CodeEditorFiles, SaveIntoAMissingFolderRaises) {
  Fixture f("x");
  EXPECT_EQ(raisedNumber([&] { f.editor.saveFile(path("no/such/a.vbs"), false); }), platform::err::PathNotFound);
  EXPECT_NE(raisedNumber([&] { f.editor.saveFile("", false); }), 0);
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
  const int number = raisedNumber([&] { f.editor.saveFile(path("a.vbs"), false); });
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
  const int number = raisedNumber([&] { f.editor.saveFile(path("a.vbs"), false); });
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
  EXPECT_EQ(raisedNumber([&] { g.editor.insertFile(path("none.vbs"), {0, 0}); }), platform::err::FileNotFound);
}

// A file whose text would make a line or the line count too large for
// the editor raises 6 and leaves the text, its undo and its events as they
// were. Small limits stand for the 32-bit ones.
TEST_F(CodeEditorFiles, InsertFileThatWouldOutgrowTheLimitsRaisesAndChangesNothing) {
  write(path("part.vbs"), "abcd\r\nef");
  const platform::ScriptLimits saved = platform::scriptLimits();
  platform::setScriptLimits({0, 10, 4});
  struct Case {
    const char* what;
    std::string text;
    CodePosition at;
    bool refused;
  };
  const Case cases[] = {
      {"the first line joins six bytes before", "xxxxxx", {0, 6}, false},
      {"the first line joins seven bytes before", "xxxxxxx", {0, 7}, true},
      {"the last line joins the bytes after", "xxxxxxxxxx", {0, 1}, true},
      {"one line too many", "a\r\nb\r\nc\r\nd", {0, 0}, true},
      {"as many lines as may be", "a\r\nb\r\nc", {0, 0}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Fixture f(c.text);
    f.events.clear();
    EXPECT_EQ(f.editor.insertFileProblem(path("part.vbs"), c.at).empty(), !c.refused);
    const int number = raisedNumber([&] { f.editor.insertFile(path("part.vbs"), c.at); });
    EXPECT_EQ(number, c.refused ? platform::err::Overflow : 0);
    if (c.refused) {
      EXPECT_EQ(f.editor.text(), c.text);
      EXPECT_FALSE(f.editor.canUndo());
      EXPECT_TRUE(f.events.log.empty());
    } else {
      EXPECT_NE(f.editor.text(), c.text);
    }
  }
  // After two new lines of an indented line, the first line starts after
  // the indentation.
  Fixture g("      x");
  g.editor.setAutoIndentMode(1);
  EXPECT_EQ(g.editor.insertFileProblem(path("part.vbs"), {0, 7}, 2), "");
  g.editor.setText("       x");
  EXPECT_EQ(g.editor.insertFileProblem(path("part.vbs"), {0, 8}, 2).rfind("the line it goes into", 0), 0u);
  EXPECT_EQ(raisedNumber([&] { g.editor.insertFile(path("none.vbs"), {0, 0}); }), platform::err::FileNotFound);
  platform::setScriptLimits(saved);
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

// The user hears of every job: where it went, or why it failed (a print
// folder that cannot be made, below a file).
TEST_F(CodeEditorFiles, ThePrinterTellsTheUserWhereAJobWentOrWhyItFailed) {
  auto user = std::make_shared<PromptUser>();
  platform::ui::setCurrentUser(user);
  Fixture f("Dim a");
  setPrintFolder(path("print"));
  const std::string job = f.editor.print(0, 0);
  write(path("file"), "x");
  setPrintFolder(path("file") + "/print");
  const int32_t failed = raisedNumber([&] { f.editor.print(0, 0); });
  setPrintFolder({});
  platform::ui::setCurrentUser(nullptr);
  EXPECT_EQ(failed, platform::err::PathNotFound);
  ASSERT_EQ(user->printReports.size(), 2u);
  const auto& done = user->printReports[0];
  EXPECT_EQ(done.jobFile, job);
  EXPECT_EQ(done.folder, path("print"));
  EXPECT_EQ(done.error, 0);
  EXPECT_FALSE(done.spooled);
  const auto& refused = user->printReports[1];
  EXPECT_EQ(refused.jobFile, "");
  EXPECT_EQ(refused.folder, path("file") + "/print");
  EXPECT_EQ(refused.error, platform::err::PathNotFound);
  EXPECT_EQ(refused.failure, "Path not found");
}

// Jobs have names no one can guess and are readable by their user alone;
// a link planted in the print folder is never written through.
TEST_F(CodeEditorFiles, PrintJobsArePrivateAndOfUnpredictableNames) {
  setPrintFolder(path("print"));
  Fixture f("Dim a");
  const std::string first = f.editor.print(0, 0);
  const std::string second = f.editor.print(0, 0);
  setPrintFolder({});
  EXPECT_NE(first, second);
  for (const std::string& job : {first, second}) {
    struct stat st {};
    ASSERT_EQ(lstat(job.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_TRUE(fs::path(job).filename().string().starts_with("Kestrin_script-"));
    EXPECT_EQ(fs::path(job).extension(), ".txt");
  }
}

// The environment of the print folder for one test: no runtime folder and
// no chosen one, the temporary and state folders given; all four put back
// as they were when the test ends.
class PrintEnvironment {
 public:
  PrintEnvironment(const std::string& tmp, const std::string& state) {
    for (const char* name : kNames)
      if (const char* value = std::getenv(name)) saved_.emplace_back(name, value);
    ::unsetenv("XDG_RUNTIME_DIR");
    ::unsetenv("KESTRIN_PRINT_DIR");
    ::setenv("TMPDIR", tmp.c_str(), 1);
    ::setenv("XDG_STATE_HOME", state.c_str(), 1);
  }
  ~PrintEnvironment() {
    for (const char* name : kNames) ::unsetenv(name);
    for (const auto& [name, value] : saved_) ::setenv(name.c_str(), value.c_str(), 1);
  }

 private:
  static constexpr const char* kNames[] = {"TMPDIR", "XDG_RUNTIME_DIR", "KESTRIN_PRINT_DIR", "XDG_STATE_HOME"};
  std::vector<std::pair<std::string, std::string>> saved_;
};

// A temporary folder where no print folder can be made (it does not
// exist): the jobs go under the user's home, and the note says the folder
// could not be made, not that someone else has it.
TEST_F(CodeEditorFiles, APrintFolderThatCannotBeMadeIsNotCalledAnotherUsers) {
  const PrintEnvironment env(path("no-such-tmp"), path("state"));
  const std::string refused = path("no-such-tmp/kestrin-print-" + std::to_string(geteuid()));
  const fs::path own = dir_ / "state/kestrin/run/print";
  Fixture f("Dim a");
  testing::internal::CaptureStderr();
  EXPECT_EQ(fs::path(f.editor.print(0, 0)).parent_path(), own);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "kestrin: " + refused + " cannot be made; using " + own.string() + " instead\n");
  EXPECT_FALSE(fs::exists(dir_ / "no-such-tmp"));
}

// Without a chosen folder the jobs go to a folder of this user's own that
// no one else may enter. One that another user took or opened, or a link
// in its place, is never written to: the jobs go to a folder under the
// user's home instead (standard error says so once), and with that one
// refused too, nothing is written.
TEST_F(CodeEditorFiles, ThePrintFolderIsTheUsersOwnOrNone) {
  const PrintEnvironment env(dir_.string(), path("state"));
  const std::string folder = printFolder();
  EXPECT_EQ(folder, path("kestrin-print-" + std::to_string(geteuid())));
  Fixture f("Dim a");
  const std::string job = f.editor.print(0, 0);
  struct stat st {};
  ASSERT_EQ(stat(folder.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0700u);
  EXPECT_EQ(fs::path(job).parent_path(), fs::path(folder));
  EXPECT_FALSE(fs::exists(dir_ / "state"));

  // Taken by someone else: opened to others, another owner, a link.
  fs::create_directory(dir_ / "elsewhere");
  const std::vector<std::function<void()>> takeovers = {
      [&] { chmod(folder.c_str(), 0777); },
      [&] {
        if (geteuid() == 0) {
          chown(folder.c_str(), 12345, 12345);
        } else {
          chmod(folder.c_str(), 0755);
        }
      },
      [&] {
        fs::remove_all(folder);
        fs::create_directory_symlink(dir_ / "elsewhere", folder);
      },
  };
  const fs::path own = dir_ / "state/kestrin/run/print";
  testing::internal::CaptureStderr();
  for (size_t i = 0; i < takeovers.size(); ++i) {
    SCOPED_TRACE(i);
    fs::remove_all(folder);
    fs::create_directory(folder);
    chmod(folder.c_str(), 0700);
    takeovers[i]();
    EXPECT_EQ(fs::path(f.editor.print(0, 0)).parent_path(), own);
    EXPECT_TRUE(fs::is_empty(dir_ / "elsewhere"));
    if (fs::is_directory(folder) && !fs::is_symlink(folder)) {
      EXPECT_TRUE(fs::is_empty(folder));
    }
  }
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "kestrin: " + folder + " is not this user's own folder; using " + own.string() + " instead\n");
  ASSERT_EQ(stat(own.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0700u);
  ASSERT_EQ(stat(own.parent_path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0700u);
  // The one under the home opened to others as well: nothing is written.
  chmod(own.c_str(), 0755);
  EXPECT_EQ(raisedNumber([&] { f.editor.print(0, 0); }), platform::err::PermissionDenied);
  EXPECT_TRUE(fs::is_empty(dir_ / "elsewhere"));
  // Without XDG_STATE_HOME, the state folder is the home's.
  const char* oldHome = std::getenv("HOME");
  const std::string savedHome = oldHome ? oldHome : "";
  ::unsetenv("XDG_STATE_HOME");
  ::setenv("HOME", path("home").c_str(), 1);
  EXPECT_EQ(fs::path(f.editor.print(0, 0)).parent_path(), dir_ / "home/.local/state/kestrin/run/print");
  if (oldHome) ::setenv("HOME", savedHome.c_str(), 1);
  fs::remove(folder);
  // The runtime folder first, where there is one.
  fs::create_directory(dir_ / "run");
  ::setenv("XDG_RUNTIME_DIR", path("run").c_str(), 1);
  EXPECT_EQ(printFolder(), path("run/kestrin-print"));
  // A chosen folder is taken as it is.
  ::setenv("KESTRIN_PRINT_DIR", path("chosen").c_str(), 1);
  EXPECT_EQ(fs::path(f.editor.print(0, 0)).parent_path(), dir_ / "chosen");

}

}  // namespace
