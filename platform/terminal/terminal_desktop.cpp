#include "platform/terminal/terminal_desktop.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fnmatch.h>

#include "platform/controls/code_editor.h"
#include "platform/controls/dialog_layout.h"
#include "platform/controls/line_edit.h"
#include "platform/controls/line_layout.h"
#include "platform/controls/print_dialog.h"
#include "platform/controls/standard_controls.h"
#include "platform/controls/toolbar.h"
#include "platform/runtime/clock.h"
#include "platform/terminal/screen.h"
#include "platform/ui/desktops.h"
#include "platform/ui/emergency.h"
#include "platform/ui/form.h"
#include "platform/ui/msgbox.h"
#include "platform/ui/timer.h"

namespace platform::terminal {

namespace fs = std::filesystem;
using ui::Action;
using K = ui::Action::Kind;

namespace {

Action action(K kind) {
  Action a;
  a.kind = kind;
  return a;
}

Action onControl(K kind, ui::Control& c, std::string text = {}) {
  Action a = action(kind);
  a.form = c.form() ? c.form()->name() : std::string();
  a.control = c.fullName();
  a.text = std::move(text);
  return a;
}

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

using controls::accessKeyOf;

// The letter of a key or typed text, in lower case; 0 when it is none.
char letterOf(const InputEvent& e, bool allowAlt) {
  std::string s;
  if (e.kind == InputEvent::Kind::Text) s = e.text;
  if (e.kind == InputEvent::Kind::Key) {
    s = e.name;
    if (allowAlt && s.rfind("Alt+", 0) == 0) s = s.substr(4);
  }
  if (s.size() != 1 || !std::isalnum(static_cast<unsigned char>(s[0]))) return 0;
  return static_cast<char>(std::tolower(static_cast<unsigned char>(s[0])));
}

// The letter of an Alt+letter key name, in lower case; 0 for another key.
char altLetter(const std::string& key) {
  if (key.size() != 5 || key.rfind("Alt+", 0) != 0 || !std::isalnum(static_cast<unsigned char>(key[4]))) return 0;
  return static_cast<char>(std::tolower(static_cast<unsigned char>(key[4])));
}

// The control that follows `c` in tab order and can take the focus: where
// a label's or a frame's access key sends the focus.
ui::Control* nextInTabOrder(ui::Form& form, const ui::Control* c) {
  std::vector<ui::Control*> all;
  for (const auto& k : form.controls()) all.push_back(k.get());
  std::stable_sort(all.begin(), all.end(), [](auto* a, auto* b) { return a->tabIndex() < b->tabIndex(); });
  auto it = std::find(all.begin(), all.end(), c);
  if (it == all.end()) return nullptr;
  for (++it; it != all.end(); ++it)
    if ((*it)->focusable()) return *it;
  return nullptr;
}

// What Alt with an access key ("&" in a caption) does in a dialog: a
// command button is pressed, a check box toggled, an option button chosen
// (each also takes the focus), a tab shown, and a label or a frame sends
// the focus to the control after it in tab order. Of the controls shown
// with the same letter, the first after the focused one is taken.
std::optional<Action> accessKeyAction(ui::Form& form, char letter) {
  using namespace controls;
  struct Target {
    ui::Control* control;
    int32_t tab;  // a tab of the strip, else -1
  };
  std::vector<Target> found;
  const auto layout = layoutDialog(form);
  for (const auto* row : layout.shownRows(shownPage(form)))
    for (ui::Control* c : row->controls) {
      if (!c->visible() || !c->enabled()) continue;
      if (auto* tabs = dynamic_cast<TabControl*>(c)) {
        for (int32_t i = 0; i < tabs->tabCount(); ++i)
          if (accessKeyOf(tabs->tabCaption(i)) == letter) found.push_back({c, i});
        continue;
      }
      std::string caption;
      if (auto* b = dynamic_cast<CommandButton*>(c)) caption = b->caption();
      else if (auto* k = dynamic_cast<CheckBox*>(c)) caption = k->caption();
      else if (auto* o = dynamic_cast<OptionButton*>(c)) caption = o->caption();
      else if (auto* l = dynamic_cast<Label*>(c)) caption = l->caption();
      else if (auto* f = dynamic_cast<Frame*>(c)) caption = f->caption();
      if (accessKeyOf(caption) == letter) found.push_back({c, -1});
    }
  if (found.empty()) return std::nullopt;
  size_t pick = 0;
  if (ui::Control* focused = form.focusedControl()) {
    size_t at = found.size();
    for (size_t i = 0; i < found.size(); ++i)
      if (found[i].control == focused) at = i;
    if (at < found.size()) pick = (at + 1) % found.size();
  }
  ui::Control* c = found[pick].control;
  if (found[pick].tab >= 0)
    return onControl(K::Pick, *c, dynamic_cast<TabControl*>(c)->tabCaption(found[pick].tab));
  if (dynamic_cast<Label*>(c) || dynamic_cast<Frame*>(c)) {
    ui::Control* next = nextInTabOrder(form, c);
    if (!next) return std::nullopt;
    return onControl(K::Focus, *next);
  }
  return onControl(K::Click, *c);
}

bool isKey(const InputEvent& e, const char* name) { return e.kind == InputEvent::Kind::Key && e.name == name; }

std::string trim(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
  size_t b = 0;
  while (b < s.size() && (s[b] == ' ' || s[b] == '\t')) ++b;
  return s.substr(b);
}

std::optional<int64_t> number(const std::string& text) {
  const std::string t = trim(text);
  if (t.empty() || t.size() > 9) return std::nullopt;
  for (char c : t)
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
  return std::strtoll(t.c_str(), nullptr, 10);
}

}  // namespace

TerminalDesktop::TerminalDesktop(std::unique_ptr<Terminal> terminal) : terminal_(std::move(terminal)) {}

TerminalDesktop::~TerminalDesktop() = default;

void TerminalDesktop::render() {
  if (grid_.width() != terminal_->width() || grid_.height() != terminal_->height())
    grid_.resize(terminal_->width(), terminal_->height());
  drawDesktop(grid_, view_, hits_);
  terminal_->show(grid_);
}

bool TerminalDesktop::tooSmall() const {
  return terminal_->width() < kMinWidth || terminal_->height() < kMinHeight;
}

void TerminalDesktop::endSession(const InputEvent& e) {
  // The terminal went away or a signal asks the program to end: what
  // would be lost is kept first, then the terminal is given back and the
  // program ends (a test's terminal returns, and the desktop answers as
  // one that nobody sees).
  closed_ = true;
  ui::runEmergencySave();
  terminal_->endProcess(e.kind == InputEvent::Kind::Ending ? e.signal : 0);
}

int32_t TerminalDesktop::waitMillis() const {
  // Up to the next timer that is due, and at least once a second for the
  // status bar's clock.
  const int64_t now = platform::clockMillis();
  int64_t wait = 1000;
  for (const auto& f : ui::forms())
    for (const auto& c : f->controls())
      if (auto* t = dynamic_cast<const ui::Timer*>(c.get()); t && t->canTick())
        wait = std::min(wait, std::max<int64_t>(0, t->nextDue() - now));
  return static_cast<int32_t>(wait);
}

Action TerminalDesktop::nextAction(const ui::WaitContext&) {
  if (closed_) return action(K::Abandon);
  for (;;) {
    render();
    const InputEvent e = terminal_->next(waitMillis());
    switch (e.kind) {
      case InputEvent::Kind::None: {
        Action a = action(K::Wait);
        a.millis = 0;
        return a;
      }
      case InputEvent::Kind::Resize: continue;
      case InputEvent::Kind::Closed:
      case InputEvent::Kind::Ending: endSession(e); return action(K::Abandon);
      default: break;
    }
    if (tooSmall()) continue;  // nothing of the desktop is shown: no key reaches it
    if (auto a = actionFor(e)) return *a;
  }
}

std::optional<Action> TerminalDesktop::actionFor(const InputEvent& e) {
  auto form = ui::activeForm();
  if (!form) return std::nullopt;
  if (view_.menu.open()) return menuEvent(e);
  if (!view_.openCombo.expired()) return comboEvent(e);
  switch (e.kind) {
    case InputEvent::Kind::Mouse: return mouseEvent(e.mouse);
    case InputEvent::Kind::Paste: {
      Action a = action(K::Paste);
      a.text = e.text;
      return a;
    }
    case InputEvent::Kind::Text: {
      if (e.text == " ") {
        Action a = action(K::Key);
        a.text = "Space";
        return a;
      }
      Action a = action(K::TypeText);
      a.text = e.text;
      return a;
    }
    case InputEvent::Kind::Key: break;
    default: return std::nullopt;
  }
  if (const auto* bar = isMainWindow(*form) ? menuBarOf(*form) : nullptr) {
    if (e.name == "F10") {
      openMenu(0);
      return std::nullopt;
    }
    if (e.name.rfind("Alt+", 0) == 0 && e.name.size() == 5) {
      const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(e.name[4])));
      const auto titles = menuTitles(*bar);
      for (size_t i = 0; i < titles.size(); ++i)
        if (bar->findTool(titles[i])->accessKey() == letter) {
          openMenu(static_cast<int32_t>(i));
          return std::nullopt;
        }
    }
  } else if (!isMainWindow(*form)) {
    if (const char letter = altLetter(e.name))
      if (auto a = accessKeyAction(*form, letter)) return a;
    bool took = false;
    auto a = dialogKey(*form, e.name, &took);
    if (a || took) return a;
  }
  Action a = action(K::Key);
  a.text = e.name;
  return a;
}

std::optional<Action> TerminalDesktop::dialogKey(ui::Form& form, const std::string& key, bool* took) {
  using namespace controls;
  ui::Control* focused = form.focusedControl();
  const bool back = key == "Left" || key == "Up";
  const bool forward = key == "Right" || key == "Down";
  if (auto* tabs = dynamic_cast<TabControl*>(focused); tabs && (key == "Left" || key == "Right") && tabs->tabCount() > 0) {
    const int32_t at = std::clamp(tabs->selectedTab() + (back ? -1 : 1), 0, tabs->tabCount() - 1);
    return onControl(K::Pick, *tabs, tabs->tabCaption(at));
  }
  if (auto* option = dynamic_cast<OptionButton*>(focused); option && (back || forward)) {
    auto members = option->groupMembers();
    std::stable_sort(members.begin(), members.end(),
                     [](auto* a, auto* b) { return a->tabIndex() < b->tabIndex(); });
    std::erase_if(members, [](auto* m) { return !m->focusable(); });
    auto it = std::find(members.begin(), members.end(), option);
    if (it == members.end() || members.size() < 2) return std::nullopt;
    size_t i = static_cast<size_t>(it - members.begin());
    i = back ? (i + members.size() - 1) % members.size() : (i + 1) % members.size();
    return onControl(K::Click, *members[i]);
  }
  if (auto* combo = dynamic_cast<ComboBox*>(focused); combo && combo->listCount() > 0) {
    if (key == "Alt+Down" || key == "F4") {
      view_.openCombo = combo->shared_from_this();
      view_.comboSelected = std::max(0, combo->listIndex());
      *took = true;  // the desktop took the key: nothing for the loop
      return std::nullopt;
    }
    if (key == "Up" || key == "Down") {
      const int32_t at = std::clamp(combo->listIndex() + (key == "Up" ? -1 : 1), 0, combo->listCount() - 1);
      return onControl(K::Pick, *combo, combo->list(at));
    }
  }
  if (key == "Escape" && !form.cancelControl()) {
    Action a = action(K::Close);
    a.form = form.name();
    return a;
  }
  return std::nullopt;
}

std::optional<Action> TerminalDesktop::comboEvent(const InputEvent& e) {
  auto held = view_.openCombo.lock();
  auto* combo = dynamic_cast<controls::ComboBox*>(held.get());
  auto close = [&] { view_.openCombo.reset(); };
  if (!combo || !combo->form() || combo->listCount() == 0) {
    close();
    return std::nullopt;
  }
  const int32_t count = combo->listCount();
  if (e.kind == InputEvent::Kind::Key) {
    if (e.name == "Up" || e.name == "Down") {
      view_.comboSelected = std::clamp(view_.comboSelected + (e.name == "Up" ? -1 : 1), 0, count - 1);
      return std::nullopt;
    }
    if (e.name == "PageUp" || e.name == "PageDown") {
      view_.comboSelected = std::clamp(view_.comboSelected + (e.name == "PageUp" ? -8 : 8), 0, count - 1);
      return std::nullopt;
    }
    if (e.name == "Enter" || e.name == "Alt+Up" || e.name == "F4") {
      close();
      return onControl(K::Pick, *combo, combo->list(view_.comboSelected));
    }
    if (e.name == "Escape") {
      close();
      return std::nullopt;
    }
    close();
    return actionFor(e);
  }
  if (e.kind == InputEvent::Kind::Mouse) {
    if (e.mouse.kind == MouseEvent::Kind::Wheel) {
      view_.comboSelected = std::clamp(view_.comboSelected + (e.mouse.button == 4 ? -1 : 1), 0, count - 1);
      return std::nullopt;
    }
    if (e.mouse.kind != MouseEvent::Kind::Press) return std::nullopt;
    for (const auto& h : hits_)
      if (h.contains(e.mouse.x, e.mouse.y)) {
        if (h.kind == Hit::Kind::ComboEntry && h.control == combo) {
          close();
          return onControl(K::Pick, *combo, combo->list(h.index));
        }
        break;
      }
    close();
    return mouseEvent(e.mouse);
  }
  return std::nullopt;
}

// --- Menus ---------------------------------------------------------------

namespace {

const controls::Toolbar* activeMenuBar() {
  auto form = ui::activeForm();
  return form && isMainWindow(*form) ? menuBarOf(*form) : nullptr;
}

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
  const auto* bar = activeMenuBar();
  if (!bar || view_.menu.levels.empty()) return std::nullopt;
  auto& level = view_.menu.levels.back();
  const auto entries = popupEntries(*bar, level.popupId);
  if (index < 0 || index >= static_cast<int32_t>(entries.size()) || entries[static_cast<size_t>(index)].empty())
    return std::nullopt;
  level.selected = index;
  const std::string id = entries[static_cast<size_t>(index)];
  const auto* tool = bar->findTool(id);
  if (!tool || !tool->enabled) return std::nullopt;
  if (tool->kind == controls::ToolKind::Popup) {
    view_.menu.levels.push_back(MenuLevel{id, firstEntry(popupEntries(*bar, id))});
    return std::nullopt;
  }
  view_.menu = MenuState{};
  Action a = action(K::ToolClick);
  a.text = id;
  return a;
}

std::optional<Action> TerminalDesktop::menuEvent(const InputEvent& e) {
  const auto* bar = activeMenuBar();
  if (!bar || view_.menu.levels.empty()) {
    view_.menu = MenuState{};
    return std::nullopt;
  }
  auto& level = view_.menu.levels.back();
  const auto entries = popupEntries(*bar, level.popupId);
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
      else
        openMenu(view_.menu.title - 1);
      return std::nullopt;
    }
    if (k == "Right") {
      if (level.selected < count) {
        const auto* t = bar->findTool(entries[static_cast<size_t>(level.selected)]);
        if (t && t->kind == controls::ToolKind::Popup && t->enabled) return pickMenuEntry(level.selected);
      }
      openMenu(view_.menu.title + 1);
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
    if (e.kind == InputEvent::Kind::Key && e.name.rfind("Alt+", 0) == 0) {
      const auto titles = menuTitles(*bar);
      for (size_t i = 0; i < titles.size(); ++i)
        if (bar->findTool(titles[i])->accessKey() == letter) openMenu(static_cast<int32_t>(i));
    }
    return std::nullopt;
  }
  if (e.kind == InputEvent::Kind::Mouse) {
    const auto& m = e.mouse;
    if (m.kind != MouseEvent::Kind::Press || m.button != 1) return std::nullopt;
    for (const auto& h : hits_) {
      if (!h.contains(m.x, m.y)) continue;
      if (h.kind == Hit::Kind::MenuItem) {
        if (h.level + 1 < static_cast<int32_t>(view_.menu.levels.size()))
          view_.menu.levels.resize(static_cast<size_t>(h.level + 1));
        return pickMenuEntry(h.index);
      }
      if (h.kind == Hit::Kind::MenuTitle) {
        if (h.index == view_.menu.title)
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

// --- The mouse -------------------------------------------------------------

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

// --- Boxes -----------------------------------------------------------------

namespace {

bool focusable(const BoxItem& it) { return it.kind != BoxItem::Kind::Text; }

}  // namespace

TerminalDesktop::BoxResult TerminalDesktop::runBox(
    Box& box, const std::function<std::optional<BoxResult>(const InputEvent&)>& key) {
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
    if (closed_) return BoxResult{BoxResult::Kind::Closed};
    render();
    // A box waits as a window does: up to the next timer that is due, and
    // the timers tick while it is open, as in any modal loop.
    const InputEvent e = terminal_->next(waitMillis());
    switch (e.kind) {
      case InputEvent::Kind::None:
        ui::runDueTimers();
        continue;
      case InputEvent::Kind::Resize: continue;
      case InputEvent::Kind::Closed:
      case InputEvent::Kind::Ending: endSession(e); return BoxResult{BoxResult::Kind::Closed};
      default: break;
    }
    if (tooSmall()) continue;
    if (key)
      if (auto r = key(e)) return *r;
    if (auto r = boxEvent(box, e)) return *r;
  }
}

std::optional<TerminalDesktop::BoxResult> TerminalDesktop::boxEvent(Box& box, const InputEvent& e) {
  using R = BoxResult;
  if (box.focus < 0 || box.focus >= static_cast<int32_t>(box.items.size())) return std::nullopt;
  auto& items = box.items;
  auto* item = &items[static_cast<size_t>(box.focus)];
  auto buttonsItem = [&]() -> BoxItem* {
    for (auto& it : items)
      if (it.kind == BoxItem::Kind::Buttons) return &it;
    return nullptr;
  };
  auto moveFocus = [&](bool forward) {
    const int32_t n = static_cast<int32_t>(items.size());
    int32_t i = box.focus;
    for (int32_t step = 0; step < n; ++step) {
      i = (i + (forward ? 1 : n - 1)) % n;
      if (focusable(items[static_cast<size_t>(i)])) break;
    }
    box.focus = i;
    auto& to = items[static_cast<size_t>(i)];
    if (to.kind == BoxItem::Kind::Buttons) to.selected = forward ? 0 : std::max(0, static_cast<int32_t>(to.entries.size()) - 1);
  };
  auto selectOption = [&](size_t at) {
    // The option buttons next to each other are one group.
    size_t a = at, b = at;
    while (a > 0 && items[a - 1].kind == BoxItem::Kind::Option) --a;
    while (b + 1 < items.size() && items[b + 1].kind == BoxItem::Kind::Option) ++b;
    for (size_t k = a; k <= b; ++k) items[k].checked = k == at;
  };
  const int32_t entryCount = static_cast<int32_t>(item->entries.size());
  if (e.kind == InputEvent::Kind::Key) {
    const std::string& k = e.name;
    // Alt with an access key presses that button, toggles or chooses that
    // check box or option button, or goes to the field it names.
    if (const char letter = altLetter(k)) {
      for (size_t i = 0; i < items.size(); ++i) {
        auto& it = items[i];
        if (it.kind == BoxItem::Kind::Buttons) {
          for (size_t b = 0; b < it.entries.size(); ++b)
            if (accessKeyOf(it.entries[b]) == letter) return R{R::Kind::Button, static_cast<int32_t>(b)};
          continue;
        }
        if (it.kind == BoxItem::Kind::Text || accessKeyOf(it.label) != letter) continue;
        box.focus = static_cast<int32_t>(i);
        if (it.kind == BoxItem::Kind::Check) it.checked = !it.checked;
        if (it.kind == BoxItem::Kind::Option) selectOption(i);
        return std::nullopt;
      }
      return std::nullopt;
    }
    if (k == "Tab" || k == "Shift+Tab") {
      const bool forward = k == "Tab";
      if (item->kind == BoxItem::Kind::Buttons && entryCount > 1 &&
          (forward ? item->selected + 1 < entryCount : item->selected > 0)) {
        item->selected += forward ? 1 : -1;
        return std::nullopt;
      }
      moveFocus(forward);
      return std::nullopt;
    }
    if (k == "Escape") return R{R::Kind::Cancel};
    if (k == "Enter") {
      if (item->kind == BoxItem::Kind::Buttons) return R{R::Kind::Button, item->selected};
      if (item->kind == BoxItem::Kind::List) return R{R::Kind::Activate};
      if (auto* b = buttonsItem()) return R{R::Kind::Button, std::max(0, b->defaultButton)};
      return std::nullopt;
    }
    if (item->kind == BoxItem::Kind::Field && item->allSelected) {
      // The selected text goes with Backspace, Delete and typing; the keys
      // that move the caret keep it, from the caret at its end.
      item->allSelected = false;
      if (k == "Backspace" || k == "Delete") {
        item->text.clear();
        item->caret = 0;
        return std::nullopt;
      }
      if (k == "Space") {
        item->text = " ";
        item->caret = 1;
        return std::nullopt;
      }
    }
    if (k == "Space") {
      switch (item->kind) {
        case BoxItem::Kind::Check: item->checked = !item->checked; return std::nullopt;
        case BoxItem::Kind::Option: selectOption(static_cast<size_t>(box.focus)); return std::nullopt;
        case BoxItem::Kind::Buttons: return R{R::Kind::Button, item->selected};
        case BoxItem::Kind::Field: {
          auto line = lineOf(*item);
          line.insert(" ");
          keepLine(*item, line);
          return std::nullopt;
        }
        default: return std::nullopt;
      }
    }
    if (item->kind == BoxItem::Kind::Field) {
      auto line = lineOf(*item);
      if (line.key(k)) keepLine(*item, line);
      return std::nullopt;
    }
    const bool back = k == "Left" || k == "Up", forward = k == "Right" || k == "Down";
    if (item->kind == BoxItem::Kind::Buttons && (k == "Left" || k == "Right") && entryCount > 0) {
      item->selected = (item->selected + (back ? entryCount - 1 : 1)) % entryCount;
      return std::nullopt;
    }
    if (item->kind == BoxItem::Kind::Choice && (back || forward) && entryCount > 0) {
      item->selected = std::clamp(item->selected + (back ? -1 : 1), 0, entryCount - 1);
      return R{R::Kind::Changed};
    }
    if (item->kind == BoxItem::Kind::List && entryCount > 0) {
      int32_t to = item->selected;
      if (k == "Up") to -= 1;
      if (k == "Down") to += 1;
      if (k == "PageUp") to -= item->rows;
      if (k == "PageDown") to += item->rows;
      if (k == "Home") to = 0;
      if (k == "End") to = entryCount - 1;
      to = std::clamp(to, 0, entryCount - 1);
      if (to != item->selected) {
        item->selected = to;
        return R{R::Kind::Changed};
      }
      if (k == "Backspace") return R{R::Kind::Activate, -1};
      return std::nullopt;
    }
    if (item->kind == BoxItem::Kind::Option && (k == "Up" || k == "Down")) {
      const size_t at = static_cast<size_t>(box.focus);
      const size_t to = k == "Up" ? at - 1 : at + 1;
      if (to < items.size() && items[to].kind == BoxItem::Kind::Option) {
        box.focus = static_cast<int32_t>(to);
        selectOption(to);
      }
      return std::nullopt;
    }
    return std::nullopt;
  }
  if ((e.kind == InputEvent::Kind::Text || e.kind == InputEvent::Kind::Paste) && item->kind == BoxItem::Kind::Field) {
    std::string typed;
    for (char c : e.text)
      if (c != '\n' && c != '\r') typed += c;
    if (item->allSelected) {
      item->allSelected = false;
      item->text.clear();
      item->caret = 0;
    }
    auto line = lineOf(*item);
    line.insert(typed);
    keepLine(*item, line);
    return std::nullopt;
  }
  if (e.kind == InputEvent::Kind::Mouse) {
    const auto& m = e.mouse;
    for (const auto& h : hits_) {
      if (!h.contains(m.x, m.y)) continue;
      if (m.kind == MouseEvent::Kind::Wheel && h.kind == Hit::Kind::BoxEntry) {
        auto& list = items[static_cast<size_t>(h.index)];
        list.selected = std::clamp(list.selected + (m.button == 4 ? -1 : 1), 0,
                                   std::max(0, static_cast<int32_t>(list.entries.size()) - 1));
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
          if (it.kind == BoxItem::Kind::Option) selectOption(static_cast<size_t>(h.index));
          if (it.kind == BoxItem::Kind::Choice && !it.entries.empty()) {
            it.selected = (it.selected + 1) % static_cast<int32_t>(it.entries.size());
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
  }
  return std::nullopt;
}

// --- Prompts ---------------------------------------------------------------

namespace {

BoxItem textItem(std::string text, bool bold = false) {
  BoxItem it;
  it.kind = BoxItem::Kind::Text;
  it.text = std::move(text);
  it.bold = bold;
  return it;
}

// A field; a prefilled one opens with its text selected, so that typing
// replaces it.
BoxItem fieldItem(std::string label, std::string text) {
  BoxItem it;
  it.kind = BoxItem::Kind::Field;
  it.label = std::move(label);
  it.text = std::move(text);
  it.allSelected = !it.text.empty();
  return it;
}

BoxItem buttonsItem(std::vector<std::string> captions, int32_t defaultButton) {
  BoxItem it;
  it.kind = BoxItem::Kind::Buttons;
  it.entries = std::move(captions);
  it.defaultButton = defaultButton;
  it.selected = std::max(0, defaultButton);
  return it;
}

const char* captionOf(int32_t answer) {
  switch (answer) {
    case ui::mb::OK: return "&OK";
    case ui::mb::Cancel: return "&Cancel";
    case ui::mb::Abort: return "&Abort";
    case ui::mb::Retry: return "&Retry";
    case ui::mb::Ignore: return "&Ignore";
    case ui::mb::Yes: return "&Yes";
    case ui::mb::No: return "&No";
    default: return "?";
  }
}

const char* iconWord(int32_t icon) {
  switch (icon) {
    case ui::mb::Critical: return "(x) Stop";
    case ui::mb::Question: return "(?) Question";
    case ui::mb::Exclamation: return "(!) Warning";
    case ui::mb::Information: return "(i) Information";
    default: return nullptr;
  }
}

int32_t absentAnswer(const std::vector<int32_t>& answers) {
  for (int32_t a : answers)
    if (a == ui::mb::Cancel) return a;
  return answers.back();
}

}  // namespace

int32_t TerminalDesktop::messageBox(const ui::MessageBoxPrompt& p) {
  const auto answers = p.answers();
  if (closed_) return absentAnswer(answers);
  Box box;
  box.title = p.title.empty() ? ui::applicationTitle() : p.title;
  if (const char* word = iconWord(p.icon)) box.items.push_back(textItem(word, true));
  box.items.push_back(textItem(p.text));
  std::vector<std::string> captions;
  for (int32_t a : answers) captions.push_back(captionOf(a));
  const int32_t def = std::clamp<int32_t>(p.defaultButton, 0, static_cast<int32_t>(answers.size()) - 1);
  box.items.push_back(buttonsItem(captions, def));
  box.focus = static_cast<int32_t>(box.items.size()) - 1;
  auto indexOf = [&](int32_t answer) -> int32_t {
    for (size_t i = 0; i < answers.size(); ++i)
      if (answers[i] == answer) return static_cast<int32_t>(i);
    return -1;
  };
  for (;;) {
    auto r = runBox(box, [&](const InputEvent& e) -> std::optional<BoxResult> {
      if (const char letter = letterOf(e, true)) {
        for (size_t i = 0; i < answers.size(); ++i)
          if (accessKeyOf(captionOf(answers[i])) == letter) return BoxResult{BoxResult::Kind::Button, static_cast<int32_t>(i)};
        return BoxResult{BoxResult::Kind::Changed};
      }
      if ((isKey(e, "Up") || isKey(e, "Down"))) return BoxResult{BoxResult::Kind::Changed};
      return std::nullopt;
    });
    switch (r.kind) {
      case BoxResult::Kind::Button: return answers[static_cast<size_t>(std::clamp<int32_t>(r.button, 0, static_cast<int32_t>(answers.size()) - 1))];
      case BoxResult::Kind::Closed: return absentAnswer(answers);
      case BoxResult::Kind::Cancel:
        // Escape (or the close box) answers Cancel where the box has it; a
        // box of one button takes it as that button.
        if (indexOf(ui::mb::Cancel) >= 0) return ui::mb::Cancel;
        if (answers.size() == 1) return answers.front();
        break;
      default: break;
    }
  }
}

std::optional<std::string> TerminalDesktop::inputBox(const ui::InputBoxPrompt& p) {
  if (closed_) return std::nullopt;
  Box box;
  box.title = p.title.empty() ? ui::applicationTitle() : p.title;
  box.items = {textItem(p.prompt), fieldItem("", p.defaultText), buttonsItem({"&OK", "&Cancel"}, 0)};
  box.focus = 1;
  box.width = 50;
  for (;;) {
    auto r = runBox(box);
    if (r.kind == BoxResult::Kind::Button) {
      if (r.button == 0) return box.items[1].text;
      return std::nullopt;
    }
    if (r.kind == BoxResult::Kind::Cancel || r.kind == BoxResult::Kind::Closed) return std::nullopt;
  }
}

std::optional<std::string> TerminalDesktop::find(const ui::FindPrompt& p) {
  if (closed_) return std::nullopt;
  Box box;
  box.title = p.title.empty() ? "Find" : p.title;
  box.items = {fieldItem("Find what:", p.defaultText), buttonsItem({"&Find Next", "Cancel"}, 0)};
  box.width = 50;
  for (;;) {
    auto r = runBox(box);
    if (r.kind == BoxResult::Kind::Button) {
      if (r.button == 0) return box.items[0].text;
      return std::nullopt;
    }
    if (r.kind == BoxResult::Kind::Cancel || r.kind == BoxResult::Kind::Closed) return std::nullopt;
  }
}

std::optional<ui::ReplaceAnswer> TerminalDesktop::replace(const ui::FindPrompt& p) {
  if (closed_) return std::nullopt;
  Box box;
  box.title = p.title.empty() ? "Replace" : p.title;
  box.items = {fieldItem("Find what:", p.defaultText), fieldItem("Replace with:", ""),
               buttonsItem({"&Replace", "Replace &All", "Cancel"}, 0)};
  box.width = 50;
  for (;;) {
    auto r = runBox(box);
    if (r.kind == BoxResult::Kind::Button) {
      if (r.button == 2) return std::nullopt;
      return ui::ReplaceAnswer{box.items[0].text, box.items[1].text, r.button == 1};
    }
    if (r.kind == BoxResult::Kind::Cancel || r.kind == BoxResult::Kind::Closed) return std::nullopt;
  }
}

std::optional<int32_t> TerminalDesktop::gotoLine(const ui::GotoPrompt& p) {
  if (closed_) return std::nullopt;
  Box box;
  box.title = "Go To Line";
  const std::string range = "Line number (1 - " + std::to_string(std::max(1, p.lineCount)) + "):";
  box.items = {textItem(range), fieldItem("", ""), buttonsItem({"&OK", "Cancel"}, 0)};
  box.focus = 1;
  for (;;) {
    auto r = runBox(box);
    if (r.kind == BoxResult::Kind::Button && r.button == 0) {
      auto n = number(box.items[1].text);
      if (n && *n >= 1 && *n <= std::max(1, p.lineCount)) return static_cast<int32_t>(*n);
      box.items[0].text = range + "  " + "Enter a number from 1 to " + std::to_string(std::max(1, p.lineCount)) + ".";
      continue;
    }
    if (r.kind == BoxResult::Kind::Button || r.kind == BoxResult::Kind::Cancel || r.kind == BoxResult::Kind::Closed)
      return std::nullopt;
  }
}

std::optional<ui::PrintDialogAnswer> TerminalDesktop::printDialog(const ui::PrintDialogPrompt& p) {
  if (closed_) return std::nullopt;
  namespace pd = controls::pd;
  Box box;
  box.title = "Print";
  BoxItem all, pages;
  all.kind = pages.kind = BoxItem::Kind::Option;
  all.label = "&All pages";
  pages.label = "Pa&ges";
  const bool pageNums = (static_cast<uint32_t>(p.flags) & pd::PageNums) != 0;
  all.checked = !pageNums;
  pages.checked = pageNums;
  box.items = {fieldItem("Copies:", std::to_string(std::max(1, p.copies))), all, pages,
               fieldItem("From:", std::to_string(p.fromPage ? p.fromPage : std::max(1, p.minPage))),
               fieldItem("To:", std::to_string(p.toPage ? p.toPage : std::max(1, p.maxPage))),
               buttonsItem({"&Print", "Cancel"}, 0)};
  box.width = 40;
  for (;;) {
    auto r = runBox(box);
    if (r.kind == BoxResult::Kind::Button && r.button == 0) {
      ui::PrintDialogAnswer a;
      a.copies = static_cast<int32_t>(std::clamp<int64_t>(number(box.items[0].text).value_or(1), 1, 9999));
      a.flags = p.flags;
      if (box.items[2].checked) {
        a.flags = static_cast<int32_t>(static_cast<uint32_t>(a.flags) | pd::PageNums);
        a.fromPage = static_cast<int32_t>(number(box.items[3].text).value_or(p.minPage));
        a.toPage = static_cast<int32_t>(number(box.items[4].text).value_or(p.maxPage));
      } else {
        a.flags = static_cast<int32_t>(static_cast<uint32_t>(a.flags) & ~pd::PageNums);
        a.fromPage = p.fromPage;
        a.toPage = p.toPage;
      }
      return a;
    }
    if (r.kind == BoxResult::Kind::Button || r.kind == BoxResult::Kind::Cancel || r.kind == BoxResult::Kind::Closed)
      return std::nullopt;
  }
}

std::optional<std::string> TerminalDesktop::popupMenu(const ui::PopupPrompt& p) {
  if (closed_ || p.toolIds.empty()) return std::nullopt;
  Box box;
  box.closeBox = false;
  BoxItem list;
  list.kind = BoxItem::Kind::List;
  for (size_t i = 0; i < p.toolIds.size(); ++i) list.entries.push_back(i < p.captions.size() ? p.captions[i] : p.toolIds[i]);
  list.rows = static_cast<int32_t>(list.entries.size());
  box.items = {list};
  box.focus = 0;
  // At the caret, or where the terminal's cursor last stood.
  box.anchorX = grid_.cursorX >= 0 ? grid_.cursorX : std::max(0, grid_.width() / 3);
  box.anchorY = grid_.cursorY >= 0 ? grid_.cursorY + 1 : std::max(0, grid_.height() / 3);
  for (;;) {
    auto r = runBox(box, [&](const InputEvent& e) -> std::optional<BoxResult> {
      if (const char letter = letterOf(e, false)) {
        for (size_t i = 0; i < box.items[0].entries.size(); ++i)
          if (accessKeyOf(box.items[0].entries[i]) == letter) {
            box.items[0].selected = static_cast<int32_t>(i);
            return BoxResult{BoxResult::Kind::Activate};
          }
        return BoxResult{BoxResult::Kind::Changed};
      }
      if (e.kind == InputEvent::Kind::Mouse && e.mouse.kind == MouseEvent::Kind::Press) {
        for (const auto& h : hits_)
          if (h.contains(e.mouse.x, e.mouse.y)) {
            if (h.kind == Hit::Kind::BoxEntry) {
              box.items[0].selected = h.level;
              return BoxResult{BoxResult::Kind::Activate};
            }
            break;
          }
        return BoxResult{BoxResult::Kind::Cancel};  // a click elsewhere closes the menu
      }
      return std::nullopt;
    });
    if (r.kind == BoxResult::Kind::Activate || r.kind == BoxResult::Kind::Button) {
      const int32_t i = box.items[0].selected;
      if (i >= 0 && i < static_cast<int32_t>(p.toolIds.size())) return p.toolIds[static_cast<size_t>(i)];
    }
    if (r.kind == BoxResult::Kind::Cancel || r.kind == BoxResult::Kind::Closed) return std::nullopt;
  }
}

// --- The file browser -------------------------------------------------------

namespace {

struct Filter {
  std::string description;
  std::vector<std::string> patterns;
};

std::vector<Filter> parseFilter(const std::string& text) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t bar = text.find('|', start);
    parts.push_back(text.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  std::vector<Filter> out;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    Filter f;
    f.description = parts[i];
    size_t s = 0;
    const std::string& pat = parts[i + 1];
    while (s <= pat.size()) {
      const size_t semi = pat.find(';', s);
      std::string one = trim(pat.substr(s, semi == std::string::npos ? std::string::npos : semi - s));
      if (!one.empty()) f.patterns.push_back(one);
      if (semi == std::string::npos) break;
      s = semi + 1;
    }
    out.push_back(std::move(f));
  }
  if (out.empty()) out.push_back(Filter{"All Files (*.*)", {"*"}});
  return out;
}

bool matches(const Filter& f, const std::string& name) {
  for (const auto& p : f.patterns) {
    if (p == "*.*" || p == "*") return true;
    if (::fnmatch(p.c_str(), name.c_str(), FNM_CASEFOLD) == 0) return true;
  }
  return false;
}

bool lessNoCase(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
  });
}

}  // namespace

std::optional<std::string> TerminalDesktop::browse(const std::string& title, std::string folder, bool folders,
                                                   const std::string& filterText, int32_t filterIndex,
                                                   std::string fileName, bool save) {
  std::error_code ec;
  if (!fileName.empty() && fileName.find('/') != std::string::npos) {
    fs::path p(fileName);
    if (p.is_absolute() || folder.empty()) folder = p.parent_path().string();
    else folder = (fs::path(folder) / p.parent_path()).string();
    fileName = p.filename().string();
  }
  if (folder.empty() || !fs::is_directory(folder, ec)) folder = fs::current_path(ec).string();
  folder = fs::weakly_canonical(folder, ec).string();
  const auto filters = parseFilter(filterText);
  Box box;
  box.title = title.empty() ? (folders ? "Browse for Folder" : save ? "Save As" : "Open") : title;
  box.width = std::min(70, std::max(40, terminal_->width() - 10));
  // Items: 0 the folder, 1 the entries, then the filter, the name, the buttons.
  BoxItem list;
  list.kind = BoxItem::Kind::List;
  list.rows = std::clamp(terminal_->height() - 14, 4, 14);
  box.items = {textItem(""), list};
  BoxItem choice;
  choice.kind = BoxItem::Kind::Choice;
  choice.label = "Files of type:";
  for (const auto& f : filters) choice.entries.push_back(f.description);
  choice.selected = std::clamp<int32_t>(filterIndex - 1, 0, static_cast<int32_t>(filters.size()) - 1);
  if (!folders) {
    box.items.push_back(choice);
    box.items.push_back(fieldItem("File name:", fileName));
  }
  box.items.push_back(buttonsItem({folders ? "&OK" : save ? "&Save" : "&Open", "Cancel"}, 0));
  const size_t listAt = 1, choiceAt = 2, nameAt = 3;
  box.focus = folders ? static_cast<int32_t>(listAt) : static_cast<int32_t>(nameAt);
  std::vector<std::string> names;  // the real names beside what is drawn
  std::vector<bool> isFolder;
  auto fill = [&] {
    names.clear();
    isFolder.clear();
    std::vector<std::string> dirs, files;
    for (auto it = fs::directory_iterator(folder, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::directory_iterator(); it.increment(ec)) {
      const std::string name = it->path().filename().string();
      std::error_code e2;
      if (it->is_directory(e2))
        dirs.push_back(name);
      else if (!folders && matches(filters[static_cast<size_t>(box.items[choiceAt].selected)], name))
        files.push_back(name);
    }
    std::sort(dirs.begin(), dirs.end(), lessNoCase);
    std::sort(files.begin(), files.end(), lessNoCase);
    auto& entries = box.items[listAt].entries;
    entries.clear();
    if (fs::path(folder).has_relative_path()) {
      names.push_back("..");
      isFolder.push_back(true);
      entries.push_back("../");
    }
    for (const auto& d : dirs) {
      names.push_back(d);
      isFolder.push_back(true);
      entries.push_back(d + "/");
    }
    for (const auto& f : files) {
      names.push_back(f);
      isFolder.push_back(false);
      entries.push_back(f);
    }
    box.items[listAt].selected = 0;
    box.items[listAt].top = 0;
    box.items[0].text = folder;
  };
  auto enter = [&](const std::string& name) {
    folder = fs::weakly_canonical(fs::path(folder) / name, ec).string();
    fill();
  };
  fill();
  for (;;) {
    auto r = runBox(box);
    auto& list = box.items[listAt];
    const int32_t sel = list.selected;
    const bool haveEntry = sel >= 0 && sel < static_cast<int32_t>(names.size());
    switch (r.kind) {
      case BoxResult::Kind::Changed:
        if (!folders && box.focus == static_cast<int32_t>(choiceAt)) {
          fill();
        } else if (!folders && haveEntry && !isFolder[static_cast<size_t>(sel)]) {
          box.items[nameAt].text = names[static_cast<size_t>(sel)];
          box.items[nameAt].caret = -1;
          box.items[nameAt].allSelected = true;
        }
        break;
      case BoxResult::Kind::Activate:
        if (r.button == -1) {
          enter("..");
        } else if (haveEntry && isFolder[static_cast<size_t>(sel)]) {
          enter(names[static_cast<size_t>(sel)]);
        } else if (haveEntry) {
          return (fs::path(folder) / names[static_cast<size_t>(sel)]).string();
        }
        break;
      case BoxResult::Kind::Button: {
        if (r.button != 0) return std::nullopt;
        if (folders) {
          if (haveEntry && box.focus == static_cast<int32_t>(listAt) && names[static_cast<size_t>(sel)] != "..")
            return (fs::path(folder) / names[static_cast<size_t>(sel)]).string();
          return folder;
        }
        const std::string name = trim(box.items[nameAt].text);
        if (name.empty()) {
          if (haveEntry && isFolder[static_cast<size_t>(sel)]) enter(names[static_cast<size_t>(sel)]);
          break;
        }
        const fs::path path = fs::path(name).is_absolute() ? fs::path(name) : fs::path(folder) / name;
        if (fs::is_directory(path, ec)) {
          folder = fs::weakly_canonical(path, ec).string();
          box.items[nameAt].text.clear();
          box.items[nameAt].caret = -1;
          fill();
          break;
        }
        return path.string();
      }
      case BoxResult::Kind::Cancel:
      case BoxResult::Kind::Closed: return std::nullopt;
    }
  }
}

std::optional<std::string> TerminalDesktop::fileDialog(const ui::FileDialogPrompt& p) {
  if (closed_) return std::nullopt;
  return browse(p.title, p.initDir, false, p.filter, p.filterIndex, p.fileName, p.save);
}

std::optional<std::string> TerminalDesktop::browseFolder(const ui::FolderPrompt& p) {
  if (closed_) return std::nullopt;
  return browse(p.title, p.root, true, {}, 0, {}, false);
}

// --- Opening ----------------------------------------------------------------

std::shared_ptr<ui::User> openTerminalDesktop(std::string* why) {
  auto screen = Screen::openTerminal(why);
  if (!screen) return nullptr;
  return std::make_shared<TerminalDesktop>(std::move(screen));
}

namespace {

bool terminalAvailable(std::string* why) {
  const char* term = std::getenv("TERM");
  if (!term || !*term || std::strcmp(term, "dumb") == 0) {
    if (why) *why = "the terminal type (TERM) does not allow a full screen";
    return false;
  }
  const int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    if (why) *why = "there is no terminal (/dev/tty)";
    return false;
  }
  ::close(fd);
  return true;
}

// The terminal desktop is the platform's own: registered when the library
// loads, chosen when a host installs no user of its own.
const bool registered = [] {
  ui::DesktopFactory f;
  f.name = "terminal";
  f.priority = 100;
  f.available = terminalAvailable;
  f.open = [] {
    std::string why;
    auto user = openTerminalDesktop(&why);
    if (!user) throw std::runtime_error(why);
    return user;
  };
  ui::registerDesktop(std::move(f));
  return true;
}();

}  // namespace

}  // namespace platform::terminal
