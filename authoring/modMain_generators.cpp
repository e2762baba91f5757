// The declaration generators: the skeleton of a new subroutine, function,
// property or class, built from fixed lines and the name the code dialogs
// collected, appended after the end of the document. A name of blanks only
// appends nothing; the blanks inside a name become "_". Nothing else of the
// name or the argument list is checked: they are written as given.
#include <string>

#include "diagnostics/handling.h"
#include "diagnostics/trace.h"
#include "editor/frmMain.h"
#include "editor/modMain.h"
#include "platform/runtime/strings.h"

namespace kestrin::editor::modMain {

namespace {

const char* const kCrLf = "\r\n";
const char* const kSeparator = "' ////////////////////";
const char* const kExampleRule = "''///////////////////////////////////////////////////////////////////////";

// The text that the script gets for a name: every blank an "_".
std::string scriptName(std::string name) {
  for (char& c : name)
    if (c == ' ') c = '_';
  return name;
}

const char* scopeWord(bool isPublic) { return isPublic ? "Public " : "Private "; }

// The block's text, one line at a time, each closed by CR LF.
class Block {
 public:
  Block& line(const std::string& text = {}) {
    text_ += text;
    text_ += kCrLf;
    return *this;
  }
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

void header(Block& block, const char* kind) {
  block.line(kSeparator).line(std::string("' ") + kind + " Declaration").line(kSeparator);
}

// The routine's opening line: the argument list in parentheses unless it
// is empty.
std::string routineLine(bool isPublic, const char* keyword, const std::string& name, const std::string& argList) {
  std::string line = std::string(scopeWord(isPublic)) + keyword + name;
  if (!argList.empty()) line += "(" + argList + ")";
  return line;
}

// The common frame of the four: the trace, the test of the name, the
// append, failures skipped statement by statement.
template <class Build>
void generate(frmMain& form, const char* traceText, const std::string& name, Build build) {
  diagnostics::IgnoreFailures ignore;
  diagnostics::Trace trace(traceText, ignore);
  if (platform::trim(name).empty()) return;
  std::string text;
  ignore.step([&] { text = build(scriptName(name)); });
  appendAtEnd(form, text, ignore);
}

}  // namespace

void g_AddSub(frmMain& form, const std::string& name, const std::string& argList, bool isPublic) {
  generate(form, "modMain::g_AddSub(Sub)", name, [&](const std::string& subName) {
    Block block;
    header(block, "Sub");
    block.line(routineLine(isPublic, "Sub ", subName, argList)).line("  ' -- Add code here...").line("End Sub").line();
    return block.text();
  });
}

void g_AddFunction(frmMain& form, const std::string& name, const std::string& argList, bool isPublic) {
  generate(form, "modMain::g_AddFunction(Sub)", name, [&](const std::string& functionName) {
    Block block;
    header(block, "Function");
    block.line(routineLine(isPublic, "Function ", functionName, argList))
        .line("   Dim Ret  ")
        .line("   '")
        .line("   ' -- Add code here...")
        .line("   '")
        .line("   " + functionName + " = Ret")
        .line("End Function")
        .line();
    return block.text();
  });
}

void g_AddProperty(frmMain& form, const std::string& name, bool isPublic, bool addLet, bool addGet, bool addSet) {
  generate(form, "modMain::g_AddProperty(Sub)", name, [&](const std::string& propertyName) {
    // The variable is private whatever the scope of the procedures.
    const std::string scope = std::string("   ") + scopeWord(isPublic);
    const std::string variable = "m_" + propertyName;
    Block block;
    header(block, "Property");
    block.line("   Private " + variable).line();
    if (addLet)
      block.line(scope + "Property Let " + propertyName + "(arg)")
          .line("        " + variable + " = arg")
          .line("   End Property")
          .line();
    if (addGet)
      block.line(scope + "Property Get " + propertyName + "()")
          .line("        " + propertyName + " = " + variable)
          .line("   End Property")
          .line();
    if (addSet)
      block.line(scope + "Property Set " + propertyName + "(arg)")
          .line("        Set " + variable + " = arg")
          .line("   End Property")
          .line();
    block.line();
    return block.text();
  });
}

void g_AddClass(frmMain& form, const std::string& name, bool addExample, bool addLet, bool addGet, bool addSet,
                bool addInitialize, bool addTerminate) {
  generate(form, "modMain::g_AddClass(Sub)", name, [&](const std::string& className) {
    // One property, NewProp, held in m_Arg; the blocks always in this
    // order, whatever order the options were chosen in.
    Block block;
    header(block, "Class");
    block.line(" Class " + className).line("   Private m_Arg ' local variable(s) to hold property value(s)").line();
    if (addInitialize)
      block.line("   Private Sub Class_Initialize")
          .line("       ' -- Add initialize event code here...")
          .line("   End Sub")
          .line();
    if (addLet)
      block.line("   Public Property Let NewProp(arg)").line("        m_Arg = arg").line("   End Property").line();
    if (addGet)
      block.line("   Public Property Get NewProp()").line("        NewProp = m_Arg").line("   End Property").line();
    if (addSet)
      block.line("   Public Property Set NewProp(arg)").line("        Set m_Arg = arg").line("   End Property").line();
    if (addTerminate)
      block.line("   Private Sub Class_Terminate")
          .line("       ' -- Add terminate event code here...")
          .line("   End Sub")
          .line();
    block.line("End Class");
    // A commented example of the class in use.
    if (addExample)
      block.line()
          .line(kExampleRule)
          .line("' Dim objX")
          .line("' Set objX = New " + className + "   ' Create an instance of " + className + ".")
          .line()
          .line("' With objX")
          .line("'          .NewProp = 10 ' Assign a value")
          .line("'          Call ShowDouble(\"Value =\", .NewProp) ' Get the value")
          .line("' End With")
          .line()
          .line("' Set objX = Nothing        ' Destroy the instance.")
          .line(kExampleRule);
    return block.text();
  });
}

}  // namespace kestrin::editor::modMain
