// Format: a date or number as text by a pattern, as the runtime's.
//
// Date patterns (letters in any case; "m" or "mm" right after an hour, or
// right before seconds, is the minute, otherwise the month):
//   d dd ddd dddd      day, two-digit day, "Thu", "Thursday"
//   ddddd dddddd       short date, long date (datetime.h)
//   m mm mmm mmmm      month, two-digit month, "Apr", "April"
//   yy yyyy y q w      two- and four-digit year, day of year, quarter, weekday
//   h hh n nn s ss     hour, minute, second (two digits with the doubled letter)
//   ttttt c            long time, general date
//   AM/PM am/pm A/P a/p   12-hour clock for h and hh, the marker in the
//                      case written; without one the hour runs 00 to 23
// So "DD/MM/YYYY" gives 29/04/2004, "HH:MM AM/PM" and "hh:mm AM/PM" give
// 09:05 PM, "DD.MM.YYYY" 29.04.2004 and "hh.mm" 21.05. The separators "/",
// ":" and "." stand as written (the fixed locale has no others); other
// characters, "quoted text" and \x are copied.
//
// Number patterns: 0 (a digit, kept), # (a digit, dropped when not needed),
// "." (decimal point), "," between integer digits (thousands groups of
// three), % (the value times 100, the sign written); up to three sections
// "positive;negative;zero". Rounding is to the pattern's decimals with
// halves away from zero, on the value's 15 significant decimal digits
// (Format(0.125, "0.00") is 0.13, Format(0.285, "0%") 29%, Format(2.5, "0")
// 3). A value that rounds to zero is written without a minus sign.
//
// Named patterns: "General Date", "Long Date", "Short Date", "Long Time",
// "Short Time", "General Number", "Fixed" (0.00), "Standard" (#,##0.00),
// "Percent" (0.00%), "Yes/No", "True/False", "On/Off".
//
// Values: Null and Empty give ""; a Date takes date patterns and a number
// takes number patterns, except that a number given a date pattern is read
// as a date serial; numeric text is formatted as its number, date text as
// its date, other text is returned unchanged. No pattern gives CStr.
#pragma once

#include <string>
#include <string_view>

#include "platform/runtime/datetime.h"
#include "platform/runtime/variant.h"

namespace platform {

std::string format(const Variant& value, std::string_view pattern = {});
std::string formatDate(Date d, std::string_view pattern);
std::string formatNumber(double x, std::string_view pattern);

}  // namespace platform
