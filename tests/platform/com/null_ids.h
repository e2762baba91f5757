// Calls of a C host that pass NULL where an interface or class id goes,
// made in C through include/kestrin/host.h (where the ids are pointers).
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct NullIdCall {
  const char* call;
  int32_t result;
  // Whether the call left its out pointer NULL (1), or set it (0).
  int outLeftNull;
} NullIdCall;

// Makes each call with a NULL id on the registered class `clsid` (its 16
// bytes), from a thread that has called CoInitialize; writes up to
// `capacity` records and returns how many it wrote.
int nullIdCalls(const void* clsid, int32_t dispid, NullIdCall* calls, int capacity);

#ifdef __cplusplus
}
#endif
