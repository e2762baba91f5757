// The one orderly shut-down of the editor's windows.
#include <memory>
#include <vector>

#include "diagnostics/handling.h"
#include "diagnostics/trace.h"
#include "editor/frmMain.h"
#include "editor/modGlobals.h"
#include "editor/modMain.h"
#include "platform/ui/form.h"

namespace kestrin::editor::modMain {

void UnloadAll() {
  diagnostics::IgnoreFailures ignore;
  // When the main window goes in the pass below, its unload step releases
  // the diagnostics object and nothing is popped.
  diagnostics::Trace trace("modMain::UnloadAll(Sub)", ignore);

  // Every loaded window, in the order they were loaded; the main window's
  // close query may keep it.
  std::vector<std::shared_ptr<platform::ui::Form>> loaded;
  ignore.step([&] { loaded = platform::ui::forms(); });
  for (const auto& form : loaded) ignore.step([&] { form->unload(); });
  trace.exit();

  // A main window whose unload was cancelled is asked once more.
  if (modGlobals::g_blnMainFormLoaded) {
    ignore.step([&] {
      if (auto main = platform::ui::findForm("frmMain")) main->unload();
    });
  }
}

}  // namespace kestrin::editor::modMain
