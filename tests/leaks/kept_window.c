/*
 * A host whose editor window outlives its close: the script handed back
 * with "temp" is modified, and nobody answers the offer to save it (no
 * desktop: every prompt gets its Cancel), so the main window stays loaded
 * after RunEditor and after FreeEditor. The component must then stay
 * loaded however the host asks it to go, and stay usable, until the
 * process ends:
 *
 *   kept_window REGISTRY_FOLDER COMPONENT
 *
 * The registry folder's user hive holds a hand-over (TempScript,
 * LastScriptLoaded, WasDirty True) whose copy exists. Every step writes one
 * line "step: result"; the exit status is 0 when every step gave what it
 * should.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <string.h>

#include "editor_calls.h"

static int failures = 0;

static void check(const char* step, long got, long expected) {
  printf("%s: 0x%08lX%s\n", step, (unsigned long)got, got == expected ? "" : " (unexpected)");
  if (got != expected) ++failures;
}

static LPFNCANUNLOADNOW canUnloadNowOf(void* library) {
  LPFNCANUNLOADNOW entry = NULL;
  void* address = dlsym(library, "DllCanUnloadNow");
  if (address) memcpy(&entry, &address, sizeof entry);
  return entry;
}

static HRESULT freeEditor(IDispatch* editor) {
  DISPPARAMS none = {NULL, NULL, 0, 0};
  return editor->lpVtbl->Invoke(editor, DISPID_CMainFrontEnd_FreeEditor, &IID_NULL, LOCALE_USER_DEFAULT,
                                DISPATCH_METHOD, &none, NULL, NULL, NULL);
}

static IDispatch* createEditor(void) {
  IDispatch* editor = NULL;
  HRESULT hr = CoCreateInstance(&CLSID_CMainFrontEnd, NULL, CLSCTX_INPROC_SERVER, &IID_IDispatch, (void**)&editor);
  check("CoCreateInstance", hr, S_OK);
  return SUCCEEDED(hr) ? editor : NULL;
}

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: %s REGISTRY_FOLDER COMPONENT\n", argv[0]);
    return 2;
  }
  const char* component = argv[2];
  KestrinSetRegistryFolder(argv[1]);
  void* library = openRegistered(component);
  if (!library) return 2;
  LPFNCANUNLOADNOW canUnloadNow = canUnloadNowOf(library);
  if (!canUnloadNow) return 2;

  /* The hand-over comes back modified; the window closes by itself when
     nobody acts, but its offer to save is cancelled, so it stays. */
  check("CoInitialize", CoInitialize(NULL), S_OK);
  IDispatch* editor = createEditor();
  if (!editor) return 1;
  long handle = -1;
  runEditor(editor, "temp", &handle);
  printf("RunEditor temp: %s\n", handle > 0 ? "a window" : "no window");
  if (handle <= 0) ++failures;
  check("FreeEditor", freeEditor(editor), S_OK);
  editor->lpVtbl->Release(editor);

  /* No object of the host's lives, but the window does. */
  check("DllCanUnloadNow with the window kept", canUnloadNow(), S_FALSE);
  CoFreeUnusedLibraries();
  CoUninitialize(); /* the thread's last */
  dlclose(library);
  printf("mapped after the host let go: %s\n", mapped(component) ? "yes" : "no");
  if (!mapped(component)) {
    ++failures;
    printf("%s\n", "some steps failed");
    return 1;
  }

  /* The host comes back: the kept window is still the open editor, and
     FreeEditor asks about it again (cancelled again: it stays). */
  check("CoInitialize again", CoInitialize(NULL), S_OK);
  editor = createEditor();
  if (!editor) return 1;
  runEditor(editor, "new", &handle);
  check("RunEditor while the window is kept", handle, 0);
  check("FreeEditor again", freeEditor(editor), S_OK);
  editor->lpVtbl->Release(editor);
  library = dlopen(component, RTLD_NOW | RTLD_NOLOAD);
  canUnloadNow = library ? canUnloadNowOf(library) : NULL;
  check("DllCanUnloadNow still", canUnloadNow ? canUnloadNow() : -1, S_FALSE);
  if (library) dlclose(library);
  CoUninitialize();
  printf("mapped at the end: %s\n", mapped(component) ? "yes" : "no");
  if (!mapped(component)) ++failures;

  /* The process ends with the window kept: nothing of the component runs
     after this. */
  printf("%s\n", failures == 0 ? "all steps as expected" : "some steps failed");
  return failures == 0 ? 0 : 1;
}
