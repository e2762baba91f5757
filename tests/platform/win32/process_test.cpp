#include "platform/win32/process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <sstream>

#include "common/temp_dir.h"

namespace platform {
namespace {

using kestrin_test::readFile;
using kestrin_test::TempDir;
using kestrin_test::writeFile;

std::set<std::string> entries(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) names.insert(e.path().filename().string());
  return names;
}

// Starts a command line in folder and waits for it; false when it did not start.
bool run(const std::string& commandLine, const std::string& folder) {
  STARTUPINFO startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION info;
  if (!CreateProcess("", commandLine, NORMAL_PRIORITY_CLASS, folder, startup, info)) return false;
  EXPECT_EQ(WaitForSingleObject(info.hProcess, INFINITE), WAIT_OBJECT_0);
  EXPECT_NE(CloseHandle(info.hProcess), 0);
  return true;
}

TEST(CommandLine, SplitsAsTheOriginalProgramsDid) {
  using V = std::vector<std::string>;
  struct Case {
    std::string line;
    V arguments;
  };
  const std::vector<Case> cases = {
      {"", {}},
      {"  a\tb  c ", {"a", "b", "c"}},
      {R"("a b" c)", {"a b", "c"}},
      {R"(a"b c"d)", {"ab cd"}},
      {R"("")", {""}},
      {R"("a""b")", {"a\"b"}},
      {R"(a\"b)", {"a\"b"}},
      {R"(a\\"b c")", {"a\\b c"}},
      {R"(a\\\"b)", {"a\\\"b"}},
      {R"(C:\Tools\ x\\y)", {"C:\\Tools\\", "x\\\\y"}},
      {R"("unclosed text)", {"unclosed text"}},
      {"; | $(id) `x` >f", {";", "|", "$(id)", "`x`", ">f"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(splitCommandLine(c.line), c.arguments);
  }
}

TEST(CreateProcess, ShellCharactersArePlainArgumentText) {
  TempDir dir;
  const std::string touch = findProgramOnPath("touch");
  ASSERT_FALSE(touch.empty());
  // touch makes one file per argument, named by the argument's text.
  ASSERT_TRUE(run("touch \"a b;c\" 'q' $(id) `id` x|y \"say \\\"hi\\\"\" ;rm >out &bg back\\slash", dir.path()));
  EXPECT_EQ(entries(dir.path()), (std::set<std::string>{"a b;c", "'q'", "$(id)", "`id`", "x|y", "say \"hi\"", ";rm",
                                                        ">out", "&bg", "back\\slash"}));
}

TEST(CreateProcess, AQuotedProgramAndAnUnquotedOneWithBlanks) {
  TempDir dir;
  std::filesystem::create_directory(dir.file("My Tools"));
  std::filesystem::create_symlink(findProgramOnPath("touch"), dir.file("My Tools/run"));
  std::filesystem::create_directory(dir.file("work"));
  // The texts up to each blank are tried in turn: "<dir>/My" names no file.
  ASSERT_TRUE(run(dir.file("My Tools/run") + " first", dir.file("work")));
  ASSERT_TRUE(run("\"" + dir.file("My Tools/run") + "\" second", dir.file("work")));
  EXPECT_EQ(entries(dir.file("work")), (std::set<std::string>{"first", "second"}));
}

// A file named by a part of an unquoted path with blanks never runs in
// place of the program: the longest text that names a file wins.
TEST(CreateProcess, AnUnquotedPathWithBlanksRunsTheLongestPrefixThatNamesAFile) {
  TempDir dir;
  std::filesystem::create_directory(dir.file("my tools"));
  std::filesystem::create_symlink(findProgramOnPath("touch"), dir.file("my tools/msinfo"));
  // "<dir>/my" is a program that would leave its own mark.
  writeFile(dir.file("my"), "#!/bin/sh\ntouch planted\n");
  ::chmod(dir.file("my").c_str(), 0755);
  std::filesystem::create_directory(dir.file("work"));
  ASSERT_TRUE(run(dir.file("my tools/msinfo") + " report", dir.file("work")));
  EXPECT_EQ(entries(dir.file("work")), (std::set<std::string>{"report"}));
  // With only the short one there, the short one is taken.
  ASSERT_TRUE(run(dir.file("my") + " tools/none", dir.file("work")));
  EXPECT_EQ(entries(dir.file("work")), (std::set<std::string>{"report", "planted"}));
}

TEST(CreateProcess, FailuresAreKnownBeforeItReturns) {
  TempDir dir;
  writeFile(dir.file("plain"), "text");
  writeFile(dir.file("garbage"), "\x01\x02\x03 not a program");
  ::chmod(dir.file("garbage").c_str(), 0755);
  struct Case {
    std::string line, folder;
    DWORD error;
  };
  const std::vector<Case> cases = {
      {dir.file("missing") + " a", "", ERROR_FILE_NOT_FOUND},
      {"no-such-program-kestrin", "", ERROR_FILE_NOT_FOUND},
      {dir.file("plain"), "", ERROR_ACCESS_DENIED},
      {dir.file("garbage"), "", ERROR_BAD_EXE_FORMAT},
      {dir.path(), "", ERROR_ACCESS_DENIED},
      {"touch x", dir.file("nofolder"), ERROR_DIRECTORY},
      {"   ", "", ERROR_INVALID_PARAMETER},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    PROCESS_INFORMATION info;
    SetLastError(0);
    EXPECT_EQ(CreateProcess("", c.line, NORMAL_PRIORITY_CLASS, c.folder, STARTUPINFO{}, info), 0);
    EXPECT_EQ(GetLastError(), c.error);
    EXPECT_EQ(info.hProcess, 0u);
  }
}

TEST(CreateProcess, WaitsForTheEndWithoutLimit) {
  PROCESS_INFORMATION info;
  const auto start = std::chrono::steady_clock::now();
  ASSERT_NE(CreateProcess("", "sleep 0.3", NORMAL_PRIORITY_CLASS, "", STARTUPINFO{}, info), 0);
  EXPECT_NE(info.dwProcessId, 0u);
  EXPECT_EQ(WaitForSingleObject(info.hProcess, INFINITE), WAIT_OBJECT_0);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));
  // A second wait on an ended process returns at once.
  EXPECT_EQ(WaitForSingleObject(info.hProcess, INFINITE), WAIT_OBJECT_0);
  EXPECT_NE(CloseHandle(info.hProcess), 0);
  EXPECT_EQ(CloseHandle(info.hProcess), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(WaitForSingleObject(info.hProcess, INFINITE), WAIT_FAILED);
  EXPECT_EQ(WaitForSingleObject(0, INFINITE), WAIT_FAILED);
}

TEST(CreateProcess, TheProgramInheritsNoHandles) {
  TempDir dir;
  // A handle without close-on-exec, numbered above those the listing opens.
  const int opened = ::open(dir.file("held").c_str(), O_CREAT | O_WRONLY, 0644);
  ASSERT_GE(opened, 0);
  const int fd = ::dup2(opened, 77);
  ::close(opened);
  ASSERT_EQ(fd, 77);
  ASSERT_TRUE(run("sh -c \"ls /proc/self/fd > fds.txt\"", dir.path()));
  ::close(fd);
  std::set<std::string> fds;
  std::istringstream lines(readFile(dir.file("fds.txt")));
  for (std::string line; std::getline(lines, line);) fds.insert(line);
  EXPECT_EQ(fds.count(std::to_string(fd)), 0u) << readFile(dir.file("fds.txt"));
  EXPECT_EQ(fds.count("1"), 1u);
}

TEST(CreateProcess, AnApplicationNameTakesTheWholeCommandLineAsArguments) {
  TempDir dir;
  PROCESS_INFORMATION info;
  // The first token is the program's own name for itself, not an argument.
  ASSERT_NE(CreateProcess(findProgramOnPath("touch"), "own-name made", 0, dir.path(), STARTUPINFO{}, info), 0);
  EXPECT_EQ(WaitForSingleObject(info.hProcess, INFINITE), WAIT_OBJECT_0);
  CloseHandle(info.hProcess);
  EXPECT_EQ(entries(dir.path()), (std::set<std::string>{"made"}));
}

}  // namespace
}  // namespace platform
