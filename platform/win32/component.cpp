#include "platform/win32/component.h"

#include <dlfcn.h>

#include <climits>
#include <cstdlib>
#include <mutex>

#include "platform/runtime/errors.h"

namespace platform {

namespace {

std::mutex g_mutex;
ComponentIdentity g_identity;

// Folder and name without extension of a full path.
void splitPath(ComponentIdentity& identity) {
  const std::string& path = identity.path;
  const auto slash = path.rfind('/');
  std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
  if (slash == std::string::npos)
    identity.folder.clear();
  else
    identity.folder = slash == 0 ? "/" : path.substr(0, slash);
  const auto dot = file.rfind('.');
  identity.name = dot == std::string::npos || dot == 0 ? file : file.substr(0, dot);
}

}  // namespace

void identifyComponent(const void* addressInside, int major, int minor, int revision) {
  ComponentIdentity identity;
  identity.major = major;
  identity.minor = minor;
  identity.revision = revision;
  Dl_info info{};
  if (addressInside && dladdr(addressInside, &info) != 0 && info.dli_fname && *info.dli_fname) {
    char resolved[PATH_MAX];
    if (realpath(info.dli_fname, resolved))
      identity.path = resolved;
    else
      identity.path = info.dli_fname;
    splitPath(identity);
  }
  setComponentIdentity(identity);
}

void setComponentIdentity(const ComponentIdentity& identity) {
  {
    std::lock_guard lock(g_mutex);
    g_identity = identity;
  }
  // Runtime errors name the component's project as their source.
  if (!identity.name.empty()) setDefaultErrorSource(identity.name);
}

const ComponentIdentity& componentIdentity() { return g_identity; }

}  // namespace platform
