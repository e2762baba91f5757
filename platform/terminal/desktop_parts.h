// What the parts of the terminal desktop share: the loop's actions, the
// letters of keys, and the items its prompts are made of.
#pragma once

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/terminal/desktop_draw.h"
#include "platform/terminal/terminal.h"
#include "platform/ui/form.h"
#include "platform/ui/user.h"

namespace platform::terminal {

inline ui::Action action(ui::Action::Kind kind) {
  ui::Action a;
  a.kind = kind;
  return a;
}

inline ui::Action onControl(ui::Action::Kind kind, ui::Control& c, std::string text = {}) {
  ui::Action a = action(kind);
  a.form = c.form() ? c.form()->name() : std::string();
  a.control = c.fullName();
  a.text = std::move(text);
  return a;
}

// The letter of a key or typed text, in lower case; 0 when it is none.
inline char letterOf(const InputEvent& e, bool allowAlt) {
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
inline char altLetter(const std::string& key) {
  if (key.size() != 5 || key.rfind("Alt+", 0) != 0 || !std::isalnum(static_cast<unsigned char>(key[4]))) return 0;
  return static_cast<char>(std::tolower(static_cast<unsigned char>(key[4])));
}

inline bool isKey(const InputEvent& e, const char* name) { return e.kind == InputEvent::Kind::Key && e.name == name; }

inline std::string trim(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
  size_t b = 0;
  while (b < s.size() && (s[b] == ' ' || s[b] == '\t')) ++b;
  return s.substr(b);
}

inline std::optional<int64_t> number(const std::string& text) {
  const std::string t = trim(text);
  if (t.empty() || t.size() > 9) return std::nullopt;
  for (char c : t)
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
  return std::strtoll(t.c_str(), nullptr, 10);
}

inline BoxItem textItem(std::string text, bool bold = false) {
  BoxItem it;
  it.kind = BoxItem::Kind::Text;
  it.text = std::move(text);
  it.bold = bold;
  return it;
}

// A field; a prefilled one opens with its text selected, so that typing
// replaces it.
inline BoxItem fieldItem(std::string label, std::string text) {
  BoxItem it;
  it.kind = BoxItem::Kind::Field;
  it.label = std::move(label);
  it.text = std::move(text);
  it.allSelected = !it.text.empty();
  return it;
}

inline BoxItem buttonsItem(std::vector<std::string> captions, int32_t defaultButton) {
  BoxItem it;
  it.kind = BoxItem::Kind::Buttons;
  it.entries = std::move(captions);
  it.defaultButton = defaultButton;
  it.selected = std::max(0, defaultButton);
  return it;
}

}  // namespace platform::terminal
