// A host that passes NULL for an interface or class id gets an error back,
// not a crash.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include "common/temp_dir.h"
#include "platform/com/client.h"
#include "platform/com/null_ids.h"
#include "platform/com/server/probe.h"
#include "platform/win32/registry.h"

namespace {

using namespace platform::com;

TEST(NullIds, EveryCallThatTakesAnIdRefusesNull) {
  kestrin_test::TempDir hive;
  platform::setRegistryFolder(hive.path());
  void* library = ::dlopen(KESTRIN_TEST_COM_SERVER, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << ::dlerror();
  auto reg = reinterpret_cast<HRESULT (*)()>(::dlsym(library, "DllRegisterServer"));
  ASSERT_EQ(reg(), S_OK);
  ASSERT_EQ(CoInitialize(nullptr), S_OK);

  NullIdCall calls[16] = {};
  const int n = nullIdCalls(&probe::kClsid, probe::idAdd, calls, 16);
  const struct {
    const char* call;
    HRESULT result;
  } expected[] = {
      {"CoCreateInstance, class id", E_INVALIDARG},    {"CoCreateInstance, interface id", E_INVALIDARG},
      {"CoGetClassObject, class id", E_INVALIDARG},    {"CoGetClassObject, interface id", E_INVALIDARG},
      {"IClassFactory::QueryInterface", E_INVALIDARG}, {"IClassFactory::CreateInstance", E_INVALIDARG},
      {"IDispatch::QueryInterface", E_INVALIDARG},     {"IDispatch::Invoke", E_INVALIDARG},
  };
  ASSERT_EQ(n, static_cast<int>(std::size(expected)));
  for (int i = 0; i < n; ++i) {
    EXPECT_STREQ(calls[i].call, expected[i].call);
    EXPECT_EQ(calls[i].result, expected[i].result) << calls[i].call;
    EXPECT_TRUE(calls[i].outLeftNull) << calls[i].call << " set its out pointer";
  }

  CoUninitialize();
  EXPECT_EQ(loadedServerCount(), 0u);  // nothing the refused calls made stays alive
  ::dlclose(library);
  platform::setRegistryFolder("");
}

}  // namespace
