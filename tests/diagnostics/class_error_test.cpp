#include "diagnostics/class_error.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "diagnostics_fixture.h"

namespace {

using diagnostics::ClassErrors;
using kestrin_test::raisedError;

class ClassErrorTest : public diagnostics_test::DiagnosticsTest {};

constexpr ClassErrors kPrintErrors{"CPrintDialog", 17942};
constexpr ClassErrors kMemoryErrors{"CMemoryInformation", 17801};
constexpr ClassErrors kSettingErrors{"CAppSetting", 17028};

TEST(ClassErrorNumbers, AreTheComBasePlusTheBlockNumberAsSigned32Bit) {
  EXPECT_EQ(diagnostics::classErrorNumber(17401), -2147204103);
  EXPECT_EQ(diagnostics::classErrorNumber(17404), -2147204100);
  EXPECT_EQ(diagnostics::classErrorNumber(19002), static_cast<int32_t>(0x80044A3Au));
}

TEST_F(ClassErrorTest, AnOwnCheckReachesTheCallerWithItsNumberSourceAndText) {
  const auto e = raisedError([] { kPrintErrors.member([] { kPrintErrors.raise(17941, "Invalid flags"); }); });
  EXPECT_EQ(e.number(), diagnostics::classErrorNumber(17941));
  EXPECT_EQ(e.source(), "KestrinScriptEditor.CPrintDialog");
  EXPECT_EQ(e.description(), "Invalid flags");
}

TEST_F(ClassErrorTest, AnyOtherFailureBecomesTheCatchAllAndDropsItsCause) {
  const auto fromRuntime = raisedError([] { kPrintErrors.member([] { platform::raise(platform::err::Overflow); }); });
  EXPECT_EQ(fromRuntime.number(), diagnostics::classErrorNumber(17942));
  EXPECT_EQ(fromRuntime.source(), "KestrinScriptEditor.CPrintDialog");
  EXPECT_EQ(fromRuntime.description(), "CPrintDialog component failure");

  const auto fromLibrary =
      raisedError([] { kMemoryErrors.member([]() -> int { throw std::runtime_error("broken"); }); });
  EXPECT_EQ(fromLibrary.number(), diagnostics::classErrorNumber(17801));
  EXPECT_EQ(fromLibrary.source(), "KestrinScriptEditor.CMemoryInformation");
  EXPECT_EQ(fromLibrary.description(), "CMemoryInformation component failure");
}

TEST_F(ClassErrorTest, AnotherObjectsOwnErrorBecomesTheCallersCatchAll) {
  const auto e = raisedError(
      [] { kMemoryErrors.member([] { kPrintErrors.member([] { kPrintErrors.raise(17941, "Invalid flags"); }); }); });
  EXPECT_EQ(e.number(), diagnostics::classErrorNumber(17801));
  EXPECT_EQ(e.description(), "CMemoryInformation component failure");
}

TEST_F(ClassErrorTest, AnErrorWithAnotherSourceSuffixStillPassesAsTheMembersOwn) {
  constexpr ClassErrors kSettingsErrors{"CAppSettings", 17028};
  const auto e = raisedError([&] { kSettingsErrors.member([] { kSettingErrors.raise(17021, "Invalid section"); }); });
  EXPECT_EQ(e.number(), diagnostics::classErrorNumber(17021));
  EXPECT_EQ(e.source(), "KestrinScriptEditor.CAppSetting");
}

TEST_F(ClassErrorTest, AMemberGivesBackItsBodysResult) {
  EXPECT_EQ(kPrintErrors.member([] { return 42; }), 42);
}

}  // namespace
