// What the code dialogs share: the header band, the name row, the buttons,
// the load step and the check of the name.
#include "authoring/code_dialog.h"

#include <string>

#include "diagnostics/handling.h"
#include "editor/frmMain.h"
#include "editor/modMain.h"
#include "platform/runtime/strings.h"
#include "platform/ui/msgbox.h"

namespace kestrin::editor {

using platform::controls::CommandButton;
using platform::controls::Frame;
using platform::controls::Label;
using platform::controls::OptionButton;
using platform::controls::PictureBox;
using platform::controls::TextBox;

namespace {

namespace mb = platform::ui::mb;

const std::string kNineBlanks(9, ' ');

}  // namespace

CodeDialog::CodeDialog(std::string formName, std::string caption, std::string title, std::string nameHint)
    : Form(std::move(formName)), title_(std::move(title)), nameHint_(std::move(nameHint)) {
  setBorderStyle(platform::ui::vbFixedDialog);
  setCaption(std::move(caption));
  move(0, 0, 6150, 4290);
}

void CodeDialog::createControls() {
  picHeader = add(std::make_shared<PictureBox>("picHeader", "codeDialog"));
  lblProduct = addText(std::make_shared<Label>("lblProduct", kMainWindowTitle));
  lblProduct->setFontBold(true);
  lblTitle = addText(std::make_shared<Label>("lblTitle", title_));
  lblTitle->setFontBold(true);
  linSeparator[0] = add(std::make_shared<Frame>("linSeparator", "", 0));

  lblName = addText(std::make_shared<Label>("lblName", "Name"));
  lblNameHint = addText(std::make_shared<Label>("lblNameHint", nameHint_));
  txtFunctionName = addText(std::make_shared<TextBox>("txtFunctionName"));
  createOptions();

  linSeparator[1] = add(std::make_shared<Frame>("linSeparator", "", 1));
  // Neither button is the default one.
  cmdCancel = addText(std::make_shared<CommandButton>("cmdCancel", "&Cancel"));
  cmdCancel->setCancel(true);
  cmdCancel->onClick = [this] { cmdCancel_Click(); };
  cmdOK = addText(std::make_shared<CommandButton>("cmdOK", "&OK"));
  cmdOK->onClick = [this] { cmdOK_Click(); };
  createTrailing();
}

void CodeDialog::addRow(const std::string& name, const std::string& label, const std::string& hint) {
  addText(std::make_shared<Label>("lbl" + name, label));
  addText(std::make_shared<Label>("lbl" + name + "Hint", hint));
}

void CodeDialog::onLoad() {
  modMain::CenterForm(*this);
  modMain::g_InitDialog(*this);
}

void CodeDialog::cmdCancel_Click() { unload(); }

std::string CodeDialog::trimmedName() const { return platform::trim(txtFunctionName->text()); }

bool CodeDialog::nameMissing(diagnostics::IgnoreFailures& ignore, const std::string& message) {
  if (!ignore.condition([&] { return trimmedName().empty(); })) return false;
  ignore.step([&] { platform::ui::MsgBox(message + kNineBlanks, mb::OKOnly | mb::Exclamation, kMainWindowTitle); });
  return true;
}

frmMain& CodeDialog::mainForm() { return *mainWindow(); }

// ---- The function and subroutine dialogs --------------------------------------------

RoutineDialog::RoutineDialog(std::string formName, std::string title, const std::string& kind, std::string message)
    : CodeDialog(std::move(formName), title, title, "Input a name for your " + kind + "."),
      kind_(kind),
      message_(std::move(message)) {}

void RoutineDialog::createOptions() {
  addRow("Scope", "Scope", "Specify the scope of your " + kind_ + ".");
  optFunction[0] = addText(std::make_shared<OptionButton>("optFunction", "&Public", 0));
  optFunction[1] = addText(std::make_shared<OptionButton>("optFunction", "Pri&vate", 1));
  optFunction[0]->setValue(true);
  addRow("Args", "Args",
         "Input your " + kind_ +
             " variables (arguments) separate each variable with a comma, e.g. sName, "
             "sTimeStamp");
  txtArgList = addText(std::make_shared<TextBox>("txtArgList"));
}

void RoutineDialog::cmdOK_Click() {
  diagnostics::IgnoreFailures ignore;
  if (nameMissing(ignore, message_)) return;
  std::string argList, name;
  bool isPublic = false;
  ignore.step([&] { argList = platform::trim(txtArgList->text()); });
  ignore.step([&] { isPublic = optFunction[0]->value(); });
  ignore.step([&] { name = trimmedName(); });
  ignore.step([&] { generate(name, argList, isPublic); });
  ignore.step([&] { unload(); });
}

}  // namespace kestrin::editor
