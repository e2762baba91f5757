// The New Function dialog.
#include "authoring/frmAddFunction.h"

#include <string>

#include "editor/modMain.h"

namespace kestrin::editor {

frmAddFunction::frmAddFunction() : RoutineDialog("frmAddFunction", "New Function", "function", kFunctionNameMissing) {}

void frmAddFunction::generate(const std::string& name, const std::string& argList, bool isPublic) {
  modMain::g_AddFunction(mainForm(), name, argList, isPublic);
}

void frmAddFunction::onUnload(bool& Cancel) {
  (void)Cancel;
  platform::ui::releaseDefaultInstance<frmAddFunction>();
}

}  // namespace kestrin::editor
