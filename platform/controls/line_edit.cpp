#include "platform/controls/line_edit.h"

#include <algorithm>

#include "platform/runtime/strings.h"

namespace platform::controls {

// The runtime's rule of what makes one character, so that a box and Len
// or Mid of its text agree.
size_t characterLength(std::string_view s, size_t i) { return byteOffsetOfChar(s.substr(i, 4), 1); }

int32_t characterCount(std::string_view text) { return len(text); }

size_t byteOfCharacter(std::string_view text, int32_t n) { return byteOffsetOfChar(text, n < 0 ? 0 : n); }

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
