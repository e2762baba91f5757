// What the terminal desktop's drawing shares between its files: the
// styles, captions with their access keys, frames, hits, and the code
// editor drawn in a rectangle.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/runtime/strings.h"
#include "platform/terminal/desktop_draw.h"

namespace platform::controls {
class CodeEditor;
}  // namespace platform::controls

namespace platform::terminal::drawing {

inline constexpr Style kPlain{};
inline constexpr Style kReverse{kDefault, kDefault, attr::Reverse};
inline constexpr Style kBold{kDefault, kDefault, attr::Bold};
inline constexpr Style kDim{kDefault, kDefault, attr::Dim};

inline Style with(Style s, uint8_t attrs) {
  s.attrs |= attrs;
  return s;
}

// The bytes of the character at s[i], by the text's one rule.
inline size_t charLength(std::string_view s, size_t i) { return platform::charAt(s, i).bytes; }

// A caption with its "&" access key underlined.
int32_t putCaption(Grid& g, int32_t x, int32_t y, const std::string& caption, Style style, int32_t end);
std::string plain(const std::string& caption);
// Where a caption's access key stands in its plain text (npos: none).
size_t accessIndex(const std::string& caption);
void frameBox(Grid& g, int32_t x, int32_t y, int32_t w, int32_t h, const std::string& title, bool closeBox);
Hit makeHit(Hit::Kind kind, int32_t x, int32_t y, int32_t w, int32_t h, std::string id = {}, ui::Form* form = nullptr,
            ui::Control* control = nullptr, int32_t index = 0, int32_t level = 0);

// Where the caret of the focused code editor was drawn.
struct CaretCell {
  const controls::CodeEditor* editor = nullptr;
  int32_t x = -1, y = -1;
  int32_t wordCells = 0;
};

controls::CodeEditor* editorOf(ui::Control* c);
// The code editor in a rectangle: margin, line numbers, the visible lines
// with their colours, the selection and the highlighted line. Keeps the
// caret in view, vertically through the editor's top line and sideways
// through the desktop's scroll.
CaretCell drawEditor(Grid& g, DesktopView& view, controls::CodeEditor& e, ui::Control* control, int32_t x, int32_t y,
                     int32_t w, int32_t h, bool focused, std::vector<Hit>& hits);

// A dialog: a framed window centred over the main window, its controls in
// rows by tab order.
void drawDialog(Grid& g, DesktopView& view, ui::Form& form, bool active, std::vector<Hit>& hits, CaretCell& caret);
// The open menu and its open submenus: under the menu bar of the form,
// or a popup menu at its cell.
void drawMenu(Grid& g, DesktopView& view, ui::Form* form, const std::vector<Hit>& windowHits, std::vector<Hit>& hits);
// A prompt's box in front of the windows.
void drawBox(Grid& g, Box& box, std::vector<Hit>& hits);

}  // namespace platform::terminal::drawing
