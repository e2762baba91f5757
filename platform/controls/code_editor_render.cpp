#include "platform/controls/code_editor_render.h"

#include <algorithm>
#include <optional>

namespace platform::controls {

namespace {

struct Cell {
  std::string glyph;
  int32_t fg = color_index::Text;
  int32_t bg = -1;     // -1: the line's background
  int32_t style = 0;
  bool inverse = false;
};

std::string rgb(int32_t colour, bool background) {
  const int r = colour & 0xFF, g = (colour >> 8) & 0xFF, b = (colour >> 16) & 0xFF;
  return std::string("\x1b[") + (background ? "48" : "38") + ";2;" + std::to_string(r) + ";" +
         std::to_string(g) + ";" + std::to_string(b) + "m";
}

// What the terminal is given for one character of the text: the character
// itself, but never a control code the terminal would act on (an escape
// in a script must not move the cursor or change the colours). C0 codes
// and DEL show as their control pictures, C1 codes and bytes that are no
// UTF-8 as the replacement character.
std::string glyphOf(std::string_view ch) {
  const auto c = static_cast<unsigned char>(ch[0]);
  if (ch.size() == 1) {
    if (c < 0x20) return "\xE2\x90" + std::string(1, static_cast<char>(0x80 + c));  // U+2400 + c
    if (c == 0x7F) return "\u2421";
    if (c >= 0x80) return "\ufffd";
  }
  if (ch.size() == 2 && c == 0xC2 && static_cast<unsigned char>(ch[1]) < 0xA0) return "\ufffd";  // U+0080..U+009F
  return std::string(ch);
}

// A whole text (a list entry, the tip) made safe for the terminal.
std::string printable(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    const size_t n = charBytesAt(text, i);
    out += glyphOf(text.substr(i, n));
    i += n;
  }
  return out;
}

// The bracket before or at the caret and its partner on the caret's line,
// as columns.
std::optional<std::pair<int32_t, int32_t>> matchingBraces(const CodeEditor& e) {
  if (!e.highlightBraces()) return std::nullopt;
  const TextPos caret = e.caretPos();
  const std::string& line = e.textModel().line(caret.line);
  // Brackets are ASCII, so the scan can go byte by byte.
  const int64_t caretByte = static_cast<int64_t>(e.textModel().toBytes(caret).offset);
  auto isBrace = [&](int64_t c) {
    return c >= 0 && c < static_cast<int64_t>(line.size()) && (line[static_cast<size_t>(c)] == '(' || line[static_cast<size_t>(c)] == ')');
  };
  const int64_t at = isBrace(caretByte - 1) ? caretByte - 1 : isBrace(caretByte) ? caretByte : -1;
  if (at < 0) return std::nullopt;
  const bool open = line[static_cast<size_t>(at)] == '(';
  int depth = 0;
  for (int64_t i = at; i >= 0 && i < static_cast<int64_t>(line.size()); i += open ? 1 : -1) {
    const char c = line[static_cast<size_t>(i)];
    if (c == '(') depth += open ? 1 : -1;
    if (c == ')') depth += open ? -1 : 1;
    if (depth == 0)
      return std::pair{columnOfByteOffset(line, static_cast<size_t>(at)), columnOfByteOffset(line, static_cast<size_t>(i))};
  }
  return std::nullopt;
}

class Painter {
 public:
  Painter(const CodeEditor& e, const TerminalRenderOptions& o) : e_(e), o_(o) {}

  void cell(std::string& out, const Cell& c, int32_t lineBg) {
    if (!o_.colour) {
      out += c.glyph;
      return;
    }
    std::string code = "\x1b[0m";
    if (c.style & font_style::Bold) code += "\x1b[1m";
    if (c.style & font_style::Italic) code += "\x1b[3m";
    if (c.style & font_style::Underline) code += "\x1b[4m";
    if (c.inverse) code += "\x1b[7m";
    code += rgb(e_.color(c.fg), false);
    code += rgb(e_.color(c.bg >= 0 ? c.bg : lineBg), true);
    if (code != last_) {
      out += code;
      last_ = code;
    }
    out += c.glyph;
  }
  void endLine(std::string& out) {
    if (o_.colour) out += "\x1b[0m";
    last_.clear();
    out += '\n';
  }

 private:
  const CodeEditor& e_;
  const TerminalRenderOptions& o_;
  std::string last_;
};

}  // namespace

std::string renderTerminal(const CodeEditor& editor, const TerminalRenderOptions& options) {
  std::string out;
  Painter paint(editor, options);
  const int32_t height = options.height > 0 ? options.height : editor.viewLines();
  const int32_t top = std::clamp(options.top >= 0 ? options.top : editor.topLine(), 0, editor.lineCount() - 1);
  const int32_t last = std::min(editor.lineCount(), top + height);
  const int32_t numberWidth = editor.lineNumbering()
      ? static_cast<int32_t>(std::to_string(editor.lineCount() - 1 + editor.lineNumberStart()).size()) : 0;
  const auto braces = matchingBraces(editor);
  const TextPos a = std::min(editor.anchorPos(), editor.caretPos());
  const TextPos b = std::max(editor.anchorPos(), editor.caretPos());
  const TextPos caret = editor.caretPos();
  const int32_t frame = options.frame ? 1 : 0;
  const int32_t textWidth = std::max<int32_t>(1, options.width - 2 * frame);
  if (frame) {
    std::string bar;
    for (int32_t i = 0; i < textWidth; ++i) bar += "\u2500";
    out += "\u250c" + bar + "\u2510\n";
  }
  for (int32_t n = top; n < last; ++n) {
    const int32_t lineBg = n == editor.highlightedLine() ? color_index::HighlightedLine : color_index::Window;
    std::vector<Cell> cells;
    if (numberWidth) {
      std::string num = std::to_string(n + editor.lineNumberStart());
      num = std::string(static_cast<size_t>(numberWidth) - num.size(), ' ') + num + " ";
      for (char ch : num) cells.push_back({std::string(1, ch), color_index::LineNumber, color_index::LineNumberBack, 0, false});
    }
    if (editor.displayLeftMargin()) {
      const bool mark = editor.hasBookmark(n);
      cells.push_back({mark ? (options.colour ? "\u25cf" : "*") : " ", color_index::BookmarkMark, color_index::LeftMargin, 0, false});
      cells.push_back({" ", color_index::Text, -1, 0, false});
    }
    const std::string& line = editor.textModel().line(n);
    const auto& tokens = editor.lineTokens(n);
    size_t t = 0;
    int32_t visual = 0;
    // i walks the bytes, col the characters (the columns of positions and
    // tokens).
    int32_t col = 0;
    for (size_t i = 0; i <= line.size(); ++col) {
      const bool selected = a != b && TextPos{n, col} >= a && TextPos{n, col} < b && i < line.size();
      const bool atCaret = options.colour && options.showCaret && caret == TextPos{n, col};
      if (i == line.size()) {
        if (atCaret) cells.push_back({" ", color_index::Text, -1, 0, true});
        break;
      }
      const uint32_t at = static_cast<uint32_t>(col);
      while (t < tokens.size() && tokens[t].start + tokens[t].length <= at) ++t;
      int32_t fg = color_index::Text;
      if (t < tokens.size() && tokens[t].start <= at) fg = colorIndexOf(tokens[t].kind);
      const size_t len = charBytesAt(line, i);
      // A tab is expanded below; every other character is drawn safely (a
      // byte that is no UTF-8 stays in the text, the terminal gets U+FFFD).
      std::string glyph = line[i] == '\t' ? std::string("\t") : glyphOf(std::string_view(line).substr(i, len));
      int32_t style = editor.fontStyle(fg);
      if (braces && n == caret.line && (col == braces->first || col == braces->second))
        style |= font_style::Underline;
      auto push = [&](std::string g, int32_t f) {
        Cell c{std::move(g), selected ? color_index::SelectedText : f,
               selected ? color_index::SelectionBack : -1, style, atCaret};
        cells.push_back(std::move(c));
        ++visual;
      };
      if (glyph == "\t") {
        const int32_t spaces = editor.tabSize() - visual % editor.tabSize();
        for (int32_t s = 0; s < spaces; ++s)
          push(s == 0 && editor.displayWhitespace() ? "\u2192" : " ", color_index::Whitespace);
      } else if (glyph == " " && editor.displayWhitespace()) {
        push("\u00b7", color_index::Whitespace);
      } else {
        push(std::move(glyph), fg);
      }
      i += len;
    }
    if (frame) out += "\u2502";
    int32_t used = 0;
    for (const Cell& c : cells) {
      if (used >= textWidth) break;
      paint.cell(out, c, lineBg);
      ++used;
    }
    if (options.colour || frame) {
      for (; used < textWidth; ++used) paint.cell(out, Cell{" ", color_index::Text, -1, 0, false}, lineBg);
    }
    if (frame) out += "\u2502";
    paint.endLine(out);
  }
  if (frame) {
    std::string bar;
    for (int32_t i = 0; i < textWidth; ++i) bar += "\u2500";
    out += "\u2514" + bar + "\u2518\n";
  }
  // The completion list and the tip, below the text.
  if (const CompletionList* list = editor.completionList()) {
    const int32_t count = list->itemCount();
    const int32_t sel = list->selectedItem();
    const int32_t first = std::clamp(sel - 3, 0, std::max(0, count - 8));
    for (int32_t i = first; i < std::min(count, first + 8); ++i) {
      const auto& item = list->items()[static_cast<size_t>(i)];
      std::string entry = (i == sel ? "> " : "  ");
      if (list->imageMode() == 1) entry += "[" + (item.image >= 0 ? std::to_string(item.image) : std::string(" ")) + "] ";
      entry += printable(item.text);
      if (options.colour && i == sel) out += "\x1b[7m" + entry + "\x1b[0m\n";
      else out += entry + "\n";
    }
  }
  if (const ArgumentTip* tip = editor.tip()) {
    const std::string& raw = tip->text();
    const auto [rs, re] = tip->argumentSpan();
    // The span's ends are brackets or commas, so the pieces stay whole.
    const std::string text = printable(raw);
    const size_t s = printable(raw.substr(0, rs)).size(), e = s + printable(raw.substr(rs, re - rs)).size();
    if (options.colour && e > s) {
      out += rgb(tip->textColor(), false) + rgb(tip->backColor(), true) + text.substr(0, s) + "\x1b[1m" +
             text.substr(s, e - s) + "\x1b[22m" + text.substr(e) + "\x1b[0m\n";
    } else if (e > s) {
      out += text.substr(0, s) + "[" + text.substr(s, e - s) + "]" + text.substr(e) + "\n";
    } else {
      out += text + "\n";
    }
  }
  return out;
}

}  // namespace platform::controls
