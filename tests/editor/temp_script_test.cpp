// CTempScript through the component's server: its serial numbers, its
// path and the error of its path members; and the class's error module.
#include "editor/CTempScript.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "editor/modClassIDGenerator.h"
#include "editor/modErrorHandling.h"
#include "platform/com/bstr.h"
#include "platform/com/error_info.h"
#include "platform/com/result.h"
#include "platform/com/variant.h"
#include "platform/runtime/errors.h"
#include "typelib/typelib.h"

namespace {

namespace com = platform::com;
using kestrin::editor::CTempScript;
namespace modClassIDGenerator = kestrin::editor::modClassIDGenerator;
namespace modErrorHandling = kestrin::editor::modErrorHandling;

constexpr com::DISPID kFullPath = 0x68030001;
constexpr com::DISPID kClassDebugID = 0x68030000;
constexpr int32_t kUnknownErrorNumber = static_cast<int32_t>(0x8004270Fu);
constexpr const char* kUnknownError = "An unknown error has occurred!";

// Runs the body on a thread of its own, whose serial numbers start afresh.
void onNewThread(const std::function<void()>& body) { std::thread(body).join(); }

// What creating an object through the server gives: its result and the
// object.
struct Created {
  com::HRESULT code = com::E_FAIL;
  com::ComPtr<com::IDispatch> object;
};
Created create() {
  Created out;
  const auto* coclass = kestrin::typelib::library().findClass("CTempScript");
  if (!coclass) return out;
  com::ComPtr<com::IClassFactory> factory;
  out.code = kestrin::typelib::componentServer().getClassObject(coclass->clsid, com::IID_IClassFactory,
                                                                reinterpret_cast<void**>(factory.out()));
  if (out.code != com::S_OK) return out;
  out.code = factory->CreateInstance(nullptr, com::IID_IDispatch, reinterpret_cast<void**>(out.object.out()));
  return out;
}

struct Result {
  com::HRESULT code = com::S_OK;
  com::ComVariant value;
  com::EXCEPINFO exception{};
  ~Result() { com::ClearExcepInfo(&exception); }
};
void invoke(com::IDispatch& object, com::DISPID id, uint16_t flags, std::vector<com::ComVariant> args, Result& out) {
  std::vector<com::VARIANT> lastFirst;
  for (auto it = args.rbegin(); it != args.rend(); ++it) lastFirst.push_back(it->get());
  com::DISPID put = com::DISPID_PROPERTYPUT;
  com::DISPPARAMS params;
  params.rgvarg = lastFirst.empty() ? nullptr : lastFirst.data();
  params.cArgs = static_cast<uint32_t>(lastFirst.size());
  if (flags & com::DISPATCH_PROPERTYPUT) {
    params.rgdispidNamedArgs = &put;
    params.cNamedArgs = 1;
  }
  uint32_t argError = 0;
  out.code = object.Invoke(id, com::IID_NULL, 0, flags, &params, out.value.ptr(), &out.exception, &argError);
}
void putPath(com::IDispatch& object, const std::string& path, Result& out) {
  invoke(object, kFullPath, com::DISPATCH_PROPERTYPUT, {com::ComVariant::text(path)}, out);
}
std::string getPath(com::IDispatch& object) {
  Result r;
  invoke(object, kFullPath, com::DISPATCH_PROPERTYGET, {}, r);
  EXPECT_EQ(r.code, com::S_OK);
  return r.value.toText();
}
com::ComVariant debugId(com::IDispatch& object) {
  Result r;
  invoke(object, kClassDebugID, com::DISPATCH_PROPERTYGET, {}, r);
  EXPECT_EQ(r.code, com::S_OK);
  return com::ComVariant::copyOf(r.value.get());
}

TEST(CTempScriptBindings, BindEveryMemberOfTheInterface) {
  EXPECT_EQ(CTempScript::bindings().problems(), std::vector<std::string>{});
}

TEST(CTempScript, SerialNumbersCountFromOneInEachThreadAndStayWhenThePathChanges) {
  onNewThread([] {
    Created first = create(), second = create();
    ASSERT_EQ(first.code, com::S_OK);
    ASSERT_EQ(second.code, com::S_OK);
    const com::ComVariant id = debugId(*first.object.get());
    EXPECT_EQ(id.vt(), com::VT_I4);
    EXPECT_EQ(id.toLong(), 1);
    EXPECT_EQ(debugId(*second.object.get()).toLong(), 2);

    Result put;
    putPath(*first.object.get(), "/scripts/a.vbs", put);
    ASSERT_EQ(put.code, com::S_OK);
    EXPECT_EQ(debugId(*first.object.get()).toLong(), 1);
    // A released object's number is not given again.
    first.object.reset();
    EXPECT_EQ(debugId(*create().object.get()).toLong(), 3);
  });
  // Another thread counts on its own.
  onNewThread([] { EXPECT_EQ(debugId(*create().object.get()).toLong(), 1); });
}

TEST(CTempScript, ThePathIsEmptyAtFirstAndComesBackAsItWasPut) {
  Created made = create();
  ASSERT_EQ(made.code, com::S_OK);
  EXPECT_EQ(getPath(*made.object.get()), "");
  for (const std::string path : {"C:\\Scripts\\run me.vbs", " /tmp/ä b/_Temp.vbs ", ""}) {
    Result put;
    putPath(*made.object.get(), path, put);
    ASSERT_EQ(put.code, com::S_OK);
    EXPECT_EQ(getPath(*made.object.get()), path);
  }
}

// A failure inside either path member reaches the caller as the class's
// one error, with the member's own source.
TEST(CTempScript, AFailureInsideThePathMembersIsTheUnknownErrorWithTheMembersSource) {
  Created made = create();
  ASSERT_EQ(made.code, com::S_OK);
  struct FaultGone {
    ~FaultGone() { CTempScript::setMemberFault({}); }
  } faultGone;
  CTempScript::setMemberFault([] { platform::raise(platform::err::Overflow); });
  struct Case {
    uint16_t flags;
    const char* source;
  };
  for (const Case c : {Case{com::DISPATCH_PROPERTYPUT, "CTempScript:FullPath Property Let"},
                       Case{com::DISPATCH_PROPERTYGET, "CTempScript:FullPath Property Get"}}) {
    Result r;
    std::vector<com::ComVariant> args;
    if (c.flags == com::DISPATCH_PROPERTYPUT) args.push_back(com::ComVariant::text("/a.vbs"));
    invoke(*made.object.get(), kFullPath, c.flags, args, r);
    EXPECT_EQ(r.code, com::DISP_E_EXCEPTION);
    EXPECT_EQ(r.exception.scode, kUnknownErrorNumber);
    EXPECT_EQ(com::toString(r.exception.bstrSource), c.source);
    EXPECT_EQ(com::toString(r.exception.bstrDescription), kUnknownError);
  }

  // Early-bound, the number is the call's result, with the same information.
  com::ComPtr<kestrin::typelib::_CTempScript> early;
  const auto* iface = kestrin::typelib::library().findInterface("_CTempScript");
  ASSERT_EQ(made.object->QueryInterface(iface->iid, reinterpret_cast<void**>(early.out())), com::S_OK);
  com::Bstr path("/b.vbs");
  const com::HRESULT code = early->put_FullPath(path.get());
  EXPECT_EQ(code, kUnknownErrorNumber);
  const auto e = com::errorFromResult(code, early.get(), iface->iid);
  EXPECT_EQ(e.source(), "CTempScript:FullPath Property Let");
  EXPECT_EQ(e.description(), kUnknownError);

  CTempScript::setMemberFault({});
  // The failed put kept the path as it was.
  EXPECT_EQ(getPath(*made.object.get()), "");
  com::Bstr got;
  EXPECT_EQ(early->put_FullPath(path.get()), com::S_OK);
  EXPECT_EQ(early->get_FullPath(got.out()), com::S_OK);
  EXPECT_EQ(got.str(), "/b.vbs");
}

TEST(CTempScript, CreationAtTheCountersEndFailsWithTheOverflowAndMakesNoObject) {
  onNewThread([] {
    modClassIDGenerator::setCurrentClassDebugID(std::numeric_limits<int32_t>::max());
    const long before = kestrin::typelib::componentServer().objectCount();
    Created made = create();
    EXPECT_EQ(made.code, com::resultFromErrorNumber(platform::err::Overflow));
    EXPECT_FALSE(made.object);
    EXPECT_EQ(kestrin::typelib::componentServer().objectCount(), before);
    EXPECT_EQ(modClassIDGenerator::CurrentClassDebugID(), std::numeric_limits<int32_t>::max());
  });
}

TEST(ModErrorHandling, RaiseClassErrorAddsTheBaseAndAlwaysDescribesTheErrorAsUnknown) {
  for (const int32_t n : {5, 9999}) {
    try {
      modErrorHandling::RaiseClassError(n, "Caller:Member");
      ADD_FAILURE() << "nothing raised";
    } catch (const platform::RuntimeError& e) {
      EXPECT_EQ(static_cast<uint32_t>(e.number()), 0x80040000u + static_cast<uint32_t>(n));
      EXPECT_EQ(e.source(), "Caller:Member");
      EXPECT_EQ(e.description(), kUnknownError);
    }
  }
  EXPECT_EQ(modErrorHandling::LookupErrorText(0), kUnknownError);
}

}  // namespace
