// The client side, for hosts: per-thread initialisation, class identities
// from ProgIDs, and creation of objects of in-process servers that the
// registry names.
//
// CoCreateInstance looks the class up under
// HKEY_CLASSES_ROOT\CLSID\{clsid}\InprocServer32, loads the library named
// there (once per process), asks its DllGetClassObject for the class
// object and creates the object through it. CoFreeUnusedLibraries unloads
// every loaded server whose DllCanUnloadNow answers S_OK.
#pragma once

#include <functional>
#include <string>

#include "platform/com/interfaces.h"

namespace platform::com {

inline constexpr uint32_t CLSCTX_INPROC_SERVER = 0x1;
inline constexpr uint32_t COINIT_APARTMENTTHREADED = 0x2;

// Per-thread initialisation, counted: each successful call (S_OK the first
// time on a thread, S_FALSE after) needs its CoUninitialize. The last
// CoUninitialize of a thread frees the unused libraries.
HRESULT CoInitialize(void* reserved);
HRESULT CoInitializeEx(void* reserved, uint32_t model);
void CoUninitialize();
bool isInitializedOnThisThread();

// "{...}" to a CLSID; CO_E_CLASSSTRING for anything else.
HRESULT CLSIDFromString(const char* text, CLSID* clsid);
// The class a ProgID names (HKEY_CLASSES_ROOT\<ProgID>\CLSID); a "{...}"
// text is taken as the identity itself. CO_E_CLASSSTRING when unknown.
HRESULT CLSIDFromProgID(const char* progId, CLSID* clsid);

// CO_E_NOTINITIALIZED before CoInitialize on this thread;
// REGDB_E_CLASSNOTREG when the class has no in-process server entry;
// CO_E_DLLNOTFOUND when the library cannot be loaded; CO_E_ERRORINDLL when
// it has no DllGetClassObject; otherwise what the server answers.
HRESULT CoGetClassObject(const CLSID& clsid, uint32_t context, void* reserved, const IID& iid, void** object);
// The library a registered server path names: a relative one (a server
// registered beside the machine hive) lies in the machine hive's folder.
std::string serverLibraryPath(const std::string& registered);
HRESULT CoCreateInstance(const CLSID& clsid, IUnknown* outer, uint32_t context, const IID& iid, void** object);

void CoFreeUnusedLibraries();
// Runs on the calling thread each time CoFreeUnusedLibraries is about to
// free servers, before the first is freed: a layer that keeps something of
// a server's objects after they are gone (the windowed desktop's windows of
// unloaded forms) lets go of it there, while the server's code is still
// mapped.
void addBeforeServersFreed(std::function<void()> hook);
// The number of server libraries loaded now.
size_t loadedServerCount();

}  // namespace platform::com
