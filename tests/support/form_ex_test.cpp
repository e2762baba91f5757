// CFormEx: the window check, the style words and their changes, the
// taskbar list, the topmost state and the parent, with the errors.
#include "support/CFormEx.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "common/temp_dir.h"
#include "common/ui_test_user.h"
#include "platform/ui/windows.h"
#include "support/support_fixture.h"

namespace {

namespace ui = platform::ui;
using kestrin::support::CFormEx;
using kestrin_test::Raised;
using kestrin_test::raisedBy;

int32_t asLong(platform::HWND h) { return static_cast<int32_t>(h); }
bool onTaskbar(platform::HWND h) {
  const auto list = ui::desktop::appWindows();
  return std::find(list.begin(), list.end(), h) != list.end();
}

class FormExTest : public kestrin_test::UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    kestrin_test::setEditorIdentity(dir);
    window = ui::desktop::createWindow("Window", ui::WS_OVERLAPPEDWINDOW, ui::WS_EX_WINDOWEDGE);
  }
  CFormEx bound(platform::HWND h) {
    CFormEx f;
    f.Init(asLong(h));
    return f;
  }
  kestrin_test::TempDir dir;
  platform::HWND window = 0;
};

TEST_F(FormExTest, WithoutAWindowEveryMemberThatTouchesOneRaises17541) {
  CFormEx gone = bound(window);
  ui::DestroyWindow(window);
  CFormEx fresh;
  for (CFormEx* f : {&fresh, &gone}) {
    const std::function<void()> members[] = {
        [&] { (void)f->ExStyle(); },        [&] { (void)f->Style(); },        [&] { (void)f->Parent(); },
        [&] { f->setParent(0); },           [&] { f->setOnTop(true); },       [&] { (void)f->AddExStyle(1); },
        [&] { (void)f->AddStyle(1); },      [&] { (void)f->HasExStyle(1); },  [&] { (void)f->HasStyle(1); },
        [&] { (void)f->RemoveExStyle(1); }, [&] { (void)f->RemoveStyle(1); },
    };
    for (const auto& member : members) {
      const Raised r = raisedBy(member);
      EXPECT_EQ(r.n, 17541);
      EXPECT_EQ(r.source, "KestrinScriptEditor.CFormEx");
      EXPECT_EQ(r.description, "Object not properly initialized");
    }
  }
}

TEST_F(FormExTest, InitStoresZeroAndNegativeHandlesUntestedTheSetterTestsEveryHandle) {
  CFormEx f;
  EXPECT_EQ(f.hwnd(), 0);
  EXPECT_FALSE(f.OnTop());
  for (const int32_t h : {0, -5}) {
    f.Init(h);
    EXPECT_EQ(f.hwnd(), h);
    EXPECT_EQ(raisedBy([&] { (void)f.Style(); }).n, 17541);
  }

  const int32_t noWindow = asLong(window) + 1000;
  for (const std::function<void()>& refused :
       {std::function<void()>([&] { f.Init(noWindow); }), std::function<void()>([&] { f.setHwnd(noWindow); }),
        std::function<void()>([&] { f.setHwnd(0); })}) {
    const Raised r = raisedBy(refused);
    EXPECT_EQ(r.n, 17542);
    EXPECT_EQ(r.source, "KestrinScriptEditor.CFormEx");
    EXPECT_EQ(r.description, "Invalid window handle");
    EXPECT_EQ(f.hwnd(), -5);
  }

  f.setHwnd(asLong(window));
  EXPECT_EQ(f.hwnd(), asLong(window));
  EXPECT_EQ(f.Style(), ui::WS_OVERLAPPEDWINDOW);
  EXPECT_EQ(f.ExStyle(), ui::WS_EX_WINDOWEDGE);
}

TEST_F(FormExTest, AddExStyleWithTheAppWindowBitPutsTheWindowOnTheTaskbarAndRedrawsItsFrame) {
  CFormEx f = bound(window);
  EXPECT_FALSE(onTaskbar(window));

  EXPECT_TRUE(f.AddExStyle(ui::WS_EX_APPWINDOW));
  EXPECT_EQ(f.ExStyle(), ui::WS_EX_WINDOWEDGE | ui::WS_EX_APPWINDOW);
  EXPECT_TRUE(onTaskbar(window));
  EXPECT_EQ(ui::desktop::frameChanges(window), 1);
  // Only the frame: no move, no change of order.
  EXPECT_FALSE(ui::desktop::isTopmost(window));
}

TEST_F(FormExTest, AddingToAWordThatWasZeroSetsTheBitsButAnswersFalse) {
  const platform::HWND bare = ui::desktop::createWindow("Bare", 0, 0);
  CFormEx f = bound(bare);
  EXPECT_FALSE(f.AddExStyle(ui::WS_EX_APPWINDOW));
  EXPECT_TRUE(f.HasExStyle(ui::WS_EX_APPWINDOW));
  EXPECT_TRUE(onTaskbar(bare));

  EXPECT_FALSE(f.AddStyle(ui::WS_CAPTION));
  EXPECT_TRUE(f.AddStyle(ui::WS_SYSMENU));
  EXPECT_EQ(f.Style(), ui::WS_CAPTION | ui::WS_SYSMENU);
  EXPECT_EQ(ui::desktop::frameChanges(bare), 3);
}

TEST_F(FormExTest, HasStyleAsksForEveryBitAndRemoveStyleClearsOnlyWhatIsSet) {
  CFormEx f = bound(window);
  EXPECT_TRUE(f.HasStyle(ui::WS_CAPTION | ui::WS_SYSMENU));
  EXPECT_FALSE(f.HasStyle(ui::WS_SYSMENU | ui::WS_CHILD));

  EXPECT_TRUE(f.RemoveStyle(ui::WS_MAXIMIZEBOX | ui::WS_CHILD));
  EXPECT_EQ(f.Style(), ui::WS_OVERLAPPEDWINDOW & ~ui::WS_MAXIMIZEBOX);
  EXPECT_EQ(ui::desktop::frameChanges(window), 0);

  // Clearing the last bit: the previous word was not 0.
  EXPECT_TRUE(f.RemoveExStyle(ui::WS_EX_WINDOWEDGE));
  EXPECT_EQ(f.ExStyle(), 0);
  // Nothing to clear: the word read, 0, answers.
  EXPECT_FALSE(f.RemoveExStyle(ui::WS_EX_WINDOWEDGE));
  EXPECT_TRUE(f.RemoveStyle(ui::WS_CHILD));
}

TEST_F(FormExTest, OnTopKeepsTheFlagAskedForEvenWhenTheWindowHasGone) {
  CFormEx f = bound(window);
  f.setOnTop(true);
  EXPECT_TRUE(f.OnTop());
  EXPECT_TRUE(ui::desktop::isTopmost(window));
  f.setOnTop(false);
  EXPECT_FALSE(ui::desktop::isTopmost(window));

  ui::DestroyWindow(window);
  EXPECT_EQ(raisedBy([&] { f.setOnTop(true); }).n, 17541);
  EXPECT_TRUE(f.OnTop());
}

TEST_F(FormExTest, ParentChangesOnlyToAWindowThatExists) {
  const platform::HWND owner = ui::desktop::createWindow("Owner", ui::WS_OVERLAPPEDWINDOW);
  CFormEx f = bound(window);
  EXPECT_EQ(f.Parent(), 0);

  const Raised r = raisedBy([&] { f.setParent(asLong(owner) + 1000); });
  EXPECT_EQ(r.n, 17543);
  EXPECT_EQ(r.source, "KestrinScriptEditor.CFormEx");
  EXPECT_EQ(r.description, "Invalid parent window");
  EXPECT_EQ(f.Parent(), 0);

  f.setParent(asLong(owner));
  EXPECT_EQ(f.Parent(), asLong(owner));
  EXPECT_EQ(ui::GetParent(window), owner);
}

}  // namespace
