// The desktop's windows and the window functions, with the original names,
// arguments and results.
//
// Every thread has its own desktop. A window has a handle (non-zero 32-bit,
// never reused within the process), a title, a visibility, a style word and
// an extended style word, a parent or owner, a topmost flag and a
// placement (show state, minimised and maximised positions, normal
// rectangle in pixels). The desktop window stands for the screen.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32/types.h"

namespace platform::ui {

struct POINT {
  LONG x = 0;
  LONG y = 0;
};
struct RECT {
  LONG left = 0;
  LONG top = 0;
  LONG right = 0;
  LONG bottom = 0;
};
// The placement record: 44 bytes, eleven 32-bit fields.
struct WINDOWPLACEMENT {
  uint32_t length = 0;
  uint32_t flags = 0;
  uint32_t showCmd = 0;
  POINT ptMinPosition;
  POINT ptMaxPosition;
  RECT rcNormalPosition;
};
static_assert(sizeof(WINDOWPLACEMENT) == 44);

inline constexpr int32_t SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_NORMAL = 1, SW_SHOWMINIMIZED = 2, SW_SHOWMAXIMIZED = 3,
                         SW_MAXIMIZE = 3, SW_SHOWNOACTIVATE = 4, SW_SHOW = 5, SW_MINIMIZE = 6, SW_SHOWMINNOACTIVE = 7,
                         SW_SHOWNA = 8, SW_RESTORE = 9, SW_SHOWDEFAULT = 10;

inline constexpr int32_t GWL_STYLE = -16;
inline constexpr int32_t GWL_EXSTYLE = -20;

inline constexpr LONG WS_OVERLAPPED = 0x00000000, WS_MAXIMIZEBOX = 0x00010000, WS_MINIMIZEBOX = 0x00020000,
                      WS_THICKFRAME = 0x00040000, WS_SYSMENU = 0x00080000, WS_CAPTION = 0x00C00000,
                      WS_MAXIMIZE = 0x01000000, WS_VISIBLE = 0x10000000, WS_MINIMIZE = 0x20000000,
                      WS_CHILD = 0x40000000;
inline constexpr LONG WS_OVERLAPPEDWINDOW =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
inline constexpr LONG WS_EX_DLGMODALFRAME = 0x00000001, WS_EX_TOPMOST = 0x00000008, WS_EX_TOOLWINDOW = 0x00000080,
                      WS_EX_WINDOWEDGE = 0x00000100, WS_EX_APPWINDOW = 0x00040000;

inline constexpr HWND HWND_TOP = 0;
inline constexpr HWND HWND_BOTTOM = 1;
inline constexpr HWND HWND_TOPMOST = static_cast<HWND>(-1);
inline constexpr HWND HWND_NOTOPMOST = static_cast<HWND>(-2);

inline constexpr uint32_t SWP_NOSIZE = 0x1, SWP_NOMOVE = 0x2, SWP_NOZORDER = 0x4, SWP_NOREDRAW = 0x8,
                          SWP_NOACTIVATE = 0x10, SWP_FRAMECHANGED = 0x20, SWP_SHOWWINDOW = 0x40, SWP_HIDEWINDOW = 0x80;

inline constexpr uint32_t WPF_SETMINPOSITION = 0x1, WPF_RESTORETOMAXIMIZED = 0x2;

// Last errors of the window functions.
inline constexpr LONG ERROR_INVALID_WINDOW_HANDLE = 1400;
inline constexpr LONG ERROR_INVALID_INDEX = 1413;

// --- The window functions ---------------------------------------------------
// By exact title (case-sensitive); the class name is not looked at. Only
// top-level windows; 0 when none. This desktop's windows first, then those
// of the session's other desktops (session_windows.h).
HWND FindWindow(const char* className, const char* windowName);
HWND FindWindowA(const char* className, const char* windowName);
BOOL IsWindow(HWND hwnd);
BOOL IsIconic(HWND hwnd);
BOOL IsZoomed(HWND hwnd);
BOOL IsWindowVisible(HWND hwnd);
// Returns whether the window was visible before.
BOOL ShowWindow(HWND hwnd, int32_t cmdShow);
BOOL SetForegroundWindow(HWND hwnd);
HWND GetForegroundWindow();
LONG GetWindowLong(HWND hwnd, int32_t index);
LONG GetWindowLongA(HWND hwnd, int32_t index);
// Replaces the word; returns the previous word, 0 on failure (last error
// ERROR_INVALID_HANDLE or ERROR_INVALID_PARAMETER).
LONG SetWindowLong(HWND hwnd, int32_t index, LONG newLong);
LONG SetWindowLongA(HWND hwnd, int32_t index, LONG newLong);
BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int32_t x, int32_t y, int32_t cx, int32_t cy, uint32_t flags);
// Returns the previous parent, 0 on failure.
HWND SetParent(HWND child, HWND newParent);
// The parent of a child window, or the owner of a top-level one; 0 when none.
HWND GetParent(HWND hwnd);
BOOL GetWindowPlacement(HWND hwnd, WINDOWPLACEMENT* placement);
BOOL SetWindowPlacement(HWND hwnd, const WINDOWPLACEMENT* placement);
HWND GetDesktopWindow();
BOOL GetWindowRect(HWND hwnd, RECT* rect);
BOOL MoveWindow(HWND hwnd, int32_t x, int32_t y, int32_t width, int32_t height, BOOL repaint);
BOOL SetWindowText(HWND hwnd, const char* text);
std::string GetWindowText(HWND hwnd);
BOOL EnableWindow(HWND hwnd, BOOL enable);
BOOL IsWindowEnabled(HWND hwnd);
BOOL DestroyWindow(HWND hwnd);

// --- The desktop ------------------------------------------------------------
namespace desktop {
// Makes a top-level (or, with WS_CHILD, child) window, hidden unless the
// style holds WS_VISIBLE. Returns its handle.
HWND createWindow(const std::string& title, LONG style, LONG exStyle = 0, HWND parent = 0,
                  RECT normal = {0, 0, 320, 240});
// Sets the owner of a top-level window (0: none).
void setOwner(HWND hwnd, HWND owner);
// The windows with WS_EX_APPWINDOW (the taskbar), top-level, visible or
// not, in creation order.
std::vector<HWND> appWindows();
// Every top-level window, in creation order.
std::vector<HWND> topLevelWindows();
bool isTopmost(HWND hwnd);
// The window's current outer rectangle (the screen while maximised).
RECT windowRect(HWND hwnd);
// The number of SetWindowPos calls with SWP_FRAMECHANGED the window took.
int32_t frameChanges(HWND hwnd);
// Carries out what other threads and processes asked of this desktop's
// windows (ShowWindow, SetForegroundWindow on a window they found through
// the session, session_windows.h); the modal loops call it at each turn.
void takeSessionRequests();
// Removes every window of this thread's desktop (tests).
void reset();
}  // namespace desktop

}  // namespace platform::ui
