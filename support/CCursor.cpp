#include "support/CCursor.h"

#include "diagnostics/class_error.h"
#include "platform/runtime/checked_int.h"
#include "platform/ui/screen.h"

namespace kestrin::support {

namespace {

inline constexpr diagnostics::ClassErrors kCursorErrors{"CCursor", 17281};

// The screen's pointer is 16-bit; a value outside fails with an overflow.
void setScreenPointer(int32_t pointer) { platform::ui::screen().setMousePointer(platform::Int16(pointer).value()); }

}  // namespace

CCursor::CCursor() {
  kCursorErrors.member([&] { remembered_ = platform::ui::screen().MousePointer(); });
}

CCursor::~CCursor() {
  if (remembered_ == 0) return;
  try {
    setScreenPointer(remembered_);
  } catch (...) {
  }
}

void CCursor::RestoreCursor() {
  kCursorErrors.member([&] { setScreenPointer(remembered_); });
}

void CCursor::SetCursor(int32_t pointer) {
  kCursorErrors.member([&] { setScreenPointer(pointer); });
}

}  // namespace kestrin::support
