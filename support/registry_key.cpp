#include "support/registry_key.h"

namespace kestrin::support {

OpenKey::~OpenKey() {
  if (key_) platform::RegCloseKey(key_);
}

}  // namespace kestrin::support
