#include "platform/controls/line_edit.h"

#include <algorithm>

namespace platform::controls {

size_t characterLength(std::string_view s, size_t i) {
  const auto b = static_cast<unsigned char>(s[i]);
  const size_t n = b < 0xC0 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : b < 0xF8 ? 4 : 1;
  if (n == 1 || i + n > s.size()) return 1;
  for (size_t k = 1; k < n; ++k)
    if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 1;
  return n;
}

int32_t characterCount(std::string_view text) {
  int32_t n = 0;
  for (size_t i = 0; i < text.size(); i += characterLength(text, i)) ++n;
  return n;
}

size_t byteOfCharacter(std::string_view text, int32_t n) {
  size_t i = 0;
  for (int32_t k = 0; k < n && i < text.size(); ++k) i += characterLength(text, i);
  return i;
}

void LineEdit::setCaret(int32_t at) { caret = std::clamp(at, 0, characterCount(text)); }

void LineEdit::assign(std::string value) {
  text = std::move(value);
  caret = characterCount(text);
}

void LineEdit::insert(std::string_view typed) {
  setCaret(caret);
  text.insert(byteOfCharacter(text, caret), typed);
  caret += characterCount(typed);
}

bool LineEdit::key(std::string_view name) {
  setCaret(caret);
  const int32_t count = characterCount(text);
  if (name == "Left") {
    caret = std::max(0, caret - 1);
  } else if (name == "Right") {
    caret = std::min(count, caret + 1);
  } else if (name == "Home") {
    caret = 0;
  } else if (name == "End") {
    caret = count;
  } else if (name == "Backspace") {
    if (caret > 0) {
      const size_t from = byteOfCharacter(text, caret - 1);
      text.erase(from, byteOfCharacter(text, caret) - from);
      --caret;
    }
  } else if (name == "Delete") {
    if (caret < count) {
      const size_t from = byteOfCharacter(text, caret);
      text.erase(from, characterLength(text, from));
    }
  } else {
    return false;
  }
  return true;
}

}  // namespace platform::controls
