// CCursor: keeps the screen's mouse pointer. It remembers the pointer shown
// when it is made, sets another on request and puts the remembered one
// back on request; at its end it puts the remembered pointer back, unless
// that was the default pointer (0), which it then leaves alone. Nothing in
// the editor makes one.
//
// The screen's pointer is a 16-bit value: a pointer outside -32768 to 32767
// cannot be set and raises the class's error, leaving the pointer as it
// was.
//
// Error (0x80040000 + 17281, source "<component>.CCursor",
// "CCursor component failure"): any failure of a member; the end of the
// object ignores its failures. The object does not trace.
#pragma once

#include <cstdint>

namespace kestrin::support {

class CCursor {
 public:
  // Remembers the screen's current pointer.
  CCursor();
  ~CCursor();
  CCursor(const CCursor&) = delete;
  CCursor& operator=(const CCursor&) = delete;

  // Sets the remembered pointer again.
  void RestoreCursor();
  // Sets the screen's pointer.
  void SetCursor(int32_t pointer);

 private:
  int32_t remembered_ = 0;
};

}  // namespace kestrin::support
