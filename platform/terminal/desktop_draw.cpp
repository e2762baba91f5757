#include "platform/terminal/desktop_draw.h"

#include <algorithm>

#include "platform/controls/code_editor.h"
#include "platform/controls/dialog_layout.h"
#include "platform/controls/image_list.h"
#include "platform/controls/line_edit.h"
#include "platform/controls/line_layout.h"
#include "platform/controls/splitter.h"
#include "platform/controls/standard_controls.h"
#include "platform/controls/status_bar.h"
#include "platform/controls/task_list.h"
#include "platform/controls/toolbar.h"
#include "platform/runtime/strings.h"
#include "platform/terminal/draw_parts.h"
#include "platform/ui/form.h"

namespace platform::terminal {

using controls::CodeEditor;
using controls::Toolbar;
namespace ci = controls::color_index;
using controls::byteOfCharacter;
using namespace drawing;

namespace drawing {

// A caption with its "&" access key underlined.
int32_t putCaption(Grid& g, int32_t x, int32_t y, const std::string& caption, Style style, int32_t end) {
  bool underline = false;
  for (size_t i = 0; i < caption.size();) {
    if (caption[i] == '&' && i + 1 < caption.size()) {
      if (caption[i + 1] != '&') {
        underline = true;
        ++i;
        continue;
      }
      ++i;
    }
    const size_t n = charLength(caption, i);
    const int32_t before = x;
    x = g.put(x, y, std::string_view(caption).substr(i, n), style, end);
    if (underline) g.addAttrs(before, y, x - before, attr::Underline);
    underline = false;
    i += n;
  }
  return x;
}

std::string plain(const std::string& caption) { return controls::stripAccessKeys(caption); }

// Where a caption's access key stands in its plain text (npos: none).
size_t accessIndex(const std::string& caption) {
  size_t out = 0;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] != '&') {
      ++out;
      continue;
    }
    if (i + 1 >= caption.size()) break;
    if (caption[i + 1] != '&') return out;
    ++out;  // "&&" is one "&"
    ++i;
  }
  return std::string::npos;
}

void frameBox(Grid& g, int32_t x, int32_t y, int32_t w, int32_t h, const std::string& title, bool closeBox) {
  g.fill(x, y, w, h, kPlain);
  std::string top = "\u250c";
  for (int32_t i = 0; i < w - 2; ++i) top += "\u2500";
  top += "\u2510";
  g.put(x, y, top, kPlain, x + w);
  std::string bottom = "\u2514";
  for (int32_t i = 0; i < w - 2; ++i) bottom += "\u2500";
  bottom += "\u2518";
  g.put(x, y + h - 1, bottom, kPlain, x + w);
  for (int32_t r = 1; r < h - 1; ++r) {
    g.put(x, y + r, "\u2502", kPlain);
    g.put(x + w - 1, y + r, "\u2502", kPlain);
  }
  const int32_t titleEnd = x + w - (closeBox ? 5 : 1);
  if (!title.empty()) {
    int32_t tx = g.put(x + 2, y, " ", kBold, titleEnd);
    tx = g.put(tx, y, title, kBold, titleEnd);
    g.put(tx, y, " ", kBold, titleEnd);
  }
  if (closeBox) g.put(x + w - 4, y, "[X]", kPlain);
}
Hit makeHit(Hit::Kind kind, int32_t x, int32_t y, int32_t w, int32_t h, std::string id, ui::Form* form,
            ui::Control* control, int32_t index, int32_t level) {
  Hit hit;
  hit.kind = kind;
  hit.x = x;
  hit.y = y;
  hit.w = w;
  hit.h = h;
  hit.id = std::move(id);
  hit.form = form;
  hit.control = control;
  hit.index = index;
  hit.level = level;
  return hit;
}

}  // namespace drawing

namespace {

Style editorStyle(const CodeEditor& e, int32_t fgIndex, int32_t bg, bool colour) {
  if (!colour) return kPlain;
  Style s{static_cast<uint32_t>(e.color(fgIndex)) & 0xFFFFFFu, static_cast<uint32_t>(bg) & 0xFFFFFFu, 0};
  const int32_t fs = e.fontStyle(fgIndex);
  if (fs & controls::font_style::Bold) s.attrs |= attr::Bold;
  if (fs & controls::font_style::Italic) s.attrs |= attr::Italic;
  if (fs & controls::font_style::Underline) s.attrs |= attr::Underline;
  return s;
}

// One line of the code editor from its layout: each character in its
// token's colour (the selection's when selected), tabs and blanks with
// their marks when whitespace is shown; the cells left of the text area
// (the right half of a wide character cut by the scroll) are blanks.
void drawSlice(Grid& g, const CodeEditor& e, const controls::LineSlice& slice, int32_t textX, int32_t row, int32_t end,
               int32_t scroll, int32_t bg, bool colour) {
  using Kind = controls::LaidChar::Kind;
  const bool marks = e.displayWhitespace();
  const Style selectedStyle = colour ? editorStyle(e, ci::SelectedText, e.color(ci::SelectionBack), true) : kReverse;
  int32_t lastEnd = -1;  // the cell after the last character drawn, for its marks
  for (const auto& c : slice.chars) {
    const Style s = c.selected ? selectedStyle : editorStyle(e, c.colour, bg, colour);
    const int32_t at = textX + static_cast<int32_t>(c.cell - scroll);
    const std::string_view ch = std::string_view(slice.bytes).substr(c.byte - slice.firstByte, c.bytes);
    if (c.kind == Kind::Tab || c.kind == Kind::Space) {
      const Style ws = marks && !c.selected ? editorStyle(e, ci::Whitespace, bg, colour) : s;
      for (int32_t k = 0; k < c.cells; ++k)
        if (at + k >= textX && at + k < end)
          g.put(at + k, row, marks && k == 0 ? (c.kind == Kind::Tab ? "\u2192" : "\u00b7") : " ", ws, end);
      lastEnd = -1;
    } else if (c.cells == 0) {
      // A combining mark joins the character it follows, when that one is
      // drawn whole.
      if (lastEnd > textX) g.put(lastEnd, row, ch, s, end);
    } else if (at < textX) {
      for (int32_t k = textX; k < at + c.cells; ++k) g.put(k, row, " ", s, end);
      lastEnd = -1;
    } else {
      g.put(at, row, ch, s, end);
      lastEnd = c.kind == Kind::Text && at + c.cells <= end ? at + c.cells : -1;
    }
  }
}

}  // namespace

namespace drawing {

CaretCell drawEditor(Grid& g, DesktopView& view, CodeEditor& e, ui::Control* control, int32_t x, int32_t y, int32_t w,
                     int32_t h, bool focused, std::vector<Hit>& hits) {
  CaretCell caretCell;
  if (w < 4 || h < 1) return caretCell;
  const auto sel = e.getSel(false);
  const controls::TextPos caret{sel.endLine, sel.endColumn};
  const int32_t lines = std::max(1, e.lineCount());
  // The editor keeps its caret in view as it moves; the view follows it
  // here only when its height changes, so that the wheel can scroll away
  // from the caret.
  if (e.viewLines() != h) {
    e.setViewLines(h);
    if (caret.line < e.topLine()) e.setTopLine(caret.line);
    if (caret.line >= e.topLine() + h) e.setTopLine(caret.line - h + 1);
  }
  const int32_t top = e.topLine();
  const bool colour = view.useColour;
  const int32_t numberWidth =
      e.lineNumbering() ? static_cast<int32_t>(std::to_string(lines - 1 + e.lineNumberStart()).size()) + 1 : 0;
  const int32_t margin = e.displayLeftMargin() ? 2 : 0;
  const int32_t textX = x + margin + numberWidth;
  const int32_t textW = std::max(1, w - margin - numberWidth);

  // Sideways: the caret's cell stays in view.
  int32_t& scroll = view.scroll[&e];
  const int64_t caretAt = controls::cellOfColumn(e, caret.line, caret.column);
  if (caretAt < scroll) scroll = static_cast<int32_t>(std::max<int64_t>(0, caretAt - textW / 4));
  if (caretAt >= scroll + textW)
    scroll = static_cast<int32_t>(std::min<int64_t>(INT32_MAX - 2 * textW, caretAt - textW + 1 + textW / 4));

  const Style window = editorStyle(e, ci::Text, e.color(ci::Window), colour);
  for (int32_t r = 0; r < h; ++r) {
    const int32_t n = top + r;
    const int32_t row = y + r;
    if (n >= e.lineCount()) {
      g.fill(x, row, w, 1, window);
      continue;
    }
    const int32_t bg = n == e.highlightedLine() ? e.color(ci::HighlightedLine) : e.color(ci::Window);
    const Style base = editorStyle(e, ci::Text, bg, colour);
    if (margin) {
      const Style m = editorStyle(e, ci::BookmarkMark, e.color(ci::LeftMargin), colour);
      g.fill(x, row, margin, 1, m);
      if (e.hasBookmark(n)) g.put(x, row, "\u25cf", colour ? m : kBold, x + margin);
    }
    if (numberWidth) {
      std::string num = std::to_string(n + e.lineNumberStart());
      num = std::string(static_cast<size_t>(std::max<int32_t>(0, numberWidth - 1 - static_cast<int32_t>(num.size()))),
                        ' ') +
            num + " ";
      g.put(x + margin, row, num, editorStyle(e, ci::LineNumber, e.color(ci::LineNumberBack), colour), textX);
    }
    g.fill(textX, row, x + w - textX, 1, base);
    drawSlice(g, e, controls::layoutLine(e, n, scroll, textW), textX, row, x + w, scroll, bg, colour);
  }
  if (caret.line >= top && caret.line < top + h) {
    caretCell.editor = &e;
    caretCell.x = textX + caretAt - scroll;
    caretCell.y = y + caret.line - top;
    // The word before the caret places the completion list and the tip.
    if (e.completionListOpen() || e.tipShown()) caretCell.wordCells = textWidth(e.currentWord());
    if (focused) {
      g.cursorX = std::min(caretCell.x, x + w - 1);
      g.cursorY = caretCell.y;
    }
  }
  Hit hit;
  hit.kind = Hit::Kind::Text;
  hit.x = x;
  hit.y = y;
  hit.w = w;
  hit.h = h;
  hit.control = control;
  hit.top = top;
  hit.textX = textX;
  hit.scroll = scroll;
  hits.push_back(hit);
  return caretCell;
}

CodeEditor* editorOf(ui::Control* c) { return dynamic_cast<CodeEditor*>(c); }

}  // namespace drawing

namespace {

// A toolbar button's caption: the bar's own caption of the tool.
std::string shortCaption(const controls::Bar& b, const controls::Tool& t) {
  std::string s = b.plainCaptionOf(t);
  while (!s.empty() && (s.back() == '.' || s.back() == ' ')) s.pop_back();
  if (s.empty()) s = t.id.rfind("ID_", 0) == 0 ? t.id.substr(3) : t.id;
  return s;
}

// The completion list under the caret (above it where there is no room)
// and the argument tip above the caret (below it on the first row).
void drawCodeSense(Grid& g, const CaretCell& caret) {
  if (!caret.editor) return;
  const CodeEditor& e = *caret.editor;
  if (auto* list = e.completionList(); list && e.completionListOpen() && list->itemCount() > 0) {
    const auto* images = controls::ImageList::fromHandle(static_cast<uint32_t>(list->imageList()));
    std::vector<std::string> rows;
    int32_t width = 8;
    for (const auto& item : list->items()) {
      std::string text = item.text;
      if (list->imageMode() == 1 && images && item.image >= 0 && item.image < images->count())
        text = "[" + images->image(item.image + 1).picture + "] " + text;
      width = std::max(width, textWidth(text) + 2);
      rows.push_back(std::move(text));
    }
    width = std::min(width, std::max(10, g.width() / 2));
    const int32_t shown = std::min<int32_t>(8, static_cast<int32_t>(rows.size()));
    int32_t x = std::clamp(caret.x - caret.wordCells, 0, std::max(0, g.width() - width));
    int32_t y = caret.y + 1;
    if (y + shown > g.height() - 1) y = std::max(0, caret.y - shown);
    const int32_t selected = list->selectedItem();
    int32_t first = 0;
    if (selected >= shown) first = selected - shown + 1;
    for (int32_t r = 0; r < shown; ++r) {
      const int32_t index = first + r;
      const Style s = index == selected ? kReverse : with(kPlain, 0);
      g.fill(x, y + r, width, 1, s);
      g.put(x, y + r, index == selected ? ">" : " ", s, x + width);
      g.put(x + 1, y + r, rows[static_cast<size_t>(index)], s, x + width - 1);
    }
  }
  if (auto* tip = e.tip(); tip && e.tipShown() && !tip->text().empty()) {
    const std::string& text = tip->text();
    const int32_t width = std::min(textWidth(text) + 2, g.width());
    const int32_t x = std::clamp(caret.x - caret.wordCells, 0, std::max(0, g.width() - width));
    const int32_t y = caret.y > 0 ? caret.y - 1 : caret.y + 1;
    const auto span = tip->argumentSpan();
    g.fill(x, y, width, 1, kReverse);
    int32_t cx = x + 1;
    for (size_t i = 0; i < text.size();) {
      const size_t n = charLength(text, i);
      const bool current = tip->argument() >= 0 && span.second > span.first && i >= span.first && i < span.second;
      cx =
          g.put(cx, y, std::string_view(text).substr(i, n), current ? with(kReverse, attr::Bold) : kReverse, x + width);
      i += n;
    }
  }
}

void drawMainWindow(Grid& g, DesktopView& view, ui::Form& form, bool active, std::vector<Hit>& hits, CaretCell& caret) {
  const int32_t W = g.width(), H = g.height();
  g.fill(0, 0, W, H, kPlain);
  // The caption with its close box.
  g.fill(0, 0, W, 1, kReverse);
  g.put(1, 0, form.caption(), with(kReverse, attr::Bold), W - 5);
  g.put(W - 4, 0, "[X]", kReverse);
  hits.push_back(makeHit(Hit::Kind::CloseBox, W - 4, 0, 3, 1, form.name(), &form));
  int32_t y = 1;
  const Toolbar* bar = menuBarOf(form);
  if (bar) {
    int32_t x = 1;
    const auto titles = menuTitles(*bar);
    for (size_t i = 0; i < titles.size(); ++i) {
      const auto* t = bar->findTool(titles[i]);
      const std::string caption = " " + t->caption + " ";
      const bool open = view.menu.title == static_cast<int32_t>(i);
      const int32_t start = x;
      x = putCaption(g, x, y, caption, open ? kReverse : (t->enabled ? kPlain : kDim), W);
      hits.push_back(
          makeHit(Hit::Kind::MenuTitle, start, y, x - start, 1, titles[i], &form, nullptr, static_cast<int32_t>(i)));
      if (x >= W) break;
    }
    ++y;
    // The visible toolbars, side by side while they fit.
    const auto tools = flowToolbars(*bar, W, std::max(0, H - 4 - y));
    int32_t rows = 0;
    for (const auto& t : tools) {
      rows = std::max(rows, t.row + 1);
      const Style s = t.kind == ToolCell::Kind::Tool ? (t.enabled ? kPlain : kDim) : kDim;
      g.put(t.x, y + t.row, t.text, s, W);
      if (t.kind == ToolCell::Kind::Tool) hits.push_back(makeHit(Hit::Kind::Tool, t.x, y + t.row, t.w, 1, t.id, &form));
      if (t.kind == ToolCell::Kind::More && !t.hidden.empty()) {
        Hit more = makeHit(Hit::Kind::MoreTools, t.x, y + t.row, t.w, 1, {}, &form);
        more.tools = t.hidden;
        hits.push_back(std::move(more));
      }
    }
    y += rows;
  }
  // The status bar's panels on the last row.
  int32_t bottom = H;
  for (auto& c : form.controls()) {
    auto* s = dynamic_cast<controls::StatusBar*>(c.get());
    if (!s || !s->visible()) continue;
    --bottom;
    g.fill(0, bottom, W, 1, kReverse);
    int32_t x = 1;
    for (int32_t p = 1; p <= s->count(); ++p) {
      if (p > 1) x = g.put(x, bottom, " \u2502 ", kReverse, W);
      x = g.put(x, bottom, s->panel(p).text(), kReverse, W);
    }
    break;
  }
  // The task pane, when its splitter pane is open, at the left.
  int32_t left = 0;
  for (auto& c : form.controls()) {
    auto* split = dynamic_cast<controls::Splitter*>(c.get());
    if (!split || split->paneCount() < 1 || split->pane(1).collapsed()) continue;
    auto found = form.findControl(split->pane(1).controlName());
    auto* tasks = dynamic_cast<controls::TaskList*>(found.get());
    if (!tasks) continue;
    left = std::min(28, W / 3);
    g.put(0, y, "Tasks", kBold, left - 1);
    int32_t r = y + 1;
    for (const auto& t : tasks->tasks()) {
      if (r >= bottom) break;
      g.put(0, r++, (t.done ? "[x] " : "[ ] ") + t.text, kPlain, left - 1);
    }
    for (int32_t rr = y; rr < bottom; ++rr) g.put(left - 1, rr, "\u2502", kDim);
    break;
  }
  for (auto& c : form.controls()) {
    CodeEditor* e = editorOf(c.get());
    if (!e || !c->visible()) continue;
    const bool focused = active && form.focusedControl() == c.get() && !view.menu.open() && !view.box;
    caret = drawEditor(g, view, *e, c.get(), left, y, W - left, bottom - y, focused, hits);
    break;
  }
}

}  // namespace

std::vector<ToolCell> flowToolbars(const Toolbar& bar, int32_t width, int32_t rows) {
  std::vector<ToolCell> out;
  if (width < 2 || rows < 1) return out;
  int32_t row = 0, x = 0;
  // Makes room for a "»" at the end of the row and puts it there; it holds
  // the tools left out, those it takes the room of first.
  using Hidden = std::vector<std::pair<std::string, std::string>>;
  auto captionOf = [](const ToolCell& c) { return c.text.substr(1, c.text.size() - 2); };
  auto more = [&](int32_t r, Hidden hidden) {
    // The row has its "»" already (a bar cut there): it takes these too.
    if (!out.empty() && out.back().row == r && out.back().kind == ToolCell::Kind::More) {
      auto& held = out.back().hidden;
      held.insert(held.end(), hidden.begin(), hidden.end());
      return;
    }
    int32_t end = 0;
    for (const auto& t : out)
      if (t.row == r) end = std::max(end, t.x + t.w);
    Hidden freed;
    while (end + 1 > width && !out.empty() && out.back().row == r) {
      if (out.back().kind == ToolCell::Kind::Tool) freed.insert(freed.begin(), {out.back().id, captionOf(out.back())});
      out.pop_back();
      end = out.empty() || out.back().row != r ? 0 : out.back().x + out.back().w;
    }
    hidden.insert(hidden.begin(), freed.begin(), freed.end());
    out.push_back({ToolCell::Kind::More, r, end, 1, "\u00bb", {}, true, std::move(hidden)});
  };
  const auto& bars = bar.layout().bars;
  for (size_t n = 0; n < bars.size(); ++n) {
    const auto& b = bars[n];
    if (b.menu || !b.visible) continue;
    // The bar's buttons, with a line where a separator stands between two.
    std::vector<ToolCell> cells;
    bool gap = false;
    for (const auto& id : b.items) {
      const auto* t = id.empty() ? nullptr : bar.findTool(id);
      if (!t || t->kind == controls::ToolKind::Separator) {
        gap = !cells.empty();
        continue;
      }
      if (!t->visible) continue;
      if (gap) cells.push_back({ToolCell::Kind::Separator, 0, 0, 1, "\u2502", {}, true, {}});
      gap = false;
      const std::string label = "[" + shortCaption(b, *t) + "]";
      cells.push_back({ToolCell::Kind::Tool, 0, 0, textWidth(label), label, id, t->enabled, {}});
    }
    if (cells.empty()) continue;
    int32_t barW = 0;
    for (const auto& c : cells) barW += c.w;
    if (x > 0 && x + 1 + barW > width) {
      ++row;
      x = 0;
    } else if (x > 0) {
      ++x;  // a blank between two bars
    }
    if (row >= rows) {
      // No row left for this bar: the last row says that more would
      // follow, and holds this bar's tools and those of the bars after it.
      Hidden hidden;
      for (size_t m = n; m < bars.size(); ++m) {
        if (bars[m].menu || !bars[m].visible) continue;
        for (const auto& id : bars[m].items)
          if (const auto* t = id.empty() ? nullptr : bar.findTool(id);
              t && t->kind != controls::ToolKind::Separator && t->visible)
            hidden.push_back({id, shortCaption(bars[m], *t)});
      }
      more(rows - 1, std::move(hidden));
      return out;
    }
    for (size_t k = 0; k < cells.size(); ++k) {
      ToolCell c = cells[k];
      const bool last = k + 1 == cells.size();
      // A bar wider than the row keeps a cell for the "»".
      if (x + c.w > width - (last ? 0 : 1)) {
        Hidden hidden;
        for (size_t m = k; m < cells.size(); ++m)
          if (cells[m].kind == ToolCell::Kind::Tool) hidden.push_back({cells[m].id, captionOf(cells[m])});
        more(row, std::move(hidden));
        x = width;  // the next bar starts a row of its own
        break;
      }
      c.row = row;
      c.x = x;
      x += c.w;
      out.push_back(std::move(c));
    }
  }
  return out;
}

void drawCodeEditor(Grid& g, DesktopView& view, CodeEditor& e, int32_t x, int32_t y, int32_t w, int32_t h) {
  std::vector<Hit> hits;
  drawEditor(g, view, e, nullptr, x, y, w, h, true, hits);
}

const Toolbar* menuBarOf(const ui::Form& form) {
  for (auto& c : form.controls()) {
    auto* bar = dynamic_cast<const Toolbar*>(c.get());
    if (!bar) continue;
    for (const auto& b : bar->layout().bars)
      if (b.menu && !b.items.empty()) return bar;
  }
  return nullptr;
}

std::vector<std::string> menuTitles(const Toolbar& bar) {
  std::vector<std::string> out;
  for (const auto& b : bar.layout().bars) {
    if (!b.menu) continue;
    for (const auto& id : b.items) {
      const auto* t = bar.findTool(id);
      if (t && t->visible) out.push_back(id);
    }
    break;
  }
  return out;
}

std::vector<std::string> popupEntries(const Toolbar& bar, const std::string& popupId) {
  std::vector<std::string> out;
  const auto* p = bar.findTool(popupId);
  if (!p) return out;
  for (const auto& id : p->items) {
    if (id.empty()) {
      if (!out.empty() && !out.back().empty()) out.push_back("");
      continue;
    }
    const auto* t = bar.findTool(id);
    if (t && t->visible && t->kind != controls::ToolKind::Separator) out.push_back(id);
  }
  while (!out.empty() && out.back().empty()) out.pop_back();
  return out;
}

std::set<std::string> pickableIn(const Toolbar& bar, const std::string& popupId, const std::set<std::string>& pickable) {
  // The walk keeps its own stack: no chain of popups runs it out of stack.
  std::set<std::string> found, seen{popupId};
  std::vector<std::string> open{popupId};
  while (!open.empty()) {
    const auto* p = bar.findTool(open.back());
    open.pop_back();
    if (!p) continue;
    for (const auto& id : p->items) {
      const auto* t = id.empty() ? nullptr : bar.findTool(id);
      if (!t || !t->enabled || !t->visible) continue;
      if (t->kind == controls::ToolKind::Popup) {
        if (seen.insert(id).second) open.push_back(id);
      } else if (t->kind != controls::ToolKind::Separator && pickable.count(id)) {
        found.insert(id);
      }
    }
  }
  return found;
}

std::vector<std::string> menuEntries(const Toolbar& bar, const MenuState& menu, const std::string& popupId) {
  if (!menu.popupBar) return popupEntries(bar, popupId);
  std::vector<std::string> out;
  const auto* p = bar.findTool(popupId);
  if (!p) return out;
  for (const auto& id : p->items) {
    const auto* t = id.empty() ? nullptr : bar.findTool(id);
    if (id.empty() || (t && t->kind == controls::ToolKind::Separator)) {
      if (!out.empty() && !out.back().empty()) out.push_back("");
      continue;
    }
    if (!t || !t->enabled || !t->visible) continue;
    if (t->kind == controls::ToolKind::Popup ? !pickableIn(bar, id, menu.pickable).empty()
                                             : menu.pickable.count(id) > 0)
      out.push_back(id);
  }
  while (!out.empty() && out.back().empty()) out.pop_back();
  return out;
}

bool isMainWindow(const ui::Form& form) {
  if (menuBarOf(form)) return true;
  if (form.borderStyle() != ui::vbSizable) return false;
  for (auto& c : form.controls())
    if (dynamic_cast<const CodeEditor*>(c.get())) return true;
  return false;
}

int32_t shownPage(const ui::Form& form) {
  const auto layout = controls::layoutDialog(form);
  if (!layout.tabs) return -1;
  const int32_t focusPage = layout.pageOf(form.focusedControl());
  return focusPage >= 0 ? focusPage : layout.tabs->selectedTab();
}

namespace {

// The cells of each character of a field's text.
std::vector<int32_t> fieldCells(const std::string& text) {
  std::vector<int32_t> cells;
  for (size_t i = 0; i < text.size();) {
    const size_t n = charLength(text, i);
    cells.push_back(textWidth(std::string_view(text).substr(i, n)));
    i += n;
  }
  return cells;
}

}  // namespace

int32_t drawField(Grid& g, int32_t x, int32_t y, int32_t width, const std::string& text, int32_t caret, int32_t& first,
                  Style style) {
  const auto cells = fieldCells(text);
  const int32_t count = static_cast<int32_t>(cells.size());
  width = std::max(1, width);
  caret = caret < 0 ? count : std::min(caret, count);
  first = std::clamp(first, 0, caret);
  auto span = [&](int32_t from, int32_t to) {
    int32_t w = 0;
    for (int32_t i = from; i < to; ++i) w += cells[static_cast<size_t>(i)];
    return w;
  };
  // The caret's cell inside; then as much of the text before it as fits.
  while (first < caret && span(first, caret) + 1 > width) ++first;
  while (first > 0 && span(first - 1, count) + 1 <= width) --first;
  g.fill(x, y, width, 1, style);
  g.put(x, y, std::string_view(text).substr(byteOfCharacter(text, first)), style, x + width);
  return x + span(first, caret);
}

int32_t fieldCaretAt(const std::string& text, int32_t first, int32_t cell) {
  const auto cells = fieldCells(text);
  const int32_t count = static_cast<int32_t>(cells.size());
  int32_t at = 0;
  for (int32_t i = std::clamp(first, 0, count); i < count; ++i) {
    const int32_t w = cells[static_cast<size_t>(i)];
    if (cell < at + w) return cell - at < (w + 1) / 2 || w == 1 ? i : i + 1;
    at += w;
  }
  return count;
}

std::vector<std::string> wrapText(const std::string& text, int32_t width) {
  std::vector<std::string> out;
  width = std::max(1, width);
  size_t start = 0;
  while (start <= text.size()) {
    size_t nl = text.find_first_of("\r\n", start);
    std::string para = text.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
    // Breaks a paragraph at blanks.
    while (textWidth(para) > width) {
      size_t cut = 0, lastBlank = std::string::npos;
      int32_t w = 0;
      for (size_t i = 0; i < para.size();) {
        const size_t n = charLength(para, i);
        const int32_t cw = textWidth(para.substr(i, n));
        if (w + cw > width) break;
        if (para[i] == ' ') lastBlank = i;
        w += cw;
        i += n;
        cut = i;
      }
      if (lastBlank != std::string::npos && lastBlank > 0) cut = lastBlank;
      if (cut == 0) cut = charLength(para, 0);
      std::string head = para.substr(0, cut);
      while (!head.empty() && head.back() == ' ') head.pop_back();
      out.push_back(head);
      size_t rest = cut;
      while (rest < para.size() && para[rest] == ' ') ++rest;
      para.erase(0, rest);
    }
    out.push_back(para);
    if (nl == std::string::npos) break;
    start = nl + (text.compare(nl, 2, "\r\n") == 0 ? 2 : 1);
  }
  while (out.size() > 1 && out.back().empty()) out.pop_back();
  return out;
}

void drawDesktop(Grid& g, DesktopView& view, std::vector<Hit>& hits) {
  hits.clear();
  g.clear();
  const int32_t W = g.width(), H = g.height();
  if (W < kMinWidth || H < kMinHeight) {
    const auto lines = wrapText("The terminal is too small (" + std::to_string(W) + " x " + std::to_string(H) +
                                    "); the editor needs " + std::to_string(kMinWidth) + " x " +
                                    std::to_string(kMinHeight) + ". Keys are ignored until it is larger.",
                                std::max(1, W));
    for (size_t i = 0; i < lines.size() && static_cast<int32_t>(i) < H; ++i)
      g.put(0, static_cast<int32_t>(i), lines[i], kPlain);
    return;
  }
  std::vector<std::shared_ptr<ui::Form>> shown;
  for (auto& f : ui::forms())
    if (f->visible()) shown.push_back(f);
  auto active = ui::activeForm();
  // The active window is drawn last, in front.
  if (active && active->visible()) {
    std::erase(shown, active);
    shown.push_back(active);
  }
  // A main window behind the dialogs; the windows are drawn back to front
  // and their hits listed front to back.
  std::stable_partition(shown.begin(), shown.end(), [](const auto& f) { return isMainWindow(*f); });
  std::vector<std::vector<Hit>> layers;
  CaretCell caret;
  ui::Form* menuForm = nullptr;
  for (auto& f : shown) {
    layers.emplace_back();
    const bool isActive = f == shown.back();
    CaretCell cc;
    if (isMainWindow(*f)) {
      drawMainWindow(g, view, *f, isActive, layers.back(), cc);
      if (isActive) menuForm = f.get();
    } else {
      drawDialog(g, view, *f, isActive, layers.back(), cc);
    }
    if (isActive) caret = cc;
  }
  if (!view.box) drawCodeSense(g, caret);
  if (!view.notice.empty()) {
    g.fill(0, H - 1, W, 1, kReverse);
    g.put(1, H - 1, view.notice, kReverse, W);
  }
  if ((menuForm || view.menu.popupBar) && view.menu.open()) {
    std::vector<Hit> menuHits;
    drawMenu(g, view, menuForm, menuForm ? layers.back() : std::vector<Hit>{}, menuHits);
    layers.push_back(std::move(menuHits));
    g.cursorX = g.cursorY = -1;
  }
  if (view.box) {
    layers.emplace_back();
    g.cursorX = g.cursorY = -1;
    drawBox(g, *view.box, layers.back());
  }
  for (auto it = layers.rbegin(); it != layers.rend(); ++it) {
    // Within a layer the last drawn is in front.
    hits.insert(hits.end(), it->rbegin(), it->rend());
  }
}

}  // namespace platform::terminal
