#include "platform/runtime/strings.h"

#include <algorithm>
#include <vector>

#include "platform/runtime/errors.h"

namespace platform {

namespace {

bool isCont(unsigned char c) { return (c & 0xC0) == 0x80; }

// Bytes of the character at s[i]: a valid UTF-8 sequence, or 1 for a byte
// that does not start one.
size_t charBytes(std::string_view s, size_t i) {
  const auto c = static_cast<unsigned char>(s[i]);
  if (c < 0x80) return 1;
  size_t n = 0;
  uint32_t cp = 0;
  if (c >= 0xC2 && c <= 0xDF)
    n = 2, cp = c & 0x1F;
  else if (c >= 0xE0 && c <= 0xEF)
    n = 3, cp = c & 0x0F;
  else if (c >= 0xF0 && c <= 0xF4)
    n = 4, cp = c & 0x07;
  else
    return 1;
  if (i + n > s.size()) return 1;
  for (size_t k = 1; k < n; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if (!isCont(b)) return 1;
    cp = (cp << 6) | (b & 0x3F);
  }
  if ((n == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
    return 1;
  return n;
}

uint32_t decodeAt(std::string_view s, size_t i, size_t n) {
  const auto c = static_cast<unsigned char>(s[i]);
  if (n == 1) return c;
  uint32_t cp = c & (n == 2 ? 0x1F : n == 3 ? 0x0F : 0x07);
  for (size_t k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
  return cp;
}

void encode(uint32_t cp, std::string& out) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

uint32_t lowerOf(uint32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
  switch (c) {
    case 0x160: return 0x161;
    case 0x152: return 0x153;
    case 0x17D: return 0x17E;
    case 0x178: return 0xFF;
    default: return c;
  }
}

uint32_t upperOf(uint32_t c) {
  if (c >= 'a' && c <= 'z') return c - 32;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
  switch (c) {
    case 0x161: return 0x160;
    case 0x153: return 0x152;
    case 0x17E: return 0x17D;
    case 0xFF: return 0x178;
    default: return c;
  }
}

// Maps every character through f; bytes of invalid sequences stay as they
// are. The folded letters keep their byte lengths, so byte offsets into the
// result match those into s.
template <class F>
std::string mapChars(std::string_view s, F f) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    const size_t n = charBytes(s, i);
    if (n == 1 && static_cast<unsigned char>(s[i]) >= 0x80) {
      out += s[i];
    } else {
      encode(f(decodeAt(s, i, n)), out);
    }
    i += n;
  }
  return out;
}

// The byte offsets where characters start, with s.size() at the end.
std::vector<size_t> charStarts(std::string_view s) {
  std::vector<size_t> starts;
  starts.reserve(s.size() + 1);
  for (size_t i = 0; i < s.size(); i += charBytes(s, i)) starts.push_back(i);
  starts.push_back(s.size());
  return starts;
}

bool isStart(const std::vector<size_t>& starts, size_t offset) {
  return std::binary_search(starts.begin(), starts.end(), offset);
}

int32_t charIndexOf(const std::vector<size_t>& starts, size_t offset) {
  return static_cast<int32_t>(std::lower_bound(starts.begin(), starts.end(), offset) - starts.begin());
}

// First match of find in hay at a byte offset >= from that begins and ends
// on character boundaries; npos when none.
size_t findAt(std::string_view hay, std::string_view find, size_t from, const std::vector<size_t>& starts) {
  for (size_t p = hay.find(find, from); p != std::string_view::npos; p = hay.find(find, p + 1)) {
    if (isStart(starts, p) && isStart(starts, p + find.size())) return p;
  }
  return std::string_view::npos;
}

void needNonNegative(int64_t n) {
  if (n < 0) raise(err::InvalidProcedureCall);
}

}  // namespace

Utf8Char charAt(std::string_view s, size_t i) {
  const auto c = static_cast<unsigned char>(s[i]);
  if (c < 0x80) return {1, c, true};
  const size_t n = charBytes(s, i);
  if (n == 1) return {1, 0xFFFD, false};
  return {static_cast<uint32_t>(n), decodeAt(s, i, n), true};
}

int32_t len(std::string_view s) {
  int32_t n = 0;
  for (size_t i = 0; i < s.size(); i += charBytes(s, i)) ++n;
  return n;
}

size_t byteOffsetOfChar(std::string_view s, int64_t chars) {
  size_t i = 0;
  for (int64_t k = 0; k < chars && i < s.size(); ++k) i += charBytes(s, i);
  return i;
}

std::string left(std::string_view s, int32_t n) {
  needNonNegative(n);
  return std::string(s.substr(0, byteOffsetOfChar(s, n)));
}

std::string right(std::string_view s, int32_t n) {
  needNonNegative(n);
  const int32_t total = len(s);
  if (n >= total) return std::string(s);
  return std::string(s.substr(byteOffsetOfChar(s, total - n)));
}

std::string mid(std::string_view s, int32_t start) {
  if (start < 1) raise(err::InvalidProcedureCall);
  return std::string(s.substr(byteOffsetOfChar(s, start - 1)));
}

std::string mid(std::string_view s, int32_t start, int32_t length) {
  if (start < 1) raise(err::InvalidProcedureCall);
  needNonNegative(length);
  const size_t b = byteOffsetOfChar(s, start - 1);
  const std::string_view rest = s.substr(b);
  return std::string(rest.substr(0, byteOffsetOfChar(rest, length)));
}

std::string lTrim(std::string_view s) {
  const size_t b = s.find_first_not_of(' ');
  return b == std::string_view::npos ? std::string() : std::string(s.substr(b));
}

std::string rTrim(std::string_view s) {
  const size_t e = s.find_last_not_of(' ');
  return e == std::string_view::npos ? std::string() : std::string(s.substr(0, e + 1));
}

std::string trim(std::string_view s) { return rTrim(lTrim(s)); }

std::string lCase(std::string_view s) { return mapChars(s, lowerOf); }
std::string uCase(std::string_view s) { return mapChars(s, upperOf); }

// The text searched and the text sought, both folded to lower case for a
// comparison as text; folding keeps every character's byte length, so the
// character starts of the original hold for the folded text too.
struct SearchTexts {
  SearchTexts(std::string_view s, std::string_view find, Compare compare) : hay(s), needle(find) {
    if (compare == Compare::Text) {
      hayFold = lCase(s);
      findFold = lCase(find);
      hay = hayFold;
      needle = findFold;
    }
  }
  std::string hayFold, findFold;
  std::string_view hay, needle;
};

int32_t inStr(std::string_view s, std::string_view find, Compare compare) { return inStr(1, s, find, compare); }

int32_t inStr(int32_t start, std::string_view s, std::string_view find, Compare compare) {
  if (start < 1) raise(err::InvalidProcedureCall);
  const auto starts = charStarts(s);
  const int32_t total = static_cast<int32_t>(starts.size()) - 1;
  if (start > total + 1) return 0;
  if (find.empty()) return start;
  const SearchTexts texts(s, find, compare);
  const std::string_view hay = texts.hay, needle = texts.needle;
  const size_t p = findAt(hay, needle, starts[static_cast<size_t>(start - 1)], starts);
  return p == std::string_view::npos ? 0 : charIndexOf(starts, p) + 1;
}

int32_t inStrRev(std::string_view s, std::string_view find, int32_t start, Compare compare) {
  if (start == 0 || start < -1) raise(err::InvalidProcedureCall);
  const auto starts = charStarts(s);
  const int32_t total = static_cast<int32_t>(starts.size()) - 1;
  if (start == -1) start = total;
  if (start > total) return 0;
  if (find.empty()) return start;
  const SearchTexts texts(s, find, compare);
  const std::string_view hay = texts.hay, needle = texts.needle;
  // The match must end at or before the end of character `start`.
  const size_t limit = starts[static_cast<size_t>(start)];
  if (needle.size() > limit) return 0;
  for (size_t p = hay.rfind(needle, limit - needle.size()); p != std::string_view::npos;
       p = p == 0 ? std::string_view::npos : hay.rfind(needle, p - 1)) {
    if (isStart(starts, p) && isStart(starts, p + needle.size())) return charIndexOf(starts, p) + 1;
  }
  return 0;
}

std::string replace(std::string_view s, std::string_view find, std::string_view with, int32_t start, int32_t count,
                    Compare compare) {
  if (start < 1 || count < -1) raise(err::InvalidProcedureCall);
  const std::string_view text = s.substr(byteOffsetOfChar(s, start - 1));
  if (find.empty() || count == 0) return std::string(text);
  const auto starts = charStarts(text);
  std::string hayFold, findFold;
  std::string_view hay = text, needle = find;
  if (compare == Compare::Text) {
    hayFold = lCase(text);
    findFold = lCase(find);
    hay = hayFold;
    needle = findFold;
  }
  std::string out;
  size_t from = 0;
  int32_t done = 0;
  while (count == -1 || done < count) {
    const size_t p = findAt(hay, needle, from, starts);
    if (p == std::string_view::npos) break;
    out.append(text.substr(from, p - from));
    out.append(with);
    from = p + needle.size();
    ++done;
  }
  out.append(text.substr(from));
  return out;
}

StringArray split(std::string_view s, std::string_view delimiter, Compare compare) {
  return split(s, delimiter, -1, compare);
}

StringArray split(std::string_view s, std::string_view delimiter, int32_t limit, Compare compare) {
  if (limit < -1) raise(err::InvalidProcedureCall);
  std::vector<std::string> parts;
  if (s.empty() || limit == 0) return StringArray::of(std::move(parts));
  if (delimiter.empty() || limit == 1) {
    parts.emplace_back(s);
    return StringArray::of(std::move(parts));
  }
  const auto starts = charStarts(s);
  std::string hayFold, delimFold;
  std::string_view hay = s, needle = delimiter;
  if (compare == Compare::Text) {
    hayFold = lCase(s);
    delimFold = lCase(delimiter);
    hay = hayFold;
    needle = delimFold;
  }
  size_t from = 0;
  while (limit == -1 || static_cast<int32_t>(parts.size()) < limit - 1) {
    const size_t p = findAt(hay, needle, from, starts);
    if (p == std::string_view::npos) break;
    parts.emplace_back(s.substr(from, p - from));
    from = p + needle.size();
  }
  parts.emplace_back(s.substr(from));
  return StringArray::of(std::move(parts));
}

std::string join(const StringArray& parts, std::string_view delimiter) {
  std::string out;
  bool first = true;
  for (const auto& p : parts) {
    if (!first) out.append(delimiter);
    out.append(p);
    first = false;
  }
  return out;
}

std::string space(int32_t n) {
  needNonNegative(n);
  return std::string(static_cast<size_t>(n), ' ');
}

std::string repeatChar(int32_t n, std::string_view c) {
  needNonNegative(n);
  if (c.empty()) raise(err::InvalidProcedureCall);
  const std::string_view one = c.substr(0, charBytes(c, 0));
  std::string out;
  out.reserve(one.size() * static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) out.append(one);
  return out;
}

int32_t strComp(std::string_view a, std::string_view b, Compare compare) {
  int r = 0;
  if (compare == Compare::Text)
    r = lCase(a).compare(lCase(b));
  else
    r = a.compare(b);
  return r < 0 ? -1 : r > 0 ? 1 : 0;
}

bool equalsAsciiNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

bool equalsNoCase(std::string_view a, std::string_view b) { return a.size() == b.size() && lCase(a) == lCase(b); }

std::string chr(int32_t code) {
  if (code < 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) raise(err::InvalidProcedureCall);
  std::string out;
  encode(static_cast<uint32_t>(code), out);
  return out;
}

int32_t asc(std::string_view s) {
  if (s.empty()) raise(err::InvalidProcedureCall);
  return static_cast<int32_t>(decodeAt(s, 0, charBytes(s, 0)));
}

std::string strReverse(std::string_view s) {
  const auto starts = charStarts(s);
  std::string out;
  out.reserve(s.size());
  for (size_t k = starts.size() - 1; k > 0; --k) out.append(s.substr(starts[k - 1], starts[k] - starts[k - 1]));
  return out;
}

}  // namespace platform
