#include "platform/ui/keys.h"

#include <cctype>
#include <cstring>

namespace platform::ui {

namespace {

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

struct Named {
  const char* name;
  int16_t code;
  int16_t ascii;
};

constexpr Named kNamed[] = {
    {"enter", vbkey::Return, 13},   {"return", vbkey::Return, 13},    {"tab", vbkey::Tab, 9},
    {"escape", vbkey::Escape, 27},  {"esc", vbkey::Escape, 27},       {"space", vbkey::Space, 32},
    {"backspace", vbkey::Back, 8},  {"back", vbkey::Back, 8},         {"delete", vbkey::Delete, 0},
    {"del", vbkey::Delete, 0},      {"insert", vbkey::Insert, 0},     {"ins", vbkey::Insert, 0},
    {"home", vbkey::Home, 0},       {"end", vbkey::End, 0},           {"pageup", vbkey::PageUp, 0},
    {"pgup", vbkey::PageUp, 0},     {"pagedown", vbkey::PageDown, 0}, {"pgdn", vbkey::PageDown, 0},
    {"left", vbkey::Left, 0},       {"right", vbkey::Right, 0},       {"up", vbkey::Up, 0},
    {"down", vbkey::Down, 0},       {"shift", vbkey::Shift, 0},       {"ctrl", vbkey::Control, 0},
    {"control", vbkey::Control, 0}, {"alt", vbkey::Menu, 0},
};

// The key (on a US layout) that types a character, and whether Shift is
// needed for it.
bool keyOfChar(char c, int16_t& code, bool& shifted) {
  shifted = false;
  if (c >= 'a' && c <= 'z') {
    code = static_cast<int16_t>(c - 'a' + 'A');
    return true;
  }
  if (c >= 'A' && c <= 'Z') {
    code = c;
    shifted = true;
    return true;
  }
  if (c >= '0' && c <= '9') {
    code = c;
    return true;
  }
  static const char* plain = ";=,-./`[\\]'";
  static const int16_t plainCodes[] = {186, 187, 188, 189, 190, 191, 192, 219, 220, 221, 222};
  static const char* upper = ":+<_>?~{|}\"";
  static const char* digitsShifted = ")!@#$%^&*(";
  if (const char* p = std::strchr(plain, c); p && c) {
    code = plainCodes[p - plain];
    return true;
  }
  if (const char* p = std::strchr(upper, c); p && c) {
    code = plainCodes[p - upper];
    shifted = true;
    return true;
  }
  if (const char* p = std::strchr(digitsShifted, c); p && c) {
    code = static_cast<int16_t>('0' + (p - digitsShifted));
    shifted = true;
    return true;
  }
  if (c == ' ') {
    code = vbkey::Space;
    return true;
  }
  return false;
}

char shiftedChar(char c) {
  if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
  static const char* plain = "1234567890;=,-./`[\\]'";
  static const char* upper = "!@#$%^&*():+<_>?~{|}\"";
  if (const char* p = std::strchr(plain, c); p && c) return upper[p - plain];
  return c;
}

// The length of the UTF-8 sequence that starts the text, 0 when invalid.
size_t utf8Length(const std::string& s) {
  if (s.empty()) return 0;
  unsigned char c = static_cast<unsigned char>(s[0]);
  size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
  if (n == 0 || n > s.size()) return 0;
  for (size_t i = 1; i < n; ++i)
    if ((static_cast<unsigned char>(s[i]) >> 6) != 2) return 0;
  return n;
}

}  // namespace

std::optional<KeyStroke> parseKey(const std::string& name) {
  KeyStroke k;
  std::string rest = name;
  // Modifiers: "Ctrl+", "Shift+", "Alt+"; a lone "+" is the key itself.
  for (;;) {
    size_t plus = rest.find('+');
    if (plus == std::string::npos || plus == 0 || plus + 1 >= rest.size()) break;
    std::string mod = lower(rest.substr(0, plus));
    if (mod == "ctrl" || mod == "control")
      k.shift |= key_mask::Ctrl;
    else if (mod == "shift")
      k.shift |= key_mask::Shift;
    else if (mod == "alt")
      k.shift |= key_mask::Alt;
    else
      return std::nullopt;
    rest = rest.substr(plus + 1);
  }
  if (rest.empty()) return std::nullopt;
  const bool ctrl = k.shift & key_mask::Ctrl, alt = k.shift & key_mask::Alt;

  if (utf8Length(rest) == rest.size()) {
    if (rest.size() == 1) {
      char c = rest[0];
      bool shifted = false;
      if (!keyOfChar(c, k.keyCode, shifted)) return std::nullopt;
      if (shifted) k.shift |= key_mask::Shift;
      char typed = (k.shift & key_mask::Shift) ? shiftedChar(c) : c;
      if (alt) return k;
      if (ctrl) {
        if (std::isalpha(static_cast<unsigned char>(c)))
          k.ascii = static_cast<int16_t>(std::toupper(static_cast<unsigned char>(c)) - 'A' + 1);
        return k;
      }
      k.ascii = static_cast<unsigned char>(typed);
      k.text = std::string(1, typed);
      return k;
    }
    // Another single character: typed as it is, no key code.
    if (!ctrl && !alt) k.text = rest;
    return k;
  }

  std::string l = lower(rest);
  if (l.size() >= 2 && l[0] == 'f' && std::isdigit(static_cast<unsigned char>(l[1]))) {
    int n = std::atoi(l.c_str() + 1);
    if (n < 1 || n > 12 || l.size() > 3) return std::nullopt;
    k.keyCode = static_cast<int16_t>(vbkey::F1 + n - 1);
    return k;
  }
  for (const Named& n : kNamed) {
    if (l != n.name) continue;
    k.keyCode = n.code;
    if (!alt && !(ctrl && n.code != vbkey::Return)) {
      k.ascii = n.ascii;
      if (n.ascii == 32) k.text = " ";
      if (n.ascii == 9) k.text = "\t";
      if (n.ascii == 13) k.text = "\n";
    }
    if (ctrl && n.code == vbkey::Return) k.ascii = 10;  // Ctrl+Enter types a line feed
    return k;
  }
  return std::nullopt;
}

}  // namespace platform::ui
