// The Add Property dialog.
#include "authoring/frmAddProperty.h"

#include <string>

#include "diagnostics/handling.h"
#include "editor/modMain.h"

namespace kestrin::editor {

using platform::controls::CheckBox;
using platform::controls::OptionButton;

frmAddProperty::frmAddProperty()
    : CodeDialog("frmAddProperty", "Add Property", "Add Property", "Input a name for your property.") {}

void frmAddProperty::createOptions() {
  addRow("Scope", "Scope", "Specify the scope of your property.");
  optFunction[0] = addText(std::make_shared<OptionButton>("optFunction", "&Public", 0));
  optFunction[1] = addText(std::make_shared<OptionButton>("optFunction", "Pri&vate", 1));
  optFunction[0]->setValue(true);
  addRow("Props", "Props", "Specify what property types you require.");
  const char* const captions[] = {"&Let", "&Get", "&Set"};
  for (int32_t i = 0; i < 3; ++i)
    chkProperties[i] = addText(std::make_shared<CheckBox>("chkProperties", captions[i], i));
  chkProperties[0]->setValue(1);
  chkProperties[1]->setValue(1);
}

void frmAddProperty::cmdOK_Click() {
  diagnostics::IgnoreFailures ignore;
  if (nameMissing(ignore, kPropertyNameMissing)) return;
  bool isPublic = false, addLet = false, addGet = false, addSet = false;
  std::string name;
  ignore.step([&] { isPublic = optFunction[0]->value(); });
  ignore.step([&] { addLet = chkProperties[0]->checked(); });
  ignore.step([&] { addGet = chkProperties[1]->checked(); });
  ignore.step([&] { addSet = chkProperties[2]->checked(); });
  ignore.step([&] { name = trimmedName(); });
  ignore.step([&] { modMain::g_AddProperty(mainForm(), name, isPublic, addLet, addGet, addSet); });
  ignore.step([&] { unload(); });
}

void frmAddProperty::onUnload(bool& Cancel) {
  (void)Cancel;
  platform::ui::releaseDefaultInstance<frmAddProperty>();
}

}  // namespace kestrin::editor
