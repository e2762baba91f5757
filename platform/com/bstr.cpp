#include "platform/com/bstr.h"

#include <cstdlib>
#include <cstring>

namespace platform::com {

namespace {
constexpr size_t kPrefix = sizeof(uint32_t);

char* blockOf(BSTR text) { return text - kPrefix; }
}  // namespace

BSTR SysAllocStringByteLen(const char* text, uint32_t length) {
  char* block = static_cast<char*>(std::malloc(kPrefix + static_cast<size_t>(length) + 1));
  if (!block) return nullptr;
  std::memcpy(block, &length, kPrefix);
  BSTR s = block + kPrefix;
  if (text) {
    std::memcpy(s, text, length);
  } else {
    std::memset(s, 0, length);
  }
  s[length] = '\0';
  return s;
}

BSTR SysAllocStringLen(const char* text, uint32_t length) { return SysAllocStringByteLen(text, length); }

BSTR SysAllocString(const char* text) {
  if (!text) return nullptr;
  return SysAllocStringByteLen(text, static_cast<uint32_t>(std::strlen(text)));
}

int32_t SysReAllocStringLen(BSTR* target, const char* text, uint32_t length) {
  if (!target) return 0;
  BSTR fresh = SysAllocStringByteLen(text, length);
  if (!fresh) return 0;
  SysFreeString(*target);
  *target = fresh;
  return 1;
}

int32_t SysReAllocString(BSTR* target, const char* text) {
  return SysReAllocStringLen(target, text, text ? static_cast<uint32_t>(std::strlen(text)) : 0);
}

void SysFreeString(BSTR text) {
  if (text) std::free(blockOf(text));
}

uint32_t SysStringByteLen(BSTR text) {
  if (!text) return 0;
  uint32_t length = 0;
  std::memcpy(&length, blockOf(text), kPrefix);
  return length;
}

uint32_t SysStringLen(BSTR text) { return SysStringByteLen(text); }

BSTR bstrFrom(std::string_view text) { return SysAllocStringByteLen(text.data(), static_cast<uint32_t>(text.size())); }

std::string toString(BSTR text) {
  if (!text) return {};
  return std::string(text, SysStringByteLen(text));
}

}  // namespace platform::com
