#include "diagnostics/error_handler.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "diagnostics_fixture.h"

namespace {

using diagnostics::CErrorHandler;
using diagnostics::classErrorNumber;
using diagnostics_test::kStamp;
using kestrin_test::raisedError;
using kestrin_test::readFile;
namespace mb = platform::ui::mb;

class ErrorHandlerTest : public diagnostics_test::DiagnosticsTest {
 protected:
  // The fields Init stores, to compare before and after.
  struct Config {
    int32_t actions;
    std::string errorLog;
    bool callStack;
    bool tracing;
    int32_t flags;
    std::string traceLog;
    bool operator==(const Config&) const = default;
  };
  static Config configOf(const CErrorHandler& h) {
    return {h.ErrorHandlerActions(), h.ErrorLogFile(), h.CallStackEnabled(),
            h.TracingEnabled(),      h.TracingFlags(), h.TracingLogFile()};
  }

  // Reports the failure with the error log only and returns the report
  // text as written (without the CR LF that follows it).
  std::string reportOf(CErrorHandler& h, int32_t number, const std::string& description, int32_t line,
                       const std::string& procedure = "") {
    std::filesystem::remove(errorLog());
    h.setErrorHandlerActions(diagnostics::eErrorHandlerAction_LogToFile);
    h.setErrorLogFile(errorLog());
    diagnostics::currentFailure() = {number, "somewhere", description, line};
    EXPECT_EQ(h.HandleError(procedure), diagnostics::eErrorHandlerReturn_Abort);
    std::string text = readFile(errorLog());
    EXPECT_TRUE(text.ends_with("\r\n"));
    text.resize(text.size() - 2);
    return text;
  }

  static void expectComponentFailure(const platform::RuntimeError& e) {
    EXPECT_EQ(e.number(), classErrorNumber(17404));
    EXPECT_EQ(e.source(), "KestrinScriptEditor.CErrorHandler");
    EXPECT_EQ(e.description(), "CErrorHandler component failure");
  }
};

TEST_F(ErrorHandlerTest, ANewObjectReportsByMessageBoxAndTracesNothing) {
  const CErrorHandler h;
  EXPECT_EQ(configOf(h), (Config{1, "Error Log.txt", false, false, 0, "Tracing Log.txt"}));
  EXPECT_EQ(h.ErrorNumber(), 0);
  EXPECT_EQ(h.ErrorLine(), 0);
  EXPECT_EQ(h.ErrorDescription(), "");
  EXPECT_EQ(h.Tag(), "");
  EXPECT_TRUE(h.callStack().empty());
}

TEST_F(ErrorHandlerTest, InitStoresInOrderAndAFailingCheckKeepsWhatCameBefore) {
  const Config fresh{1, "Error Log.txt", false, false, 0, "Tracing Log.txt"};
  struct Case {
    const char* what;
    int32_t actions;
    std::string errorLog;
    bool callStack, tracing;
    int32_t flags;
    std::string traceLog;
    std::optional<int32_t> error;  // n of the error raised
    Config after;
  };
  const Case cases[] = {
      {"actions 0", 0, "e.log", true, true, 2, "t.log", 17402, fresh},
      {"actions 16", 16, "e.log", true, true, 2, "t.log", 17402, fresh},
      {"empty error log",
       3,
       "",
       true,
       true,
       2,
       "t.log",
       17401,
       {3, "Error Log.txt", false, false, 0, "Tracing Log.txt"}},
      {"flags 4", 3, "e.log", true, true, 4, "t.log", 17403, {3, "e.log", true, true, 0, "Tracing Log.txt"}},
      {"flags 0", 3, "e.log", true, false, 0, "t.log", 17403, {3, "e.log", true, false, 0, "Tracing Log.txt"}},
      {"empty trace log", 3, "e.log", false, true, 3, "", 17401, {3, "e.log", false, true, 3, "Tracing Log.txt"}},
      {"all valid", 15, "e.log", true, true, 1, "t.log", std::nullopt, {15, "e.log", true, true, 1, "t.log"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CErrorHandler h;
    if (c.error) {
      const auto e = raisedError([&] { h.Init(c.actions, c.errorLog, c.callStack, c.tracing, c.flags, c.traceLog); });
      EXPECT_EQ(e.number(), classErrorNumber(*c.error));
      EXPECT_EQ(e.source(), "KestrinScriptEditor.CErrorHandler");
    } else {
      h.Init(c.actions, c.errorLog, c.callStack, c.tracing, c.flags, c.traceLog);
    }
    EXPECT_EQ(configOf(h), c.after);
  }
}

TEST_F(ErrorHandlerTest, InitWithOnlyTheActionsStoresTheDefaults) {
  CErrorHandler h;
  h.Init(3);
  EXPECT_EQ(configOf(h), (Config{3, "Error Log.txt", false, false, 2, "Tracing Log.txt"}));
}

TEST_F(ErrorHandlerTest, InitTouchesNeitherTheStackNorTheErrorFieldsNorAnyFile) {
  CErrorHandler h;
  h.CallStackPush("a");
  h.setErrorNumber(7);
  h.Init(3, errorLog(), true, true, 2, traceLog());
  EXPECT_EQ(h.callStack().size(), 1u);
  EXPECT_EQ(h.ErrorNumber(), 7);
  EXPECT_FALSE(std::filesystem::exists(errorLog()));
  EXPECT_FALSE(std::filesystem::exists(traceLog()));
}

TEST_F(ErrorHandlerTest, CheckedLetsRejectOutOfRangeValuesAndKeepTheOldOne) {
  struct Case {
    const char* what;
    void (*let)(CErrorHandler&);
    std::optional<int32_t> error;
    std::string description;
  };
  const Case cases[] = {
      {"actions 15", [](CErrorHandler& h) { h.setErrorHandlerActions(15); }, std::nullopt, ""},
      {"actions 0", [](CErrorHandler& h) { h.setErrorHandlerActions(0); }, 17402, "Invalid error handler actions"},
      {"actions 16", [](CErrorHandler& h) { h.setErrorHandlerActions(16); }, 17402, "Invalid error handler actions"},
      {"actions -1", [](CErrorHandler& h) { h.setErrorHandlerActions(-1); }, 17402, "Invalid error handler actions"},
      {"flags 3", [](CErrorHandler& h) { h.setTracingFlags(3); }, std::nullopt, ""},
      {"flags 0", [](CErrorHandler& h) { h.setTracingFlags(0); }, 17403, "Invalid tracing flags"},
      {"flags 4", [](CErrorHandler& h) { h.setTracingFlags(4); }, 17403, "Invalid tracing flags"},
      {"empty error log", [](CErrorHandler& h) { h.setErrorLogFile(""); }, 17401, "Invalid file name"},
      {"empty trace log", [](CErrorHandler& h) { h.setTracingLogFile(""); }, 17401, "Invalid file name"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CErrorHandler h;
    const Config before = configOf(h);
    if (c.error) {
      const auto e = raisedError([&] { c.let(h); });
      EXPECT_EQ(e.number(), classErrorNumber(*c.error));
      EXPECT_EQ(e.source(), "KestrinScriptEditor.CErrorHandler");
      EXPECT_EQ(e.description(), c.description);
      EXPECT_EQ(configOf(h), before);
    } else {
      c.let(h);
      // Only the value set changed, to exactly what was given.
      Config after = before;
      if (c.what == std::string("actions 15")) after.actions = 15;
      if (c.what == std::string("flags 3")) after.flags = 3;
      EXPECT_EQ(configOf(h), after);
      EXPECT_NE(after, before);
    }
  }
}

TEST_F(ErrorHandlerTest, UncheckedPropertiesTakeAnyValue) {
  CErrorHandler h;
  h.setErrorNumber(-2147204081);
  h.setErrorLine(-1);
  h.setErrorDescription("");
  h.setTag("");
  h.setCallStackEnabled(true);
  h.setTracingEnabled(true);
  EXPECT_EQ(h.ErrorNumber(), -2147204081);
  EXPECT_EQ(h.ErrorLine(), -1);
  EXPECT_TRUE(h.CallStackEnabled());
  EXPECT_TRUE(h.TracingEnabled());
}

TEST_F(ErrorHandlerTest, PushAndPopWriteOneLineEachWithDateAndTime) {
  CErrorHandler h;
  h.Init(3, errorLog(), true, true, 2, traceLog());
  h.CallStackPush("frmMain::Form_Load(Sub)", "ignored data");
  platform::advanceVirtualClock(1000);
  h.CallStackPush("modMain::gstr_GetPathToKestrin kzDIR:= 2", "");
  h.CallStackPop();
  EXPECT_EQ(readFile(traceLog()),
            std::string(kStamp) + " --- Entered routine: frmMain::Form_Load(Sub)\r\n" +
                "29/04/2004 - 14:03:13 --- Entered routine: modMain::gstr_GetPathToKestrin kzDIR:= 2\r\n" +
                "29/04/2004 - 14:03:13 --- Exited routine: modMain::gstr_GetPathToKestrin kzDIR:= 2\r\n");
  ASSERT_EQ(h.callStack().size(), 1u);
  EXPECT_EQ(h.callStack()[0].data, "ignored data");
}

TEST_F(ErrorHandlerTest, TwoPushesOfOneTextAndAPopLeaveOneEntry) {
  CErrorHandler h;
  h.Init(3, errorLog(), true, true, 2, traceLog());
  h.CallStackPush("modMain::g_IfCode(Sub)");
  h.CallStackPush("modMain::g_IfCode(Sub)");
  h.CallStackPop();
  ASSERT_EQ(h.callStack().size(), 1u);
  EXPECT_TRUE(readFile(traceLog()).ends_with("--- Exited routine: modMain::g_IfCode(Sub)\r\n"));
}

TEST_F(ErrorHandlerTest, OnlyTracingToTheLogFileWritesLinesButTheStackAlwaysMoves) {
  struct Case {
    bool tracing;
    int32_t flags;
    bool writes;
  };
  const Case cases[] = {{true, 1, false}, {false, 2, false}, {false, 3, false}, {true, 3, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.tracing << " " << c.flags);
    std::filesystem::remove(traceLog());
    CErrorHandler h;
    h.Init(3, errorLog(), false, c.tracing, c.flags, traceLog());
    h.CallStackPush("a");
    h.CallStackPush("b");
    h.CallStackPop();
    EXPECT_EQ(h.callStack().size(), 1u);
    EXPECT_EQ(std::filesystem::exists(traceLog()), c.writes);
  }
}

TEST_F(ErrorHandlerTest, APopOnAnEmptyStackDoesNothing) {
  CErrorHandler h;
  h.Init(3, errorLog(), true, true, 2, missingFolderFile());
  h.CallStackPop();  // the unwritable log is not even tried
  EXPECT_TRUE(h.callStack().empty());
}

TEST_F(ErrorHandlerTest, AnUnwritableTraceLogFailsThePushAfterItAndThePopBeforeIt) {
  CErrorHandler h;
  h.Init(3, errorLog(), true, true, 2, missingFolderFile());
  expectComponentFailure(raisedError([&] { h.CallStackPush("frmMain::Form_Load(Sub)"); }));
  ASSERT_EQ(h.callStack().size(), 1u);
  EXPECT_EQ(h.callStack()[0].procedure, "frmMain::Form_Load(Sub)");
  expectComponentFailure(raisedError([&] { h.CallStackPop(); }));
  EXPECT_EQ(h.callStack().size(), 1u);

  h.setTracingLogFile(dir.path());  // a folder cannot be opened as a file either
  expectComponentFailure(raisedError([&] { h.CallStackPop(); }));
  EXPECT_EQ(h.callStack().size(), 1u);
}

TEST_F(ErrorHandlerTest, CallStackClearEmptiesOnlyWhileTheStackIsEnabledAndWritesNoLine) {
  CErrorHandler h;
  h.Init(3, errorLog(), false, true, 2, traceLog());
  h.CallStackPush("a");
  h.CallStackPush("b");
  const std::string lines = readFile(traceLog());
  h.CallStackClear();
  EXPECT_EQ(h.callStack().size(), 2u);
  h.setCallStackEnabled(true);
  h.CallStackClear();
  EXPECT_TRUE(h.callStack().empty());
  EXPECT_EQ(readFile(traceLog()), lines);
}

TEST_F(ErrorHandlerTest, TheReportNamesTheFailingProcedureAndListsTheStackFromTheTop) {
  CErrorHandler h;
  h.Init(2, errorLog(), true, false, 2, traceLog());
  h.CallStackPush("frmMain::SSActiveToolBars1_ToolClick [tool] ID_If...EndIf");
  h.CallStackPush("modMain::g_IfCode(Sub)");
  const std::string blanks(20, ' ');
  EXPECT_EQ(reportOf(h, -2147204081, "File not found", 0),
            std::string(kStamp) +
                " --- Error: -2147204081, (File not found) in modMain::g_IfCode(Sub) at line 0\r\n"
                "\r\n"
                "The call stack is:\r\n" +
                blanks + "modMain::g_IfCode(Sub)()\r\n" + blanks +
                "frmMain::SSActiveToolBars1_ToolClick [tool] ID_If...EndIf()");
}

TEST_F(ErrorHandlerTest, TheFailingProcedureIsTheGivenTextElseTheTopEntryElseUnknown) {
  struct Case {
    const char* what;
    bool callStack;
    int entries;
    std::string procedure;
    std::string firstLineEnd;
    std::string stackText;
  };
  const std::string blanks(20, ' ');
  const Case cases[] = {
      {"given text", true, 2, "frmMain::Form_Load(Sub)", "in frmMain::Form_Load(Sub) at line 12",
       blanks + "two(data)\r\n" + blanks + "one()"},
      {"top entry", true, 2, "", "in two at line 12", blanks + "two(data)\r\n" + blanks + "one()"},
      {"stack disabled", false, 2, "", "in Unknown at line 12", blanks + "two(data)\r\n" + blanks + "one()"},
      {"empty stack", true, 0, "", "in Unknown at line 12", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CErrorHandler h;
    h.Init(2, errorLog(), c.callStack, false, 2, traceLog());
    if (c.entries > 0) h.CallStackPush("one");
    if (c.entries > 1) h.CallStackPush("two", "data");
    const std::string report = reportOf(h, 5, "Invalid procedure call or argument", 12, c.procedure);
    const auto firstBreak = report.find("\r\n");
    EXPECT_TRUE(report.substr(0, firstBreak).ends_with(c.firstLineEnd)) << report;
    EXPECT_EQ(report.substr(firstBreak), "\r\n\r\nThe call stack is:\r\n" + c.stackText);
    EXPECT_EQ(h.callStack().size(), static_cast<size_t>(c.entries));
  }
}

TEST_F(ErrorHandlerTest, HandleErrorRecordsTheFailureAndAppendsEachReport) {
  CErrorHandler h;
  h.Init(2, errorLog(), true, false, 2, traceLog());
  diagnostics::currentFailure() = {-2147204081, "x", "File not found", 0};
  h.HandleError();
  diagnostics::currentFailure() = {6, "y", "Overflow", 41};
  h.HandleError();
  EXPECT_EQ(h.ErrorNumber(), 6);
  EXPECT_EQ(h.ErrorDescription(), "Overflow");
  EXPECT_EQ(h.ErrorLine(), 41);
  EXPECT_EQ(readFile(errorLog()),
            std::string(kStamp) + " --- Error: -2147204081, (File not found) in Unknown at line 0" +
                "\r\n\r\nThe call stack is:\r\n\r\n" + kStamp +
                " --- Error: 6, (Overflow) in Unknown at line 41\r\n\r\nThe call stack is:\r\n\r\n");
}

TEST_F(ErrorHandlerTest, TheReportBoxAsksAbortRetryIgnoreAndTheButtonGivesTheAnswer) {
  struct Case {
    int32_t button;
    int32_t answer;
  };
  const Case cases[] = {{mb::Abort, diagnostics::eErrorHandlerReturn_Abort},
                        {mb::Retry, diagnostics::eErrorHandlerReturn_Retry},
                        {mb::Ignore, diagnostics::eErrorHandlerReturn_Ignore}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.button);
    CErrorHandler h;  // the message box only
    h.CallStackPush("frmMain::m_FileOpen(Sub)");
    diagnostics::currentFailure() = {53, "x", "File not found", 3};
    user->answerMessageBox(c.button, "--- Error: 53, (File not found) in Unknown at line 3", "KestrinEditor");
    EXPECT_EQ(h.HandleError(), c.answer);
    ASSERT_TRUE(user->lastMessageBox());
    const auto& box = *user->lastMessageBox();
    EXPECT_EQ(box.buttons, mb::AbortRetryIgnore);
    EXPECT_EQ(box.icon, 0);
    EXPECT_EQ(box.defaultButton, 0);
    EXPECT_EQ(box.title, "KestrinEditor");
    EXPECT_EQ(box.text, std::string(kStamp) +
                            " --- Error: 53, (File not found) in Unknown at line 3\r\n\r\n"
                            "The call stack is:\r\n" +
                            std::string(20, ' ') + "frmMain::m_FileOpen(Sub)()");
  }
}

TEST_F(ErrorHandlerTest, WithoutTheMessageBoxBitTheAnswerIsAbortWithoutAsking) {
  for (int32_t actions : {2, 4, 8, 2 | 4 | 8}) {
    SCOPED_TRACE(actions);
    std::filesystem::remove(errorLog());
    events.clear();
    CErrorHandler h;
    h.Init(actions, errorLog());
    diagnostics::currentFailure() = {5, "x", "Invalid procedure call or argument", 0};
    EXPECT_EQ(h.HandleError(), diagnostics::eErrorHandlerReturn_Abort);
    EXPECT_EQ(std::filesystem::exists(errorLog()), (actions & 2) != 0);
    EXPECT_EQ(events.size(), (actions & 4) ? 1u : 0u);
  }
}

TEST_F(ErrorHandlerTest, TheEventLogGetsTheReportAsAnErrorEvent) {
  CErrorHandler h;
  h.Init(2 | 4, errorLog(), true);
  h.CallStackPush("frmMain::m_ExecScript(Sub)");
  diagnostics::currentFailure() = {48, "x", "Error in loading DLL", 0};
  h.HandleError();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].type, platform::EVENTLOG_ERROR_TYPE);
  EXPECT_EQ(events[0].text + "\r\n", readFile(errorLog()));
}

TEST_F(ErrorHandlerTest, AnUnwritableErrorLogFailsAfterTheFieldsAndSkipsTheBox) {
  CErrorHandler h;
  h.Init(1 | 2 | 4 | 8, missingFolderFile());
  diagnostics::currentFailure() = {91, "x", "Object variable or With block variable not set", 8};
  expectComponentFailure(raisedError([&] { h.HandleError(); }));
  EXPECT_EQ(h.ErrorNumber(), 91);
  EXPECT_EQ(h.ErrorDescription(), "Object variable or With block variable not set");
  EXPECT_EQ(h.ErrorLine(), 8);
  EXPECT_TRUE(events.empty());
  // No box was asked: the scripted user holds no answer and fails the test on one.
}

TEST_F(ErrorHandlerTest, ClearDeletesTheLogsItIsAskedForAndIgnoresMissingOnes) {
  CErrorHandler h;
  h.Init(2, errorLog(), false, true, 2, traceLog());
  kestrin_test::writeFile(errorLog(), "e");
  kestrin_test::writeFile(traceLog(), "t");
  h.Clear(false, true);
  EXPECT_TRUE(std::filesystem::exists(errorLog()));
  EXPECT_FALSE(std::filesystem::exists(traceLog()));
  h.Clear();
  EXPECT_FALSE(std::filesystem::exists(errorLog()));
  h.Clear();  // both missing now
  h.setErrorLogFile(missingFolderFile());
  h.Clear();
}

TEST_F(ErrorHandlerTest, MoreThan32767EntriesOverflowTheStacksSixteenBitIndex) {
  CErrorHandler h;
  h.Init(2, errorLog(), true, false, 2, traceLog());
  for (int i = 0; i < 32767; ++i) h.CallStackPush("p");
  diagnostics::currentFailure() = {5, "x", "Invalid procedure call or argument", 0};
  h.HandleError();  // 32767 still count
  h.CallStackPush("p");
  h.CallStackPop();
  h.CallStackPush("p");  // push and pop never count
  ASSERT_EQ(h.callStack().size(), 32768u);

  diagnostics::currentFailure() = {6, "x", "Overflow", 2};
  expectComponentFailure(raisedError([&] { h.HandleError(); }));
  EXPECT_EQ(h.ErrorNumber(), 6);
  expectComponentFailure(raisedError([&] { h.CallStackClear(); }));
  EXPECT_EQ(h.callStack().size(), 32768u);

  h.CallStackPop();
  h.CallStackClear();
  EXPECT_TRUE(h.callStack().empty());
}

}  // namespace
