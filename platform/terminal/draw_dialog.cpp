// The terminal desktop's dialogs: a form without positions drawn as a
// framed window of rows (platform/controls/dialog_layout.h), its controls
// side by side, labels wrapped or over their fields, the buttons in lines
// that fit; the rows scroll to the focused control.
#include <algorithm>
#include <utility>

#include "platform/controls/code_editor.h"
#include "platform/controls/dialog_layout.h"
#include "platform/controls/standard_controls.h"
#include "platform/terminal/draw_parts.h"
#include "platform/ui/form.h"

namespace platform::terminal {

using namespace drawing;
using controls::CodeEditor;

namespace {

// The extent of a control on a dialog's row.
int32_t drawControl(Grid& g, DesktopView& view, ui::Form& form, ui::Control* c, int32_t x, int32_t y, int32_t end,
                    bool lastInRow, std::vector<Hit>& hits, std::vector<std::pair<ui::Control*, Hit>>& combos) {
  using namespace controls;
  const bool focused = form.focusedControl() == c;
  const bool enabled = c->enabled();
  const Style normal = enabled ? kPlain : kDim;
  const Style mark = focused ? kReverse : normal;
  const int32_t start = x;
  int32_t textX = 0, scroll = 0;  // a text field: where its text starts, its first character shown
  if (auto* l = dynamic_cast<Label*>(c)) {
    x = putCaption(g, x, y, l->caption(), normal, end);
  } else if (auto* t = dynamic_cast<TextBox*>(c)) {
    const int32_t w = lastInRow ? std::max(6, end - x) : std::min(24, std::max(6, end - x));
    const int32_t inner = w - 2;
    g.put(x, y, "[", normal, end);
    int32_t& first = view.fieldFirst[c];
    const int32_t at = drawField(g, x + 1, y, inner, t->text(), t->caretPosition(), first, with(mark, attr::Underline));
    g.put(x + w - 1, y, "]", normal, end);
    if (focused) {
      g.cursorX = at;
      g.cursorY = y;
    }
    textX = x + 1;
    scroll = first;
    x += w;
  } else if (auto* cb = dynamic_cast<ComboBox*>(c)) {
    const int32_t w = lastInRow ? std::max(8, end - x) : std::min(26, std::max(8, end - x));
    const int32_t inner = w - 4;
    g.put(x, y, "[", normal, end);
    int32_t& first = view.fieldFirst[c];
    const int32_t at =
        drawField(g, x + 1, y, inner, cb->text(), cb->caretPosition(), first, with(mark, attr::Underline));
    g.put(x + w - 3, y, " \u25be]", normal, end);
    if (focused) {
      g.cursorX = at;
      g.cursorY = y;
    }
    textX = x + 1;
    scroll = first;
    if (view.openCombo.lock().get() == c)
      combos.push_back({c, makeHit(Hit::Kind::ComboEntry, x, y + 1, w, 1, {}, &form, c)});
    x += w;
  } else if (auto* k = dynamic_cast<CheckBox*>(c)) {
    x = g.put(x, y, k->value() == 1 ? "[x] " : k->value() == 2 ? "[-] " : "[ ] ", mark, end);
    x = putCaption(g, x, y, k->caption(), mark, end);
  } else if (auto* o = dynamic_cast<OptionButton*>(c)) {
    x = g.put(x, y, o->value() ? "(*) " : "( ) ", mark, end);
    x = putCaption(g, x, y, o->caption(), mark, end);
  } else if (auto* b = dynamic_cast<CommandButton*>(c)) {
    const bool isDefault = b->isDefault();
    x = g.put(x, y, isDefault ? "< " : "[ ", mark, end);
    x = putCaption(g, x, y, b->caption(), isDefault ? with(mark, attr::Bold) : mark, end);
    x = g.put(x, y, isDefault ? " >" : " ]", mark, end);
  } else if (auto* tabs = dynamic_cast<TabControl*>(c)) {
    const int32_t page = shownPage(form);
    for (int32_t i = 0; i < tabs->tabCount(); ++i) {
      if (i) x = g.put(x, y, "\u2502", kDim, end);
      const int32_t tabStart = x;
      const Style s = i == page ? with(focused ? kReverse : kBold, attr::Bold) : normal;
      x = putCaption(g, x, y, " " + tabs->tabCaption(i) + " ", s, end);
      hits.push_back(makeHit(Hit::Kind::Tab, tabStart, y, x - tabStart, 1, {}, &form, c, i));
    }
    return x;
  } else {
    x = g.put(x, y, c->fullName(), normal, end);
  }
  Hit hit = makeHit(Hit::Kind::Control, start, y, std::max(1, x - start), 1, {}, &form, c);
  hit.textX = textX;
  hit.scroll = scroll;
  hits.push_back(hit);
  return x;
}

// The cells a command button takes: its caption in "[ ]" or "< >".
int32_t buttonWidth(ui::Control* c) {
  auto* b = dynamic_cast<controls::CommandButton*>(c);
  return (b ? textWidth(plain(b->caption())) : 0) + 4;
}

// The buttons of the last row in lines that fit the width, in order.
std::vector<std::vector<ui::Control*>> buttonLines(const controls::DialogRow& r, int32_t width) {
  std::vector<std::vector<ui::Control*>> lines(1);
  int32_t used = 0;
  for (auto* c : r.controls) {
    const int32_t w = buttonWidth(c);
    if (!lines.back().empty() && used + 2 + w > width) {
      lines.emplace_back();
      used = 0;
    }
    used += (lines.back().empty() ? 0 : 2) + w;
    lines.back().push_back(c);
  }
  return lines;
}

// Whether a row's label goes over its field: beside it, the field would
// have fewer than 12 cells.
bool labelAbove(const controls::DialogRow& r, int32_t room) {
  auto* l = dynamic_cast<controls::Label*>(r.controls[0]);
  if (!l || r.controls.size() < 2) return false;
  int32_t rest = 0;  // a unit label or a button after the field
  for (size_t k = 2; k < r.controls.size(); ++k) {
    if (auto* unit = dynamic_cast<controls::Label*>(r.controls[k]))
      rest += textWidth(plain(unit->caption())) + 1;
    else
      rest += buttonWidth(r.controls[k]) + 1;
  }
  return textWidth(plain(l->caption())) + 1 + 12 + rest > room;
}

}  // namespace

namespace drawing {

void drawDialog(Grid& g, DesktopView& view, ui::Form& form, bool active, std::vector<Hit>& hits, CaretCell& caret) {
  using controls::DialogRow;
  const int32_t W = g.width(), H = g.height();
  const auto layout = controls::layoutDialog(form);
  const auto rows = layout.shownRows(shownPage(form));
  const int32_t boxW = std::min(W - 2, 76);
  const int32_t inner = boxW - 4;
  // Each row's height: a lone label wraps, and so does a label too wide to
  // leave its field room beside it (the field goes below it); a code
  // editor takes several rows.
  auto heightOf = [&](const DialogRow& r) {
    int32_t h = 1;
    const int32_t room = inner - (r.inGroup ? 2 : 0);
    if (r.kind == DialogRow::Kind::Controls) {
      auto* l = dynamic_cast<controls::Label*>(r.controls[0]);
      if (l && r.controls.size() == 1)
        h = std::max<int32_t>(1, static_cast<int32_t>(wrapText(plain(l->caption()), room).size()));
      else if (l && labelAbove(r, room))
        h = static_cast<int32_t>(wrapText(plain(l->caption()), room).size()) + 1;
      if (r.controls.size() == 1 && editorOf(r.controls[0])) h = std::max(3, std::min(12, H - 10));
    }
    if (r.kind == DialogRow::Kind::Buttons) h = 1 + static_cast<int32_t>(buttonLines(r, inner).size());
    return h;
  };
  std::vector<int32_t> heights;
  int32_t total = 0;
  int32_t focusRow = -1;
  for (size_t i = 0; i < rows.size(); ++i) {
    const DialogRow& r = *rows[i];
    for (auto* c : r.controls)
      if (c == form.focusedControl()) focusRow = static_cast<int32_t>(i);
    heights.push_back(heightOf(r));
    total += heights.back();
  }
  // One size over all the pages: the largest page's.
  if (layout.tabs)
    for (int32_t page = 0; page < layout.tabs->tabCount(); ++page) {
      int32_t pageTotal = 0;
      for (const auto* r : layout.shownRows(page)) pageTotal += heightOf(*r);
      total = std::max(total, pageTotal);
    }
  const int32_t boxH = std::min(H - 2, total + 2);
  const int32_t x0 = (W - boxW) / 2;
  const int32_t y0 = std::max(0, (H - boxH) / 2);
  frameBox(g, x0, y0, boxW, boxH, form.caption(), true);
  hits.push_back(makeHit(Hit::Kind::CloseBox, x0 + boxW - 4, y0, 3, 1, form.name(), &form));
  // Rows scroll so that the focused one is shown.
  const int32_t room = boxH - 2;
  size_t first = 0;
  if (focusRow >= 0) {
    int32_t used = 0;
    for (int32_t i = focusRow; i >= 0; --i) {
      used += heights[static_cast<size_t>(i)];
      if (used > room) {
        first = static_cast<size_t>(i + 1);
        break;
      }
    }
  }
  // A page shorter than the largest leaves its room above the buttons, so
  // that they stand in the same row on every page.
  int32_t shown = 0;
  for (int32_t h : heights) shown += h;
  const int32_t spare = first == 0 ? std::max(0, room - shown) : 0;
  std::vector<std::pair<ui::Control*, Hit>> combos;
  int32_t y = y0 + 1;
  const int32_t right = x0 + boxW - 2;
  size_t i = first;
  for (; i < rows.size() && y < y0 + boxH - 1; ++i) {
    const DialogRow& r = *rows[i];
    const int32_t indent = x0 + 2 + (r.inGroup ? 2 : 0);
    const int32_t h = heights[i];
    switch (r.kind) {
      case DialogRow::Kind::Group: {
        auto* f = dynamic_cast<controls::Frame*>(r.controls[0]);
        int32_t x = g.put(x0 + 2, y, "\u2500 ", kDim, right);
        x = putCaption(g, x, y, f ? f->caption() : "", kBold, right);
        x = g.put(x, y, " ", kDim, right);
        while (x < right) x = g.put(x, y, "\u2500", kDim, right);
        break;
      }
      case DialogRow::Kind::Line:
        for (int32_t x = x0 + 2; x < right; ++x) g.put(x, y, "\u2500", kDim, right);
        break;
      case DialogRow::Kind::Buttons: {
        y += spare;
        int32_t yy = y + 1;
        for (const auto& line : buttonLines(r, inner)) {
          if (yy >= y0 + boxH - 1) break;
          int32_t width = -2;
          for (auto* c : line) width += buttonWidth(c) + 2;
          int32_t x = std::max(x0 + 2, x0 + (boxW - width) / 2);
          for (auto* c : line) x = drawControl(g, view, form, c, x, yy, right, false, hits, combos) + 2;
          ++yy;
        }
        break;
      }
      default: {
        if (r.controls.size() == 1 && editorOf(r.controls[0])) {
          auto* e = editorOf(r.controls[0]);
          const bool focused = active && form.focusedControl() == r.controls[0] && !view.box;
          CaretCell cc = drawEditor(g, view, *e, r.controls[0], indent, y, right - indent,
                                    std::min(h, y0 + boxH - 1 - y), focused, hits);
          if (focused) caret = cc;
          break;
        }
        if (r.controls.size() == 1 && h > 1) {
          auto* l = dynamic_cast<controls::Label*>(r.controls[0]);
          const std::string text = plain(l->caption());
          const size_t access = accessIndex(l->caption());
          int32_t yy = y;
          size_t at = 0;  // where the line starts in the text
          for (const auto& part : wrapText(text, right - indent)) {
            if (yy >= y0 + boxH - 1) break;
            at = std::min(text.find(part, at), text.size());
            g.put(indent, yy, part, l->enabled() ? kPlain : kDim, right);
            if (access >= at && access < at + part.size())
              g.addAttrs(indent + textWidth(part.substr(0, access - at)), yy, 1, attr::Underline);
            at += part.size();
            ++yy;
          }
          break;
        }
        int32_t x = indent;
        size_t k = 0;
        int32_t yy = y;
        if (auto* l = dynamic_cast<controls::Label*>(r.controls[0]); l && h > 1) {
          // The label over its field.
          for (const auto& part : wrapText(plain(l->caption()), right - indent)) {
            if (yy >= y0 + boxH - 1) break;
            g.put(indent, yy++, part, l->enabled() ? kPlain : kDim, right);
          }
          k = 1;
        }
        if (yy >= y0 + boxH - 1) break;
        for (; k < r.controls.size() && x < right; ++k)
          x = drawControl(g, view, form, r.controls[k], x, yy, right, k + 1 == r.controls.size(), hits, combos) + 1;
        break;
      }
    }
    y += h;
  }
  // Rows that found no room, above or below (Tab brings them in): a mark
  // on the frame says so.
  if (first > 0) g.put(x0 + boxW - 6, y0, "\u25b4", kDim, x0 + boxW - 5);
  if (i < rows.size() || y > y0 + boxH - 1) g.put(x0 + boxW - 6, y0 + boxH - 1, "\u25be", kDim, x0 + boxW - 5);
  // The open list of a combo box, over the rows below it.
  for (auto& [c, hit] : combos) {
    auto* cb = dynamic_cast<controls::ComboBox*>(c);
    const int32_t count = cb->listCount();
    const int32_t shown = std::min<int32_t>(8, count);
    int32_t top = std::clamp(view.comboSelected - shown + 1, 0, std::max(0, count - shown));
    int32_t ly = hit.y;
    if (ly + shown > H) ly = std::max(0, hit.y - 1 - shown);
    for (int32_t r = 0; r < shown; ++r) {
      const int32_t index = top + r;
      const Style s = index == view.comboSelected ? kReverse : kPlain;
      g.fill(hit.x, ly + r, hit.w, 1, s);
      g.put(hit.x + 1, ly + r, cb->list(index), s, hit.x + hit.w - 1);
      hits.push_back(makeHit(Hit::Kind::ComboEntry, hit.x, ly + r, hit.w, 1, {}, &form, c, index));
    }
  }
}

}  // namespace drawing

}  // namespace platform::terminal
