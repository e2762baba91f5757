// Text on its way to a terminal: the one function that every writer of a
// terminal line (the console, the scenario player, the demo bridge's log,
// the desktop's drawing) passes untrusted text through, so that a script,
// a file name or a caption can never reach the terminal as a control
// sequence.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform::ui {

struct VisibleTextOptions {
  bool keepNewlines = false;  // LF passes as a line break (CR is still drawn)
  bool keepTabs = false;      // TAB passes as it is
};

// The text with every control character drawn as a visible symbol: C0
// characters as the control pictures U+2400..U+241F (ESC as U+241B), DEL as
// U+2421, C1 characters (U+0080..U+009F) as U+FFFD, the bidirectional
// controls (U+202A..U+202E, U+2066..U+2069, U+200E, U+200F, U+061C) as
// U+FFFD, and every byte that is not part of valid UTF-8 as U+FFFD.
// Everything else is kept as it is.
std::string visibleText(std::string_view text, VisibleTextOptions options = {});

// Whether visibleText draws a character as a symbol in its place (with
// the default options).
bool drawnAsSymbol(uint32_t codePoint);

// Whether visibleText would change the text.
bool needsVisibleText(std::string_view text, VisibleTextOptions options = {});

}  // namespace platform::ui
