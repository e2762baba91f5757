/* The calls the leak hosts make, in C through the public header alone. */
#ifndef KESTRIN_TESTS_LEAKS_EDITOR_CALLS_H
#define KESTRIN_TESTS_LEAKS_EDITOR_CALLS_H

#include <dlfcn.h>
#include <string.h>

#include "kestrin/host.h"

/* RunEditor(script), the script by reference as a BSTR of the platform's
   allocator; *handle (when given) gets its result, -1 when it failed. */
static HRESULT runEditor(IDispatch* editor, const char* script, long* handle) {
  BSTR text = SysAllocString(script);
  VARIANT arg, result;
  VariantInit(&arg);
  VariantInit(&result);
  V_VT(&arg) = VT_BSTR | VT_BYREF;
  V_BSTRREF(&arg) = &text;
  DISPPARAMS params = {&arg, NULL, 1, 0};
  HRESULT hr = editor->lpVtbl->Invoke(editor, DISPID_CMainFrontEnd_RunEditor, &IID_NULL, LOCALE_USER_DEFAULT,
                                      DISPATCH_METHOD, &params, &result, NULL, NULL);
  if (handle) *handle = SUCCEEDED(hr) && V_VT(&result) == VT_I4 ? (long)V_I4(&result) : -1;
  VariantClear(&result);
  SysFreeString(text);
  return hr;
}

/* The component at path, loaded and registered; NULL when either failed.
   The entry point is taken through memcpy: C has no cast from an object
   pointer to a function pointer. */
static void* openRegistered(const char* path) {
  void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (!library) return NULL;
  LPFNREGISTERSERVER registerServer = NULL;
  void* address = dlsym(library, "DllRegisterServer");
  if (address) memcpy(&registerServer, &address, sizeof registerServer);
  if (!registerServer || registerServer() != S_OK) {
    dlclose(library);
    return NULL;
  }
  return library;
}

/* Whether the library at path is mapped in this process. */
static int mapped(const char* path) {
  void* still = dlopen(path, RTLD_NOW | RTLD_NOLOAD);
  if (still) dlclose(still);
  return still != NULL;
}

#endif
