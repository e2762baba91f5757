// The code dialogs, opened by their tools through the dispatcher: the user
// fills them and presses OK (the generator's block is appended) or leaves
// them (nothing is); each opening is a new window with the defaults.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "authoring/frmAddFunction.h"
#include "authoring/frmAddProperty.h"
#include "authoring/frmAddSubroutine.h"
#include "authoring/frmInsertFile.h"
#include "authoring/frmNewClass.h"
#include "editor/frmMain.h"
#include "editor/modMain.h"
#include "platform/controls/standard_controls.h"
#include "platform/ui/form.h"
#include "platform/ui/screen.h"
#include "template_fixture.h"

namespace authoring_test {
namespace {

namespace editor = kestrin::editor;
namespace modMain = kestrin::editor::modMain;
namespace mb = platform::ui::mb;
using platform::controls::CommandButton;
using platform::controls::StandardControl;

struct Dialog {
  const char* tool;
  const char* form;
  const char* message;  // for an empty name
};

const Dialog kDialogs[] = {
    {"ID_NewFunction", "frmAddFunction", "Please input a function name"},
    {"ID_NewSubroutine", "frmAddSubroutine", "Please input a subroutine name"},
    {"ID_InsertClass", "frmNewClass", "Please input a Class name"},
    {"ID_AddProperty", "frmAddProperty", "Please input a property name"},
};

const char* const kStart = "Dim a\r\n";

class CodeDialogTest : public TemplateTest {
 protected:
  // Opens the dialog through its tool; returns when it has closed.
  void open(const char* tool) {
    ASSERT_TRUE(main->SSActiveToolBars1->clickTool(tool)) << tool;
    ASSERT_TRUE(user->done()) << tool << "\n" << user->transcriptText();
  }
  // The text the generator appends to the start document when called
  // directly.
  std::string generated(const std::function<void(frmMain&)>& generate) {
    document(kStart);
    generate(*main);
    return text();
  }
};

// ---- OK ---------------------------------------------------------------------------------

struct OkCase {
  const char* what;
  const char* tool;
  const char* form;
  // What the user does before OK (name and options).
  std::function<void(platform::ui::ScriptedUser&, const std::string& form)> fill;
  std::function<void(frmMain&)> expected;
};

const std::vector<OkCase>& okCases() {
  static const std::vector<OkCase> all = {
      {"function: trimmed name and blank arguments, private", "ID_NewFunction", "frmAddFunction",
       [](auto& u, const std::string& f) {
         u.setValue("txtFunctionName", "  Area  ", f).setValue("txtArgList", "    ", f);
         u.click("optFunction(1)", f);
       },
       [](frmMain& m) { modMain::g_AddFunction(m, "Area", "", false); }},
      {"subroutine: inner blanks kept for the generator, arguments trimmed", "ID_NewSubroutine", "frmAddSubroutine",
       [](auto& u, const std::string& f) {
         u.setValue("txtFunctionName", " Draw Box ", f).setValue("txtArgList", "  x, y ", f);
       },
       [](frmMain& m) { modMain::g_AddSub(m, "Draw Box", "x, y", true); }},
      {"subroutine: private chosen, then public again", "ID_NewSubroutine", "frmAddSubroutine",
       [](auto& u, const std::string& f) {
         u.setValue("txtFunctionName", "Go", f).click("optFunction(1)", f);
         u.click("optFunction(0)", f);
       },
       [](frmMain& m) { modMain::g_AddSub(m, "Go", "", true); }},
      {"property: the defaults", "ID_AddProperty", "frmAddProperty",
       [](auto& u, const std::string& f) { u.setValue("txtFunctionName", "Speed", f); },
       [](frmMain& m) { modMain::g_AddProperty(m, "Speed", true, true, true, false); }},
      {"property: private, Let cleared, Set greyed counts", "ID_AddProperty", "frmAddProperty",
       [](auto& u, const std::string& f) {
         u.setValue("txtFunctionName", "P", f).click("optFunction(1)", f);
         u.click("chkProperties(0)", f).setValue("chkProperties(2)", "2", f);
       },
       [](frmMain& m) { modMain::g_AddProperty(m, "P", false, false, true, true); }},
      {"class: the defaults", "ID_InsertClass", "frmNewClass",
       [](auto& u, const std::string& f) { u.setValue("txtFunctionName", "Shape", f); },
       [](frmMain& m) { modMain::g_AddClass(m, "Shape", true, true, true, false, true, true); }},
      {"class: every box cleared", "ID_InsertClass", "frmNewClass",
       [](auto& u, const std::string& f) {
         u.setValue("txtFunctionName", "Bare", f);
         for (const char* box :
              {"chkProperties(0)", "chkProperties(1)", "chkInitialize(0)", "chkInitialize(1)", "chkAddExample"})
           u.click(box, f);
       },
       [](frmMain& m) { modMain::g_AddClass(m, "Bare", false, false, false, false, false, false); }},
      {"class: Set added, Get, Terminate and the example cleared", "ID_InsertClass", "frmNewClass",
       [](auto& u, const std::string& f) {
         u.setValue("txtFunctionName", "K", f).click("chkProperties(2)", f);
         u.click("chkProperties(1)", f).click("chkInitialize(1)", f).click("chkAddExample", f);
       },
       [](frmMain& m) { modMain::g_AddClass(m, "K", false, true, false, true, true, false); }},
  };
  return all;
}

TEST_F(CodeDialogTest, OkHandsTheNameAndOptionsToTheGeneratorAndClosesTheDialog) {
  for (const auto& c : okCases()) {
    const std::string expected = generated(c.expected);
    document(kStart);
    c.fill(*user, c.form);
    user->click("cmdOK", c.form);
    const size_t before = traceLines().size();
    open(c.tool);
    EXPECT_EQ(text(), expected) << c.what;
    EXPECT_NE(text(), kStart) << c.what;
    EXPECT_EQ(platform::ui::findForm(c.form), nullptr) << c.what;
    EXPECT_TRUE(balanced(traceSince(before))) << c.what;
    EXPECT_TRUE(callStack().empty()) << c.what;
  }
  EXPECT_FALSE(main->SSActiveToolBars1->lastEventError().has_value());
}

// ---- Leaving without OK ------------------------------------------------------------------

TEST_F(CodeDialogTest, CancelEscapeAndTheCloseBoxGenerateNothing) {
  const std::vector<std::pair<const char*, std::function<void(const std::string&)>>> ways = {
      {"Cancel", [&](const std::string& f) { user->click("cmdCancel", f); }},
      {"Escape",
       [&](const std::string& f) {
         user->key("Escape");
         (void)f;
       }},
      {"close box", [&](const std::string& f) { user->close(f); }},
  };
  for (const auto& d : kDialogs) {
    for (const auto& [way, leave] : ways) {
      document(kStart);
      user->setValue("txtFunctionName", "Named", d.form);
      leave(d.form);
      open(d.tool);
      EXPECT_EQ(text(), kStart) << d.form << ", " << way;
      EXPECT_FALSE(main->IsDirty()) << d.form << ", " << way;
      EXPECT_EQ(platform::ui::findForm(d.form), nullptr) << d.form << ", " << way;
    }
  }
  EXPECT_TRUE(callStack().empty());
}

TEST_F(CodeDialogTest, ANameOfBlanksGivesTheMessageAndKeepsTheDialogOpenAsItWas) {
  for (const auto& d : kDialogs) {
    document(kStart);
    user->setValue("txtFunctionName", "   ", d.form);
    user->click("cmdOK", d.form);
    user->answerMessageBox(mb::OK, d.message, "Kestrin VB Script Editor");
    bool stillOpen = false;
    std::string name;
    duringWait([&] {
      auto form = platform::ui::findForm(d.form);
      stillOpen = form != nullptr;
      if (form) name = form->control("txtFunctionName").valueText();
    });
    user->click("cmdCancel", d.form);
    open(d.tool);
    ASSERT_TRUE(user->lastMessageBox().has_value()) << d.form;
    EXPECT_EQ(user->lastMessageBox()->text, std::string(d.message) + "         ") << d.form;
    EXPECT_EQ(user->lastMessageBox()->title, "Kestrin VB Script Editor") << d.form;
    EXPECT_EQ(user->lastMessageBox()->buttons, mb::OKOnly) << d.form;
    EXPECT_EQ(user->lastMessageBox()->icon, mb::Exclamation) << d.form;
    EXPECT_TRUE(stillOpen) << d.form;
    EXPECT_EQ(name, "   ") << d.form;
    EXPECT_EQ(text(), kStart) << d.form;
  }
}

TEST_F(CodeDialogTest, EveryDialogOpensCentredOnTheScreen) {
  for (const auto& d : kDialogs) {
    int32_t left = -1, top = -1, width = 0, height = 0;
    duringWait([&] {
      auto form = platform::ui::findForm(d.form);
      ASSERT_NE(form, nullptr) << d.form;
      left = form->left(), top = form->top(), width = form->width(), height = form->height();
    });
    user->click("cmdCancel", d.form);
    open(d.tool);
    const int32_t screenWidth = platform::ui::screen().Width();
    const int32_t screenHeight = platform::ui::screen().Height();
    ASSERT_GT(width, 0) << d.form;
    ASSERT_LT(width, screenWidth) << d.form;
    EXPECT_LE(std::abs(2 * left - (screenWidth - width)), 1) << d.form << " at " << left;
    EXPECT_LE(std::abs(2 * top - (screenHeight - height)), 1) << d.form << " at " << top;
  }
}

// ---- A new window at every opening ---------------------------------------------------------

TEST_F(CodeDialogTest, TheNextOpeningIsANewWindowWithTheDefaults) {
  std::weak_ptr<platform::ui::Form> first;
  bool sawFirst = false;
  duringWait([&] {
    first = platform::ui::findForm("frmNewClass");
    sawFirst = !first.expired();
  });
  user->setValue("txtFunctionName", "Old", "frmNewClass");
  for (const char* box : {"chkProperties(0)", "chkProperties(2)", "chkInitialize(0)", "chkAddExample"})
    user->click(box, "frmNewClass");
  user->click("cmdCancel", "frmNewClass");
  open("ID_InsertClass");
  EXPECT_TRUE(sawFirst);
  EXPECT_TRUE(first.expired());

  std::vector<std::string> values;
  duringWait([&] {
    auto form = platform::ui::findForm("frmNewClass");
    ASSERT_NE(form, nullptr);
    for (const char* name : {"txtFunctionName", "chkProperties(0)", "chkProperties(1)", "chkProperties(2)",
                             "chkInitialize(0)", "chkInitialize(1)", "chkAddExample"})
      values.push_back(form->findControl(name)->valueText());
  });
  user->click("cmdCancel", "frmNewClass");
  open("ID_InsertClass");
  EXPECT_EQ(values, (std::vector<std::string>{"", "1", "1", "0", "1", "1", "1"}));
}

// ---- The windows ---------------------------------------------------------------------------

struct LayoutCase {
  const char* form;
  std::function<std::shared_ptr<platform::ui::Form>()> instance;
  const char* caption;
  const char* title;
  std::vector<std::string> tabOrder;
};

TEST_F(CodeDialogTest, EachDialogHasItsTitlesTabOrderAndOnlyACancelButtonInTahoma) {
  using platform::ui::defaultInstance;
  const std::vector<std::string> routineOrder = {"txtFunctionName", "optFunction(0)", "optFunction(1)",
                                                 "txtArgList",      "cmdCancel",      "cmdOK"};
  const LayoutCase cases[] = {
      {"frmAddFunction", [] { return defaultInstance<editor::frmAddFunction>(); }, "New Function", "New Function",
       routineOrder},
      {"frmAddSubroutine", [] { return defaultInstance<editor::frmAddSubroutine>(); }, "New Subroutine",
       "New Subroutine", routineOrder},
      {"frmAddProperty",
       [] { return defaultInstance<editor::frmAddProperty>(); },
       "Add Property",
       "Add Property",
       {"txtFunctionName", "optFunction(0)", "optFunction(1)", "chkProperties(0)", "chkProperties(1)",
        "chkProperties(2)", "cmdCancel", "cmdOK"}},
      {"frmNewClass",
       [] { return defaultInstance<editor::frmNewClass>(); },
       "New CLass",
       "New Class",
       {"txtFunctionName", "chkProperties(0)", "chkProperties(1)", "chkProperties(2)", "chkInitialize(0)",
        "chkInitialize(1)", "cmdCancel", "cmdOK", "chkAddExample"}},
  };
  const auto& screen = platform::ui::screen();
  for (const auto& c : cases) {
    auto form = c.instance();
    form->load();
    EXPECT_EQ(form->caption(), c.caption) << c.form;
    EXPECT_EQ(form->control("lblTitle").valueText(), c.title) << c.form;
    EXPECT_EQ(form->control("lblProduct").valueText(), "Kestrin VB Script Editor") << c.form;
    std::vector<std::string> order;
    for (const auto& control : form->tabOrder()) order.push_back(control->fullName());
    EXPECT_EQ(order, c.tabOrder) << c.form;
    // Escape presses Cancel; Enter presses nothing.
    EXPECT_EQ(form->cancelControl(), &form->control("cmdCancel")) << c.form;
    EXPECT_EQ(form->defaultControl(), nullptr) << c.form;
    // Every control with a text of its own.
    for (const auto& control : form->controls()) {
      if (control->typeName() == "PictureBox" || control->typeName() == "Frame") continue;
      if (auto text = std::dynamic_pointer_cast<StandardControl>(control)) {
        EXPECT_EQ(text->font().name, "Tahoma") << c.form << "." << control->fullName();
      }
    }
    // Centred by the load step.
    EXPECT_NEAR(form->left(), (screen.Width() - form->width()) / 2, 1) << c.form;
    EXPECT_NEAR(form->top(), (screen.Height() - form->height()) / 2, 1) << c.form;
    // Its unload drops the default instance.
    std::weak_ptr<platform::ui::Form> loaded = form;
    form.reset();
    ASSERT_TRUE(loaded.lock()->unload()) << c.form;
    EXPECT_TRUE(loaded.expired()) << c.form;
  }
}

TEST_F(CodeDialogTest, TheFilePreviewWindowTracesItsLoadAndItsEnd) {
  std::weak_ptr<editor::frmInsertFile> gone;
  const size_t before = traceLines().size();
  {
    auto preview = platform::ui::defaultInstance<editor::frmInsertFile>();
    gone = preview;
    preview->load();
    EXPECT_EQ(preview->caption(), "Form1");
    ASSERT_NE(preview->codeInsertFile, nullptr);
    EXPECT_EQ(preview->codeInsertFile->font().name, "Courier New");
    EXPECT_EQ(preview->controls().size(), 1u);
    preview->unload();
  }
  // Nothing holds the window after its unload.
  EXPECT_TRUE(gone.expired());
  EXPECT_EQ(traceSince(before), (std::vector<std::string>{
                                    "Entered routine: frmInsertFile::Form_Load(Sub)",
                                    "Exited routine: frmInsertFile::Form_Load(Sub)",
                                    "Entered routine: frmInsertFile::Form_Terminate(Sub)",
                                    "Exited routine: frmInsertFile::Form_Terminate(Sub)",
                                }));
  EXPECT_TRUE(callStack().empty());
}

}  // namespace
}  // namespace authoring_test
