// The main window's placement across starts (stored in the machine's
// registry at unload, applied at the next load) and its own taskbar
// button.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "editor/CMainFrontEnd.h"
#include "editor/frmMain.h"
#include "editor_fixture.h"
#include "platform/ui/msgbox.h"
#include "platform/ui/windows.h"
#include "platform/win32/registry.h"

namespace editor_test {
namespace {

namespace ui = platform::ui;
namespace mb = platform::ui::mb;
using kestrin::editor::CMainFrontEnd;

const char* const kPlacementKey = "Software\\MyCompany\\MyApplication\\Windows settings\\frmMain";

// What the window looks like while the editor is open.
struct Seen {
  platform::HWND handle = 0;
  bool visible = false;
  bool zoomed = false;
  bool iconic = false;
  bool onTaskbar = false;
  ui::RECT normal;
};

Seen look() {
  Seen s;
  s.handle = window().hWnd();
  s.visible = ui::IsWindowVisible(s.handle);
  s.zoomed = ui::IsZoomed(s.handle);
  s.iconic = ui::IsIconic(s.handle);
  const auto list = ui::desktop::appWindows();
  s.onTaskbar = std::find(list.begin(), list.end(), s.handle) != list.end();
  ui::WINDOWPLACEMENT wp;
  wp.length = sizeof wp;
  ui::GetWindowPlacement(s.handle, &wp);
  s.normal = wp.rcNormalPosition;
  return s;
}

std::string text(const ui::RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

// The placement's values below HKEY_LOCAL_MACHINE as type and data, in the
// registry's order.
std::vector<std::pair<std::string, std::string>> storedPlacement() {
  std::vector<std::pair<std::string, std::string>> out;
  platform::HKEY key = 0;
  if (platform::RegOpenKeyEx(platform::HKEY_LOCAL_MACHINE, kPlacementKey, 0, platform::KEY_READ, &key) !=
      platform::ERROR_SUCCESS)
    return out;
  for (platform::DWORD i = 0;; ++i) {
    char name[64];
    platform::DWORD nameSize = sizeof name, type = 0, size = 0;
    if (platform::RegEnumValue(key, i, name, &nameSize, &type, nullptr, &size) != platform::ERROR_SUCCESS) break;
    std::string data(size, '\0');
    platform::RegQueryValueEx(key, name, nullptr, data.data(), &size);
    EXPECT_EQ(type, platform::REG_SZ) << name;
    if (!data.empty() && data.back() == '\0') data.pop_back();
    out.emplace_back(name, data);
  }
  platform::RegCloseKey(key);
  return out;
}

void storePlacement(const std::map<std::string, std::string>& values) {
  platform::HKEY key = 0;
  ASSERT_EQ(platform::RegCreateKeyEx(platform::HKEY_LOCAL_MACHINE, kPlacementKey, 0, platform::KEY_ALL_ACCESS, &key),
            platform::ERROR_SUCCESS);
  for (const auto& [name, value] : values)
    platform::RegSetValueEx(key, name, platform::REG_SZ, value.c_str(), static_cast<platform::DWORD>(value.size() + 1));
  platform::RegCloseKey(key);
}

class PlacementTest : public EditorTest {
 protected:
  void TearDown() override {
    platform::setRegistryRootReadOnly(platform::HKEY_LOCAL_MACHINE, false);
    EditorTest::TearDown();
  }
  // One start of the editor on a new script; `during` runs while it is
  // open; the editor closes when nothing more is queued.
  Seen runOnce(std::function<void()> during = {}) {
    Seen seen;
    duringWait([&] {
      seen = look();
      if (during) during();
    });
    std::string arg = "new";
    CMainFrontEnd::create()->RunEditor(arg);
    return seen;
  }
};

TEST_F(PlacementTest, AFirstStartOpensCentredAtTheDesignSizeWithItsOwnTaskbarButton) {
  ASSERT_TRUE(storedPlacement().empty());
  const Seen seen = runOnce();

  EXPECT_TRUE(seen.visible);
  EXPECT_FALSE(seen.zoomed);
  EXPECT_TRUE(seen.onTaskbar);
  const int32_t w = seen.normal.right - seen.normal.left;
  const int32_t h = seen.normal.bottom - seen.normal.top;
  EXPECT_EQ(w, 1000);
  EXPECT_EQ(h, 700);
  EXPECT_EQ(seen.normal.left, static_cast<int32_t>(std::nearbyint((1024 - w) / 2.0)));
  EXPECT_EQ(seen.normal.top, static_cast<int32_t>(std::nearbyint((768 - h) / 2.0)));
  // The taskbar button goes with the window.
  EXPECT_FALSE(ui::IsWindow(seen.handle));
  EXPECT_TRUE(ui::desktop::appWindows().empty());
}

TEST_F(PlacementTest, TheUnloadStoresTheNineValuesThatTheNextStartApplies) {
  runOnce([] { ui::MoveWindow(window().hWnd(), 40, 50, 800, 600, 1); });

  const std::vector<std::pair<std::string, std::string>> expected = {
      {"WindowState", "1"},   {"MinPosX", "-1"},         {"MinPosY", "-1"},
      {"MaxPosX", "-1"},      {"MaxPosY", "-1"},         {"NormalPosLeft", "40"},
      {"NormalPosTop", "50"}, {"NormalPosRight", "840"}, {"NormalPosBottom", "650"}};
  EXPECT_EQ(storedPlacement(), expected);

  const Seen next = runOnce();
  EXPECT_EQ(text(next.normal), "40,50,840,650");
  EXPECT_TRUE(next.visible);
  EXPECT_FALSE(next.zoomed);
  EXPECT_TRUE(next.onTaskbar);
}

TEST_F(PlacementTest, AWindowClosedMaximisedReopensMaximisedAndRestoresToItsNormalRectangle) {
  runOnce([] {
    ui::MoveWindow(window().hWnd(), 60, 70, 700, 500, 1);
    window().setWindowState(ui::vbMaximized);
  });
  ui::RECT restored;
  const Seen next = runOnce([&] {
    ui::ShowWindow(window().hWnd(), ui::SW_RESTORE);
    restored = ui::desktop::windowRect(window().hWnd());
  });
  EXPECT_TRUE(next.zoomed);
  EXPECT_EQ(text(next.normal), "60,70,760,570");
  EXPECT_EQ(text(restored), "60,70,760,570");
}

TEST_F(PlacementTest, AWindowClosedMinimisedReopensNormalAtItsStoredRectangle) {
  runOnce([] {
    ui::MoveWindow(window().hWnd(), 10, 20, 500, 400, 1);
    window().setWindowState(ui::vbMinimized);
  });
  EXPECT_EQ(storedPlacement().front(), (std::pair<std::string, std::string>{"WindowState", "2"}));

  const Seen next = runOnce();
  EXPECT_FALSE(next.iconic);
  EXPECT_FALSE(next.zoomed);
  EXPECT_TRUE(next.visible);
  EXPECT_EQ(text(next.normal), "10,20,510,420");
}

TEST_F(PlacementTest, APlacementStoredByAnotherUserOfTheMachineIsApplied) {
  storePlacement({{"WindowState", "1"},
                  {"NormalPosLeft", "100"},
                  {"NormalPosTop", "110"},
                  {"NormalPosRight", "900"},
                  {"NormalPosBottom", "700"}});
  const Seen seen = runOnce();
  EXPECT_EQ(text(seen.normal), "100,110,900,700");
}

TEST_F(PlacementTest, AStoredPlacementThatCannotBeReadIsReportedAndTheWindowStillGetsItsButton) {
  storePlacement({{"WindowState", "99999999999"}});  // no Long
  // The load step's trap reports the failure; Ignore goes on with the
  // taskbar button and completes the load.
  user->answerMessageBox(mb::Ignore, "CFormRestore component failure");
  bool loaded = false;
  const Seen seen = runOnce([&] { loaded = kestrin::editor::modGlobals::g_blnMainFormLoaded; });

  EXPECT_TRUE(loaded);
  EXPECT_TRUE(seen.visible);
  EXPECT_TRUE(seen.onTaskbar);
  EXPECT_NE(kestrin_test::readFile(errorLog()).find("CFormRestore component failure"), std::string::npos);
  // The close stores the window's own placement over the damaged one, and
  // the next start has nothing to report.
  EXPECT_EQ(storedPlacement().front(), (std::pair<std::string, std::string>{"WindowState", "1"}));
  const Seen next = runOnce();
  EXPECT_TRUE(next.onTaskbar);
  EXPECT_EQ(text(next.normal), text(seen.normal));
}

TEST_F(PlacementTest, APlacementThatCannotBeWrittenIsReportedAndTheWindowClosesAllTheSame) {
  platform::setRegistryRootReadOnly(platform::HKEY_LOCAL_MACHINE, true);
  duringWait([] {});
  user->abandon();
  // The unload step's trap reports the failure; Ignore goes on.
  user->answerMessageBox(mb::Ignore, "CFormRestore component failure");
  std::string arg = "new";
  CMainFrontEnd::create()->RunEditor(arg);

  EXPECT_TRUE(ui::forms().empty());
  EXPECT_FALSE(kestrin::editor::modGlobals::g_blnMainFormLoaded);
  EXPECT_NE(kestrin_test::readFile(errorLog()).find("CFormRestore component failure"), std::string::npos);
  platform::setRegistryRootReadOnly(platform::HKEY_LOCAL_MACHINE, false);
  EXPECT_TRUE(storedPlacement().empty());
}

}  // namespace
}  // namespace editor_test
