// A line of text with a caret, as a one-line box edits it: typing goes in
// at the caret, Backspace and Delete remove the character before and after
// it, Left, Right, Home and End move it. Positions count characters: a
// UTF-8 sequence is one character, and so is a byte that starts none.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform::controls {

// The characters of a text, and the byte where its character `n` starts
// (the size for n at or past the end).
int32_t characterCount(std::string_view text);
size_t byteOfCharacter(std::string_view text, int32_t n);
// The byte length of the character at byte `i`.
size_t characterLength(std::string_view text, size_t i);

struct LineEdit {
  std::string text;
  int32_t caret = 0;  // the characters before the caret

  // The caret at a character, kept inside the text.
  void setCaret(int32_t at);
  // A new text with the caret at its end.
  void assign(std::string value);
  // The text goes in at the caret, which follows it.
  void insert(std::string_view typed);
  // Left, Right, Home, End, Backspace and Delete; false for another key
  // (and nothing changes).
  bool key(std::string_view name);
};

}  // namespace platform::controls
