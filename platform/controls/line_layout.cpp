#include "platform/controls/line_layout.h"

#include <algorithm>
#include <climits>

#include "platform/runtime/strings.h"
#include "platform/ui/visible_text.h"

namespace platform::controls {

namespace {

bool between(char32_t c, char32_t a, char32_t b) { return c >= a && c <= b; }

}  // namespace

int32_t charCells(char32_t c) {
  if (between(c, 0x0300, 0x036F) || between(c, 0x0483, 0x0489) || between(c, 0x0591, 0x05BD) ||
      between(c, 0x0610, 0x061A) || between(c, 0x064B, 0x065F) || between(c, 0x1AB0, 0x1AFF) ||
      between(c, 0x1DC0, 0x1DFF) || between(c, 0x200B, 0x200F) || between(c, 0x20D0, 0x20FF) ||
      between(c, 0xFE00, 0xFE0F) || between(c, 0xFE20, 0xFE2F) || c == 0x200D)
    return 0;
  if (between(c, 0x1100, 0x115F) || between(c, 0x2E80, 0x303E) || between(c, 0x3041, 0x33FF) ||
      between(c, 0x3400, 0x4DBF) || between(c, 0x4E00, 0x9FFF) || between(c, 0xA000, 0xA4CF) ||
      between(c, 0xAC00, 0xD7A3) || between(c, 0xF900, 0xFAFF) || between(c, 0xFE30, 0xFE4F) ||
      between(c, 0xFF00, 0xFF60) || between(c, 0xFFE0, 0xFFE6) || between(c, 0x1F300, 0x1F64F) ||
      between(c, 0x1F900, 0x1F9FF) || between(c, 0x20000, 0x3FFFD))
    return 2;
  return 1;
}

namespace {

// Lines of at least kIndexFrom bytes get marks, one every kMarkEvery bytes;
// a block of kBlock bytes is read from the text at a time.
constexpr uint64_t kIndexFrom = 32u << 10;
constexpr uint64_t kMarkEvery = 16u << 10;
constexpr uint64_t kBlock = 16u << 10;
constexpr size_t kMarkedLines = 8;
// Combining marks listed after one character at most (a line of nothing
// else would otherwise make one cell of the whole line).
constexpr int kMarksPerChar = 16;

// A character that the faces draw as a symbol of one cell: a control
// character, or one that would reorder the text around it.
bool isSymbol(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F) || (c >= 0x200E && ui::drawnAsSymbol(c)); }

int32_t cellsFor(const Utf8Char& u, int64_t at, int32_t tab) {
  if (!u.valid) return 1;
  const char32_t c = u.code;
  if (c == '\t') return static_cast<int32_t>(tab - at % tab);
  if (c < 0x7F) return 1;
  if (isSymbol(c)) return 1;
  return charCells(c);
}

LaidChar::Kind kindOf(const Utf8Char& u) {
  if (!u.valid) return LaidChar::Kind::Invalid;
  if (u.code == '\t') return LaidChar::Kind::Tab;
  if (u.code == ' ') return LaidChar::Kind::Space;
  if (isSymbol(u.code)) return LaidChar::Kind::Control;
  return LaidChar::Kind::Text;
}

// A place in a line: where a character starts, its column and its cell.
struct Pos {
  uint64_t byte = 0;
  int64_t column = 0;
  int64_t cell = 0;
};

// The bytes of one line, read from the text a block at a time.
class LineBytes {
 public:
  LineBytes(const CodeText& t, int32_t line) : t_(t), start_(t.offsetOf({line, 0})), size_(t.lineBytes(line)) {}
  uint64_t size() const noexcept { return size_; }
  uint64_t start() const noexcept { return start_; }
  // The character at byte p (< size()).
  Utf8Char at(uint64_t p) {
    need(p);
    return charAt(buf_, static_cast<size_t>(p - at_));
  }
  // The bytes from p on that are at hand (at least one; p < size()).
  std::string_view from(uint64_t p) {
    need(p);
    return std::string_view(buf_).substr(static_cast<size_t>(p - at_));
  }

 private:
  // Byte p at hand, and the three after it unless the line ends first.
  void need(uint64_t p) {
    const uint64_t end = at_ + buf_.size();
    if (p >= at_ && p < end && (p + 4 <= end || end == size_)) return;
    at_ = p;
    buf_ = t_.bytes(start_ + p, start_ + std::min(size_, p + kBlock));
  }
  const CodeText& t_;
  uint64_t start_, size_;
  std::string buf_;
  uint64_t at_ = 0;
};

// Where a walk along a line stops: at the first character that reaches
// past `cell`, at `column` or at `byte`, whichever comes first (or the end
// of the line).
struct Goal {
  int64_t cell = INT64_MAX;
  int64_t column = INT64_MAX;
  uint64_t byte = UINT64_MAX;
};

bool printableAscii(char c) { return c >= 0x20 && c < 0x7F; }

// Walks p on to the goal; with `marks`, adds a mark every kMarkEvery
// bytes past the last one.
void advance(LineBytes& r, Pos& p, int32_t tab, const Goal& g, std::vector<Pos>* marks) {
  while (p.byte < r.size() && p.column < g.column && p.byte < g.byte) {
    uint64_t limit = UINT64_MAX;
    if (marks) {
      const uint64_t next = marks->back().byte + kMarkEvery;
      if (p.byte >= next) {
        marks->push_back(p);
        continue;
      }
      limit = next - p.byte;
    }
    // A run of printable ASCII: a byte, a column and a cell each.
    const std::string_view d = r.from(p.byte);
    limit = std::min<uint64_t>({limit, d.size(), static_cast<uint64_t>(g.column - p.column), g.byte - p.byte});
    if (g.cell > p.cell)
      limit = std::min<uint64_t>(limit, static_cast<uint64_t>(g.cell - p.cell));
    else
      limit = 0;
    uint64_t k = 0;
    while (k < limit && printableAscii(d[static_cast<size_t>(k)])) ++k;
    if (k > 0) {
      p.byte += k;
      p.column += static_cast<int64_t>(k);
      p.cell += static_cast<int64_t>(k);
      continue;
    }
    const Utf8Char u = r.at(p.byte);
    const int32_t w = cellsFor(u, p.cell, tab);
    if (p.cell + w > g.cell) return;
    p.byte += u.bytes;
    p.column += 1;
    p.cell += w;
  }
}

}  // namespace

struct CodeEditor::LayoutMarks {
  struct Line {
    int32_t line = -1;
    uint64_t start = 0;  // the line's first byte in the text
    int32_t tab = 0;
    uint64_t revision = 0;  // the text's when the marks were last checked
    uint64_t used = 0;
    std::vector<Pos> marks;  // marks[0] is the line's start
    // The lexer's state every few kilobytes (lex[0]: the line's start),
    // for the language and colour generation they were found with; each
    // holds while the text up to the end of what it looked at stays.
    struct Lex {
      uint64_t byte = 0;
      LexState state;
    };
    std::vector<Lex> lex;
    const CompiledLanguage* language = nullptr;
    uint64_t colours = 0;
  };
  std::vector<Line> lines;
  uint64_t clock = 0;
};

namespace {

using Marks = CodeEditor::LayoutMarks;

void resetMarks(Marks::Line& l, int32_t line, uint64_t start, int32_t tab, uint64_t revision) {
  l.line = line;
  l.start = start;
  l.tab = tab;
  l.revision = revision;
  l.marks.assign(1, Pos{});
  l.lex.assign(1, {});
}

// The marks of a long line, checked against the changes of the text since
// they were made: those before the first changed byte stay.
Marks::Line* marksOf(const CodeEditor& e, LineBytes& r, int32_t line, int32_t tab) {
  if (r.size() < kIndexFrom) return nullptr;
  const CodeText& t = e.textModel();
  auto& slot = e.layoutMarks();
  if (!slot) slot = std::make_shared<Marks>();
  Marks& m = *slot;
  ++m.clock;
  Marks::Line* entry = nullptr;
  for (auto& l : m.lines)
    if (l.line == line) entry = &l;
  if (!entry) {
    if (m.lines.size() < kMarkedLines) {
      entry = &m.lines.emplace_back();
    } else {
      entry = &*std::min_element(m.lines.begin(), m.lines.end(),
                                 [](const Marks::Line& a, const Marks::Line& b) { return a.used < b.used; });
    }
    resetMarks(*entry, line, r.start(), tab, t.revision());
  } else if (entry->revision != t.revision()) {
    const uint64_t changed = t.changedSince(entry->revision);
    if (changed < entry->start || entry->start != r.start()) {
      resetMarks(*entry, line, r.start(), tab, t.revision());
    } else if (changed != CodeText::npos) {
      auto& marks = entry->marks;
      while (marks.size() > 1 && entry->start + marks.back().byte > changed) marks.pop_back();
      auto& lex = entry->lex;
      while (lex.size() > 1 && (lex.back().state.seen == UINT64_MAX || entry->start + lex.back().state.seen > changed))
        lex.pop_back();
    }
    entry->revision = t.revision();
  }
  if (entry->tab != tab || entry->start != r.start()) resetMarks(*entry, line, r.start(), tab, t.revision());
  entry->used = m.clock;
  return entry;
}

// p walked from the line's start (or the best mark) to the goal.
Pos seek(const CodeEditor& e, LineBytes& r, int32_t line, int32_t tab, const Goal& g) {
  Pos p;
  Marks::Line* l = marksOf(e, r, line, tab);
  if (!l) {
    advance(r, p, tab, g, nullptr);
    return p;
  }
  auto& marks = l->marks;
  // The last mark before the goal.
  const auto after = std::upper_bound(marks.begin() + 1, marks.end(), g, [](const Goal& goal, const Pos& m) {
    return m.cell >= goal.cell || m.column > goal.column || m.byte > goal.byte;
  });
  p = *(after - 1);
  advance(r, p, tab, g, after == marks.end() ? &marks : nullptr);
  return p;
}

int32_t tabOf(const CodeEditor& e) { return std::max(1, e.tabSize()); }

// A lex state is kept every kLexEvery bytes; the lexer reads the line
// kLexBlock bytes at a time (more while one step needs more).
constexpr uint64_t kLexEvery = 4u << 10;
constexpr uint64_t kLexBlock = 16u << 10;

// The colours of a long line's characters, from the lex state kept
// before the first of them: the same as the whole line's tokens give
// them, though only the bytes from that state to the last character are
// read. New states are kept on the way.
void colourLongLine(const CodeEditor& e, LineBytes& r, Marks::Line& l, std::vector<LaidChar>& chars) {
  const CompiledLanguage* language = e.colouringLanguage();
  if (!language || chars.empty()) return;
  if (l.language != language || l.colours != e.colourGeneration()) {
    l.lex.assign(1, {});
    l.language = language;
    l.colours = e.colourGeneration();
  }
  const uint64_t from = chars.front().byte, to = chars.back().byte + chars.back().bytes;
  auto& lex = l.lex;
  const auto after = std::upper_bound(lex.begin(), lex.end(), from,
                                      [](uint64_t b, const Marks::Line::Lex& m) { return b < m.byte; });
  const bool extending = after == lex.end();
  uint64_t at = (after - 1)->byte;
  LexState s = (after - 1)->state;
  std::vector<LexPiece> pieces;
  std::string window;
  uint64_t base = 0, size = kLexBlock;
  const CodeText& t = e.textModel();
  bool whole = false;
  const auto fetch = [&] {
    base = at;
    const uint64_t end = std::min(r.size(), at + size);
    window = t.bytes(r.start() + at, r.start() + end);
    whole = end == r.size();
  };
  fetch();
  while (at < r.size() && at < to) {
    LexPiece piece;
    bool found = false;
    if (!language->lexStep(window, base, whole, at, s, piece, found)) {
      size = at == base ? size * 2 : kLexBlock;
      fetch();
      continue;
    }
    if (found && piece.end > from) pieces.push_back(piece);
    if (extending && at >= lex.back().byte + kLexEvery) lex.push_back({at, s});
  }
  size_t k = 0;
  for (LaidChar& c : chars) {
    while (k < pieces.size() && pieces[k].end <= c.byte) ++k;
    if (k < pieces.size() && pieces[k].start <= c.byte) c.colour = colorIndexOf(pieces[k].kind);
  }
}

int32_t clampColumn(int64_t c) { return static_cast<int32_t>(std::clamp<int64_t>(c, 0, INT32_MAX)); }

}  // namespace

int32_t cellsOfChar(std::string_view s, size_t i, int64_t at, int32_t tabSize) {
  return cellsFor(charAt(s, i), at, std::max(1, tabSize));
}

int64_t cellOfColumn(const CodeEditor& e, int32_t line, int64_t column) {
  if (column <= 0) return 0;
  LineBytes r(e.textModel(), line);
  Goal g;
  g.column = column;
  return seek(e, r, line, tabOf(e), g).cell;
}

int64_t columnAtCell(const CodeEditor& e, int32_t line, int64_t cell) {
  if (cell <= 0) return 0;
  const int32_t tab = tabOf(e);
  LineBytes r(e.textModel(), line);
  Goal g;
  g.cell = cell;
  Pos p = seek(e, r, line, tab, g);
  if (p.byte >= r.size()) return p.column;
  const Utf8Char u = r.at(p.byte);
  const int32_t w = cellsFor(u, p.cell, tab);
  if (w <= 1 || cell - p.cell < (w + 1) / 2) return p.column;
  // The right half: after the character and the marks that join it.
  p.byte += u.bytes;
  ++p.column;
  for (int k = 0; k < kMarksPerChar && p.byte < r.size(); ++k) {
    const Utf8Char next = r.at(p.byte);
    if (cellsFor(next, p.cell, tab) != 0) break;
    p.byte += next.bytes;
    ++p.column;
  }
  return p.column;
}

size_t byteOfColumn(const CodeEditor& e, int32_t line, int64_t column) {
  return e.textModel().toBytes({line, clampColumn(column)}).offset;
}

int64_t columnOfByte(const CodeEditor& e, int32_t line, size_t byte) {
  return e.textModel().toColumns({line, byte}).column;
}

LineSlice layoutLine(const CodeEditor& e, int32_t line, int64_t firstCell, int64_t count) {
  LineSlice s;
  s.line = line;
  const int32_t tab = tabOf(e);
  const CodeText& t = e.textModel();
  LineBytes r(t, line);
  firstCell = std::max<int64_t>(0, firstCell);
  const int64_t endCell = firstCell + std::max<int64_t>(0, count);
  Goal g;
  g.cell = firstCell;
  Pos p = seek(e, r, line, tab, g);
  s.firstByte = static_cast<size_t>(p.byte);

  const TextPos caret = e.caretPos(), anchor = e.anchorPos();
  const TextPos a = std::min(anchor, caret), b = std::max(anchor, caret);
  static const std::vector<Token> none;
  const bool longLine = r.size() > kColouredLineBytes;
  const std::vector<Token>& tokens = longLine ? none : e.lineTokens(line);
  size_t tk = 0;
  int marksAfter = 0;
  bool listed = false;  // the character before was listed
  while (p.byte < r.size()) {
    const Utf8Char u = r.at(p.byte);
    const int32_t w = cellsFor(u, p.cell, tab);
    bool list;
    if (w != 0) {
      if (p.cell >= endCell) break;
      marksAfter = 0;
      list = true;
    } else {
      // A mark joins the character before it, when that one is listed (a
      // line of nothing but marks lists a few of them).
      list = listed && marksAfter++ < kMarksPerChar;
    }
    if (list) {
      LaidChar c;
      c.byte = static_cast<size_t>(p.byte);
      c.bytes = u.bytes;
      c.column = p.column;
      c.cell = p.cell;
      c.cells = w;
      c.code = u.code;
      c.kind = kindOf(u);
      const auto col = static_cast<uint32_t>(std::min<int64_t>(p.column, UINT32_MAX));
      while (tk < tokens.size() && tokens[tk].start + tokens[tk].length <= col) ++tk;
      if (tk < tokens.size() && tokens[tk].start <= col) c.colour = colorIndexOf(tokens[tk].kind);
      const TextPos here{line, clampColumn(p.column)};
      c.selected = a != b && here >= a && here < b;
      c.caret = caret == here;
      s.bytes.append(r.from(p.byte).substr(0, u.bytes));
      s.chars.push_back(c);
      listed = true;
    }
    p.byte += u.bytes;
    ++p.column;
    p.cell += w;
  }
  if (longLine)
    if (Marks::Line* l = marksOf(e, r, line, tab)) colourLongLine(e, r, *l, s.chars);
  if (p.byte >= r.size() && p.cell <= endCell) {
    s.reachesEnd = true;
    s.endCell = p.cell;
    s.endColumn = p.column;
  }
  if (caret.line == line) s.caretCell = cellOfColumn(e, line, caret.column);
  s.breakSelected = a != b && a.line <= line && line < b.line;
  return s;
}

}  // namespace platform::controls
