// The object declarations: an outside automation object, or one of the host
// application's script classes declared, created and filled, put in front
// of the line on which the selection starts.
#include <string>

#include "diagnostics/handling.h"
#include "diagnostics/trace.h"
#include "editor/frmMain.h"
#include "editor/modMain.h"

namespace kestrin::editor::modMain {

namespace {

// "Dim <variable>", an empty line, and the variable set to a new object of
// the programmatic identifier.
std::string automationObject(const std::string& variable, const std::string& progId) {
  return "Dim " + variable + "\r\n" + "\r\n" + "Set " + variable + " = CreateObject(\"" + progId + "\")\r\n";
}

// The Windows folder's Notepad, found through the shell.
const char* const kNotepad =
    "Dim WshShell, strNotepadPath\r\n"
    "\r\n"
    "Set WshShell = CreateObject(\"WScript.Shell\")\r\n"
    "strNotepadPath = WshShell.ExpandEnvironmentStrings(\"%WinDir%\") & \"\\NOTEPAD.EXE\"\r\n";

// The host's classes: the property lines are indented by five blanks, and
// "End With " keeps its closing blank.
const char* const kOverRideDeclare =
    "Dim COverride\r\n"
    "Set COverride = New KzOverride\r\n"
    "\r\n"
    "With COverride\r\n"
    "     .DepthOn = False             ' -- Override operation depth?\r\n"
    "     .Depth  = 0                  ' -- new depth if DepthOn = TRUE\r\n"
    "     .FeedRateOn = False          ' -- Override operation feed rate?\r\n"
    "     .FeedRate = 100              ' -- New feed rate if FeedRateOn = TRUE\r\n"
    "     .FeedRatePercentOn = 100     ' -- New feed rate is a percentage?\r\n"
    "     .SpindleSpeedOn = False      ' -- Override operation spindle speed?\r\n"
    "     .SpindleSpeed = 100          ' -- New spindle speed if SpindleSpeedOn = TRUE\r\n"
    "     .SpindleSpeedPercentOn = 100 ' -- New spindle speed is a percentage?\r\n"
    "End With \r\n";

const char* const kDepthsDeclare =
    "Dim CDepthCuts\r\n"
    "Set CDepthCuts = New KzDepthCuts\r\n"
    "\r\n"
    "With CDepthCuts\r\n"
    "     .MaxStep = 2     ' -- Maximum step down of roughing passes\r\n"
    "     .FinalStep = 1   ' -- Desired depth of final pass\r\n"
    "End With \r\n";

const char* const kLeadsDeclare =
    "Dim CLeads\r\n"
    "Set CLeads = New KzLeads\r\n"
    "\r\n"
    "With CLeads\r\n"
    "     .Useline = True       ' -- Use a line for leading in/out\r\n"
    "     .LineLength = 1       ' -- Length of lead in/out line\r\n"
    "     .LineTangent = True   ' -- Is the line Tangent or Perpendicular?\r\n"
    "     .LineRampHeight = 10  ' -- Height of lead in/out Line (defining a ‘ramp’)\r\n"
    "     .Usearc = False       ' -- Use an arc for leading in/out\r\n"
    "     .ArcRadius = False    ' -- Radius of lead in/out arc\r\n"
    "     .ArcSweep = 1         ' -- Angular sweep of lead in/out arc\r\n"
    "     .ArcHelixHeight = 1   ' -- Height of lead in/out Arc (defining a helix)\r\n"
    "End With \r\n";

const char* const kRectangleDeclare =
    "Dim CRect\r\n"
    "Set CRect = New kzRe\r\n"
    "\r\n"
    "With CRect\r\n"
    "     .X1 = 0      ' -- Rectangle’s startpoint X co-ordinate\r\n"
    "     .Y1 = 0      ' -- Rectangle’s startpoint Y co-ordinate\r\n"
    "     .X2 = 10     ' -- Rectangle’s endpoint X co-ordinate\r\n"
    "     .Y2 = 10     ' -- Rectangle’s endpoint Y co-ordinate\r\n"
    "     .Z = 0       ' -- Rectangle’s Z co-ordinate\r\n"
    "End With \r\n";

const char* const kPointDeclare =
    "Dim CPoint\r\n"
    "Set CPoint = New kzPt\r\n"
    "\r\n"
    "With CPoint\r\n"
    "     .X = 0    ' -- Point’s X co-ordinate\r\n"
    "     .Y = 0    ' -- Point’s Y co-ordinate\r\n"
    "     .Z = 0    ' -- Point’s Z co-ordinate\r\n"
    "End With \r\n";

const char* const kLineDeclare =
    "Dim CLine\r\n"
    "Set CLine = New kzLn\r\n"
    "\r\n"
    "With CLine\r\n"
    "     .X1 = 0     ' -- Line’s startpoint X co-ordinate\r\n"
    "     .Y1 = 0     ' -- Line’s startpoint Y co-ordinate\r\n"
    "     .Z1 = 0     ' -- Line’s startpoint Z co-ordinate\r\n"
    "     .X2 = 10    ' -- Line’s endpoint X co-ordinate\r\n"
    "     .Y2 = 10    ' -- Line’s endpoint Y co-ordinate\r\n"
    "     .Z2 = 10    ' -- Line’s endpoint Z co-ordinate\r\n"
    "End With \r\n";

const char* const kArcDeclare =
    "Dim CArc\r\n"
    "Set CArc = New kzAr\r\n"
    "\r\n"
    "With CArc\r\n"
    "     .X = 0       ' -- Arc’s centerpoint X co-ordinate\r\n"
    "     .Y = 0       ' -- Arc’s centerpoint Y co-ordinate\r\n"
    "     .Z = 0       ' -- Arc’s centerpoint Z co-ordinate\r\n"
    "     .R = 0       ' -- Arc’s radius\r\n"
    "     .SA = 0      ' -- Arc’s start angle in degrees\r\n"
    "     .SW = 360    ' -- Arc’s sweep angle in degrees\r\n"
    "     .VIEW = kzVIEW_TOP    ' -- Arc’s view number\r\n"
    "End With \r\n";

}  // namespace

void g_AddExcel(frmMain& form) {
  diagnostics::IgnoreFailures ignore;
  diagnostics::Trace trace("modMain::g_AddExcel(Sub)", ignore);
  ignore.step([&] { g_InsertAtCursor(form, automationObject("Excel", "Excel.Application")); });
}

void g_AddWord(frmMain& form) {
  diagnostics::IgnoreFailures ignore;
  diagnostics::Trace trace("modMain::g_AddWord(Sub)", ignore);
  ignore.step([&] { g_InsertAtCursor(form, automationObject("Word", "Word.Application")); });
}

void g_AddAutoCAD(frmMain& form) {
  diagnostics::IgnoreFailures ignore;
  diagnostics::Trace trace("modMain::g_AddAutoCAD(Sub)", ignore);
  ignore.step([&] { g_InsertAtCursor(form, automationObject("ACAD", "AutoCAD.Application")); });
}

void g_AddWSH(frmMain& form) {
  diagnostics::IgnoreFailures ignore;
  diagnostics::Trace trace("modMain::g_AddWSH(Sub)", ignore);
  ignore.step([&] { g_InsertAtCursor(form, automationObject("WSH", "WScript.Shell")); });
}

// Not traced, and no handling of its own.
void g_AddFSO(frmMain& form) { g_InsertAtCursor(form, automationObject("FSO", "Scripting.FileSystemObject")); }

void g_Notepad(frmMain& form) {
  diagnostics::IgnoreFailures ignore;
  diagnostics::Trace trace("modMain::g_Notepad(Sub)", ignore);
  ignore.step([&] { g_InsertAtCursor(form, kNotepad); });
}

void g_AddOverRideDeclare(frmMain& form) {
  diagnostics::Trace trace("modMain::g_AddOverRideDeclare(Sub)");
  g_InsertAtCursor(form, kOverRideDeclare);
}

void g_AddDepthsDeclare(frmMain& form) {
  diagnostics::Trace trace("modMain::g_AddDepthsDeclare(Sub)");
  g_InsertAtCursor(form, kDepthsDeclare);
}

void g_AddLeadsDeclare(frmMain& form) {
  diagnostics::Trace trace("modMain::g_AddLeadsDeclare(Sub)");
  g_InsertAtCursor(form, kLeadsDeclare);
}

void g_AddRectangleDeclare(frmMain& form) {
  diagnostics::Trace trace("modMain::g_AddRectangleDeclare(Sub)");
  g_InsertAtCursor(form, kRectangleDeclare);
}

void g_AddPointDeclare(frmMain& form) {
  diagnostics::Trace trace("modMain::g_AddPointDeclare(Sub)");
  g_InsertAtCursor(form, kPointDeclare);
}

void g_AddLineDeclare(frmMain& form) {
  diagnostics::Trace trace("modMain::g_AddLineDeclare(Sub)");
  g_InsertAtCursor(form, kLineDeclare);
}

void g_AddArcDeclare(frmMain& form) {
  diagnostics::Trace trace("modMain::g_AddArcDeclare(Sub)");
  g_InsertAtCursor(form, kArcDeclare);
}

}  // namespace kestrin::editor::modMain
