// The terminal desktop draws into a grid of cells; a thin layer copies the
// cells that changed to the terminal. A cell holds one character (with its
// combining marks) as UTF-8, its width, colours and attributes. Everything
// drawn goes through visibleText, so no text reaches the terminal as a
// control sequence.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace platform::terminal {

// Colours are 0x00BBGGRR, as the controls give them; kDefault is the
// terminal's own foreground or background.
inline constexpr uint32_t kDefault = 0xFF000000u;

namespace attr {
inline constexpr uint8_t Bold = 1, Underline = 2, Reverse = 4, Italic = 8, Dim = 16;
}

struct Style {
  uint32_t fg = kDefault;
  uint32_t bg = kDefault;
  uint8_t attrs = 0;
  friend bool operator==(const Style&, const Style&) = default;
};

// A cell's character with its combining marks, UTF-8: kept in the cell
// itself up to kInline bytes (nearly every character with its marks), a
// longer sequence on the heap. A grid of these is a fraction of the size of
// one of strings, and copied without allocating.
class CellText {
 public:
  static constexpr size_t kInline = 14;

  CellText() noexcept { setInline(" ", 1); }
  CellText(const CellText& other) { copyFrom(other); }
  CellText(CellText&& other) noexcept;
  CellText& operator=(const CellText& other);
  CellText& operator=(CellText&& other) noexcept;
  ~CellText() { release(); }

  void assign(std::string_view text);
  void append(std::string_view more);

  const char* data() const noexcept;
  size_t size() const noexcept;
  bool empty() const noexcept { return size() == 0; }
  const char* begin() const noexcept { return data(); }
  const char* end() const noexcept { return data() + size(); }
  std::string_view view() const noexcept { return {data(), size()}; }
  operator std::string_view() const noexcept { return view(); }

  friend bool operator==(const CellText& a, const CellText& b) noexcept { return a.view() == b.view(); }
  friend bool operator==(const CellText& a, std::string_view b) noexcept { return a.view() == b; }
  friend std::string operator+(std::string a, const CellText& b) { return a.append(b.view()); }
  friend std::string operator+(const CellText& a, const CellText& b) { return std::string(a.view()) + b; }
  friend std::ostream& operator<<(std::ostream& out, const CellText& text);

 private:
  static constexpr unsigned char kLong = 0xFF;
  // Inline: the bytes, then their count in the last byte. Long: the heap
  // block's address and the count copied into the first bytes, kLong last.
  bool isLong() const noexcept { return static_cast<unsigned char>(bytes_[kInline]) == kLong; }
  void setInline(const char* text, size_t n) noexcept;
  void copyFrom(const CellText& other);
  void release() noexcept;
  char bytes_[kInline + 1];
};

struct Cell {
  CellText text;      // empty in the right half of a wide character
  uint8_t width = 1;  // 1, 2 (a wide character), 0 (its right half)
  Style style;
  friend bool operator==(const Cell&, const Cell&) = default;
};

// The cells a character takes: 0 (a combining mark), 1 or 2.
int32_t charWidth(char32_t c);
// The cells a text takes once made visible.
int32_t textWidth(std::string_view text);

class Grid {
 public:
  Grid() = default;
  Grid(int32_t width, int32_t height) { resize(width, height); }

  int32_t width() const noexcept { return width_; }
  int32_t height() const noexcept { return height_; }
  // A new size, every cell blank.
  void resize(int32_t width, int32_t height);
  void clear(Style style = {});

  const Cell& at(int32_t x, int32_t y) const { return cells_[static_cast<size_t>(y * width_ + x)]; }
  bool inside(int32_t x, int32_t y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

  // Writes the text from column x of row y, up to column `end` (exclusive;
  // -1: the grid's width); control characters are drawn as symbols, a
  // wide character that does not fit becomes a blank. Returns the column
  // after the text.
  int32_t put(int32_t x, int32_t y, std::string_view text, Style style, int32_t end = -1);
  // One character (UTF-8, with its combining marks) at a cell.
  int32_t putChar(int32_t x, int32_t y, std::string_view ch, Style style, int32_t end = -1);
  void fill(int32_t x, int32_t y, int32_t w, int32_t h, Style style);
  // Changes the style of cells already drawn.
  void restyle(int32_t x, int32_t y, int32_t w, Style style);
  void addAttrs(int32_t x, int32_t y, int32_t w, uint8_t attrs);

  // Where the terminal's cursor stands (-1: hidden).
  int32_t cursorX = -1, cursorY = -1;

  // A row's characters, and all rows joined by line feeds, without the
  // blanks at the ends of the rows.
  std::string rowText(int32_t y) const;
  std::string text() const;
  // Whether the row holds the text.
  bool rowHas(int32_t y, std::string_view text) const { return rowText(y).find(text) != std::string::npos; }
  // The first row that holds the text, or -1.
  int32_t findRow(std::string_view text) const;

 private:
  Cell& cell(int32_t x, int32_t y) { return cells_[static_cast<size_t>(y * width_ + x)]; }
  void clearHalf(int32_t x, int32_t y);
  int32_t width_ = 0, height_ = 0;
  std::vector<Cell> cells_;
};

// A run of cells of one row that differ between what the terminal shows
// and the next frame.
struct Run {
  int32_t y = 0;
  int32_t x = 0;
  int32_t count = 0;
  friend bool operator==(const Run&, const Run&) = default;
};
// The changed runs, row by row; everything when the sizes differ. A run
// never starts or ends in the middle of a wide character.
std::vector<Run> changedRuns(const Grid& shown, const Grid& next);

// The cells a frame writes to the terminal: the cells of the changed runs
// that start a character (the right half of a wide character comes with
// its left half), row by row.
struct CellAt {
  int32_t x = 0, y = 0;
  friend bool operator==(const CellAt&, const CellAt&) = default;
};
std::vector<CellAt> cellsToWrite(const Grid& shown, const Grid& next);

}  // namespace platform::terminal
