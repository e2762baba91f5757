// The terminal desktop's menus and prompt boxes, drawn in front of the
// windows.
#include <algorithm>

#include "platform/controls/line_edit.h"
#include "platform/controls/toolbar.h"
#include "platform/terminal/draw_parts.h"
#include "platform/ui/form.h"

namespace platform::terminal {

using namespace drawing;
using controls::byteOfCharacter;
using controls::Toolbar;

namespace drawing {

void drawMenu(Grid& g, DesktopView& view, ui::Form* form, const std::vector<Hit>& windowHits, std::vector<Hit>& hits) {
  const Toolbar* bar = view.menu.popupBar ? view.menu.popupBar : form ? menuBarOf(*form) : nullptr;
  if (!bar || !view.menu.open()) return;
  int32_t x = view.menu.anchorX, y = view.menu.anchorY;
  if (!view.menu.popupBar) {
    const auto titles = menuTitles(*bar);
    if (view.menu.title >= static_cast<int32_t>(titles.size())) return;
    x = 1;
    for (const auto& h : windowHits)
      if (h.kind == Hit::Kind::MenuTitle && h.index == view.menu.title) x = h.x;
    y = 2;
  }
  for (size_t level = 0; level < view.menu.levels.size(); ++level) {
    auto& lv = view.menu.levels[level];
    const auto entries = menuEntries(*bar, view.menu, lv.popupId);
    const int32_t count = static_cast<int32_t>(entries.size());
    int32_t width = 10;
    for (const auto& id : entries)
      if (!id.empty())
        if (const auto* t = bar->findTool(id)) width = std::max(width, textWidth(t->plainCaption()) + 6);
    const int32_t h = std::min(count + 2, g.height());
    x = std::clamp(x, 0, std::max(0, g.width() - width));
    const int32_t top = std::clamp(y, 0, std::max(0, g.height() - h));
    // A menu taller than the terminal shows the entries around the
    // selected one, with a mark on its frame where more are hidden.
    const int32_t rows = std::max(0, h - 2);
    lv.first = std::clamp(lv.first, 0, std::max(0, count - rows));
    if (lv.selected < lv.first) lv.first = lv.selected;
    if (lv.selected >= lv.first + rows) lv.first = lv.selected - rows + 1;
    frameBox(g, x, top, width, h, "", false);
    if (lv.first > 0) g.put(x + width / 2, top, "\u25b4", kDim, x + width - 1);
    if (lv.first + rows < count) g.put(x + width / 2, top + h - 1, "\u25be", kDim, x + width - 1);
    int32_t selectedRow = top + 1;
    for (int32_t r = 0; r < rows && lv.first + r < count; ++r) {
      const size_t i = static_cast<size_t>(lv.first + r);
      const int32_t row = top + 1 + r;
      if (entries[i].empty()) {
        std::string line = "\u251c";
        for (int32_t k = 0; k < width - 2; ++k) line += "\u2500";
        line += "\u2524";
        g.put(x, row, line, kDim, x + width);
        continue;
      }
      const auto* t = bar->findTool(entries[i]);
      const bool selected = lv.selected == static_cast<int32_t>(i);
      if (selected) selectedRow = row;
      const Style s = selected ? kReverse : (t->enabled ? kPlain : kDim);
      g.fill(x + 1, row, width - 2, 1, s);
      putCaption(g, x + 2, row, t->caption, s, x + width - 3);
      if (t->kind == controls::ToolKind::Popup) g.put(x + width - 3, row, "\u25b8", s, x + width - 1);
      hits.push_back(makeHit(Hit::Kind::MenuItem, x + 1, row, width - 2, 1, entries[i], form, nullptr,
                             static_cast<int32_t>(i), static_cast<int32_t>(level)));
    }
    x += width - 1;
    y = selectedRow;
  }
}

void drawBox(Grid& g, Box& box, std::vector<Hit>& hits) {
  const int32_t W = g.width(), H = g.height();
  int32_t inner = box.width;
  if (inner <= 0) {
    inner = std::max(30, textWidth(box.title) + 8);
    for (const auto& it : box.items) {
      if (it.kind == BoxItem::Kind::Text) inner = std::max(inner, std::min(60, textWidth(it.text)));
      if (it.kind == BoxItem::Kind::List)
        for (const auto& e : it.entries) inner = std::max(inner, std::min(60, textWidth(e) + 4));
      if (it.kind == BoxItem::Kind::Buttons) {
        int32_t w = 0;
        for (const auto& e : it.entries) w += textWidth(plain(e)) + 6;
        inner = std::max(inner, w);
      }
    }
  }
  inner = std::min(inner, W - 6);
  // The lines of each item.
  struct Line {
    int32_t item;
    int32_t part;  // List: the row; Text: the wrapped line; -1 a label line
  };
  std::vector<Line> lines;
  std::vector<std::vector<std::string>> wrapped(box.items.size());
  for (size_t i = 0; i < box.items.size(); ++i) {
    auto& it = box.items[i];
    const int32_t n = static_cast<int32_t>(i);
    switch (it.kind) {
      case BoxItem::Kind::Text:
        wrapped[i] = wrapText(it.text, inner);
        for (size_t k = 0; k < wrapped[i].size(); ++k) lines.push_back({n, static_cast<int32_t>(k)});
        break;
      case BoxItem::Kind::List: {
        if (!it.label.empty()) lines.push_back({n, -1});
        const int32_t count = static_cast<int32_t>(it.entries.size());
        int32_t rows = std::max(1, std::min(it.rows, H - 10));
        if (box.anchorX >= 0) rows = std::min(count, H - 2);
        it.top = std::clamp(it.top, 0, std::max(0, count - rows));
        if (it.selected < it.top) it.top = it.selected;
        if (it.selected >= it.top + rows) it.top = it.selected - rows + 1;
        for (int32_t k = 0; k < rows; ++k) lines.push_back({n, k});
        break;
      }
      case BoxItem::Kind::Buttons:
        lines.push_back({n, -2});  // a blank line before the buttons
        lines.push_back({n, 0});
        break;
      case BoxItem::Kind::Field:
        if (!it.label.empty() && textWidth(it.label) > inner / 2) lines.push_back({n, -1});
        lines.push_back({n, 0});
        break;
      default: lines.push_back({n, 0}); break;
    }
  }
  const int32_t popup = box.anchorX >= 0;
  const int32_t boxW = inner + (popup ? 2 : 4);
  const int32_t boxH = std::min(H, static_cast<int32_t>(lines.size()) + 2);
  int32_t x0 = (W - boxW) / 2, y0 = (H - boxH) / 2;
  if (popup) {
    x0 = std::clamp(box.anchorX, 0, std::max(0, W - boxW));
    y0 = box.anchorY + boxH <= H ? box.anchorY : std::max(0, box.anchorY - boxH - 1);
  }
  frameBox(g, x0, y0, boxW, boxH, box.title, box.closeBox);
  if (box.closeBox) hits.push_back(makeHit(Hit::Kind::CloseBox, x0 + boxW - 4, y0, 3, 1));
  const int32_t left = x0 + (popup ? 1 : 2), right = left + inner;
  int32_t y = y0 + 1;
  for (const auto& line : lines) {
    if (y >= y0 + boxH - 1) break;
    auto& it = box.items[static_cast<size_t>(line.item)];
    const bool focused = box.focus == line.item;
    const Style mark = focused ? kReverse : kPlain;
    switch (it.kind) {
      case BoxItem::Kind::Text:
        g.put(left, y, wrapped[static_cast<size_t>(line.item)][static_cast<size_t>(line.part)],
              it.bold ? kBold : kPlain, right);
        break;
      case BoxItem::Kind::Field: {
        int32_t x = left;
        if (line.part == -1) {
          g.put(left, y, it.label, kPlain, right);
          break;
        }
        if (!it.label.empty() && textWidth(it.label) <= inner / 2) x = g.put(left, y, it.label + " ", kPlain, right);
        const int32_t w = right - x;
        g.put(x, y, "[", kPlain, right);
        const int32_t at = drawField(g, x + 1, y, w - 2, it.text, it.caret, it.first, with(mark, attr::Underline));
        // A selected text stands out of the focused field, unreversed.
        if (focused && it.allSelected)
          g.put(x + 1, y, std::string_view(it.text).substr(byteOfCharacter(it.text, it.first)),
                with(kBold, attr::Underline), right - 1);
        g.put(right - 1, y, "]", kPlain, right);
        if (focused) {
          g.cursorX = at;
          g.cursorY = y;
        }
        Hit hit = makeHit(Hit::Kind::BoxItem, x, y, w, 1, {}, nullptr, nullptr, line.item);
        hit.textX = x + 1;
        hit.scroll = it.first;
        hits.push_back(hit);
        break;
      }
      case BoxItem::Kind::Check:
      case BoxItem::Kind::Option: {
        const bool check = it.kind == BoxItem::Kind::Check;
        int32_t x =
            g.put(left, y, check ? (it.checked ? "[x] " : "[ ] ") : (it.checked ? "(*) " : "( ) "), mark, right);
        x = putCaption(g, x, y, it.label, mark, right);
        hits.push_back(makeHit(Hit::Kind::BoxItem, left, y, x - left, 1, {}, nullptr, nullptr, line.item));
        break;
      }
      case BoxItem::Kind::Choice: {
        int32_t x = g.put(left, y, it.label + " ", kPlain, right);
        const std::string choice = it.entries.empty()
                                       ? ""
                                       : it.entries[static_cast<size_t>(std::clamp<int32_t>(
                                             it.selected, 0, static_cast<int32_t>(it.entries.size()) - 1))];
        const int32_t start = x;
        x = g.put(x, y, "\u25c2 " + choice + " \u25b8", mark, right);
        hits.push_back(makeHit(Hit::Kind::BoxItem, start, y, x - start, 1, {}, nullptr, nullptr, line.item));
        break;
      }
      case BoxItem::Kind::List: {
        if (line.part == -1) {
          g.put(left, y, it.label, kPlain, right);
          break;
        }
        const int32_t index = it.top + line.part;
        if (index < static_cast<int32_t>(it.entries.size()) && it.entries[static_cast<size_t>(index)].empty()) {
          // A separator line, across a popup's frame as in the menus.
          std::string rule = popup ? "\u251c" : "";
          for (int32_t k = 0; k < inner; ++k) rule += "\u2500";
          if (popup) rule += "\u2524";
          g.put(popup ? x0 : left, y, rule, kDim, popup ? x0 + boxW : right);
        } else if (index < static_cast<int32_t>(it.entries.size())) {
          const bool selected = index == it.selected;
          const Style s = selected ? (focused || popup ? kReverse : kBold) : kPlain;
          g.fill(left, y, inner, 1, s);
          if (popup)
            putCaption(g, left + 1, y, it.entries[static_cast<size_t>(index)], s, right);
          else
            g.put(left + 1, y, it.entries[static_cast<size_t>(index)], s, right);
          hits.push_back(makeHit(Hit::Kind::BoxEntry, left, y, inner, 1, {}, nullptr, nullptr, line.item, index));
        }
        break;
      }
      case BoxItem::Kind::Buttons: {
        if (line.part == -2) break;
        int32_t width = 0;
        for (const auto& e : it.entries) width += textWidth(plain(e)) + 6;
        int32_t x = std::max(left, left + (inner - width) / 2);
        for (size_t b = 0; b < it.entries.size(); ++b) {
          const bool chosen = focused && it.selected == static_cast<int32_t>(b);
          const bool isDefault = it.defaultButton == static_cast<int32_t>(b);
          const Style s = chosen ? kReverse : kPlain;
          const int32_t start = x;
          x = g.put(x, y, isDefault ? "< " : "[ ", s, right);
          x = putCaption(g, x, y, it.entries[b], isDefault ? with(s, attr::Bold) : s, right);
          x = g.put(x, y, isDefault ? " >" : " ]", s, right);
          hits.push_back(makeHit(Hit::Kind::BoxButton, start, y, x - start, 1, {}, nullptr, nullptr, line.item,
                                 static_cast<int32_t>(b)));
          x += 2;
        }
        break;
      }
    }
    ++y;
  }
}

}  // namespace drawing

}  // namespace platform::terminal
