// What the authoring tests run in: the editor's test world (editor_fixture.h)
// with the word-list file, a diagnostics object like the load step's, and a
// thread of its own for what must start from a word list never loaded.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "common/ui_test_user.h"
#include "diagnostics/error_handler.h"
#include "editor/editor_fixture.h"
#include "platform/ui/form.h"
#include "platform/ui/scripted_user.h"
#include "platform/ui/user.h"

namespace authoring_test {

namespace mb = platform::ui::mb;

// Two host functions and a host constant.
inline const char* const kWordList =
    "DrawLine|DrawLine(x1, y1, x2, y2)|4\r\n"
    "MaxLimit|MaxLimit - the largest value|2\r\n"
    "DrawArc|DrawArc(x, y, r)|4\r\n";

inline const std::string kNineBlanks(9, ' ');

class AuthoringTest : public editor_test::EditorTest {
 protected:
  void writeWordList(const std::string& text) { kestrin_test::writeFile(editorFile("KzLangDef.csv"), text); }

  // A diagnostics object as the main window's load step makes it.
  kestrin::diagnostics::CErrorHandler& installHandler() {
    auto handler = std::make_shared<kestrin::diagnostics::CErrorHandler>();
    handler->Init(3, errorLog(), true, true, 2, traceLog());
    kestrin::diagnostics::errorHandlerSlot() = handler;
    return *handler;
  }

  // Runs `body` on a new thread, whose word list, windows and user are its
  // own: nothing loaded yet. The thread gets a scripted user of its own.
  static void onFreshThread(const std::function<void(platform::ui::ScriptedUser& user)>& body) {
    std::thread thread([&] {
      platform::ui::resetDesktop();
      auto user = kestrin_test::installTestUser();
      body(*user);
      EXPECT_TRUE(user->done()) << user->transcriptText();
      platform::ui::resetDesktop();
      platform::ui::setCurrentUser(nullptr);
      kestrin::diagnostics::errorHandlerSlot().reset();
    });
    thread.join();
  }

  // The last message box, checked whole.
  static void expectLastBox(const platform::ui::ScriptedUser& user, const std::string& text, int32_t icon) {
    ASSERT_TRUE(user.lastMessageBox().has_value());
    EXPECT_EQ(user.lastMessageBox()->text, text);
    EXPECT_EQ(user.lastMessageBox()->title, "Kestrin VB Script Editor");
    EXPECT_EQ(user.lastMessageBox()->icon, icon);
    EXPECT_EQ(user.lastMessageBox()->buttons, mb::OKOnly);
  }
};

}  // namespace authoring_test
