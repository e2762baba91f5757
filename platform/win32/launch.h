// Launches seen before they happen: a program about to be started, or an
// item (a document, a folder, an address, a new mail) about to be handed to
// the desktop's opener, goes past the launch recorder that the host
// installs. The recorder writes it down and says whether it goes ahead; a
// launch that does not go ahead counts as made (the program as started and
// already ended, the item as opened). Without a recorder every launch goes
// ahead.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace platform {

struct Launch {
  enum class Kind { Program, Opener } kind = Kind::Program;
  std::string program;                 // the program's full path (empty for the opener)
  std::vector<std::string> arguments;  // the program's arguments after its name, or the opener's item
  std::string folder;                  // the folder it starts in (empty: this process's)
};

// Returns whether the launch goes ahead.
using LaunchRecorder = std::function<bool(const Launch& launch)>;

// Installs the recorder (an empty one removes it).
void setLaunchRecorder(LaunchRecorder recorder);

// Shows the launch to the recorder; true when it goes ahead.
bool launchGoesAhead(const Launch& launch);

}  // namespace platform
