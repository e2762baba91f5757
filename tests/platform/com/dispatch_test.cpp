#include <gtest/gtest.h>

#include <thread>

#include "platform/com/dispatch.h"
#include "platform/com/error_info.h"
#include "platform/com/invoke_helper.h"
#include "platform/com/server/probe.h"

namespace {

using namespace platform::com;
using com_test::call;
using com_test::Invocation;
using com_test::invoke;

class Dispatch : public ::testing::Test {
 protected:
  ComPtr<probe::CProbe> object = probe::CProbe::create();
  IDispatch* dispatch() { return static_cast<IDispatch*>(object.get()); }
};

TEST_F(Dispatch, TheBindingTableFitsTheInterface) { EXPECT_TRUE(probe::CProbe::bindings().problems().empty()); }

TEST_F(Dispatch, ABindingTableThatDoesNotFitSaysWhy) {
  BindingTable<probe::CProbe> broken(probe::library().findInterface("_CProbe"),
                                     {method<&probe::CProbe::add>(probe::idGreet), method<&probe::CProbe::add>(0x123)});
  const auto problems = broken.problems();
  auto mentions = [&](const std::string& text) {
    for (const auto& p : problems)
      if (p.find(text) != std::string::npos) return true;
    return false;
  };
  EXPECT_TRUE(mentions("binding 291 has no member"));
  EXPECT_TRUE(mentions("Decorate is not bound"));
}

TEST_F(Dispatch, NamesAreFoundWithoutRegardToCase) {
  for (const char* name : {"Greet", "greet", "GREET", "gReEt"}) {
    DISPID id = 0;
    EXPECT_EQ(dispatch()->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK) << name;
    EXPECT_EQ(id, probe::idGreet) << name;
  }
  const char* names[] = {"GREET", "greeting", "NAME"};
  DISPID ids[3] = {};
  ASSERT_EQ(dispatch()->GetIDsOfNames(IID_NULL, names, 3, 0, ids), S_OK);
  EXPECT_EQ(ids[1], 1);
  EXPECT_EQ(ids[2], 0);

  const char* unknown[] = {"Greeting"};
  DISPID id = 0;
  EXPECT_EQ(dispatch()->GetIDsOfNames(IID_NULL, unknown, 1, 0, &id), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(id, DISPID_UNKNOWN);
}

TEST_F(Dispatch, AnOmittedOptionalArgumentTakesItsDefault) {
  Invocation left;
  call(dispatch(), probe::idGreet, {ComVariant::text("World")}, left);
  ASSERT_EQ(left.result, S_OK);
  EXPECT_EQ(left.value.toText(), "Hello, World");

  Invocation marked;
  call(dispatch(), probe::idGreet, {ComVariant::text("World"), ComVariant::missing()}, marked);
  ASSERT_EQ(marked.result, S_OK);
  EXPECT_EQ(marked.value.toText(), "Hello, World");

  Invocation given;
  call(dispatch(), probe::idAdd, {ComVariant::i4(1), ComVariant::i4(2)}, given);
  EXPECT_EQ(given.value.toLong(), 3);
  Invocation defaulted;
  call(dispatch(), probe::idAdd, {ComVariant::i4(1)}, defaulted);
  EXPECT_EQ(defaulted.value.toLong(), 11);

  // an optional variant without default arrives as the missing marker
  Invocation echo;
  call(dispatch(), probe::idEcho, {}, echo);
  EXPECT_EQ(echo.value.toText(), "missing");
}

TEST_F(Dispatch, AByReferenceStringIsWrittenBack) {
  BSTR text = SysAllocString("x");
  Invocation inv;
  call(dispatch(), probe::idDecorate, {ComVariant::ref(&text)}, inv);
  ASSERT_EQ(inv.result, S_OK);
  EXPECT_EQ(toString(text), "[x]");
  SysFreeString(text);

  // passed by value, the caller's variant stays as it was
  ComVariant byValue = ComVariant::text("y");
  Invocation copy;
  call(dispatch(), probe::idDecorate, {byValue}, copy);
  EXPECT_EQ(copy.result, S_OK);
  EXPECT_EQ(byValue.toText(), "y");
}

TEST_F(Dispatch, AByReferenceArgumentOfAnotherTypeIsWrittenBackInItsOwnType) {
  BSTR text = SysAllocString("41");
  Invocation fromText;
  call(dispatch(), probe::idIncrement, {ComVariant::ref(&text)}, fromText);
  ASSERT_EQ(fromText.result, S_OK);
  EXPECT_EQ(toString(text), "42");
  SysFreeString(text);

  int16_t small = 7;
  Invocation fromInteger;
  call(dispatch(), probe::idIncrement, {ComVariant::ref(&small)}, fromInteger);
  ASSERT_EQ(fromInteger.result, S_OK);
  EXPECT_EQ(small, 8);

  VARIANT inner{};
  inner.vt = VT_R8;
  inner.dblVal = 1.0;
  Invocation fromVariant;
  call(dispatch(), probe::idIncrement, {ComVariant::ref(&inner)}, fromVariant);
  ASSERT_EQ(fromVariant.result, S_OK);
  // a variant variable has no type of its own: it takes the declared one
  EXPECT_EQ(inner.vt, VT_I4);
  EXPECT_EQ(inner.lVal, 2);

  int32_t shade = probe::eShade_Light;
  Invocation enumerated;
  call(dispatch(), probe::idDarken, {ComVariant::ref(&shade)}, enumerated);
  ASSERT_EQ(enumerated.result, S_OK);
  EXPECT_EQ(shade, probe::eShade_Dark);

  // a value that does not fit back is reported, and the variable is kept
  int16_t top = 32767;
  Invocation overflow;
  call(dispatch(), probe::idIncrement, {ComVariant::ref(&top)}, overflow);
  EXPECT_EQ(overflow.result, DISP_E_OVERFLOW);
  EXPECT_EQ(top, 32767);
}

TEST_F(Dispatch, ArgumentsAreCoercedToTheDeclaredTypes) {
  Invocation numberForText;
  call(dispatch(), probe::idGreet, {ComVariant::i4(42)}, numberForText);
  ASSERT_EQ(numberForText.result, S_OK);
  EXPECT_EQ(numberForText.value.toText(), "Hello, 42");

  Invocation textForNumber;
  call(dispatch(), probe::idAdd, {ComVariant::text("12"), ComVariant::r8(2.5)}, textForNumber);
  ASSERT_EQ(textForNumber.result, S_OK);
  EXPECT_EQ(textForNumber.value.vt(), VT_I4);
  EXPECT_EQ(textForNumber.value.toLong(), 14);
}

TEST_F(Dispatch, AWrongArgumentCountIsRefused) {
  Invocation none;
  call(dispatch(), probe::idAdd, {}, none);
  EXPECT_EQ(none.result, DISP_E_BADPARAMCOUNT);
  Invocation tooMany;
  call(dispatch(), probe::idAdd, {ComVariant::i4(1), ComVariant::i4(2), ComVariant::i4(3)}, tooMany);
  EXPECT_EQ(tooMany.result, DISP_E_BADPARAMCOUNT);
  Invocation getWithArgument;
  invoke(dispatch(), probe::idCount, DISPATCH_PROPERTYGET, {ComVariant::i4(1)}, getWithArgument);
  EXPECT_EQ(getWithArgument.result, DISP_E_BADPARAMCOUNT);
}

TEST_F(Dispatch, ATypeMismatchNamesTheArgument) {
  Invocation inv;
  call(dispatch(), probe::idAdd, {ComVariant::i4(1), ComVariant::text("abc")}, inv);
  EXPECT_EQ(inv.result, DISP_E_TYPEMISMATCH);
  EXPECT_EQ(inv.argError, 0u);  // the last argument comes first
  Invocation first;
  call(dispatch(), probe::idAdd, {ComVariant::null(), ComVariant::i4(1)}, first);
  EXPECT_EQ(first.result, DISP_E_TYPEMISMATCH);
  EXPECT_EQ(first.argError, 1u);
}

TEST_F(Dispatch, ARequiredArgumentMarkedMissingIsNotOptional) {
  Invocation inv;
  call(dispatch(), probe::idAdd, {ComVariant::missing(), ComVariant::i4(2)}, inv);
  EXPECT_EQ(inv.result, DISP_E_PARAMNOTOPTIONAL);
  EXPECT_EQ(inv.argError, 1u);
}

TEST_F(Dispatch, MembersAreChosenByIdAndKind) {
  Invocation unknown;
  call(dispatch(), 0x0BAD, {}, unknown);
  EXPECT_EQ(unknown.result, DISP_E_MEMBERNOTFOUND);
  Invocation putOnMethod;
  invoke(dispatch(), probe::idAdd, DISPATCH_PROPERTYPUT, {ComVariant::i4(1)}, putOnMethod);
  EXPECT_EQ(putOnMethod.result, DISP_E_MEMBERNOTFOUND);
  Invocation methodAlone;
  invoke(dispatch(), probe::idAdd, DISPATCH_METHOD, {ComVariant::i4(1)}, methodAlone);
  EXPECT_EQ(methodAlone.result, S_OK);

  // a let and a put are both invoked as property puts
  Invocation let, put, count, name;
  invoke(dispatch(), probe::idCount, DISPATCH_PROPERTYPUT, {ComVariant::text("5")}, let);
  ASSERT_EQ(let.result, S_OK);
  invoke(dispatch(), probe::idName, DISPATCH_PROPERTYPUT, {ComVariant::text("n")}, put);
  ASSERT_EQ(put.result, S_OK);
  invoke(dispatch(), probe::idCount, DISPATCH_PROPERTYGET, {}, count);
  EXPECT_EQ(count.value.vt(), VT_I4);
  EXPECT_EQ(count.value.toLong(), 5);
  invoke(dispatch(), probe::idName, DISPATCH_PROPERTYGET, {}, name);
  EXPECT_EQ(name.value.toText(), "n");

  DISPPARAMS params;
  EXPECT_EQ(
      dispatch()->Invoke(probe::idCount, IID_IDispatch, 0, DISPATCH_PROPERTYGET, &params, nullptr, nullptr, nullptr),
      DISP_E_UNKNOWNINTERFACE);
}

TEST_F(Dispatch, AnotherThreadIsRefusedEveryCallButItsReferences) {
  const char* name = "Greet";
  HRESULT queried = S_OK, typeInfos = S_OK, named = S_OK, invoked = S_OK, early = S_OK, supports = S_OK;
  void* other = &name;
  ULONG added = 0, released = 0;
  std::thread([&] {
    queried = dispatch()->QueryInterface(IID_IUnknown, &other);
    uint32_t count = 5;
    typeInfos = dispatch()->GetTypeInfoCount(&count);
    DISPID id = 0;
    named = dispatch()->GetIDsOfNames(IID_NULL, &name, 1, 0, &id);
    DISPPARAMS params;
    ComVariant result;
    invoked =
        dispatch()->Invoke(probe::idCount, IID_NULL, 0, DISPATCH_PROPERTYGET, &params, result.ptr(), nullptr, nullptr);
    int32_t sum = 0;
    early = object->Add(1, 2, &sum);
    supports = object->InterfaceSupportsErrorInfo(probe::kIid);
    added = object->AddRef();
    released = object->Release();
  }).join();
  EXPECT_EQ(queried, RPC_E_WRONG_THREAD);
  EXPECT_EQ(other, nullptr);
  EXPECT_EQ(typeInfos, RPC_E_WRONG_THREAD);
  EXPECT_EQ(named, RPC_E_WRONG_THREAD);
  EXPECT_EQ(invoked, RPC_E_WRONG_THREAD);
  EXPECT_EQ(early, RPC_E_WRONG_THREAD);
  EXPECT_EQ(supports, RPC_E_WRONG_THREAD);
  EXPECT_EQ(added, 2u);
  EXPECT_EQ(released, 1u);

  // Its own thread is answered as before.
  int32_t sum = 0;
  EXPECT_EQ(object->Add(1, 2, &sum), S_OK);
  EXPECT_EQ(sum, 3);
  DISPID id = 0;
  EXPECT_EQ(dispatch()->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
}

TEST_F(Dispatch, NamedArgumentsReachTheirParameters) {
  ComVariant args[] = {ComVariant::text("Hi"), ComVariant::text("You")};  // Greeting, Name
  DISPID named[] = {1, 0};
  DISPPARAMS params{&args[0].get(), named, 2, 2};
  ComVariant result;
  ASSERT_EQ(dispatch()->Invoke(probe::idGreet, IID_NULL, 0, DISPATCH_METHOD, &params, result.ptr(), nullptr, nullptr),
            S_OK);
  EXPECT_EQ(result.toText(), "Hi, You");
}

TEST_F(Dispatch, AnErrorRaisedByAMemberReachesTheCallerUnchanged) {
  const int32_t number = static_cast<int32_t>(0x80040000u + 17423);
  Invocation inv;
  call(dispatch(), probe::idFail, {ComVariant::i4(number), ComVariant::text("File not found")}, inv);
  ASSERT_EQ(inv.result, DISP_E_EXCEPTION);
  EXPECT_EQ(inv.exception.scode, number);
  EXPECT_EQ(toString(inv.exception.bstrSource), probe::kSource);
  EXPECT_EQ(toString(inv.exception.bstrDescription), "File not found");
  const auto error = errorFromExcepInfo(inv.exception);
  EXPECT_EQ(error.number(), number);

  Invocation runtime;
  call(dispatch(), probe::idOverflow, {}, runtime);
  ASSERT_EQ(runtime.result, DISP_E_EXCEPTION);
  EXPECT_EQ(runtime.exception.scode, hr(0x800A0006u));
  EXPECT_EQ(toString(runtime.exception.bstrDescription), "Overflow");
  EXPECT_EQ(errorFromExcepInfo(runtime.exception).number(), 6);
}

TEST_F(Dispatch, EarlyBoundCallsReturnTheErrorAndLeaveItsInformation) {
  probe::_CProbe* early = object.get();
  int32_t sum = 0;
  EXPECT_EQ(early->Add(2, 3, &sum), S_OK);
  EXPECT_EQ(sum, 5);

  const int32_t number = static_cast<int32_t>(0x80040000u + 19002);
  Bstr description("CMainFrontEnd component failure");
  EXPECT_EQ(early->Fail(number, description.get()), number);
  EXPECT_EQ(object->InterfaceSupportsErrorInfo(probe::kIid), S_OK);
  IErrorInfo* raw = nullptr;
  ASSERT_EQ(GetErrorInfo(0, &raw), S_OK);
  auto info = ComPtr<IErrorInfo>::adopt(raw);
  Bstr source, text;
  info->GetSource(source.out());
  info->GetDescription(text.out());
  EXPECT_EQ(source.str(), probe::kSource);
  EXPECT_EQ(text.str(), "CMainFrontEnd component failure");
  // taken once, the information is gone
  EXPECT_EQ(GetErrorInfo(0, &raw), S_FALSE);

  // a caller turns the result back into the error
  EXPECT_EQ(early->Fail(6, description.get()), hr(0x800A0006u));
  const auto error = errorFromResult(hr(0x800A0006u), early, probe::kIid);
  EXPECT_EQ(error.number(), 6);
  EXPECT_EQ(error.source(), probe::kSource);

  // a successful call clears what an earlier failure left
  early->Fail(number, description.get());
  early->Add(1, 1, &sum);
  EXPECT_EQ(GetErrorInfo(0, &raw), S_FALSE);
}

TEST_F(Dispatch, QueryInterfaceKeepsOneIdentityAndCountsReferences) {
  IUnknown* unknown = nullptr;
  IDispatch* disp = nullptr;
  void* dual = nullptr;
  ASSERT_EQ(object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
  ASSERT_EQ(object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&disp)), S_OK);
  ASSERT_EQ(object->QueryInterface(probe::kIid, &dual), S_OK);
  EXPECT_EQ(object->referenceCount(), 4u);
  // The error-information interface is the object's other IUnknown base:
  // its references go to the same count.
  ISupportErrorInfo* support = nullptr;
  ASSERT_EQ(object->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support)), S_OK);
  EXPECT_EQ(support->AddRef(), 6u);
  EXPECT_EQ(disp->Release(), 5u);
  EXPECT_EQ(disp->AddRef(), 6u);
  EXPECT_EQ(support->Release(), 5u);
  EXPECT_EQ(support->Release(), 4u);

  IUnknown* again = nullptr;
  ASSERT_EQ(disp->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&again)), S_OK);
  EXPECT_EQ(again, unknown);
  again->Release();

  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(object->QueryInterface(IID_IClassFactory, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(object->QueryInterface(IID_IUnknown, nullptr), E_POINTER);

  EXPECT_EQ(unknown->Release(), 3u);
  EXPECT_EQ(disp->Release(), 2u);
  EXPECT_EQ(static_cast<probe::_CProbe*>(dual)->Release(), 1u);
  EXPECT_EQ(object->AddRef(), 2u);
  EXPECT_EQ(object->Release(), 1u);
}

}  // namespace

namespace {

TEST(RuntimeValues, CrossTheBoundaryBothWays) {
  using platform::Variant;
  const Variant values[] = {Variant(),         Variant::null(), Variant(int16_t{-3}), Variant(int32_t{70000}),
                            Variant(2.25),     Variant(true),   Variant("text"),      Variant(platform::Date{45000.5}),
                            Variant::nothing()};
  const VARTYPE kinds[] = {VT_EMPTY, VT_NULL, VT_I2, VT_I4, VT_R8, VT_BOOL, VT_BSTR, VT_DATE, VT_DISPATCH};
  for (size_t i = 0; i < std::size(values); ++i) {
    ComVariant v;
    setRuntimeValue(v.get(), values[i]);
    EXPECT_EQ(v.vt(), kinds[i]) << i;
    EXPECT_EQ(runtimeValueOf(v.get()), values[i]) << i;
  }
  // an object the runtime cannot hold as a value is a type mismatch
  auto object = probe::CProbe::create();
  ComVariant held = ComVariant::dispatch(static_cast<IDispatch*>(object.get()));
  try {
    runtimeValueOf(held.get());
    ADD_FAILURE() << "no error";
  } catch (const platform::RuntimeError& e) {
    EXPECT_EQ(e.number(), 13);
  }
}

}  // namespace
