#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "platform/com/bstr.h"
#include "platform/com/guid.h"
#include "platform/com/result.h"
#include "platform/com/variant.h"

namespace {

using namespace platform::com;

TEST(Guid, ParsesAndFormatsTheRegistryForm) {
  const auto g = parseGuid("{0fcfcda8-1889-4a50-ba89-8ea3e8585dc2}");
  ASSERT_TRUE(g);
  EXPECT_EQ(g->Data1, 0x0FCFCDA8u);
  EXPECT_EQ(g->Data2, 0x1889);
  EXPECT_EQ(g->Data3, 0x4A50);
  EXPECT_EQ(g->Data4[0], 0xBA);
  EXPECT_EQ(g->Data4[7], 0xC2);
  EXPECT_EQ(formatGuid(*g), "{0FCFCDA8-1889-4A50-BA89-8EA3E8585DC2}");
  EXPECT_EQ(formatGuid(IID_IDispatch), "{00020400-0000-0000-C000-000000000046}");
}

TEST(Guid, RejectsMalformedTexts) {
  for (const char* bad : {"", "0FCFCDA8-1889-4A50-BA89-8EA3E8585DC2", "{0FCFCDA8-1889-4A50-BA89-8EA3E8585DC}",
                          "{0FCFCDA8-1889-4A50-BA898EA3E8585DC2-}", "{0FCFCDA8-1889-4A50-BA89-8EA3E8585DCG}",
                          "{0FCFCDA8-1889-4A50-BA89-8EA3E8585DC2} "})
    EXPECT_FALSE(parseGuid(bad)) << bad;
}

TEST(Bstr, KeepsItsLengthAndEmbeddedNuls) {
  BSTR s = SysAllocStringLen("a\0b", 3);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(SysStringLen(s), 3u);
  EXPECT_EQ(toString(s), std::string("a\0b", 3));
  EXPECT_EQ(s[3], '\0');
  ASSERT_EQ(SysReAllocString(&s, "longer text"), 1);
  EXPECT_EQ(toString(s), "longer text");
  SysFreeString(s);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  EXPECT_EQ(toString(nullptr), "");
  SysFreeString(nullptr);
}

TEST(ResultCodes, RuntimeErrorsLeaveAs800AAndClassErrorsAsThemselves) {
  EXPECT_EQ(resultFromErrorNumber(6), hr(0x800A0006u));
  EXPECT_EQ(resultFromErrorNumber(65535), hr(0x800AFFFFu));
  EXPECT_EQ(resultFromErrorNumber(hr(0x80044A3Au)), hr(0x80044A3Au));
  // a number that would read as success is no success
  EXPECT_EQ(resultFromErrorNumber(0), E_FAIL);
  EXPECT_EQ(resultFromErrorNumber(70000), E_FAIL);
  EXPECT_EQ(errorNumberFromResult(hr(0x800A0006u)), 6);
  EXPECT_EQ(errorNumberFromResult(hr(0x8004270Fu)), hr(0x8004270Fu));
}

struct Coercion {
  ComVariant in;
  VARTYPE to;
  HRESULT result;
  ComVariant expected;
};

TEST(VariantChangeType, ConvertsAsTheRuntimeDoes) {
  const Coercion cases[] = {
      {ComVariant::i4(42), VT_BSTR, S_OK, ComVariant::text("42")},
      {ComVariant::r8(1.5), VT_BSTR, S_OK, ComVariant::text("1.5")},
      {ComVariant::boolean(true), VT_BSTR, S_OK, ComVariant::text("True")},
      {ComVariant(), VT_BSTR, S_OK, ComVariant::text("")},
      {ComVariant::text(" 12 "), VT_I4, S_OK, ComVariant::i4(12)},
      {ComVariant::text("2.5"), VT_I4, S_OK, ComVariant::i4(2)},
      {ComVariant::r8(3.5), VT_I2, S_OK, ComVariant::i2(4)},
      {ComVariant::text("&H1F"), VT_I4, S_OK, ComVariant::i4(31)},
      {ComVariant::text("abc"), VT_I4, DISP_E_TYPEMISMATCH, ComVariant()},
      {ComVariant::text(""), VT_I4, DISP_E_TYPEMISMATCH, ComVariant()},
      {ComVariant::i4(40000), VT_I2, DISP_E_OVERFLOW, ComVariant()},
      {ComVariant::r8(3e9), VT_I4, DISP_E_OVERFLOW, ComVariant()},
      {ComVariant::null(), VT_I4, DISP_E_TYPEMISMATCH, ComVariant()},
      {ComVariant::null(), VT_BSTR, DISP_E_TYPEMISMATCH, ComVariant()},
      {ComVariant(), VT_I4, S_OK, ComVariant::i4(0)},
      {ComVariant::i2(-1), VT_BOOL, S_OK, ComVariant::boolean(true)},
      {ComVariant::text("false"), VT_BOOL, S_OK, ComVariant::boolean(false)},
      {ComVariant::text("maybe"), VT_BOOL, DISP_E_TYPEMISMATCH, ComVariant()},
      {ComVariant::boolean(true), VT_I4, S_OK, ComVariant::i4(-1)},
      {ComVariant::text("x"), VT_DISPATCH, DISP_E_TYPEMISMATCH, ComVariant()},
  };
  for (const auto& c : cases) {
    ComVariant out;
    const HRESULT r = VariantChangeType(out.ptr(), &c.in.get(), 0, c.to);
    EXPECT_EQ(r, c.result) << "from vt " << c.in.vt() << " to " << c.to;
    if (r != S_OK) continue;
    ASSERT_EQ(out.vt(), c.to);
    switch (c.to) {
      case VT_BSTR: EXPECT_EQ(toString(out.get().bstrVal), toString(c.expected.get().bstrVal)); break;
      case VT_I4: EXPECT_EQ(out.get().lVal, c.expected.get().lVal); break;
      case VT_I2: EXPECT_EQ(out.get().iVal, c.expected.get().iVal); break;
      case VT_BOOL: EXPECT_EQ(out.get().boolVal, c.expected.get().boolVal); break;
      default: break;
    }
  }
}

TEST(VariantChangeType, ReadsThroughAReferenceAndConvertsInPlace) {
  BSTR text = SysAllocString("7");
  ComVariant ref = ComVariant::ref(&text);
  ComVariant out;
  ASSERT_EQ(VariantChangeType(out.ptr(), &ref.get(), 0, VT_I4), S_OK);
  EXPECT_EQ(out.get().lVal, 7);
  // converting a variant into itself frees what it held
  ComVariant self = ComVariant::text("8");
  ASSERT_EQ(VariantChangeType(self.ptr(), &self.get(), 0, VT_R8), S_OK);
  EXPECT_EQ(self.vt(), VT_R8);
  EXPECT_EQ(self.get().dblVal, 8.0);
  SysFreeString(text);
}

TEST(SafeArray, HoldsElementsOfItsTypeWithinItsBounds) {
  SAFEARRAY* a = SafeArrayCreateVector(VT_BSTR, 1, 3);
  ASSERT_NE(a, nullptr);
  int32_t lo = 0, hi = 0;
  SafeArrayGetLBound(a, 1, &lo);
  SafeArrayGetUBound(a, 1, &hi);
  EXPECT_EQ(lo, 1);
  EXPECT_EQ(hi, 3);
  int32_t i = 2;
  ComVariant n = ComVariant::i4(5);
  ASSERT_EQ(SafeArrayPutElement(a, &i, &n.get()), S_OK);
  ComVariant got;
  ASSERT_EQ(SafeArrayGetElement(a, &i, got.ptr()), S_OK);
  EXPECT_EQ(got.vt(), VT_BSTR);
  EXPECT_EQ(toString(got.get().bstrVal), "5");
  int32_t outside = 4;
  EXPECT_EQ(SafeArrayGetElement(a, &outside, got.ptr()), DISP_E_BADINDEX);
  // an array inside a variant is copied deeply and freed with it
  ComVariant holder;
  holder.get().vt = VT_ARRAY | VT_BSTR;
  holder.get().parray = a;
  ComVariant copy = holder;
  ASSERT_NE(copy.get().parray, a);
  ComVariant copied;
  ASSERT_EQ(SafeArrayGetElement(copy.get().parray, &i, copied.ptr()), S_OK);
  EXPECT_EQ(toString(copied.get().bstrVal), "5");
}

}  // namespace
