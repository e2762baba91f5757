#include "platform/terminal/cell_grid.h"

#include <algorithm>
#include <cstring>
#include <ostream>

#include "platform/controls/line_layout.h"
#include "platform/runtime/strings.h"
#include "platform/ui/visible_text.h"

namespace platform::terminal {

namespace {

// The length of the character at i and its code point, by the runtime's
// one rule (visibleText has replaced every byte that is no UTF-8).
size_t decode(std::string_view s, size_t i, char32_t* cp) {
  const Utf8Char c = charAt(s, i);
  *cp = c.code;
  return c.bytes;
}

}  // namespace

CellText::CellText(CellText&& other) noexcept {
  std::memcpy(bytes_, other.bytes_, sizeof bytes_);
  other.setInline(" ", 1);
}

CellText& CellText::operator=(const CellText& other) {
  if (this != &other) {
    if (!isLong() && !other.isLong()) {
      std::memcpy(bytes_, other.bytes_, sizeof bytes_);
    } else {
      CellText copy(other);
      *this = std::move(copy);
    }
  }
  return *this;
}

CellText& CellText::operator=(CellText&& other) noexcept {
  if (this != &other) {
    release();
    std::memcpy(bytes_, other.bytes_, sizeof bytes_);
    other.setInline(" ", 1);
  }
  return *this;
}

void CellText::setInline(const char* text, size_t n) noexcept {
  if (n > 0) std::memcpy(bytes_, text, n);
  bytes_[kInline] = static_cast<char>(n);
}

void CellText::copyFrom(const CellText& other) {
  if (!other.isLong()) {
    std::memcpy(bytes_, other.bytes_, sizeof bytes_);
    return;
  }
  setInline("", 0);
  assign(other.view());
}

void CellText::release() noexcept {
  if (!isLong()) return;
  char* heap = nullptr;
  std::memcpy(&heap, bytes_, sizeof heap);
  delete[] heap;
  setInline("", 0);
}

void CellText::assign(std::string_view text) {
  if (text.size() <= kInline) {
    // The text may lie in this cell's own block.
    char copy[kInline];
    if (!text.empty()) std::memcpy(copy, text.data(), text.size());
    release();
    setInline(copy, text.size());
    return;
  }
  const auto n = static_cast<uint32_t>(text.size());
  char* heap = new char[n];
  std::memcpy(heap, text.data(), n);
  release();
  std::memcpy(bytes_, &heap, sizeof heap);
  std::memcpy(bytes_ + sizeof heap, &n, sizeof n);
  bytes_[kInline] = static_cast<char>(kLong);
}

void CellText::append(std::string_view more) {
  std::string joined(view());
  joined.append(more);
  assign(joined);
}

const char* CellText::data() const noexcept {
  if (!isLong()) return bytes_;
  const char* heap = nullptr;
  std::memcpy(&heap, bytes_, sizeof heap);
  return heap;
}

size_t CellText::size() const noexcept {
  if (!isLong()) return static_cast<unsigned char>(bytes_[kInline]);
  uint32_t n = 0;
  std::memcpy(&n, bytes_ + sizeof(char*), sizeof n);
  return n;
}

std::ostream& operator<<(std::ostream& out, const CellText& text) { return out << text.view(); }

int32_t charWidth(char32_t c) { return controls::charCells(c); }

int32_t textWidth(std::string_view text) {
  std::string safe;
  if (ui::needsVisibleText(text)) {
    safe = ui::visibleText(text);
    text = safe;
  }
  int32_t w = 0;
  for (size_t i = 0; i < text.size();) {
    char32_t c;
    i += decode(text, i, &c);
    w += charWidth(c);
  }
  return w;
}

void Grid::resize(int32_t width, int32_t height) {
  width_ = std::max(0, width);
  height_ = std::max(0, height);
  cells_.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), Cell{});
  cursorX = cursorY = -1;
}

namespace {

void blank(Cell& c, Style style) {
  c.text.assign(" ");
  c.width = 1;
  c.style = style;
}

void set(Cell& c, std::string_view text, uint8_t width, Style style) {
  c.text.assign(text);
  c.width = width;
  c.style = style;
}

}  // namespace

void Grid::clear(Style style) {
  for (auto& c : cells_) blank(c, style);
  cursorX = cursorY = -1;
}

// Before a cell is written: a wide character that it is half of becomes a
// blank, so that no orphaned half is left.
void Grid::clearHalf(int32_t x, int32_t y) {
  Cell& c = cell(x, y);
  if (c.width == 0 && x > 0) {
    Cell& left = cell(x - 1, y);
    blank(left, left.style);
  } else if (c.width == 2 && x + 1 < width_) {
    Cell& right = cell(x + 1, y);
    blank(right, right.style);
  }
}

int32_t Grid::putChar(int32_t x, int32_t y, std::string_view ch, Style style, int32_t end) {
  if (end < 0 || end > width_) end = width_;
  if (y < 0 || y >= height_ || x >= end || ch.empty()) return x;
  char32_t c;
  decode(ch, 0, &c);
  // A zero-width joiner is not sent: a terminal that joins the characters
  // around it into one glyph gives that glyph a width of its own, so the
  // cells after it would stand where the grid does not have them and keep
  // what the terminal showed there before. The characters stay apart,
  // each in the cells the grid gives it.
  if (c == 0x200D) return x;
  const int32_t w = charWidth(c);
  if (w == 0) {
    // A combining mark joins the character before it.
    if (x > 0 && x - 1 < width_) {
      int32_t at = x - 1;
      if (cell(at, y).width == 0 && at > 0) --at;
      cell(at, y).text.append(ch);
    }
    return x;
  }
  if (x < 0) return x + w;
  clearHalf(x, y);
  if (w == 2) {
    if (x + 1 >= end) {
      // A wide character that does not fit: a blank instead.
      blank(cell(x, y), style);
      return x + 1;
    }
    clearHalf(x + 1, y);
    set(cell(x, y), ch, 2, style);
    set(cell(x + 1, y), {}, 0, style);
    return x + 2;
  }
  set(cell(x, y), ch, 1, style);
  return x + 1;
}

int32_t Grid::put(int32_t x, int32_t y, std::string_view text, Style style, int32_t end) {
  std::string safe;
  if (ui::needsVisibleText(text)) {
    safe = ui::visibleText(text);
    text = safe;
  }
  if (end < 0 || end > width_) end = width_;
  for (size_t i = 0; i < text.size() && x < end;) {
    char32_t c;
    const size_t n = decode(text, i, &c);
    x = putChar(x, y, text.substr(i, n), style, end);
    i += n;
  }
  return x;
}

void Grid::fill(int32_t x, int32_t y, int32_t w, int32_t h, Style style) {
  for (int32_t r = std::max(0, y); r < std::min(height_, y + h); ++r)
    for (int32_t col = std::max(0, x); col < std::min(width_, x + w); ++col) {
      clearHalf(col, r);
      blank(cell(col, r), style);
    }
}

void Grid::restyle(int32_t x, int32_t y, int32_t w, Style style) {
  if (y < 0 || y >= height_) return;
  for (int32_t col = std::max(0, x); col < std::min(width_, x + w); ++col) cell(col, y).style = style;
}

void Grid::addAttrs(int32_t x, int32_t y, int32_t w, uint8_t attrs) {
  if (y < 0 || y >= height_) return;
  for (int32_t col = std::max(0, x); col < std::min(width_, x + w); ++col) cell(col, y).style.attrs |= attrs;
}

std::string Grid::rowText(int32_t y) const {
  std::string out;
  if (y < 0 || y >= height_) return out;
  for (int32_t x = 0; x < width_; ++x) out += at(x, y).text;
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

std::string Grid::text() const {
  std::string out;
  for (int32_t y = 0; y < height_; ++y) out += rowText(y) + "\n";
  return out;
}

int32_t Grid::findRow(std::string_view text) const {
  for (int32_t y = 0; y < height_; ++y)
    if (rowHas(y, text)) return y;
  return -1;
}

std::vector<Run> changedRuns(const Grid& shown, const Grid& next) {
  std::vector<Run> runs;
  const bool all = shown.width() != next.width() || shown.height() != next.height();
  for (int32_t y = 0; y < next.height(); ++y) {
    if (all) {
      runs.push_back({y, 0, next.width()});
      continue;
    }
    int32_t x = 0;
    while (x < next.width()) {
      if (shown.at(x, y) == next.at(x, y)) {
        ++x;
        continue;
      }
      int32_t start = x;
      while (x < next.width() && !(shown.at(x, y) == next.at(x, y))) ++x;
      // Whole wide characters at both ends.
      if (start > 0 && (next.at(start, y).width == 0 || shown.at(start, y).width == 0)) --start;
      if (x < next.width() && (next.at(x, y).width == 0 || shown.at(x, y).width == 0)) ++x;
      if (!runs.empty() && runs.back().y == y && runs.back().x + runs.back().count >= start)
        runs.back().count = x - runs.back().x;
      else
        runs.push_back({y, start, x - start});
    }
  }
  return runs;
}

std::vector<CellAt> cellsToWrite(const Grid& shown, const Grid& next) {
  std::vector<CellAt> out;
  for (const Run& run : changedRuns(shown, next))
    for (int32_t x = run.x; x < run.x + run.count; ++x)
      if (next.at(x, run.y).width != 0) out.push_back({x, run.y});
  return out;
}

}  // namespace platform::terminal
