#include "platform/runtime/convert.h"
#include "common/raised.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

#include "platform/runtime/checked_int.h"

namespace {

using platform::Variant;

// The runtime error number a call raises, or 0.
constexpr auto errorOf = [](auto&& f) { return kestrin_test::raisedNumber(f); };

TEST(Conversions, ToIntegerAndLongRoundHalvesToEvenAndRangeCheck) {
  struct Case {
    Variant in;
    int32_t lng;  // expected CLng, when error is 0
    int32_t error;
  };
  const Case cases[] = {
      {"2.5", 2, 0},
      {" 3.5", 4, 0},
      {-2.5, -2, 0},
      {"-3.5", -4, 0},
      {0.5, 0, 0},
      {1.5, 2, 0},
      {2.4999, 2, 0},
      {2.5001, 3, 0},
      {"  42  ", 42, 0},
      {"1e3", 1000, 0},
      {"&H1F", 31, 0},
      {"&HFFFF", -1, 0},
      {"+7", 7, 0},
      {true, -1, 0},
      {false, 0, 0},
      {Variant(), 0, 0},
      {2147483647.0, 2147483647, 0},
      {-2147483648.0, -2147483647 - 1, 0},
      {2147483647.5, 0, 6},
      {-2147483649.0, 0, 6},
      {"abc", 0, 13},
      {"", 0, 13},
      {"1,000", 0, 13},
      {"2abc", 0, 13},
      {Variant::null(), 0, 94},
      {platform::LongArray(0, 1), 0, 13},
  };
  for (const auto& c : cases) {
    int32_t got = 0;
    EXPECT_EQ(errorOf([&] { got = platform::cLng(c.in); }), c.error) << platform::typeName(c.in);
    if (c.error == 0) {
      EXPECT_EQ(got, c.lng) << (c.in.isString() ? *c.in.get<std::string>() : "");
    }
  }
}

TEST(Conversions, IntegerOverflowsOutsideSixteenBits) {
  EXPECT_EQ(platform::cInt("32767"), 32767);
  EXPECT_EQ(platform::cInt(-32768.5), -32768);  // half to even stays inside
  EXPECT_EQ(errorOf([] { platform::cInt(32767.5); }), 6);
  EXPECT_EQ(errorOf([] { platform::cInt(int32_t{40000}); }), 6);
  EXPECT_EQ(errorOf([] { platform::cInt("-32769"); }), 6);
  EXPECT_EQ(platform::cByte(255.4), 255);
  EXPECT_EQ(errorOf([] { platform::cByte(-1); }), 6);
}

TEST(Conversions, BooleanFromWordsNumbersAndNumericText) {
  struct Case {
    Variant in;
    bool value;
    int32_t error;
  };
  const Case cases[] = {
      {"True", true, 0}, {"FALSE", false, 0},   {"tRuE", true, 0},  {" true ", true, 0}, {"1", true, 0},
      {"0", false, 0},   {"-1", true, 0},       {"0.0", false, 0},  {"2.5", true, 0},    {0.0, false, 0},
      {-3, true, 0},     {Variant(), false, 0}, {"yes", false, 13}, {"", false, 13},     {Variant::null(), false, 94},
  };
  for (const auto& c : cases) {
    bool got = false;
    EXPECT_EQ(errorOf([&] { got = platform::cBool(c.in); }), c.error) << platform::typeName(c.in);
    if (c.error == 0) {
      EXPECT_EQ(got, c.value) << platform::cStr(c.in);
    }
  }
}

TEST(Conversions, ValuesToText) {
  struct Case {
    Variant in;
    const char* text;
  };
  const Case cases[] = {
      {int16_t{-5}, "-5"},
      {int32_t{123456}, "123456"},
      {2.5, "2.5"},
      {0.1 + 0.2, "0.3"},
      {1.0 / 3, "0.333333333333333"},
      {100.0, "100"},
      {-0.0, "0"},
      {1e15, "1E+15"},
      {123456789012345.0, "123456789012345"},
      {0.0001, "0.0001"},
      {0.000015, "1.5E-05"},
      {-2.5e-20, "-2.5E-20"},
      {1.5f, "1.5"},
      {true, "True"},
      {false, "False"},
      {Variant(), ""},
      {"text", "text"},
      {platform::makeDate(2004, 4, 29, 21, 5, 7), "29/04/2004 21:05:07"},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::cStr(c.in), c.text);
  EXPECT_EQ(errorOf([] { platform::cStr(Variant::null()); }), 94);
}

TEST(Conversions, TextToDoubleReadsTheFixedLocale) {
  EXPECT_DOUBLE_EQ(platform::textToDouble(" 2.75 "), 2.75);
  EXPECT_DOUBLE_EQ(platform::textToDouble("1D2"), 100);
  EXPECT_DOUBLE_EQ(platform::textToDouble("-.5e1"), -5);
  EXPECT_EQ(errorOf([] { platform::textToDouble("2,75"); }), 13);
  EXPECT_EQ(errorOf([] { platform::textToDouble("1e400"); }), 6);
  EXPECT_EQ(platform::textToDouble("1e-400"), 0);
}

TEST(Conversions, NumbersIgnoreTheProcessLocale) {
  // Needs a locale with a decimal comma; machines without one skip.
  const char* old = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = old ? old : "C";
  const char* names[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "nl_NL.UTF-8"};
  bool comma = false;
  for (const char* n : names) {
    if (std::setlocale(LC_NUMERIC, n) && std::string(std::localeconv()->decimal_point) == ",") {
      comma = true;
      break;
    }
  }
  if (!comma) {
    std::setlocale(LC_NUMERIC, saved.c_str());
    GTEST_SKIP() << "no locale with a decimal comma is installed";
  }
  const double parsed = platform::textToDouble("2.75");
  const std::string text = platform::cStr(2.75);
  const std::string small = platform::cStr(1.5e-7);
  const bool commaNumeric = platform::isNumeric("2,75");
  std::setlocale(LC_NUMERIC, saved.c_str());
  EXPECT_DOUBLE_EQ(parsed, 2.75);
  EXPECT_EQ(text, "2.75");
  EXPECT_EQ(small, "1.5E-07");
  EXPECT_FALSE(commaNumeric);
}

TEST(Conversions, IsNumericAcceptsBlanksSignPointAndExponent) {
  struct Case {
    Variant in;
    bool numeric;
  };
  const Case cases[] = {
      {"2.5", true},
      {" 2.5 ", true},
      {"-1", true},
      {"+.5", true},
      {"5.", true},
      {"1e5", true},
      {"1E-3", true},
      {"&HFF", true},
      {"\t7", true},
      {"1e", false},
      {"", false},
      {" ", false},
      {".", false},
      {"-", false},
      {"2 5", false},
      {"1,5", false},
      {"abc", false},
      {"2abc", false},
      {"1.2.3", false},
      {3, true},
      {true, true},
      {Variant(), true},
      {Variant::null(), false},
      {platform::makeDate(2004, 1, 1), false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(platform::isNumeric(c.in), c.numeric)
        << (c.in.isString() ? *c.in.get<std::string>() : platform::typeName(c.in));
}

TEST(Conversions, ValReadsTheLongestLeadingNumber) {
  struct Case {
    const char* in;
    double value;
  };
  const Case cases[] = {
      {"2abc", 2},    {" 2 5", 25}, {"abc", 0},  {"", 0},        {"  -3.5", -3.5}, {"1.2.3", 1.2},
      {"1e3x", 1000}, {"1e", 1},    {"- 4", -4}, {"\t1\n2", 12}, {".5", 0.5},      {"&H1F", 31},
      {"&O17", 15},   {"12,5", 12}, {"\r5", 0},  {"3 .5", 3.5},  {"+", 0},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(platform::val(c.in), c.value) << c.in;
}

TEST(Conversions, IntAndFix) {
  struct Case {
    double in, intPart, fix;
  };
  const Case cases[] = {{2.5, 2, 2}, {-2.5, -3, -2}, {-2.0, -2, -2}, {0.9, 0, 0}, {-0.1, -1, 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(platform::intPart(c.in), c.intPart) << c.in;
    EXPECT_EQ(platform::fix(c.in), c.fix) << c.in;
  }
}

TEST(Conversions, DatesFromTextAndNumbers) {
  EXPECT_EQ(platform::cDate("29/04/2004 21:05"), platform::makeDate(2004, 4, 29, 21, 5));
  EXPECT_EQ(platform::cDate("2004-04-29"), platform::makeDate(2004, 4, 29));
  EXPECT_EQ(platform::cDate("9:05 PM"), platform::timeSerial(21, 5, 0));
  EXPECT_EQ(platform::cDate(38106.5).serial, 38106.5);
  EXPECT_EQ(errorOf([] { platform::cDate("31/02/2004"); }), 13);
  EXPECT_EQ(errorOf([] { platform::cDate("soon"); }), 13);
  EXPECT_EQ(errorOf([] { platform::cDate("1/1/2004 " + std::string(100000, ' ') + "x"); }), 13);
  EXPECT_EQ(errorOf([] { platform::cDate(1e9); }), 6);
}

TEST(CheckedIntegers, SixteenBitCounterOverflowsInsteadOfWrapping) {
  platform::Int16 pos = 32766;
  ++pos;
  EXPECT_EQ(pos.value(), 32767);
  EXPECT_EQ(errorOf([&] { ++pos; }), 6);
  EXPECT_EQ(pos.value(), 32767);
  EXPECT_EQ(errorOf([] {
              platform::Int16 x = 40000;
              (void)x;
            }),
            6);
  EXPECT_EQ(errorOf([] { (void)(platform::Int16(-32768) * platform::Int16(-1)); }), 6);
  EXPECT_EQ(errorOf([] { (void)platform::Int16::fromDouble(32767.5); }), 6);
  EXPECT_EQ(platform::Int16::fromDouble(2.5).value(), 2);
  // Int16 with Int32 computes in 32 bits.
  const platform::Int32 wide = platform::Int16(30000) + platform::Int32(30000);
  EXPECT_EQ(wide.value(), 60000);
  EXPECT_EQ(errorOf([&] { (void)platform::Int16(wide); }), 6);
}

TEST(CheckedIntegers, LongArithmetic) {
  struct Case {
    char op;
    int32_t a, b, result, error;
  };
  const int32_t maxL = std::numeric_limits<int32_t>::max(), minL = std::numeric_limits<int32_t>::min();
  const Case cases[] = {
      {'+', maxL, 1, 0, 6},
      {'+', maxL - 1, 1, maxL, 0},
      {'-', minL, 1, 0, 6},
      {'*', 65536, 32768, 0, 6},
      {'*', -65536, 32768, minL, 0},
      {'/', 7, 2, 3, 0},
      {'/', -7, 2, -3, 0},
      {'/', minL, -1, 0, 6},
      {'/', 1, 0, 0, 11},
      {'%', -7, 2, -1, 0},
      {'%', 5, 0, 0, 11},
  };
  for (const auto& c : cases) {
    int32_t got = 0;
    const int32_t e = errorOf([&] {
      switch (c.op) {
        case '+': got = platform::addLong(c.a, c.b); break;
        case '-': got = platform::subLong(c.a, c.b); break;
        case '*': got = platform::mulLong(c.a, c.b); break;
        case '/': got = platform::divLong(c.a, c.b); break;
        default: got = platform::modLong(c.a, c.b); break;
      }
    });
    EXPECT_EQ(e, c.error) << c.a << c.op << c.b;
    if (!c.error) {
      EXPECT_EQ(got, c.result) << c.a << c.op << c.b;
    }
  }
}

}  // namespace
