/*
 * Loads the component, opens the editor on a script and unloads the
 * component again, CYCLES times, as a host does that keeps running:
 *
 *   load_cycles REGISTRY_FOLDER COMPONENT SCRIPT CYCLES
 *
 * Run under valgrind, whatever the component made and did not give back at
 * its unload shows as lost memory. The exit status is 0 when every cycle
 * opened the editor and unloaded the component.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "editor_calls.h"

static int cycle(const char* component, const char* script) {
  if (CoInitialize(NULL) != S_OK) return 0;
  IDispatch* editor = NULL;
  if (FAILED(CoCreateInstance(&CLSID_CMainFrontEnd, NULL, CLSCTX_INPROC_SERVER, &IID_IDispatch, (void**)&editor)))
    return 0;
  HRESULT hr = runEditor(editor, script, NULL);
  editor->lpVtbl->Release(editor);
  CoUninitialize(); /* the thread's last: the component unloads */
  return hr == S_OK && !mapped(component);
}

int main(int argc, char** argv) {
  if (argc != 5) {
    fprintf(stderr, "usage: %s REGISTRY_FOLDER COMPONENT SCRIPT CYCLES\n", argv[0]);
    return 2;
  }
  KestrinSetRegistryFolder(argv[1]);
  void* library = openRegistered(argv[2]);
  if (!library) return 2;
  dlclose(library);
  int cycles = atoi(argv[4]);
  for (int i = 1; i <= cycles; ++i) {
    if (!cycle(argv[2], argv[3])) {
      printf("cycle %d failed\n", i);
      return 1;
    }
    printf("cycle %d: opened and unloaded\n", i);
  }
  return 0;
}
