#include "platform/runtime/convert.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/runtime/checked_int.h"
#include "platform/runtime/strings.h"

namespace platform {

namespace {

// The OLE date range: 1 January 100 to 31 December 9999.
constexpr double kMinDate = -657434.0;
constexpr double kMaxDate = 2958465.999988426;

bool isBlank(char c) { return c == ' ' || c == '\t'; }

int digitValue(char c, int base) {
  int d = -1;
  if (c >= '0' && c <= '9')
    d = c - '0';
  else if (c >= 'a' && c <= 'f')
    d = c - 'a' + 10;
  else if (c >= 'A' && c <= 'F')
    d = c - 'A' + 10;
  return d < base ? d : -1;
}

enum class Scan { Ok, NotNumber, Overflow };

// Reads "&H..." or "&O..." at s[pos]. Up to 4 hexadecimal digits (or an
// octal value up to &O177777) are a 16-bit pattern, more a 32-bit one, as
// the runtime's literals: "&HFFFF" is -1, "&HFFFFF" 1048575.
Scan scanRadix(std::string_view s, size_t& pos, double& out) {
  if (pos + 1 >= s.size() || s[pos] != '&') return Scan::NotNumber;
  const char k = s[pos + 1];
  const int base = (k == 'h' || k == 'H') ? 16 : (k == 'o' || k == 'O') ? 8 : 0;
  if (!base) return Scan::NotNumber;
  size_t p = pos + 2;
  uint64_t value = 0;
  size_t digits = 0;
  while (p < s.size() && digitValue(s[p], base) >= 0) {
    value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digitValue(s[p], base));
    if (value > 0xffffffffULL) return Scan::Overflow;
    ++p;
    ++digits;
  }
  if (!digits) return Scan::NotNumber;
  const bool sixteenBits = base == 16 ? digits <= 4 : value <= 0xffff;
  if (sixteenBits)
    out = static_cast<int16_t>(static_cast<uint16_t>(value));
  else
    out = static_cast<int32_t>(static_cast<uint32_t>(value));
  pos = p;
  return Scan::Ok;
}

// Reads the longest decimal number at s[pos]: sign, digits, point,
// digits, exponent. Leaves pos after it.
Scan scanDecimal(std::string_view s, size_t& pos, double& out) {
  size_t p = pos;
  std::string buf;
  if (p < s.size() && (s[p] == '+' || s[p] == '-')) {
    if (s[p] == '-') buf += '-';
    ++p;
  }
  size_t digits = 0;
  while (p < s.size() && s[p] >= '0' && s[p] <= '9') buf += s[p++], ++digits;
  if (p < s.size() && s[p] == '.') {
    buf += '.';
    ++p;
    while (p < s.size() && s[p] >= '0' && s[p] <= '9') buf += s[p++], ++digits;
  }
  if (!digits) return Scan::NotNumber;
  if (p < s.size() && (s[p] == 'e' || s[p] == 'E' || s[p] == 'd' || s[p] == 'D')) {
    size_t q = p + 1;
    std::string exp = "e";
    if (q < s.size() && (s[q] == '+' || s[q] == '-')) exp += s[q++];
    size_t expDigits = 0;
    while (q < s.size() && s[q] >= '0' && s[q] <= '9') exp += s[q++], ++expDigits;
    if (expDigits) {
      buf += exp;
      p = q;
    }
  }
  double value = 0;
  const auto res = std::from_chars(buf.data(), buf.data() + buf.size(), value);
  if (res.ec == std::errc::result_out_of_range) {
    // Too small underflows to 0, too large is an overflow.
    if (std::strchr(buf.c_str(), 'e') && std::strstr(buf.c_str(), "e-"))
      value = 0;
    else
      return Scan::Overflow;
  } else if (res.ec != std::errc()) {
    return Scan::NotNumber;
  }
  out = value;
  pos = p;
  return Scan::Ok;
}

Scan scanWhole(std::string_view text, double& out) {
  size_t b = 0, e = text.size();
  while (b < e && isBlank(text[b])) ++b;
  while (e > b && isBlank(text[e - 1])) --e;
  const std::string_view s = text.substr(b, e - b);
  if (s.empty()) return Scan::NotNumber;
  size_t pos = 0;
  Scan r = s[0] == '&' ? scanRadix(s, pos, out) : scanDecimal(s, pos, out);
  if (r != Scan::Ok) return r;
  return pos == s.size() ? Scan::Ok : Scan::NotNumber;
}

double textNumber(const std::string& s) {
  double d = 0;
  switch (scanWhole(s, d)) {
    case Scan::Ok: return d;
    case Scan::Overflow: raise(err::Overflow);
    default: raise(err::TypeMismatch);
  }
}

// Mantissa digits (without trailing zeros) and decimal exponent of x,
// rounded to the given significant digits.
void decimalDigits(double x, int significant, std::string& digits, int& exponent) {
  // to_chars, unlike printf, never looks at the process's locale.
  char buf[64];
  const auto res =
      std::to_chars(buf, buf + sizeof buf - 1, std::fabs(x), std::chars_format::scientific, significant - 1);
  *res.ptr = '\0';
  // buf: d.ddddde[+-]xx
  digits.clear();
  const char* p = buf;
  for (; *p && *p != 'e'; ++p)
    if (*p != '.') digits += *p;
  exponent = std::atoi(p + 1);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
}

std::string realText(double x, int significant) {
  if (std::isnan(x)) return "NaN";
  if (std::isinf(x)) return x < 0 ? "-Infinity" : "Infinity";
  if (x == 0) return "0";
  std::string digits;
  int e = 0;
  decimalDigits(x, significant, digits, e);
  std::string out = x < 0 ? "-" : "";
  if (e < -4 || e >= significant) {
    out += digits[0];
    if (digits.size() > 1) out += "." + digits.substr(1);
    char eb[16];
    std::snprintf(eb, sizeof eb, "E%c%02d", e < 0 ? '-' : '+', std::abs(e));
    out += eb;
  } else if (e < 0) {
    out += "0." + std::string(static_cast<size_t>(-e - 1), '0') + digits;
  } else {
    const size_t intDigits = static_cast<size_t>(e) + 1;
    if (digits.size() <= intDigits) {
      out += digits + std::string(intDigits - digits.size(), '0');
    } else {
      out += digits.substr(0, intDigits) + "." + digits.substr(intDigits);
    }
  }
  return out;
}

}  // namespace

double roundHalfEven(double x) {
  if (!std::isfinite(x)) return x;
  const double f = std::floor(x);
  const double diff = x - f;
  if (diff > 0.5) return f + 1;
  if (diff < 0.5) return f;
  return std::fmod(f, 2.0) == 0 ? f : f + 1;
}

int32_t toLong(double x) {
  const double r = roundHalfEven(x);
  if (!(r >= -2147483648.0 && r <= 2147483647.0)) raise(err::Overflow);
  return static_cast<int32_t>(r);
}

int16_t toInteger(double x) {
  const double r = roundHalfEven(x);
  if (!(r >= -32768.0 && r <= 32767.0)) raise(err::Overflow);
  return static_cast<int16_t>(r);
}

double detail::roundToEven(double x) { return roundHalfEven(x); }

double intPart(double x) { return std::floor(x); }
double fix(double x) { return std::trunc(x); }

std::optional<double> parseNumber(std::string_view text) {
  double d = 0;
  if (scanWhole(text, d) == Scan::Ok) return d;
  return std::nullopt;
}

double textToDouble(std::string_view text) { return textNumber(std::string(text)); }

double cDbl(const Variant& v) {
  struct V {
    double operator()(std::monostate) const { return 0; }
    double operator()(Variant::NullValue) const { raise(err::InvalidUseOfNull); }
    double operator()(int16_t x) const { return x; }
    double operator()(int32_t x) const { return x; }
    double operator()(float x) const { return x; }
    double operator()(double x) const { return x; }
    double operator()(bool x) const { return x ? -1 : 0; }
    double operator()(const std::string& s) const { return textNumber(s); }
    double operator()(Date d) const { return d.serial; }
    double operator()(const ByteArray&) const { raise(err::TypeMismatch); }
    double operator()(const LongArray&) const { raise(err::TypeMismatch); }
    double operator()(const StringArray&) const { raise(err::TypeMismatch); }
    double operator()(const ObjectRef&) const { raise(err::TypeMismatch); }
  };
  return std::visit(V{}, v.storage());
}

int32_t cLng(const Variant& v) {
  if (const auto* i = v.get<int32_t>()) return *i;
  if (const auto* i = v.get<int16_t>()) return *i;
  return toLong(cDbl(v));
}

int16_t cInt(const Variant& v) {
  if (const auto* i = v.get<int16_t>()) return *i;
  return toInteger(cDbl(v));
}

uint8_t cByte(const Variant& v) {
  const double r = roundHalfEven(cDbl(v));
  if (!(r >= 0 && r <= 255)) raise(err::Overflow);
  return static_cast<uint8_t>(r);
}

float cSng(const Variant& v) {
  if (const auto* f = v.get<float>()) return *f;
  const double d = cDbl(v);
  if (std::fabs(d) > FLT_MAX) raise(err::Overflow);
  return static_cast<float>(d);
}

bool cBool(const Variant& v) {
  if (const auto* b = v.get<bool>()) return *b;
  if (const auto* s = v.get<std::string>()) {
    std::string_view t = *s;
    while (!t.empty() && isBlank(t.front())) t.remove_prefix(1);
    while (!t.empty() && isBlank(t.back())) t.remove_suffix(1);
    if (equalsAsciiNoCase(t, "true")) return true;
    if (equalsAsciiNoCase(t, "false")) return false;
    return textNumber(*s) != 0;
  }
  return cDbl(v) != 0;
}

std::string numberText(double x) { return realText(x, 15); }
std::string singleText(float x) { return realText(x, 7); }

std::string cStr(const Variant& v) {
  struct V {
    std::string operator()(std::monostate) const { return {}; }
    std::string operator()(Variant::NullValue) const { raise(err::InvalidUseOfNull); }
    std::string operator()(int16_t x) const { return std::to_string(x); }
    std::string operator()(int32_t x) const { return std::to_string(x); }
    std::string operator()(float x) const { return singleText(x); }
    std::string operator()(double x) const { return numberText(x); }
    std::string operator()(bool x) const { return x ? "True" : "False"; }
    std::string operator()(const std::string& s) const { return s; }
    std::string operator()(Date d) const { return generalDateText(d); }
    std::string operator()(const ByteArray&) const { raise(err::TypeMismatch); }
    std::string operator()(const LongArray&) const { raise(err::TypeMismatch); }
    std::string operator()(const StringArray&) const { raise(err::TypeMismatch); }
    std::string operator()(const ObjectRef&) const { raise(err::TypeMismatch); }
  };
  return std::visit(V{}, v.storage());
}

Date cDate(const Variant& v) {
  if (const auto* d = v.get<Date>()) return *d;
  if (const auto* s = v.get<std::string>()) {
    Date d;
    if (parseDate(*s, d)) return d;
    if (auto n = parseNumber(*s)) {
      if (*n < kMinDate || *n > kMaxDate) raise(err::Overflow);
      return Date{*n};
    }
    raise(err::TypeMismatch);
  }
  const double n = cDbl(v);
  if (!(n >= kMinDate && n <= kMaxDate)) raise(err::Overflow);
  return Date{n};
}

bool isNumeric(const Variant& v) {
  struct V {
    bool operator()(std::monostate) const { return true; }
    bool operator()(Variant::NullValue) const { return false; }
    bool operator()(int16_t) const { return true; }
    bool operator()(int32_t) const { return true; }
    bool operator()(float) const { return true; }
    bool operator()(double) const { return true; }
    bool operator()(bool) const { return true; }
    bool operator()(const std::string& s) const { return parseNumber(s).has_value(); }
    bool operator()(Date) const { return false; }
    bool operator()(const ByteArray&) const { return false; }
    bool operator()(const LongArray&) const { return false; }
    bool operator()(const StringArray&) const { return false; }
    bool operator()(const ObjectRef&) const { return false; }
  };
  return std::visit(V{}, v.storage());
}

double val(std::string_view text) {
  std::string s;
  s.reserve(text.size());
  for (char c : text)
    if (c != ' ' && c != '\t' && c != '\n') s += c;
  size_t pos = 0;
  double d = 0;
  const Scan r = (!s.empty() && s[0] == '&') ? scanRadix(s, pos, d) : scanDecimal(s, pos, d);
  if (r == Scan::Overflow) raise(err::Overflow);
  return r == Scan::Ok ? d : 0;
}

}  // namespace platform
