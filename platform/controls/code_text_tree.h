// The inside of the code editor's text tree (code_editor_text.h), shared
// by the files that read it and edit it: the chunk and node sizes, a node,
// the way down to a leaf, and the counts kept for each child.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/controls/code_editor_text.h"

namespace platform::controls::text_tree {

inline bool isHigh(char c) { return static_cast<unsigned char>(c) >= 0x80; }
inline bool isCont(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The sizes of the chunks: a chunk grows to kLeafMax bytes and is then
// cut; a whole text is cut into chunks of kLeafBuild bytes, so that typing
// into a loaded text does not cut at once. An inner node has at most
// kKidsMax children, kKidsBuild when built from a whole text.
inline constexpr size_t kLeafMax = 4096;
inline constexpr size_t kLeafBuild = 3072;
inline constexpr size_t kKidsMax = 32;
inline constexpr size_t kKidsBuild = 24;
inline constexpr int kMaxDepth = 40;

// The line feeds of a text, sixteen bytes at a time (eight without SSE2).
inline uint64_t countBreaks(std::string_view s) {
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
    const uint64_t x = w ^ lf;                             // a zero byte where a line feed was
    const uint64_t t = ~(((x & low7) + low7) | x | low7);  // its top bit set, no other
    count += ((t >> 7) * 0x0101010101010101ull) >> 56;
  }
  for (; i < n; ++i) count += d[i] == '\n';
  return count;
}

// The first place at or after p where a character starts, judged by the
// bytes of t alone, whose first byte starts a character: a byte that
// continues no sequence starts one, and so does the byte after three
// continuation bytes (no sequence is longer). At most three bytes on.
inline size_t safeCut(std::string_view t, size_t p) {
  while (p < t.size() && isCont(t[p])) {
    size_t before = 0;
    while (before < 3 && before < p && isCont(t[p - 1 - before])) ++before;
    if (before == 3 || before == p) break;
    ++p;
  }
  return std::min(p, t.size());
}

}  // namespace platform::controls::text_tree

namespace platform::controls {

// A leaf's bytes: its own, or a part of a text read whole (assignShared)
// that the leaf looks into until its first change makes them its own.
class LeafBytes {
 public:
  LeafBytes& operator=(std::string bytes) {
    own_ = std::move(bytes);
    looks_ = false;
    part_ = {};
    return *this;
  }
  void lookInto(std::string_view part) {
    own_ = std::string();
    looks_ = true;
    part_ = part;
  }
  std::string_view view() const { return looks_ ? part_ : std::string_view(own_); }
  operator std::string_view() const { return view(); }
  size_t size() const { return view().size(); }
  bool empty() const { return view().empty(); }
  const char* data() const { return view().data(); }
  char operator[](size_t i) const { return view()[i]; }
  std::string_view substr(size_t at, size_t n = std::string_view::npos) const { return view().substr(at, n); }
  // The bytes to change, the leaf's own from here on.
  std::string& own() {
    if (looks_) {
      own_.assign(part_);
      looks_ = false;
      part_ = {};
    }
    return own_;
  }
  bool looksInto() const { return looks_; }

 private:
  std::string own_;
  bool looks_ = false;
  std::string_view part_;
};

struct CodeText::Node {
  bool leaf = true;
  LeafBytes text;         // a leaf's bytes
  std::vector<Sum> sums;  // an inner node's: one per child
  std::vector<std::unique_ptr<Node>> kids;
};

// The way down to one leaf: the inner nodes passed and the child taken in
// each, and the counts of everything before the leaf.
struct CodeText::Hit {
  Node* path[text_tree::kMaxDepth];
  uint32_t index[text_tree::kMaxDepth];
  int depth = 0;
  Node* leaf = nullptr;
  Sum before;
};

}  // namespace platform::controls

namespace platform::controls::text_tree {

using Sum = CodeText::Sum;

inline Sum sumOf(std::string_view t) { return {t.size(), countBreaks(t), static_cast<uint64_t>(countChars(t))}; }
inline Sum& operator+=(Sum& a, const Sum& b) {
  a.bytes += b.bytes, a.breaks += b.breaks, a.chars += b.chars;
  return a;
}
// a - old + now, by parts (the counts stay whole numbers).
inline void change(Sum& a, const Sum& old, const Sum& now) {
  a.bytes = a.bytes - old.bytes + now.bytes;
  a.breaks = a.breaks - old.breaks + now.breaks;
  a.chars = a.chars - old.chars + now.chars;
}
inline bool operator==(const Sum& a, const Sum& b) {
  return a.bytes == b.bytes && a.breaks == b.breaks && a.chars == b.chars;
}

enum How { ByByteRight, ByByteLeft, ByBreak, ByChar };

template <class N>
Sum totalOf(const N& n) {
  if (n.leaf) return sumOf(n.text);
  Sum s;
  for (const Sum& k : n.sums) s += k;
  return s;
}

}  // namespace platform::controls::text_tree
