// The terminal desktop's file browser: the open and save dialogs and the
// folder browser, a box listing a folder's entries.
#include <fnmatch.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "platform/terminal/desktop_parts.h"
#include "platform/terminal/terminal_desktop.h"

namespace platform::terminal {

namespace fs = std::filesystem;

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
    if (p.is_absolute() || folder.empty())
      folder = p.parent_path().string();
    else
      folder = (fs::path(folder) / p.parent_path()).string();
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

}  // namespace platform::terminal
