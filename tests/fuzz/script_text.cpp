// A script's bytes opened in the main window, coloured by the language and
// drawn as the terminal desktop draws it: every cell of the drawing holds
// valid UTF-8 that reaches the terminal as it is (no control character of
// the script, no direction control), and a wide character's right half
// follows its left one.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "fuzz_window.h"
#include "platform/runtime/errors.h"
#include "platform/terminal/desktop_draw.h"

namespace {

// Whether the text is valid UTF-8 of characters that a terminal shows as
// they are.
bool shownAsItIs(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    const size_t n = b < 0x80                  ? 1
                     : (b >= 0xC2 && b < 0xE0) ? 2
                     : (b >= 0xE0 && b < 0xF0) ? 3
                     : (b >= 0xF0 && b < 0xF5) ? 4
                                               : 0;
    if (n == 0 || i + n > s.size()) return false;
    uint32_t c = n == 1 ? b : n == 2 ? (b & 0x1F) : n == 3 ? (b & 0x0F) : (b & 0x07);
    for (size_t k = 1; k < n; ++k) {
      const auto t = static_cast<unsigned char>(s[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      c = (c << 6) | (t & 0x3F);
    }
    i += n;
    if (c < 0x20 || (c >= 0x7F && c < 0xA0) || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) ||
        c == 0x200E || c == 0x200F || c == 0x061C || (c >= 0xD800 && c < 0xE000) || c > 0x10FFFF)
      return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto& main = kestrin_fuzz::window();
  const std::string path = kestrin_fuzz::inputFile("fuzzed.vbs", data, size);
  try {
    main.FileToView(path);
  } catch (const platform::RuntimeError&) {
    return 0;
  }
  if (!main.visible()) main.setVisible(true);
  auto& editor = *main.CodeSense1;
  for (const bool colour : {true, false}) {
    for (const int32_t scroll : {0, 7}) {
      platform::terminal::Grid grid(100, 40);
      platform::terminal::DesktopView view;
      view.useColour = colour;
      view.scroll[&editor] = scroll;
      std::vector<platform::terminal::Hit> hits;
      platform::terminal::drawDesktop(grid, view, hits);
      for (int32_t y = 0; y < grid.height(); ++y)
        for (int32_t x = 0; x < grid.width(); ++x) {
          const auto& cell = grid.at(x, y);
          if (!shownAsItIs(cell.text)) std::abort();
          if (cell.width == 0 && (x == 0 || grid.at(x - 1, y).width != 2)) std::abort();
          if (cell.width == 2 && (x + 1 >= grid.width() || grid.at(x + 1, y).width != 0)) std::abort();
        }
    }
  }
  return 0;
}
