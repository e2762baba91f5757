// CErrorHandler through the object boundary, as an outside caller sees it.
#include "diagnostics/error_handler_object.h"

#include <gtest/gtest.h>

#include <vector>

#include "diagnostics/handling.h"
#include "diagnostics_fixture.h"
#include "platform/com/error_info.h"
#include "platform/com/variant.h"
#include "platform/runtime/errors.h"
#include "typelib/typelib.h"

namespace {

namespace com = platform::com;
using com::ComVariant;
using diagnostics::classErrorNumber;
using kestrin_test::readFile;

class ErrorHandlerObjectTest : public diagnostics_test::DiagnosticsTest {
 protected:
  void SetUp() override {
    DiagnosticsTest::SetUp();
    // Created by its class identity, as a host creates it.
    const auto* coclass = kestrin::typelib::library().findClass("CErrorHandler");
    ASSERT_NE(coclass, nullptr);
    com::ComPtr<com::IClassFactory> factory;
    ASSERT_EQ(kestrin::typelib::componentServer().getClassObject(coclass->clsid, com::IID_IClassFactory,
                                                                 reinterpret_cast<void**>(factory.out())),
              com::S_OK);
    ASSERT_EQ(factory->CreateInstance(nullptr, com::IID_IDispatch, reinterpret_cast<void**>(object.out())), com::S_OK);
  }
  void TearDown() override {
    object.reset();
    DiagnosticsTest::TearDown();
  }

  struct Result {
    com::HRESULT code = com::S_OK;
    ComVariant value;
    com::EXCEPINFO exception{};
    ~Result() { com::ClearExcepInfo(&exception); }
  };

  // A late-bound call with the arguments in call order; a property let
  // passes its value as the named argument.
  void invoke(com::DISPID id, uint16_t flags, std::vector<ComVariant> args, Result& out) {
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
    out.code = object->Invoke(id, com::IID_NULL, 0, flags, &params, out.value.ptr(), &out.exception, &argError);
  }
  void call(com::DISPID id, std::vector<ComVariant> args, Result& out) {
    invoke(id, com::DISPATCH_METHOD, std::move(args), out);
  }
  ComVariant get(com::DISPID id) {
    Result r;
    invoke(id, com::DISPATCH_PROPERTYGET, {}, r);
    EXPECT_EQ(r.code, com::S_OK);
    return r.value;
  }

  com::ComPtr<com::IDispatch> object;
};

constexpr com::DISPID kInit = 0x6003000a, kCallStackPush = 0x6003000d, kHandleError = 0x6003000f;
constexpr com::DISPID kErrorHandlerActions = 0x68030007, kErrorLogFile = 0x68030005, kTracingFlags = 0x68030001,
                      kTracingLogFile = 0x68030000, kCallStackEnabled = 0x68030009, kErrorNumber = 0x68030004,
                      kErrorDescription = 0x68030008;

TEST(ErrorHandlerBindings, BindEveryMemberOfTheInterfaceWithItsArguments) {
  EXPECT_EQ(diagnostics::ErrorHandlerObject::bindings().problems(), std::vector<std::string>{});
}

TEST_F(ErrorHandlerObjectTest, AnInvalidActionsValueReachesTheCallerAs17402) {
  Result r;
  call(kInit, {ComVariant::i4(16)}, r);
  EXPECT_EQ(r.code, com::DISP_E_EXCEPTION);
  EXPECT_EQ(r.exception.scode, classErrorNumber(17402));
  EXPECT_EQ(com::toString(r.exception.bstrSource), "KestrinScriptEditor.CErrorHandler");
  EXPECT_EQ(com::toString(r.exception.bstrDescription), "Invalid error handler actions");
  EXPECT_EQ(get(kErrorHandlerActions).toLong(), 1);

  Result let;
  invoke(kErrorHandlerActions, com::DISPATCH_PROPERTYPUT, {ComVariant::i4(0)}, let);
  EXPECT_EQ(let.exception.scode, classErrorNumber(17402));
}

TEST_F(ErrorHandlerObjectTest, InitFillsOmittedArgumentsWithTheirDefaults) {
  Result r;
  call(kInit, {ComVariant::i4(3)}, r);
  ASSERT_EQ(r.code, com::S_OK);
  EXPECT_EQ(get(kErrorHandlerActions).toLong(), 3);
  EXPECT_EQ(get(kErrorLogFile).toText(), "Error Log.txt");
  EXPECT_FALSE(get(kCallStackEnabled).toBool());
  EXPECT_EQ(get(kTracingFlags).toLong(), 2);
  EXPECT_EQ(get(kTracingLogFile).toText(), "Tracing Log.txt");
}

TEST_F(ErrorHandlerObjectTest, ACallerTracesAndReportsThroughInvoke) {
  Result init;
  call(kInit,
       {ComVariant::i4(2), ComVariant::text(errorLog()), ComVariant::boolean(true), ComVariant::boolean(true),
        ComVariant::i4(2), ComVariant::text(traceLog())},
       init);
  ASSERT_EQ(init.code, com::S_OK);
  Result push;
  call(kCallStackPush, {ComVariant::text("Host::Run(Sub)")}, push);
  ASSERT_EQ(push.code, com::S_OK);
  Result report;
  call(kHandleError, {}, report);
  ASSERT_EQ(report.code, com::S_OK);
  EXPECT_EQ(report.value.toLong(), diagnostics::eErrorHandlerReturn_Abort);
  EXPECT_EQ(readFile(traceLog()), std::string(diagnostics_test::kStamp) + " --- Entered routine: Host::Run(Sub)\r\n");
  EXPECT_NE(readFile(errorLog()).find(" in Host::Run(Sub) at line 0\r\n"), std::string::npos);
}

TEST_F(ErrorHandlerObjectTest, AReportAfterASkippedStatementHoldsNoFailureOfIt) {
  Result init;
  call(kInit, {ComVariant::i4(2), ComVariant::text(errorLog()), ComVariant::boolean(true)}, init);
  ASSERT_EQ(init.code, com::S_OK);
  // A statement of this thread skipped under statement-by-statement handling.
  diagnostics::IgnoreFailures ignore;
  ASSERT_FALSE(ignore.step([] { platform::raise(platform::err::FileNotFound); }));

  Result push;
  call(kCallStackPush, {ComVariant::text("Host::Run(Sub)")}, push);
  Result report;
  call(kHandleError, {}, report);
  ASSERT_EQ(report.code, com::S_OK);
  EXPECT_EQ(get(kErrorNumber).toLong(), 0);
  EXPECT_EQ(get(kErrorDescription).toText(), "");
  EXPECT_NE(readFile(errorLog()).find(" --- Error: 0, () in Host::Run(Sub) at line 0\r\n"), std::string::npos)
      << readFile(errorLog());
}

TEST_F(ErrorHandlerObjectTest, AnEarlyBoundCallReturnsTheErrorAndLeavesItsInformation) {
  com::ComPtr<kestrin::typelib::_CErrorHandler> early;
  const auto* iface = kestrin::typelib::library().findInterface("_CErrorHandler");
  ASSERT_EQ(object->QueryInterface(iface->iid, reinterpret_cast<void**>(early.out())), com::S_OK);
  com::BSTR empty = nullptr;
  EXPECT_EQ(early->put_TracingLogFile(empty), classErrorNumber(17401));
  const auto e = com::errorFromResult(classErrorNumber(17401), early.get(), iface->iid);
  EXPECT_EQ(e.source(), "KestrinScriptEditor.CErrorHandler");
  EXPECT_EQ(e.description(), "Invalid file name");

  auto flags = kestrin::typelib::eTracingFlag_DebugPrint;
  EXPECT_EQ(early->put_TracingFlags(&flags), com::S_OK);
  EXPECT_EQ(get(kTracingFlags).toLong(), 1);
}

}  // namespace
