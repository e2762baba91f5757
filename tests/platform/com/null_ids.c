#include "platform/com/null_ids.h"

#include <string.h>

#include "kestrin/host.h"

/* Records one call's result; out is read after the call has returned. */
static int record(NullIdCall* calls, int n, int capacity, const char* call, HRESULT result, const void* out) {
  if (n < capacity) {
    calls[n].call = call;
    calls[n].result = result;
    calls[n].outLeftNull = out == NULL;
  }
  return n + 1;
}

int nullIdCalls(const void* clsidBytes, int32_t dispid, NullIdCall* calls, int capacity) {
  CLSID clsid;
  int n = 0;
  void* out = NULL;
  HRESULT hr;
  memcpy(&clsid, clsidBytes, sizeof clsid);

  out = &out;
  hr = CoCreateInstance(NULL, NULL, CLSCTX_INPROC_SERVER, &IID_IDispatch, &out);
  n = record(calls, n, capacity, "CoCreateInstance, class id", hr, out);
  out = &out;
  hr = CoCreateInstance(&clsid, NULL, CLSCTX_INPROC_SERVER, NULL, &out);
  n = record(calls, n, capacity, "CoCreateInstance, interface id", hr, out);
  out = &out;
  hr = CoGetClassObject(NULL, CLSCTX_INPROC_SERVER, NULL, &IID_IClassFactory, &out);
  n = record(calls, n, capacity, "CoGetClassObject, class id", hr, out);
  out = &out;
  hr = CoGetClassObject(&clsid, CLSCTX_INPROC_SERVER, NULL, NULL, &out);
  n = record(calls, n, capacity, "CoGetClassObject, interface id", hr, out);

  IClassFactory* factory = NULL;
  if (FAILED(CoGetClassObject(&clsid, CLSCTX_INPROC_SERVER, NULL, &IID_IClassFactory, (void**)&factory))) return n;
  out = &out;
  hr = factory->lpVtbl->QueryInterface(factory, NULL, &out);
  n = record(calls, n, capacity, "IClassFactory::QueryInterface", hr, out);
  out = &out;
  hr = factory->lpVtbl->CreateInstance(factory, NULL, NULL, &out);
  n = record(calls, n, capacity, "IClassFactory::CreateInstance", hr, out);

  IDispatch* object = NULL;
  HRESULT made = factory->lpVtbl->CreateInstance(factory, NULL, &IID_IDispatch, (void**)&object);
  factory->lpVtbl->Release(factory);
  if (FAILED(made)) return n;
  out = &out;
  hr = object->lpVtbl->QueryInterface(object, NULL, &out);
  n = record(calls, n, capacity, "IDispatch::QueryInterface", hr, out);
  DISPPARAMS none = {NULL, NULL, 0, 0};
  VARIANT result;
  VariantInit(&result);
  hr = object->lpVtbl->Invoke(object, dispid, NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, &result, NULL, NULL);
  n = record(calls, n, capacity, "IDispatch::Invoke", hr, NULL);
  VariantClear(&result);
  object->lpVtbl->Release(object);
  return n;
}
