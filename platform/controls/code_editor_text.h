// The code editor's text: a list of lines without their line breaks.
//
// The lines are the line index: line n is lines_[n], so reaching a line,
// its length or a position is constant time, and an edit inside one line
// touches that line alone. The text always has at least one (possibly
// empty) line. Positions are 0-based line and column numbers; a column
// counts bytes of the UTF-8 text and is kept on a character boundary.
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

// Splits a text at CR LF, LF and lone CR; an empty text is one empty line.
std::vector<std::string> splitLines(std::string_view text);

class CodeText {
 public:
  CodeText() : lines_(1) {}

  int32_t lineCount() const noexcept { return static_cast<int32_t>(lines_.size()); }
  const std::string& line(int32_t n) const { return lines_[static_cast<size_t>(n)]; }
  int32_t lineLength(int32_t n) const { return static_cast<int32_t>(line(n).size()); }
  // Bytes of the lines without their breaks.
  int64_t charCount() const noexcept { return chars_; }
  // The length of the text with CR LF line breaks.
  int64_t lengthCrLf() const noexcept { return chars_ + 2 * (static_cast<int64_t>(lines_.size()) - 1); }

  void assign(std::string_view text);
  void assignLines(std::vector<std::string> lines);
  // The whole text with the given line break between lines.
  std::string joined(std::string_view lineBreak = "\r\n") const;

  // The position clamped into the text: line to 0..lineCount-1, column to
  // 0..length of the line, then back onto the start of its character.
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

 private:
  std::vector<std::string> lines_;
  int64_t chars_ = 0;
};

}  // namespace platform::controls
