#include "platform/runtime/script_file.h"
#include "common/raised.h"

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

// A script whose text would not fit the memory there is, or whose lines
// or columns the editor's 32-bit numbers cannot reach, is refused before
// it is read into the editor. Small limits stand for the real ones.
TEST(ScriptFile, AScriptTooLargeForTheMemoryOrTheLineNumbersIsRefused) {
  struct Case {
    const char* what;
    platform::ScriptLimits limits;
    std::string text;
    std::string problem;  // how the problem starts; "" none
  };
  const std::string block(65535, 'x');  // a CR LF across the reader's blocks
  const Case cases[] = {
      {"fits", {1000, 10, 3}, "abcdefghij\r\nabc\r\nd", ""},
      {"1.2 times the size is more than the memory", {119, 1000, 1000}, std::string(100, 'a'), "it needs about"},
      {"1.2 times the size just fits", {120, 1000, 1000}, std::string(100, 'a'), ""},
      {"a line one byte too long",
       {1000, 10, 100},
       "abc\r\nabcdefghijk\r\nabc",
       "a line of it is longer than 10 bytes"},
      {"the last line too long", {1000, 10, 100}, "abc\r\nabcdefghijk", "a line of it is longer than 10 bytes"},
      {"a lone CR ends a line", {1000, 5, 100}, "abcde\rfghij\nklmno", ""},
      {"a lone CR ends a line, the rest too long", {1000, 5, 100}, "abcde\rfghijk", "a line of it is longer"},
      {"one line too many", {1000, 100, 3}, "a\r\nb\r\nc\r\n", "it has more than 3 lines"},
      {"as many lines as may be, mixed breaks", {1000, 100, 3}, "a\nb\rc", ""},
      {"CR LF split between two blocks is one break", {1 << 20, 1 << 20, 2}, block + "\r\ny", ""},
      {"CR then CR LF are two breaks", {1000, 100, 2}, "a\r\r\nb", "it has more than 2 lines"},
  };
  const platform::ScriptLimits saved = platform::scriptLimits();
  kestrin_test::TempDir dir;
  const std::string path = dir.file("big.vbs");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    write(path, c.text);
    platform::setScriptLimits(c.limits);
    const std::string problem = platform::scriptReadProblem(path);
    platform::setScriptLimits(saved);
    if (c.problem.empty())
      EXPECT_EQ(problem, "");
    else
      EXPECT_EQ(problem.rfind(c.problem, 0), 0u) << problem;
  }
  // The real limits: what 32-bit lines and columns reach, and the memory
  // the system has.
  EXPECT_EQ(saved.lineBytes, 0x7FFFFFFFu);
  EXPECT_EQ(saved.lines, 0x7FFFFFFFu);
  EXPECT_EQ(saved.memory, 0u);
}

// Inserted into a text, a file's first line joins the bytes before the
// place and its last line those after it (one line with all of them when
// the file has no break); its breaks add to the text's lines and its
// bytes to the text's.
TEST(ScriptFile, AnInsertionThatWouldOutgrowTheLimitsIsRefused) {
  struct Case {
    const char* what;
    platform::ScriptLimits limits;
    platform::InsertPlace place;  // text bytes, lines, line before, after
    std::string text;
    std::string problem;  // how the problem starts; "" none
  };
  const std::string longLine = "the line it goes into would be longer than 10 bytes";
  const Case cases[] = {
      {"the first line fills the line before", {1000, 10, 100}, {20, 2, 5, 9}, "abcde\r\nx", ""},
      {"the first line one byte too many", {1000, 10, 100}, {20, 2, 6, 9}, "abcde\r\nx", longLine},
      {"the last line one byte too many", {1000, 10, 100}, {20, 2, 9, 5}, "x\r\nabcdef", longLine},
      {"the last line after a lone CR", {1000, 10, 100}, {20, 2, 9, 5}, "x\rabcdef", longLine},
      {"the last line fills the line after", {1000, 10, 100}, {20, 2, 9, 4}, "x\r\nabcdef", ""},
      {"no break: one line of all three", {1000, 10, 100}, {20, 2, 3, 4}, "abcd", longLine},
      {"no break: just fits", {1000, 10, 100}, {20, 2, 3, 3}, "abcd", ""},
      {"a middle line too long", {1000, 10, 100}, {20, 2, 0, 0}, "a\r\nabcdefghijk\r\nb", longLine},
      {"as many lines as may be", {1000, 100, 5}, {20, 3, 0, 0}, "a\r\nb\nc", ""},
      {"one line too many", {1000, 100, 5}, {20, 3, 0, 0}, "a\r\nb\nc\r", "the script would have more than 5 lines"},
      {"the text and the file just fit the memory", {120, 1000, 1000}, {90, 1, 0, 0}, std::string(10, 'a'), ""},
      {"the text and the file too large for the memory", {120, 1000, 1000}, {91, 1, 0, 0}, std::string(10, 'a'),
       "it needs about"},
  };
  const platform::ScriptLimits saved = platform::scriptLimits();
  kestrin_test::TempDir dir;
  const std::string path = dir.file("part.vbs");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    write(path, c.text);
    platform::setScriptLimits(c.limits);
    const std::string problem = platform::scriptInsertProblem(path, c.place);
    platform::setScriptLimits(saved);
    if (c.problem.empty())
      EXPECT_EQ(problem, "");
    else
      EXPECT_EQ(problem.rfind(c.problem, 0), 0u) << problem;
  }
  // What cannot be read at all says why, as for an open.
  EXPECT_EQ(platform::scriptInsertProblem(dir.file("missing.vbs"), {}), "it does not exist");
  EXPECT_EQ(platform::scriptInsertProblem(dir.path(), {}), "it is a folder");
}
