#include "platform/ui/windows.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>

#include "platform/ui/screen.h"
#include "platform/ui/session_windows.h"

namespace platform::ui {

namespace {

// Handles count up for the whole process and are never given twice.
std::atomic<HWND> g_nextHandle{0x00010010};

HWND newHandle() { return g_nextHandle.fetch_add(4); }

struct Window {
  std::string title;
  LONG style = 0;
  LONG exStyle = 0;
  HWND parent = 0;  // a child's parent
  HWND owner = 0;   // a top-level window's owner
  bool restoreToMaximized = false;
  POINT minPos{-1, -1};
  POINT maxPos{-1, -1};
  RECT normal{0, 0, 320, 240};
  std::map<int32_t, LONG> extra;  // GWL_USERDATA, GWL_ID
  int32_t frameChanges = 0;
  uint64_t order = 0;
  // What the session knows of this top-level window.
  bool published = false;
  session::Published shown;
};

struct Windows {
  std::map<HWND, Window> byHandle;
  HWND desktop = 0;
  HWND foreground = 0;
  uint64_t nextOrder = 0;
  // A thread that ends takes its windows out of the session.
  ~Windows() {
    for (auto& [h, win] : byHandle)
      if (win.published) session::withdraw(h);
  }
};

Windows& W() {
  thread_local Windows w;
  return w;
}

Window* find(HWND h) {
  auto& w = W();
  auto it = w.byHandle.find(h);
  return it == w.byHandle.end() ? nullptr : &it->second;
}

Window* findOrFail(HWND h) {
  Window* win = find(h);
  if (!win) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return win;
}

HWND desktopHandle() {
  auto& w = W();
  if (!w.desktop) w.desktop = newHandle();
  return w.desktop;
}

bool isDesktop(HWND h) { return h != 0 && h == W().desktop; }

bool visible(const Window& win) { return (win.style & WS_VISIBLE) != 0; }
bool iconic(const Window& win) { return (win.style & WS_MINIMIZE) != 0; }
bool zoomed(const Window& win) { return (win.style & WS_MAXIMIZE) != 0; }

void setState(Window& win, int32_t state) {  // 0 normal, 1 minimised, 2 maximised
  if (state == 1 && zoomed(win)) win.restoreToMaximized = true;
  if (state != 1) win.restoreToMaximized = false;
  win.style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
  if (state == 1) win.style |= WS_MINIMIZE;
  if (state == 2) win.style |= WS_MAXIMIZE;
}

// Tells the session the window's state when it changed: a top-level window
// is published, a child one is not.
void sync(HWND h) {
  Window* win = find(h);
  if (!win) return;
  if (win->parent != 0) {
    if (win->published) session::withdraw(h);
    win->published = false;
    return;
  }
  const session::Published now{win->title, visible(*win), iconic(*win)};
  if (win->published && now.title == win->shown.title && now.visible == win->shown.visible &&
      now.iconic == win->shown.iconic)
    return;
  win->published = session::publish(h, now);
  win->shown = now;
}

// The visible top-level windows, latest created last.
std::vector<HWND> visibleTopLevel(HWND except) {
  std::vector<std::pair<uint64_t, HWND>> v;
  for (auto& [h, win] : W().byHandle)
    if (h != except && win.parent == 0 && visible(win)) v.push_back({win.order, h});
  std::sort(v.begin(), v.end());
  std::vector<HWND> out;
  for (auto& p : v) out.push_back(p.second);
  return out;
}

// When the foreground window can no longer be it, the latest visible
// top-level window takes its place.
void fixForeground() {
  auto& w = W();
  Window* fg = find(w.foreground);
  if (fg && visible(*fg) && !iconic(*fg) && fg->parent == 0) return;
  w.foreground = 0;
  auto v = visibleTopLevel(0);
  for (auto it = v.rbegin(); it != v.rend(); ++it)
    if (!iconic(*find(*it))) {
      w.foreground = *it;
      return;
    }
}

void activate(HWND h) {
  Window* win = find(h);
  if (!win) return;
  while (win->parent) {  // a child activates its top-level window
    h = win->parent;
    win = find(h);
    if (!win) return;
  }
  if (visible(*win) && !iconic(*win)) W().foreground = h;
}

}  // namespace

// --- The window functions ---------------------------------------------------

HWND FindWindow(const char* className, const char* windowName) {
  (void)className;
  if (!windowName) {
    // Without a title, the first top-level window.
    auto v = visibleTopLevel(0);
    return v.empty() ? 0 : v.front();
  }
  HWND best = 0;
  uint64_t bestOrder = 0;
  for (auto& [h, win] : W().byHandle)
    if (win.parent == 0 && win.title == windowName && (!best || win.order < bestOrder)) {
      best = h;
      bestOrder = win.order;
    }
  // Then the windows of the session's other desktops.
  return best ? best : session::find(windowName);
}
HWND FindWindowA(const char* className, const char* windowName) { return FindWindow(className, windowName); }

BOOL IsWindow(HWND hwnd) {
  if (hwnd != 0 && (isDesktop(hwnd) || find(hwnd))) return 1;
  session::Published remote;
  return session::isStandIn(hwnd) && session::standInState(hwnd, remote) ? 1 : 0;
}

BOOL IsIconic(HWND hwnd) {
  Window* win = find(hwnd);
  if (!win && session::isStandIn(hwnd)) {
    session::Published remote;
    return session::standInState(hwnd, remote) && remote.iconic ? 1 : 0;
  }
  return win && iconic(*win) ? 1 : 0;
}

BOOL IsZoomed(HWND hwnd) {
  Window* win = find(hwnd);
  return win && zoomed(*win) ? 1 : 0;
}

BOOL IsWindowVisible(HWND hwnd) {
  if (isDesktop(hwnd)) return 1;
  Window* win = find(hwnd);
  if (!win || !visible(*win)) return 0;
  return win->parent ? IsWindowVisible(win->parent) : 1;
}

BOOL ShowWindow(HWND hwnd, int32_t cmdShow) {
  if (isDesktop(hwnd)) return 1;
  if (!find(hwnd) && session::isStandIn(hwnd)) {
    // Another desktop's window: its own thread carries the command out.
    session::Published remote;
    if (!session::standInState(hwnd, remote) || !session::request(hwnd, cmdShow)) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    return remote.visible ? 1 : 0;
  }
  Window* win = findOrFail(hwnd);
  if (!win) return 0;
  BOOL wasVisible = visible(*win) ? 1 : 0;
  bool activateIt = false;
  switch (cmdShow) {
    case SW_HIDE: win->style &= ~WS_VISIBLE; break;
    case SW_SHOWNORMAL:
    case SW_SHOWDEFAULT:
      setState(*win, 0);
      win->style |= WS_VISIBLE;
      activateIt = true;
      break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
      setState(*win, 1);
      win->style |= WS_VISIBLE;
      break;
    case SW_SHOWMAXIMIZED:
      setState(*win, 2);
      win->style |= WS_VISIBLE;
      activateIt = true;
      break;
    case SW_SHOWNOACTIVATE:
      if (iconic(*win)) setState(*win, win->restoreToMaximized ? 2 : 0);
      win->style |= WS_VISIBLE;
      break;
    case SW_SHOW:
      win->style |= WS_VISIBLE;
      activateIt = true;
      break;
    case SW_SHOWNA: win->style |= WS_VISIBLE; break;
    case SW_RESTORE:
      // A minimised window goes back to the state it had before; a
      // maximised one to its normal rectangle.
      if (iconic(*win))
        setState(*win, win->restoreToMaximized ? 2 : 0);
      else
        setState(*win, 0);
      win->style |= WS_VISIBLE;
      activateIt = true;
      break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return wasVisible;
  }
  if (activateIt) activate(hwnd);
  fixForeground();
  sync(hwnd);
  return wasVisible;
}

BOOL SetForegroundWindow(HWND hwnd) {
  if (!find(hwnd) && session::isStandIn(hwnd)) {
    if (session::request(hwnd, -1)) return 1;
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  Window* win = findOrFail(hwnd);
  if (!win) return 0;
  HWND top = hwnd;
  while (win->parent) {
    top = win->parent;
    win = find(top);
    if (!win) return 0;
  }
  if (!visible(*win)) return 0;
  W().foreground = top;
  return 1;
}

HWND GetForegroundWindow() {
  fixForeground();
  return W().foreground;
}

LONG GetWindowLong(HWND hwnd, int32_t index) {
  if (isDesktop(hwnd)) {
    if (index == GWL_STYLE) return WS_VISIBLE;
    if (index == GWL_EXSTYLE) return 0;
  }
  Window* win = findOrFail(hwnd);
  if (!win) return 0;
  switch (index) {
    case GWL_STYLE: return win->style;
    case GWL_EXSTYLE: return win->exStyle;
    case -21:  // GWL_USERDATA
    case -12:  // GWL_ID
      return win->extra[index];
    default: SetLastError(ERROR_INVALID_INDEX); return 0;
  }
}
LONG GetWindowLongA(HWND hwnd, int32_t index) { return GetWindowLong(hwnd, index); }

LONG SetWindowLong(HWND hwnd, int32_t index, LONG newLong) {
  if (isDesktop(hwnd)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return 0;
  }
  Window* win = findOrFail(hwnd);
  if (!win) return 0;
  SetLastError(ERROR_SUCCESS);
  LONG previous = 0;
  switch (index) {
    case GWL_STYLE:
      previous = win->style;
      win->style = newLong;
      sync(hwnd);
      break;
    case GWL_EXSTYLE:
      previous = win->exStyle;
      // The topmost bit follows SetWindowPos only.
      win->exStyle = (newLong & ~WS_EX_TOPMOST) | (win->exStyle & WS_EX_TOPMOST);
      break;
    case -21:
    case -12:
      previous = win->extra[index];
      win->extra[index] = newLong;
      break;
    default: SetLastError(ERROR_INVALID_INDEX); return 0;
  }
  fixForeground();
  return previous;
}
LONG SetWindowLongA(HWND hwnd, int32_t index, LONG newLong) { return SetWindowLong(hwnd, index, newLong); }

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int32_t x, int32_t y, int32_t cx, int32_t cy, uint32_t flags) {
  Window* win = findOrFail(hwnd);
  if (!win) return 0;
  if (!(flags & SWP_NOZORDER)) {
    if (insertAfter == HWND_TOPMOST)
      win->exStyle |= WS_EX_TOPMOST;
    else if (insertAfter == HWND_NOTOPMOST)
      win->exStyle &= ~WS_EX_TOPMOST;
    else if (insertAfter != HWND_TOP && insertAfter != HWND_BOTTOM && !find(insertAfter)) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
  }
  if (!iconic(*win) && !zoomed(*win)) {
    if (!(flags & SWP_NOMOVE)) {
      LONG w = win->normal.right - win->normal.left, h = win->normal.bottom - win->normal.top;
      win->normal = {x, y, x + w, y + h};
    }
    if (!(flags & SWP_NOSIZE)) {
      win->normal.right = win->normal.left + std::max(0, cx);
      win->normal.bottom = win->normal.top + std::max(0, cy);
    }
  }
  if (flags & SWP_FRAMECHANGED) ++win->frameChanges;
  if (flags & SWP_SHOWWINDOW) win->style |= WS_VISIBLE;
  if (flags & SWP_HIDEWINDOW) win->style &= ~WS_VISIBLE;
  if (!(flags & SWP_NOACTIVATE)) activate(hwnd);
  fixForeground();
  sync(hwnd);
  return 1;
}

HWND SetParent(HWND child, HWND newParent) {
  Window* win = findOrFail(child);
  if (!win) return 0;
  if (newParent != 0 && !isDesktop(newParent)) {
    if (!find(newParent)) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    // A window cannot become a child of itself or of its own child.
    for (HWND p = newParent; p; p = find(p) ? find(p)->parent : 0)
      if (p == child) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
      }
  }
  HWND previous = win->parent ? win->parent : desktopHandle();
  win->parent = isDesktop(newParent) ? 0 : newParent;
  fixForeground();
  sync(child);
  return previous;
}

HWND GetParent(HWND hwnd) {
  Window* win = findOrFail(hwnd);
  if (!win) return 0;
  if (win->parent) return win->parent;
  return find(win->owner) ? win->owner : 0;
}

BOOL GetWindowPlacement(HWND hwnd, WINDOWPLACEMENT* wp) {
  if (!wp || wp->length != sizeof(WINDOWPLACEMENT)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (isDesktop(hwnd)) {
    wp->flags = 0;
    wp->showCmd = SW_SHOWNORMAL;
    wp->ptMinPosition = {-1, -1};
    wp->ptMaxPosition = {-1, -1};
    wp->rcNormalPosition = {0, 0, screenPixelWidth(), screenPixelHeight()};
    return 1;
  }
  Window* win = findOrFail(hwnd);
  if (!win) return 0;
  wp->flags = win->restoreToMaximized ? WPF_RESTORETOMAXIMIZED : 0;
  // Neither minimised nor maximised reads as 1, hidden or not.
  wp->showCmd = iconic(*win) ? SW_SHOWMINIMIZED : zoomed(*win) ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
  wp->ptMinPosition = win->minPos;
  wp->ptMaxPosition = win->maxPos;
  wp->rcNormalPosition = win->normal;
  return 1;
}

BOOL SetWindowPlacement(HWND hwnd, const WINDOWPLACEMENT* wp) {
  if (!wp || wp->length != sizeof(WINDOWPLACEMENT)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (isDesktop(hwnd)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return 0;
  }
  Window* win = findOrFail(hwnd);
  if (!win) return 0;
  const RECT& r = wp->rcNormalPosition;
  win->normal = {r.left, r.top, std::max(r.left, r.right), std::max(r.top, r.bottom)};
  win->maxPos = wp->ptMaxPosition;
  if (wp->flags & WPF_SETMINPOSITION) win->minPos = wp->ptMinPosition;
  // Show command 0 keeps a hidden window hidden; it takes the rectangle for
  // its next showing.
  if (wp->showCmd != SW_HIDE || visible(*win)) {
    ShowWindow(hwnd, static_cast<int32_t>(wp->showCmd));
    win = find(hwnd);
    if (win && (wp->flags & WPF_RESTORETOMAXIMIZED) && iconic(*win)) win->restoreToMaximized = true;
  }
  return 1;
}

HWND GetDesktopWindow() { return desktopHandle(); }

BOOL GetWindowRect(HWND hwnd, RECT* rect) {
  if (!rect || !IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  *rect = desktop::windowRect(hwnd);
  return 1;
}

BOOL MoveWindow(HWND hwnd, int32_t x, int32_t y, int32_t width, int32_t height, BOOL repaint) {
  (void)repaint;
  return SetWindowPos(hwnd, 0, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL SetWindowText(HWND hwnd, const char* text) {
  Window* win = findOrFail(hwnd);
  if (!win) return 0;
  win->title = text ? text : "";
  sync(hwnd);
  return 1;
}

std::string GetWindowText(HWND hwnd) {
  Window* win = find(hwnd);
  if (!win && session::isStandIn(hwnd)) {
    session::Published remote;
    return session::standInState(hwnd, remote) ? remote.title : std::string();
  }
  return win ? win->title : std::string();
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
  Window* win = findOrFail(hwnd);
  if (!win) return 0;
  constexpr LONG WS_DISABLED = 0x08000000;
  BOOL wasDisabled = (win->style & WS_DISABLED) ? 1 : 0;
  if (enable)
    win->style &= ~WS_DISABLED;
  else
    win->style |= WS_DISABLED;
  return wasDisabled;
}

BOOL IsWindowEnabled(HWND hwnd) {
  Window* win = find(hwnd);
  return win && !(win->style & 0x08000000) ? 1 : 0;
}

BOOL DestroyWindow(HWND hwnd) {
  auto& w = W();
  if (!find(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  // Children go with their parent; owned windows lose their owner.
  std::vector<HWND> children;
  for (auto& [h, win] : w.byHandle) {
    if (win.parent == hwnd) children.push_back(h);
    if (win.owner == hwnd) win.owner = 0;
  }
  for (HWND c : children) DestroyWindow(c);
  if (find(hwnd)->published) session::withdraw(hwnd);
  w.byHandle.erase(hwnd);
  if (w.foreground == hwnd) w.foreground = 0;
  fixForeground();
  return 1;
}

// --- The desktop ------------------------------------------------------------

namespace desktop {

HWND createWindow(const std::string& title, LONG style, LONG exStyle, HWND parent, RECT normal) {
  auto& w = W();
  HWND h = newHandle();
  Window win;
  win.title = title;
  win.style = style;
  win.exStyle = exStyle;
  if (parent && find(parent)) {
    if (style & WS_CHILD)
      win.parent = parent;
    else
      win.owner = parent;
  }
  win.normal = normal;
  win.order = ++w.nextOrder;
  w.byHandle.emplace(h, std::move(win));
  if (style & WS_VISIBLE) activate(h);
  sync(h);
  return h;
}

void setOwner(HWND hwnd, HWND owner) {
  Window* win = find(hwnd);
  if (win && win->parent == 0) win->owner = find(owner) ? owner : 0;
}

std::vector<HWND> appWindows() {
  std::vector<HWND> out;
  for (HWND h : topLevelWindows())
    if (find(h)->exStyle & WS_EX_APPWINDOW) out.push_back(h);
  return out;
}

std::vector<HWND> topLevelWindows() {
  std::vector<std::pair<uint64_t, HWND>> v;
  for (auto& [h, win] : W().byHandle)
    if (win.parent == 0) v.push_back({win.order, h});
  std::sort(v.begin(), v.end());
  std::vector<HWND> out;
  for (auto& p : v) out.push_back(p.second);
  return out;
}

bool isTopmost(HWND hwnd) {
  Window* win = find(hwnd);
  return win && (win->exStyle & WS_EX_TOPMOST);
}

RECT windowRect(HWND hwnd) {
  if (isDesktop(hwnd)) return {0, 0, screenPixelWidth(), screenPixelHeight()};
  Window* win = find(hwnd);
  if (!win) return {};
  if (zoomed(*win)) return {0, 0, screenPixelWidth(), screenPixelHeight()};
  return win->normal;
}

int32_t frameChanges(HWND hwnd) {
  Window* win = find(hwnd);
  return win ? win->frameChanges : 0;
}

void takeSessionRequests() {
  // Looked for now and then, not at every turn of a loop.
  thread_local std::chrono::steady_clock::time_point last{};
  const auto now = std::chrono::steady_clock::now();
  if (now - last < std::chrono::milliseconds(20)) return;
  last = now;
  std::vector<HWND> mine;
  for (auto& [h, win] : W().byHandle)
    if (win.published) mine.push_back(h);
  if (mine.empty()) return;
  session::takeRequests(mine, [](HWND h, int32_t command) {
    if (command < 0)
      SetForegroundWindow(h);
    else
      ShowWindow(h, command);
  });
}

void reset() {
  auto& w = W();
  for (auto& [h, win] : w.byHandle)
    if (win.published) session::withdraw(h);
  w.byHandle.clear();
  w.foreground = 0;
}

}  // namespace desktop

}  // namespace platform::ui
