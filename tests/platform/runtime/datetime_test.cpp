#include "platform/runtime/datetime.h"
#include "common/raised.h"

#include <gtest/gtest.h>

#include "platform/runtime/clock.h"
#include "platform/runtime/convert.h"
#include "platform/runtime/format.h"

namespace {

using platform::Date;
using platform::makeDate;

// The runtime error number a call raises, or 0.
constexpr auto errorOf = [](auto&& f) { return kestrin_test::raisedNumber(f); };

// Restores the system clock after a test that made it virtual.
struct VirtualClock {
  explicit VirtualClock(int64_t ms) { platform::setVirtualClock(ms); }
  ~VirtualClock() { platform::useRealClock(); }
};

TEST(Dates, SerialsCountDaysFromTheEndOf1899) {
  struct Case {
    int y, m, d, h, mi, s;
    double serial;
  };
  const Case cases[] = {
      {1899, 12, 30, 0, 0, 0, 0},     {1900, 1, 1, 0, 0, 0, 2},      {2004, 4, 29, 12, 0, 0, 38106.5},
      {1899, 12, 29, 6, 0, 0, -1.25}, {100, 1, 1, 0, 0, 0, -657434}, {9999, 12, 31, 0, 0, 0, 2958465},
  };
  for (const auto& c : cases) {
    const Date d = makeDate(c.y, c.m, c.d, c.h, c.mi, c.s);
    EXPECT_DOUBLE_EQ(d.serial, c.serial) << c.y << "-" << c.m << "-" << c.d;
    const auto p = platform::dateParts(d);
    EXPECT_EQ(p.year, c.y);
    EXPECT_EQ(p.month, c.m);
    EXPECT_EQ(p.day, c.d);
    EXPECT_EQ(p.hour, c.h);
  }
  EXPECT_EQ(platform::weekday(makeDate(2004, 4, 29)), 5);   // a Thursday
  EXPECT_EQ(platform::weekday(makeDate(1899, 12, 30)), 7);  // a Saturday
  EXPECT_EQ(errorOf([] { makeDate(2003, 2, 29); }), 5);
}

TEST(Dates, DateSerialAndTimeSerialCarryOver) {
  EXPECT_EQ(platform::dateSerial(2004, 13, 1), makeDate(2005, 1, 1));
  EXPECT_EQ(platform::dateSerial(2004, 3, 0), makeDate(2004, 2, 29));
  EXPECT_EQ(platform::dateSerial(2004, 0, 15), makeDate(2003, 12, 15));
  EXPECT_EQ(platform::dateSerial(4, 1, 1), makeDate(2004, 1, 1));
  EXPECT_EQ(platform::dateSerial(99, 1, 1), makeDate(1999, 1, 1));
  EXPECT_EQ(platform::longTimeText(platform::timeSerial(21, 5, 0)), "21:05:00");
  EXPECT_NEAR(platform::timePart(makeDate(2004, 4, 29, 21, 5)).serial, platform::timeSerial(21, 5, 0).serial, 1e-9);
  EXPECT_EQ(platform::generalDateText(platform::timeSerial(-1, 0, 0)), "29/12/1899 23:00:00");
  EXPECT_EQ(platform::hour(platform::timeSerial(25, 0, 0)), 1);
  EXPECT_EQ(platform::minute(platform::timeSerial(0, 90, 0)), 30);
  EXPECT_EQ(errorOf([] { platform::dateSerial(10000, 1, 1); }), 5);
}

TEST(Dates, NowComesFromTheProcessClockInWholeSeconds) {
  VirtualClock clock(platform::localMillisFrom(2004, 4, 29, 21, 5, 7) + 999);
  const Date n = platform::now();
  EXPECT_EQ(n, makeDate(2004, 4, 29, 21, 5, 7));
  EXPECT_EQ(platform::today(), makeDate(2004, 4, 29));
  EXPECT_EQ(platform::localMillisFromDate(n), platform::localMillisFrom(2004, 4, 29, 21, 5, 7));
  platform::advanceVirtualClock(60000);
  EXPECT_EQ(platform::minute(platform::now()), 6);
}

TEST(Dates, FixedFormsOfThePlatform) {
  const Date evening = makeDate(2004, 4, 29, 21, 5, 7);
  EXPECT_EQ(platform::shortDateText(evening), "29/04/2004");
  EXPECT_EQ(platform::longTimeText(evening), "21:05:07");
  EXPECT_EQ(platform::longDateText(evening), "Thursday, April 29, 2004");
  struct Case {
    Date d;
    const char* general;
  };
  const Case cases[] = {
      {evening, "29/04/2004 21:05:07"},
      {makeDate(2004, 4, 29), "29/04/2004"},  // exactly midnight: no time
      {makeDate(2004, 4, 29, 0, 0, 1), "29/04/2004 00:00:01"},
      {platform::timeSerial(9, 5, 0), "09:05:00"},  // no date part: no date
      {Date{38106.999999}, "30/04/2004"},           // rounds to the next midnight
  };
  for (const auto& c : cases) EXPECT_EQ(platform::generalDateText(c.d), c.general) << c.d.serial;
  EXPECT_EQ(errorOf([] { platform::generalDateText(Date{1e12}); }), 6);
}

TEST(Format, DatePatterns) {
  struct Case {
    Date d;
    const char* pattern;
    const char* out;
  };
  const Date evening = makeDate(2004, 4, 29, 21, 5, 7);
  const Date morning = makeDate(2004, 1, 2, 9, 7, 0);
  const Date midnight = makeDate(2004, 1, 2);
  const Date noon = makeDate(2004, 1, 2, 12, 30);
  const Case cases[] = {
      {evening, "DD/MM/YYYY", "29/04/2004"},
      {morning, "DD/MM/YYYY", "02/01/2004"},
      {evening, "HH:MM AM/PM", "09:05 PM"},
      {evening, "hh:mm AM/PM", "09:05 PM"},
      {morning, "HH:MM AM/PM", "09:07 AM"},
      {midnight, "hh:mm AM/PM", "12:00 AM"},
      {noon, "hh:mm AM/PM", "12:30 PM"},
      {evening, "hh:mm am/pm", "09:05 pm"},
      {evening, "DD.MM.YYYY", "29.04.2004"},
      {evening, "hh.mm", "21.05"},
      {morning, "hh.mm", "09.07"},
      {midnight, "hh.mm", "00.00"},
      {evening, "d/m/yy", "29/4/04"},
      {evening, "dddd, mmmm d, yyyy", "Thursday, April 29, 2004"},
      {evening, "ddd mmm", "Thu Apr"},
      {evening, "h:nn:ss", "21:05:07"},
      {evening, "mm:ss", "05:07"},
      {evening, "h A/P", "9 P"},
      {evening, "\"at\" hh\\h", "at 21h"},
      {evening, "General Date", "29/04/2004 21:05:07"},
      {evening, "Long Date", "Thursday, April 29, 2004"},
      {evening, "Short Date", "29/04/2004"},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::formatDate(c.d, c.pattern), c.out) << c.pattern;
  EXPECT_EQ(platform::format(evening, "DD/MM/YYYY"), "29/04/2004");
}

TEST(Format, NumberPatternsRoundHalvesAwayFromZero) {
  struct Case {
    double x;
    const char* pattern;
    const char* out;
  };
  const Case cases[] = {
      {0.5, "0", "1"},        {2.5, "0", "3"},
      {-2.5, "0", "-3"},      {0.125, "0.00", "0.13"},
      {0.285, "0%", "29%"},   {0.005, "0%", "1%"},
      {0.004, "0%", "0%"},    {0.42, "0%", "42%"},
      {1.0, "0%", "100%"},    {0.0, "0%", "0%"},
      {-0.004, "0%", "0%"},   {1234567.891, "#,##0.00", "1,234,567.89"},
      {5, "0.00", "5.00"},    {5, "#.##", "5."},
      {0.5, "#.##", ".5"},    {7, "000", "007"},
      {-7, "0;(0)", "(7)"},   {0, "0;(0);\"nil\"", "nil"},
      {1.5, "Fixed", "1.50"}, {0.25, "Percent", "25.00%"},
      {2.5, "", "2.5"},       {999.995, "0.00", "1000.00"},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::formatNumber(c.x, c.pattern), c.out) << c.x << " " << c.pattern;
  EXPECT_EQ(platform::format(platform::Variant::null(), "0%"), "");
  EXPECT_EQ(platform::format("0.5", "0%"), "50%");
  EXPECT_EQ(platform::format("plain", "0%"), "plain");
  EXPECT_EQ(platform::format(int32_t{3}), "3");
}

}  // namespace
