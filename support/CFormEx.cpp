#include "support/CFormEx.h"

#include "diagnostics/class_error.h"
#include "platform/ui/windows.h"

namespace kestrin::support {

namespace ui = platform::ui;

namespace {

inline constexpr diagnostics::ClassErrors kFormExErrors{"CFormEx", 17544};

const char* const kNotInitialized = "Object not properly initialized";
const char* const kInvalidHandle = "Invalid window handle";
const char* const kInvalidParent = "Invalid parent window";

platform::HWND handle(int32_t value) { return static_cast<platform::HWND>(value); }
bool namesWindow(int32_t value) { return ui::IsWindow(handle(value)) != 0; }

// Only the topmost state changes.
constexpr uint32_t kTopmostFlags = ui::SWP_NOSIZE | ui::SWP_NOMOVE | ui::SWP_NOREDRAW | ui::SWP_NOACTIVATE;  // 0x1B
// Only the frame is drawn again, in the new style.
constexpr uint32_t kFrameFlags = ui::SWP_NOSIZE | ui::SWP_NOMOVE | ui::SWP_NOZORDER | ui::SWP_FRAMECHANGED;  // 0x27

}  // namespace

void CFormEx::checkWindow() const {
  if (!namesWindow(hwnd_)) kFormExErrors.raise(17541, kNotInitialized);
}

void CFormEx::Init(int32_t hwnd) {
  kFormExErrors.member([&] {
    if (hwnd > 0 && !namesWindow(hwnd)) kFormExErrors.raise(17542, kInvalidHandle);
    hwnd_ = hwnd;
  });
}

int32_t CFormEx::ExStyle() const {
  return kFormExErrors.member([&] {
    checkWindow();
    return ui::GetWindowLongA(handle(hwnd_), ui::GWL_EXSTYLE);
  });
}

void CFormEx::setHwnd(int32_t hwnd) {
  kFormExErrors.member([&] {
    if (!namesWindow(hwnd)) kFormExErrors.raise(17542, kInvalidHandle);
    hwnd_ = hwnd;
  });
}

void CFormEx::setOnTop(bool OnTop) {
  kFormExErrors.member([&] {
    onTop_ = OnTop;
    checkWindow();
    ui::SetWindowPos(handle(hwnd_), OnTop ? ui::HWND_TOPMOST : ui::HWND_NOTOPMOST, 0, 0, 0, 0, kTopmostFlags);
  });
}

void CFormEx::setParent(int32_t Parent) {
  kFormExErrors.member([&] {
    checkWindow();
    if (!namesWindow(Parent)) kFormExErrors.raise(17543, kInvalidParent);
    ui::SetParent(handle(hwnd_), handle(Parent));
  });
}

int32_t CFormEx::Parent() const {
  return kFormExErrors.member([&] {
    checkWindow();
    return static_cast<int32_t>(ui::GetParent(handle(hwnd_)));
  });
}

int32_t CFormEx::Style() const {
  return kFormExErrors.member([&] {
    checkWindow();
    return ui::GetWindowLongA(handle(hwnd_), ui::GWL_STYLE);
  });
}

bool CFormEx::addBits(int32_t index, int32_t bits) {
  return kFormExErrors.member([&] {
    checkWindow();
    const platform::HWND h = handle(hwnd_);
    const int32_t current = ui::GetWindowLongA(h, index);
    const int32_t previous = ui::SetWindowLongA(h, index, current | bits);
    ui::SetWindowPos(h, ui::HWND_NOTOPMOST, 0, 0, 0, 0, kFrameFlags);
    return previous != 0;
  });
}

bool CFormEx::hasBits(int32_t index, int32_t bits) const {
  return kFormExErrors.member([&] {
    checkWindow();
    const int32_t current = ui::GetWindowLongA(handle(hwnd_), index);
    return (current & bits) == bits;
  });
}

bool CFormEx::removeBits(int32_t index, int32_t bits) {
  return kFormExErrors.member([&] {
    checkWindow();
    const platform::HWND h = handle(hwnd_);
    int32_t last = ui::GetWindowLongA(h, index);
    if ((last & bits) != 0) last = ui::SetWindowLongA(h, index, last & ~bits);
    return last != 0;
  });
}

bool CFormEx::AddExStyle(int32_t bits) { return addBits(ui::GWL_EXSTYLE, bits); }
bool CFormEx::AddStyle(int32_t bits) { return addBits(ui::GWL_STYLE, bits); }
bool CFormEx::HasExStyle(int32_t bits) const { return hasBits(ui::GWL_EXSTYLE, bits); }
bool CFormEx::HasStyle(int32_t bits) const { return hasBits(ui::GWL_STYLE, bits); }
bool CFormEx::RemoveExStyle(int32_t bits) { return removeBits(ui::GWL_EXSTYLE, bits); }
bool CFormEx::RemoveStyle(int32_t bits) { return removeBits(ui::GWL_STYLE, bits); }

}  // namespace kestrin::support
