// The terminal desktop's boxes: a box runs until it is answered. The keys
// that every box knows (Alt with an access key, Tab, Escape, Enter) are
// taken first; any other key goes to the focused item, by its kind.
#include <algorithm>

#include "platform/controls/line_edit.h"
#include "platform/controls/line_layout.h"
#include "platform/controls/standard_controls.h"
#include "platform/terminal/desktop_parts.h"
#include "platform/terminal/terminal_desktop.h"
#include "platform/ui/timer.h"

namespace platform::terminal {

namespace {

using R = BoxResult;
using controls::accessKeyOf;

bool focusable(const BoxItem& it) { return it.kind != BoxItem::Kind::Text; }

// A field's text and caret as a line to edit, and back.
controls::LineEdit lineOf(const BoxItem& field) {
  controls::LineEdit e{field.text, field.caret};
  if (field.caret < 0) e.caret = controls::characterCount(field.text);
  e.setCaret(e.caret);
  return e;
}

void keepLine(BoxItem& field, const controls::LineEdit& e) {
  field.text = e.text;
  field.caret = e.caret;
}

// The option buttons next to each other are one group: the one at `at`
// is chosen.
void selectOption(std::vector<BoxItem>& items, size_t at) {
  size_t a = at, b = at;
  while (a > 0 && items[a - 1].kind == BoxItem::Kind::Option) --a;
  while (b + 1 < items.size() && items[b + 1].kind == BoxItem::Kind::Option) ++b;
  for (size_t k = a; k <= b; ++k) items[k].checked = k == at;
}

void moveFocus(Box& box, bool forward) {
  auto& items = box.items;
  const int32_t n = static_cast<int32_t>(items.size());
  int32_t i = box.focus;
  for (int32_t step = 0; step < n; ++step) {
    i = (i + (forward ? 1 : n - 1)) % n;
    if (focusable(items[static_cast<size_t>(i)])) break;
  }
  box.focus = i;
  auto& to = items[static_cast<size_t>(i)];
  if (to.kind == BoxItem::Kind::Buttons)
    to.selected = forward ? 0 : std::max(0, static_cast<int32_t>(to.entries.size()) - 1);
}

int32_t entryCount(const BoxItem& item) { return static_cast<int32_t>(item.entries.size()); }

// The keys of every box; false when the key is for the focused item.
bool boxKey(Box& box, BoxItem& item, const std::string& k, std::optional<R>& answer) {
  auto& items = box.items;
  // Alt with an access key presses that button, toggles or chooses that
  // check box or option button, or goes to the field it names.
  if (const char letter = altLetter(k)) {
    for (size_t i = 0; i < items.size(); ++i) {
      auto& it = items[i];
      if (it.kind == BoxItem::Kind::Buttons) {
        for (size_t b = 0; b < it.entries.size(); ++b)
          if (accessKeyOf(it.entries[b]) == letter) {
            answer = R{R::Kind::Button, static_cast<int32_t>(b)};
            return true;
          }
        continue;
      }
      if (it.kind == BoxItem::Kind::Text || accessKeyOf(it.label) != letter) continue;
      box.focus = static_cast<int32_t>(i);
      if (it.kind == BoxItem::Kind::Check) it.checked = !it.checked;
      if (it.kind == BoxItem::Kind::Option) selectOption(items, i);
      return true;
    }
    return true;
  }
  if (k == "Tab" || k == "Shift+Tab") {
    const bool forward = k == "Tab";
    if (item.kind == BoxItem::Kind::Buttons && entryCount(item) > 1 &&
        (forward ? item.selected + 1 < entryCount(item) : item.selected > 0))
      item.selected += forward ? 1 : -1;
    else
      moveFocus(box, forward);
    return true;
  }
  if (k == "Escape") {
    answer = R{R::Kind::Cancel};
    return true;
  }
  if (k == "Enter") {
    if (item.kind == BoxItem::Kind::Buttons) {
      answer = R{R::Kind::Button, item.selected};
    } else if (item.kind == BoxItem::Kind::List) {
      answer = R{R::Kind::Activate};
    } else {
      for (auto& it : items)
        if (it.kind == BoxItem::Kind::Buttons) {
          answer = R{R::Kind::Button, std::max(0, it.defaultButton)};
          break;
        }
    }
    return true;
  }
  return false;
}

std::optional<R> fieldKey(BoxItem& field, const std::string& k) {
  if (field.allSelected) {
    // The selected text goes with Backspace, Delete and typing; the keys
    // that move the caret keep it, from the caret at its end.
    field.allSelected = false;
    if (k == "Backspace" || k == "Delete") {
      field.text.clear();
      field.caret = 0;
      return std::nullopt;
    }
    if (k == "Space") {
      field.text = " ";
      field.caret = 1;
      return std::nullopt;
    }
  }
  auto line = lineOf(field);
  if (k == "Space") {
    line.insert(" ");
    keepLine(field, line);
  } else if (line.key(k)) {
    keepLine(field, line);
  }
  return std::nullopt;
}

std::optional<R> checkKey(BoxItem& check, const std::string& k) {
  if (k == "Space") check.checked = !check.checked;
  return std::nullopt;
}

std::optional<R> optionKey(Box& box, const std::string& k) {
  const size_t at = static_cast<size_t>(box.focus);
  if (k == "Space") selectOption(box.items, at);
  if (k == "Up" || k == "Down") {
    const size_t to = k == "Up" ? at - 1 : at + 1;
    if (to < box.items.size() && box.items[to].kind == BoxItem::Kind::Option) {
      box.focus = static_cast<int32_t>(to);
      selectOption(box.items, to);
    }
  }
  return std::nullopt;
}

std::optional<R> buttonsKey(BoxItem& buttons, const std::string& k) {
  if (k == "Space") return R{R::Kind::Button, buttons.selected};
  const int32_t n = entryCount(buttons);
  if ((k == "Left" || k == "Right") && n > 0) buttons.selected = (buttons.selected + (k == "Left" ? n - 1 : 1)) % n;
  return std::nullopt;
}

std::optional<R> choiceKey(BoxItem& choice, const std::string& k) {
  const bool back = k == "Left" || k == "Up", forward = k == "Right" || k == "Down";
  if (!(back || forward) || entryCount(choice) == 0) return std::nullopt;
  choice.selected = std::clamp(choice.selected + (back ? -1 : 1), 0, entryCount(choice) - 1);
  return R{R::Kind::Changed};
}

// The entry to select at `to` or next to it: a separator line (an empty
// entry) is passed over in the direction of the move, or back from the
// list's end.
int32_t selectableEntry(const BoxItem& list, int32_t to, int32_t direction) {
  const int32_t n = entryCount(list);
  to = std::clamp(to, 0, n - 1);
  for (const int32_t step : {direction, -direction})
    for (int32_t i = to; i >= 0 && i < n; i += step)
      if (!list.entries[static_cast<size_t>(i)].empty()) return i;
  return to;
}

std::optional<R> listKey(BoxItem& list, const std::string& k) {
  const int32_t n = entryCount(list);
  if (n == 0) return std::nullopt;
  int32_t to = list.selected;
  if (k == "Up") to -= 1;
  if (k == "Down") to += 1;
  if (k == "PageUp") to -= list.rows;
  if (k == "PageDown") to += list.rows;
  if (k == "Home") to = 0;
  if (k == "End") to = n - 1;
  to = selectableEntry(list, to, to < list.selected || k == "End" ? -1 : 1);
  if (to != list.selected) {
    list.selected = to;
    return R{R::Kind::Changed};
  }
  if (k == "Backspace") return R{R::Kind::Activate, -1};
  return std::nullopt;
}

std::optional<R> itemKey(Box& box, BoxItem& item, const std::string& k) {
  switch (item.kind) {
    case BoxItem::Kind::Field: return fieldKey(item, k);
    case BoxItem::Kind::Check: return checkKey(item, k);
    case BoxItem::Kind::Option: return optionKey(box, k);
    case BoxItem::Kind::Buttons: return buttonsKey(item, k);
    case BoxItem::Kind::Choice: return choiceKey(item, k);
    case BoxItem::Kind::List: return listKey(item, k);
    case BoxItem::Kind::Text: break;
  }
  return std::nullopt;
}

// Typed or pasted text goes into a field, on one line.
std::optional<R> fieldText(BoxItem& field, const std::string& text) {
  std::string typed;
  for (char c : text)
    if (c != '\n' && c != '\r') typed += c;
  if (field.allSelected) {
    field.allSelected = false;
    field.text.clear();
    field.caret = 0;
  }
  auto line = lineOf(field);
  line.insert(typed);
  keepLine(field, line);
  return std::nullopt;
}

std::optional<R> boxMouse(Box& box, const MouseEvent& m, const std::vector<Hit>& hits) {
  auto& items = box.items;
  for (const auto& h : hits) {
    if (!h.contains(m.x, m.y)) continue;
    if (m.kind == MouseEvent::Kind::Wheel && h.kind == Hit::Kind::BoxEntry) {
      auto& list = items[static_cast<size_t>(h.index)];
      if (entryCount(list) == 0) return std::nullopt;
      const int32_t step = m.button == 4 ? -1 : 1;
      list.selected = selectableEntry(list, list.selected + step, step);
      return R{R::Kind::Changed};
    }
    if (m.kind != MouseEvent::Kind::Press || m.button != 1) return std::nullopt;
    switch (h.kind) {
      case Hit::Kind::BoxButton: return R{R::Kind::Button, h.level};
      case Hit::Kind::BoxItem: {
        box.focus = h.index;
        auto& it = items[static_cast<size_t>(h.index)];
        if (it.kind == BoxItem::Kind::Field) {
          it.caret = fieldCaretAt(it.text, h.scroll, m.x - h.textX);
          it.allSelected = false;
        }
        if (it.kind == BoxItem::Kind::Check) it.checked = !it.checked;
        if (it.kind == BoxItem::Kind::Option) selectOption(items, static_cast<size_t>(h.index));
        if (it.kind == BoxItem::Kind::Choice && !it.entries.empty()) {
          it.selected = (it.selected + 1) % entryCount(it);
          return R{R::Kind::Changed};
        }
        return std::nullopt;
      }
      case Hit::Kind::BoxEntry: {
        auto& list = items[static_cast<size_t>(h.index)];
        const bool again = box.focus == h.index && list.selected == h.level;
        box.focus = h.index;
        list.selected = h.level;
        return R{again ? R::Kind::Activate : R::Kind::Changed};
      }
      case Hit::Kind::CloseBox:
        if (!h.form) return R{R::Kind::Cancel};
        return std::nullopt;
      default: return std::nullopt;
    }
  }
  return std::nullopt;
}

}  // namespace

BoxResult TerminalDesktop::runBox(Box& box, const std::function<std::optional<BoxResult>(const InputEvent&)>& key) {
  Box* previous = view_.box;
  view_.box = &box;
  struct Restore {
    DesktopView& view;
    Box* previous;
    ~Restore() { view.box = previous; }
  } restore{view_, previous};
  if (box.focus < 0 || box.focus >= static_cast<int32_t>(box.items.size()) ||
      !focusable(box.items[static_cast<size_t>(box.focus)]))
    for (size_t i = 0; i < box.items.size(); ++i)
      if (focusable(box.items[i])) {
        box.focus = static_cast<int32_t>(i);
        break;
      }
  for (;;) {
    const auto e = promptInput();
    if (!e) return BoxResult{BoxResult::Kind::Closed};
    if (key)
      if (auto r = key(*e)) return *r;
    if (auto r = boxEvent(box, *e)) return *r;
  }
}

std::optional<InputEvent> TerminalDesktop::promptInput() {
  for (;;) {
    if (closed_) return std::nullopt;
    render();
    // A prompt waits as a window does: up to the next timer that is due,
    // and the timers tick while it is open, as in any modal loop.
    const InputEvent e = terminal_->next(waitMillis());
    switch (e.kind) {
      case InputEvent::Kind::None: ui::runDueTimers(); continue;
      case InputEvent::Kind::Resize: continue;
      case InputEvent::Kind::Closed:
      case InputEvent::Kind::Ending: endSession(e); return std::nullopt;
      default: break;
    }
    if (!tooSmall()) return e;
  }
}

std::optional<BoxResult> TerminalDesktop::boxEvent(Box& box, const InputEvent& e) {
  if (box.focus < 0 || box.focus >= static_cast<int32_t>(box.items.size())) return std::nullopt;
  BoxItem& item = box.items[static_cast<size_t>(box.focus)];
  switch (e.kind) {
    case InputEvent::Kind::Key: {
      std::optional<R> answer;
      if (boxKey(box, item, e.name, answer)) return answer;
      return itemKey(box, item, e.name);
    }
    case InputEvent::Kind::Text:
    case InputEvent::Kind::Paste:
      if (item.kind == BoxItem::Kind::Field) return fieldText(item, e.text);
      return std::nullopt;
    case InputEvent::Kind::Mouse: return boxMouse(box, e.mouse, hits_);
    default: return std::nullopt;
  }
}

}  // namespace platform::terminal
