// CFormEx: one window, named by its handle. It reads the window's style
// word and extended style word, adds or clears bits of either, makes the
// window topmost or not, and reads or changes its parent. The main window
// uses it to add WS_EX_APPWINDOW, which gives it a taskbar button of its
// own.
//
// Every member that touches the window first checks that the stored handle
// still names one. The platform calls that change the window report
// nothing back as errors: a refused SetParent or SetWindowPos goes
// unnoticed, a refused SetWindowLong shows only in the Boolean result. The
// object does not trace.
//
// Errors (0x80040000 + n, source "<component>.CFormEx"):
//   17541 "Object not properly initialized"  the stored handle names no
//                                            window (every member but Init,
//                                            hwnd and the OnTop getter)
//   17542 "Invalid window handle"            Init with a handle above 0 that
//                                            names no window; the hwnd
//                                            setter with one that names none
//   17543 "Invalid parent window"            Parent setter: no such window
//   17544 "CFormEx component failure"        anything else
#pragma once

#include <cstdint>

namespace kestrin::support {

class CFormEx {
 public:
  CFormEx() = default;

  // Stores the handle; 0 and negative handles without a test (the next
  // member that touches the window then raises 17541).
  void Init(int32_t hwnd);
  // The extended style word (GWL_EXSTYLE).
  int32_t ExStyle() const;
  // Stores a handle that names a window; any other (0 included) raises
  // 17542.
  void setHwnd(int32_t hwnd);
  int32_t hwnd() const { return hwnd_; }
  // Stores the flag first, then makes the window topmost or not; the flag
  // is not read back from the window.
  void setOnTop(bool OnTop);
  bool OnTop() const { return onTop_; }
  // Makes the window a child of the given window.
  void setParent(int32_t Parent);
  // The parent, or the owner of a top-level window; 0 when none.
  int32_t Parent() const;
  // The style word (GWL_STYLE).
  int32_t Style() const;

  // Add the bits to the extended style word or the style word and redraw
  // the frame. True when the platform reported a previous word other than
  // 0: a window whose word was 0 gives False though the bits were set.
  bool AddExStyle(int32_t bits);
  bool AddStyle(int32_t bits);
  // Whether every one of the bits is set.
  bool HasExStyle(int32_t bits) const;
  bool HasStyle(int32_t bits) const;
  // Clear the bits when any of them is set; the frame is not redrawn. True
  // when the last word the platform gave (the previous word of the write,
  // or the word read when nothing was written) is not 0.
  bool RemoveExStyle(int32_t bits);
  bool RemoveStyle(int32_t bits);

 private:
  void checkWindow() const;
  bool addBits(int32_t index, int32_t bits);
  bool hasBits(int32_t index, int32_t bits) const;
  bool removeBits(int32_t index, int32_t bits);

  int32_t hwnd_ = 0;
  bool onTop_ = false;
};

}  // namespace kestrin::support
