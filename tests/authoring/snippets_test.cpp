// The function snippets: the call at the caret, the routine after the end
// of the document.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/frmMain.h"
#include "editor/modMain.h"
#include "template_fixture.h"

namespace authoring_test {
namespace {

namespace modMain = kestrin::editor::modMain;

const std::vector<std::string> kBrowseCallLines = {
    "Dim strPath",
    "",
    "' -- Prompt user for a folder containing dxf files",
    "strPath = BrowseForFolder",
    "",
    "If strPath = vbNullString Then",
    "   ' -- Invalid path....",
    "End If",
};

const std::vector<std::string> kBrowseRoutineLines = {
    "' ////////////////////",
    "' Function Declaration",
    "' ////////////////////",
    "",
    "Function BrowseForFolder()",
    "",
    "    On Error Resume Next",
    "",
    "Const WINDOW_HANDLE = 0",
    "Const NO_OPTIONS = 0",
    "    Dim objShell, objFolder, objFolderItem",
    "",
    "    Set objShell = CreateObject(\"Shell.Application\")",
    "",
    "    Set objFolder = objShell.BrowseForFolder(WINDOW_HANDLE, \"Select a folder:\", NO_OPTIONS,\"Desktop\")",
    "",
    "    Set objFolderItem = objFolder.Self",
    "",
    "    If Err.Number <> 0 Then",
    "",
    "       BrowseForFolder = vbNullstring",
    "       Err.Clear",
    "       Exit Function",
    "    End If",
    "",
    "    BrowseForFolder = objFolderItem.Path",
    "End Function",
};

const std::vector<std::string> kDrawingCallLines = {
    "If IsDrawing Then",
    "'",
    "' -- Add Drawing Exists Code Here",
    "'",
    "Else",
    "'",
    "' -- Add Code Here",
    "'",
    "End If",
};

const std::vector<std::string> kDrawingRoutineLines = {
    "' ////////////////////",
    "' Function Declaration",
    "' ////////////////////",
    "",
    "Function IsDrawing()",
    "",
    "Dim Ret",
    "",
    "Ret = StartDBSearch(kz_alive, -1)",
    "",
    "IsDrawing = Ret",
    "",
    "End Function",
};

const std::vector<std::string> kAdoCallLines = {
    "' -- ADO DECLARATIONS",
    "Const adUseClient       = 3",
    "Const adOpenForwardOnly = 0",
    "Const adLockReadOnly    = 1",
    "Const adStateOpen       = 1",
    "",
    "Const DEF_DATABASE      = \"Add path to database here\"",
    "Const DEF_SELECT        = \"SELECT * FROM .......\"",
    "",
    "Dim objCn      ' -- Database object",
    "Dim objRs      ' -- Recordset object",
    "Dim intCounter ' -- Current record",
    "Dim intRecords ' -- Record count",
    "",
    "' -- Create ADO objects",
    "Set objCn = CreateObject(\"ADODB.Connection\")",
    "Set objRs = CreateObject(\"ADODB.Recordset\")",
    "",
    "' -- MS Access example connection",
    "With objCn",
    "",
    "    ' -- Setup the parameters",
    "    .CursorLocation = adUseClient",
    "    .ConnectionTimeout = 15",
    "    .CommandTimeout = 30",
    "    .ConnectionString = \"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"& DEF_DATABASE & \";\"",
    "",
    "    ' -- Open the database",
    "    .Open",
    "",
    "End With",
    "",
    "' -- Open the recordset",
    "With objRs",
    "",
    "    ' -- Setup the parameters",
    "    .ActiveConnection = objCn",
    "    .CursorLocation = adUseClient",
    "    .CursorType = adOpenForwardOnly",
    "    .LockType = adLockReadOnly",
    "    .Source = DEF_SELECT",
    "",
    "    ' -- Open the recordset",
    "    .Open",
    "",
    "    ' -- Disconnect the recordset",
    "    Set .ActiveConnection = Nothing",
    "",
    "    ' -- Make sure we have at lease 1 record",
    "    If .BOF And .EOF Then Call SafeExit(objCn, objRs)",
    "",
    "   .MoveLast",
    "   .MoveFirst",
    "",
    "    ' -- Get all records",
    "    intRecords = .RecordCount",
    "",
    "    ' -- Iterate all records",
    "    For intCounter = 1 To intRecords",
    "       ' -- Get the next record",
    "       .MoveNext",
    "    Next",
    "",
    "    ' -- Clean up",
    "    Call SafeExit(objCn, objRs)",
    "",
    "End With",
};

const std::vector<std::string> kAdoRoutineLines = {
    "' ////////////////////",
    "' Sub Declaration",
    "' ////////////////////",
    "Sub SafeExit(Cn, Rs)",
    "' -- Lets make sure we clean up after ourselves",
    "If IsObject(Rs) Then",
    "    If Not Rs Is Nothing Then",
    "        If Rs.State = adStateOpen Then Rs.Close",
    "        Set Rs = Nothing",
    "    End If",
    "End If",
    "",
    "If IsObject(Cn) Then",
    "    If Not Cn Is Nothing Then",
    "        If Cn.State = adStateOpen Then Cn.Close",
    "        Set Cn = Nothing",
    "    End If",
    "End If",
    "",
    "End Sub",
};

const std::vector<std::string> kInitializeCallLines = {
    "Call InitializeScreen()",
};

const std::vector<std::string> kInitializeRoutineLines = {
    "' ////////////////////",
    "' Function Declaration",
    "' ////////////////////",
    "Function InitializeScreen()",
    "",
    "Call RunKestrinCommand(\"initscrn\")",
    "",
    "End Function",
};

const std::vector<std::string> kBackSlashRoutineLines = {
    "' ////////////////////",
    "' Function Declaration",
    "' ////////////////////",
    "",
    "Function AddBackSlash(sPath)",
    "",
    "If Right(sPath, 1) <> \"\\\" Then sPath = sPath & \"\\\"",
    "AddBackSlash = sPath",
    "",
    "End Function",
};

const std::vector<std::string> kResetAllCallLines = {
    "Call ResetAll()",
};

const std::vector<std::string> kResetAllRoutineLines = {
    "' ////////////////////",
    "' Sub Declaration",
    "' ////////////////////",
    "Sub ResetAll()",
    "",
    "       ' -- Clear screen",
    "       Call NewKZ(False)",
    "",
    "       ' -- Fit screen",
    "       Call RepaintScreen(True)",
    "",
    "       ' -- Clear prompt area",
    "       Call ClearPromptLines",
    "",
    "End Sub",
};

const std::vector<std::string> kIncludeRoutineLines = {
    "' '//////////////////////////",
    "' '// Sub Declaration",
    "' '//////////////////////////",
    "Sub Include(sNameScript)",
    "",
    "Dim FSO",
    "Dim fsoInclude",
    "",
    "Set FSO = CreateObject(\"Scripting.FileSystemObject\")",
    "",
    " sNameScript = GetPathOfThisScript & sNameScript",
    "",
    " Set fsoInclude = FSO.OpenTextFile(sNameScript)",
    "",
    " With fsoInclude",
    "",
    "     ExecuteGlobal .ReadAll()",
    "",
    "     .Close",
    "",
    " End With",
    "",
    "' -- Clean up",
    " Set fsoInclude = Nothing",
    " Set FSO = Nothing",
    "",
    "End Sub",
    "",
    "'// To use add Include \"ScriptName.vbs\" at the top of this script",
};

const std::vector<std::string> kNoCall;

struct SnippetCase {
  const char* procedure;
  void (*command)(kestrin::editor::frmMain&);
  const std::vector<std::string>& call;  // at the caret; empty: none
  const std::vector<std::string>& routine;
  bool routineBreak;  // the routine's last line has a line break
};

const SnippetCase kSnippets[] = {
    {"g_BrowseForFolder", modMain::g_BrowseForFolder, kBrowseCallLines, kBrowseRoutineLines, true},
    {"g_CheckForDrawing", modMain::g_CheckForDrawing, kDrawingCallLines, kDrawingRoutineLines, true},
    {"g_AddADO", modMain::g_AddADO, kAdoCallLines, kAdoRoutineLines, true},
    {"g_AddInitializeCode", modMain::g_AddInitializeCode, kInitializeCallLines, kInitializeRoutineLines, true},
    {"g_AddBackSlashCode", modMain::g_AddBackSlashCode, kNoCall, kBackSlashRoutineLines, true},
    {"g_ReSetAllCode", modMain::g_ReSetAllCode, kResetAllCallLines, kResetAllRoutineLines, false},
    {"g_AddInclude", modMain::g_AddInclude, kNoCall, kIncludeRoutineLines, false},
};

TEST_F(TemplateTest, EverySnippetPutsItsCallAtTheCaretAndItsRoutineAfterTwoNewLinesAtTheEnd) {
  for (const auto& c : kSnippets) {
    document("Dim a\r\nb = 1\r\n", {1, 2, 1, 2});
    const size_t before = traceLines().size();
    c.command(*main);
    const std::string call = c.call.empty() ? "" : crLfLines(c.call);
    EXPECT_EQ(text(), "Dim a\r\n" + call + "b = 1\r\n" + "\r\n\r\n" + crLfLines(c.routine, c.routineBreak))
        << c.procedure;
    // The caret stays where the routine's text left it.
    const int32_t last = main->CodeSense1->lineCount() - 1;
    const auto column = static_cast<int32_t>(main->CodeSense1->getLine(last).size());
    EXPECT_EQ(selection(), (CodeRange{last, column, last, column})) << c.procedure;
    const auto lines = traceSince(before);
    ASSERT_FALSE(lines.empty()) << c.procedure;
    EXPECT_EQ(lines.front(), std::string("Entered routine: modMain::") + c.procedure + "(Sub)") << c.procedure;
    EXPECT_EQ(lines.back(), std::string("Exited routine: modMain::") + c.procedure + "(Sub)") << c.procedure;
    EXPECT_TRUE(balanced(lines)) << c.procedure;
    EXPECT_TRUE(callStack().empty()) << c.procedure;
  }
}

TEST_F(TemplateTest, ARoutineAfterOneWithoutClosingBreakFollowsOneEmptyLineAndComesTwice) {
  document("x");
  modMain::g_AddInclude(*main);
  modMain::g_AddBackSlashCode(*main);
  modMain::g_AddBackSlashCode(*main);
  EXPECT_EQ(text(), "x\r\n\r\n" + crLfLines(kIncludeRoutineLines, false) + "\r\n\r\n" +
                        crLfLines(kBackSlashRoutineLines) + "\r\n\r\n" + crLfLines(kBackSlashRoutineLines));
}

TEST_F(TemplateTest, ASecondRunPutsItsCallWhereTheFirstRunsRoutineLeftTheCaret) {
  document("x\r\n");
  modMain::g_AddInitializeCode(*main);
  modMain::g_AddInitializeCode(*main);
  const std::string call = crLfLines(kInitializeCallLines);
  const std::string routine = crLfLines(kInitializeRoutineLines);
  EXPECT_EQ(text(), call + "x\r\n\r\n\r\n" + routine + call + "\r\n\r\n" + routine);
}

}  // namespace
}  // namespace authoring_test
