// The three ways of handling failures, on small procedures written the way
// the editor's procedures are.
#include "diagnostics/handling.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "diagnostics/trace.h"
#include "diagnostics_fixture.h"

namespace {

using diagnostics::IgnoreFailures;
using diagnostics::OnFailure;
using diagnostics::Trace;
using diagnostics::Trap;
using diagnostics::TrapEnd;
using kestrin_test::raisedError;
using kestrin_test::readFile;
namespace mb = platform::ui::mb;

class HandlingTest : public diagnostics_test::DiagnosticsTest {
 protected:
  std::vector<std::string> stackTexts() const {
    std::vector<std::string> texts;
    for (const auto& e : diagnostics::errorHandler()->callStack()) texts.push_back(e.procedure);
    return texts;
  }
  int reportsLogged() const {
    const std::string log = readFile(errorLog());
    int count = 0;
    for (auto at = log.find("--- Error: "); at != std::string::npos; at = log.find("--- Error: ", at + 1)) ++count;
    return count;
  }
};

// A traced template without handling of its own, as the dispatcher's
// commands are.
void g_IfCode(int& calls) {
  Trace trace("modMain::g_IfCode(Sub)");
  ++calls;
  platform::raise(platform::err::FileNotFound);
}

// A trapped dispatcher: one command step, Abort leaves without the pop.
struct Dispatcher {
  std::vector<std::string> done;

  void toolClick(const std::string& tool, int& calls) {
    Trap trap;
    Trace trace("frmMain::SSActiveToolBars1_ToolClick [tool] " + tool, trap);
    const TrapEnd end = trap.body([&] {
      trap.step([&] { g_IfCode(calls); });
      done.push_back("after the command");
    });
    if (end == TrapEnd::Aborted) trace.skipExit();
    done.push_back("held objects released");
  }
};

TEST_F(HandlingTest, RetryThatKeepsFailingIsReportedAgainEachTime) {
  installHandler();
  user->answerMessageBox(mb::Retry, "--- Error: 53, (File not found) in modMain::g_IfCode(Sub)")
      .answerMessageBox(mb::Retry, "--- Error: 53, (File not found) in modMain::g_IfCode(Sub)")
      .answerMessageBox(mb::Abort, "--- Error: 53, (File not found) in modMain::g_IfCode(Sub)");
  Dispatcher dispatcher;
  int calls = 0;
  dispatcher.toolClick("ID_If...EndIf", calls);
  EXPECT_EQ(calls, 3);  // the whole call was made again
  EXPECT_EQ(reportsLogged(), 3);
  EXPECT_EQ(dispatcher.done, std::vector<std::string>{"held objects released"});
}

TEST_F(HandlingTest, AFailedCommandLeavesItsEntryAndTheReportNamesItUntilAbortEmptiesTheStack) {
  installHandler();
  user->answerMessageBox(mb::Abort);
  Dispatcher dispatcher;
  int calls = 0;
  dispatcher.toolClick("ID_If...EndIf", calls);

  const std::string blanks(20, ' ');
  EXPECT_EQ(
      user->lastMessageBox()->text,
      std::string(diagnostics_test::kStamp) + " --- Error: 53, (File not found) in modMain::g_IfCode(Sub) at line " +
          std::to_string(diagnostics::errorHandler()->ErrorLine()) + "\r\n\r\nThe call stack is:\r\n" + blanks +
          "modMain::g_IfCode(Sub)()\r\n" + blanks + "frmMain::SSActiveToolBars1_ToolClick [tool] ID_If...EndIf()");
  EXPECT_TRUE(stackTexts().empty());
  // Two entries, no exit: the command skipped its pop and Abort left without one.
  const std::string trace = readFile(traceLog());
  EXPECT_NE(trace.find("Entered routine: modMain::g_IfCode(Sub)"), std::string::npos);
  EXPECT_EQ(trace.find("Exited routine"), std::string::npos);
}

TEST_F(HandlingTest, IgnoreAfterAFailedCommandEndsTheDispatchWithItsPop) {
  installHandler();
  user->answerMessageBox(mb::Ignore);
  Dispatcher dispatcher;
  int calls = 0;
  dispatcher.toolClick("ID_If...EndIf", calls);
  EXPECT_EQ(dispatcher.done, (std::vector<std::string>{"after the command", "held objects released"}));
  // The pop takes the top entry: the one the failed command left behind.
  EXPECT_EQ(stackTexts(), std::vector<std::string>{"frmMain::SSActiveToolBars1_ToolClick [tool] ID_If...EndIf"});
  EXPECT_TRUE(readFile(traceLog()).ends_with("Exited routine: modMain::g_IfCode(Sub)\r\n"));
}

std::string failingText() { platform::raise(platform::err::TypeMismatch); }

TEST_F(HandlingTest, IgnoreAfterAFailedAssignmentKeepsTheOldValueAndGoesOn) {
  installHandler();
  user->answerMessageBox(mb::Ignore, "(Type mismatch)");
  std::string caption = "old";
  bool nextRan = false;
  Trap trap;
  const TrapEnd end = trap.body([&] {
    trap.step([&] { caption = failingText(); });
    trap.step([&] { nextRan = true; });
  });
  EXPECT_EQ(end, TrapEnd::Completed);
  EXPECT_EQ(caption, "old");
  EXPECT_TRUE(nextRan);

  // Statement by statement: the same without asking anyone.
  IgnoreFailures ignore;
  EXPECT_FALSE(ignore.step([&] { caption = failingText(); }));
  EXPECT_EQ(caption, "old");
  EXPECT_EQ(ignore.failure().number, platform::err::TypeMismatch);
  // The procedure keeps its failure; the thread holds none for a later report.
  EXPECT_EQ(diagnostics::currentFailure().number, 0);
}

TEST_F(HandlingTest, TheReportedLineIsTheFailingStepsLine) {
  installHandler(diagnostics::eErrorHandlerAction_LogToFile);
  Trap trap;
  int line = 0;
  trap.body([&] {
    trap.step([] {});
    line = __LINE__ + 1;
    trap.step([] { platform::raise(platform::err::Overflow); });
  });
  EXPECT_EQ(diagnostics::errorHandler()->ErrorLine(), line);
  EXPECT_NE(readFile(errorLog()).find("at line " + std::to_string(line) + "\r\n"), std::string::npos);
}

// The host word-list loader's shape: a failing kind test answered Ignore
// goes on with the append step, as that loader is specified; elsewhere a
// failing test counts as not met.
std::string loadFunctions(const std::vector<std::vector<std::string>>& lines, OnFailure onFailure) {
  std::string gathered;
  Trap trap;
  trap.body([&] {
    for (const auto& fields : lines) {
      if (trap.condition([&] { return fields.at(2) != "2"; }, onFailure))
        trap.step([&] { gathered += "\n" + fields.at(0) + "\n"; });
    }
  });
  return gathered;
}

TEST_F(HandlingTest, AFailingTestAnsweredIgnoreCountsAsItsProcedureSays) {
  installHandler();
  const std::vector<std::vector<std::string>> lines = {{"A", "a()", "1"}, {"Foo"}, {"B", "b()", "2"}};
  user->answerMessageBox(mb::Ignore);
  EXPECT_EQ(loadFunctions(lines, OnFailure::IntoBlock), "\nA\n\nFoo\n");
  user->answerMessageBox(mb::Ignore);
  EXPECT_EQ(loadFunctions(lines, OnFailure::NotMet), "\nA\n");

  IgnoreFailures ignore;
  EXPECT_TRUE(ignore.condition([&] { return lines[1].at(2) == "x"; }, OnFailure::IntoBlock));
  EXPECT_FALSE(ignore.condition([&] { return lines[1].at(2) == "x"; }));
  EXPECT_EQ(ignore.failure().number, platform::err::SubscriptOutOfRange);
}

TEST_F(HandlingTest, WithoutADiagnosticsObjectTheOwnMessageRunsAndNothingIsTraced) {
  diagnostics::Failure seen;
  bool closed = false;
  {
    Trap trap([&](diagnostics::Failure& f) {
      f.source = "modMain::m_ExecScript(Function)";
      seen = f;
    });
    Trace trace("modMain::m_ExecScript(Function)", trap);
    const TrapEnd end = trap.body([&] {
      trap.step([] { platform::raise(platform::err::PathNotFound); });
      ADD_FAILURE() << "the body went on";
    });
    EXPECT_EQ(end, TrapEnd::OwnMessage);
    closed = true;
  }
  EXPECT_TRUE(closed);
  EXPECT_EQ(seen.number, platform::err::PathNotFound);
  EXPECT_EQ(seen.description, "Path not found");
  EXPECT_GT(seen.line, 0);
  EXPECT_FALSE(std::filesystem::exists(traceLog()));
}

TEST_F(HandlingTest, AFailureOfTheTrapItselfReachesTheCallerButOneOfTheBodyNever) {
  auto& handler = installHandler(diagnostics::eErrorHandlerAction_LogToFile);
  handler.setErrorLogFile(missingFolderFile());
  bool closingRan = false;
  auto procedure = [&](bool outsideAStep) {
    Trap trap;
    Trace trace("modMain::PassScriptToKestrin(Function)", trap);
    trap.body([&] {
      if (outsideAStep) platform::raise(platform::err::FileNotFound);
      trap.step([] { platform::raise(platform::err::FileNotFound); });
    });
    closingRan = true;
  };
  const auto e = raisedError([&] { procedure(false); });
  EXPECT_EQ(e.number(), diagnostics::classErrorNumber(17404));
  EXPECT_FALSE(closingRan);
  EXPECT_EQ(stackTexts(), std::vector<std::string>{"modMain::PassScriptToKestrin(Function)"});

  // Reported (Abort, no box asked), a failure outside any step ends the body.
  handler.setErrorLogFile(errorLog());
  handler.CallStackClear();
  procedure(true);
  EXPECT_TRUE(closingRan);
  EXPECT_TRUE(stackTexts().empty());
}

TEST_F(HandlingTest, AFailingPushIsTrappedAndAbortSkipsTheBody) {
  auto& handler = installHandler(diagnostics::eErrorHandlerAction_LogToFile);
  handler.setTracingLogFile(missingFolderFile());
  bool bodyRan = false;
  Trap trap;
  Trace trace("frmMain::Form_QueryUnload(Sub)", trap);
  EXPECT_EQ(trap.body([&] { bodyRan = true; }), TrapEnd::Aborted);
  EXPECT_FALSE(bodyRan);
  EXPECT_TRUE(stackTexts().empty());
  EXPECT_NE(readFile(errorLog()).find("(CErrorHandler component failure) in frmMain::Form_QueryUnload(Sub)"),
            std::string::npos);
}

TEST_F(HandlingTest, AFailingPopIsSkippedStatementByStatementAndElsePassesToTheCaller) {
  auto& handler = installHandler();
  auto ignoring = [&] {
    IgnoreFailures ignore;
    Trace trace("frmMain::m_CommentBlock(Sub)", ignore);
    ignore.step([&] { handler.setTracingLogFile(missingFolderFile()); });
  };
  ignoring();
  EXPECT_EQ(stackTexts(), std::vector<std::string>{"frmMain::m_CommentBlock(Sub)"});

  handler.setTracingLogFile(traceLog());
  auto unhandled = [&] {
    Trace trace("modMain::g_IfCode(Sub)");
    handler.setTracingLogFile(missingFolderFile());
  };
  EXPECT_EQ(raisedError(unhandled).number(), diagnostics::classErrorNumber(17404));
  EXPECT_EQ(stackTexts().size(), 2u);
}

TEST_F(HandlingTest, TracingFollowsTheDiagnosticsObjectWhileItExists) {
  // The load step: the object is created inside the procedure, then pushed.
  {
    Trap trap;
    Trace trace(trap);
    trap.body([&] {
      trap.step([&] { installHandler(); });
      trap.step([&] { trace.enter("frmMain::Form_Load(Sub)"); });
    });
  }
  EXPECT_TRUE(diagnostics::errorHandler()->callStack().empty());
  EXPECT_EQ(readFile(traceLog()), std::string(diagnostics_test::kStamp) +
                                      " --- Entered routine: frmMain::Form_Load(Sub)\r\n" + diagnostics_test::kStamp +
                                      " --- Exited routine: frmMain::Form_Load(Sub)\r\n");

  // The unload step: it pops, then releases the object; later procedures
  // trace nothing.
  {
    Trap trap;
    Trace trace("frmMain::Form_Unload(Sub)", trap);
    trap.body([&] {
      trap.step([&] { trace.exit(); });
      trap.step([] { diagnostics::errorHandlerSlot().reset(); });
    });
  }
  int calls = 0;
  EXPECT_EQ(raisedError([&] { g_IfCode(calls); }).number(), platform::err::FileNotFound);
  EXPECT_TRUE(readFile(traceLog()).ends_with("Exited routine: frmMain::Form_Unload(Sub)\r\n"));
}

}  // namespace
