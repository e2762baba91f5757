// The terminal's input decoder fed records of what the terminal library
// reads: SGR and X10 mouse reports and get_wch results, as the input's
// bytes say. What it decodes is always sound: a mouse event on a cell of
// the screen with a known button and modifiers, a key with a name, typed
// text without a control character.
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

#include "platform/terminal/input.h"

namespace {

using platform::terminal::InputEvent;
using platform::terminal::MouseEvent;

void check(const MouseEvent& m) {
  if (m.x < 0 || m.y < 0 || m.shift < 0 || m.shift > 7 || m.button < 0 || m.button > 5) std::abort();
  if (m.kind == MouseEvent::Kind::Wheel && m.button != 4 && m.button != 5) std::abort();
}

void check(const InputEvent& e) {
  switch (e.kind) {
    case InputEvent::Kind::Key:
      if (e.name.empty()) std::abort();
      break;
    case InputEvent::Kind::Text:
      if (e.text.empty()) std::abort();
      for (size_t i = 0; i < e.text.size(); ++i) {
        const auto c = static_cast<unsigned char>(e.text[i]);
        if (c < 0x20 || c == 0x7F) std::abort();
        // A C1 control, U+0080..U+009F.
        if (c == 0xC2 && i + 1 < e.text.size() && static_cast<unsigned char>(e.text[i + 1]) < 0xA0) std::abort();
      }
      break;
    case InputEvent::Kind::Mouse: check(e.mouse); break;
    default: break;
  }
}

}  // namespace

// Each record: a byte that says its kind, then its own bytes.
//   0: an SGR report after "\E[<": a length byte, then that many bytes
//   1: an X10 report after "\E[M": three bytes
//   2: a get_wch result: a flags byte (1 a key code, 2 after an Escape),
//      then the code in four bytes
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const platform::terminal::KeyOptions options = [] {
    platform::terminal::KeyOptions o;
    o.extended = {{0x222, "Ctrl+Left"}, {0x223, "Ctrl+Shift+Up"}};
    return o;
  }();
  size_t i = 0;
  while (i < size) {
    const uint8_t kind = data[i++] % 3;
    if (kind == 0) {
      if (i >= size) break;
      size_t n = data[i++];
      if (n > size - i) n = size - i;
      const std::string_view body(reinterpret_cast<const char*>(data + i), n);
      i += n;
      if (const auto m = platform::terminal::decodeSgrMouse(body)) check(*m);
    } else if (kind == 1) {
      if (size - i < 3) break;
      if (const auto m = platform::terminal::decodeX10Mouse(data[i], data[i + 1], data[i + 2])) check(*m);
      i += 3;
    } else {
      if (size - i < 5) break;
      const uint8_t flags = data[i];
      const uint32_t code = static_cast<uint32_t>(data[i + 1]) | static_cast<uint32_t>(data[i + 2]) << 8 |
                            static_cast<uint32_t>(data[i + 3]) << 16 | static_cast<uint32_t>(data[i + 4]) << 24;
      i += 5;
      check(platform::terminal::decodeKey(flags & 1, code, flags & 2, options));
    }
  }
  return 0;
}
