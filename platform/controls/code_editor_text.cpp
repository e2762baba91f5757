#include "platform/controls/code_editor_text.h"

#include <algorithm>
#include <cstring>

#include "platform/runtime/strings.h"

namespace platform::controls {

namespace {

bool isHigh(char c) { return static_cast<unsigned char>(c) >= 0x80; }

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

}  // namespace

size_t charBytesAt(std::string_view s, size_t i) {
  if (!isHigh(s[i])) return 1;
  // The runtime's own rule, so that the editor and Len/Mid agree.
  return byteOffsetOfChar(s.substr(i, 4), 1);
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

int32_t CodeText::lineLength(int32_t n) const { return static_cast<int32_t>(countChars(line(n))); }

void CodeText::assign(std::string_view text) { assignLines(splitLines(text)); }

void CodeText::assignLines(std::vector<std::string> lines) {
  if (lines.empty()) lines.emplace_back();
  lines_ = std::move(lines);
  chars_ = 0;
  for (const auto& l : lines_) chars_ += countChars(l);
}

std::string CodeText::joined(std::string_view lineBreak) const {
  size_t bytes = 0;
  for (const auto& l : lines_) bytes += l.size() + lineBreak.size();
  std::string out;
  out.reserve(bytes);
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (i) out += lineBreak;
    out += lines_[i];
  }
  return out;
}

TextPos CodeText::clamp(TextPos p) const {
  p.line = std::clamp(p.line, 0, lineCount() - 1);
  if (p.column <= 0) {
    p.column = 0;
  } else {
    // A column past the end of an ASCII line needs no counting.
    const std::string& l = line(p.line);
    if (static_cast<size_t>(p.column) > l.size()) p.column = static_cast<int32_t>(std::min<size_t>(l.size(), INT32_MAX));
    p.column = std::min(p.column, lineLength(p.line));
  }
  return p;
}

TextPos CodeText::endPos() const { return {lineCount() - 1, lineLength(lineCount() - 1)}; }

TextBytePos CodeText::toBytes(TextPos p) const {
  return {p.line, byteOffsetOfColumn(line(p.line), p.column)};
}

TextPos CodeText::toColumns(TextBytePos p) const {
  return {p.line, columnOfByteOffset(line(p.line), p.offset)};
}

std::string CodeText::extract(TextPos a, TextPos b) const { return extractBytes(toBytes(a), toBytes(b)); }

TextPos CodeText::replace(TextPos a, TextPos b, std::string_view text) {
  return toColumns(replaceBytes(toBytes(a), toBytes(b), text));
}

std::string CodeText::extractBytes(TextBytePos a, TextBytePos b) const {
  if (a.line == b.line) return line(a.line).substr(a.offset, b.offset - a.offset);
  std::string out = line(a.line).substr(a.offset);
  for (int32_t n = a.line + 1; n < b.line; ++n) {
    out += "\r\n";
    out += line(n);
  }
  out += "\r\n";
  out.append(line(b.line), 0, b.offset);
  return out;
}

TextBytePos CodeText::replaceBytes(TextBytePos a, TextBytePos b, std::string_view text) {
  const bool multi = text.find_first_of("\r\n") != std::string_view::npos;
  std::string& first = lines_[static_cast<size_t>(a.line)];
  // The lines are counted again whole: bytes that meet at the edges of the
  // edit may make or break a character.
  if (!multi && a.line == b.line) {
    // The common case (typing, deleting in a line): one line changes.
    chars_ -= countChars(first);
    first.replace(a.offset, b.offset - a.offset, text);
    chars_ += countChars(first);
    return {a.line, a.offset + text.size()};
  }
  std::vector<std::string> pieces = splitLines(text);
  const std::string tail = line(b.line).substr(b.offset);
  for (int32_t n = a.line; n <= b.line; ++n) chars_ -= countChars(line(n));
  pieces.front().insert(0, first, 0, a.offset);
  const TextBytePos end{a.line + static_cast<int32_t>(pieces.size()) - 1, pieces.back().size()};
  pieces.back() += tail;
  for (const auto& p : pieces) chars_ += countChars(p);
  const size_t oldCount = static_cast<size_t>(b.line - a.line + 1);
  const auto at = lines_.begin() + a.line;
  // Reuse the slots that both versions have, then insert or erase the rest.
  const size_t common = std::min(oldCount, pieces.size());
  for (size_t i = 0; i < common; ++i) at[static_cast<std::ptrdiff_t>(i)] = std::move(pieces[i]);
  if (pieces.size() > oldCount) {
    lines_.insert(at + static_cast<std::ptrdiff_t>(oldCount),
                  std::make_move_iterator(pieces.begin() + static_cast<std::ptrdiff_t>(oldCount)),
                  std::make_move_iterator(pieces.end()));
  } else if (oldCount > pieces.size()) {
    lines_.erase(at + static_cast<std::ptrdiff_t>(common), at + static_cast<std::ptrdiff_t>(oldCount));
  }
  return end;
}

int32_t CodeText::prevColumn(int32_t n, int32_t column) const {
  if (column <= 0) return 0;
  return std::min(column, lineLength(n)) - 1;
}

int32_t CodeText::nextColumn(int32_t n, int32_t column) const {
  const int32_t length = lineLength(n);
  return column >= length ? length : std::max(column, -1) + 1;
}

}  // namespace platform::controls
