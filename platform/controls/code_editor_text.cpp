#include "platform/controls/code_editor_text.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/runtime/strings.h"

namespace platform::controls {

namespace {

bool isHigh(char c) { return static_cast<unsigned char>(c) >= 0x80; }
bool isCont(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }
char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
char upperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// The sizes of the chunks: a chunk grows to kLeafMax bytes and is then
// cut; a whole text is cut into chunks of kLeafBuild bytes, so that typing
// into a loaded text does not cut at once. An inner node has at most
// kKidsMax children, kKidsBuild when built from a whole text.
constexpr size_t kLeafMax = 4096;
constexpr size_t kLeafBuild = 3072;
constexpr size_t kKidsMax = 32;
constexpr size_t kKidsBuild = 24;
constexpr int kMaxDepth = 40;

// The first byte at or after i that is not ASCII (s.size() when none),
// eight bytes at a time.
size_t asciiRunEnd(std::string_view s, size_t i) {
  const size_t n = s.size();
  while (i + 8 <= n) {
    uint64_t w;
    std::memcpy(&w, s.data() + i, 8);
    if (w & 0x8080808080808080ull) break;
    i += 8;
  }
  while (i < n && !isHigh(s[i])) ++i;
  return i;
}

// The line feeds of a text, sixteen bytes at a time (eight without SSE2).
uint64_t countBreaks(std::string_view s) {
  uint64_t count = 0;
  size_t i = 0;
  const size_t n = s.size();
  const char* d = s.data();
#if defined(__SSE2__)
  // Each byte of acc counts the line feeds of its lane (a compare gives
  // -1 for a match), for at most 255 rounds; then the lanes are summed.
  const __m128i lf16 = _mm_set1_epi8('\n'), zero = _mm_setzero_si128();
  while (i + 16 <= n) {
    __m128i acc = zero;
    for (int rounds = 0; rounds < 255 && i + 16 <= n; ++rounds, i += 16) {
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
      acc = _mm_sub_epi8(acc, _mm_cmpeq_epi8(b, lf16));
    }
    const __m128i sums = _mm_sad_epu8(acc, zero);
    count += static_cast<uint64_t>(_mm_cvtsi128_si64(sums)) +
             static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums)));
  }
#endif
  constexpr uint64_t lf = 0x0A0A0A0A0A0A0A0Aull, low7 = 0x7F7F7F7F7F7F7F7Full;
  for (; i + 8 <= n; i += 8) {
    uint64_t w;
    std::memcpy(&w, d + i, 8);
    const uint64_t x = w ^ lf;  // a zero byte where a line feed was
    const uint64_t t = ~(((x & low7) + low7) | x | low7);  // its top bit set, no other
    count += ((t >> 7) * 0x0101010101010101ull) >> 56;
  }
  for (; i < n; ++i) count += d[i] == '\n';
  return count;
}

// The first CR or LF at or after i (n when none).
size_t nextBreakByte(const char* d, size_t i, size_t n) {
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
  for (; i + 16 <= n; i += 16) {
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
    const int m = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(b, cr), _mm_cmpeq_epi8(b, lf)));
    if (m) return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(m)));
  }
#endif
  for (; i < n; ++i)
    if (d[i] == '\r' || d[i] == '\n') return i;
  return n;
}

// Where the lower-case ASCII needle stands in d[from..n), ASCII letters
// compared without case; n when nowhere.
size_t findNoCaseIn(const char* d, size_t n, size_t from, std::string_view needle) {
  const size_t m = needle.size();
  if (m == 0 || n < m || from > n - m) return n;
  const size_t last = n - m;  // the last place a match can start
  const char f0 = needle[0], f1 = upperAscii(needle[0]);
  const char l0 = needle[m - 1], l1 = upperAscii(needle[m - 1]);
  auto matchAt = [&](size_t at) {
    for (size_t k = 1; k + 1 < m; ++k)
      if (lowerAscii(d[at + k]) != needle[k]) return false;
    return true;
  };
  size_t i = from;
#if defined(__SSE2__)
  const __m128i F0 = _mm_set1_epi8(f0), F1 = _mm_set1_epi8(f1), L0 = _mm_set1_epi8(l0), L1 = _mm_set1_epi8(l1);
  for (; i + 16 <= last + 1; i += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i + m - 1));
    const __m128i ea = _mm_or_si128(_mm_cmpeq_epi8(a, F0), _mm_cmpeq_epi8(a, F1));
    const __m128i eb = _mm_or_si128(_mm_cmpeq_epi8(b, L0), _mm_cmpeq_epi8(b, L1));
    unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(ea, eb)));
    while (mask) {
      const size_t at = i + static_cast<size_t>(__builtin_ctz(mask));
      if (matchAt(at)) return at;
      mask &= mask - 1;
    }
  }
#endif
  for (; i <= last; ++i) {
    const char a = d[i], b = d[i + m - 1];
    if ((a == f0 || a == f1) && (b == l0 || b == l1) && matchAt(i)) return i;
  }
  return n;
}

// The first place at or after p where a character starts, judged by the
// bytes of t alone, whose first byte starts a character: a byte that
// continues no sequence starts one, and so does the byte after three
// continuation bytes (no sequence is longer). At most three bytes on.
size_t safeCut(std::string_view t, size_t p) {
  while (p < t.size() && isCont(t[p])) {
    size_t before = 0;
    while (before < 3 && before < p && isCont(t[p - 1 - before])) ++before;
    if (before == 3 || before == p) break;
    ++p;
  }
  return std::min(p, t.size());
}

}  // namespace

size_t charBytesAt(std::string_view s, size_t i) {
  if (!isHigh(s[i])) return 1;
  // The runtime's own rule, so that the editor and Len/Mid agree.
  return charAt(s, i).bytes;
}

int64_t countChars(std::string_view s) {
  int64_t chars = 0;
  size_t i = 0;
  const size_t n = s.size();
  while (i < n) {
    const size_t j = asciiRunEnd(s, i);
    chars += static_cast<int64_t>(j - i);
    i = j;
    if (i >= n) break;
    // A run of bytes above 127 ends before an ASCII byte, which always
    // stands on its own: the run can be counted apart.
    size_t k = i;
    while (k < n && isHigh(s[k])) ++k;
    chars += len(s.substr(i, k - i));
    i = k;
  }
  return chars;
}

size_t byteOffsetOfColumn(std::string_view s, int64_t column) {
  size_t i = 0;
  int64_t k = 0;
  while (k < column && i < s.size()) {
    if (!isHigh(s[i])) {
      const size_t run = std::min<size_t>(asciiRunEnd(s, i) - i, static_cast<size_t>(column - k));
      i += run;
      k += static_cast<int64_t>(run);
    } else {
      i += charBytesAt(s, i);
      ++k;
    }
  }
  return i;
}

int32_t columnOfByteOffset(std::string_view s, size_t offset) {
  offset = std::min(offset, s.size());
  size_t i = 0;
  int32_t column = 0;
  while (i < offset) {
    if (!isHigh(s[i])) {
      const size_t run = std::min(asciiRunEnd(s, i), offset) - i;
      i += run;
      column += static_cast<int32_t>(run);
    } else {
      i += charBytesAt(s, i);
      ++column;
    }
  }
  return column;
}

bool isAscii(std::string_view s) noexcept { return asciiRunEnd(s, 0) == s.size(); }

std::vector<std::string> splitLines(std::string_view text) {
  std::vector<std::string> out;
  size_t start = 0;
  const size_t n = text.size();
  for (size_t i = 0; i < n; ++i) {
    const char c = text[i];
    if (c != '\r' && c != '\n') continue;
    out.emplace_back(text.substr(start, i - start));
    if (c == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  out.emplace_back(text.substr(start));
  return out;
}

namespace {

// Hands a text on in runs with CR LF breaks: the runs that already have
// them go on as they are.
template <class Emit>
void crLfRuns(std::string_view text, Emit&& emit) {
  const char* d = text.data();
  const size_t n = text.size();
  size_t start = 0, i = 0;
  for (;;) {
    const size_t p = nextBreakByte(d, i, n);
    if (p >= n) break;
    if (d[p] == '\r' && p + 1 < n && d[p + 1] == '\n') {
      i = p + 2;
      continue;
    }
    // A lone CR or LF.
    if (p > start) emit(text.substr(start, p - start));
    emit(std::string_view("\r\n"));
    start = i = p + 1;
  }
  if (n > start) emit(text.substr(start));
}

}  // namespace

std::string withCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  crLfRuns(text, [&](std::string_view run) { out += run; });
  return out;
}

// --- the tree ----------------------------------------------------------------

struct CodeText::Node {
  bool leaf = true;
  std::string text;                          // a leaf's bytes
  std::vector<Sum> sums;                     // an inner node's: one per child
  std::vector<std::unique_ptr<Node>> kids;
};

// The way down to one leaf: the inner nodes passed and the child taken in
// each, and the counts of everything before the leaf.
struct CodeText::Hit {
  Node* path[kMaxDepth];
  uint32_t index[kMaxDepth];
  int depth = 0;
  Node* leaf = nullptr;
  Sum before;
};

namespace {

using Sum = CodeText::Sum;

Sum sumOf(std::string_view t) {
  return {t.size(), countBreaks(t), static_cast<uint64_t>(countChars(t))};
}
Sum& operator+=(Sum& a, const Sum& b) {
  a.bytes += b.bytes, a.breaks += b.breaks, a.chars += b.chars;
  return a;
}
// a - old + now, by parts (the counts stay whole numbers).
void change(Sum& a, const Sum& old, const Sum& now) {
  a.bytes = a.bytes - old.bytes + now.bytes;
  a.breaks = a.breaks - old.breaks + now.breaks;
  a.chars = a.chars - old.chars + now.chars;
}
bool operator==(const Sum& a, const Sum& b) {
  return a.bytes == b.bytes && a.breaks == b.breaks && a.chars == b.chars;
}

enum How { ByByteRight, ByByteLeft, ByBreak, ByChar };

}  // namespace

namespace {
template <class N>
Sum totalOf(const N& n) {
  if (n.leaf) return sumOf(n.text);
  Sum s;
  for (const Sum& k : n.sums) s += k;
  return s;
}
}  // namespace

CodeText::CodeText() : root_(std::make_unique<Node>()) {}
CodeText::~CodeText() = default;

// Walks down to the leaf that holds the target:
//   ByByteRight: the byte `target` (the last leaf at the end);
//   ByByteLeft:  the leaf that ends at or after `target` (so that a text
//                put in where two chunks meet joins the first);
//   ByBreak:     the line feed number `target` (from 1);
//   ByChar:      the character number `target` (the last leaf at the end).
void CodeText::locate(Hit& h, int how, uint64_t target) const {
  h.depth = 0;
  h.before = {};
  Node* n = root_.get();
  while (!n->leaf) {
    const size_t count = n->kids.size();
    size_t i = 0;
    for (; i + 1 < count; ++i) {
      const Sum& s = n->sums[i];
      bool here;
      switch (how) {
        case ByByteRight: here = target < h.before.bytes + s.bytes; break;
        case ByByteLeft: here = target <= h.before.bytes + s.bytes; break;
        case ByBreak: here = target <= h.before.breaks + s.breaks; break;
        default: here = target < h.before.chars + s.chars; break;
      }
      if (here) break;
      h.before += s;
    }
    h.path[h.depth] = n;
    h.index[h.depth] = static_cast<uint32_t>(i);
    ++h.depth;
    n = n->kids[i].get();
  }
  h.leaf = n;
}

int32_t CodeText::lineCount() const noexcept { return static_cast<int32_t>(total_.breaks + 1); }
int64_t CodeText::charCount() const noexcept { return static_cast<int64_t>(total_.chars - 2 * total_.breaks); }
int64_t CodeText::lengthCrLf() const noexcept { return static_cast<int64_t>(total_.chars); }
uint64_t CodeText::byteSize() const noexcept { return total_.bytes; }

CodeText::LineStart CodeText::lineStart(int32_t n) const {
  if (n <= 0) return {0, 0, 0};
  for (const LineStart& c : lineCache_)
    if (c.line == n) return c;
  Hit h;
  locate(h, ByBreak, static_cast<uint64_t>(n));
  const std::string& t = h.leaf->text;
  uint64_t want = static_cast<uint64_t>(n) - h.before.breaks;  // the line feed in this leaf, from 1
  size_t at = 0;
  for (;;) {
    const void* p = std::memchr(t.data() + at, '\n', t.size() - at);
    at = static_cast<size_t>(static_cast<const char*>(p) - t.data());
    if (--want == 0) break;
    ++at;
  }
  LineStart s{n, h.before.bytes + at + 1,
              h.before.chars + static_cast<uint64_t>(countChars(std::string_view(t).substr(0, at + 1)))};
  lineCache_[lineCacheNext_++ % 4] = s;
  return s;
}

void CodeText::lineSpan(int32_t n, LineStart& start, uint64_t& endBytes, uint64_t& endChars) const {
  start = lineStart(n);
  if (n + 1 < lineCount()) {
    const LineStart next = lineStart(n + 1);
    endBytes = next.bytes - 2;
    endChars = next.chars - 2;
  } else {
    endBytes = total_.bytes;
    endChars = total_.chars;
  }
}

uint64_t CodeText::charsBefore(uint64_t offset) const {
  Hit h;
  locate(h, ByByteRight, offset);
  return h.before.chars +
         static_cast<uint64_t>(columnOfByteOffset(h.leaf->text, static_cast<size_t>(offset - h.before.bytes)));
}

uint64_t CodeText::byteOfChar(uint64_t chars) const {
  Hit h;
  locate(h, ByChar, chars);
  return h.before.bytes + byteOffsetOfColumn(h.leaf->text, static_cast<int64_t>(chars - h.before.chars));
}

std::string CodeText::line(int32_t n) const {
  LineStart s;
  uint64_t eb, ec;
  lineSpan(n, s, eb, ec);
  return bytes(s.bytes, eb);
}

size_t CodeText::lineBytes(int32_t n) const {
  LineStart s;
  uint64_t eb, ec;
  lineSpan(n, s, eb, ec);
  return static_cast<size_t>(eb - s.bytes);
}

int32_t CodeText::lineLength(int32_t n) const {
  LineStart s;
  uint64_t eb, ec;
  lineSpan(n, s, eb, ec);
  return static_cast<int32_t>(std::min<uint64_t>(ec - s.chars, INT32_MAX));
}

size_t CodeText::leadingBlanks(int32_t n) const {
  LineStart s;
  uint64_t eb, ec;
  lineSpan(n, s, eb, ec);
  size_t count = 0;
  bool more = true;
  forEachPiece(s.bytes, eb, [&](std::string_view piece) {
    if (!more) return;
    size_t k = 0;
    while (k < piece.size() && (piece[k] == ' ' || piece[k] == '\t')) ++k;
    count += k;
    more = k == piece.size();
  });
  return count;
}

void CodeText::assign(std::string_view text) {
  build([&](const std::function<void(std::string_view)>& add) { crLfRuns(text, add); });
}

void CodeText::assignParts(const Parts& source) {
  build([&](const std::function<void(std::string_view)>& add) {
    // A CR at the end of a part waits for the next: it may be the first
    // half of a CR LF.
    bool heldCr = false;
    source([&](std::string_view part) {
      if (part.empty()) return;
      if (heldCr) {
        add(std::string_view("\r\n"));
        if (part.front() == '\n') part.remove_prefix(1);
        heldCr = false;
      }
      if (!part.empty() && part.back() == '\r') {
        heldCr = true;
        part.remove_suffix(1);
      }
      crLfRuns(part, add);
    });
    if (heldCr) add(std::string_view("\r\n"));
  });
}

std::string CodeText::joined() const { return bytes(0, total_.bytes); }

TextPos CodeText::clamp(TextPos p) const {
  p.line = std::clamp(p.line, 0, lineCount() - 1);
  if (p.column <= 0) p.column = 0;
  else p.column = std::min(p.column, lineLength(p.line));
  return p;
}

TextPos CodeText::endPos() const { return {lineCount() - 1, lineLength(lineCount() - 1)}; }

TextBytePos CodeText::toBytes(TextPos p) const {
  if (p.column <= 0) return {p.line, 0};
  LineStart s;
  uint64_t eb, ec;
  lineSpan(p.line, s, eb, ec);
  const uint64_t bytes = eb - s.bytes, chars = ec - s.chars;
  const uint64_t column = static_cast<uint64_t>(p.column);
  if (column >= chars) return {p.line, static_cast<size_t>(bytes)};
  if (bytes == chars) return {p.line, static_cast<size_t>(column)};  // one byte a character
  return {p.line, static_cast<size_t>(byteOfChar(s.chars + column) - s.bytes)};
}

TextPos CodeText::toColumns(TextBytePos p) const {
  if (p.offset == 0) return {p.line, 0};
  LineStart s;
  uint64_t eb, ec;
  lineSpan(p.line, s, eb, ec);
  const uint64_t bytes = eb - s.bytes, chars = ec - s.chars;
  uint64_t column;
  if (p.offset >= bytes) column = chars;
  else if (bytes == chars) column = p.offset;
  else column = charsBefore(s.bytes + p.offset) - s.chars;
  return {p.line, static_cast<int32_t>(std::min<uint64_t>(column, INT32_MAX))};
}

std::string CodeText::extract(TextPos a, TextPos b) const { return extractBytes(toBytes(a), toBytes(b)); }

TextPos CodeText::replace(TextPos a, TextPos b, std::string_view text) {
  return toColumns(replaceBytes(toBytes(a), toBytes(b), text));
}

std::string CodeText::extractBytes(TextBytePos a, TextBytePos b) const { return bytes(offsetOf(a), offsetOf(b)); }

TextBytePos CodeText::replaceBytes(TextBytePos a, TextBytePos b, std::string_view text) {
  const bool plain = text.find_first_of("\r\n") == std::string_view::npos;
  std::string normal;
  if (!plain) normal = withCrLf(text);
  const std::string_view put = plain ? text : std::string_view(normal);
  replaceAt(offsetOf(a), offsetOf(b), put);
  if (plain) return {a.line, a.offset + put.size()};
  const size_t lastBreak = put.rfind('\n');
  return {a.line + static_cast<int32_t>(countBreaks(put)), put.size() - lastBreak - 1};
}

int32_t CodeText::prevColumn(int32_t n, int32_t column) const {
  if (column <= 0) return 0;
  return std::min(column, lineLength(n)) - 1;
}

int32_t CodeText::nextColumn(int32_t n, int32_t column) const {
  const int32_t length = lineLength(n);
  return column >= length ? length : std::max(column, -1) + 1;
}

uint64_t CodeText::offsetOf(TextBytePos p) const { return lineStart(p.line).bytes + p.offset; }

TextBytePos CodeText::bytePosOf(uint64_t offset) const {
  offset = std::min(offset, total_.bytes);
  Hit h;
  locate(h, ByByteRight, offset);
  const std::string_view t = h.leaf->text;
  const int32_t line = static_cast<int32_t>(
      h.before.breaks + countBreaks(t.substr(0, static_cast<size_t>(offset - h.before.bytes))));
  return {line, static_cast<size_t>(offset - lineStart(line).bytes)};
}

char CodeText::byteAt(uint64_t offset) const {
  Hit h;
  locate(h, ByByteRight, offset);
  return h.leaf->text[static_cast<size_t>(offset - h.before.bytes)];
}

std::string CodeText::bytes(uint64_t from, uint64_t to) const {
  std::string out;
  if (to <= from) return out;
  out.reserve(static_cast<size_t>(to - from));
  forEachPiece(from, to, [&](std::string_view piece) { out += piece; });
  return out;
}

namespace {
template <class F>
void walkPieces(const CodeText::Node& node, uint64_t base, uint64_t from, uint64_t to, F& f) {
  if (node.leaf) {
    const uint64_t end = base + node.text.size();
    const uint64_t lo = std::max(from, base), hi = std::min(to, end);
    if (lo < hi) f(std::string_view(node.text).substr(static_cast<size_t>(lo - base), static_cast<size_t>(hi - lo)));
    return;
  }
  for (size_t i = 0; i < node.kids.size(); ++i) {
    const uint64_t end = base + node.sums[i].bytes;
    if (base >= to) break;
    if (end > from) walkPieces(*node.kids[i], base, from, to, f);
    base = end;
  }
}
}  // namespace

void CodeText::forEachPiece(uint64_t from, uint64_t to, const std::function<void(std::string_view)>& f) const {
  if (to <= from) return;
  walkPieces(*root_, 0, from, to, f);
}

std::vector<std::string_view> CodeText::pieces() const {
  std::vector<std::string_view> out;
  forEachPiece(0, total_.bytes, [&](std::string_view p) { out.push_back(p); });
  return out;
}

// --- editing -----------------------------------------------------------------

void CodeText::noteChange(uint64_t from) {
  ++revision_;
  // A character that ends at or after `from` may have been made or broken
  // by the change: it starts at most three bytes before.
  changes_[revision_ % kChanges] = {revision_, from > 3 ? from - 3 : 0};
}

uint64_t CodeText::changedSince(uint64_t revision) const {
  if (revision >= revision_) return npos;
  if (revision_ - revision > kChanges) return 0;
  uint64_t first = npos;
  for (uint64_t r = revision + 1; r <= revision_; ++r) first = std::min(first, changes_[r % kChanges].from);
  return first;
}

void CodeText::replaceAt(uint64_t from, uint64_t to, std::string_view text) {
  if (from == to && text.empty()) return;
  noteChange(from);
  const Sum before = total_;
  replaceRange(from, to, text, true);
  collapseRoot();
  // A line that starts at or before the edit keeps its number and start; one
  // that starts after it moves by what the edit made of the whole text (its
  // line feed before it, untouched, keeps the characters after it whole).
  for (LineStart& c : lineCache_) {
    if (c.line < 0 || c.bytes <= from) continue;
    if (c.bytes <= to) {
      c.line = -1;
      continue;
    }
    c.bytes = c.bytes - before.bytes + total_.bytes;
    c.chars = c.chars - before.chars + total_.chars;
    c.line = static_cast<int32_t>(static_cast<int64_t>(c.line) - static_cast<int64_t>(before.breaks) +
                                  static_cast<int64_t>(total_.breaks));
  }
}

void CodeText::replaceRange(uint64_t from, uint64_t to, std::string_view text, bool fix) {
  if (from == to && text.empty()) return;
  Hit h;
  locate(h, from == to ? ByByteLeft : ByByteRight, from);
  std::string& t = h.leaf->text;
  const uint64_t leafStart = h.before.bytes;
  if (to > leafStart + t.size()) {
    // Over more than one chunk: out with the old, then in with the new.
    eraseRange(from, to);
    if (!text.empty()) replaceRange(from, from, text, false);
    if (fix) {
      fixEdge(from);
      fixEdge(from + text.size());
    }
    return;
  }
  const size_t off = static_cast<size_t>(from - leafStart), count = static_cast<size_t>(to - from);
  const Sum old = h.depth ? h.path[h.depth - 1]->sums[h.index[h.depth - 1]] : total_;
  // ASCII put in among ASCII, in place of ASCII, makes and breaks no
  // character: the counts follow from the bytes.
  auto asciiAt = [&](uint64_t p) {
    if (p >= leafStart && p < leafStart + t.size()) return !isHigh(t[static_cast<size_t>(p - leafStart)]);
    return p >= total_.bytes || !isHigh(byteAt(p));
  };
  const std::string_view gone = std::string_view(t).substr(off, count);
  const bool simple = isAscii(text) && isAscii(gone) && (from == 0 || asciiAt(from - 1)) && asciiAt(to);
  Sum now;
  if (simple) {
    const uint64_t goneBreaks = countBreaks(gone);
    t.replace(off, count, text);
    now = old;
    now.bytes = now.bytes - count + text.size();
    now.chars = now.chars - count + text.size();
    now.breaks = now.breaks - goneBreaks + countBreaks(text);
  } else {
    t.replace(off, count, text);
    now = sumOf(t);
  }
  for (int d = 0; d < h.depth; ++d) change(h.path[d]->sums[h.index[d]], old, now);
  change(total_, old, now);
  if (t.size() > kLeafMax) splitLeaf(h);
  else if (t.empty() && h.depth > 0) removeLeaf(h);
  if (fix && !simple) {
    fixEdge(from);
    fixEdge(from + text.size());
  }
}

void CodeText::eraseRange(uint64_t from, uint64_t to) {
  Node& r = *root_;
  if (r.leaf) {
    r.text.erase(static_cast<size_t>(from), static_cast<size_t>(to - from));
  } else {
    struct Eraser {
      static void run(Node& n, uint64_t base, uint64_t from, uint64_t to) {
        for (size_t i = 0; i < n.kids.size();) {
          const uint64_t lo = base, hi = base + n.sums[i].bytes;
          base = hi;
          if (lo >= to) break;
          if (hi <= from) {
            ++i;
            continue;
          }
          Node& k = *n.kids[i];
          if (from <= lo && hi <= to) {
            n.kids.erase(n.kids.begin() + static_cast<std::ptrdiff_t>(i));
            n.sums.erase(n.sums.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
          }
          const uint64_t a = std::max(from, lo), b = std::min(to, hi);
          if (k.leaf) k.text.erase(static_cast<size_t>(a - lo), static_cast<size_t>(b - a));
          else run(k, lo, from, to);
          n.sums[i] = totalOf(k);
          if (k.leaf ? k.text.empty() : k.kids.empty()) {
            n.kids.erase(n.kids.begin() + static_cast<std::ptrdiff_t>(i));
            n.sums.erase(n.sums.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
          }
          ++i;
        }
      }
    };
    Eraser::run(r, 0, from, to);
    if (r.kids.empty()) {
      root_ = std::make_unique<Node>();
    }
  }
  total_ = totalOf(*root_);
  collapseRoot();
}

void CodeText::collapseRoot() {
  while (!root_->leaf && root_->kids.size() == 1) {
    std::unique_ptr<Node> kid = std::move(root_->kids[0]);
    root_ = std::move(kid);
  }
}

void CodeText::splitLeaf(Hit& h) {
  Node* leaf = h.leaf;
  const std::string_view t = leaf->text;
  const size_t parts = (t.size() + kLeafBuild - 1) / kLeafBuild;
  const size_t each = t.size() / parts;
  std::vector<std::string> texts;
  size_t at = 0;
  for (size_t k = 1; k < parts; ++k) {
    const size_t cut = safeCut(t, std::max(at + 1, k * each));
    if (cut >= t.size()) break;
    texts.emplace_back(t.substr(at, cut - at));
    at = cut;
  }
  texts.emplace_back(t.substr(at));
  std::vector<std::unique_ptr<Node>> nodes;
  std::vector<Sum> sums;
  for (size_t k = 1; k < texts.size(); ++k) {
    auto n = std::make_unique<Node>();
    n->text = std::move(texts[k]);
    sums.push_back(sumOf(n->text));
    nodes.push_back(std::move(n));
  }
  leaf->text = std::move(texts[0]);
  const Sum first = sumOf(leaf->text);
  if (h.depth == 0) {
    // The root was the one leaf: it becomes the first child of a new root.
    auto root = std::make_unique<Node>();
    root->leaf = false;
    root->kids.push_back(std::move(root_));
    root->sums.push_back(first);
    for (size_t k = 0; k < nodes.size(); ++k) {
      root->kids.push_back(std::move(nodes[k]));
      root->sums.push_back(sums[k]);
    }
    root_ = std::move(root);
    if (root_->kids.size() > kKidsMax) {
      h.depth = 1;
      h.path[0] = root_.get();
      h.index[0] = 0;
      insertSiblings(h, 0, {}, {});
    }
    return;
  }
  h.path[h.depth - 1]->sums[h.index[h.depth - 1]] = first;
  insertSiblings(h, h.depth - 1, std::move(nodes), std::move(sums));
}

// Puts nodes in after the child that the way down took at `level`, and
// splits the node there when it has too many children, level by level up.
void CodeText::insertSiblings(Hit& h, int level, std::vector<std::unique_ptr<Node>> nodes, std::vector<Sum> sums) {
  Node* p = h.path[level];
  const auto at = static_cast<std::ptrdiff_t>(h.index[level]) + 1;
  p->kids.insert(p->kids.begin() + at, std::make_move_iterator(nodes.begin()), std::make_move_iterator(nodes.end()));
  p->sums.insert(p->sums.begin() + at, sums.begin(), sums.end());
  if (p->kids.size() <= kKidsMax) return;
  const size_t count = p->kids.size();
  const size_t groups = (count + kKidsBuild - 1) / kKidsBuild;
  const size_t each = (count + groups - 1) / groups;
  std::vector<std::unique_ptr<Node>> up;
  std::vector<Sum> upSums;
  for (size_t g = each; g < count; g += each) {
    auto n = std::make_unique<Node>();
    n->leaf = false;
    const size_t end = std::min(count, g + each);
    Sum s;
    for (size_t k = g; k < end; ++k) {
      n->kids.push_back(std::move(p->kids[k]));
      n->sums.push_back(p->sums[k]);
      s += p->sums[k];
    }
    up.push_back(std::move(n));
    upSums.push_back(s);
  }
  p->kids.resize(each);
  p->sums.resize(each);
  const Sum first = totalOf(*p);
  if (level == 0) {
    auto root = std::make_unique<Node>();
    root->leaf = false;
    root->kids.push_back(std::move(root_));
    root->sums.push_back(first);
    for (size_t k = 0; k < up.size(); ++k) {
      root->kids.push_back(std::move(up[k]));
      root->sums.push_back(upSums[k]);
    }
    root_ = std::move(root);
    if (root_->kids.size() > kKidsMax) {
      h.path[0] = root_.get();
      h.index[0] = 0;
      insertSiblings(h, 0, {}, {});
    }
    return;
  }
  h.path[level - 1]->sums[h.index[level - 1]] = first;
  insertSiblings(h, level - 1, std::move(up), std::move(upSums));
}

// Takes out an emptied leaf, and the inner nodes that it leaves empty.
void CodeText::removeLeaf(Hit& h) {
  for (int level = h.depth - 1; level >= 0; --level) {
    Node* p = h.path[level];
    const auto at = static_cast<std::ptrdiff_t>(h.index[level]);
    p->kids.erase(p->kids.begin() + at);
    p->sums.erase(p->sums.begin() + at);
    if (!p->kids.empty()) return;
    if (level == 0) root_ = std::make_unique<Node>();
  }
}

// Where two chunks meet at `at`, moves the bytes of a character that the
// meeting cut in two into the first chunk.
void CodeText::fixEdge(uint64_t at) {
  if (at == 0 || at >= total_.bytes) return;
  Hit h;
  locate(h, ByByteRight, at);
  if (h.before.bytes != at) return;  // not where two chunks meet
  if (!isCont(h.leaf->text[0])) return;
  // The last byte before `at` that continues no sequence starts the
  // character that may reach over.
  uint64_t start = at;
  for (uint64_t k = 1; k <= 3 && k <= at; ++k) {
    if (!isCont(byteAt(at - k))) {
      start = at - k;
      break;
    }
  }
  if (start == at) return;
  const std::string head = bytes(start, std::min(start + 4, total_.bytes));
  const size_t n = charBytesAt(head, 0);
  if (start + n <= at) return;
  const std::string moved = bytes(at, start + n);
  replaceRange(at, start + n, {}, false);
  replaceRange(at, at, moved, false);
}

void CodeText::build(const std::function<void(const std::function<void(std::string_view)>&)>& source) {
  std::vector<std::unique_ptr<Node>> nodes;
  std::vector<Sum> sums;
  std::string cur;
  cur.reserve(kLeafBuild + 8);
  auto emit = [&](size_t cut) {
    auto n = std::make_unique<Node>();
    n->text = std::move(cur);
    cur.assign(n->text, cut);
    n->text.resize(cut);
    cur.reserve(kLeafBuild + 8);
    sums.push_back(sumOf(n->text));
    nodes.push_back(std::move(n));
  };
  source([&](std::string_view s) {
    while (!s.empty()) {
      const size_t room = kLeafBuild + 4 - cur.size();
      const size_t take = std::min(room, s.size());
      cur.append(s.data(), take);
      s.remove_prefix(take);
      if (cur.size() >= kLeafBuild + 4) emit(safeCut(cur, kLeafBuild));
    }
  });
  if (!cur.empty() || nodes.empty()) emit(cur.size());
  // Level by level up to one root.
  while (nodes.size() > 1) {
    std::vector<std::unique_ptr<Node>> up;
    std::vector<Sum> upSums;
    const size_t groups = (nodes.size() + kKidsBuild - 1) / kKidsBuild;
    const size_t each = (nodes.size() + groups - 1) / groups;
    for (size_t g = 0; g < nodes.size(); g += each) {
      auto n = std::make_unique<Node>();
      n->leaf = false;
      Sum s;
      for (size_t k = g; k < std::min(nodes.size(), g + each); ++k) {
        n->kids.push_back(std::move(nodes[k]));
        n->sums.push_back(sums[k]);
        s += sums[k];
      }
      up.push_back(std::move(n));
      upSums.push_back(s);
    }
    nodes = std::move(up);
    sums = std::move(upSums);
  }
  root_ = std::move(nodes[0]);
  total_ = sums[0];
  for (LineStart& c : lineCache_) c.line = -1;
  noteChange(0);
}

void CodeText::splice(const std::vector<Splice>& edits) {
  if (edits.empty()) return;
  // The new text is built from the old chunks while they stand.
  CodeText fresh;
  fresh.build([&](const std::function<void(std::string_view)>& add) {
    uint64_t at = 0;
    for (const Splice& e : edits) {
      forEachPiece(at, e.at, add);
      if (!e.text.empty()) add(e.text);
      at = e.at + e.removed;
    }
    forEachPiece(at, total_.bytes, add);
  });
  root_ = std::move(fresh.root_);
  total_ = fresh.total_;
  for (LineStart& c : lineCache_) c.line = -1;
  noteChange(edits.front().at);
}

uint64_t CodeText::findAscii(std::string_view needle, uint64_t from) const {
  const size_t m = needle.size();
  if (m == 0 || from > total_.bytes || total_.bytes - from < m) return npos;
  uint64_t found = npos;
  std::string carry;  // the last m-1 bytes before the chunk, from carryAt
  std::string window;
  uint64_t carryAt = 0;
  struct Walk {
    static bool run(const Node& n, uint64_t base, uint64_t from, const std::function<bool(uint64_t, std::string_view)>& f) {
      if (n.leaf) return f(base, n.text);
      for (size_t i = 0; i < n.kids.size(); ++i) {
        const uint64_t end = base + n.sums[i].bytes;
        if (end > from || (i + 1 == n.kids.size()))
          if (!run(*n.kids[i], base, from, f)) return false;
        base = end;
      }
      return true;
    }
  };
  // Bytes of the chunk before `from` count for the window only.
  Walk::run(*root_, 0, from, [&](uint64_t base, std::string_view t) {
    if (!carry.empty()) {
      window.assign(carry);
      window.append(t.substr(0, std::min(t.size(), m - 1)));
      size_t i = carryAt < from ? static_cast<size_t>(from - carryAt) : 0;
      const size_t at = findNoCaseIn(window.data(), window.size(), i, needle);
      if (at < window.size() && at < carry.size()) {
        found = carryAt + at;
        return false;
      }
    }
    const size_t start = base < from ? static_cast<size_t>(from - base) : 0;
    if (start <= t.size()) {
      const size_t at = findNoCaseIn(t.data(), t.size(), start, needle);
      if (at < t.size()) {
        found = base + at;
        return false;
      }
    }
    if (m > 1) {
      if (t.size() >= m - 1) {
        carry.assign(t.substr(t.size() - (m - 1)));
      } else {
        carry.append(t);
        if (carry.size() > m - 1) carry.erase(0, carry.size() - (m - 1));
      }
      carryAt = base + t.size() - carry.size();
    }
    return true;
  });
  return found;
}

bool CodeText::checkTree(std::string* why) const {
  std::string reason;
  struct Check {
    std::string& reason;
    bool first = true;
    std::string tail;  // the last bytes seen, for the meeting of chunks
    Sum run(const Node& n, int depth) {
      if (depth > kMaxDepth - 2) reason = "too deep";
      if (n.leaf) {
        if (n.text.size() > kLeafMax) reason = "chunk too big";
        if (n.text.empty() && !first) reason = "empty chunk";
        // A character cut at the meeting of two chunks.
        if (!tail.empty() && !n.text.empty()) {
          const std::string joint = tail + n.text.substr(0, 3);
          size_t s = tail.size();
          while (s > 0 && isCont(tail[s - 1])) --s;
          if (s > 0 && charBytesAt(joint, s - 1) > tail.size() - (s - 1)) reason = "a character cut between chunks";
        }
        tail = (tail + n.text).substr((tail + n.text).size() > 3 ? (tail + n.text).size() - 3 : 0);
        first = false;
        return sumOf(n.text);
      }
      if (n.kids.empty()) reason = "empty inner node";
      if (n.kids.size() > kKidsMax) reason = "too many children";
      if (n.kids.size() != n.sums.size()) reason = "counts and children differ";
      Sum s;
      for (size_t i = 0; i < n.kids.size(); ++i) {
        const Sum k = run(*n.kids[i], depth + 1);
        if (!(k == n.sums[i])) reason = "a count is not the sum of its children";
        s += k;
      }
      return s;
    }
  } check{reason, true, {}};
  const Sum all = check.run(*root_, 0);
  if (!(all == total_)) reason = "the total is not the sum of the text";
  if (why) *why = reason;
  return reason.empty();
}

}  // namespace platform::controls
