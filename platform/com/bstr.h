// The boundary's string: a length-prefixed, NUL-terminated UTF-8 text.
//
// A BSTR points at the first character; the 32-bit byte length lies just
// before it, so the text may hold NUL characters of its own. A null BSTR is
// the empty text. Every BSTR is made by the Sys* functions and freed by
// SysFreeString; whoever receives one as a result or an out argument owns it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform::com {

using BSTR = char*;

// A copy of the NUL-terminated text (null gives null).
BSTR SysAllocString(const char* text);
// A copy of `length` bytes of text; a null text gives that many NUL bytes.
BSTR SysAllocStringLen(const char* text, uint32_t length);
BSTR SysAllocStringByteLen(const char* text, uint32_t length);
// Replaces *target with a copy of text, freeing the old one; 0 on failure.
int32_t SysReAllocString(BSTR* target, const char* text);
int32_t SysReAllocStringLen(BSTR* target, const char* text, uint32_t length);
void SysFreeString(BSTR text);
// The length in bytes; 0 for null.
uint32_t SysStringLen(BSTR text);
uint32_t SysStringByteLen(BSTR text);

// Conveniences for the C++ side.
BSTR bstrFrom(std::string_view text);
std::string toString(BSTR text);

// Owns one BSTR.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(std::string_view text) : p_(bstrFrom(text)) {}
  ~Bstr() { SysFreeString(p_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  Bstr(Bstr&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
  Bstr& operator=(Bstr&& o) noexcept {
    if (this != &o) {
      SysFreeString(p_);
      p_ = o.p_;
      o.p_ = nullptr;
    }
    return *this;
  }

  BSTR get() const noexcept { return p_; }
  // For out arguments: frees the held text and hands out the slot.
  BSTR* out() noexcept {
    SysFreeString(p_);
    p_ = nullptr;
    return &p_;
  }
  BSTR detach() noexcept {
    BSTR p = p_;
    p_ = nullptr;
    return p;
  }
  std::string str() const { return toString(p_); }

 private:
  BSTR p_ = nullptr;
};

}  // namespace platform::com
