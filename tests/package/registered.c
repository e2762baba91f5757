/* Activates every public class through the registration that a machine
   hive already holds, registering nothing, and names the server file that
   activation loaded (as the process's mappings show it).

     registered EDITOR_FOLDER

   An empty EDITOR_FOLDER chooses no registry folder: the hives are then
   those of the default places, found before the component is loaded.

   Prints one line per class ("CLASS: 0xRESULT") and "server: PATH" for
   each distinct file of the component that is mapped; exits 0 only when
   every class was found and activated. */
#include <stdio.h>
#include <string.h>

#include "kestrin/host.h"

static const struct {
  const char* progId;
  const CLSID* clsid;
} classes[] = {
    {"KestrinScriptEditor.CMainFrontEnd", &CLSID_CMainFrontEnd},
    {"KestrinScriptEditor.CErrorHandler", &CLSID_CErrorHandler},
    {"KestrinScriptEditor.CFile", &CLSID_CFile},
    {"KestrinScriptEditor.CTempScript", &CLSID_CTempScript},
};

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s EDITOR_FOLDER\n", argv[0]);
    return 2;
  }
  if (argv[1][0]) KestrinSetRegistryFolder(argv[1]);
  if (CoInitialize(NULL) != S_OK) return 2;

  int failures = 0;
  size_t i;
  for (i = 0; i < sizeof classes / sizeof classes[0]; ++i) {
    CLSID clsid;
    HRESULT hr = CLSIDFromProgID(classes[i].progId, &clsid);
    if (hr == S_OK && memcmp(&clsid, classes[i].clsid, sizeof clsid) != 0) hr = CO_E_CLASSSTRING;
    IClassFactory* factory = NULL;
    if (hr == S_OK) hr = CoGetClassObject(&clsid, CLSCTX_INPROC_SERVER, NULL, &IID_IClassFactory, (void**)&factory);
    printf("%s: 0x%08X\n", classes[i].progId, (unsigned)hr);
    if (hr != S_OK) ++failures;
    if (factory) factory->lpVtbl->Release(factory);
  }

  /* The files of the component that activation mapped, while they are. */
  FILE* maps = fopen("/proc/self/maps", "r");
  char line[4096], last[4096] = "";
  while (maps && fgets(line, sizeof line, maps)) {
    const char* path = strchr(line, '/');
    if (!path || !strstr(path, "KestrinScriptEditor.so") || strcmp(path, last) == 0) continue;
    strcpy(last, path);
    printf("server: %s", path);
  }
  if (maps) fclose(maps);

  CoUninitialize();
  return failures == 0 ? 0 : 1;
}
