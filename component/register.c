/* Registers an installed component into the machine hive beside it: loads
   the component (its platform library takes the registry folder from
   KESTRIN_REGISTRY) and calls its DllRegisterServer. Used at install. */
#include <dlfcn.h>
#include <stdio.h>
#include <string.h>

typedef long (*RegisterServer)(void);

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s COMPONENT\n", argv[0]);
    return 2;
  }
  void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    fprintf(stderr, "cannot load %s: %s\n", argv[1], dlerror());
    return 2;
  }
  void* symbol = dlsym(library, "DllRegisterServer");
  RegisterServer registerServer;
  if (!symbol) {
    fprintf(stderr, "%s exports no DllRegisterServer\n", argv[1]);
    return 2;
  }
  memcpy(&registerServer, &symbol, sizeof registerServer);
  const long result = registerServer();
  if (result != 0) {
    fprintf(stderr, "DllRegisterServer of %s failed with 0x%08lX\n", argv[1], (unsigned long)result & 0xFFFFFFFFul);
    return 1;
  }
  return 0;
}
