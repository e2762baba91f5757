// What every diagnostics test runs in: the component named
// "KestrinScriptEditor", the clock set to 29/04/2004 14:03:12, a scripted
// user that fails the test on any box it was not told about, a temporary
// folder for the logs, the application event log caught, and no diagnostics
// object in this thread's slot.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/raised.h"
#include "common/temp_dir.h"
#include "diagnostics/error_handler.h"
#include "diagnostics/failure.h"
#include "platform/runtime/clock.h"
#include "platform/runtime/errors.h"
#include "platform/ui/scripted_user.h"
#include "platform/win32/component.h"
#include "platform/win32/system.h"

namespace diagnostics = kestrin::diagnostics;

namespace diagnostics_test {

inline constexpr const char* kStamp = "29/04/2004 - 14:03:12";

class DiagnosticsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::ComponentIdentity identity;
    identity.name = "KestrinScriptEditor";
    identity.folder = dir.path();
    platform::setComponentIdentity(identity);
    platform::setVirtualClock(platform::localMillisFrom(2004, 4, 29, 14, 3, 12));
    user = platform::ui::ScriptedUser::install([](const std::string& message) { ADD_FAILURE() << message; });
    diagnostics::errorHandlerSlot().reset();
    diagnostics::clearFailure();
    platform::setEventLogHook([this](const std::string& source, uint16_t type, const std::string& text) {
      events.push_back({source, type, text});
    });
  }
  void TearDown() override {
    user->verifyDone();
    diagnostics::errorHandlerSlot().reset();
    platform::ui::setCurrentUser(nullptr);
    platform::useRealClock();
    platform::setEventLogHook({});
  }

  // A diagnostics object as the editor's load step sets it up, logging into
  // the temporary folder, made this thread's g_ErrorHandler.
  diagnostics::CErrorHandler& installHandler(int32_t actions = diagnostics::eErrorHandlerAction_MsgBox |
                                                               diagnostics::eErrorHandlerAction_LogToFile) {
    auto handler = std::make_shared<diagnostics::CErrorHandler>();
    handler->Init(actions, errorLog(), true, true, diagnostics::eTracingFlag_LogToFile, traceLog());
    diagnostics::errorHandlerSlot() = handler;
    return *handler;
  }

  std::string errorLog() const { return dir.file("kzScriptErr.log"); }
  std::string traceLog() const { return dir.file("kzScriptTrace.log"); }
  std::string missingFolderFile() const { return dir.file("missing/log.txt"); }

  struct Event {
    std::string source;
    uint16_t type;
    std::string text;
  };
  std::vector<Event> events;  // the application event log
  kestrin_test::TempDir dir;
  std::shared_ptr<platform::ui::ScriptedUser> user;
};

using kestrin_test::raisedError;

}  // namespace diagnostics_test
