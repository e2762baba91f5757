// A folder of this user's alone, for the files that no other user may read
// or plant (the session's windows, print jobs).
#pragma once

#include <string>

namespace platform {

// `preferred` when it is, or can be made (mode 0700), a real folder of this
// user's that no one else may enter. When another user took its place (or
// opened it, or put a link there), the user's own
// "$XDG_STATE_HOME/kestrin/run" (default "~/.local/state/kestrin/run"),
// or the folder `sub` inside it, made the same way and under the same check;
// standard error says so, once for each refused folder. "" when neither
// will do.
std::string privateFolder(const std::string& preferred, const std::string& sub = "");

// Whether the folder is a real folder (not a link) of this user's that no
// one else may enter; made with mode 0700 when missing.
bool makePrivateFolder(const std::string& folder);

}  // namespace platform
