// frmAddProperty: the Add Property dialog. It asks for the name of a new
// property, the scope of its procedures ("&Public", the default, or
// "Pri&vate") and which of them to write (chkProperties(0) "&Let" and (1)
// "&Get" checked, (2) "&Set" clear), and hands them to
// modMain::g_AddProperty, which appends the property to the main window's
// script. The tool dispatcher opens it for "ID_AddProperty".
#pragma once

#include <memory>

#include "authoring/code_dialog.h"
#include "platform/controls/standard_controls.h"

namespace kestrin::editor {

// The message of an empty name (nine blanks follow it).
inline constexpr const char* kPropertyNameMissing = "Please input a property name";

class frmAddProperty : public CodeDialog {
 public:
  frmAddProperty();

  std::shared_ptr<platform::controls::OptionButton> optFunction[2];
  std::shared_ptr<platform::controls::CheckBox> chkProperties[3];

  // The scope, the Let, Get and Set choices and the trimmed name to
  // modMain::g_AddProperty; a checked box (any value but 0) is a choice.
  void cmdOK_Click() override;

 protected:
  void createOptions() override;
  // Form_Unload: releases the default instance.
  void onUnload(bool& Cancel) override;
};

}  // namespace kestrin::editor
