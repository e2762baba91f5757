// The code editor's text: a list of lines without their line breaks.
//
// The lines are the line index: line n is lines_[n], so reaching a line is
// constant time, and an edit inside one line touches that line alone. The
// text always has at least one (possibly empty) line.
//
// The lines are stored as UTF-8 bytes, but every position, column and
// length that the text gives or takes counts characters, as the runtime's
// string functions (Len, Mid, InStr) count them: a valid UTF-8 sequence is
// one character, and so is each byte that does not start one. Such a byte
// stays in the text unchanged. Positions are 0-based line and column
// numbers. Reaching a column counts the characters of its line only.
//
// Outside, the text's line breaks are CR LF whatever they were when the
// text came in (CR LF, LF or a lone CR).
#pragma once

#include <cstdint>
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
  CodeText() : lines_(1) {}

  int32_t lineCount() const noexcept { return static_cast<int32_t>(lines_.size()); }
  // The UTF-8 bytes of line n.
  const std::string& line(int32_t n) const { return lines_[static_cast<size_t>(n)]; }
  // The characters of line n.
  int32_t lineLength(int32_t n) const;
  // Characters of the lines without their breaks.
  int64_t charCount() const noexcept { return chars_; }
  // The length of the text with CR LF line breaks, in characters.
  int64_t lengthCrLf() const noexcept { return chars_ + 2 * (static_cast<int64_t>(lines_.size()) - 1); }

  void assign(std::string_view text);
  void assignLines(std::vector<std::string> lines);
  // The whole text with the given line break between lines.
  std::string joined(std::string_view lineBreak = "\r\n") const;

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

 private:
  std::vector<std::string> lines_;
  int64_t chars_ = 0;
};

}  // namespace platform::controls
