// The New Subroutine dialog.
#include "authoring/frmAddSubroutine.h"

#include <string>

#include "editor/modMain.h"

namespace kestrin::editor {

frmAddSubroutine::frmAddSubroutine()
    : RoutineDialog("frmAddSubroutine", "New Subroutine", "subroutine", kSubroutineNameMissing) {}

void frmAddSubroutine::generate(const std::string& name, const std::string& argList, bool isPublic) {
  modMain::g_AddSub(mainForm(), name, argList, isPublic);
}

void frmAddSubroutine::onUnload(bool& Cancel) {
  (void)Cancel;
  platform::ui::releaseDefaultInstance<frmAddSubroutine>();
}

}  // namespace kestrin::editor
