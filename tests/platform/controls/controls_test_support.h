// Fixtures of the controls' tests: a temporary folder and a scripted user
// whose failures fail the test.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>

#include "common/raised.h"
#include "platform/runtime/errors.h"
#include "platform/ui/scripted_user.h"
#include "platform/ui/user.h"

namespace controls_test {

class TempFolder {
 public:
  TempFolder() {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() /
            ("kestrin-controls-" + std::to_string(rd()) + "-" + std::to_string(rd()));
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline void writeFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Installs a scripted user for the test and checks at its end that every
// queued answer was used.
class WithUser : public ::testing::Test {
 protected:
  void SetUp() override {
    user = platform::ui::ScriptedUser::install([](const std::string& message) { ADD_FAILURE() << message; });
  }
  void TearDown() override {
    user->verifyDone();
    platform::ui::setCurrentUser(nullptr);
  }
  std::shared_ptr<platform::ui::ScriptedUser> user;
};

using kestrin_test::raisedNumber;

}  // namespace controls_test
