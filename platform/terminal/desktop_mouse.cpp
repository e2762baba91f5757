// The terminal desktop's mouse: clicks on the toolbars, the menu titles,
// the close boxes, a dialog's controls and tabs, and the code editor's
// text (a drag selects), and the wheel.
#include <algorithm>

#include "platform/controls/code_editor.h"
#include "platform/controls/line_layout.h"
#include "platform/controls/standard_controls.h"
#include "platform/controls/toolbar.h"
#include "platform/terminal/desktop_parts.h"
#include "platform/terminal/terminal_desktop.h"
#include "platform/ui/form.h"

namespace platform::terminal {

using ui::Action;
using K = ui::Action::Kind;

std::optional<Action> TerminalDesktop::mouseEvent(const MouseEvent& m) {
  const Hit* hit = nullptr;
  for (const auto& h : hits_)
    if (h.contains(m.x, m.y)) {
      hit = &h;
      break;
    }
  auto textPosition = [&](const Hit& h, int32_t* line, int32_t* column) {
    auto* e = dynamic_cast<controls::CodeEditor*>(h.control);
    if (!e) return false;
    const int32_t y = std::clamp(m.y, h.y, h.y + h.h - 1);
    *line = std::clamp(h.top + (y - h.y), 0, std::max(0, e->lineCount() - 1));
    const int32_t cell = std::max(0, m.x - h.textX + h.scroll);
    *column = static_cast<int32_t>(controls::columnAtCell(*e, *line, cell));
    return true;
  };
  if (m.kind == MouseEvent::Kind::Release) {
    dragging_ = false;
    return std::nullopt;
  }
  if (m.kind == MouseEvent::Kind::Drag) {
    auto dragged = dragControl_.lock();
    if (!dragging_ || !dragged || !dragged->form()) return std::nullopt;
    for (const auto& h : hits_)
      if (h.kind == Hit::Kind::Text && h.control == dragged.get()) {
        int32_t line = 0, column = 0;
        if (!textPosition(h, &line, &column)) return std::nullopt;
        Action a = onControl(K::Select, *dragged);
        a.line = dragLine_ + 1;
        a.column = dragColumn_ + 1;
        a.line2 = line + 1;
        a.column2 = column + 1;
        return a;
      }
    return std::nullopt;
  }
  if (!hit) return std::nullopt;
  if (m.kind == MouseEvent::Kind::Wheel) {
    if (hit->kind == Hit::Kind::Text)
      if (auto* e = dynamic_cast<controls::CodeEditor*>(hit->control)) {
        const int32_t top = std::clamp(e->topLine() + (m.button == 4 ? -3 : 3), 0, std::max(0, e->lineCount() - 1));
        e->setTopLine(top);
      }
    return std::nullopt;
  }
  if (m.kind != MouseEvent::Kind::Press) return std::nullopt;
  if (m.button == 3) {
    if (hit->kind == Hit::Kind::Text && hit->control) return onControl(K::RightClick, *hit->control);
    return std::nullopt;
  }
  if (m.button != 1) return std::nullopt;
  switch (hit->kind) {
    case Hit::Kind::Tool: {
      Action a = action(K::ToolClick);
      a.form = hit->form ? hit->form->name() : std::string();
      a.text = hit->id;
      return a;
    }
    case Hit::Kind::MoreTools: {
      // The buttons that found no room, as a menu under the "»".
      const controls::Toolbar* bar = hit->form ? menuBarOf(*hit->form) : nullptr;
      if (!bar) return std::nullopt;
      ui::PopupPrompt prompt;
      for (const auto& [id, caption] : hit->tools)
        if (const auto* t = bar->findTool(id); t && t->enabled) {
          prompt.toolIds.push_back(id);
          prompt.captions.push_back(caption);
        }
      const std::string form = hit->form->name();
      const auto picked = popupList(prompt, hit->x, hit->y + 1);
      if (!picked) return std::nullopt;
      Action a = action(K::ToolClick);
      a.form = form;
      a.text = *picked;
      return a;
    }
    case Hit::Kind::MenuTitle: openMenu(hit->index); return std::nullopt;
    case Hit::Kind::CloseBox: {
      if (!hit->form) return std::nullopt;
      Action a = action(K::Close);
      a.form = hit->form->name();
      return a;
    }
    case Hit::Kind::Tab: {
      auto* tabs = dynamic_cast<controls::TabControl*>(hit->control);
      if (!tabs) return std::nullopt;
      return onControl(K::Pick, *tabs, tabs->tabCaption(hit->index));
    }
    case Hit::Kind::Control: {
      ui::Control* c = hit->control;
      // A click in a field's text places its caret there.
      auto caretAt = [&](const std::string& text) {
        Action a = onControl(K::Mouse, *c);
        a.line = 1;
        a.column = fieldCaretAt(text, hit->scroll, m.x - hit->textX) + 1;
        return a;
      };
      if (auto* combo = dynamic_cast<controls::ComboBox*>(c)) {
        if (m.x >= hit->x + hit->w - 3) {
          if (combo->listCount() > 0) {
            view_.openCombo = combo->shared_from_this();
            view_.comboSelected = std::max(0, combo->listIndex());
          }
          return onControl(K::Focus, *c);
        }
        return caretAt(combo->text());
      }
      if (auto* text = dynamic_cast<controls::TextBox*>(c)) return caretAt(text->text());
      if (dynamic_cast<controls::Label*>(c)) return std::nullopt;
      return onControl(K::Click, *c);
    }
    case Hit::Kind::Text: {
      int32_t line = 0, column = 0;
      if (!hit->control || !textPosition(*hit, &line, &column)) return std::nullopt;
      dragging_ = true;
      dragControl_ = hit->control->shared_from_this();
      dragLine_ = line;
      dragColumn_ = column;
      Action a = onControl(K::Mouse, *hit->control);
      a.line = line + 1;
      a.column = column + 1;
      return a;
    }
    default: return std::nullopt;
  }
}

}  // namespace platform::terminal
