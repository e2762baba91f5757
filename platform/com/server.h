// The in-process server: the classes a component serves, their class
// objects, the count of live objects and locks that decides whether the
// component may be unloaded, and the registry entries that make its
// classes creatable by identity and by ProgID.
//
// A component holds one Server, fills it with its classes and forwards its
// four exported entry points to it:
//
//   extern "C" HRESULT DllGetClassObject(const CLSID* c, const IID* i, void** o)
//     { return server().getClassObject(c, i, o); }
//   extern "C" HRESULT DllCanUnloadNow() { return server().canUnloadNow(); }
//   extern "C" HRESULT DllRegisterServer() { return server().registerServer(); }
//   extern "C" HRESULT DllUnregisterServer() { return server().unregisterServer(); }
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/interfaces.h"
#include "platform/com/typeinfo.h"

namespace platform::com {

class Server;

// The server a class was added to; its objects count there.
template <class T>
struct ClassServer {
  static inline Server* server = nullptr;
};

// One value the registration writes below HKEY_CLASSES_ROOT. A key written
// without a value has an empty valueName and hasValue false.
struct RegistryEntry {
  std::string key;
  std::string valueName;  // "" is the key's default value
  std::string value;
  bool hasValue = true;
};

class Server {
 public:
  // The library's classes are served under its identities; modulePath
  // names the file that holds the server (asked at registration).
  Server(const TypeLibraryInfo& library, std::function<std::string()> modulePath);
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Makes the class of the library named className creatable; create
  // returns a new object with one reference, or raises a runtime error.
  void add(std::string_view className, std::function<IUnknown*()> create);
  // The same for a C++ class T (default-constructed; T's objects then count
  // in this server).
  template <class T>
  void add(std::string_view className) {
    ClassServer<T>::server = this;
    add(className, []() -> IUnknown* { return static_cast<IDispatch*>(new T()); });
  }

  // DllGetClassObject: a class factory for a served class;
  // CLASS_E_CLASSNOTAVAILABLE for any other. The ids come as a C host
  // passes them; a NULL one gives E_INVALIDARG.
  HRESULT getClassObject(const CLSID* clsid, const IID* iid, void** object);
  HRESULT getClassObject(const CLSID& clsid, const IID& iid, void** object) {
    return getClassObject(&clsid, &iid, object);
  }
  // DllCanUnloadNow: S_OK when no object (class factories included) lives
  // and no lock is held, else S_FALSE.
  HRESULT canUnloadNow() const;
  // DllRegisterServer and DllUnregisterServer.
  HRESULT registerServer();
  HRESULT unregisterServer();

  // What registration writes, keys in the order they are made.
  std::vector<RegistryEntry> registrationEntries() const;
  // "KestrinScriptEditor.CFile" for the class CFile of the library
  // KestrinScriptEditor.
  std::string progIdOf(std::string_view className) const;

  const TypeLibraryInfo& library() const { return library_; }

  long objectCount() const { return objects_.load(); }
  long lockCount() const { return locks_.load(); }
  void objectCreated() { ++objects_; }
  void objectDestroyed() { --objects_; }
  void lock() { ++locks_; }
  void unlock() { --locks_; }

 private:
  struct Entry {
    const CoClassInfo* coclass;
    std::function<IUnknown*()> create;
  };
  class Factory;

  const TypeLibraryInfo& library_;
  std::function<std::string()> modulePath_;
  std::vector<Entry> entries_;
  std::atomic<long> objects_{0};
  std::atomic<long> locks_{0};
};

// Adds T to a server while the program or library starts, from the class's
// own source file:
//   static platform::com::ClassRegistration<CFile> registration(componentServer(), "CFile");
template <class T>
struct ClassRegistration {
  ClassRegistration(Server& server, std::string_view className) { server.add<T>(className); }
};

// The file that holds the code at address (the component's own path when
// given an address inside it); "" when unknown.
std::string moduleFileOf(const void* address);

}  // namespace platform::com
