#include "platform/com/guid.h"

#include <cstdio>
#include <cstdlib>

namespace platform::com {

namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads `digits` hex digits at text[pos]; false on a non-hex character.
bool readHex(std::string_view text, size_t pos, int digits, uint64_t& out) {
  out = 0;
  for (int i = 0; i < digits; ++i) {
    const int v = hexValue(text[pos + static_cast<size_t>(i)]);
    if (v < 0) return false;
    out = (out << 4) | static_cast<uint64_t>(v);
  }
  return true;
}

}  // namespace

std::optional<GUID> parseGuid(std::string_view text) {
  // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
  if (text.size() != 38 || text.front() != '{' || text.back() != '}') return std::nullopt;
  if (text[9] != '-' || text[14] != '-' || text[19] != '-' || text[24] != '-') return std::nullopt;
  GUID g;
  uint64_t v = 0;
  if (!readHex(text, 1, 8, v)) return std::nullopt;
  g.Data1 = static_cast<uint32_t>(v);
  if (!readHex(text, 10, 4, v)) return std::nullopt;
  g.Data2 = static_cast<uint16_t>(v);
  if (!readHex(text, 15, 4, v)) return std::nullopt;
  g.Data3 = static_cast<uint16_t>(v);
  for (int i = 0; i < 2; ++i) {
    if (!readHex(text, 20 + 2 * static_cast<size_t>(i), 2, v)) return std::nullopt;
    g.Data4[i] = static_cast<uint8_t>(v);
  }
  for (int i = 0; i < 6; ++i) {
    if (!readHex(text, 25 + 2 * static_cast<size_t>(i), 2, v)) return std::nullopt;
    g.Data4[2 + i] = static_cast<uint8_t>(v);
  }
  return g;
}

std::string formatGuid(const GUID& g) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", static_cast<unsigned>(g.Data1),
                static_cast<unsigned>(g.Data2), static_cast<unsigned>(g.Data3), g.Data4[0], g.Data4[1], g.Data4[2],
                g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  return buf;
}

GUID guidOf(std::string_view text) {
  const auto g = parseGuid(text);
  if (!g) {
    std::fprintf(stderr, "invalid identity %.*s\n", static_cast<int>(text.size()), text.data());
    std::abort();
  }
  return *g;
}

}  // namespace platform::com
