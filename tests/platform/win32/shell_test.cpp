#include "platform/win32/shell.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "common/temp_dir.h"

namespace platform {
namespace {

using kestrin_test::readFile;
using kestrin_test::TempDir;
using kestrin_test::writeFile;

bool appears(const std::string& path) {
  for (int i = 0; i < 500; ++i) {
    if (std::filesystem::exists(path)) return true;
    ::usleep(10000);
  }
  return false;
}

// PATH holds only a folder of this test's own, with a stand-in opener when
// asked for; the old PATH comes back at the end.
class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_.emplace(dir.file("bin"));
  }
  void TearDown() override { path_.reset(); }

  // An opener that writes the item it was given to "opened" and exits
  // with the given status.
  void installOpener(const std::string& name, int status) {
    const std::string script = dir.file("bin/" + name);
    writeFile(script, "#!/bin/sh\nfor a in \"$@\"; do printf '%s|' \"$a\"; done > '" + dir.file("opened") + "'\nexit " +
                          std::to_string(status) + "\n");
    ::chmod(script.c_str(), 0755);
  }

  TempDir dir;
  std::optional<kestrin_test::OnlyOnPath> path_;
};

TEST_F(ShellTest, AProgramStartsDirectlyWithItsParameters) {
  std::filesystem::create_directory(dir.file("work"));
  const std::string touch = "/usr/bin/touch";
  if (!std::filesystem::exists(touch)) GTEST_SKIP();
  EXPECT_EQ(ShellStartProgram(0, touch, "\"a b\" $(id);x", dir.file("work"), SW_SHOWNORMAL), SHELL_EXECUTE_SUCCESS);
  EXPECT_TRUE(appears(dir.file("work/$(id);x")));
  EXPECT_TRUE(appears(dir.file("work/a b")));
}

TEST_F(ShellTest, DocumentsFoldersAndAddressesGoToTheOpener) {
  installOpener("xdg-open", 0);
  writeFile(dir.file("notes.txt"), "");
  const std::string mail = "mailto:a@b?subject=S&body=line one\r\nline two";
  struct Case {
    std::string verb, item;
  };
  for (const Case& c :
       {Case{"open", dir.file("notes.txt")}, Case{"explore", dir.path()}, Case{"OPEN", dir.path()}, Case{"", mail}}) {
    SCOPED_TRACE(c.item);
    ::unlink(dir.file("opened").c_str());
    EXPECT_EQ(ShellExecute(0, c.verb, c.item, "", "", SW_SHOW), SHELL_EXECUTE_SUCCESS);
    EXPECT_EQ(readFile(dir.file("opened")), c.item + "|");
  }
}

// A file with an execute bit that is opened as a document or named by an
// address (every file of a FAT or SMB mount has the bit) goes to the opener
// and never runs; only a program asked for as one is started.
TEST_F(ShellTest, AnExecutableFileRunsOnlyWhenAskedForAsAProgram) {
  installOpener("xdg-open", 0);
  const std::string program = dir.file("page.htm");
  writeFile(program, "#!/bin/sh\n: > '" + dir.file("ran") + "'\n");
  ::chmod(program.c_str(), 0755);
  EXPECT_EQ(ShellExecute(0, "open", program, "", "", SW_SHOW), SHELL_EXECUTE_SUCCESS);
  EXPECT_EQ(readFile(dir.file("opened")), program + "|");
  ::usleep(100000);
  EXPECT_FALSE(std::filesystem::exists(dir.file("ran")));

  ::unlink(dir.file("opened").c_str());
  EXPECT_EQ(ShellStartProgram(0, program, "", "", SW_SHOW), SHELL_EXECUTE_SUCCESS);
  EXPECT_TRUE(appears(dir.file("ran")));
  EXPECT_FALSE(std::filesystem::exists(dir.file("opened")));
}

// A document whose name begins with "-" reaches the opener as a path,
// never as one of its options.
TEST_F(ShellTest, ANameThatBeginsWithADashReachesTheOpenerAsAPath) {
  for (const char* opener : {"xdg-open", "gio"}) {
    SCOPED_TRACE(opener);
    ::unlink(dir.file("bin/xdg-open").c_str());
    installOpener(opener, 0);
    std::filesystem::create_directory(dir.file("work"));
    writeFile(dir.file("work/--help"), "");
    const std::string old = std::filesystem::current_path().string();
    std::filesystem::current_path(dir.file("work"));
    const int32_t result = ShellExecute(0, "open", "--help", "", "", SW_SHOW);
    std::filesystem::current_path(old);
    EXPECT_EQ(result, SHELL_EXECUTE_SUCCESS);
    const std::string expected = std::string(opener) == "gio" ? "open|./--help|" : "./--help|";
    EXPECT_EQ(readFile(dir.file("opened")), expected);
  }
}

TEST_F(ShellTest, GioOpensWhenThereIsNoXdgOpen) {
  installOpener("gio", 0);
  EXPECT_EQ(ShellExecute(0, "open", "https://example.org/a b", "", "", SW_SHOW), SHELL_EXECUTE_SUCCESS);
  EXPECT_EQ(readFile(dir.file("opened")), "open|https://example.org/a b|");
}

TEST_F(ShellTest, FailuresAsTheOriginalReportedThem) {
  writeFile(dir.file("notes.txt"), "");
  writeFile(dir.file("garbage"), "\x01\x02 no program");
  ::chmod(dir.file("garbage").c_str(), 0755);
  struct Case {
    std::string verb, file, directory;
    int32_t result;
  };
  const std::vector<Case> cases = {
      {"open", dir.file("missing.txt"), "", SE_ERR_FNF},
      {"open", dir.file("nofolder/x.txt"), "", SE_ERR_PNF},
      {"open", "", "", SE_ERR_FNF},
      {"print", dir.file("notes.txt"), "", SE_ERR_NOASSOC},
      {"open", dir.file("notes.txt"), "", SE_ERR_NOASSOC},  // no opener on PATH
      {"open", "mailto:someone", "", SE_ERR_NOASSOC},
      {"explore", dir.file("notes.txt"), "", SE_ERR_NOASSOC},
      {"open", dir.file("garbage"), "", SE_ERR_NOASSOC},  // a document: no opener on PATH
      {"program", dir.file("garbage"), "", SE_ERR_BADFORMAT},
      {"program", dir.file("garbage"), dir.file("nofolder"), SE_ERR_PNF},
      {"program", dir.file("missing"), "", SE_ERR_FNF},
      {"program", dir.file("notes.txt"), "", SE_ERR_NOASSOC},  // no program: the opener's
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.verb + " " + c.file);
    const int32_t result = c.verb == "program" ? ShellStartProgram(0, c.file, "", c.directory, SW_SHOWNORMAL)
                                               : ShellExecute(0, c.verb, c.file, "", c.directory, SW_SHOWNORMAL);
    EXPECT_EQ(result, c.result);
  }
}

TEST_F(ShellTest, AnOpenerThatFailsGivesNoAssociation) {
  installOpener("xdg-open", 3);
  writeFile(dir.file("notes.txt"), "");
  EXPECT_EQ(ShellExecute(0, "open", dir.file("notes.txt"), "", "", SW_SHOW), SE_ERR_NOASSOC);
}

TEST_F(ShellTest, ThereIsNoPropertiesSheet) {
  installOpener("xdg-open", 0);
  writeFile(dir.file("notes.txt"), "");
  SHELLEXECUTEINFO info;
  info.fMask = SEE_MASK_INVOKEIDLIST | SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = "properties";
  info.lpFile = dir.file("notes.txt");
  EXPECT_EQ(ShellExecuteEx(info), 0);
  EXPECT_LE(info.hInstApp, 32);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  EXPECT_FALSE(std::filesystem::exists(dir.file("opened")));

  info.lpVerb = "open";
  EXPECT_NE(ShellExecuteEx(info), 0);
  EXPECT_EQ(info.hInstApp, SHELL_EXECUTE_SUCCESS);
}

}  // namespace
}  // namespace platform
