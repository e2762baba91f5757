// The windowed face's entry point: the platform library loads this
// library (libkestrin_gui.so) only when windows are to be shown, and asks
// it for the windowed user here.
#include "platform/com/client.h"
#include "platform/gui/gui.h"
#include "platform/gui/gui_internal.h"

extern "C" __attribute__((visibility("default"))) void kestrin_gui_open(std::shared_ptr<platform::ui::User>* user) {
  using namespace platform::gui;
  static const bool hooked = [] {
    // The windows of a server's forms go before the server is freed.
    platform::com::addBeforeServersFreed([] {
      if (auto* windows = WindowUser::current()) windows->releaseClosedWindows();
    });
    return true;
  }();
  (void)hooked;
  *user = makeWindowUser();
}
