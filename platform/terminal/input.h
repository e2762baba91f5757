// The person's input on the terminal, decoded from what ncurses reads: the
// key codes and characters of get_wch, the mouse reports (SGR 1006, and
// X10 for terminals without it), bracketed paste and the resize. Pure
// functions, so that the decoding is tested without a terminal.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace platform::terminal {

struct MouseEvent {
  enum class Kind { Press, Release, Drag, Wheel, Move };
  Kind kind = Kind::Press;
  int32_t x = 0, y = 0;  // the cell, from 0
  int32_t button = 1;    // 1 left, 2 middle, 3 right; for the wheel 4 up, 5 down
  int32_t shift = 0;     // key_mask bits: 1 Shift, 2 Ctrl, 4 Alt
  friend bool operator==(const MouseEvent&, const MouseEvent&) = default;
};

struct InputEvent {
  enum class Kind {
    None,     // nothing (an unknown key, a timeout)
    Key,      // name: the key as the system names keys ("Ctrl+s", "Shift+Tab", "F10")
    Text,     // text: typed characters, UTF-8
    Mouse,    // mouse
    Paste,    // text: a bracketed paste, as one text
    Resize,   // the terminal's size changed
    Suspend,  // Ctrl+Z: the person wants the shell back
    Closed,   // the terminal went away (hang-up)
  };
  Kind kind = Kind::None;
  std::string name;
  std::string text;
  MouseEvent mouse;
};

// Key codes of our own that the sequences ncurses does not know are
// defined as (define_key), above every ncurses code.
namespace own_key {
inline constexpr int32_t SgrMouse = 0x1000;    // "\E[<": the report's rest follows as characters
inline constexpr int32_t X10Mouse = 0x1001;    // "\E[M": three bytes follow
inline constexpr int32_t PasteStart = 0x1002;  // "\E[200~"
inline constexpr int32_t PasteEnd = 0x1003;    // "\E[201~"
}  // namespace own_key

// Decodes one get_wch result. functionKey: get_wch said KEY_CODE_YES (code
// is a key code), else code is a character. alt: an Escape came just
// before (the ESC prefix of Alt). extended: the key codes that the
// terminal's description gives to modified keys (kLFT5 ...), by key name.
InputEvent decodeKey(bool functionKey, uint32_t code, bool alt = false,
                     const std::map<int32_t, std::string>& extended = {});

// The key names of the modified keys of a terminal description: the
// extended capability ("kLFT5") of each name ("Ctrl+Left").
const std::map<std::string, std::string>& modifiedKeyCapabilities();

// An SGR report after "\E[<": "b;x;yM" or "b;x;ym" (cells from 1).
std::optional<MouseEvent> decodeSgrMouse(std::string_view body);
// An X10 report after "\E[M": button, column and row bytes (offset 32).
std::optional<MouseEvent> decodeX10Mouse(unsigned char b, unsigned char x, unsigned char y);

}  // namespace platform::terminal
