// The declaration generators: the skeleton of a subroutine, function,
// property or class after the end of the document, byte for byte.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "editor/frmMain.h"
#include "editor/modMain.h"
#include "template_fixture.h"

namespace authoring_test {
namespace {

namespace modMain = kestrin::editor::modMain;
using Generator = std::function<void(frmMain&)>;

struct GeneratorCase {
  const char* what;
  const char* procedure;
  Generator generate;
  std::vector<std::string> block;  // every line closed by CR LF
};

const std::string kSeparator = "' ////////////////////";
const std::string kRule = "''///////////////////////////////////////////////////////////////////////";

const std::vector<GeneratorCase>& cases() {
  static const std::vector<GeneratorCase> all = {
      {"public sub with inner blank and arguments",
       "g_AddSub",
       [](frmMain& f) { modMain::g_AddSub(f, "Draw Box", "x, y", true); },
       {kSeparator, "' Sub Declaration", kSeparator, "Public Sub Draw_Box(x, y)", "  ' -- Add code here...", "End Sub",
        ""}},
      {"private sub without arguments",
       "g_AddSub",
       [](frmMain& f) { modMain::g_AddSub(f, "Tidy", "", false); },
       {kSeparator, "' Sub Declaration", kSeparator, "Private Sub Tidy", "  ' -- Add code here...", "End Sub", ""}},
      // Called directly, blanks are an argument list and stand as given;
      // the name keeps its case and other characters, and is not trimmed.
      {"sub with an argument list of blanks",
       "g_AddSub",
       [](frmMain& f) { modMain::g_AddSub(f, " a.B ", "   ", true); },
       {kSeparator, "' Sub Declaration", kSeparator, "Public Sub _a.B_(   )", "  ' -- Add code here...", "End Sub",
        ""}},
      {"private function without arguments",
       "g_AddFunction",
       [](frmMain& f) { modMain::g_AddFunction(f, "Area", "", false); },
       {kSeparator, "' Function Declaration", kSeparator, "Private Function Area", "   Dim Ret  ", "   '",
        "   ' -- Add code here...", "   '", "   Area = Ret", "End Function", ""}},
      {"public function with inner blanks",
       "g_AddFunction",
       [](frmMain& f) { modMain::g_AddFunction(f, "my new func", "a, b", true); },
       {kSeparator, "' Function Declaration", kSeparator, "Public Function my_new_func(a, b)", "   Dim Ret  ", "   '",
        "   ' -- Add code here...", "   '", "   my_new_func = Ret", "End Function", ""}},
      {"public property with Let and Get",
       "g_AddProperty",
       [](frmMain& f) { modMain::g_AddProperty(f, "Speed", true, true, true, false); },
       {kSeparator, "' Property Declaration", kSeparator, "   Private m_Speed", "", "   Public Property Let Speed(arg)",
        "        m_Speed = arg", "   End Property", "", "   Public Property Get Speed()", "        Speed = m_Speed",
        "   End Property", "", ""}},
      {"private property with Set only and inner blanks",
       "g_AddProperty",
       [](frmMain& f) { modMain::g_AddProperty(f, "top left", false, false, false, true); },
       {kSeparator, "' Property Declaration", kSeparator, "   Private m_top_left", "",
        "   Private Property Set top_left(arg)", "        Set m_top_left = arg", "   End Property", "", ""}},
      {"private property with all three",
       "g_AddProperty",
       [](frmMain& f) { modMain::g_AddProperty(f, "P", false, true, true, true); },
       {kSeparator, "' Property Declaration", kSeparator, "   Private m_P", "", "   Private Property Let P(arg)",
        "        m_P = arg", "   End Property", "", "   Private Property Get P()", "        P = m_P", "   End Property",
        "", "   Private Property Set P(arg)", "        Set m_P = arg", "   End Property", "", ""}},
      {"property without procedures",
       "g_AddProperty",
       [](frmMain& f) { modMain::g_AddProperty(f, "Bare", true, false, false, false); },
       {kSeparator, "' Property Declaration", kSeparator, "   Private m_Bare", "", ""}},
      {"class with the dialog's choices",
       "g_AddClass",
       [](frmMain& f) { modMain::g_AddClass(f, "Shape", true, true, true, false, true, true); },
       {kSeparator,
        "' Class Declaration",
        kSeparator,
        " Class Shape",
        "   Private m_Arg ' local variable(s) to hold property value(s)",
        "",
        "   Private Sub Class_Initialize",
        "       ' -- Add initialize event code here...",
        "   End Sub",
        "",
        "   Public Property Let NewProp(arg)",
        "        m_Arg = arg",
        "   End Property",
        "",
        "   Public Property Get NewProp()",
        "        NewProp = m_Arg",
        "   End Property",
        "",
        "   Private Sub Class_Terminate",
        "       ' -- Add terminate event code here...",
        "   End Sub",
        "",
        "End Class",
        "",
        kRule,
        "' Dim objX",
        "' Set objX = New Shape   ' Create an instance of Shape.",
        "",
        "' With objX",
        "'          .NewProp = 10 ' Assign a value",
        "'          Call ShowDouble(\"Value =\", .NewProp) ' Get the value",
        "' End With",
        "",
        "' Set objX = Nothing        ' Destroy the instance.",
        kRule}},
      {"class without any part",
       "g_AddClass",
       [](frmMain& f) { modMain::g_AddClass(f, "Empty", false, false, false, false, false, false); },
       {kSeparator, "' Class Declaration", kSeparator, " Class Empty",
        "   Private m_Arg ' local variable(s) to hold property value(s)", "", "End Class"}},
      {"class with Set and the example, inner blank",
       "g_AddClass",
       [](frmMain& f) { modMain::g_AddClass(f, "My Shape", true, false, false, true, false, false); },
       {kSeparator,
        "' Class Declaration",
        kSeparator,
        " Class My_Shape",
        "   Private m_Arg ' local variable(s) to hold property value(s)",
        "",
        "   Public Property Set NewProp(arg)",
        "        Set m_Arg = arg",
        "   End Property",
        "",
        "End Class",
        "",
        kRule,
        "' Dim objX",
        "' Set objX = New My_Shape   ' Create an instance of My_Shape.",
        "",
        "' With objX",
        "'          .NewProp = 10 ' Assign a value",
        "'          Call ShowDouble(\"Value =\", .NewProp) ' Get the value",
        "' End With",
        "",
        "' Set objX = Nothing        ' Destroy the instance.",
        kRule}},
      {"class with every block, no example",
       "g_AddClass",
       [](frmMain& f) { modMain::g_AddClass(f, "All", false, true, true, true, true, true); },
       {kSeparator,
        "' Class Declaration",
        kSeparator,
        " Class All",
        "   Private m_Arg ' local variable(s) to hold property value(s)",
        "",
        "   Private Sub Class_Initialize",
        "       ' -- Add initialize event code here...",
        "   End Sub",
        "",
        "   Public Property Let NewProp(arg)",
        "        m_Arg = arg",
        "   End Property",
        "",
        "   Public Property Get NewProp()",
        "        NewProp = m_Arg",
        "   End Property",
        "",
        "   Public Property Set NewProp(arg)",
        "        Set m_Arg = arg",
        "   End Property",
        "",
        "   Private Sub Class_Terminate",
        "       ' -- Add terminate event code here...",
        "   End Sub",
        "",
        "End Class"}},
  };
  return all;
}

TEST_F(TemplateTest, EveryGeneratorAppendsItsBlockAfterTwoNewLinesAtTheEnd) {
  for (const auto& c : cases()) {
    document("Dim a\r\nb = 1", {0, 1, 0, 1});
    const size_t before = traceLines().size();
    c.generate(*main);
    EXPECT_EQ(text(), "Dim a\r\nb = 1\r\n\r\n" + crLfLines(c.block)) << c.what;
    // The document is marked through the editor's text change.
    EXPECT_TRUE(main->IsDirty()) << c.what;
    const auto lines = traceSince(before);
    ASSERT_FALSE(lines.empty()) << c.what;
    EXPECT_EQ(lines.front(), std::string("Entered routine: modMain::") + c.procedure + "(Sub)") << c.what;
    EXPECT_EQ(lines.back(), std::string("Exited routine: modMain::") + c.procedure + "(Sub)") << c.what;
    EXPECT_TRUE(balanced(lines)) << c.what;
    EXPECT_TRUE(callStack().empty()) << c.what;
  }
}

TEST_F(TemplateTest, AGeneratorIntoAnEmptyDocumentBeginsAfterTwoEmptyLines) {
  document("");
  modMain::g_AddSub(*main, "Go", "", true);
  EXPECT_EQ(text(), "\r\n\r\n" + crLfLines({kSeparator, "' Sub Declaration", kSeparator, "Public Sub Go",
                                            "  ' -- Add code here...", "End Sub", ""}));
}

TEST_F(TemplateTest, ANameOfBlanksOnlyAppendsNothingAndPopsItsTrace) {
  const std::vector<std::pair<const char*, Generator>> blanks = {
      {"g_AddSub", [](frmMain& f) { modMain::g_AddSub(f, "   ", "x", true); }},
      {"g_AddFunction", [](frmMain& f) { modMain::g_AddFunction(f, "", "", false); }},
      {"g_AddProperty", [](frmMain& f) { modMain::g_AddProperty(f, " ", true, true, true, true); }},
      {"g_AddClass", [](frmMain& f) { modMain::g_AddClass(f, "    ", true, true, true, true, true, true); }},
  };
  for (const auto& [procedure, generate] : blanks) {
    document("Dim a\r\n");
    const size_t before = traceLines().size();
    generate(*main);
    EXPECT_EQ(text(), "Dim a\r\n") << procedure;
    EXPECT_FALSE(main->IsDirty()) << procedure;
    const std::string traceText = std::string("modMain::") + procedure + "(Sub)";
    EXPECT_EQ(traceSince(before),
              (std::vector<std::string>{"Entered routine: " + traceText, "Exited routine: " + traceText}))
        << procedure;
    EXPECT_TRUE(callStack().empty()) << procedure;
  }
}

TEST_F(TemplateTest, AGeneratorWithoutItsEditorSkipsTheFailingStepsAndStillReturns) {
  const auto editorControl = main->CodeSense1;
  main->CodeSense1.reset();
  const size_t before = traceLines().size();
  EXPECT_NO_THROW(modMain::g_AddClass(*main, "C", true, true, true, true, true, true));
  EXPECT_NO_THROW(modMain::g_AddFunction(*main, "F", "", true));
  main->CodeSense1 = editorControl;
  EXPECT_TRUE(balanced(traceSince(before)));
  EXPECT_TRUE(callStack().empty());
}

}  // namespace
}  // namespace authoring_test
