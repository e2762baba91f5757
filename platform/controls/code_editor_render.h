// The code editor drawn as text for a terminal: the visible lines with
// line numbers and the margin (when on), the bookmark marks, the caret,
// the selection and the highlighted line, the colours of the colour table
// as terminal colour codes, and below the lines the open completion list
// and the argument tip. With highlightBraces() on, the bracket at the
// caret and the one that matches it on its line are underlined.
#pragma once

#include <cstdint>
#include <string>

#include "platform/controls/code_editor.h"

namespace platform::controls {

struct TerminalRenderOptions {
  int32_t width = 80;     // columns; longer lines are cut
  int32_t height = 0;     // lines of text; 0: the editor's view lines
  int32_t top = -1;       // the first line; -1: the editor's top line
  bool colour = true;     // 24-bit colour codes; without them plain text
  bool showCaret = true;  // the caret as an inverted cell (with colour only)
  bool frame = false;     // a frame around the lines
};

// One terminal line per text line, each ended by a line feed.
std::string renderTerminal(const CodeEditor& editor, const TerminalRenderOptions& options = {});

}  // namespace platform::controls
