#include "platform/com/client.h"

#include <map>
#include <mutex>
#include <vector>

#include "platform/win32/library.h"
#include "platform/win32/registry.h"

namespace platform::com {

namespace {

thread_local int tlsInitCount = 0;

using GetClassObjectFn = HRESULT (*)(const CLSID*, const IID*, void**);
using CanUnloadNowFn = HRESULT (*)();

struct Library {
  HMODULE handle = 0;
  GetClassObjectFn getClassObject = nullptr;
  CanUnloadNowFn canUnloadNow = nullptr;
};

std::mutex& librariesMutex() {
  static std::mutex m;
  return m;
}
std::map<std::string, Library>& libraries() {
  static std::map<std::string, Library> l;
  return l;
}
std::vector<std::function<void()>>& beforeFreed() {
  static auto* hooks = new std::vector<std::function<void()>>;  // lives on while other statics go
  return *hooks;
}

// The default text value of HKEY_CLASSES_ROOT\key; false when missing.
bool readText(const std::string& key, std::string& out) {
  return readRegistryText(HKEY_CLASSES_ROOT, key, "", &out) == ERROR_SUCCESS;
}

}  // namespace

std::string serverLibraryPath(const std::string& registered) {
  if (registered.empty() || registered.front() == '/') return registered;
  const std::string hive = registryHivePath(HKEY_CLASSES_ROOT);
  const auto slash = hive.find_last_of('/');
  return slash == std::string::npos ? registered : hive.substr(0, slash + 1) + registered;
}

HRESULT CoInitializeEx(void*, uint32_t) { return tlsInitCount++ == 0 ? S_OK : S_FALSE; }
HRESULT CoInitialize(void* reserved) { return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED); }

void CoUninitialize() {
  if (tlsInitCount == 0) return;
  if (--tlsInitCount == 0) CoFreeUnusedLibraries();
}

bool isInitializedOnThisThread() { return tlsInitCount > 0; }

HRESULT CLSIDFromString(const char* text, CLSID* clsid) {
  if (!clsid) return E_POINTER;
  if (!text) return CO_E_CLASSSTRING;
  const auto g = parseGuid(text);
  if (!g) return CO_E_CLASSSTRING;
  *clsid = *g;
  return S_OK;
}

HRESULT CLSIDFromProgID(const char* progId, CLSID* clsid) {
  if (!clsid) return E_POINTER;
  if (!progId || !*progId) return CO_E_CLASSSTRING;
  if (progId[0] == '{') return CLSIDFromString(progId, clsid);
  std::string text;
  if (!readText(std::string(progId) + "\\CLSID", text)) return CO_E_CLASSSTRING;
  return CLSIDFromString(text.c_str(), clsid);
}

HRESULT CoGetClassObject(const CLSID& clsid, uint32_t context, void*, const IID& iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!isInitializedOnThisThread()) return CO_E_NOTINITIALIZED;
  if (!(context & CLSCTX_INPROC_SERVER)) return REGDB_E_CLASSNOTREG;
  std::string path;
  if (!readText("CLSID\\" + formatGuid(clsid) + "\\InprocServer32", path) || path.empty()) return REGDB_E_CLASSNOTREG;
  path = serverLibraryPath(path);

  GetClassObjectFn getClassObject = nullptr;
  {
    std::lock_guard<std::mutex> lock(librariesMutex());
    auto& libs = libraries();
    auto it = libs.find(path);
    if (it == libs.end()) {
      const HMODULE handle = LoadLibrary(path);
      if (!handle) return CO_E_DLLNOTFOUND;
      Library lib;
      lib.handle = handle;
      lib.getClassObject = reinterpret_cast<GetClassObjectFn>(GetProcAddress(handle, "DllGetClassObject"));
      lib.canUnloadNow = reinterpret_cast<CanUnloadNowFn>(GetProcAddress(handle, "DllCanUnloadNow"));
      if (!lib.getClassObject) {
        FreeLibrary(handle);
        return CO_E_ERRORINDLL;
      }
      it = libs.emplace(path, lib).first;
    }
    getClassObject = it->second.getClassObject;
  }
  return getClassObject(&clsid, &iid, object);
}

HRESULT CoCreateInstance(const CLSID& clsid, IUnknown* outer, uint32_t context, const IID& iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  IClassFactory* factory = nullptr;
  const HRESULT got = CoGetClassObject(clsid, context, nullptr, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (FAILED(got)) return got;
  const HRESULT made = factory->CreateInstance(nullptr, iid, object);
  factory->Release();
  return made;
}

void CoFreeUnusedLibraries() {
  std::vector<HMODULE> unload;
  {
    std::lock_guard<std::mutex> lock(librariesMutex());
    auto& libs = libraries();
    for (auto it = libs.begin(); it != libs.end();) {
      // A library without DllCanUnloadNow cannot say that it is unused.
      if (it->second.canUnloadNow && it->second.canUnloadNow() == S_OK) {
        unload.push_back(it->second.handle);
        it = libs.erase(it);
      } else {
        ++it;
      }
    }
  }
  if (unload.empty()) return;
  std::vector<std::function<void()>> hooks;
  {
    std::lock_guard<std::mutex> lock(librariesMutex());
    hooks = beforeFreed();
  }
  for (auto& hook : hooks) hook();
  for (const HMODULE h : unload) FreeLibrary(h);
}

void addBeforeServersFreed(std::function<void()> hook) {
  std::lock_guard<std::mutex> lock(librariesMutex());
  beforeFreed().push_back(std::move(hook));
}

size_t loadedServerCount() {
  std::lock_guard<std::mutex> lock(librariesMutex());
  return libraries().size();
}

}  // namespace platform::com
