#include "platform/runtime/datetime.h"

#include <cmath>
#include <cstdio>
#include <regex>

#include "platform/runtime/clock.h"
#include "platform/runtime/errors.h"

namespace platform {

namespace {

// Day number of 30/12/1899 counted from 1970-01-01.
constexpr int64_t kEpochOffset = 25569;
constexpr int64_t kMillisPerDay = 86400000;
constexpr double kMinSerial = -657434.0;         // 01/01/0100
constexpr double kMaxSerial = 2958465.99999999;  // 31/12/9999 23:59:59

int64_t daysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void civilFromDays(int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

bool isLeap(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
int daysInMonth(int64_t y, int m) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && isLeap(y) ? 29 : days[m - 1];
}

// The serial of a day number (days from 30/12/1899) and a time of day as a
// fraction in [0, 1).
double serialOf(int64_t dayNumber, double time) {
  return dayNumber >= 0 ? static_cast<double>(dayNumber) + time : static_cast<double>(dayNumber) - time;
}

// Day number and time of day of a serial, the time in whole units of
// `perDay` (rounded to the nearest), carrying into the next day.
void split(Date d, int64_t perDay, int64_t& dayNumber, int64_t& units) {
  // No calendar date lies outside the runtime's range (and NaN has none).
  if (!(d.serial >= kMinSerial - 1 && d.serial <= kMaxSerial + 1)) raise(err::Overflow);
  const double whole = std::trunc(d.serial);
  dayNumber = static_cast<int64_t>(whole);
  units = static_cast<int64_t>(std::llround(std::fabs(d.serial - whole) * static_cast<double>(perDay)));
  if (units >= perDay) {
    units -= perDay;
    ++dayNumber;
  }
}

Date checked(double serial) {
  if (!(serial >= kMinSerial && serial <= kMaxSerial)) raise(err::InvalidProcedureCall);
  return Date{serial};
}

std::string two(int v) {
  char b[16];
  std::snprintf(b, sizeof b, "%02d", v);
  return b;
}

std::string four(int v) {
  char b[16];
  std::snprintf(b, sizeof b, "%04d", v);
  return b;
}

const char* const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                               "July",    "August",   "September", "October", "November", "December"};
const char* const kWeekdays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

int windowYear(int y) {
  if (y >= 0 && y <= 29) return y + 2000;
  if (y >= 30 && y <= 99) return y + 1900;
  return y;
}

}  // namespace

Date dateFromLocalMillis(int64_t localMillis) {
  int64_t days = localMillis / kMillisPerDay;
  int64_t rem = localMillis % kMillisPerDay;
  if (rem < 0) {
    rem += kMillisPerDay;
    --days;
  }
  return Date{serialOf(days + kEpochOffset, static_cast<double>(rem) / kMillisPerDay)};
}

int64_t localMillisFromDate(Date d) {
  int64_t dayNumber = 0, ms = 0;
  split(d, kMillisPerDay, dayNumber, ms);
  return (dayNumber - kEpochOffset) * kMillisPerDay + ms;
}

Date now() {
  int64_t ms = clockMillis();
  ms -= ((ms % 1000) + 1000) % 1000;
  return dateFromLocalMillis(ms);
}

Date today() { return datePart(now()); }

Date dateSerial(int32_t year, int32_t month, int32_t day) {
  const int64_t y = windowYear(year);
  const int64_t months = y * 12 + (static_cast<int64_t>(month) - 1);
  const int64_t y2 = months >= 0 ? months / 12 : -((-months + 11) / 12);
  const int64_t m2 = months - y2 * 12 + 1;
  if (y2 < 100 - 1 || y2 > 9999 + 1) raise(err::InvalidProcedureCall);
  const int64_t dn = daysFromCivil(y2, m2, 1) + kEpochOffset + (static_cast<int64_t>(day) - 1);
  return checked(static_cast<double>(dn));
}

Date timeSerial(int32_t hour, int32_t minute, int32_t second) {
  const int64_t total = static_cast<int64_t>(hour) * 3600 + static_cast<int64_t>(minute) * 60 + second;
  int64_t days = total / 86400;
  int64_t rem = total % 86400;
  if (rem < 0) {
    rem += 86400;
    --days;
  }
  return checked(serialOf(days, static_cast<double>(rem) / 86400.0));
}

Date makeDate(int y, int m, int d, int h, int mi, int s) {
  if (y < 100 || y > 9999 || m < 1 || m > 12 || d < 1 || d > daysInMonth(y, m) || h < 0 || h > 23 || mi < 0 ||
      mi > 59 || s < 0 || s > 59)
    raise(err::InvalidProcedureCall);
  const int64_t dn = daysFromCivil(y, m, d) + kEpochOffset;
  return Date{serialOf(dn, (h * 3600 + mi * 60 + s) / 86400.0)};
}

DateParts dateParts(Date d) {
  int64_t dayNumber = 0, secs = 0;
  split(d, 86400, dayNumber, secs);
  DateParts p;
  civilFromDays(dayNumber - kEpochOffset, p.year, p.month, p.day);
  p.hour = static_cast<int>(secs / 3600);
  p.minute = static_cast<int>(secs / 60 % 60);
  p.second = static_cast<int>(secs % 60);
  p.weekday = static_cast<int>(((dayNumber + 6) % 7 + 7) % 7) + 1;
  return p;
}

int year(Date d) { return dateParts(d).year; }
int month(Date d) { return dateParts(d).month; }
int day(Date d) { return dateParts(d).day; }
int hour(Date d) { return dateParts(d).hour; }
int minute(Date d) { return dateParts(d).minute; }
int second(Date d) { return dateParts(d).second; }
int weekday(Date d) { return dateParts(d).weekday; }

Date datePart(Date d) { return Date{std::trunc(d.serial) + 0.0}; }
Date timePart(Date d) { return Date{std::fabs(d.serial - std::trunc(d.serial))}; }

std::string monthName(int month, bool abbreviate) {
  if (month < 1 || month > 12) raise(err::InvalidProcedureCall);
  std::string n = kMonths[month - 1];
  return abbreviate ? n.substr(0, 3) : n;
}

std::string weekdayName(int weekday, bool abbreviate) {
  if (weekday < 1 || weekday > 7) raise(err::InvalidProcedureCall);
  std::string n = kWeekdays[weekday - 1];
  return abbreviate ? n.substr(0, 3) : n;
}

std::string shortDateText(Date d) {
  const DateParts p = dateParts(d);
  return two(p.day) + "/" + two(p.month) + "/" + four(p.year);
}

std::string longDateText(Date d) {
  const DateParts p = dateParts(d);
  return weekdayName(p.weekday) + ", " + monthName(p.month) + " " + std::to_string(p.day) + ", " + four(p.year);
}

std::string longTimeText(Date d) {
  const DateParts p = dateParts(d);
  return two(p.hour) + ":" + two(p.minute) + ":" + two(p.second);
}

std::string shortTimeText(Date d) {
  const DateParts p = dateParts(d);
  return two(p.hour) + ":" + two(p.minute);
}

std::string generalDateText(Date d) {
  int64_t dayNumber = 0, secs = 0;
  split(d, 86400, dayNumber, secs);
  if (dayNumber == 0) return longTimeText(d);
  if (secs == 0) return shortDateText(d);
  return shortDateText(d) + " " + longTimeText(d);
}

bool parseDate(const std::string& text, Date& out) {
  static const std::regex dmy(R"(^\s*(\d{1,2})([/.\-])(\d{1,2})\2(\d{1,4})(?:[ T]+(.*?))?\s*$)");
  static const std::regex ymd(R"(^\s*(\d{4})-(\d{1,2})-(\d{1,2})(?:[ T]+(.*?))?\s*$)");
  static const std::regex hms(R"(^\s*(\d{1,2}):(\d{1,2})(?::(\d{1,2}))?\s*([AaPp][Mm])?\s*$)");

  auto parseTime = [](const std::string& t, double& frac) {
    std::smatch m;
    if (!std::regex_match(t, m, hms)) return false;
    int h = std::stoi(m[1]);
    const int mi = std::stoi(m[2]);
    const int s = m[3].matched ? std::stoi(m[3]) : 0;
    if (m[4].matched) {
      if (h < 1 || h > 12) return false;
      const bool pm = m[4].str()[0] == 'P' || m[4].str()[0] == 'p';
      h = h % 12 + (pm ? 12 : 0);
    }
    if (h > 23 || mi > 59 || s > 59) return false;
    frac = (h * 3600 + mi * 60 + s) / 86400.0;
    return true;
  };

  // No date text is long; longer text is not searched at all.
  if (text.size() > 64) return false;
  std::smatch m;
  int y = 0, mo = 0, d = 0;
  std::string rest;
  if (std::regex_match(text, m, dmy)) {
    d = std::stoi(m[1]);
    mo = std::stoi(m[3]);
    y = m[4].length() <= 2 ? windowYear(std::stoi(m[4])) : std::stoi(m[4]);
    rest = m[5].matched ? m[5].str() : "";
  } else if (std::regex_match(text, m, ymd)) {
    y = std::stoi(m[1]);
    mo = std::stoi(m[2]);
    d = std::stoi(m[3]);
    rest = m[4].matched ? m[4].str() : "";
  } else {
    double frac = 0;
    if (!parseTime(text, frac)) return false;
    out = Date{frac};
    return true;
  }
  if (y < 100 || y > 9999 || mo < 1 || mo > 12 || d < 1 || d > daysInMonth(y, mo)) return false;
  double frac = 0;
  if (!rest.empty() && !parseTime(rest, frac)) return false;
  out = Date{serialOf(daysFromCivil(y, mo, d) + kEpochOffset, frac)};
  return true;
}

}  // namespace platform
