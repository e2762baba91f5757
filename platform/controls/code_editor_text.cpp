#include "platform/controls/code_editor_text.h"

#include <algorithm>

namespace platform::controls {

namespace {
bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }
}  // namespace

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

void CodeText::assign(std::string_view text) { assignLines(splitLines(text)); }

void CodeText::assignLines(std::vector<std::string> lines) {
  if (lines.empty()) lines.emplace_back();
  lines_ = std::move(lines);
  chars_ = 0;
  for (const auto& l : lines_) chars_ += static_cast<int64_t>(l.size());
}

std::string CodeText::joined(std::string_view lineBreak) const {
  std::string out;
  out.reserve(static_cast<size_t>(chars_) + lineBreak.size() * lines_.size());
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (i) out += lineBreak;
    out += lines_[i];
  }
  return out;
}

TextPos CodeText::clamp(TextPos p) const {
  p.line = std::clamp(p.line, 0, lineCount() - 1);
  const std::string& l = line(p.line);
  p.column = std::clamp(p.column, 0, static_cast<int32_t>(l.size()));
  while (p.column > 0 && p.column < static_cast<int32_t>(l.size()) &&
         isContinuation(static_cast<unsigned char>(l[static_cast<size_t>(p.column)])))
    --p.column;
  return p;
}

TextPos CodeText::endPos() const { return {lineCount() - 1, lineLength(lineCount() - 1)}; }

std::string CodeText::extract(TextPos a, TextPos b) const {
  if (a.line == b.line) return line(a.line).substr(static_cast<size_t>(a.column),
                                                   static_cast<size_t>(b.column - a.column));
  std::string out = line(a.line).substr(static_cast<size_t>(a.column));
  for (int32_t n = a.line + 1; n < b.line; ++n) {
    out += "\r\n";
    out += line(n);
  }
  out += "\r\n";
  out.append(line(b.line), 0, static_cast<size_t>(b.column));
  return out;
}

TextPos CodeText::replace(TextPos a, TextPos b, std::string_view text) {
  const bool multi = text.find_first_of("\r\n") != std::string_view::npos;
  std::string& first = lines_[static_cast<size_t>(a.line)];
  if (!multi && a.line == b.line) {
    // The common case (typing, deleting in a line): one line changes.
    chars_ += static_cast<int64_t>(text.size()) - (b.column - a.column);
    first.replace(static_cast<size_t>(a.column), static_cast<size_t>(b.column - a.column), text);
    return {a.line, a.column + static_cast<int32_t>(text.size())};
  }
  std::vector<std::string> pieces = splitLines(text);
  const std::string tail = line(b.line).substr(static_cast<size_t>(b.column));
  for (int32_t n = a.line; n <= b.line; ++n) chars_ -= lineLength(n);
  std::string head = first.substr(0, static_cast<size_t>(a.column));
  pieces.front().insert(0, head);
  const TextPos end{a.line + static_cast<int32_t>(pieces.size()) - 1,
                    static_cast<int32_t>(pieces.back().size())};
  pieces.back() += tail;
  for (const auto& p : pieces) chars_ += static_cast<int64_t>(p.size());
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
  const std::string& l = line(n);
  if (column <= 0) return 0;
  --column;
  while (column > 0 && isContinuation(static_cast<unsigned char>(l[static_cast<size_t>(column)])))
    --column;
  return column;
}

int32_t CodeText::nextColumn(int32_t n, int32_t column) const {
  const std::string& l = line(n);
  const int32_t len = static_cast<int32_t>(l.size());
  if (column >= len) return len;
  ++column;
  while (column < len && isContinuation(static_cast<unsigned char>(l[static_cast<size_t>(column)])))
    ++column;
  return column;
}

}  // namespace platform::controls
