// The object declarations: each text whole, in front of the line on which
// the selection starts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/frmMain.h"
#include "editor/modMain.h"
#include "template_fixture.h"

namespace authoring_test {
namespace {

namespace modMain = kestrin::editor::modMain;

const std::vector<std::string> kExcelLines = {
    "Dim Excel",
    "",
    "Set Excel = CreateObject(\"Excel.Application\")",
};

const std::vector<std::string> kNotepadLines = {
    "Dim WshShell, strNotepadPath",
    "",
    "Set WshShell = CreateObject(\"WScript.Shell\")",
    "strNotepadPath = WshShell.ExpandEnvironmentStrings(\"%WinDir%\") & \"\\NOTEPAD.EXE\"",
};

const std::vector<std::string> kOverRideLines = {
    "Dim COverride",
    "Set COverride = New KzOverride",
    "",
    "With COverride",
    "     .DepthOn = False             ' -- Override operation depth?",
    "     .Depth  = 0                  ' -- new depth if DepthOn = TRUE",
    "     .FeedRateOn = False          ' -- Override operation feed rate?",
    "     .FeedRate = 100              ' -- New feed rate if FeedRateOn = TRUE",
    "     .FeedRatePercentOn = 100     ' -- New feed rate is a percentage?",
    "     .SpindleSpeedOn = False      ' -- Override operation spindle speed?",
    "     .SpindleSpeed = 100          ' -- New spindle speed if SpindleSpeedOn = TRUE",
    "     .SpindleSpeedPercentOn = 100 ' -- New spindle speed is a percentage?",
    "End With ",
};

const std::vector<std::string> kDepthsLines = {
    "Dim CDepthCuts",
    "Set CDepthCuts = New KzDepthCuts",
    "",
    "With CDepthCuts",
    "     .MaxStep = 2     ' -- Maximum step down of roughing passes",
    "     .FinalStep = 1   ' -- Desired depth of final pass",
    "End With ",
};

const std::vector<std::string> kLeadsLines = {
    "Dim CLeads",
    "Set CLeads = New KzLeads",
    "",
    "With CLeads",
    "     .Useline = True       ' -- Use a line for leading in/out",
    "     .LineLength = 1       ' -- Length of lead in/out line",
    "     .LineTangent = True   ' -- Is the line Tangent or Perpendicular?",
    "     .LineRampHeight = 10  ' -- Height of lead in/out Line (defining a ‘ramp’)",
    "     .Usearc = False       ' -- Use an arc for leading in/out",
    "     .ArcRadius = False    ' -- Radius of lead in/out arc",
    "     .ArcSweep = 1         ' -- Angular sweep of lead in/out arc",
    "     .ArcHelixHeight = 1   ' -- Height of lead in/out Arc (defining a helix)",
    "End With ",
};

const std::vector<std::string> kRectangleLines = {
    "Dim CRect",
    "Set CRect = New kzRe",
    "",
    "With CRect",
    "     .X1 = 0      ' -- Rectangle’s startpoint X co-ordinate",
    "     .Y1 = 0      ' -- Rectangle’s startpoint Y co-ordinate",
    "     .X2 = 10     ' -- Rectangle’s endpoint X co-ordinate",
    "     .Y2 = 10     ' -- Rectangle’s endpoint Y co-ordinate",
    "     .Z = 0       ' -- Rectangle’s Z co-ordinate",
    "End With ",
};

const std::vector<std::string> kPointLines = {
    "Dim CPoint",
    "Set CPoint = New kzPt",
    "",
    "With CPoint",
    "     .X = 0    ' -- Point’s X co-ordinate",
    "     .Y = 0    ' -- Point’s Y co-ordinate",
    "     .Z = 0    ' -- Point’s Z co-ordinate",
    "End With ",
};

const std::vector<std::string> kLineLines = {
    "Dim CLine",
    "Set CLine = New kzLn",
    "",
    "With CLine",
    "     .X1 = 0     ' -- Line’s startpoint X co-ordinate",
    "     .Y1 = 0     ' -- Line’s startpoint Y co-ordinate",
    "     .Z1 = 0     ' -- Line’s startpoint Z co-ordinate",
    "     .X2 = 10    ' -- Line’s endpoint X co-ordinate",
    "     .Y2 = 10    ' -- Line’s endpoint Y co-ordinate",
    "     .Z2 = 10    ' -- Line’s endpoint Z co-ordinate",
    "End With ",
};

const std::vector<std::string> kArcLines = {
    "Dim CArc",
    "Set CArc = New kzAr",
    "",
    "With CArc",
    "     .X = 0       ' -- Arc’s centerpoint X co-ordinate",
    "     .Y = 0       ' -- Arc’s centerpoint Y co-ordinate",
    "     .Z = 0       ' -- Arc’s centerpoint Z co-ordinate",
    "     .R = 0       ' -- Arc’s radius",
    "     .SA = 0      ' -- Arc’s start angle in degrees",
    "     .SW = 360    ' -- Arc’s sweep angle in degrees",
    "     .VIEW = kzVIEW_TOP    ' -- Arc’s view number",
    "End With ",
};

// The automation objects other than Excel, in the same three lines.
std::vector<std::string> automationLines(const std::string& variable, const std::string& progId) {
  return {"Dim " + variable, "", "Set " + variable + " = CreateObject(\"" + progId + "\")"};
}

struct DeclarationCase {
  const char* name;
  void (*command)(kestrin::editor::frmMain&);
  std::vector<std::string> lines;
};

TEST_F(TemplateTest, EveryDeclarationGoesInWholeInFrontOfTheCaretsLine) {
  const std::vector<DeclarationCase> cases = {
      {"Excel", modMain::g_AddExcel, kExcelLines},
      {"Word", modMain::g_AddWord, automationLines("Word", "Word.Application")},
      {"AutoCAD", modMain::g_AddAutoCAD, automationLines("ACAD", "AutoCAD.Application")},
      {"WSH", modMain::g_AddWSH, automationLines("WSH", "WScript.Shell")},
      {"FSO", modMain::g_AddFSO, automationLines("FSO", "Scripting.FileSystemObject")},
      {"Notepad", modMain::g_Notepad, kNotepadLines},
      {"Override", modMain::g_AddOverRideDeclare, kOverRideLines},
      {"DepthCuts", modMain::g_AddDepthsDeclare, kDepthsLines},
      {"Leads", modMain::g_AddLeadsDeclare, kLeadsLines},
      {"Rectangle", modMain::g_AddRectangleDeclare, kRectangleLines},
      {"Point", modMain::g_AddPointDeclare, kPointLines},
      {"Line", modMain::g_AddLineDeclare, kLineLines},
      {"Arc", modMain::g_AddArcDeclare, kArcLines},
  };
  for (const auto& c : cases) {
    document("Option Explicit\r\n  x = 1\r\n", {1, 4, 1, 4});
    c.command(*main);
    EXPECT_EQ(text(), "Option Explicit\r\n" + crLfLines(c.lines) + "  x = 1\r\n") << c.name;
    EXPECT_EQ(selection(), (CodeRange{1, 4, 1, 4})) << c.name;
    EXPECT_TRUE(callStack().empty()) << c.name;
  }
}

TEST_F(TemplateTest, TheHostClassCommentsKeepTheirTypographicQuotesAndEndWithKeepsItsBlank) {
  document("");
  modMain::g_AddLeadsDeclare(*main);
  modMain::g_AddPointDeclare(*main);
  // U+2018 and U+2019 in UTF-8.
  EXPECT_NE(text().find("(defining a \xE2\x80\x98ramp\xE2\x80\x99)\r\n"), std::string::npos);
  EXPECT_NE(text().find("' -- Point\xE2\x80\x99s X co-ordinate\r\n"), std::string::npos);
  EXPECT_NE(text().find("End With \r\n"), std::string::npos);
}

TEST_F(TemplateTest, ADeclarationTwiceGivesTwoIdenticalBlocks) {
  document("x\r\n");
  modMain::g_AddExcel(*main);
  modMain::g_AddExcel(*main);
  EXPECT_EQ(text(), crLfLines(kExcelLines) + crLfLines(kExcelLines) + "x\r\n");
}

TEST_F(TemplateTest, TheFileSystemObjectWritesNoTraceOfItsOwnAndTheOthersTraceTheirName) {
  document("x\r\n");
  size_t before = traceLines().size();
  modMain::g_AddFSO(*main);
  EXPECT_EQ(traceSince(before), (std::vector<std::string>{
                                    "Entered routine: modMain::g_InsertAtCursor(Function)",
                                    "Exited routine: modMain::g_InsertAtCursor(Function)",
                                }));
  before = traceLines().size();
  modMain::g_AddLeadsDeclare(*main);
  const auto lines = traceSince(before);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines.front(), "Entered routine: modMain::g_AddLeadsDeclare(Sub)");
  EXPECT_EQ(lines.back(), "Exited routine: modMain::g_AddLeadsDeclare(Sub)");
}

TEST_F(TemplateTest, EveryTracedDeclarationTracesItsOwnNameAroundItsInsertion) {
  const std::pair<const char*, void (*)(frmMain&)> cases[] = {
      {"g_AddExcel", modMain::g_AddExcel},
      {"g_AddWord", modMain::g_AddWord},
      {"g_AddAutoCAD", modMain::g_AddAutoCAD},
      {"g_AddWSH", modMain::g_AddWSH},
      {"g_Notepad", modMain::g_Notepad},
      {"g_AddOverRideDeclare", modMain::g_AddOverRideDeclare},
      {"g_AddDepthsDeclare", modMain::g_AddDepthsDeclare},
      {"g_AddLeadsDeclare", modMain::g_AddLeadsDeclare},
      {"g_AddRectangleDeclare", modMain::g_AddRectangleDeclare},
      {"g_AddPointDeclare", modMain::g_AddPointDeclare},
      {"g_AddLineDeclare", modMain::g_AddLineDeclare},
      {"g_AddArcDeclare", modMain::g_AddArcDeclare},
  };
  for (const auto& [procedure, command] : cases) {
    document("x\r\n");
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
  }
}

}  // namespace
}  // namespace authoring_test
