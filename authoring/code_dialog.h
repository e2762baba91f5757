// CodeDialog: what the four code dialogs (frmAddFunction, frmAddSubroutine,
// frmNewClass, frmAddProperty) share. Each asks for the name and options of
// a new declaration and hands them to its generator in modMain, which
// appends the skeleton to the main window's script.
//
// The window: a header band (a picture, the bold line "Kestrin VB Script
// Editor" and the bold title), the name box txtFunctionName, the dialog's
// own option rows, each with a short label and a one-line hint, and the
// buttons "&Cancel" (the cancel button: Escape presses it) and "&OK". No
// button is the default one, so Enter in a text box does not press OK. All
// texts are in Tahoma.
//
// The tool dispatcher loads the dialog's default instance and shows it
// modally over the main window. The dialog keeps nothing between openings:
// its unload releases the default instance, so the next opening is a new
// window with the defaults. None of the handlers traces.
#pragma once

#include <memory>
#include <string>

#include "platform/controls/standard_controls.h"
#include "platform/ui/form.h"

namespace kestrin::diagnostics {
class IgnoreFailures;
}

namespace kestrin::editor {

class frmMain;

class CodeDialog : public platform::ui::Form {
 public:
  // The header band.
  std::shared_ptr<platform::controls::PictureBox> picHeader;
  std::shared_ptr<platform::controls::Label> lblProduct;
  std::shared_ptr<platform::controls::Label> lblTitle;
  // The name row: "Name" and the dialog's hint.
  std::shared_ptr<platform::controls::Label> lblName;
  std::shared_ptr<platform::controls::Label> lblNameHint;
  std::shared_ptr<platform::controls::TextBox> txtFunctionName;
  // The lines between the header, the rows and the buttons.
  std::shared_ptr<platform::controls::Frame> linSeparator[2];
  std::shared_ptr<platform::controls::CommandButton> cmdCancel;
  std::shared_ptr<platform::controls::CommandButton> cmdOK;

  // Checks the name, hands the name and options to the generator and
  // unloads the dialog. A name of blanks only gives the dialog's message
  // and leaves it open as it is. Other failures are skipped statement by
  // statement, so the dialog still closes after a failing generator.
  virtual void cmdOK_Click() = 0;
  // Unloads the dialog; nothing is generated.
  void cmdCancel_Click();

  // The name as typed, without its leading and trailing blanks.
  std::string trimmedName() const;

 protected:
  // caption: the title bar; title: the header's title; nameHint: the hint
  // of the name row.
  CodeDialog(std::string formName, std::string caption, std::string title, std::string nameHint);

  // The header band and the name row, then the dialog's rows
  // (createOptions), then the two buttons, then createTrailing's controls.
  void createControls() override;
  virtual void createOptions() = 0;
  virtual void createTrailing() {}
  // Form_Load: centres the dialog (modMain::CenterForm), then the
  // initialisation hook modMain::g_InitDialog.
  void onLoad() override;

  // Adds a control in the dialogs' font.
  template <class T>
  std::shared_ptr<T> addText(std::shared_ptr<T> control) {
    control->setFontName("Tahoma");
    return add(std::move(control));
  }
  // A row's label and hint (name: the label's control name without "lbl").
  void addRow(const std::string& name, const std::string& label, const std::string& hint);

  // True while the name box holds blanks only: the message (followed by
  // nine blanks) has been shown with OK and the exclamation icon under the
  // title "Kestrin VB Script Editor". A failing test counts as a name.
  bool nameMissing(diagnostics::IgnoreFailures& ignore, const std::string& message);

  // The window the generators write to.
  static frmMain& mainForm();

 private:
  std::string title_;
  std::string nameHint_;
};

// What the function and subroutine dialogs share: the scope options
// optFunction(0) "&Public" (selected) and optFunction(1) "Pri&vate", and the
// argument list txtArgList, both rows with hints that name the kind of
// routine ("function", "subroutine").
class RoutineDialog : public CodeDialog {
 public:
  std::shared_ptr<platform::controls::OptionButton> optFunction[2];
  std::shared_ptr<platform::controls::TextBox> txtArgList;

  // The argument list and the name without their leading and trailing
  // blanks, and the scope, to generate().
  void cmdOK_Click() override;

 protected:
  // kind: "function" or "subroutine"; message: the text for a missing name.
  RoutineDialog(std::string formName, std::string title, const std::string& kind, std::string message);
  void createOptions() override;
  // The routine's generator.
  virtual void generate(const std::string& name, const std::string& argList, bool isPublic) = 0;

 private:
  std::string kind_;
  std::string message_;
};

}  // namespace kestrin::editor
