// A registry folder of each test's own, and child processes that stand for
// another program using the same hives.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/win32/registry.h"

namespace kestrin_test {

// Every test starts on empty hives in a fresh folder; afterwards every root
// is writable again and the folder is gone.
class HiveFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "kestrin-hives-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    platform::setRegistryFolder(dir_);
  }
  void TearDown() override {
    for (platform::HKEY root :
         {platform::HKEY_CLASSES_ROOT, platform::HKEY_CURRENT_USER, platform::HKEY_LOCAL_MACHINE}) {
      platform::setRegistryRootReadOnly(root, false);
    }
    // Drops this process's connections to the folder's hives.
    platform::setRegistryFolder(dir_);
    std::error_code ec;
    std::filesystem::permissions(dir_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(dir_, ec);
  }

  std::string dir_;
};

// Starts body in a child process, which never returns into the test runner:
// its exit status is body's result (99 when body throws).
inline pid_t startChild(const std::function<int()>& body) {
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    int code = 99;
    try {
      code = body();
    } catch (...) {
    }
    std::fflush(nullptr);
    ::_exit(code);
  }
  return pid;
}

// The exit status of a child, or -1 when it did not exit normally.
inline int waitChild(pid_t pid) {
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline int inChild(const std::function<int()>& body) { return waitChild(startChild(body)); }

}  // namespace kestrin_test
