// The terminal desktop's menus: the menu bar's titles open their menus,
// the keys and letters move through them and pick an entry.
#include <algorithm>

#include "platform/controls/toolbar.h"
#include "platform/terminal/desktop_parts.h"
#include "platform/terminal/terminal_desktop.h"
#include "platform/ui/form.h"

namespace platform::terminal {

using ui::Action;
using K = ui::Action::Kind;

namespace {

const controls::Toolbar* activeMenuBar() {
  auto form = ui::activeForm();
  return form && isMainWindow(*form) ? menuBarOf(*form) : nullptr;
}

// The toolbar whose popups the open menu shows: a popup menu's own, else
// the active window's menu bar.
const controls::Toolbar* openMenuBar(const MenuState& menu) { return menu.popupBar ? menu.popupBar : activeMenuBar(); }

int32_t firstEntry(const std::vector<std::string>& entries) {
  for (size_t i = 0; i < entries.size(); ++i)
    if (!entries[i].empty()) return static_cast<int32_t>(i);
  return 0;
}

}  // namespace

void TerminalDesktop::openMenu(int32_t title) {
  const auto* bar = activeMenuBar();
  if (!bar) return;
  const auto titles = menuTitles(*bar);
  if (titles.empty()) return;
  title = (title % static_cast<int32_t>(titles.size()) + static_cast<int32_t>(titles.size())) %
          static_cast<int32_t>(titles.size());
  view_.menu.title = title;
  const auto& id = titles[static_cast<size_t>(title)];
  view_.menu.levels = {MenuLevel{id, firstEntry(popupEntries(*bar, id))}};
}

std::optional<Action> TerminalDesktop::pickMenuEntry(int32_t index) {
  const auto* bar = openMenuBar(view_.menu);
  if (!bar || view_.menu.levels.empty()) return std::nullopt;
  auto& level = view_.menu.levels.back();
  const auto entries = menuEntries(*bar, view_.menu, level.popupId);
  if (index < 0 || index >= static_cast<int32_t>(entries.size()) || entries[static_cast<size_t>(index)].empty())
    return std::nullopt;
  level.selected = index;
  const std::string id = entries[static_cast<size_t>(index)];
  const auto* tool = bar->findTool(id);
  if (!tool || !tool->enabled) return std::nullopt;
  if (tool->kind == controls::ToolKind::Popup) {
    view_.menu.levels.push_back(MenuLevel{id, firstEntry(menuEntries(*bar, view_.menu, id))});
    return std::nullopt;
  }
  view_.menu = MenuState{};
  Action a = action(K::ToolClick);
  a.text = id;
  return a;
}

std::optional<Action> TerminalDesktop::menuEvent(const InputEvent& e) {
  const auto* bar = openMenuBar(view_.menu);
  if (!bar || view_.menu.levels.empty()) {
    view_.menu = MenuState{};
    return std::nullopt;
  }
  // A popup menu has no titles beside it to move to.
  const bool popup = view_.menu.popupBar != nullptr;
  auto& level = view_.menu.levels.back();
  const auto entries = menuEntries(*bar, view_.menu, level.popupId);
  const int32_t count = static_cast<int32_t>(entries.size());
  if (e.kind == InputEvent::Kind::Key) {
    const std::string& k = e.name;
    if (k == "Escape" || k == "F10") {
      if (k == "Escape" && view_.menu.levels.size() > 1)
        view_.menu.levels.pop_back();
      else
        view_.menu = MenuState{};
      return std::nullopt;
    }
    if ((k == "Up" || k == "Down") && count > 0) {
      int32_t i = level.selected;
      for (int32_t step = 0; step < count; ++step) {
        i = (i + (k == "Up" ? count - 1 : 1)) % count;
        if (!entries[static_cast<size_t>(i)].empty()) break;
      }
      level.selected = i;
      return std::nullopt;
    }
    if (k == "Home" || k == "End") {
      level.selected = k == "Home" ? firstEntry(entries) : std::max(0, count - 1);
      return std::nullopt;
    }
    if (k == "Left") {
      if (view_.menu.levels.size() > 1)
        view_.menu.levels.pop_back();
      else if (!popup)
        openMenu(view_.menu.title - 1);
      return std::nullopt;
    }
    if (k == "Right") {
      if (level.selected < count) {
        const auto* t = bar->findTool(entries[static_cast<size_t>(level.selected)]);
        if (t && t->kind == controls::ToolKind::Popup && t->enabled) return pickMenuEntry(level.selected);
      }
      if (!popup) openMenu(view_.menu.title + 1);
      return std::nullopt;
    }
    if (k == "Enter" || k == "Space") return pickMenuEntry(level.selected);
  }
  if (const char letter = letterOf(e, true)) {
    // An entry's access key picks it; a title's (with Alt) opens that menu.
    for (int32_t i = 0; i < count; ++i)
      if (!entries[static_cast<size_t>(i)].empty())
        if (const auto* t = bar->findTool(entries[static_cast<size_t>(i)]); t && t->accessKey() == letter)
          return pickMenuEntry(i);
    if (!popup && e.kind == InputEvent::Kind::Key && e.name.rfind("Alt+", 0) == 0) {
      const auto titles = menuTitles(*bar);
      for (size_t i = 0; i < titles.size(); ++i)
        if (bar->findTool(titles[i])->accessKey() == letter) openMenu(static_cast<int32_t>(i));
    }
    return std::nullopt;
  }
  if (e.kind == InputEvent::Kind::Mouse) {
    const auto& m = e.mouse;
    if (m.kind == MouseEvent::Kind::Wheel) {
      // The wheel moves through the open menu as the arrows do.
      InputEvent arrow;
      arrow.kind = InputEvent::Kind::Key;
      arrow.name = m.button == 4 ? "Up" : "Down";
      return menuEvent(arrow);
    }
    if (m.kind != MouseEvent::Kind::Press || m.button != 1) return std::nullopt;
    for (const auto& h : hits_) {
      if (!h.contains(m.x, m.y)) continue;
      if (h.kind == Hit::Kind::MenuItem) {
        if (h.level + 1 < static_cast<int32_t>(view_.menu.levels.size()))
          view_.menu.levels.resize(static_cast<size_t>(h.level + 1));
        return pickMenuEntry(h.index);
      }
      if (h.kind == Hit::Kind::MenuTitle) {
        if (popup || h.index == view_.menu.title)
          view_.menu = MenuState{};
        else
          openMenu(h.index);
        return std::nullopt;
      }
      break;
    }
    view_.menu = MenuState{};
  }
  return std::nullopt;
}

}  // namespace platform::terminal
