#include "platform/terminal/input.h"

#include <curses.h>

#include <cctype>
#include <charconv>
#include <map>

namespace platform::terminal {

namespace {

std::string utf8(uint32_t c) {
  std::string s;
  if (c < 0x80) {
    s += static_cast<char>(c);
  } else if (c < 0x800) {
    s += static_cast<char>(0xC0 | (c >> 6));
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    s += static_cast<char>(0xE0 | (c >> 12));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    s += static_cast<char>(0xF0 | (c >> 18));
    s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  }
  return s;
}

InputEvent key(std::string name, bool alt = false) {
  InputEvent e;
  e.kind = InputEvent::Kind::Key;
  e.name = (alt ? "Alt+" : "") + std::move(name);
  return e;
}

std::string functionKeyName(int32_t n) {
  // Shifted and controlled function keys arrive as F13 and up (xterm's
  // numbering: 12 per modifier).
  static const char* const prefixes[] = {"", "Shift+", "Ctrl+", "Ctrl+Shift+", "Alt+"};
  const int32_t group = (n - 1) / 12;
  if (group > 4) return {};
  return std::string(prefixes[group]) + "F" + std::to_string((n - 1) % 12 + 1);
}

}  // namespace

const std::map<std::string, std::string>& modifiedKeyCapabilities() {
  // ncurses' names: the digit is 1 + the modifier bits (2 Shift, 3 Alt,
  // 5 Ctrl, 6 Ctrl+Shift, 7 Ctrl+Alt).
  static const std::map<std::string, std::string> caps = [] {
    std::map<std::string, std::string> m;
    const std::pair<const char*, const char*> keys[] = {
        {"LFT", "Left"}, {"RIT", "Right"},  {"UP", "Up"},        {"DN", "Down"},   {"HOM", "Home"},
        {"END", "End"},  {"PRV", "PageUp"}, {"NXT", "PageDown"}, {"DC", "Delete"}, {"IC", "Insert"}};
    const std::pair<const char*, const char*> mods[] = {{"2", "Shift+"}, {"3", "Alt+"},        {"4", "Alt+Shift+"},
                                                        {"5", "Ctrl+"},  {"6", "Ctrl+Shift+"}, {"7", "Ctrl+Alt+"}};
    for (const auto& [cap, name] : keys)
      for (const auto& [digit, mod] : mods) m[std::string(mod) + name] = std::string("k") + cap + digit;
    return m;
  }();
  return caps;
}

InputEvent decodeKey(bool functionKey, uint32_t code, bool alt, const KeyOptions& options) {
  const auto& extended = options.extended;
  if (functionKey) {
    const int32_t c = static_cast<int32_t>(code);
    switch (c) {
      case KEY_UP: return key("Up", alt);
      case KEY_DOWN: return key("Down", alt);
      case KEY_LEFT: return key("Left", alt);
      case KEY_RIGHT: return key("Right", alt);
      case KEY_HOME:
      case KEY_A1: return key("Home", alt);
      case KEY_END:
      case KEY_C1: return key("End", alt);
      case KEY_PPAGE:
      case KEY_A3: return key("PageUp", alt);
      case KEY_NPAGE:
      case KEY_C3: return key("PageDown", alt);
      case KEY_IC: return key("Insert", alt);
      case KEY_DC: return key("Delete", alt);
      case KEY_BACKSPACE: return key("Backspace", alt);
      case KEY_ENTER: return key("Enter", alt);
      case KEY_BTAB: return key("Shift+Tab", alt);
      case KEY_SLEFT: return key("Shift+Left", alt);
      case KEY_SRIGHT: return key("Shift+Right", alt);
      case KEY_SR: return key("Shift+Up", alt);
      case KEY_SF: return key("Shift+Down", alt);
      case KEY_SHOME: return key("Shift+Home", alt);
      case KEY_SEND: return key("Shift+End", alt);
      case KEY_SPREVIOUS: return key("Shift+PageUp", alt);
      case KEY_SNEXT: return key("Shift+PageDown", alt);
      case KEY_SDC: return key("Shift+Delete", alt);
      case KEY_SIC: return key("Shift+Insert", alt);
      case KEY_RESIZE: {
        InputEvent e;
        e.kind = InputEvent::Kind::Resize;
        return e;
      }
      default: break;
    }
    if (c > KEY_F0 && c <= KEY_F0 + 60) {
      std::string name = functionKeyName(c - KEY_F0);
      if (!name.empty()) return key(name, alt);
    }
    if (auto it = extended.find(c); it != extended.end()) return key(it->second, alt);
    return {};
  }
  // Characters.
  switch (code) {
    case 0: return key("Ctrl+Space", alt);
    case 8:
      if (options.backspaceIsCtrlH) return key("Backspace", alt);
      break;
    case 127: return key("Backspace", alt);
    case 9: return key("Tab", alt);
    case 10:
    case 13: return key("Enter", alt);
    case 27: return key("Escape", alt);
    default: break;
  }
  if (code < 27) return key("Ctrl+" + std::string(1, static_cast<char>('a' + code - 1)), alt);
  if (code < 32) {
    static const char* const names[] = {"Ctrl+\\", "Ctrl+]", "Ctrl+^", "Ctrl+_"};
    return key(names[code - 28], alt);
  }
  if (code == ' ' && alt) return key("Space", true);
  if ((code >= 0x80 && code < 0xA0) || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000)) return {};
  if (alt) return key(utf8(code), true);
  InputEvent e;
  e.kind = InputEvent::Kind::Text;
  e.text = utf8(code);
  return e;
}

InputEvent decodeModifiedKey(uint32_t code, int32_t mod) {
  if (mod < 1 || mod > 16) return {};
  const int32_t bits = mod - 1;
  const bool shift = bits & 1, alt = bits & 2, ctrl = bits & 4;
  std::string base;
  switch (code) {
    case 8:
    case 127: base = "Backspace"; break;
    case 9: base = "Tab"; break;
    case 13: base = "Enter"; break;
    case 27: base = "Escape"; break;
    case 32: base = "Space"; break;
    default:
      if (code < 32 || code > 0x10FFFF || (code >= 0x80 && code < 0xA0) || (code >= 0xD800 && code < 0xE000)) return {};
      if (!ctrl && !alt) {
        // A shifted character is the character.
        InputEvent e;
        e.kind = InputEvent::Kind::Text;
        e.text = utf8(code);
        return e;
      }
      // With Ctrl or Alt a letter names its key in lower case, Shift apart.
      base = utf8(code < 0x80 ? static_cast<uint32_t>(std::tolower(static_cast<int>(code))) : code);
      break;
  }
  const bool named = base.size() > 1 && code < 0x80;
  if (!ctrl && !alt && !named) return {};
  const bool letterShift = shift && !named && code < 0x80 && std::isalpha(static_cast<int>(code));
  std::string name =
      std::string(ctrl ? "Ctrl+" : "") + (alt ? "Alt+" : "") + ((shift && named) || letterShift ? "Shift+" : "") + base;
  // A shifted punctuation key is the character it gives.
  return key(std::move(name));
}

InputEvent decodeOtherKeyReport(std::string_view body) {
  if (body.size() < 4 || body.back() != '~') return {};
  int32_t mod = 0;
  uint32_t code = 0;
  const char* p = body.data();
  const char* end = body.data() + body.size() - 1;
  auto r = std::from_chars(p, end, mod);
  if (r.ec != std::errc() || r.ptr == p || r.ptr == end || *r.ptr != ';') return {};
  p = r.ptr + 1;
  auto r2 = std::from_chars(p, end, code);
  if (r2.ec != std::errc() || r2.ptr == p || r2.ptr != end) return {};
  return decodeModifiedKey(code, mod);
}

std::vector<OwnSequence> csiUSequences() {
  std::vector<OwnSequence> out;
  auto add = [&](uint32_t code) {
    for (int32_t mod = 2; mod <= 8; ++mod)
      out.push_back({"\x1b[" + std::to_string(code) + ";" + std::to_string(mod) + "u",
                     own_key::CsiUBase + static_cast<int32_t>(code) * 8 + (mod - 1)});
  };
  for (uint32_t c : {8u, 9u, 13u, 27u, 32u, 127u}) add(c);
  for (uint32_t c = 33; c < 127; ++c) add(c);
  return out;
}

std::vector<OwnSequence> alternateKeySequences() {
  return {{"\x1b[A", KEY_UP},    {"\x1bOA", KEY_UP},    {"\x1b[B", KEY_DOWN},  {"\x1bOB", KEY_DOWN},
          {"\x1b[C", KEY_RIGHT}, {"\x1bOC", KEY_RIGHT}, {"\x1b[D", KEY_LEFT},  {"\x1bOD", KEY_LEFT},
          {"\x1b[H", KEY_HOME},  {"\x1bOH", KEY_HOME},  {"\x1b[1~", KEY_HOME}, {"\x1b[7~", KEY_HOME},
          {"\x1b[F", KEY_END},   {"\x1bOF", KEY_END},   {"\x1b[4~", KEY_END},  {"\x1b[8~", KEY_END}};
}

InputEvent decodeControlSequence(std::string_view body) {
  if (body.empty()) return {};
  const char final = body.back();
  std::string_view params = body.substr(0, body.size() - 1);
  int32_t first = 1, mod = 1;
  if (!params.empty()) {
    const char* p = params.data();
    const char* end = p + params.size();
    auto r = std::from_chars(p, end, first);
    if (r.ec != std::errc() || r.ptr == p) return {};
    if (r.ptr != end) {
      if (*r.ptr != ';') return {};
      p = r.ptr + 1;
      auto r2 = std::from_chars(p, end, mod);
      if (r2.ec != std::errc() || r2.ptr == p || r2.ptr != end) return {};
    }
  }
  if (mod < 1 || mod > 8) return {};
  std::string base;
  switch (final) {
    case 'A': base = "Up"; break;
    case 'B': base = "Down"; break;
    case 'C': base = "Right"; break;
    case 'D': base = "Left"; break;
    case 'H': base = "Home"; break;
    case 'F': base = "End"; break;
    case 'P': base = "F1"; break;
    case 'Q': base = "F2"; break;
    case 'R': base = "F3"; break;
    case 'S': base = "F4"; break;
    case '~': {
      static const std::map<int32_t, const char*> tilde = {
          {1, "Home"}, {2, "Insert"}, {3, "Delete"}, {4, "End"},  {5, "PageUp"}, {6, "PageDown"}, {7, "Home"},
          {8, "End"},  {11, "F1"},    {12, "F2"},    {13, "F3"},  {14, "F4"},    {15, "F5"},      {17, "F6"},
          {18, "F7"},  {19, "F8"},    {20, "F9"},    {21, "F10"}, {23, "F11"},   {24, "F12"}};
      const auto it = tilde.find(first);
      if (it == tilde.end()) return {};
      base = it->second;
      break;
    }
    default: return {};
  }
  // The letter forms carry no number but 1 before their modifier.
  if (final != '~' && first != 1) return {};
  const int32_t bits = mod - 1;
  return key(std::string(bits & 4 ? "Ctrl+" : "") + (bits & 2 ? "Alt+" : "") + (bits & 1 ? "Shift+" : "") + base);
}

PasteCollector::Result PasteCollector::add(std::string_view piece) {
  static constexpr std::string_view kEnd = "\x1b[201~";
  Result r;
  if (complete_) {
    r.rest = std::string(piece);
    return r;
  }
  // The end marker may have begun in the piece before: it stands, in part,
  // at the end of the text.
  const size_t keep = std::min(text_.size(), kEnd.size() - 1);
  const size_t from = text_.size() - keep;
  text_.append(piece);
  const size_t at = text_.find(kEnd, from);
  if (at != std::string::npos) {
    r.rest = text_.substr(at + kEnd.size());
    text_.resize(at);
    complete_ = true;
  }
  r.complete = complete_;
  return r;
}

std::string PasteCollector::take() {
  std::string out;
  out.reserve(text_.size());
  for (char c : text_)
    if (c != '\0') out += c;
  text_.clear();
  return out;
}

namespace {

std::optional<MouseEvent> fromButton(int32_t b, int32_t x, int32_t y, bool release, bool sgr) {
  MouseEvent m;
  m.x = x;
  m.y = y;
  m.shift = ((b & 4) ? 1 : 0) | ((b & 16) ? 2 : 0) | ((b & 8) ? 4 : 0);
  const int32_t low = b & 3;
  if (b & 64) {
    if (low > 1) return std::nullopt;  // the wheel's sideways buttons
    m.kind = MouseEvent::Kind::Wheel;
    m.button = low == 0 ? 4 : 5;
    return m;
  }
  if (b & 32) {
    m.kind = low == 3 ? MouseEvent::Kind::Move : MouseEvent::Kind::Drag;
    m.button = low == 3 ? 0 : low + 1;
    return m;
  }
  if (!sgr && low == 3) {
    // X10 reports a release without its button.
    m.kind = MouseEvent::Kind::Release;
    m.button = 0;
    return m;
  }
  m.kind = release ? MouseEvent::Kind::Release : MouseEvent::Kind::Press;
  m.button = low + 1;
  return m;
}

}  // namespace

std::optional<MouseEvent> decodeSgrMouse(std::string_view body) {
  if (body.size() < 6) return std::nullopt;
  const char final = body.back();
  if (final != 'M' && final != 'm') return std::nullopt;
  int32_t v[3] = {0, 0, 0};
  const char* p = body.data();
  const char* end = body.data() + body.size() - 1;
  for (int i = 0; i < 3; ++i) {
    auto r = std::from_chars(p, end, v[i]);
    if (r.ec != std::errc() || r.ptr == p) return std::nullopt;
    p = r.ptr;
    if (i < 2) {
      if (p == end || *p != ';') return std::nullopt;
      ++p;
    }
  }
  if (p != end || v[1] < 1 || v[2] < 1) return std::nullopt;
  return fromButton(v[0], v[1] - 1, v[2] - 1, final == 'm', true);
}

std::optional<MouseEvent> decodeX10Mouse(unsigned char b, unsigned char x, unsigned char y) {
  if (b < 32 || x < 33 || y < 33) return std::nullopt;
  return fromButton(b - 32, x - 33, y - 33, false, false);
}

}  // namespace platform::terminal
