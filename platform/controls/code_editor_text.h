// The code editor's text: a tree of chunks.
//
// The text is kept as one run of UTF-8 bytes with CR LF between lines,
// whatever the breaks were when the text came in (CR LF, LF or a lone CR):
// the bytes are exactly the text that comes out and is saved. They are cut
// into chunks of at most a few kilobytes, the leaves of a balanced tree;
// every inner node keeps, for each child, its bytes, its line feeds and its
// characters. Reaching a line, a column or a byte walks down the tree and
// looks into one chunk, so an edit costs the edit and the height of the
// tree, never the length of the document or of a line.
//
// Every position, column and length that the text gives or takes counts
// characters, as the runtime's string functions (Len, Mid, InStr) count
// them: a valid UTF-8 sequence is one character, and so is each byte that
// does not start one. Such a byte stays in the text unchanged. A chunk
// never ends inside a valid sequence, so the characters of a chunk count
// on their own. Positions are 0-based line and column numbers. The text
// always has at least one (possibly empty) line.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform::controls {

struct TextPos {
  int32_t line = 0;
  int32_t column = 0;
  friend bool operator==(const TextPos&, const TextPos&) = default;
  friend auto operator<=>(const TextPos& a, const TextPos& b) {
    if (a.line != b.line) return a.line <=> b.line;
    return a.column <=> b.column;
  }
};

// A place in the text by its byte: the line and the byte offset in it.
struct TextBytePos {
  int32_t line = 0;
  size_t offset = 0;
  friend bool operator==(const TextBytePos&, const TextBytePos&) = default;
};

// Splits a text at CR LF, LF and lone CR; an empty text is one empty line.
std::vector<std::string> splitLines(std::string_view text);
// The text with every line break (CR LF, LF, lone CR) made CR LF.
std::string withCrLf(std::string_view text);

// The bytes of the character that starts at s[i] (i < s.size()): the
// length of a valid UTF-8 sequence, else 1.
size_t charBytesAt(std::string_view s, size_t i);
// The characters of a text.
int64_t countChars(std::string_view s);
// The byte offset of the character `column` of s (s.size() at or past its
// end; 0 for a column below 1).
size_t byteOffsetOfColumn(std::string_view s, int64_t column);
// The column of a byte offset: the characters that start before it.
int32_t columnOfByteOffset(std::string_view s, size_t offset);
bool isAscii(std::string_view s) noexcept;

class CodeText {
 public:
  // A replacement of `removed` bytes at the byte `at` with `text` (CR LF
  // breaks), for splice.
  struct Splice {
    uint64_t at = 0;
    uint64_t removed = 0;
    std::string_view text;
  };
  static constexpr uint64_t npos = ~uint64_t{0};
  // The tree's own: a node, and the bytes, line feeds and characters of a
  // part of the text.
  struct Node;
  struct Sum {
    uint64_t bytes = 0, breaks = 0, chars = 0;
  };

  CodeText();
  ~CodeText();
  CodeText(const CodeText&) = delete;
  CodeText& operator=(const CodeText&) = delete;

  int32_t lineCount() const noexcept;
  // The UTF-8 bytes of line n, without its break.
  std::string line(int32_t n) const;
  // The bytes of line n.
  size_t lineBytes(int32_t n) const;
  // The characters of line n.
  int32_t lineLength(int32_t n) const;
  // Characters of the lines without their breaks.
  int64_t charCount() const noexcept;
  // The length of the text with CR LF line breaks, in characters.
  int64_t lengthCrLf() const noexcept;

  void assign(std::string_view text);
  // The same for a text that `source` hands on in parts, one after the
  // other (a CR LF may be cut between two of them): the text is what
  // assign would make of the parts put together, without putting them
  // together first. When source throws, the text stays as it was.
  using Parts = std::function<void(const std::function<void(std::string_view)>&)>;
  void assignParts(const Parts& source);
  // The same as assign for bytes that stay as long as `owner` is held:
  // the chunks that are a part of them as they stand (runs with CR LF
  // breaks) look into them instead of copying them, each until its first
  // change, and the text holds `owner` until it is assigned again.
  void assignShared(std::string_view bytes, std::shared_ptr<const void> owner);
  // The whole text with CR LF line breaks.
  std::string joined() const;

  // The position clamped into the text: line to 0..lineCount-1, column to
  // 0..length of the line.
  TextPos clamp(TextPos p) const;
  TextPos endPos() const;
  // The text from a to b (a <= b, both valid), with CR LF line breaks.
  std::string extract(TextPos a, TextPos b) const;
  // Replaces the text from a to b (a <= b, both valid) with `text`, whose
  // line breaks may be any of the three kinds. Returns the end of the
  // inserted text.
  TextPos replace(TextPos a, TextPos b, std::string_view text);

  // The column of the character before / after `column` on line n.
  int32_t prevColumn(int32_t n, int32_t column) const;
  int32_t nextColumn(int32_t n, int32_t column) const;

  // Between positions and bytes (p valid; an offset inside a character
  // gives the column after it).
  TextBytePos toBytes(TextPos p) const;
  TextPos toColumns(TextBytePos p) const;
  // extract and replace by bytes (a before b, both valid). The bytes are
  // exact: an undo that puts back the bytes it took out restores the text
  // even where the edit joined or split the characters around it.
  std::string extractBytes(TextBytePos a, TextBytePos b) const;
  TextBytePos replaceBytes(TextBytePos a, TextBytePos b, std::string_view text);

  // --- The text as its bytes (CR LF breaks) -------------------------------
  uint64_t byteSize() const noexcept;
  // Between a place by line and the byte of the whole text.
  uint64_t offsetOf(TextBytePos p) const;
  TextBytePos bytePosOf(uint64_t offset) const;
  // The byte at `offset` (< byteSize()).
  char byteAt(uint64_t offset) const;
  std::string bytes(uint64_t from, uint64_t to) const;
  // The chunks that hold the bytes from..to, in order.
  void forEachPiece(uint64_t from, uint64_t to, const std::function<void(std::string_view)>& f) const;
  std::vector<std::string_view> pieces() const;
  // Replaces the bytes from..to with `text`, which has CR LF breaks only.
  void replaceAt(uint64_t from, uint64_t to, std::string_view text);
  // Many replacements at once, in one pass over the text: sorted by `at`,
  // none overlapping another, all by the bytes of the text as it is now.
  void splice(const std::vector<Splice>& edits);
  // The first place at or after `from` where `needle` (ASCII, in lower
  // case) stands, ASCII letters compared without case; npos when none.
  uint64_t findAscii(std::string_view needle, uint64_t from) const;
  // The blanks (spaces and tabs) that begin line n, in bytes.
  size_t leadingBlanks(int32_t n) const;

  // A count that every change of the text moves on, and the first byte
  // that the changes made since a count may have touched, the characters
  // they may have joined or split included (npos: no change since; 0 when
  // that many changes ago is no longer known). Lets a reader keep what it
  // worked out about the bytes before a change.
  uint64_t revision() const noexcept { return revision_; }
  uint64_t changedSince(uint64_t revision) const;

  // Whether the tree is sound: every count the sum of its children's, no
  // chunk above its size or ending inside a character (for the tests).
  bool checkTree(std::string* why = nullptr) const;

 private:
  struct Hit;
  struct LineStart {
    int32_t line = -1;
    uint64_t bytes = 0;
    uint64_t chars = 0;
  };
  LineStart lineStart(int32_t n) const;
  // The start of line n and of the next (the end of the text for the last).
  void lineSpan(int32_t n, LineStart& start, uint64_t& endBytes, uint64_t& endChars) const;
  uint64_t charsBefore(uint64_t offset) const;
  uint64_t byteOfChar(uint64_t chars) const;
  void locate(Hit& h, int how, uint64_t target) const;
  void replaceRange(uint64_t from, uint64_t to, std::string_view text, bool fix);
  void eraseRange(uint64_t from, uint64_t to);
  void splitLeaf(Hit& h);
  void insertSiblings(Hit& h, int level, std::vector<std::unique_ptr<Node>> nodes, std::vector<Sum> sums);
  void removeLeaf(Hit& h);
  void collapseRoot();
  void fixEdge(uint64_t at);
  void build(const std::function<void(const std::function<void(std::string_view)>&)>& source,
             std::string_view shared = {});

  std::unique_ptr<Node> root_;
  // What the chunks of the last assignShared look into.
  std::shared_ptr<const void> shared_;
  Sum total_;
  mutable LineStart lineCache_[4];
  mutable unsigned lineCacheNext_ = 0;
  // The last changes: their revision and first byte.
  void noteChange(uint64_t from);
  static constexpr unsigned kChanges = 16;
  uint64_t revision_ = 0;
  struct Change {
    uint64_t revision = 0, from = 0;
  } changes_[kChanges];
};

}  // namespace platform::controls
