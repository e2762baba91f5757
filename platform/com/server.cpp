#include "platform/com/server.h"

#include <dlfcn.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <new>

#include "platform/com/error_info.h"
#include "platform/win32/registry.h"

namespace platform::com {

// The class object of one class. It counts as a live object of its server,
// so the component stays loaded while a caller holds a factory.
class Server::Factory final : public RefCounted<Server::Factory, IClassFactory> {
 public:
  Factory(Server& server, const Entry& entry) : server_(server), entry_(entry) { server_.objectCreated(); }
  virtual ~Factory() { server_.objectDestroyed(); }

  using IClassFactory::CreateInstance;
  using IClassFactory::QueryInterface;

  HRESULT QueryInterface(const IID* iid, void** object) override {
    return answerQuery(thread_.onOwnThread(), iid, object, [this](const IID& id) -> IUnknown* {
      return id == IID_IUnknown || id == IID_IClassFactory ? this : nullptr;
    });
  }

  HRESULT CreateInstance(IUnknown* outer, const IID* iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!thread_.onOwnThread()) return RPC_E_WRONG_THREAD;
    if (!iid) return E_INVALIDARG;
    if (outer) return CLASS_E_NOAGGREGATION;
    IUnknown* created = nullptr;
    SetErrorInfo(0, nullptr);
    const HRESULT made = callReportingErrors(IID_IClassFactory, [&] { created = entry_.create(); });
    if (FAILED(made)) return made;
    if (!created) return E_OUTOFMEMORY;
    const HRESULT r = created->QueryInterface(iid, object);
    created->Release();
    return r;
  }
  HRESULT LockServer(int32_t lock) override {
    if (!thread_.onOwnThread()) return RPC_E_WRONG_THREAD;
    if (lock) {
      server_.lock();
    } else if (server_.lockCount() > 0) {
      server_.unlock();
    }
    return S_OK;
  }

 private:
  Server& server_;
  const Entry entry_;  // a copy: the server may add classes meanwhile
  const ThreadAffinity thread_;
};

Server::Server(const TypeLibraryInfo& library, std::function<std::string()> modulePath)
    : library_(library), modulePath_(std::move(modulePath)) {}

void Server::add(std::string_view className, std::function<IUnknown*()> create) {
  const CoClassInfo* coclass = library_.findClass(className);
  if (!coclass) return;
  for (auto& e : entries_) {
    if (e.coclass == coclass) {
      e.create = std::move(create);
      return;
    }
  }
  entries_.push_back({coclass, std::move(create)});
}

HRESULT Server::getClassObject(const CLSID* clsid, const IID* iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!clsid || !iid) return E_INVALIDARG;
  for (const auto& e : entries_) {
    if (e.coclass->clsid != *clsid) continue;
    auto* factory = new (std::nothrow) Factory(*this, e);
    if (!factory) return E_OUTOFMEMORY;
    const HRESULT r = factory->QueryInterface(iid, object);
    factory->Release();
    return r;
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT Server::canUnloadNow() const { return objects_.load() == 0 && locks_.load() == 0 ? S_OK : S_FALSE; }

std::string Server::progIdOf(std::string_view className) const { return library_.name + "." + std::string(className); }

std::vector<RegistryEntry> Server::registrationEntries() const {
  const std::string module = modulePath_ ? modulePath_() : std::string();
  std::string folder = module;
  if (const auto slash = folder.find_last_of('/'); slash != std::string::npos) folder.resize(slash);
  // A server beside the hive that takes the registration is named by its
  // file name alone, so that the folder still activates when it moves.
  std::string path = module;
  const std::string hive = registryWriteHivePath(HKEY_CLASSES_ROOT);
  if (!module.empty() && hive.substr(0, hive.find_last_of('/')) == folder) path = module.substr(folder.size() + 1);
  const std::string libid = formatGuid(library_.libid);
  const std::string version = library_.versionText();

  std::vector<RegistryEntry> out;
  auto value = [&](std::string key, std::string name, std::string v) {
    out.push_back({std::move(key), std::move(name), std::move(v), true});
  };
  auto keyOnly = [&](std::string key) { out.push_back({std::move(key), "", "", false}); };

  std::vector<const InterfaceInfo*> interfaces;
  for (const auto& e : entries_) {
    const CoClassInfo& c = *e.coclass;
    const std::string clsidKey = "CLSID\\" + formatGuid(c.clsid);
    const std::string progId = progIdOf(c.name);
    value(clsidKey, "", c.name);
    value(clsidKey + "\\InprocServer32", "", path);
    value(clsidKey + "\\InprocServer32", "ThreadingModel", "Apartment");
    value(clsidKey + "\\ProgID", "", progId);
    value(clsidKey + "\\TypeLib", "", libid);
    value(clsidKey + "\\Version", "", version);
    keyOnly(progId);
    value(progId + "\\CLSID", "", formatGuid(c.clsid));
    if (const InterfaceInfo* i = library_.interfaceOf(c);
        i && std::find(interfaces.begin(), interfaces.end(), i) == interfaces.end())
      interfaces.push_back(i);
  }
  for (const InterfaceInfo* i : interfaces) {
    const std::string key = "Interface\\" + formatGuid(i->iid);
    value(key, "", i->name);
    value(key + "\\TypeLib", "", libid);
    value(key + "\\TypeLib", "Version", version);
  }
  if (!entries_.empty()) {
    const std::string lib = "TypeLib\\" + libid;
    keyOnly(lib);
    value(lib + "\\" + version, "", library_.name);
    keyOnly(lib + "\\" + version + "\\0");
    value(lib + "\\" + version + "\\0\\win32", "", path);
    value(lib + "\\" + version + "\\FLAGS", "", "0");
    value(lib + "\\" + version + "\\HELPDIR", "", folder);
  }
  return out;
}

HRESULT Server::registerServer() {
  // Every entry in one transaction: the registration is in the hive whole
  // or not at all, and costs one commit.
  std::vector<RegistryWrite> writes;
  for (const auto& e : registrationEntries()) {
    RegistryWrite w;
    w.subKey = e.key;
    w.hasValue = e.hasValue;
    if (e.hasValue) {
      w.valueName = e.valueName;
      w.type = REG_SZ;
      // Text values carry their closing NUL, as the registry's readers expect.
      w.data.assign(e.value.c_str(), e.value.size() + 1);
    }
    writes.push_back(std::move(w));
  }
  return RegWriteBatch(HKEY_CLASSES_ROOT, writes) == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
}

HRESULT Server::unregisterServer() {
  // Each value registration wrote goes; then each key it named goes, the
  // deepest first, unless something else has been put below it or into it.
  const auto entries = registrationEntries();
  std::vector<std::string> keys;
  for (const auto& e : entries) {
    if (std::find(keys.begin(), keys.end(), e.key) == keys.end()) keys.push_back(e.key);
    if (!e.hasValue) continue;
    HKEY key = 0;
    if (RegOpenKeyEx(HKEY_CLASSES_ROOT, e.key, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) continue;
    RegDeleteValue(key, e.valueName);
    RegCloseKey(key);
  }
  std::stable_sort(keys.begin(), keys.end(), [](const std::string& a, const std::string& b) {
    return std::count(a.begin(), a.end(), '\\') > std::count(b.begin(), b.end(), '\\');
  });
  HRESULT result = S_OK;
  for (const auto& k : keys) {
    HKEY key = 0;
    const LONG opened = RegOpenKeyEx(HKEY_CLASSES_ROOT, k, 0, KEY_READ, &key);
    if (opened == ERROR_FILE_NOT_FOUND) continue;
    if (opened != ERROR_SUCCESS) {
      result = SELFREG_E_CLASS;
      continue;
    }
    DWORD subKeys = 0, values = 0;
    const LONG info = RegQueryInfoKey(key, &subKeys, nullptr, &values, nullptr, nullptr);
    RegCloseKey(key);
    if (info != ERROR_SUCCESS) {
      result = SELFREG_E_CLASS;
      continue;
    }
    if (subKeys == 0 && values == 0 && RegDeleteKey(HKEY_CLASSES_ROOT, k) != ERROR_SUCCESS) result = SELFREG_E_CLASS;
  }
  return result;
}

std::string moduleFileOf(const void* address) {
  Dl_info info{};
  if (!address || dladdr(address, &info) == 0 || !info.dli_fname) return {};
  char resolved[PATH_MAX];
  if (::realpath(info.dli_fname, resolved)) return resolved;
  return info.dli_fname;
}

}  // namespace platform::com
