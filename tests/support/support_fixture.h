// What the tests of the support classes share: the component identity that
// starts every error source, the error a call raises, and registry hives
// of one test's own.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "common/temp_dir.h"
#include "diagnostics/class_error.h"
#include "platform/runtime/errors.h"
#include "platform/win32/component.h"
#include "platform/win32/registry.h"

namespace kestrin_test {

// The error a call raises: its number (n of the block; 0 when nothing was
// raised), source and description.
struct Raised {
  int32_t n = 0;
  std::string source;
  std::string description;
};
inline Raised raisedBy(const std::function<void()>& call) {
  try {
    call();
  } catch (const platform::RuntimeError& e) {
    return {e.number() - kestrin::diagnostics::classErrorNumber(0), e.source(), e.description()};
  }
  return {};
}

// The component "KestrinScriptEditor", whose name comes first in every
// error source of the classes.
inline void setEditorIdentity() {
  platform::ComponentIdentity identity;
  identity.name = "KestrinScriptEditor";
  platform::setComponentIdentity(identity);
}
// The same component with dir as its folder and its library file in it.
inline void setEditorIdentity(const TempDir& dir) {
  platform::ComponentIdentity identity;
  identity.name = "KestrinScriptEditor";
  identity.folder = dir.path();
  identity.path = dir.file("KestrinScriptEditor.so");
  platform::setComponentIdentity(identity);
}

// Registry hives in a temporary folder of their own, so that a test starts
// from an empty registry and leaves nothing behind.
class TempRegistry {
 public:
  // The registry keeps its hives in this folder from now on.
  void use() const { platform::setRegistryFolder(hives_.path()); }
  // The machine root writable again and the registry back in its own
  // place; before the folder goes.
  static void leave() {
    platform::setRegistryRootReadOnly(platform::HKEY_LOCAL_MACHINE, false);
    platform::setRegistryFolder("");
  }

 private:
  TempDir hives_;
};

}  // namespace kestrin_test
