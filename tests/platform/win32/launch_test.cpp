// The launch recorder: every program start and every item for the opener
// passes it, and a launch it holds back counts as made without anything
// being started.
#include "platform/win32/launch.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <vector>

#include "common/temp_dir.h"
#include "platform/win32/process.h"
#include "platform/win32/shell.h"

namespace platform {
namespace {

using kestrin_test::TempDir;
using kestrin_test::writeFile;

class LaunchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // No opener on PATH.
    path_.emplace(dir.file("bin"));
    program_ = dir.file("bin/mark");
    writeFile(program_, "#!/bin/sh\n: > '" + dir.file("ran") + "'\n");
    ::chmod(program_.c_str(), 0755);
  }
  void TearDown() override {
    setLaunchRecorder(nullptr);
    path_.reset();
  }
  // A recorder that keeps what it sees and lets nothing go ahead unless told.
  void record(bool goAhead) {
    setLaunchRecorder([this, goAhead](const Launch& l) {
      seen.push_back(l);
      return goAhead;
    });
  }
  bool ran() {
    for (int i = 0; i < 300; ++i) {
      if (std::filesystem::exists(dir.file("ran"))) return true;
      ::usleep(10000);
    }
    return false;
  }

  TempDir dir;
  std::optional<kestrin_test::OnlyOnPath> path_;
  std::string program_;
  std::vector<Launch> seen;
};

TEST_F(LaunchTest, AHeldBackProgramIsStartedAndEndedWithoutRunning) {
  record(false);
  STARTUPINFO startup;
  PROCESS_INFORMATION process;
  ASSERT_EQ(
      CreateProcess("", "\"" + program_ + "\" one \"two three\"", NORMAL_PRIORITY_CLASS, dir.path(), startup, process),
      1);
  EXPECT_EQ(WaitForSingleObject(process.hProcess, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(CloseHandle(process.hProcess), 1);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].kind, Launch::Kind::Program);
  EXPECT_EQ(seen[0].program, program_);
  EXPECT_EQ(seen[0].arguments, (std::vector<std::string>{"one", "two three"}));
  EXPECT_EQ(seen[0].folder, dir.path());
  EXPECT_EQ(ShellStartProgram(0, program_, "x", "", SW_SHOW), SHELL_EXECUTE_SUCCESS);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[1].kind, Launch::Kind::Program);
  EXPECT_EQ(seen[1].arguments, (std::vector<std::string>{"x"}));
  // The same file opened as a document is an item for the opener.
  EXPECT_EQ(ShellExecute(0, "open", program_, "x", "", SW_SHOW), SHELL_EXECUTE_SUCCESS);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[2].kind, Launch::Kind::Opener);
  EXPECT_EQ(seen[2].arguments, (std::vector<std::string>{program_}));
  ::usleep(50000);
  EXPECT_FALSE(std::filesystem::exists(dir.file("ran")));
}

TEST_F(LaunchTest, AnItemForTheOpenerIsHeldBackWithoutAnyOpener) {
  const std::string mail = "mailto:a@x.test?subject=S&body=one\r\ntwo";
  // Without a recorder there is no opener to take it.
  EXPECT_EQ(ShellExecute(0, "open", mail, "", "", SW_SHOW), SE_ERR_NOASSOC);
  record(false);
  EXPECT_EQ(ShellExecute(0, "open", mail, "", "", SW_SHOW), SHELL_EXECUTE_SUCCESS);
  EXPECT_EQ(ShellExecute(0, "explore", dir.path(), "", "", SW_SHOW), SHELL_EXECUTE_SUCCESS);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].kind, Launch::Kind::Opener);
  EXPECT_EQ(seen[0].program, "");
  EXPECT_EQ(seen[0].arguments, (std::vector<std::string>{mail}));
  EXPECT_EQ(seen[1].arguments, (std::vector<std::string>{dir.path()}));
}

TEST_F(LaunchTest, AProgramTheRecorderLetsGoRuns) {
  record(true);
  EXPECT_EQ(ShellStartProgram(0, program_, "", "", SW_SHOW), SHELL_EXECUTE_SUCCESS);
  EXPECT_TRUE(ran());
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_TRUE(seen[0].arguments.empty());
}

}  // namespace
}  // namespace platform
