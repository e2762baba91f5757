#include "platform/terminal/terminal_desktop.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "platform/controls/dialog_layout.h"
#include "platform/controls/standard_controls.h"
#include "platform/controls/toolbar.h"
#include "platform/runtime/clock.h"
#include "platform/terminal/desktop_parts.h"
#include "platform/terminal/screen.h"
#include "platform/ui/desktops.h"
#include "platform/ui/emergency.h"
#include "platform/ui/form.h"
#include "platform/ui/timer.h"

namespace platform::terminal {

using ui::Action;
using K = ui::Action::Kind;

namespace {

using controls::accessKeyOf;

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
      if (auto* b = dynamic_cast<CommandButton*>(c))
        caption = b->caption();
      else if (auto* k = dynamic_cast<CheckBox*>(c))
        caption = k->caption();
      else if (auto* o = dynamic_cast<OptionButton*>(c))
        caption = o->caption();
      else if (auto* l = dynamic_cast<Label*>(c))
        caption = l->caption();
      else if (auto* f = dynamic_cast<Frame*>(c))
        caption = f->caption();
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
  if (found[pick].tab >= 0) return onControl(K::Pick, *c, dynamic_cast<TabControl*>(c)->tabCaption(found[pick].tab));
  if (dynamic_cast<Label*>(c) || dynamic_cast<Frame*>(c)) {
    ui::Control* next = nextInTabOrder(form, c);
    if (!next) return std::nullopt;
    return onControl(K::Focus, *next);
  }
  return onControl(K::Click, *c);
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

bool TerminalDesktop::tooSmall() const { return terminal_->width() < kMinWidth || terminal_->height() < kMinHeight; }

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
  if (e.kind != InputEvent::Kind::Mouse || e.mouse.kind == MouseEvent::Kind::Press) view_.notice.clear();
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
  if (auto* tabs = dynamic_cast<TabControl*>(focused);
      tabs && (key == "Left" || key == "Right") && tabs->tabCount() > 0) {
    const int32_t at = std::clamp(tabs->selectedTab() + (back ? -1 : 1), 0, tabs->tabCount() - 1);
    return onControl(K::Pick, *tabs, tabs->tabCaption(at));
  }
  if (auto* option = dynamic_cast<OptionButton*>(focused); option && (back || forward)) {
    auto members = option->groupMembers();
    std::stable_sort(members.begin(), members.end(), [](auto* a, auto* b) { return a->tabIndex() < b->tabIndex(); });
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
