// The component's own file: where it lies, what it is called and which
// version it is. The component names itself once when it is loaded; hosts
// and tests may set the identity directly.
#pragma once

#include <string>

namespace platform {

struct ComponentIdentity {
  std::string path;    // full path of the component's file
  std::string folder;  // the folder that holds it (the editor's folder)
  std::string name;    // the file name without its extension
  int major = 0, minor = 0, revision = 0;
};

// Takes the file that holds addressInside (dladdr, then realpath) as the
// component's file, with the version numbers of the build.
void identifyComponent(const void* addressInside, int major, int minor, int revision);

void setComponentIdentity(const ComponentIdentity& identity);

// The identity taken or set last; empty fields while it is unknown.
const ComponentIdentity& componentIdentity();

}  // namespace platform
