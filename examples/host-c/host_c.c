/*
 * A host of the Kestrin script editor in plain C: it registers the
 * component into a registry folder of its own, creates CMainFrontEnd by its
 * ProgID, opens the editor on a script with RunEditor, closes it with
 * FreeEditor, releases everything, unloads the component and loads it once
 * more.
 *
 *   kestrin-host-c REGISTRY_FOLDER SCRIPT [COMPONENT]
 *
 * COMPONENT is the path of KestrinScriptEditor.so; by default the one
 * beside the libkestrin_platform.so this program runs with. Every step
 * writes one line "step: result"; the exit status is 0 when every step gave
 * what it should.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "kestrin/host.h"

static int failures = 0;

/* Writes the step's result and counts it as a failure unless it is the one
   expected. */
static void check(const char* step, HRESULT got, HRESULT expected) {
  printf("%s: 0x%08X%s\n", step, (unsigned)got, got == expected ? "" : " (unexpected)");
  if (got != expected) ++failures;
}

/* ISO C converts no object pointer (what dlsym gives) into a function
   pointer, nor back; POSIX gives both one representation, so the address is
   copied byte for byte. */
_Static_assert(sizeof(void*) == sizeof(LPFNREGISTERSERVER), "function and object pointers differ in size");

static LPFNREGISTERSERVER entryPoint(void* library, const char* name) {
  LPFNREGISTERSERVER entry = NULL;
  void* address = dlsym(library, name);
  if (address) memcpy(&entry, &address, sizeof entry);
  return entry;
}

/* The component's default place: the folder of the platform library. */
static char* defaultComponentPath(void) {
  Dl_info info;
  void (*function)(BSTR) = &SysFreeString;
  void* address;
  memcpy(&address, &function, sizeof address);
  if (!dladdr(address, &info) || !info.dli_fname) return NULL;
  const char* slash = strrchr(info.dli_fname, '/');
  size_t folder = slash ? (size_t)(slash - info.dli_fname) : 1;
  const char* name = "/KestrinScriptEditor.so";
  char* path = malloc(folder + strlen(name) + 1);
  if (!path) return NULL;
  memcpy(path, slash ? info.dli_fname : ".", folder);
  strcpy(path + folder, name);
  return path;
}

/* The dispatch id of a member, by its UTF-8 name. */
static DISPID idOf(IDispatch* object, const char* name) {
  OLECHAR* names[1];
  DISPID id = DISPID_UNKNOWN;
  names[0] = (OLECHAR*)name;
  HRESULT hr = object->lpVtbl->GetIDsOfNames(object, &IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  printf("GetIDsOfNames %s: 0x%08X id 0x%08X\n", name, (unsigned)hr, (unsigned)id);
  if (FAILED(hr)) ++failures;
  return id;
}

/* RunEditor(script): the script goes by reference, as a BSTR of the
   platform's allocator, since the editor may write it back ("temp"). */
static void runEditor(IDispatch* editor, DISPID id, const char* script) {
  BSTR text = SysAllocString(script);
  VARIANT arg, result;
  DISPPARAMS params;
  EXCEPINFO error;
  UINT argError = 0;
  VariantInit(&arg);
  VariantInit(&result);
  memset(&error, 0, sizeof error);
  V_VT(&arg) = VT_BSTR | VT_BYREF;
  V_BSTRREF(&arg) = &text;
  params.rgvarg = &arg;
  params.rgdispidNamedArgs = NULL;
  params.cArgs = 1;
  params.cNamedArgs = 0;

  HRESULT hr = editor->lpVtbl->Invoke(editor, id, &IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result,
                                      &error, &argError);
  check("RunEditor", hr, S_OK);
  if (hr == DISP_E_EXCEPTION) {
    printf("RunEditor raised 0x%08X %s: %s\n", (unsigned)error.scode, error.bstrSource ? error.bstrSource : "",
           error.bstrDescription ? error.bstrDescription : "");
    SysFreeString(error.bstrSource);
    SysFreeString(error.bstrDescription);
    SysFreeString(error.bstrHelpFile);
  }
  if (SUCCEEDED(hr)) {
    printf("RunEditor result: %s %ld\n", V_VT(&result) == VT_I4 ? "Long" : "other", (long)V_I4(&result));
    if (V_VT(&result) != VT_I4 || V_I4(&result) == 0) ++failures;
  }
  printf("RunEditor script: %s\n", text ? text : "");
  VariantClear(&result);
  SysFreeString(text);
}

static void freeEditor(IDispatch* editor, DISPID id) {
  VARIANT result;
  DISPPARAMS none = {NULL, NULL, 0, 0};
  VariantInit(&result);
  HRESULT hr =
      editor->lpVtbl->Invoke(editor, id, &IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, &result, NULL, NULL);
  check("FreeEditor", hr, S_OK);
  printf("FreeEditor result: %s\n", V_VT(&result) == VT_EMPTY ? "Empty" : "other");
  VariantClear(&result);
}

/* Creates CMainFrontEnd by its ProgID; NULL when it cannot. */
static IDispatch* createEditor(const char* step) {
  CLSID clsid;
  IDispatch* editor = NULL;
  HRESULT hr = CLSIDFromProgID(KESTRIN_PROGID_CMAINFRONTEND, &clsid);
  check("CLSIDFromProgID", hr, S_OK);
  if (FAILED(hr)) return NULL;
  if (memcmp(&clsid, &CLSID_CMainFrontEnd, sizeof clsid) != 0) {
    printf("CLSIDFromProgID: another class\n");
    ++failures;
  }
  hr = CoCreateInstance(&clsid, NULL, CLSCTX_INPROC_SERVER, &IID_IDispatch, (void**)&editor);
  check(step, hr, S_OK);
  return SUCCEEDED(hr) ? editor : NULL;
}

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    fprintf(stderr, "usage: %s REGISTRY_FOLDER SCRIPT [COMPONENT]\n", argv[0]);
    return 2;
  }
  const char* registryFolder = argv[1];
  const char* script = argv[2];
  char* component = argc == 4 ? strdup(argv[3]) : defaultComponentPath();
  if (!component) {
    fprintf(stderr, "the component's place is unknown\n");
    return 2;
  }

  /* 0. The library this program runs with is of the header's major
     version (its file name says so too: libkestrin_platform.so.MAJOR). */
  {
    int major = -1, minor = -1, patch = -1;
    KestrinGetVersion(&major, &minor, &patch);
    printf("KestrinGetVersion: %d.%d.%d\n", major, minor, patch);
    if (major != KESTRIN_VERSION_MAJOR) ++failures;
  }

  /* 1. The registry folder, before anything reads the registry. */
  KestrinSetRegistryFolder(registryFolder);

  /* 2. Registration: the component writes its classes into the registry. */
  void* library = dlopen(component, RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    fprintf(stderr, "cannot load %s: %s\n", component, dlerror());
    return 2;
  }
  LPFNREGISTERSERVER registerServer = entryPoint(library, "DllRegisterServer");
  LPFNCANUNLOADNOW canUnloadNow = entryPoint(library, "DllCanUnloadNow");
  if (!registerServer || !canUnloadNow) {
    fprintf(stderr, "%s is no in-process server\n", component);
    return 2;
  }
  check("DllRegisterServer", registerServer(), S_OK);

  /* 3. The thread joins the object model. */
  check("CoInitialize", CoInitialize(NULL), S_OK);

  /* 4. The editor object, then its members' ids. */
  IDispatch* editor = createEditor("CoCreateInstance");
  if (!editor) return 1;
  check("DllCanUnloadNow while the editor object lives", canUnloadNow(), S_FALSE);
  DISPID runId = idOf(editor, "RunEditor");
  DISPID freeId = idOf(editor, "FreeEditor");

  /* 5. The editor on the script; RunEditor returns when its window has
     closed. */
  runEditor(editor, runId, script);
  freeEditor(editor, freeId);

  /* 6. Invoke takes IID_NULL only. */
  {
    DISPPARAMS none = {NULL, NULL, 0, 0};
    HRESULT hr = editor->lpVtbl->Invoke(editor, freeId, &IID_IDispatch, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none,
                                        NULL, NULL, NULL);
    check("Invoke with another interface id", hr, DISP_E_UNKNOWNINTERFACE);
  }

  /* 7. Release: the component may go. */
  printf("Release: %u\n", (unsigned)editor->lpVtbl->Release(editor));
  check("DllCanUnloadNow after the release", canUnloadNow(), S_OK);

  /* 8. Unloading: the platform gives back its load, this program its own;
     then the library is no longer mapped. */
  CoFreeUnusedLibraries();
  dlclose(library);
  void* still = dlopen(component, RTLD_NOW | RTLD_NOLOAD);
  printf("unloaded: %s\n", still ? "no" : "yes");
  if (still) {
    ++failures;
    dlclose(still);
  }

  /* 9. Loaded again: a new editor object works as the first did. */
  editor = createEditor("CoCreateInstance again");
  if (editor) {
    runEditor(editor, runId, script);
    editor->lpVtbl->Release(editor);
  }

  CoUninitialize();
  free(component);
  printf("%s\n", failures == 0 ? "all steps as expected" : "some steps failed");
  return failures == 0 ? 0 : 1;
}
