#include "platform/runtime/optional_library.h"

#include <dlfcn.h>

namespace platform {

OptionalLibrary::~OptionalLibrary() {
  if (handle_) ::dlclose(handle_);
}

void* OptionalLibrary::function(const char* name) {
  std::call_once(once_, [this] { handle_ = ::dlopen(soname_, RTLD_NOW | RTLD_LOCAL); });
  return handle_ ? ::dlsym(handle_, name) : nullptr;
}

}  // namespace platform
