// The host program as a whole: the options applied, the editor folder and
// the registry chosen, and the scenario player or the console user run.
#pragma once

#include <string>

namespace kestrin_host {

// Runs kestrin-host; returns its exit status.
int hostMain(int argc, char** argv);

// The editor folder built beside the host program.
std::string defaultEditorFolder();

// Copies an editor folder for one played scenario: everything except what
// the editor and the registry leave behind when they run (hive files,
// logs, the task list, the toolbar layout, bookmarks, temporary scripts),
// so that no scenario sees another's leftovers.
void copyEditorFolder(const std::string& from, const std::string& to);

}  // namespace kestrin_host
