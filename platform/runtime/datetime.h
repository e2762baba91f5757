// Dates and times as the runtime kept them.
//
// A Date is a double: the whole part counts days from 30 December 1899
// (negative before it), the fraction is the time of day (0.5 is noon; for a
// negative date the fraction's magnitude is the time). Dates are local
// wall-clock values without a time zone.
//
// The platform's fixed date and time forms, used everywhere the system turns
// a date into text (CStr of a Date, the diagnostics logs, the About window):
//   short date   "dd/mm/yyyy"            10/12/2026
//   long time    "hh:mm:ss", 24-hour     09:05:00, 21:05:07
//   short time   "hh:mm", 24-hour        21:05
//   long date    "dddd, mmmm d, yyyy"    Thursday, April 29, 2004
//   general date short date, a blank, long time; the time is left out when
//                it is exactly midnight, and the date is left out when the
//                value has no date part (a pure time, day 0):
//                29/04/2004 21:05:07, 29/04/2004, 21:05:07
// Day and month names are English. Format (format.h) takes patterns.
#pragma once

#include <compare>
#include <cstdint>
#include <string>

namespace platform {

struct Date {
  double serial = 0;  // days since 30/12/1899 00:00, time in the fraction
  friend auto operator<=>(const Date&, const Date&) = default;
};

// The calendar fields of a date, rounded to the nearest second. Every
// function that reads calendar fields raises 6 for a serial outside the
// runtime's range (1 January 100 to 31 December 9999).
struct DateParts {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0;
  int weekday = 7;  // 1 Sunday ... 7 Saturday
};

// Now: the present local date and time from the process clock (clock.h),
// in whole seconds. Today: its date part.
Date now();
Date today();

// DateSerial: a date from year, month and day. Months and days outside
// their ranges carry over (month 13 is January of the next year, day 0 the
// last day of the month before); years 0 to 29 are 2000 to 2029, 30 to 99
// are 1930 to 1999. A result outside 1 January 100 to 31 December 9999
// raises error 5.
Date dateSerial(int32_t year, int32_t month, int32_t day);
// TimeSerial: a time of day from hours, minutes and seconds, carrying over
// like DateSerial (a negative total goes before day 0).
Date timeSerial(int32_t hour, int32_t minute, int32_t second);
// A date and time from exact calendar fields (no carrying; error 5 when a
// field is out of its range).
Date makeDate(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

DateParts dateParts(Date d);
int year(Date d);
int month(Date d);
int day(Date d);
int hour(Date d);
int minute(Date d);
int second(Date d);
int weekday(Date d);  // 1 Sunday ... 7 Saturday
// The date part and the time part.
Date datePart(Date d);
Date timePart(Date d);

// The local wall-clock milliseconds of clock.h and back.
Date dateFromLocalMillis(int64_t localMillis);
int64_t localMillisFromDate(Date d);

// English names: monthName(1) "January", weekdayName(1) "Sunday".
std::string monthName(int month, bool abbreviate = false);
std::string weekdayName(int weekday, bool abbreviate = false);

// The fixed forms named above.
std::string shortDateText(Date d);
std::string longDateText(Date d);
std::string longTimeText(Date d);
std::string shortTimeText(Date d);
std::string generalDateText(Date d);

// Text to Date (CDate of a text): the general date form (dd/mm/yyyy with
// an optional time), a time alone (h:mm or h:mm:ss with an optional AM or
// PM), or yyyy-mm-dd with an optional time; surrounding blanks are allowed.
// Returns false when the text is no date.
bool parseDate(const std::string& text, Date& out);

}  // namespace platform
