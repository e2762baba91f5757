// frmNewClass: the New Class dialog (title bar "New CLass"). It asks for the
// name of a new class and which of its parts to write: the property
// procedures chkProperties(0) "&Let" and (1) "&Get" (checked) and (2) "&Set"
// (clear), the events chkInitialize(0) "&Initialize" and (1) "&Terminate"
// (both checked) and the example of its use, chkAddExample "Include &Code"
// (checked, last in the tab order), and hands them to modMain::g_AddClass,
// which appends the class to the main window's script. The tool dispatcher
// opens it for "ID_InsertClass".
#pragma once

#include <memory>

#include "authoring/code_dialog.h"
#include "platform/controls/standard_controls.h"

namespace kestrin::editor {

// The message of an empty name (nine blanks follow it).
inline constexpr const char* kClassNameMissing = "Please input a Class name";

class frmNewClass : public CodeDialog {
 public:
  frmNewClass();

  std::shared_ptr<platform::controls::CheckBox> chkProperties[3];
  std::shared_ptr<platform::controls::CheckBox> chkInitialize[2];
  std::shared_ptr<platform::controls::CheckBox> chkAddExample;

  // The example, Let, Get, Set, Initialize and Terminate choices and the
  // trimmed name to modMain::g_AddClass; a checked box (any value but 0) is
  // a choice.
  void cmdOK_Click() override;

 protected:
  void createOptions() override;
  // The example box, after the buttons.
  void createTrailing() override;
  // Form_Unload: releases the default instance.
  void onUnload(bool& Cancel) override;
};

}  // namespace kestrin::editor
