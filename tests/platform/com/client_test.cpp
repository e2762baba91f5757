#include <gtest/gtest.h>

#include <dlfcn.h>

#include "common/temp_dir.h"
#include "platform/com/client.h"
#include "platform/com/invoke_helper.h"
#include "platform/com/registry_helper.h"
#include "platform/com/server/probe.h"
#include "platform/win32/registry.h"

namespace {

using namespace platform::com;

// The test server library, registered in a temporary hive through its own
// exported entry points.
class Activation : public ::testing::Test {
 protected:
  using Entry = HRESULT (*)();
  Activation() {
    platform::setRegistryFolder(hive.path());
    library = ::dlopen(KESTRIN_TEST_COM_SERVER, RTLD_NOW | RTLD_LOCAL);
    if (!library) return;
    reg = reinterpret_cast<Entry>(::dlsym(library, "DllRegisterServer"));
    unreg = reinterpret_cast<Entry>(::dlsym(library, "DllUnregisterServer"));
    canUnload = reinterpret_cast<Entry>(::dlsym(library, "DllCanUnloadNow"));
    objects = reinterpret_cast<long (*)()>(::dlsym(library, "ProbeObjectCount"));
  }
  ~Activation() override {
    while (isInitializedOnThisThread()) CoUninitialize();
    if (library) ::dlclose(library);
    platform::setRegistryFolder("");
  }

  kestrin_test::TempDir hive;
  void* library = nullptr;
  Entry reg = nullptr, unreg = nullptr, canUnload = nullptr;
  long (*objects)() = nullptr;
};

TEST_F(Activation, AClassIsCreatedByProgIdThroughTheRegistry) {
  ASSERT_NE(library, nullptr) << ::dlerror();
  ASSERT_EQ(reg(), S_OK);
  char resolved[4096];
  ASSERT_NE(::realpath(KESTRIN_TEST_COM_SERVER, resolved), nullptr);
  EXPECT_EQ(com_test::textValue("CLSID\\" + formatGuid(probe::kClsid) + "\\InprocServer32"), std::string(resolved));

  ASSERT_EQ(CoInitialize(nullptr), S_OK);
  EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
  CoUninitialize();

  CLSID clsid;
  ASSERT_EQ(CLSIDFromProgID("KestrinComTest.CProbe", &clsid), S_OK);
  EXPECT_EQ(clsid, probe::kClsid);

  ComPtr<IDispatch> object;
  ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, object.outVoid()), S_OK);
  EXPECT_EQ(loadedServerCount(), 1u);
  EXPECT_EQ(objects(), 1);
  EXPECT_EQ(canUnload(), S_FALSE);

  com_test::Invocation sum;
  com_test::call(object.get(), probe::idAdd, {ComVariant::i4(20)}, sum);
  ASSERT_EQ(sum.result, S_OK);
  EXPECT_EQ(sum.value.toLong(), 30);

  // a library still in use stays loaded
  CoFreeUnusedLibraries();
  EXPECT_EQ(loadedServerCount(), 1u);
  object.reset();
  EXPECT_EQ(canUnload(), S_OK);
  CoFreeUnusedLibraries();
  EXPECT_EQ(loadedServerCount(), 0u);

  ASSERT_EQ(unreg(), S_OK);
  EXPECT_EQ(CLSIDFromProgID("KestrinComTest.CProbe", &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(CoCreateInstance(probe::kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, object.outVoid()),
            REGDB_E_CLASSNOTREG);
}

TEST_F(Activation, CreationFailsPlainlyWhenSomethingIsMissing) {
  ComPtr<IDispatch> object;
  EXPECT_EQ(CoCreateInstance(probe::kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, object.outVoid()),
            CO_E_NOTINITIALIZED);
  ASSERT_EQ(CoInitialize(nullptr), S_OK);

  CLSID clsid;
  EXPECT_EQ(CLSIDFromProgID("KestrinComTest.Nothing", &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(CLSIDFromProgID("{3E9A1F60-2B7C-4D8E-9F01-A2B3C4D5E6F7}", &clsid), S_OK);
  EXPECT_EQ(clsid, probe::kClsid);

  const std::string key = "CLSID\\" + formatGuid(probe::kClsid) + "\\InprocServer32";
  com_test::writeText(key, "", hive.file("missing.so"));
  EXPECT_EQ(CoCreateInstance(probe::kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, object.outVoid()),
            CO_E_DLLNOTFOUND);
  EXPECT_EQ(object.get(), nullptr);
  // a library that is no server
  com_test::writeText(key, "", std::string(KESTRIN_EDITOR_DIR) + "/libkestrin_platform.so");
  EXPECT_EQ(CoCreateInstance(probe::kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, object.outVoid()),
            CO_E_ERRORINDLL);
  EXPECT_EQ(loadedServerCount(), 0u);
  auto outer = probe::CProbe::create();
  EXPECT_EQ(CoCreateInstance(probe::kClsid, static_cast<IDispatch*>(outer.get()), CLSCTX_INPROC_SERVER, IID_IDispatch,
                             object.outVoid()),
            CLASS_E_NOAGGREGATION);
}

}  // namespace
