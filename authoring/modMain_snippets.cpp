// The function snippets: a routine appended after the end of the document,
// most of them with its call or a block that uses it put in front of the
// line on which the selection starts first. Nothing checks whether the
// routine is there already.
#include <string>

#include "diagnostics/handling.h"
#include "diagnostics/trace.h"
#include "editor/frmMain.h"
#include "editor/modMain.h"

namespace kestrin::editor::modMain {

namespace {

// A folder picker through the shell object.
const char* const kBrowseForFolderCall =
    "Dim strPath\r\n"
    "\r\n"
    "' -- Prompt user for a folder containing dxf files\r\n"
    "strPath = BrowseForFolder\r\n"
    "\r\n"
    "If strPath = vbNullString Then\r\n"
    "   ' -- Invalid path....\r\n"
    "End If\r\n";

const char* const kBrowseForFolderRoutine =
    "' ////////////////////\r\n"
    "' Function Declaration\r\n"
    "' ////////////////////\r\n"
    "\r\n"
    "Function BrowseForFolder()\r\n"
    "\r\n"
    "    On Error Resume Next\r\n"
    "\r\n"
    "Const WINDOW_HANDLE = 0\r\n"
    "Const NO_OPTIONS = 0\r\n"
    "    Dim objShell, objFolder, objFolderItem\r\n"
    "\r\n"
    "    Set objShell = CreateObject(\"Shell.Application\")\r\n"
    "\r\n"
    "    Set objFolder = objShell.BrowseForFolder(WINDOW_HANDLE, \"Select a folder:\", NO_OPTIONS,\"Desktop\")\r\n"
    "\r\n"
    "    Set objFolderItem = objFolder.Self\r\n"
    "\r\n"
    "    If Err.Number <> 0 Then\r\n"
    "\r\n"
    "       BrowseForFolder = vbNullstring\r\n"
    "       Err.Clear\r\n"
    "       Exit Function\r\n"
    "    End If\r\n"
    "\r\n"
    "    BrowseForFolder = objFolderItem.Path\r\n"
    "End Function\r\n";

// Whether the host has a drawing, through its database search.
const char* const kCheckForDrawingCall =
    "If IsDrawing Then\r\n"
    "'\r\n"
    "' -- Add Drawing Exists Code Here\r\n"
    "'\r\n"
    "Else\r\n"
    "'\r\n"
    "' -- Add Code Here\r\n"
    "'\r\n"
    "End If\r\n";

const char* const kCheckForDrawingRoutine =
    "' ////////////////////\r\n"
    "' Function Declaration\r\n"
    "' ////////////////////\r\n"
    "\r\n"
    "Function IsDrawing()\r\n"
    "\r\n"
    "Dim Ret\r\n"
    "\r\n"
    "Ret = StartDBSearch(kz_alive, -1)\r\n"
    "\r\n"
    "IsDrawing = Ret\r\n"
    "\r\n"
    "End Function\r\n";

// A walk through the records of a database table, and its clean-up.
const char* const kAdoCall =
    "' -- ADO DECLARATIONS\r\n"
    "Const adUseClient       = 3\r\n"
    "Const adOpenForwardOnly = 0\r\n"
    "Const adLockReadOnly    = 1\r\n"
    "Const adStateOpen       = 1\r\n"
    "\r\n"
    "Const DEF_DATABASE      = \"Add path to database here\"\r\n"
    "Const DEF_SELECT        = \"SELECT * FROM .......\"\r\n"
    "\r\n"
    "Dim objCn      ' -- Database object\r\n"
    "Dim objRs      ' -- Recordset object\r\n"
    "Dim intCounter ' -- Current record\r\n"
    "Dim intRecords ' -- Record count\r\n"
    "\r\n"
    "' -- Create ADO objects\r\n"
    "Set objCn = CreateObject(\"ADODB.Connection\")\r\n"
    "Set objRs = CreateObject(\"ADODB.Recordset\")\r\n"
    "\r\n"
    "' -- MS Access example connection\r\n"
    "With objCn\r\n"
    "\r\n"
    "    ' -- Setup the parameters\r\n"
    "    .CursorLocation = adUseClient\r\n"
    "    .ConnectionTimeout = 15\r\n"
    "    .CommandTimeout = 30\r\n"
    "    .ConnectionString = \"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"& DEF_DATABASE & \";\"\r\n"
    "\r\n"
    "    ' -- Open the database\r\n"
    "    .Open\r\n"
    "\r\n"
    "End With\r\n"
    "\r\n"
    "' -- Open the recordset\r\n"
    "With objRs\r\n"
    "\r\n"
    "    ' -- Setup the parameters\r\n"
    "    .ActiveConnection = objCn\r\n"
    "    .CursorLocation = adUseClient\r\n"
    "    .CursorType = adOpenForwardOnly\r\n"
    "    .LockType = adLockReadOnly\r\n"
    "    .Source = DEF_SELECT\r\n"
    "\r\n"
    "    ' -- Open the recordset\r\n"
    "    .Open\r\n"
    "\r\n"
    "    ' -- Disconnect the recordset\r\n"
    "    Set .ActiveConnection = Nothing\r\n"
    "\r\n"
    "    ' -- Make sure we have at lease 1 record\r\n"
    "    If .BOF And .EOF Then Call SafeExit(objCn, objRs)\r\n"
    "\r\n"
    "   .MoveLast\r\n"
    "   .MoveFirst\r\n"
    "\r\n"
    "    ' -- Get all records\r\n"
    "    intRecords = .RecordCount\r\n"
    "\r\n"
    "    ' -- Iterate all records\r\n"
    "    For intCounter = 1 To intRecords\r\n"
    "       ' -- Get the next record\r\n"
    "       .MoveNext\r\n"
    "    Next\r\n"
    "\r\n"
    "    ' -- Clean up\r\n"
    "    Call SafeExit(objCn, objRs)\r\n"
    "\r\n"
    "End With\r\n";

const char* const kAdoRoutine =
    "' ////////////////////\r\n"
    "' Sub Declaration\r\n"
    "' ////////////////////\r\n"
    "Sub SafeExit(Cn, Rs)\r\n"
    "' -- Lets make sure we clean up after ourselves\r\n"
    "If IsObject(Rs) Then\r\n"
    "    If Not Rs Is Nothing Then\r\n"
    "        If Rs.State = adStateOpen Then Rs.Close\r\n"
    "        Set Rs = Nothing\r\n"
    "    End If\r\n"
    "End If\r\n"
    "\r\n"
    "If IsObject(Cn) Then\r\n"
    "    If Not Cn Is Nothing Then\r\n"
    "        If Cn.State = adStateOpen Then Cn.Close\r\n"
    "        Set Cn = Nothing\r\n"
    "    End If\r\n"
    "End If\r\n"
    "\r\n"
    "End Sub\r\n";

// The host's screen initialisation command.
const char* const kInitializeCall = "Call InitializeScreen()\r\n";

const char* const kInitializeRoutine =
    "' ////////////////////\r\n"
    "' Function Declaration\r\n"
    "' ////////////////////\r\n"
    "Function InitializeScreen()\r\n"
    "\r\n"
    "Call RunKestrinCommand(\"initscrn\")\r\n"
    "\r\n"
    "End Function\r\n";

// A path with one closing backslash.
const char* const kBackSlashRoutine =
    "' ////////////////////\r\n"
    "' Function Declaration\r\n"
    "' ////////////////////\r\n"
    "\r\n"
    "Function AddBackSlash(sPath)\r\n"
    "\r\n"
    "If Right(sPath, 1) <> \"\\\" Then sPath = sPath & \"\\\"\r\n"
    "AddBackSlash = sPath\r\n"
    "\r\n"
    "End Function\r\n";

// The host screen cleared, fitted and its prompt lines emptied; the
// routine's last line has no line break.
const char* const kResetAllCall = "Call ResetAll()\r\n";

const char* const kResetAllRoutine =
    "' ////////////////////\r\n"
    "' Sub Declaration\r\n"
    "' ////////////////////\r\n"
    "Sub ResetAll()\r\n"
    "\r\n"
    "       ' -- Clear screen\r\n"
    "       Call NewKZ(False)\r\n"
    "\r\n"
    "       ' -- Fit screen\r\n"
    "       Call RepaintScreen(True)\r\n"
    "\r\n"
    "       ' -- Clear prompt area\r\n"
    "       Call ClearPromptLines\r\n"
    "\r\n"
    "End Sub";

// Another script file of the same folder run in this one; the last line
// has no line break.
const char* const kIncludeRoutine =
    "' '//////////////////////////\r\n"
    "' '// Sub Declaration\r\n"
    "' '//////////////////////////\r\n"
    "Sub Include(sNameScript)\r\n"
    "\r\n"
    "Dim FSO\r\n"
    "Dim fsoInclude\r\n"
    "\r\n"
    "Set FSO = CreateObject(\"Scripting.FileSystemObject\")\r\n"
    "\r\n"
    " sNameScript = GetPathOfThisScript & sNameScript\r\n"
    "\r\n"
    " Set fsoInclude = FSO.OpenTextFile(sNameScript)\r\n"
    "\r\n"
    " With fsoInclude\r\n"
    "\r\n"
    "     ExecuteGlobal .ReadAll()\r\n"
    "\r\n"
    "     .Close\r\n"
    "\r\n"
    " End With\r\n"
    "\r\n"
    "' -- Clean up\r\n"
    " Set fsoInclude = Nothing\r\n"
    " Set FSO = Nothing\r\n"
    "\r\n"
    "End Sub\r\n"
    "\r\n"
    "'// To use add Include \"ScriptName.vbs\" at the top of this script";

}  // namespace

void g_BrowseForFolder(frmMain& form) {
  diagnostics::Trace trace("modMain::g_BrowseForFolder(Sub)");
  g_InsertAtCursor(form, kBrowseForFolderCall);
  appendAtEnd(form, kBrowseForFolderRoutine, diagnostics::noHandling());
}

void g_CheckForDrawing(frmMain& form) {
  diagnostics::Trace trace("modMain::g_CheckForDrawing(Sub)");
  g_InsertAtCursor(form, kCheckForDrawingCall);
  appendAtEnd(form, kCheckForDrawingRoutine, diagnostics::noHandling());
}

void g_AddADO(frmMain& form) {
  diagnostics::IgnoreFailures ignore;
  diagnostics::Trace trace("modMain::g_AddADO(Sub)", ignore);
  ignore.step([&] { g_InsertAtCursor(form, kAdoCall); });
  appendAtEnd(form, kAdoRoutine, ignore);
}

void g_AddInitializeCode(frmMain& form) {
  diagnostics::Trace trace("modMain::g_AddInitializeCode(Sub)");
  g_InsertAtCursor(form, kInitializeCall);
  appendAtEnd(form, kInitializeRoutine, diagnostics::noHandling());
}

void g_AddBackSlashCode(frmMain& form) {
  diagnostics::Trace trace("modMain::g_AddBackSlashCode(Sub)");
  appendAtEnd(form, kBackSlashRoutine, diagnostics::noHandling());
}

void g_ReSetAllCode(frmMain& form) {
  diagnostics::Trace trace("modMain::g_ReSetAllCode(Sub)");
  g_InsertAtCursor(form, kResetAllCall);
  appendAtEnd(form, kResetAllRoutine, diagnostics::noHandling());
}

void g_AddInclude(frmMain& form) {
  diagnostics::IgnoreFailures ignore;
  diagnostics::Trace trace("modMain::g_AddInclude(Sub)", ignore);
  appendAtEnd(form, kIncludeRoutine, ignore);
}

}  // namespace kestrin::editor::modMain
