// The task pane: pane 1 of the main window's splitter, which holds the task
// list. It opens in visible steps and closes at once.
#include <memory>

#include "diagnostics/handling.h"
#include "editor/modGlobals.h"
#include "editor/modMain.h"
#include "platform/controls/splitter.h"
#include "platform/runtime/errors.h"

namespace kestrin::editor::modMain {

namespace {

using platform::controls::SplitterPane;

// The pane of a statement; no pane fails the statement as an object
// variable that is not set.
SplitterPane& paneOf(const std::shared_ptr<SplitterPane>& pane) {
  if (!pane) platform::raise(platform::err::ObjectVariableNotSet);
  return *pane;
}

}  // namespace

void g_HideTasks(std::shared_ptr<SplitterPane> pane) {
  diagnostics::IgnoreFailures ignore;
  if (!modGlobals::g_blnTaskPaneShown) return;
  ignore.step([&] { paneOf(pane).setLiveResize(false); });
  ignore.step([&] { paneOf(pane).setSize(0.0f); });
  ignore.step([&] { paneOf(pane).setLiveResize(true); });
  modGlobals::g_blnTaskPaneShown = false;
  pane.reset();
}

void g_ShowTasks(std::shared_ptr<SplitterPane> pane) {
  diagnostics::IgnoreFailures ignore;
  if (modGlobals::g_blnTaskPaneShown) return;
  ignore.step([&] { paneOf(pane).setLiveResize(false); });
  // 0, 100, ... 2000: the pane opens in 21 visible steps.
  for (int32_t size = 0; size <= 2000; size += 100)
    ignore.step([&] { paneOf(pane).setSize(static_cast<float>(size)); });
  ignore.step([&] { paneOf(pane).setLiveResize(true); });
  modGlobals::g_blnTaskPaneShown = true;
  pane.reset();
}

}  // namespace kestrin::editor::modMain
