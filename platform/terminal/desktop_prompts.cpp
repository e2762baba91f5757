// The terminal desktop's prompts: the message box, the input box, find,
// replace, go to line, print and the popup menu, each a box in front of
// the windows.
#include <algorithm>
#include <memory>
#include <set>

#include "platform/controls/code_editor_files.h"
#include "platform/controls/print_dialog.h"
#include "platform/controls/standard_controls.h"
#include "platform/controls/toolbar.h"
#include "platform/terminal/desktop_parts.h"
#include "platform/terminal/terminal_desktop.h"
#include "platform/ui/msgbox.h"

namespace platform::terminal {

using ui::Action;
using K = ui::Action::Kind;

using controls::accessKeyOf;

namespace {

// Where the print jobs go.
std::string printerText() {
  if (controls::printSpooler()) return "The system's print spooler (lp)";
  return "Text files in " + controls::printFolder();
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
          if (accessKeyOf(captionOf(answers[i])) == letter)
            return BoxResult{BoxResult::Kind::Button, static_cast<int32_t>(i)};
        return BoxResult{BoxResult::Kind::Changed};
      }
      if ((isKey(e, "Up") || isKey(e, "Down"))) return BoxResult{BoxResult::Kind::Changed};
      return std::nullopt;
    });
    switch (r.kind) {
      case BoxResult::Kind::Button:
        return answers[static_cast<size_t>(std::clamp<int32_t>(r.button, 0, static_cast<int32_t>(answers.size()) - 1))];
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
  if (static_cast<uint32_t>(p.flags) & pd::PrintSetup) {
    // The printer setup form: the printer the jobs go to, no pages or
    // copies; OK keeps the caller's range.
    Box box;
    box.title = "Print Setup";
    box.items = {textItem("Printer:", true), textItem(printerText()), buttonsItem({"&OK", "Cancel"}, 0)};
    box.width = 50;
    for (;;) {
      auto r = runBox(box);
      if (r.kind == BoxResult::Kind::Button && r.button == 0) return ui::keptChoices(p);
      if (r.kind == BoxResult::Kind::Button || r.kind == BoxResult::Kind::Cancel || r.kind == BoxResult::Kind::Closed)
        return std::nullopt;
    }
  }
  Box box;
  box.title = "Print";
  BoxItem all, pages;
  all.kind = pages.kind = BoxItem::Kind::Option;
  all.label = "&All pages";
  pages.label = "Pa&ges";
  const bool pageNums = (static_cast<uint32_t>(p.flags) & pd::PageNums) != 0;
  all.checked = !pageNums;
  pages.checked = pageNums;
  box.items = {fieldItem("Copies:", std::to_string(std::max(1, p.copies))),
               all,
               pages,
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

void TerminalDesktop::printed(const ui::PrintReport& r) {
  if (r.error == 0) {
    view_.notice = r.spooled ? "Printed: \"" + r.title + "\" went to the printer (lp)." : "Printed to " + r.jobFile;
    return;
  }
  view_.notice.clear();
  ui::MessageBoxPrompt box;
  box.title = "Print";
  box.icon = ui::mb::Critical;
  box.text =
      "The script was not printed: " + r.failure + "." + (r.folder.empty() ? "" : "\n\nPrint folder: " + r.folder);
  messageBox(box);
}

std::optional<std::string> TerminalDesktop::popupMenu(const ui::PopupPrompt& p) {
  // At the caret, or where the terminal's cursor last stood.
  const int32_t x = grid_.cursorX >= 0 ? grid_.cursorX : std::max(0, grid_.width() / 3);
  const int32_t y = grid_.cursorY >= 0 ? grid_.cursorY + 1 : std::max(0, grid_.height() / 3);
  // A toolbar's popup opens as the menu bar's menus do, its nested popups
  // as submenus, when it holds every entry offered; else the entries
  // stand in one list.
  const controls::Toolbar* bar = closed_ ? nullptr : controls::toolbarWithPopup(p.popupId);
  const std::set<std::string> pickable(p.toolIds.begin(), p.toolIds.end());
  if (!bar || pickable.empty() || pickableIn(*bar, p.popupId, pickable) != pickable) return popupList(p, x, y);
  // The menu draws from the toolbar while its loop runs timers, one of
  // which may unload the toolbar's form: the toolbar stays until the end.
  const std::shared_ptr<const ui::Control> keep = bar->shared_from_this();
  const MenuState previous = view_.menu;
  struct Restore {
    MenuState& menu;
    const MenuState& previous;
    ~Restore() { menu = previous; }
  } restore{view_.menu, previous};
  view_.menu = MenuState{};
  view_.menu.popupBar = bar;
  view_.menu.pickable = pickable;
  view_.menu.anchorX = x;
  view_.menu.anchorY = y;
  view_.menu.levels = {MenuLevel{p.popupId, 0}};  // the entries never begin with a separator
  for (;;) {
    const auto e = promptInput();
    if (!e) return std::nullopt;
    const auto picked = menuEvent(*e);
    if (picked && picked->kind == Action::Kind::ToolClick && pickable.count(picked->text)) return picked->text;
    if (!view_.menu.open()) return std::nullopt;
  }
}

std::optional<std::string> TerminalDesktop::popupList(const ui::PopupPrompt& p, int32_t x, int32_t y) {
  if (closed_ || p.toolIds.empty()) return std::nullopt;
  Box box;
  box.closeBox = false;
  BoxItem list;
  list.kind = BoxItem::Kind::List;
  // The entries with the popup's separators (empty entries) between them;
  // the tool of each row.
  std::vector<int32_t> toolOf;
  for (size_t i = 0; i < p.toolIds.size(); ++i) {
    if (i > 0 && std::find(p.separators.begin(), p.separators.end(), i) != p.separators.end()) {
      list.entries.emplace_back();
      toolOf.push_back(-1);
    }
    list.entries.push_back(i < p.captions.size() ? p.captions[i] : p.toolIds[i]);
    toolOf.push_back(static_cast<int32_t>(i));
  }
  list.rows = static_cast<int32_t>(list.entries.size());
  box.items = {list};
  box.focus = 0;
  box.anchorX = x;
  box.anchorY = y;
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
        // A click on a separator line, between two entries, does nothing;
        // a click elsewhere closes the menu.
        bool above = false, below = false;
        for (const auto& h : hits_)
          if (h.kind == Hit::Kind::BoxEntry && e.mouse.x >= h.x && e.mouse.x < h.x + h.w) {
            above = above || h.y < e.mouse.y;
            below = below || h.y > e.mouse.y;
          }
        if (above && below) return BoxResult{BoxResult::Kind::Changed};
        return BoxResult{BoxResult::Kind::Cancel};
      }
      return std::nullopt;
    });
    if (r.kind == BoxResult::Kind::Activate || r.kind == BoxResult::Kind::Button) {
      const int32_t row = box.items[0].selected;
      const int32_t i = row >= 0 && row < static_cast<int32_t>(toolOf.size()) ? toolOf[static_cast<size_t>(row)] : -1;
      if (i >= 0 && i < static_cast<int32_t>(p.toolIds.size())) return p.toolIds[static_cast<size_t>(i)];
    }
    if (r.kind == BoxResult::Kind::Cancel || r.kind == BoxResult::Kind::Closed) return std::nullopt;
  }
}

}  // namespace platform::terminal
