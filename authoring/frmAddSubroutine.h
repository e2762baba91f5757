// frmAddSubroutine: the New Subroutine dialog. It asks for the name of a new
// subroutine, its scope ("&Public", the default, or "Pri&vate") and its
// argument list, and hands them to modMain::g_AddSub, which appends the
// subroutine's skeleton to the main window's script. The tool dispatcher
// opens it for "ID_NewSubroutine".
#pragma once

#include <string>

#include "authoring/code_dialog.h"

namespace kestrin::editor {

// The message of an empty name (nine blanks follow it).
inline constexpr const char* kSubroutineNameMissing = "Please input a subroutine name";

class frmAddSubroutine : public RoutineDialog {
 public:
  frmAddSubroutine();

 protected:
  void generate(const std::string& name, const std::string& argList, bool isPublic) override;
  // Form_Unload: releases the default instance.
  void onUnload(bool& Cancel) override;
};

}  // namespace kestrin::editor
