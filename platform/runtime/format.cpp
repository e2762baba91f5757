#include "platform/runtime/format.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/runtime/convert.h"

namespace platform {

namespace {

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool startsWithNoCase(std::string_view s, size_t i, std::string_view word) {
  if (s.size() - i < word.size()) return false;
  for (size_t k = 0; k < word.size(); ++k)
    if (lower(s[i + k]) != lower(word[k])) return false;
  return true;
}

bool equalsNoCase(std::string_view a, std::string_view b) { return a.size() == b.size() && startsWithNoCase(a, 0, b); }

std::string pad2(int v) {
  char b[16];
  std::snprintf(b, sizeof b, "%02d", v);
  return b;
}

// ---- dates ----

enum class Tok {
  Literal,
  Day,
  Day2,
  DayAbbr,
  DayName,
  ShortDate,
  LongDate,
  Month,
  Month2,
  MonthAbbr,
  MonthName,
  Year2,
  Year4,
  DayOfYear,
  Quarter,
  Weekday,
  Hour,
  Hour2,
  Minute,
  Minute2,
  Second,
  Second2,
  LongTime,
  General,
  AmPm,
  AP
};

struct Token {
  Tok kind;
  std::string text;  // literal text, or the marker as written for AmPm/AP
};

std::vector<Token> tokenizeDate(std::string_view p) {
  std::vector<Token> out;
  auto literal = [&](std::string_view s) {
    if (!out.empty() && out.back().kind == Tok::Literal)
      out.back().text += s;
    else
      out.push_back({Tok::Literal, std::string(s)});
  };
  for (size_t i = 0; i < p.size();) {
    const char c = lower(p[i]);
    if (p[i] == '"') {
      const size_t e = p.find('"', i + 1);
      literal(p.substr(i + 1, (e == std::string_view::npos ? p.size() : e) - i - 1));
      i = e == std::string_view::npos ? p.size() : e + 1;
      continue;
    }
    if (p[i] == '\\') {
      if (i + 1 < p.size()) literal(p.substr(i + 1, 1));
      i += 2;
      continue;
    }
    if (startsWithNoCase(p, i, "am/pm")) {
      out.push_back({Tok::AmPm, std::string(p.substr(i, 5))});
      i += 5;
      continue;
    }
    if (startsWithNoCase(p, i, "a/p")) {
      out.push_back({Tok::AP, std::string(p.substr(i, 3))});
      i += 3;
      continue;
    }
    if (startsWithNoCase(p, i, "ampm")) {
      out.push_back({Tok::AmPm, "AM/PM"});
      i += 4;
      continue;
    }
    if (std::string_view("dmyhnsqwtc").find(c) == std::string_view::npos) {
      literal(p.substr(i, 1));
      ++i;
      continue;
    }
    size_t n = 1;
    while (i + n < p.size() && lower(p[i + n]) == c) ++n;
    i += n;
    while (n > 0) {
      size_t used = n;
      switch (c) {
        case 'd': {
          static const Tok kinds[] = {Tok::Day, Tok::Day2, Tok::DayAbbr, Tok::DayName, Tok::ShortDate, Tok::LongDate};
          used = std::min<size_t>(n, 6);
          out.push_back({kinds[used - 1], {}});
          break;
        }
        case 'm': {
          static const Tok kinds[] = {Tok::Month, Tok::Month2, Tok::MonthAbbr, Tok::MonthName};
          used = std::min<size_t>(n, 4);
          out.push_back({kinds[used - 1], {}});
          break;
        }
        case 'y':
          used = n >= 4 ? 4 : n >= 2 ? 2 : 1;
          out.push_back({used == 4 ? Tok::Year4 : used == 2 ? Tok::Year2 : Tok::DayOfYear, {}});
          break;
        case 'h':
          used = std::min<size_t>(n, 2);
          out.push_back({used == 2 ? Tok::Hour2 : Tok::Hour, {}});
          break;
        case 'n':
          used = std::min<size_t>(n, 2);
          out.push_back({used == 2 ? Tok::Minute2 : Tok::Minute, {}});
          break;
        case 's':
          used = std::min<size_t>(n, 2);
          out.push_back({used == 2 ? Tok::Second2 : Tok::Second, {}});
          break;
        case 'q':
          used = 1;
          out.push_back({Tok::Quarter, {}});
          break;
        case 'w':
          used = 1;
          out.push_back({Tok::Weekday, {}});
          break;
        case 't':
          if (n >= 5) {
            used = 5;
            out.push_back({Tok::LongTime, {}});
          } else {
            literal(std::string(n, p[i - n]));
          }
          break;
        default:
          used = 1;
          out.push_back({Tok::General, {}});
          break;  // 'c'
      }
      n -= used;
    }
  }
  // "m" and "mm" after an hour or before seconds are minutes.
  for (size_t k = 0; k < out.size(); ++k) {
    if (out[k].kind != Tok::Month && out[k].kind != Tok::Month2) continue;
    bool minute = false;
    for (size_t j = k; j-- > 0;) {
      if (out[j].kind == Tok::Literal) continue;
      minute = out[j].kind == Tok::Hour || out[j].kind == Tok::Hour2;
      break;
    }
    for (size_t j = k + 1; !minute && j < out.size(); ++j) {
      if (out[j].kind == Tok::Literal) continue;
      minute = out[j].kind == Tok::Second || out[j].kind == Tok::Second2;
      break;
    }
    if (minute) out[k].kind = out[k].kind == Tok::Month ? Tok::Minute : Tok::Minute2;
  }
  return out;
}

int dayOfYear(const DateParts& p) {
  const Date jan1 = makeDate(p.year, 1, 1);
  return static_cast<int>(std::trunc(makeDate(p.year, p.month, p.day).serial - jan1.serial)) + 1;
}

// ---- numbers ----

// |x| rounded to `decimals` places, halves away from zero, on its 15
// significant digits: the integer digits (no leading zeros, "" for 0) and
// exactly `decimals` fraction digits.
void roundDecimal(double x, int decimals, std::string& intDigits, std::string& fracDigits) {
  std::string digits;
  int pointPos = 1;  // digits before the decimal point
  if (x != 0 && std::isfinite(x)) {
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf - 1, std::fabs(x), std::chars_format::scientific, 14);
    *res.ptr = '\0';
    for (const char* q = buf; *q && *q != 'e'; ++q)
      if (*q != '.') digits += *q;
    pointPos = std::atoi(std::strchr(buf, 'e') + 1) + 1;
  } else {
    digits = "0";
  }
  if (pointPos < 0) {
    digits.insert(0, static_cast<size_t>(-pointPos), '0');
    pointPos = 0;
  }
  const size_t keep = static_cast<size_t>(pointPos + decimals);
  if (digits.size() < keep) digits.append(keep - digits.size(), '0');
  const bool up = digits.size() > keep && digits[keep] >= '5';
  digits.resize(keep);
  if (up) {
    size_t k = keep;
    while (k > 0 && digits[k - 1] == '9') digits[--k] = '0';
    if (k == 0) {
      digits.insert(0, "1");
      ++pointPos;
    } else {
      ++digits[k - 1];
    }
  }
  intDigits = digits.substr(0, static_cast<size_t>(pointPos));
  fracDigits = digits.substr(static_cast<size_t>(pointPos));
  const size_t nz = intDigits.find_first_not_of('0');
  intDigits = nz == std::string::npos ? "" : intDigits.substr(nz);
}

std::vector<std::string> sections(std::string_view p) {
  std::vector<std::string> out(1);
  for (size_t i = 0; i < p.size(); ++i) {
    if (p[i] == '"') {
      const size_t e = p.find('"', i + 1);
      const size_t end = e == std::string_view::npos ? p.size() : e + 1;
      out.back() += p.substr(i, end - i);
      i = end - 1;
    } else if (p[i] == '\\' && i + 1 < p.size()) {
      out.back() += p.substr(i, 2);
      ++i;
    } else if (p[i] == ';') {
      out.emplace_back();
    } else {
      out.back() += p[i];
    }
  }
  return out;
}

std::string formatSection(double x, std::string_view sec, bool writeSign) {
  struct NTok {
    char kind;  // '0', '#', '.', '%', 'L' literal
    std::string text;
  };
  std::vector<NTok> toks;
  bool grouping = false, percent = false, seenPoint = false;
  int intZeros = 0, decimals = 0;
  std::vector<char> fracPattern;
  for (size_t i = 0; i < sec.size(); ++i) {
    const char c = sec[i];
    if (c == '"') {
      const size_t e = sec.find('"', i + 1);
      const size_t end = e == std::string_view::npos ? sec.size() : e;
      toks.push_back({'L', std::string(sec.substr(i + 1, end - i - 1))});
      i = end;
    } else if (c == '\\') {
      if (i + 1 < sec.size()) toks.push_back({'L', std::string(1, sec[++i])});
    } else if (c == '0' || c == '#') {
      toks.push_back({c, {}});
      if (seenPoint) {
        ++decimals;
        fracPattern.push_back(c);
      } else if (c == '0') {
        ++intZeros;
      }
    } else if (c == '.' && !seenPoint) {
      seenPoint = true;
      toks.push_back({'.', {}});
    } else if (c == ',' && !seenPoint) {
      grouping = true;
    } else if (c == '%') {
      percent = true;
      toks.push_back({'%', {}});
    } else {
      toks.push_back({'L', std::string(1, c)});
    }
  }
  const double v = percent ? x * 100 : x;
  std::string intDigits, fracDigits;
  roundDecimal(v, decimals, intDigits, fracDigits);
  const bool zero = intDigits.empty() && fracDigits.find_first_not_of('0') == std::string::npos;
  if (static_cast<int>(intDigits.size()) < intZeros)
    intDigits.insert(0, static_cast<size_t>(intZeros) - intDigits.size(), '0');
  if (grouping) {
    for (int k = static_cast<int>(intDigits.size()) - 3; k > 0; k -= 3) intDigits.insert(static_cast<size_t>(k), ",");
  }
  size_t fracLen = fracDigits.size();
  while (fracLen > 0 && fracPattern[fracLen - 1] == '#' && fracDigits[fracLen - 1] == '0') --fracLen;
  fracDigits.resize(fracLen);

  std::string out;
  if (writeSign && x < 0 && !zero) out += '-';
  bool intWritten = false, afterPoint = false;
  size_t fracIndex = 0;
  for (const auto& t : toks) {
    switch (t.kind) {
      case '0':
      case '#':
        if (afterPoint) {
          if (fracIndex < fracDigits.size()) out += fracDigits[fracIndex];
          ++fracIndex;
        } else if (!intWritten) {
          out += intDigits;
          intWritten = true;
        }
        break;
      case '.':
        if (!intWritten) {
          out += intDigits;
          intWritten = true;
        }
        out += '.';
        afterPoint = true;
        break;
      case '%': out += '%'; break;
      default: out += t.text; break;
    }
  }
  return out;
}

bool hasDigitPlaceholder(std::string_view p) {
  bool quoted = false;
  for (size_t i = 0; i < p.size(); ++i) {
    if (p[i] == '"')
      quoted = !quoted;
    else if (!quoted && p[i] == '\\')
      ++i;
    else if (!quoted && (p[i] == '0' || p[i] == '#'))
      return true;
  }
  return false;
}

struct Named {
  const char* name;
  const char* date;    // a fixed form, or nullptr
  const char* number;  // a number pattern, or nullptr
};
const Named kNamed[] = {
    {"General Date", "c", nullptr},  {"Long Date", "dddddd", nullptr},  {"Short Date", "ddddd", nullptr},
    {"Long Time", "ttttt", nullptr}, {"Short Time", "hh:nn", nullptr},  {"Medium Time", "hh:nn AM/PM", nullptr},
    {"Fixed", nullptr, "0.00"},      {"Standard", nullptr, "#,##0.00"}, {"Percent", nullptr, "0.00%"},
};

}  // namespace

std::string formatDate(Date d, std::string_view pattern) {
  for (const auto& n : kNamed)
    if (n.date && equalsNoCase(pattern, n.name)) pattern = n.date;
  if (pattern.empty()) return generalDateText(d);
  const auto toks = tokenizeDate(pattern);
  bool twelve = false;
  for (const auto& t : toks) twelve = twelve || t.kind == Tok::AmPm || t.kind == Tok::AP;
  const DateParts p = dateParts(d);
  const int h12 = p.hour % 12 == 0 ? 12 : p.hour % 12;
  const int h = twelve ? h12 : p.hour;
  std::string out;
  for (const auto& t : toks) {
    switch (t.kind) {
      case Tok::Literal: out += t.text; break;
      case Tok::Day: out += std::to_string(p.day); break;
      case Tok::Day2: out += pad2(p.day); break;
      case Tok::DayAbbr: out += weekdayName(p.weekday, true); break;
      case Tok::DayName: out += weekdayName(p.weekday); break;
      case Tok::ShortDate: out += shortDateText(d); break;
      case Tok::LongDate: out += longDateText(d); break;
      case Tok::Month: out += std::to_string(p.month); break;
      case Tok::Month2: out += pad2(p.month); break;
      case Tok::MonthAbbr: out += monthName(p.month, true); break;
      case Tok::MonthName: out += monthName(p.month); break;
      case Tok::Year2: out += pad2(p.year % 100); break;
      case Tok::Year4: {
        char b[16];
        std::snprintf(b, sizeof b, "%04d", p.year);
        out += b;
        break;
      }
      case Tok::DayOfYear: out += std::to_string(dayOfYear(p)); break;
      case Tok::Quarter: out += std::to_string((p.month - 1) / 3 + 1); break;
      case Tok::Weekday: out += std::to_string(p.weekday); break;
      case Tok::Hour: out += std::to_string(h); break;
      case Tok::Hour2: out += pad2(h); break;
      case Tok::Minute: out += std::to_string(p.minute); break;
      case Tok::Minute2: out += pad2(p.minute); break;
      case Tok::Second: out += std::to_string(p.second); break;
      case Tok::Second2: out += pad2(p.second); break;
      case Tok::LongTime: out += longTimeText(d); break;
      case Tok::General: out += generalDateText(d); break;
      case Tok::AmPm: {
        const bool upper = std::isupper(static_cast<unsigned char>(t.text[0])) != 0;
        out += p.hour < 12 ? (upper ? "AM" : "am") : (upper ? "PM" : "pm");
        break;
      }
      case Tok::AP: {
        const bool upper = std::isupper(static_cast<unsigned char>(t.text[0])) != 0;
        out += p.hour < 12 ? (upper ? "A" : "a") : (upper ? "P" : "p");
        break;
      }
    }
  }
  return out;
}

std::string formatNumber(double x, std::string_view pattern) {
  for (const auto& n : kNamed)
    if (n.number && equalsNoCase(pattern, n.name)) pattern = n.number;
  if (pattern.empty() || equalsNoCase(pattern, "General Number")) return numberText(x);
  if (equalsNoCase(pattern, "Yes/No")) return x != 0 ? "Yes" : "No";
  if (equalsNoCase(pattern, "True/False")) return x != 0 ? "True" : "False";
  if (equalsNoCase(pattern, "On/Off")) return x != 0 ? "On" : "Off";
  if (!hasDigitPlaceholder(pattern)) {
    for (const auto& n : kNamed)
      if (n.date && equalsNoCase(pattern, n.name)) return formatDate(Date{x}, pattern);
    // A pattern of date letters only: the number is a date serial.
    bool dateLetters = false;
    for (char c : pattern)
      dateLetters = dateLetters || std::string_view("dmyhnsqwtcDMYHNSQWTC").find(c) != std::string_view::npos;
    if (dateLetters) return formatDate(Date{x}, pattern);
  }
  const auto secs = sections(pattern);
  if (x < 0 && secs.size() >= 2 && !secs[1].empty()) return formatSection(-x, secs[1], false);
  if (x == 0 && secs.size() >= 3 && !secs[2].empty()) return formatSection(x, secs[2], false);
  return formatSection(x, secs[0], true);
}

std::string format(const Variant& value, std::string_view pattern) {
  if (value.isNull() || value.isEmpty()) return {};
  if (const auto* d = value.get<Date>()) return formatDate(*d, pattern);
  if (const auto* s = value.get<std::string>()) {
    if (auto n = parseNumber(*s)) return formatNumber(*n, pattern);
    Date d;
    if (parseDate(*s, d)) return formatDate(d, pattern);
    return *s;
  }
  if (const auto* b = value.get<bool>(); b && pattern.empty()) return *b ? "True" : "False";
  return formatNumber(cDbl(value), pattern);
}

}  // namespace platform
