#include "platform/gui/qt_support.h"

#include <vector>

#include "platform/ui/visible_text.h"

namespace platform::gui {

double twipsPerPixel(const QWidget*) {
  // The toolkit's pixels are device-independent: a screen of twice the
  // density (a scale of 2) shows a form at twice as many device pixels,
  // the same size to the eye, as other programs' windows.
  return 15.0;
}

QString plainText(const std::string& text) { return toQ(ui::visibleText(text, ui::VisibleTextOptions{true, true})); }

QString plainLines(const std::string& text) {
  std::string lf;
  lf.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r')
      lf += text[i];
    else if (i + 1 >= text.size() || text[i + 1] != '\n')
      lf += '\n';
  }
  return plainText(lf);
}

std::string platformLineEnds(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r')
      out += text[i];
    else if (i + 1 >= text.size() || text[i + 1] != '\n')
      out += '\n';
  }
  return out;
}

std::string scriptLineEnds(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 32);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += "\r\n";
    } else if (text[i] == '\n') {
      out += "\r\n";
    } else {
      out += text[i];
    }
  }
  return out;
}

std::optional<KeyInput> keyInput(int key, Qt::KeyboardModifiers mods, const QString& text) {
  const bool ctrl = mods & Qt::ControlModifier, alt = mods & Qt::AltModifier;
  bool shift = mods & Qt::ShiftModifier;
  const char* named = nullptr;
  switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter: named = "Enter"; break;
    case Qt::Key_Tab: named = "Tab"; break;
    case Qt::Key_Backtab:
      named = "Tab";
      shift = true;
      break;
    case Qt::Key_Escape: named = "Escape"; break;
    case Qt::Key_Backspace: named = "Backspace"; break;
    case Qt::Key_Delete: named = "Delete"; break;
    case Qt::Key_Insert: named = "Insert"; break;
    case Qt::Key_Home: named = "Home"; break;
    case Qt::Key_End: named = "End"; break;
    case Qt::Key_PageUp: named = "PageUp"; break;
    case Qt::Key_PageDown: named = "PageDown"; break;
    case Qt::Key_Left: named = "Left"; break;
    case Qt::Key_Right: named = "Right"; break;
    case Qt::Key_Up: named = "Up"; break;
    case Qt::Key_Down: named = "Down"; break;
    case Qt::Key_Space:
      if (ctrl || alt) named = "Space";
      break;
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_Meta:
    case Qt::Key_AltGr:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R: return std::nullopt;
    default: break;
  }
  static const char* fkeys[] = {"F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9", "F10", "F11", "F12"};
  if (key >= Qt::Key_F1 && key <= Qt::Key_F12) named = fkeys[key - Qt::Key_F1];
  std::string prefix;
  if (ctrl) prefix += "Ctrl+";
  if (alt) prefix += "Alt+";
  if (named) {
    if (shift) prefix += "Shift+";
    return KeyInput{false, prefix + named};
  }
  if (!ctrl && !alt) {
    // A character typed: the text the key gives.
    if (text.isEmpty()) return std::nullopt;
    for (QChar ch : text)
      if (ch.unicode() < 0x20 || ch.unicode() == 0x7F) return std::nullopt;
    return KeyInput{true, fromQ(text)};
  }
  // Ctrl or Alt with a character key: the key's own character, lower case
  // for letters with Shift named apart.
  char ch = 0;
  if (key >= Qt::Key_A && key <= Qt::Key_Z)
    ch = static_cast<char>('a' + (key - Qt::Key_A));
  else if (key > 0x20 && key < 0x7F)
    ch = static_cast<char>(key);
  if (!ch) return std::nullopt;
  if (shift && ch >= 'a' && ch <= 'z') prefix += "Shift+";
  return KeyInput{false, prefix + std::string(1, ch)};
}

QStringList nameFilters(const std::string& filter) {
  QStringList out;
  std::vector<std::string> parts;
  size_t from = 0;
  for (;;) {
    size_t bar = filter.find('|', from);
    parts.push_back(filter.substr(from, bar == std::string::npos ? std::string::npos : bar - from));
    if (bar == std::string::npos) break;
    from = bar + 1;
  }
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    std::string desc = parts[i], pattern = parts[i + 1];
    for (char& ch : pattern)
      if (ch == ';') ch = ' ';
    while (!pattern.empty() && pattern.back() == ' ') pattern.pop_back();
    if (pattern.empty()) pattern = "*";
    // The toolkit reads the patterns from the last "(...)" of the name: a
    // description that already ends with its patterns stands as it is.
    const std::string tail = "(" + pattern + ")";
    const bool ends = desc.size() >= tail.size() && desc.compare(desc.size() - tail.size(), tail.size(), tail) == 0;
    out << toQ(ends ? desc : (desc.empty() ? tail : desc + " " + tail));
  }
  return out;
}

}  // namespace platform::gui
