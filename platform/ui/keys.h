// Keys by name, as the user's Key actions give them ("Enter", "Ctrl+Space",
// "Shift+Tab", "F5", "a", "(").
//
// A key name is any number of modifiers ("Shift+", "Ctrl+", "Alt+", in any
// order, any case) and one key: a single character, or a named key
// ("Enter", "Tab", "Escape", "Space", "Backspace", "Delete", "Insert",
// "Home", "End", "PageUp", "PageDown", "Left", "Right", "Up", "Down",
// "F1" to "F12"). Named keys and modifiers are matched without regard to
// case; a single character stands for itself ("A" is Shift+a).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform::ui {

// Shift states of the key events.
namespace key_mask {
inline constexpr int16_t Shift = 1;
inline constexpr int16_t Ctrl = 2;
inline constexpr int16_t Alt = 4;
}  // namespace key_mask

// Key codes of the key-down and key-up events.
namespace vbkey {
inline constexpr int16_t Back = 8, Tab = 9, Return = 13, Shift = 16, Control = 17, Menu = 18, Escape = 27, Space = 32,
                         PageUp = 33, PageDown = 34, End = 35, Home = 36, Left = 37, Up = 38, Right = 39, Down = 40,
                         Insert = 45, Delete = 46, F1 = 112;
}  // namespace vbkey

struct KeyStroke {
  int16_t keyCode = 0;  // the key-down / key-up code; 0 for a character no key gives
  int16_t shift = 0;    // key_mask bits
  // The character the key types (its key-press code): printable characters,
  // Enter 13, Tab 9, Backspace 8, Escape 27, Ctrl+letter 1 to 26; 0 when
  // the key types nothing (arrows, F-keys, Alt+ and other Ctrl+ keys).
  int16_t ascii = 0;
  // The text the key types into a text field, UTF-8 (empty for none).
  std::string text;
};

// Parses a key name; nothing for an unknown name.
std::optional<KeyStroke> parseKey(const std::string& name);

}  // namespace platform::ui
