// A desktop for one test: a fresh set of windows and forms, a virtual clock
// and a scripted user whose failures are test failures.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "platform/runtime/clock.h"
#include "platform/ui/form.h"
#include "platform/ui/scripted_user.h"

namespace kestrin_test {

// Installs a scripted user whose failures become non-fatal test failures
// (the prompt is then answered with its Cancel button, the loop abandoned).
inline std::shared_ptr<platform::ui::ScriptedUser> installTestUser() {
  return platform::ui::ScriptedUser::install(
      [](const std::string& message) { ADD_FAILURE() << "Scripted user: " << message; });
}

class UiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::ui::resetDesktop();
    platform::setVirtualClock(platform::localMillisFrom(2024, 1, 15, 9, 30, 0));
    user = installTestUser();
  }
  void TearDown() override {
    if (user) {
      EXPECT_TRUE(user->done()) << "Still queued; transcript:\n" << user->transcriptText();
      user->clear();
    }
    platform::ui::resetDesktop();
    platform::ui::setCurrentUser(nullptr);
    platform::useRealClock();
  }
  std::shared_ptr<platform::ui::ScriptedUser> user;
};

}  // namespace kestrin_test
