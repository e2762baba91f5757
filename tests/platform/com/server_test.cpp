#include <gtest/gtest.h>

#include <thread>

#include "common/temp_dir.h"
#include "platform/com/registry_helper.h"
#include "platform/com/server.h"
#include "platform/com/server/probe.h"
#include "platform/win32/registry.h"

namespace {

using namespace platform::com;
using com_test::keyExists;
using com_test::textValue;

const char* const kModule = "/opt/kestrin/KestrinComTest.so";

class ServerTest : public ::testing::Test {
 protected:
  ServerTest() {
    platform::setRegistryFolder(hive.path());
    server.add<probe::CProbe>("CProbe");
  }
  ~ServerTest() override { platform::setRegistryFolder(""); }

  kestrin_test::TempDir hive;
  Server server{probe::library(), [] { return std::string(kModule); }};
  const std::string clsidKey = "CLSID\\" + formatGuid(probe::kClsid);
  const std::string interfaceKey = "Interface\\" + formatGuid(probe::kIid);
  const std::string libKey = "TypeLib\\" + formatGuid(probe::kLibId);
};

TEST_F(ServerTest, RegistrationWritesTheClassItsProgIdInterfaceAndLibrary) {
  ASSERT_EQ(server.registerServer(), S_OK);
  const std::string libid = formatGuid(probe::kLibId);
  struct Expected {
    std::string key, name, value;
  };
  const Expected expected[] = {
      {clsidKey, "", "CProbe"},
      {clsidKey + "\\InprocServer32", "", kModule},
      {clsidKey + "\\InprocServer32", "ThreadingModel", "Apartment"},
      {clsidKey + "\\ProgID", "", "KestrinComTest.CProbe"},
      {clsidKey + "\\TypeLib", "", libid},
      {clsidKey + "\\Version", "", "1.0"},
      {"KestrinComTest.CProbe\\CLSID", "", formatGuid(probe::kClsid)},
      {interfaceKey, "", "_CProbe"},
      {interfaceKey + "\\TypeLib", "", libid},
      {interfaceKey + "\\TypeLib", "Version", "1.0"},
      {libKey + "\\1.0", "", "KestrinComTest"},
      {libKey + "\\1.0\\0\\win32", "", kModule},
      {libKey + "\\1.0\\FLAGS", "", "0"},
      {libKey + "\\1.0\\HELPDIR", "", "/opt/kestrin"},
  };
  for (const auto& e : expected) EXPECT_EQ(textValue(e.key, e.name), e.value) << e.key << " " << e.name;
  EXPECT_EQ(server.progIdOf("CProbe"), "KestrinComTest.CProbe");
  // registering twice changes nothing
  EXPECT_EQ(server.registerServer(), S_OK);
  EXPECT_EQ(textValue(clsidKey + "\\InprocServer32"), kModule);
}

TEST_F(ServerTest, UnregistrationRemovesExactlyWhatRegistrationWrote) {
  com_test::writeText("CLSID\\{11111111-2222-3333-4444-555555555555}", "", "Other");
  com_test::writeText("TypeLib\\" + formatGuid(probe::kLibId) + "\\2.0", "", "A later version");
  ASSERT_EQ(server.registerServer(), S_OK);
  // something another installer put below the class's key
  com_test::writeText(clsidKey + "\\Implemented Categories", "", "");

  ASSERT_EQ(server.unregisterServer(), S_OK);
  for (const std::string& gone :
       {clsidKey + "\\InprocServer32", clsidKey + "\\ProgID", clsidKey + "\\TypeLib", clsidKey + "\\Version",
        std::string("KestrinComTest.CProbe"), interfaceKey, libKey + "\\1.0"})
    EXPECT_FALSE(keyExists(gone)) << gone;
  EXPECT_FALSE(textValue(clsidKey).has_value());
  EXPECT_TRUE(keyExists(clsidKey + "\\Implemented Categories"));
  EXPECT_EQ(textValue("CLSID\\{11111111-2222-3333-4444-555555555555}"), "Other");
  EXPECT_EQ(textValue(libKey + "\\2.0"), "A later version");
  EXPECT_TRUE(keyExists("Interface"));

  // without anything foreign, nothing of the class is left
  com_test::writeText(clsidKey + "\\Implemented Categories", "", "");
  platform::RegDeleteKey(platform::HKEY_CLASSES_ROOT, clsidKey + "\\Implemented Categories");
  ASSERT_EQ(server.registerServer(), S_OK);
  ASSERT_EQ(server.unregisterServer(), S_OK);
  EXPECT_FALSE(keyExists(clsidKey));
  // unregistering what is not there is no failure
  EXPECT_EQ(server.unregisterServer(), S_OK);
}

TEST_F(ServerTest, ClassObjectsCreateObjectsAndCountTowardsUnloading) {
  EXPECT_EQ(server.canUnloadNow(), S_OK);
  void* none = nullptr;
  EXPECT_EQ(server.getClassObject(probe::kIid, IID_IClassFactory, &none), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(none, nullptr);

  ComPtr<IClassFactory> factory;
  ASSERT_EQ(server.getClassObject(probe::kClsid, IID_IClassFactory, factory.outVoid()), S_OK);
  // a class object held keeps the server loaded
  EXPECT_EQ(server.canUnloadNow(), S_FALSE);

  ComPtr<IDispatch> object;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, object.outVoid()), S_OK);
  void* refused = nullptr;
  EXPECT_EQ(factory->CreateInstance(object.get(), IID_IUnknown, &refused), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &refused), E_NOINTERFACE);
  EXPECT_EQ(refused, nullptr);
  EXPECT_EQ(server.objectCount(), 2);  // the factory and the object

  factory->LockServer(1);
  factory.reset();
  object.reset();
  EXPECT_EQ(server.objectCount(), 0);
  EXPECT_EQ(server.canUnloadNow(), S_FALSE);  // locked

  ComPtr<IClassFactory> again;
  ASSERT_EQ(server.getClassObject(probe::kClsid, IID_IClassFactory, again.outVoid()), S_OK);
  again->LockServer(0);
  again->LockServer(0);  // more unlocks than locks do not go below zero
  again.reset();
  EXPECT_EQ(server.lockCount(), 0);
  EXPECT_EQ(server.canUnloadNow(), S_OK);
}

TEST_F(ServerTest, AClassObjectMakesObjectsOnlyOnItsOwnThread) {
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(server.getClassObject(probe::kClsid, IID_IClassFactory, factory.outVoid()), S_OK);
  HRESULT created = S_OK, locked = S_OK;
  void* object = &created;
  std::thread([&] {
    created = factory->CreateInstance(nullptr, IID_IDispatch, &object);
    locked = factory->LockServer(1);
  }).join();
  EXPECT_EQ(created, RPC_E_WRONG_THREAD);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(locked, RPC_E_WRONG_THREAD);
  EXPECT_EQ(server.lockCount(), 0);
  EXPECT_EQ(server.objectCount(), 1);  // the factory alone

  // A class object of the other thread's own makes its objects there.
  HRESULT own = E_FAIL;
  std::thread([&] {
    ComPtr<IClassFactory> theirs;
    ComPtr<IDispatch> made;
    if (server.getClassObject(probe::kClsid, IID_IClassFactory, theirs.outVoid()) == S_OK)
      own = theirs->CreateInstance(nullptr, IID_IDispatch, made.outVoid());
  }).join();
  EXPECT_EQ(own, S_OK);
}

TEST_F(ServerTest, AFailingCreationReachesTheCreatorAsItsError) {
  server.add("CProbe", []() -> IUnknown* { platform::raise(platform::err::Overflow); });
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(server.getClassObject(probe::kClsid, IID_IClassFactory, factory.outVoid()), S_OK);
  void* object = nullptr;
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, &object), hr(0x800A0006u));
  EXPECT_EQ(object, nullptr);
  factory.reset();
  EXPECT_EQ(server.canUnloadNow(), S_OK);
}

}  // namespace
