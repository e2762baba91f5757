#include "platform/controls/toolbar.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <sstream>

#include "platform/controls/control_files.h"
#include "platform/controls/standard_controls.h"
#include "platform/runtime/errors.h"
#include "platform/ui/form.h"
#include "platform/ui/user.h"

namespace platform::controls {

namespace {

const char* const kSource = "Toolbar";

const char* kindName(ToolKind kind) {
  switch (kind) {
    case ToolKind::Button: return "button";
    case ToolKind::MenuItem: return "menuitem";
    case ToolKind::Popup: return "popup";
    case ToolKind::Separator: return "separator";
  }
  return "button";
}

std::optional<ToolKind> kindFromName(const std::string& name) {
  for (ToolKind k : {ToolKind::Button, ToolKind::MenuItem, ToolKind::Popup, ToolKind::Separator})
    if (name == kindName(k)) return k;
  return std::nullopt;
}

// Whether no chain of popups, each inside the one before, is longer than
// kMaxPopupNesting. A popup that is already open further up the chain does
// not open again, so a popup inside itself adds no depth. The walk keeps its
// own stack and stops at the first chain that is too long; each popup's
// depth is measured once.
bool popupNestingIsBounded(const ToolbarLayout& layout) {
  std::map<std::string, const Tool*> popups;
  for (const Tool& t : layout.tools)
    if (t.kind == ToolKind::Popup) popups.emplace(t.id, &t);
  std::map<std::string, size_t> depth;  // of the popups measured
  std::set<std::string> open;           // the popups of the current chain
  struct Frame {
    const Tool* popup;
    size_t next = 0;     // the next entry to look at
    size_t deepest = 0;  // the deepest popup chain below it so far
  };
  for (const auto& [id, start] : popups) {
    if (depth.count(id)) continue;
    std::vector<Frame> chain{{start}};
    open.insert(id);
    while (!chain.empty()) {
      Frame& f = chain.back();
      if (f.next < f.popup->items.size()) {
        const std::string& item = f.popup->items[f.next++];
        auto inner = popups.find(item);
        if (inner == popups.end() || open.count(item)) continue;
        if (auto known = depth.find(item); known != depth.end()) {
          f.deepest = std::max(f.deepest, known->second);
          continue;
        }
        if (chain.size() == kMaxPopupNesting) return false;
        open.insert(item);
        chain.push_back({inner->second});
        continue;
      }
      const size_t own = f.deepest + 1;
      if (own > kMaxPopupNesting) return false;
      depth[f.popup->id] = own;
      open.erase(f.popup->id);
      chain.pop_back();
      if (!chain.empty()) chain.back().deepest = std::max(chain.back().deepest, own);
    }
  }
  return true;
}

// Checks that every entry names a tool and no ID or bar name is defined
// twice; false otherwise.
bool layoutIsConsistent(const ToolbarLayout& layout) {
  std::set<std::string> ids;
  for (const Tool& t : layout.tools)
    if (t.id.empty() || !ids.insert(t.id).second) return false;
  auto entriesKnown = [&](const std::vector<std::string>& items) {
    for (const std::string& item : items)
      if (!item.empty() && !ids.count(item)) return false;
    return true;
  };
  for (const Tool& t : layout.tools)
    if (!entriesKnown(t.items)) return false;
  std::set<std::string> names;
  for (const Bar& b : layout.bars) {
    if (!names.insert(b.name).second || !entriesKnown(b.items)) return false;
    for (const auto& [id, caption] : b.captions)
      if (id.empty() || std::find(b.items.begin(), b.items.end(), id) == b.items.end()) return false;
  }
  return popupNestingIsBounded(layout);
}

// The entries, each tool's caption on the bar after it where the bar has
// one of its own.
void writeItems(std::ostringstream& out, const std::vector<std::string>& items,
                const std::map<std::string, std::string>& captions = {}) {
  for (const std::string& item : items) {
    if (item.empty()) {
      out << "separator\n";
      continue;
    }
    out << "item " << escapeValue(item) << "\n";
    if (auto own = captions.find(item); own != captions.end()) out << "caption " << escapeValue(own->second) << "\n";
  }
}

}  // namespace

std::string Tool::plainCaption() const { return stripAccessKeys(caption); }

const std::string& Bar::captionOf(const Tool& tool) const {
  auto own = captions.find(tool.id);
  return own == captions.end() ? tool.caption : own->second;
}

std::string Bar::plainCaptionOf(const Tool& tool) const { return stripAccessKeys(captionOf(tool)); }

char Tool::accessKey() const { return accessKeyOf(caption); }

Toolbar::Toolbar(std::string name) : ui::Control(std::move(name)) {}

Tool& Toolbar::addTool(Tool tool) {
  if (Tool* existing = findTool(tool.id)) {
    *existing = std::move(tool);
    return *existing;
  }
  layout_.tools.push_back(std::move(tool));
  return layout_.tools.back();
}

Tool& Toolbar::addTool(std::string id, ToolKind kind, std::string caption, std::string description) {
  Tool t;
  t.id = std::move(id);
  t.kind = kind;
  t.caption = std::move(caption);
  t.description = std::move(description);
  return addTool(std::move(t));
}

Tool* Toolbar::findTool(const std::string& id) {
  for (Tool& t : layout_.tools)
    if (t.id == id) return &t;
  return nullptr;
}

const Tool* Toolbar::findTool(const std::string& id) const {
  for (const Tool& t : layout_.tools)
    if (t.id == id) return &t;
  return nullptr;
}

Tool& Toolbar::tool(const std::string& id) {
  Tool* t = findTool(id);
  if (!t) raiseElementNotFound(kSource);
  return *t;
}

Bar& Toolbar::addBar(std::string name, bool menu) {
  if (Bar* b = findBar(name)) return *b;
  Bar b;
  b.name = std::move(name);
  b.menu = menu;
  layout_.bars.push_back(std::move(b));
  return layout_.bars.back();
}

Bar* Toolbar::findBar(const std::string& name) {
  for (Bar& b : layout_.bars)
    if (b.name == name) return &b;
  return nullptr;
}

std::vector<std::string> Toolbar::barCaptions(const std::string& barName) const {
  for (const Bar& b : layout_.bars) {
    if (b.name != barName) continue;
    std::vector<std::string> out;
    for (const std::string& item : b.items) {
      const Tool* t = findTool(item);
      if (item.empty() || (t && t->kind == ToolKind::Separator))
        out.push_back("-");
      else if (t && t->visible)
        out.push_back(b.plainCaptionOf(*t));
    }
    return out;
  }
  raiseElementNotFound(kSource);
}

void Toolbar::setLayout(ToolbarLayout layout) {
  if (!layoutIsConsistent(layout)) raise(kInvalidFileFormat, kSource, "Invalid toolbar layout");
  layout_ = std::move(layout);
}

std::string Toolbar::formatLayout(const ToolbarLayout& layout) {
  std::ostringstream out;
  out << kToolbarLayoutHeader << "\n";
  for (const Tool& t : layout.tools) {
    out << "tool " << escapeValue(t.id) << "\n";
    out << "kind " << kindName(t.kind) << "\n";
    out << "caption " << escapeValue(t.caption) << "\n";
    out << "description " << escapeValue(t.description) << "\n";
    out << "enabled " << (t.enabled ? 1 : 0) << "\n";
    out << "visible " << (t.visible ? 1 : 0) << "\n";
    writeItems(out, t.items);
    out << "end\n";
  }
  for (const Bar& b : layout.bars) {
    out << "bar " << escapeValue(b.name) << "\n";
    out << "menu " << (b.menu ? 1 : 0) << "\n";
    out << "visible " << (b.visible ? 1 : 0) << "\n";
    writeItems(out, b.items, b.captions);
    out << "end\n";
  }
  return out.str();
}

ToolbarLayout Toolbar::parseLayout(const std::vector<std::string>& lines, const std::string& path) {
  ToolbarLayout layout;
  auto fail = [&](size_t index) { raiseInvalidFormat(path, index + 1, kSource); };
  if (lines.empty() || lines[0] != kToolbarLayoutHeader) fail(0);

  Tool* tool = nullptr;
  Bar* bar = nullptr;
  size_t itemLine = 0;  // the index of the last "item" line
  for (size_t i = 1; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line.empty()) continue;
    size_t space = line.find(' ');
    std::string key = line.substr(0, space);
    std::string value;
    if (space != std::string::npos && !unescapeValue(line.substr(space + 1), value)) fail(i);
    bool hasValue = space != std::string::npos;
    auto flag = [&](bool& target) {
      if (value == "1")
        target = true;
      else if (value == "0")
        target = false;
      else
        fail(i);
    };
    if (!tool && !bar) {
      if (key == "tool" && hasValue && !value.empty()) {
        layout.tools.emplace_back();
        tool = &layout.tools.back();
        tool->id = value;
      } else if (key == "bar" && hasValue) {
        layout.bars.emplace_back();
        bar = &layout.bars.back();
        bar->name = value;
      } else {
        fail(i);
      }
      continue;
    }
    std::vector<std::string>& items = tool ? tool->items : bar->items;
    if (key == "end" && !hasValue) {
      tool = nullptr;
      bar = nullptr;
    } else if (key == "item" && hasValue && !value.empty()) {
      items.push_back(value);
      itemLine = i;
    } else if (key == "separator" && !hasValue) {
      items.emplace_back();
    } else if (key == "visible" && hasValue) {
      flag(tool ? tool->visible : bar->visible);
    } else if (tool && key == "kind" && hasValue) {
      auto kind = kindFromName(value);
      if (!kind) fail(i);
      tool->kind = *kind;
    } else if (tool && key == "caption" && hasValue) {
      tool->caption = value;
    } else if (bar && key == "caption" && hasValue && itemLine + 1 == i) {
      // The bar's own caption for the tool of the line before.
      bar->captions[items.back()] = value;
    } else if (tool && key == "description" && hasValue) {
      tool->description = value;
    } else if (tool && key == "enabled" && hasValue) {
      flag(tool->enabled);
    } else if (bar && key == "menu" && hasValue) {
      flag(bar->menu);
    } else {
      fail(i);
    }
  }
  // A file cut short inside an entry is not a whole layout.
  if (tool || bar) fail(lines.size() - 1);
  if (!layoutIsConsistent(layout)) raise(kInvalidFileFormat, kSource, "Invalid toolbar layout: " + path);
  return layout;
}

void Toolbar::loadLayout(const std::string& path) {
  ToolbarLayout loaded = parseLayout(readControlFile(path, kSource), path);
  layout_ = std::move(loaded);
}

void Toolbar::saveLayout(const std::string& path) const { writeControlFile(path, formatLayout(layout_), kSource); }

bool Toolbar::clickTool(const std::string& id) {
  const Tool* t = findTool(id);
  if (!t || !t->enabled || !t->visible || t->kind == ToolKind::Separator) return false;
  // The handler may change the layout; it is given a copy of the tool.
  Tool clicked = *t;
  if (onToolClick_) fireEvent("ToolClick", [&] { onToolClick_(clicked); });
  return true;
}

std::optional<std::string> Toolbar::showPopupMenu(const std::string& id) {
  const Tool& popup = tool(id);
  if (popup.kind != ToolKind::Popup) return std::nullopt;

  ui::PopupPrompt prompt;
  prompt.popupId = id;
  // The popup's entries in order, a nested popup's entries in its place;
  // the walk keeps its own stack, so no chain of popups runs it out of
  // stack, and a popup opens once.
  // A separator stands where the popup has one and around a nested
  // popup's entries, never first, last or twice.
  std::set<std::string> seen{id};
  std::vector<std::pair<const Tool*, size_t>> open{{&popup, 0}};
  bool separate = false;
  while (!open.empty()) {
    auto& [p, next] = open.back();
    if (next == p->items.size()) {
      open.pop_back();
      separate = true;
      continue;
    }
    const std::string& itemId = p->items[next++];
    const Tool* t = findTool(itemId);
    if (itemId.empty() || (t && t->kind == ToolKind::Separator)) {
      separate = true;
      continue;
    }
    if (!t || !t->enabled || !t->visible) continue;
    if (t->kind == ToolKind::Popup) {
      if (seen.insert(t->id).second) {
        open.emplace_back(t, 0);
        separate = true;
      }
      continue;
    }
    if (std::find(prompt.toolIds.begin(), prompt.toolIds.end(), t->id) != prompt.toolIds.end()) continue;
    if (separate && !prompt.toolIds.empty()) prompt.separators.push_back(prompt.toolIds.size());
    separate = false;
    prompt.toolIds.push_back(t->id);
    prompt.captions.push_back(t->plainCaption());
  }
  if (prompt.toolIds.empty()) return std::nullopt;

  std::optional<std::string> picked = ui::currentUser().popupMenu(prompt);
  if (!picked) return std::nullopt;
  // Only what the menu offered can be picked from it.
  if (std::find(prompt.toolIds.begin(), prompt.toolIds.end(), *picked) == prompt.toolIds.end()) return std::nullopt;
  clickTool(*picked);
  return picked;
}

const Toolbar* toolbarWithPopup(const std::string& popupId) {
  auto holds = [&](const ui::Form& f) -> const Toolbar* {
    for (const auto& ctl : f.controls())
      if (auto* bar = dynamic_cast<const Toolbar*>(ctl.get())) {
        const Tool* t = bar->findTool(popupId);
        if (t && t->kind == ToolKind::Popup) return bar;
      }
    return nullptr;
  };
  if (auto active = ui::activeForm())
    if (auto* bar = holds(*active)) return bar;
  for (const auto& f : ui::forms())
    if (f->loaded())
      if (auto* bar = holds(*f)) return bar;
  return nullptr;
}

}  // namespace platform::controls
