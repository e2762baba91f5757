#include "platform/ui/visible_text.h"

#include <cstdint>

#include "platform/runtime/strings.h"

namespace platform::ui {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

void appendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// The length of the valid UTF-8 sequence at text[i] and its code point, or 0
// for a byte that starts no valid sequence (the runtime's one rule).
size_t decode(std::string_view text, size_t i, uint32_t& cp) {
  const Utf8Char c = charAt(text, i);
  cp = c.code;
  return c.valid ? c.bytes : 0;
}

// The controls that reorder what follows them on the screen: the embeddings
// and overrides with their end, the isolates with theirs, and the three
// direction marks. Shown as they are, they make a line read other than it
// is drawn.
bool isDirectionControl(uint32_t cp) {
  return (cp >= 0x202A && cp <= 0x202E) || (cp >= 0x2066 && cp <= 0x2069) || cp == 0x200E || cp == 0x200F ||
         cp == 0x061C;
}

bool passes(uint32_t cp, VisibleTextOptions options) {
  if (cp == '\n') return options.keepNewlines;
  if (cp == '\t') return options.keepTabs;
  return cp >= 0x20 && cp != 0x7F && !(cp >= 0x80 && cp <= 0x9F) && !isDirectionControl(cp);
}

}  // namespace

std::string visibleText(std::string_view text, VisibleTextOptions options) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    uint32_t cp = 0;
    const size_t len = decode(text, i, cp);
    if (len == 0) {
      out += kReplacement;
      ++i;
      continue;
    }
    if (passes(cp, options)) {
      out.append(text.substr(i, len));
    } else if (cp < 0x20) {
      appendUtf8(out, 0x2400 + cp);
    } else if (cp == 0x7F) {
      appendUtf8(out, 0x2421);
    } else {
      out += kReplacement;
    }
    i += len;
  }
  return out;
}

bool drawnAsSymbol(uint32_t codePoint) { return !passes(codePoint, {}); }

bool needsVisibleText(std::string_view text, VisibleTextOptions options) {
  for (size_t i = 0; i < text.size();) {
    uint32_t cp = 0;
    const size_t len = decode(text, i, cp);
    if (len == 0 || !passes(cp, options)) return true;
    i += len;
  }
  return false;
}

}  // namespace platform::ui
