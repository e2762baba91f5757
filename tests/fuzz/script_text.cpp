// A script's bytes opened in the main window, coloured by the language and
// drawn for the terminal: the drawing holds no control character of the
// script, only its own colour codes and line ends.
#include <cctype>

#include "fuzz_window.h"
#include "platform/controls/code_editor_render.h"
#include "platform/runtime/errors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto& main = kestrin_fuzz::window();
  const std::string path = kestrin_fuzz::inputFile("fuzzed.vbs", data, size);
  try {
    main.FileToView(path);
  } catch (const platform::RuntimeError&) {
    return 0;
  }
  auto& editor = *main.CodeSense1;
  for (int32_t line = 0; line < editor.lineCount() && line < 64; ++line) (void)editor.lineTokens(line);
  for (const bool colour : {true, false}) {
    platform::controls::TerminalRenderOptions options;
    options.colour = colour;
    options.height = 40;
    const std::string out = platform::controls::renderTerminal(editor, options);
    for (size_t i = 0; i < out.size(); ++i) {
      const auto c = static_cast<unsigned char>(out[i]);
      if (c == '\n') continue;
      if (c == 0x1b && colour && i + 1 < out.size() && out[i + 1] == '[') {
        // The drawing's own colour code: ESC [ digits and ";" then "m".
        size_t j = i + 2;
        while (j < out.size() && (std::isdigit(static_cast<unsigned char>(out[j])) || out[j] == ';')) ++j;
        if (j < out.size() && out[j] == 'm') {
          i = j;
          continue;
        }
      }
      if (c < 0x20 || c == 0x7f) std::abort();
    }
  }
  return 0;
}
