// The two ways a template puts its text into the editor, the TODO comment,
// the control-structure templates, and the dispatcher's entries of every
// template.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "diagnostics/handling.h"
#include "editor/frmMain.h"
#include "editor/modMain.h"
#include "platform/runtime/clock.h"
#include "platform/runtime/errors.h"
#include "platform/ui/msgbox.h"
#include "template_fixture.h"

namespace authoring_test {
namespace {

namespace editor = kestrin::editor;
namespace modMain = kestrin::editor::modMain;
namespace mb = platform::ui::mb;

const std::vector<std::string> kIfLines = {
    "If <condition> Then", "   ' -- Add code", "Else", "   ' -- Add code", "End If",
};

const std::vector<std::string> kElseIfLines = {
    "If <condition> Then", "   ' -- Add code", "Elseif <condition> Then", "   ' -- Add code", "Else",
    "   ' -- Add code",    "End If",
};

const std::vector<std::string> kSelectCaseLines = {
    "Select Case <test expression>",
    "",
    "         '",
    "         ' -- Add code",
    "         '",
    "      Case <test1>",
    "         '",
    "         ' -- Add code",
    "         '",
    "      Case <test2>",
    "         '",
    "         ' -- Add code",
    "         '",
    "      Case <test3>",
    "         '",
    "         ' -- Add code",
    "         '",
    "      Case Else",
    "         '",
    "         ' -- Add code",
    "         '",
    "End Select",
};

const std::vector<std::string> kForNextLines = {
    "Dim intCounter", "", "For intCounter = <MIN> To <MAX> Step <Steps>", "    '", "    ' -- Add code", "    '", "Next",
};

const std::vector<std::string> kForEachLines = {
    "For Each <element> In <group>", "    '", "    ' -- Add code", "    '", "Next",
};

// ---- The caret insertion ------------------------------------------------------------

// Twelve lines "line 1" to "line 12".
std::string twelveLines() {
  std::string text;
  for (int i = 1; i <= 12; ++i) text += "line " + std::to_string(i) + "\r\n";
  return text;
}

struct CaretCase {
  const char* name;
  std::string document;
  CodeRange selection;  // anchor, then caret
  std::string inserted;
  std::string expected;
};

TEST_F(TemplateTest, TheCaretInsertionGoesInFrontOfTheSelectionsLineAndSetsTheSameNumbersBack) {
  const std::string block = "X = 1\r\nY = 2\r\n";
  std::string beforeTen, fromTen;
  for (int i = 1; i <= 12; ++i) (i < 10 ? beforeTen : fromTen) += "line " + std::to_string(i) + "\r\n";
  const std::vector<CaretCase> cases = {
      // The caret in the middle of line 10: the block becomes lines 10 and
      // 11, the former line 10 follows unchanged.
      {"caret in line 10", twelveLines(), {9, 3, 9, 3}, block, beforeTen + block + fromTen},
      // A selection of lines 3 to 5 stays; the text goes in front of line 3.
      {"lines 3 to 5",
       "a\r\nb\r\nccc\r\nddd\r\neee\r\nf\r\n",
       {2, 1, 4, 2},
       block,
       "a\r\nb\r\n" + block + "ccc\r\nddd\r\neee\r\nf\r\n"},
      // The selection's start is its anchor, also when the caret is above it.
      {"selected upwards",
       "a\r\nb\r\nccc\r\nddd\r\neee\r\n",
       {4, 2, 2, 1},
       block,
       "a\r\nb\r\nccc\r\nddd\r\n" + block + "eee\r\n"},
      {"empty document", "", {0, 0, 0, 0}, block, block},
      // A text without a line break joins the line it goes in front of.
      {"no closing break", "ab\r\ncd", {1, 1, 1, 1}, "Z", "ab\r\nZcd"},
  };
  for (const auto& c : cases) {
    document(c.document, c.selection);
    modMain::g_InsertAtCursor(*main, c.inserted);
    EXPECT_EQ(text(), c.expected) << c.name;
    EXPECT_EQ(selection(), c.selection) << c.name;
  }
}

TEST_F(TemplateTest, TheRestoredSelectionOfThreeLinesCoversTheSameNumbersOfTheNewText) {
  document("a\r\nb\r\nccc\r\nddd\r\neee\r\nf\r\n", {2, 1, 4, 2});
  modMain::g_InsertAtCursor(*main, "1\r\n22\r\n333\r\n4444\r\n");
  // Lines 3 to 5 are now "1", "22" and "333".
  EXPECT_EQ(main->CodeSense1->selText(), "\r\n22\r\n33");
  EXPECT_TRUE(callStack().empty());
}

TEST_F(TemplateTest, ATemplateIsTracedAroundItsCaretInsertionAndMarksTheScriptThroughTheTextChange) {
  document("Dim a\r\n", {0, 2, 0, 2});
  ASSERT_FALSE(main->IsDirty());
  const size_t before = traceLines().size();
  modMain::g_IfCode(*main);
  EXPECT_EQ(traceSince(before), (std::vector<std::string>{
                                    "Entered routine: modMain::g_IfCode(Sub)",
                                    "Entered routine: modMain::g_InsertAtCursor(Function)",
                                    "Exited routine: modMain::g_InsertAtCursor(Function)",
                                    "Exited routine: modMain::g_IfCode(Sub)",
                                }));
  EXPECT_TRUE(main->IsDirty());
  EXPECT_EQ(main->tag().back(), '*');
}

// ---- The end-of-text insertion ------------------------------------------------------

struct AppendCase {
  std::string document;
  std::string expected;
};

TEST_F(TemplateTest, TheEndOfTextInsertionFollowsTwoNewLinesTypedAfterTheLastCharacter) {
  const std::string routine = "Sub A()\r\nEnd Sub\r\n";
  const std::vector<AppendCase> cases = {
      {"", "\r\n\r\n" + routine},
      {"Dim a\r\n", "Dim a\r\n\r\n\r\n" + routine},
      {"Dim a\r\nb = 1", "Dim a\r\nb = 1\r\n\r\n" + routine},
  };
  for (const auto& c : cases) {
    // The selection is neither kept nor set back.
    document(c.document, {0, 0, 0, 1});
    kestrin::diagnostics::IgnoreFailures ignore;
    modMain::appendAtEnd(*main, routine, ignore);
    EXPECT_EQ(text(), c.expected) << c.document;
    const int32_t last = main->CodeSense1->lineCount() - 1;
    EXPECT_EQ(selection(), (CodeRange{last, 0, last, 0})) << c.document;
  }
}

// ---- TODO ---------------------------------------------------------------------------

struct ToDoCase {
  std::optional<std::string> answer;  // none: Cancel
  int hour, minute;
  std::string line;  // empty: nothing inserted
};

TEST_F(TemplateTest, TheToDoLineCarriesTheCommentAsTypedWithTheLongDateAndTwelveHourTime) {
  const std::vector<ToDoCase> cases = {
      {"check feeds", 21, 5, "'' TODO:: check feeds [Thursday, April 29, 2004 09:05 PM]\r\n"},
      {"  spaced out ", 9, 5, "'' TODO::   spaced out  [Thursday, April 29, 2004 09:05 AM]\r\n"},
      {"noon", 12, 30, "'' TODO:: noon [Thursday, April 29, 2004 12:30 PM]\r\n"},
      {"   ", 9, 5, ""},
      {"", 9, 5, ""},
      {std::nullopt, 9, 5, ""},
  };
  for (const auto& c : cases) {
    platform::setVirtualClock(platform::localMillisFrom(2004, 4, 29, c.hour, c.minute, 0));
    document("Dim a\r\nb = 1\r\n", {1, 3, 1, 3});
    user->answerInputBox(c.answer, "Type a comment for this TODO task", "Add TODO Task");
    const size_t before = traceLines().size();
    modMain::g_ToDo(*main);
    EXPECT_EQ(text(), "Dim a\r\n" + c.line + "b = 1\r\n") << c.line;
    EXPECT_EQ(main->IsDirty(), !c.line.empty()) << c.line;
    // The trace text is popped after an insertion and after none.
    const auto lines = traceSince(before);
    ASSERT_GE(lines.size(), 2u) << c.line;
    EXPECT_EQ(lines.front(), "Entered routine: modMain::g_ToDo(Sub)");
    EXPECT_EQ(lines.back(), "Exited routine: modMain::g_ToDo(Sub)");
    EXPECT_TRUE(balanced(lines)) << c.line;
    EXPECT_TRUE(callStack().empty());
  }
  EXPECT_EQ(user->transcript().front(),
            "InputBox [Add TODO Task] \"Type a comment for this TODO task\" -> \"check feeds\"");
}

// ---- The control structures ---------------------------------------------------------

struct TemplateCase {
  const char* name;
  void (*command)(frmMain&);
  const std::vector<std::string>& lines;
};

TEST_F(TemplateTest, EveryControlStructureGoesInWholeInFrontOfTheCaretsLine) {
  const TemplateCase cases[] = {
      {"If", modMain::g_IfCode, kIfLines},
      {"ElseIf", modMain::g_ElseIfCode, kElseIfLines},
      {"Select Case", modMain::g_SelectCaseCode, kSelectCaseLines},
      {"For Next", modMain::g_ForNextCode, kForNextLines},
      {"For Each", modMain::g_ForEachCode, kForEachLines},
  };
  for (const auto& c : cases) {
    document("Dim a\r\nb = 1\r\nc", {1, 3, 1, 3});
    c.command(*main);
    EXPECT_EQ(text(), "Dim a\r\n" + crLfLines(c.lines) + "b = 1\r\nc") << c.name;
    EXPECT_EQ(selection(), (CodeRange{1, 3, 1, 3})) << c.name;
    EXPECT_TRUE(callStack().empty()) << c.name;
  }
}

TEST_F(TemplateTest, EachTemplateTracesItsOwnNameAroundItsInsertion) {
  const std::pair<const char*, void (*)(frmMain&)> cases[] = {
      {"g_ToDo", modMain::g_ToDo},
      {"g_IfCode", modMain::g_IfCode},
      {"g_ElseIfCode", modMain::g_ElseIfCode},
      {"g_SelectCaseCode", modMain::g_SelectCaseCode},
      {"g_ForNextCode", modMain::g_ForNextCode},
      {"g_ForEachCode", modMain::g_ForEachCode},
  };
  for (const auto& [procedure, command] : cases) {
    document("Dim a\r\n");
    if (std::string(procedure) == "g_ToDo") user->answerInputBox("later", "", "Add TODO Task");
    const size_t before = traceLines().size();
    command(*main);
    const std::string traceText = std::string("modMain::") + procedure + "(Sub)";
    EXPECT_EQ(traceSince(before), (std::vector<std::string>{
                                      "Entered routine: " + traceText,
                                      "Entered routine: modMain::g_InsertAtCursor(Function)",
                                      "Exited routine: modMain::g_InsertAtCursor(Function)",
                                      "Exited routine: " + traceText,
                                  }))
        << procedure;
    EXPECT_NE(text(), "Dim a\r\n") << procedure;
  }
}

// ---- Failures -----------------------------------------------------------------------

TEST_F(TemplateTest, WithoutItsEditorATemplateWithoutHandlingFailsToItsCallerAndOneThatSkipsGoesOn) {
  const auto editorControl = main->CodeSense1;
  main->CodeSense1.reset();
  // The caret insertion skips every step and still pops.
  const size_t before = traceLines().size();
  modMain::g_IfCode(*main);
  EXPECT_EQ(traceSince(before).size(), 4u);
  EXPECT_TRUE(callStack().empty());
  modMain::g_AddADO(*main);
  EXPECT_TRUE(callStack().empty());
  // The end-of-text insertion of a snippet without handling fails at its
  // first step; the snippet's trace text stays on the call stack.
  try {
    modMain::g_BrowseForFolder(*main);
    ADD_FAILURE() << "no failure";
  } catch (const platform::RuntimeError& e) {
    EXPECT_EQ(e.number(), platform::err::ObjectVariableNotSet);
  }
  ASSERT_EQ(callStack().size(), 1u);
  EXPECT_EQ(callStack().back().procedure, "modMain::g_BrowseForFolder(Sub)");
  main->CodeSense1 = editorControl;
}

// ---- Read-only ----------------------------------------------------------------------

TEST_F(TemplateTest, AReadOnlyEditorRefusesEveryKindOfInsertionSilently) {
  document("Dim a\r\n", {0, 1, 0, 1});
  main->CodeSense1->setReadOnly(true);
  for (const char* id :
       {"ID_If...EndIf", "ID_MSExcel", "ID_OverRide", "ID_BrowseForFolder", "ID_AddBackSlash", "ID_InsertInclude"}) {
    EXPECT_TRUE(main->SSActiveToolBars1->clickTool(id)) << id;
    EXPECT_EQ(text(), "Dim a\r\n") << id;
    EXPECT_FALSE(main->IsDirty()) << id;
    EXPECT_TRUE(callStack().empty()) << id;
  }
  EXPECT_FALSE(main->SSActiveToolBars1->lastEventError().has_value());
  EXPECT_FALSE(user->lastMessageBox().has_value());
}

// ---- The dispatcher -----------------------------------------------------------------

struct EntryCase {
  const char* id;
  const char* fragment;  // a line of the template's text
};

TEST_F(TemplateTest, EachTemplatesToolRunsItsTemplate) {
  const EntryCase cases[] = {
      {"ID_TODO", "'' TODO:: tidy up ["},
      {"ID_If...EndIf", "\r\nElse\r\n"},
      {"ID_If..ElseIf..EndIf", "Elseif <condition> Then"},
      {"ID_SelectCase", "Select Case <test expression>"},
      {"ID_For..Next", "For intCounter = <MIN> To <MAX> Step <Steps>"},
      {"ID_For..Each", "For Each <element> In <group>"},
      {"ID_Arc", "Set CArc = New kzAr"},
      {"ID_Line", "Set CLine = New kzLn"},
      {"ID_Point", "Set CPoint = New kzPt"},
      {"ID_Rectangle", "Set CRect = New kzRe"},
      {"ID_Leads", "Set CLeads = New KzLeads"},
      {"ID_DepthCuts", "Set CDepthCuts = New KzDepthCuts"},
      {"ID_OverRide", "Set COverride = New KzOverride"},
      {"ID_AddBackSlash", "Function AddBackSlash(sPath)"},
      {"ID_InitializeScreen", "Function InitializeScreen()"},
      {"ID_ResetAll", "Sub ResetAll()"},
      {"ID_CheckForDrawing", "Function IsDrawing()"},
      {"ID_BrowseForFolder", "Function BrowseForFolder()"},
      {"ID_InsertFSO", "Set FSO = CreateObject(\"Scripting.FileSystemObject\")"},
      {"ID_InsertWSH", "Set WSH = CreateObject(\"WScript.Shell\")"},
      {"ID_InsertInclude", "Sub Include(sNameScript)"},
      {"ID_ADO", "Sub SafeExit(Cn, Rs)"},
      {"ID_AutoCAD", "Set ACAD = CreateObject(\"AutoCAD.Application\")"},
      {"ID_DefineNotepad", "strNotepadPath = WshShell.ExpandEnvironmentStrings("},
      {"ID_MSWord", "Set Word = CreateObject(\"Word.Application\")"},
      {"ID_MSExcel", "Set Excel = CreateObject(\"Excel.Application\")"},
  };
  for (const auto& c : cases) {
    document("Dim a\r\n");
    if (std::string(c.id) == "ID_TODO") user->answerInputBox("tidy up", "", "Add TODO Task");
    const size_t before = traceLines().size();
    EXPECT_TRUE(main->SSActiveToolBars1->clickTool(c.id)) << c.id;
    EXPECT_NE(text().find(c.fragment), std::string::npos) << c.id << ": " << text();
    EXPECT_TRUE(balanced(traceSince(before))) << c.id;
    EXPECT_TRUE(callStack().empty()) << c.id;
  }
  EXPECT_FALSE(main->SSActiveToolBars1->lastEventError().has_value());
}

TEST_F(TemplateTest, ASnippetsFailureReachesTheDispatchersReport) {
  const auto editorControl = main->CodeSense1;
  main->CodeSense1.reset();
  user->answerMessageBox(mb::Ignore,
                         "(Object variable or With block variable not set) in "
                         "modMain::g_CheckForDrawing(Sub)");
  platform::controls::Tool tool;
  tool.id = "ID_CheckForDrawing";
  main->SSActiveToolBars1_ToolClick(tool);
  main->CodeSense1 = editorControl;
  EXPECT_TRUE(user->lastMessageBox().has_value());
}

}  // namespace
}  // namespace authoring_test
