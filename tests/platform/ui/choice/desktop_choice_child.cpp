// A process that asks for its user as a host without a user of its own
// does (the platform library chooses the desktop), and prints which one it
// got on standard output, by its type's name.
#include <cxxabi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <typeinfo>

#include "platform/ui/desktops.h"
#include "platform/ui/user.h"

int main() {
  auto user = platform::ui::currentUserShared();
  const char* mangled = typeid(*user).name();
  int status = 0;
  char* name = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
  std::printf("%s\n", status == 0 && name ? name : mangled);
  std::free(name);
  // Whether the toolkit's libraries were mapped into the process.
  bool toolkit = false;
  if (std::FILE* maps = std::fopen("/proc/self/maps", "r")) {
    char line[4096];
    while (std::fgets(line, sizeof line, maps))
      if (std::strstr(line, "libQt")) toolkit = true;
    std::fclose(maps);
  }
  std::printf("toolkit %s\n", toolkit ? "mapped" : "not mapped");
  std::fflush(stdout);
  user.reset();
  // A terminal is given back as it was.
  platform::ui::closeDefaultUser();
  return 0;
}
