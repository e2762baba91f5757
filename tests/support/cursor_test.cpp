// CCursor: the pointer remembered at creation, set and restored, the 16-bit
// range with its error, and the end of the object with and without the
// default pointer remembered.
#include "support/CCursor.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "diagnostics/class_error.h"
#include "platform/runtime/errors.h"
#include "platform/ui/screen.h"
#include "support/support_fixture.h"

namespace {

using kestrin::diagnostics::classErrorNumber;
using kestrin::support::CCursor;

int16_t shown() { return platform::ui::screen().MousePointer(); }
void show(int16_t pointer) { platform::ui::screen().setMousePointer(pointer); }

class CursorTest : public ::testing::Test {
 protected:
  void SetUp() override { kestrin_test::setEditorIdentity(); }
  void TearDown() override { show(0); }
};

TEST_F(CursorTest, ThePointerShownAtCreationComesBackOnRestoreAndAtTheEnd) {
  show(11);
  {
    CCursor cursor;
    cursor.SetCursor(99);
    EXPECT_EQ(shown(), 99);
    cursor.RestoreCursor();
    EXPECT_EQ(shown(), 11);
    cursor.SetCursor(-2);
    EXPECT_EQ(shown(), -2);
  }
  EXPECT_EQ(shown(), 11);
}

TEST_F(CursorTest, WithTheDefaultPointerRememberedTheEndLeavesThePointerAlone) {
  show(0);
  {
    CCursor cursor;
    cursor.SetCursor(11);
  }
  EXPECT_EQ(shown(), 11);
  // Asked for, the default comes back all the same.
  show(0);
  CCursor cursor;
  cursor.SetCursor(13);
  cursor.RestoreCursor();
  EXPECT_EQ(shown(), 0);
}

TEST_F(CursorTest, APointerOutsideSixteenBitsRaisesTheClassErrorAndChangesNothing) {
  show(5);
  CCursor cursor;
  for (int32_t pointer : {40000, 32768, -32769}) {
    try {
      cursor.SetCursor(pointer);
      ADD_FAILURE() << pointer << " was set";
    } catch (const platform::RuntimeError& e) {
      EXPECT_EQ(e.number(), classErrorNumber(17281));
      EXPECT_EQ(e.number(), static_cast<int32_t>(0x80044381u));
      EXPECT_EQ(e.source(), "KestrinScriptEditor.CCursor");
      EXPECT_EQ(e.description(), "CCursor component failure");
    }
    EXPECT_EQ(shown(), 5);
  }
  cursor.SetCursor(32767);
  EXPECT_EQ(shown(), 32767);
  cursor.SetCursor(-32768);
  EXPECT_EQ(shown(), -32768);
}

}  // namespace
