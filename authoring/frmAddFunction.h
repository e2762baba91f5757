// frmAddFunction: the New Function dialog. It asks for the name of a new
// function, its scope ("&Public", the default, or "Pri&vate") and its
// argument list, and hands them to modMain::g_AddFunction, which appends the
// function's skeleton to the main window's script. The tool dispatcher opens
// it for "ID_NewFunction".
#pragma once

#include <string>

#include "authoring/code_dialog.h"

namespace kestrin::editor {

// The message of an empty name (nine blanks follow it).
inline constexpr const char* kFunctionNameMissing = "Please input a function name";

class frmAddFunction : public RoutineDialog {
 public:
  frmAddFunction();

 protected:
  void generate(const std::string& name, const std::string& argList, bool isPublic) override;
  // Form_Unload: releases the default instance.
  void onUnload(bool& Cancel) override;
};

}  // namespace kestrin::editor
