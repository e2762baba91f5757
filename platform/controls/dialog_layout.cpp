#include "platform/controls/dialog_layout.h"

#include <algorithm>
#include <string>

#include "platform/controls/standard_controls.h"
#include "platform/ui/form.h"
#include "platform/ui/timer.h"

namespace platform::controls {

namespace {

template <class T>
bool is(const ui::Control* c) {
  return dynamic_cast<const T*>(c) != nullptr;
}

bool laidOut(const ui::Control* c) { return c->visible() && !is<ui::Timer>(c) && !is<PictureBox>(c); }

// A unit names what a field's number counts: one word.
bool isUnit(const Label& l) {
  std::string caption = l.caption();
  while (!caption.empty() && caption.back() == ' ') caption.pop_back();
  return !caption.empty() && caption.find(' ') == std::string::npos;
}

}  // namespace

int32_t DialogLayout::pageOf(const ui::Control* control) const {
  for (const auto& row : rows)
    for (const auto* c : row.controls)
      if (c == control) return row.page;
  return -1;
}

std::vector<const DialogRow*> DialogLayout::shownRows(int32_t page) const {
  std::vector<const DialogRow*> out;
  for (const auto& row : rows)
    if (row.page < 0 || row.page == page) out.push_back(&row);
  return out;
}

DialogLayout layoutDialog(const ui::Form& form) {
  std::vector<ui::Control*> order;
  for (const auto& c : form.controls())
    if (laidOut(c.get())) order.push_back(c.get());
  std::stable_sort(order.begin(), order.end(),
                   [](const ui::Control* a, const ui::Control* b) { return a->tabIndex() < b->tabIndex(); });

  DialogLayout layout;
  DialogRow buttons;
  buttons.kind = DialogRow::Kind::Buttons;
  int32_t page = -1;
  int32_t framesAfterTabs = 0;
  bool inGroup = false;
  auto push = [&](DialogRow::Kind kind, ui::Control* c) {
    DialogRow row;
    row.kind = kind;
    row.controls = {c};
    row.page = page;
    row.inGroup = inGroup && kind != DialogRow::Kind::Group;
    layout.rows.push_back(std::move(row));
  };
  for (size_t i = 0; i < order.size(); ++i) {
    ui::Control* c = order[i];
    if (auto* tabs = dynamic_cast<TabControl*>(c)) {
      if (!layout.tabs) layout.tabs = tabs;
      inGroup = false;
      page = -1;
      push(DialogRow::Kind::Tabs, c);
      page = 0;
      framesAfterTabs = 0;
      continue;
    }
    if (auto* frame = dynamic_cast<Frame*>(c)) {
      if (frame->caption().empty()) {
        inGroup = false;
        push(DialogRow::Kind::Line, c);
        continue;
      }
      if (layout.tabs && page >= 0) {
        page = std::min(framesAfterTabs, std::max(0, layout.tabs->tabCount() - 1));
        ++framesAfterTabs;
      }
      inGroup = true;
      push(DialogRow::Kind::Group, c);
      continue;
    }
    if (is<CommandButton>(c)) {
      // A button right after a field of a group is that field's button.
      if (inGroup && i > 0 && (is<TextBox>(order[i - 1]) || is<ComboBox>(order[i - 1])) && !layout.rows.empty() &&
          layout.rows.back().inGroup && layout.rows.back().controls.back() == order[i - 1])
        layout.rows.back().controls.push_back(c);
      else
        buttons.controls.push_back(c);
      continue;
    }
    // A label names the text field or list that follows it.
    if (is<Label>(c) && i + 1 < order.size() && (is<TextBox>(order[i + 1]) || is<ComboBox>(order[i + 1]))) {
      push(DialogRow::Kind::Controls, c);
      layout.rows.back().controls.push_back(order[++i]);
      // A one-word label after the field that names no field of its own
      // is its unit ("Save file every [5] minutes"); a sentence there is a
      // note with a row of its own, and a label followed by another heads
      // what comes next ("Scope" and its hint).
      if (i + 1 < order.size() && is<Label>(order[i + 1]) && isUnit(*static_cast<Label*>(order[i + 1])) &&
          !(i + 2 < order.size() &&
            (is<TextBox>(order[i + 2]) || is<ComboBox>(order[i + 2]) || is<Label>(order[i + 2]))))
        layout.rows.back().controls.push_back(order[++i]);
      continue;
    }
    push(DialogRow::Kind::Controls, c);
  }
  if (!buttons.controls.empty()) layout.rows.push_back(std::move(buttons));
  return layout;
}

}  // namespace platform::controls
