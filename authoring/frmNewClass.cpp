// The New Class dialog.
#include "authoring/frmNewClass.h"

#include <string>

#include "diagnostics/handling.h"
#include "editor/modMain.h"

namespace kestrin::editor {

using platform::controls::CheckBox;

frmNewClass::frmNewClass() : CodeDialog("frmNewClass", "New CLass", "New Class", "Input a name for your class.") {}

void frmNewClass::createOptions() {
  addRow("Props", "Props", "Specify what property types you require for your class.");
  const char* const properties[] = {"&Let", "&Get", "&Set"};
  for (int32_t i = 0; i < 3; ++i)
    chkProperties[i] = addText(std::make_shared<CheckBox>("chkProperties", properties[i], i));
  chkProperties[0]->setValue(1);
  chkProperties[1]->setValue(1);
  addRow("Events", "Events", "Specify what event types you require for your class.");
  const char* const events[] = {"&Initialize", "&Terminate"};
  for (int32_t i = 0; i < 2; ++i) {
    chkInitialize[i] = addText(std::make_shared<CheckBox>("chkInitialize", events[i], i));
    chkInitialize[i]->setValue(1);
  }
  addRow("Sample", "Sample", "Specify whether to include sample code of implementing your class.");
}

void frmNewClass::createTrailing() {
  chkAddExample = addText(std::make_shared<CheckBox>("chkAddExample", "Include &Code"));
  chkAddExample->setValue(1);
}

void frmNewClass::cmdOK_Click() {
  diagnostics::IgnoreFailures ignore;
  if (nameMissing(ignore, kClassNameMissing)) return;
  bool addExample = false, addLet = false, addGet = false, addSet = false, addInitialize = false, addTerminate = false;
  std::string name;
  ignore.step([&] { addExample = chkAddExample->checked(); });
  ignore.step([&] { addLet = chkProperties[0]->checked(); });
  ignore.step([&] { addGet = chkProperties[1]->checked(); });
  ignore.step([&] { addSet = chkProperties[2]->checked(); });
  ignore.step([&] { addInitialize = chkInitialize[0]->checked(); });
  ignore.step([&] { addTerminate = chkInitialize[1]->checked(); });
  ignore.step([&] { name = trimmedName(); });
  ignore.step(
      [&] { modMain::g_AddClass(mainForm(), name, addExample, addLet, addGet, addSet, addInitialize, addTerminate); });
  ignore.step([&] { unload(); });
}

void frmNewClass::onUnload(bool& Cancel) {
  (void)Cancel;
  platform::ui::releaseDefaultInstance<frmNewClass>();
}

}  // namespace kestrin::editor
