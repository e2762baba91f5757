#include <gtest/gtest.h>

#include "common/ui_test_user.h"
#include "platform/ui/screen.h"
#include "platform/ui/windows.h"

namespace ui = platform::ui;
using namespace platform;
using namespace platform::ui;

namespace {

class WindowsTest : public kestrin_test::UiTest {};

WINDOWPLACEMENT placementOf(HWND h) {
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  EXPECT_NE(GetWindowPlacement(h, &wp), 0);
  return wp;
}

TEST_F(WindowsTest, FindWindowMatchesTheExactTitleOfTopLevelWindowsOnly) {
  HWND main = desktop::createWindow("Kestrin VB Script Editor", WS_OVERLAPPEDWINDOW);
  HWND child = desktop::createWindow("Inner", WS_CHILD | WS_VISIBLE, 0, main);
  EXPECT_EQ(FindWindow(nullptr, "Kestrin VB Script Editor"), main);
  EXPECT_EQ(FindWindowA("AnyClass", "Kestrin VB Script Editor"), main);  // the class is not looked at
  EXPECT_EQ(FindWindow(nullptr, "kestrin vb script editor"), 0u);
  EXPECT_EQ(FindWindow(nullptr, "Kestrin VB Script Editor "), 0u);
  EXPECT_EQ(FindWindow(nullptr, "Inner"), 0u);
  EXPECT_NE(child, 0u);
  DestroyWindow(main);
  EXPECT_EQ(FindWindow(nullptr, "Kestrin VB Script Editor"), 0u);
  EXPECT_FALSE(IsWindow(child));  // children go with their parent
}

TEST_F(WindowsTest, HandlesAreNonZeroAndNeverGivenTwice) {
  HWND a = desktop::createWindow("a", 0);
  ASSERT_NE(a, 0u);
  EXPECT_TRUE(IsWindow(a));
  DestroyWindow(a);
  EXPECT_FALSE(IsWindow(a));
  HWND b = desktop::createWindow("b", 0);
  EXPECT_NE(b, a);
  EXPECT_FALSE(IsWindow(0));
  EXPECT_NE(GetDesktopWindow(), b);
  EXPECT_TRUE(IsWindow(GetDesktopWindow()));
}

TEST_F(WindowsTest, SetWindowLongReturnsThePreviousWordAndZeroOnFailure) {
  HWND h = desktop::createWindow("w", WS_OVERLAPPEDWINDOW, 0);
  // An extended style word of 0 gives a previous word of 0 although the
  // write took effect.
  EXPECT_EQ(SetWindowLong(h, GWL_EXSTYLE, WS_EX_APPWINDOW), 0);
  EXPECT_EQ(GetLastError(), static_cast<platform::DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(GetWindowLong(h, GWL_EXSTYLE), WS_EX_APPWINDOW);
  EXPECT_EQ(SetWindowLongA(h, GWL_EXSTYLE, WS_EX_APPWINDOW | WS_EX_WINDOWEDGE), WS_EX_APPWINDOW);
  EXPECT_EQ(SetWindowLong(h, GWL_STYLE, WS_CAPTION), WS_OVERLAPPEDWINDOW);
  EXPECT_EQ(GetWindowLongA(h, GWL_STYLE), WS_CAPTION);

  DestroyWindow(h);
  EXPECT_EQ(SetWindowLong(h, GWL_STYLE, 1), 0);
  EXPECT_EQ(GetLastError(), static_cast<platform::DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_EQ(GetWindowLong(h, GWL_STYLE), 0);
  HWND g = desktop::createWindow("g", WS_CAPTION);
  EXPECT_EQ(SetWindowLong(g, -99, 1), 0);
  EXPECT_EQ(GetLastError(), static_cast<platform::DWORD>(ERROR_INVALID_INDEX));
}

TEST_F(WindowsTest, AppWindowStyleListsTheWindowOnTheTaskbar) {
  HWND a = desktop::createWindow("a", WS_OVERLAPPEDWINDOW, WS_EX_WINDOWEDGE);
  HWND b = desktop::createWindow("b", WS_OVERLAPPEDWINDOW);
  EXPECT_TRUE(desktop::appWindows().empty());
  SetWindowLong(b, GWL_EXSTYLE, GetWindowLong(b, GWL_EXSTYLE) | WS_EX_APPWINDOW);
  SetWindowLong(a, GWL_EXSTYLE, GetWindowLong(a, GWL_EXSTYLE) | WS_EX_APPWINDOW);
  EXPECT_EQ(desktop::appWindows(), (std::vector<HWND>{a, b}));  // in creation order
}

TEST_F(WindowsTest, SetWindowPosChangesTopmostOrRedrawsTheFrameOnly) {
  HWND h = desktop::createWindow("w", WS_OVERLAPPEDWINDOW, 0, 0, RECT{10, 20, 110, 220});
  EXPECT_TRUE(SetWindowPos(h, HWND_TOPMOST, 0, 0, 0, 0, 0x1B));
  EXPECT_TRUE(desktop::isTopmost(h));
  EXPECT_EQ(GetWindowLong(h, GWL_EXSTYLE) & WS_EX_TOPMOST, WS_EX_TOPMOST);
  EXPECT_TRUE(SetWindowPos(h, HWND_NOTOPMOST, 0, 0, 0, 0, 0x1B));
  EXPECT_FALSE(desktop::isTopmost(h));
  // Topmost follows SetWindowPos, not the style word.
  SetWindowLong(h, GWL_EXSTYLE, WS_EX_TOPMOST);
  EXPECT_FALSE(desktop::isTopmost(h));

  SetWindowPos(h, HWND_TOPMOST, 0, 0, 0, 0, 0x1B);
  EXPECT_TRUE(SetWindowPos(h, HWND_NOTOPMOST, 0, 0, 0, 0, 0x27));  // NOZORDER: order stays
  EXPECT_TRUE(desktop::isTopmost(h));
  EXPECT_EQ(desktop::frameChanges(h), 1);
  RECT r = desktop::windowRect(h);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.top, 20);
  EXPECT_EQ(r.right, 110);
  EXPECT_EQ(r.bottom, 220);
  EXPECT_FALSE(SetWindowPos(0xDEAD0000, HWND_TOPMOST, 0, 0, 0, 0, 0x1B));
}

TEST_F(WindowsTest, ParentAndOwner) {
  HWND owner = desktop::createWindow("owner", WS_OVERLAPPEDWINDOW);
  HWND w = desktop::createWindow("w", WS_OVERLAPPEDWINDOW, 0, owner);
  HWND other = desktop::createWindow("other", WS_OVERLAPPEDWINDOW);
  EXPECT_EQ(GetParent(w), owner);
  EXPECT_EQ(GetParent(owner), 0u);
  EXPECT_EQ(SetParent(w, other), GetDesktopWindow());
  EXPECT_EQ(GetParent(w), other);
  EXPECT_EQ(FindWindow(nullptr, "w"), 0u);  // a child now
  EXPECT_EQ(SetParent(w, 0xDEAD0000), 0u);
  EXPECT_EQ(GetParent(w), other);
  EXPECT_EQ(SetParent(other, w), 0u);  // no window becomes a child of its own child
  EXPECT_EQ(SetParent(w, 0), other);
  EXPECT_EQ(GetParent(w), owner);  // top-level again, its owner shows
}

TEST_F(WindowsTest, ShowWindowRestoreAndIconic) {
  HWND h = desktop::createWindow("w", WS_OVERLAPPEDWINDOW);
  EXPECT_FALSE(ShowWindow(h, SW_SHOWMAXIMIZED));  // was hidden
  EXPECT_TRUE(IsZoomed(h));
  EXPECT_TRUE(ShowWindow(h, SW_MINIMIZE));
  EXPECT_TRUE(IsIconic(h));
  ShowWindow(h, SW_RESTORE);  // back to the state before the minimising
  EXPECT_FALSE(IsIconic(h));
  EXPECT_TRUE(IsZoomed(h));
  ShowWindow(h, SW_RESTORE);
  EXPECT_FALSE(IsZoomed(h));
  ShowWindow(h, SW_MINIMIZE);
  ShowWindow(h, SW_RESTORE);
  EXPECT_FALSE(IsIconic(h));
  EXPECT_FALSE(IsZoomed(h));
  EXPECT_TRUE(SetForegroundWindow(h));
  EXPECT_EQ(GetForegroundWindow(), h);
  ShowWindow(h, SW_HIDE);
  EXPECT_FALSE(IsWindowVisible(h));
  EXPECT_EQ(GetForegroundWindow(), 0u);
  EXPECT_FALSE(SetForegroundWindow(h));  // a hidden window cannot be brought forward
}

TEST_F(WindowsTest, PlacementOfANormalWindowReadsShowCommandOneHiddenOrNot) {
  HWND h = desktop::createWindow("w", WS_OVERLAPPEDWINDOW, 0, 0, RECT{100, 100, 901, 701});
  EXPECT_EQ(placementOf(h).showCmd, 1u);
  ShowWindow(h, SW_SHOW);
  EXPECT_EQ(placementOf(h).showCmd, 1u);
  ShowWindow(h, SW_SHOWMAXIMIZED);
  EXPECT_EQ(placementOf(h).showCmd, 3u);
  ShowWindow(h, SW_SHOWMINIMIZED);
  EXPECT_EQ(placementOf(h).showCmd, 2u);
  WINDOWPLACEMENT wp = placementOf(h);
  EXPECT_EQ(wp.rcNormalPosition.left, 100);
  EXPECT_EQ(wp.rcNormalPosition.bottom, 701);
}

TEST_F(WindowsTest, ShowCommandZeroKeepsAHiddenWindowHiddenAndItsRectangleForLater) {
  HWND h = desktop::createWindow("w", WS_OVERLAPPEDWINDOW, 0, 0, RECT{100, 100, 901, 701});
  WINDOWPLACEMENT wp = placementOf(h);
  wp.showCmd = 0;
  wp.rcNormalPosition = {112, 84, 913, 685};
  ASSERT_TRUE(SetWindowPlacement(h, &wp));
  EXPECT_FALSE(IsWindowVisible(h));
  ShowWindow(h, SW_SHOWNORMAL);
  RECT r = desktop::windowRect(h);
  EXPECT_EQ(r.left, 112);
  EXPECT_EQ(r.top, 84);
  EXPECT_EQ(r.right, 913);
  EXPECT_EQ(r.bottom, 685);

  // A maximised placement with its normal rectangle: restoring returns to it.
  wp.showCmd = 3;
  wp.rcNormalPosition = {5, 6, 405, 306};
  ASSERT_TRUE(SetWindowPlacement(h, &wp));
  EXPECT_TRUE(IsZoomed(h));
  r = desktop::windowRect(h);
  EXPECT_EQ(r.right, screenPixelWidth());
  ShowWindow(h, SW_RESTORE);
  r = desktop::windowRect(h);
  EXPECT_EQ(r.left, 5);
  EXPECT_EQ(r.bottom, 306);
}

TEST_F(WindowsTest, PlacementNeedsTheRecordLengthAndALiveWindow) {
  HWND h = desktop::createWindow("w", WS_OVERLAPPEDWINDOW);
  WINDOWPLACEMENT wp{};
  wp.length = 40;
  EXPECT_FALSE(GetWindowPlacement(h, &wp));
  EXPECT_FALSE(SetWindowPlacement(h, &wp));
  wp.length = 44;
  DestroyWindow(h);
  EXPECT_FALSE(GetWindowPlacement(h, &wp));
}

TEST_F(WindowsTest, TheDesktopPlacementIsTheScreen) {
  WINDOWPLACEMENT wp = placementOf(GetDesktopWindow());
  EXPECT_EQ(wp.rcNormalPosition.left, 0);
  EXPECT_EQ(wp.rcNormalPosition.top, 0);
  EXPECT_EQ(wp.rcNormalPosition.right, 1024);
  EXPECT_EQ(wp.rcNormalPosition.bottom, 768);
  setScreenPixels(1280, 1024);
  wp = placementOf(GetDesktopWindow());
  EXPECT_EQ(wp.rcNormalPosition.right, 1280);
  EXPECT_EQ(screen().Height(), 1024 * 15);
  setScreenPixels(1024, 768);
}

}  // namespace
