// A process that asks for its user as a host without a user of its own
// does (the platform library chooses the desktop), and prints which one it
// got on standard output, by its type's name.
#include <cxxabi.h>

#include <cstdio>
#include <cstdlib>
#include <typeinfo>

#include "platform/ui/desktops.h"
#include "platform/ui/user.h"

int main() {
  auto user = platform::ui::currentUserShared();
  const char* mangled = typeid(*user).name();
  int status = 0;
  char* name = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
  std::printf("%s\n", status == 0 && name ? name : mangled);
  std::fflush(stdout);
  std::free(name);
  user.reset();
  // A terminal is given back as it was.
  platform::ui::closeDefaultUser();
  return 0;
}
