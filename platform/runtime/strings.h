// The runtime's string functions on UTF-8 text.
//
// Lengths and positions count characters (code points), 1-based as the
// runtime's. A byte that does not start a valid UTF-8 sequence counts as one
// character of its own and is copied through unchanged, so any byte string
// survives Left/Mid/Right/Replace/Split/Join intact.
//
// Case: LCase/UCase and text comparison fold ASCII letters and the Latin
// letters of the Western ANSI code page (À-Þ/à-þ, Š/š, Œ/œ, Ž/ž, Ÿ/ÿ);
// other characters keep their case.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/runtime/array.h"

namespace platform {

// Binary: byte for byte; Text: without regard to case.
enum class Compare { Binary = 0, Text = 1 };

// The character that starts at s[i] (i < s.size()) by the one rule that
// every count of characters follows: a valid UTF-8 sequence (no overlong
// form, no surrogate, nothing above U+10FFFF) is one character; any other
// byte is one character of its own, whose code is U+FFFD.
struct Utf8Char {
  uint32_t bytes = 1;
  char32_t code = 0;
  bool valid = true;
};
Utf8Char charAt(std::string_view s, size_t i);

// Len: the number of characters.
int32_t len(std::string_view s);
// The byte offset of the character at 0-based index `chars` (s.size() at
// or past the end).
size_t byteOffsetOfChar(std::string_view s, int64_t chars);

// Left, Right: the first or last n characters (all of s when n reaches its
// length); a negative n raises 5.
std::string left(std::string_view s, int32_t n);
std::string right(std::string_view s, int32_t n);
// Mid: from character `start` (1-based) on, `length` characters or to the
// end; start below 1 or a negative length raises 5; a start past the end
// gives "".
std::string mid(std::string_view s, int32_t start);
std::string mid(std::string_view s, int32_t start, int32_t length);

// Trim, LTrim, RTrim: remove blanks (character 32) only, not tabs or line
// ends.
std::string trim(std::string_view s);
std::string lTrim(std::string_view s);
std::string rTrim(std::string_view s);

std::string lCase(std::string_view s);
std::string uCase(std::string_view s);

// InStr: the 1-based position of the first `find` in s at or after
// character `start`, 0 when there is none. An empty `find` gives start
// (0 when start is past the end of s + 1); start below 1 raises 5.
int32_t inStr(std::string_view s, std::string_view find, Compare compare = Compare::Binary);
int32_t inStr(int32_t start, std::string_view s, std::string_view find, Compare compare = Compare::Binary);
// InStrRev: the 1-based position of the last `find` that ends at or before
// character `start` (-1: the end of s); 0 when there is none or start is
// past the end. An empty `find` gives start (the length for -1). Start 0 or
// below -1 raises 5.
int32_t inStrRev(std::string_view s, std::string_view find, int32_t start = -1, Compare compare = Compare::Binary);

// Replace: from character `start` on, replaces up to `count` occurrences
// (-1: all) of `find`. As the runtime's, the result begins at `start`: the
// characters before it are dropped. An empty `find` leaves the text (from
// start) unchanged. Start below 1 or count below -1 raises 5.
std::string replace(std::string_view s, std::string_view find, std::string_view with, int32_t start = 1,
                    int32_t count = -1, Compare compare = Compare::Binary);

// Split without a limit: the parts between the delimiters, lower bound 0.
// Split("") gives an allocated array without elements (UBound -1); an empty
// delimiter gives the whole text as the one element.
StringArray split(std::string_view s, std::string_view delimiter = " ", Compare compare = Compare::Binary);
// Split with a limit on the number of parts (-1: none); the last part holds
// the rest of the text.
StringArray split(std::string_view s, std::string_view delimiter, int32_t limit, Compare compare = Compare::Binary);
// Join: the elements with the delimiter between them; an unallocated or
// empty array gives "".
std::string join(const StringArray& parts, std::string_view delimiter = " ");

// Space(n): n blanks; String(n, c): n times the first character of c.
// A negative n raises 5; an empty c raises 5.
std::string space(int32_t n);
std::string repeatChar(int32_t n, std::string_view c);

// StrComp: -1, 0 or 1.
int32_t strComp(std::string_view a, std::string_view b, Compare compare = Compare::Binary);
// Equality without regard to case.
bool equalsNoCase(std::string_view a, std::string_view b);
// Equality without regard to the case of the ASCII letters only, for names
// of the system's own (members, files, keys) that no locale changes.
bool equalsAsciiNoCase(std::string_view a, std::string_view b);

// Chr/ChrW: the character of a code point (0 to 0x10FFFF, else 5).
std::string chr(int32_t code);
// AscW: the code point of the first character (a lone invalid byte gives
// its byte value); "" raises 5.
int32_t asc(std::string_view s);

// StrReverse: the characters in reverse order.
std::string strReverse(std::string_view s);

}  // namespace platform
