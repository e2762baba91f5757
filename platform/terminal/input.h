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
#include <vector>

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
    None,    // nothing (an unknown key, a timeout)
    Key,     // name: the key as the system names keys ("Ctrl+s", "Shift+Tab", "F10")
    Text,    // text: typed characters, UTF-8
    Mouse,   // mouse
    Paste,   // text: a bracketed paste, as one text
    Resize,  // the terminal's size changed
    Closed,  // the terminal went away (hang-up, end of input)
    Ending,  // a signal asks the program to end (SIGINT, SIGTERM, SIGQUIT)
  };
  Kind kind = Kind::None;
  std::string name;
  std::string text;
  MouseEvent mouse;
  int32_t signal = 0;  // Ending: the signal
};

// Key codes of our own that the sequences ncurses does not know are
// defined as (define_key), above every ncurses code.
namespace own_key {
inline constexpr int32_t SgrMouse = 0x1000;    // "\E[<": the report's rest follows as characters
inline constexpr int32_t X10Mouse = 0x1001;    // "\E[M": three bytes follow
inline constexpr int32_t PasteStart = 0x1002;  // "\E[200~"
inline constexpr int32_t PasteEnd = 0x1003;    // "\E[201~"
// "\E[27;": a key report of xterm's modifyOtherKeys, "mod;code~" follows.
inline constexpr int32_t OtherKey = 0x1004;
// "\E[<code>;<mod>u", the CSI u form of a key report, one code each: this
// base + code * 8 + (mod - 1), for the codes below 128.
inline constexpr int32_t CsiUBase = 0x2000;
}  // namespace own_key

// The sequences of the CSI u form that are defined as own keys: each with
// its code (own_key::CsiUBase + ...).
struct OwnSequence {
  std::string sequence;
  int32_t code;
};
std::vector<OwnSequence> csiUSequences();

// The other forms of the cursor and Home and End keys that terminals send
// (each with its ncurses key code): the normal and the application cursor
// mode's, and the VT220 forms of Home and End.
std::vector<OwnSequence> alternateKeySequences();

// A control sequence that followed ESC [ and that no key of the terminal's
// description matched (its parameters and final byte, "1;5C"): a cursor,
// editing or function key in xterm's form with its modifiers, else
// nothing.
InputEvent decodeControlSequence(std::string_view body);

// How the terminal sends what the system cannot read from the byte alone.
struct KeyOptions {
  // The terminal's Backspace sends ^H (its description says kbs=^H): then
  // ^H is Backspace, else it is Ctrl+H and ^? is Backspace.
  bool backspaceIsCtrlH = false;
  // The key codes that the terminal's description gives to modified keys
  // (kLFT5 ...), by key name.
  std::map<int32_t, std::string> extended;
};

// Decodes one get_wch result. functionKey: get_wch said KEY_CODE_YES (code
// is a key code), else code is a character. alt: an Escape came just
// before (the ESC prefix of Alt).
InputEvent decodeKey(bool functionKey, uint32_t code, bool alt = false, const KeyOptions& options = {});

// A key report with its modifiers, of the CSI u form ("\E[104;5u") or of
// modifyOtherKeys ("\E[27;5;104~"): code is the key's character, mod is 1
// plus the bits 1 Shift, 2 Alt, 4 Ctrl. Ctrl+H, Ctrl+I and Ctrl+M come so,
// apart from Backspace, Tab and Enter.
InputEvent decodeModifiedKey(uint32_t code, int32_t mod);
// The rest of a modifyOtherKeys report after "\E[27;": "mod;code~".
InputEvent decodeOtherKeyReport(std::string_view body);

// Collects the text of a bracketed paste as it arrives, in pieces of any
// size, up to the end marker "\E[201~" (which may itself be split between
// pieces). The text keeps its bytes: its line breaks (CR LF, CR or LF) are
// the receiving control's to read; only the NUL byte is dropped.
class PasteCollector {
 public:
  struct Result {
    bool complete = false;  // the end marker came
    std::string rest;       // the bytes after it: input still to be read
  };
  Result add(std::string_view piece);
  bool complete() const noexcept { return complete_; }
  // The text; after a paste that never ended, what came.
  std::string take();

 private:
  std::string text_;
  bool complete_ = false;
};

// The key names of the modified keys of a terminal description: the
// extended capability ("kLFT5") of each name ("Ctrl+Left").
const std::map<std::string, std::string>& modifiedKeyCapabilities();

// An SGR report after "\E[<": "b;x;yM" or "b;x;ym" (cells from 1).
std::optional<MouseEvent> decodeSgrMouse(std::string_view body);
// An X10 report after "\E[M": button, column and row bytes (offset 32).
std::optional<MouseEvent> decodeX10Mouse(unsigned char b, unsigned char x, unsigned char y);

}  // namespace platform::terminal
