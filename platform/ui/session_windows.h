// The session's windows: the top-level windows of every thread of every
// process of this user that runs an editor from the same editor folder, so
// that FindWindow finds a window of another thread or process as it finds
// one of its own desktop.
//
// Each desktop publishes its top-level windows (title, visible, minimised)
// as small files in the user's runtime folder ($XDG_RUNTIME_DIR/kestrin,
// else /tmp/kestrin-<uid>, mode 0700; when another user took that one,
// $XDG_STATE_HOME/kestrin/run), each process beside a lock file that
// it holds while it lives; a window whose process has ended, even by a
// kill, no longer counts and its files are removed by the next search.
// Nothing is published while the editor folder is unknown.
//
// A window found this way is reached through a handle of the finding
// thread that stands for it: IsWindow, IsIconic and GetWindowText read its
// published state; ShowWindow and SetForegroundWindow leave a request that
// its own thread carries out in its next turn of a modal loop.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32/types.h"

namespace platform::ui::session {

// What a desktop publishes of one of its top-level windows.
struct Published {
  std::string title;
  bool visible = false;
  bool iconic = false;
};

// Publishes (or replaces) the state of a top-level window of this thread
// (false when nothing could be published); withdraws it again.
bool publish(HWND hwnd, const Published& state);
void withdraw(HWND hwnd);

// A top-level window of another desktop titled exactly title: a handle that
// stands for it, or 0.
HWND find(const std::string& title);

// Whether hwnd is a handle that find gave out.
bool isStandIn(HWND hwnd);
// The state the window published; false when it is gone.
bool standInState(HWND hwnd, Published& state);
// Leaves a request for the window's own thread: a show command, or -1 to
// bring it to the foreground. False when the window is gone.
bool request(HWND hwnd, int32_t command);

// The requests left for the given windows of this thread, each handed to
// apply(window, command) and then dropped.
void takeRequests(const std::vector<HWND>& windows, const std::function<void(HWND, int32_t)>& apply);

}  // namespace platform::ui::session
