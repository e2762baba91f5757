#include "platform/controls/code_editor_text.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/controls/code_text_tree.h"
#include "platform/runtime/strings.h"

namespace platform::controls {

using namespace text_tree;

namespace {

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
char upperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

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
  const std::string_view t = h.leaf->text;
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
  shared_.reset();
}

void CodeText::assignShared(std::string_view bytes, std::shared_ptr<const void> owner) {
  build([&](const std::function<void(std::string_view)>& add) { crLfRuns(bytes, add); }, bytes);
  // Held only while chunks look into most of it: else the chunks that do
  // take their bytes, and the memory goes.
  uint64_t looking = 0;
  std::vector<Node*> leaves;
  struct Leaves {
    static void run(Node& n, std::vector<Node*>& out) {
      if (n.leaf) {
        if (n.text.looksInto()) out.push_back(&n);
        return;
      }
      for (auto& k : n.kids) run(*k, out);
    }
  };
  Leaves::run(*root_, leaves);
  for (Node* n : leaves) looking += n->text.size();
  if (looking * 2 < total_.bytes) {
    for (Node* n : leaves) n->text.own();
    owner.reset();
  }
  shared_ = std::move(owner);
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
  shared_.reset();
}

std::string CodeText::joined() const { return bytes(0, total_.bytes); }

TextPos CodeText::clamp(TextPos p) const {
  p.line = std::clamp(p.line, 0, lineCount() - 1);
  if (p.column <= 0)
    p.column = 0;
  else
    p.column = std::min(p.column, lineLength(p.line));
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
  if (p.offset >= bytes)
    column = chars;
  else if (bytes == chars)
    column = p.offset;
  else
    column = charsBefore(s.bytes + p.offset) - s.chars;
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
  const int32_t line =
      static_cast<int32_t>(h.before.breaks + countBreaks(t.substr(0, static_cast<size_t>(offset - h.before.bytes))));
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

uint64_t CodeText::findAscii(std::string_view needle, uint64_t from) const {
  const size_t m = needle.size();
  if (m == 0 || from > total_.bytes || total_.bytes - from < m) return npos;
  uint64_t found = npos;
  std::string carry;  // the last m-1 bytes before the chunk, from carryAt
  std::string window;
  uint64_t carryAt = 0;
  struct Walk {
    static bool run(const Node& n, uint64_t base, uint64_t from,
                    const std::function<bool(uint64_t, std::string_view)>& f) {
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
          const std::string joint = tail + std::string(n.text.substr(0, 3));
          size_t s = tail.size();
          while (s > 0 && isCont(tail[s - 1])) --s;
          if (s > 0 && charBytesAt(joint, s - 1) > tail.size() - (s - 1)) reason = "a character cut between chunks";
        }
        const std::string seen = tail + std::string(n.text.view());
        tail = seen.substr(seen.size() > 3 ? seen.size() - 3 : 0);
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
