#include <gtest/gtest.h>

#include "common/ui_test_user.h"
#include "platform/ui/screen.h"
#include "platform/ui/timer.h"
#include "test_controls.h"

using namespace platform;
using namespace platform::ui;
using uitest::TestForm;

namespace {

class TimerTest : public kestrin_test::UiTest {};

std::shared_ptr<Timer> makeTimer(int32_t interval, int& ticks, bool enabled = true) {
  auto t = std::make_shared<Timer>("tmrAutoSave");
  t->setInterval(interval);
  t->setEnabled(enabled);
  t->onTimer = [&ticks] { ++ticks; };
  return t;
}

TEST_F(TimerTest, A65535MillisecondTimerTicksOncePerInterval) {
  int ticks = 0;
  auto t = makeTimer(65535, ticks);
  passTime(65534);
  EXPECT_EQ(ticks, 0);
  passTime(1);
  EXPECT_EQ(ticks, 1);
  passTime(65535);
  EXPECT_EQ(ticks, 2);
  // A clock moved on from outside: the next pump ticks once per elapsed interval.
  advanceVirtualClock(65535);
  EXPECT_EQ(DoEvents(), 0);
  EXPECT_EQ(ticks, 3);
  advanceVirtualClock(2 * 65535);
  EXPECT_EQ(runDueTimers(), 2);
  EXPECT_EQ(ticks, 5);
}

TEST_F(TimerTest, ADisabledTimerNeverTicksAndSwitchingItOnStartsTheInterval) {
  int ticks = 0;
  auto t = makeTimer(65535, ticks, false);
  passTime(3 * 65535);
  EXPECT_EQ(ticks, 0);
  t->setEnabled(true);
  passTime(65534);
  EXPECT_EQ(ticks, 0);
  passTime(1);
  EXPECT_EQ(ticks, 1);
  t->setEnabled(false);
  passTime(10 * 65535);
  EXPECT_EQ(ticks, 1);
}

TEST_F(TimerTest, IntervalZeroNeverTicksAndTheResolutionIsTenMilliseconds) {
  int zeroTicks = 0, fastTicks = 0;
  auto zero = makeTimer(0, zeroTicks);
  auto fast = makeTimer(1, fastTicks);
  passTime(1000);
  EXPECT_EQ(zeroTicks, 0);
  EXPECT_EQ(fastTicks, 100);
}

TEST_F(TimerTest, IntervalOutsideItsRangeRaises380) {
  Timer t;
  for (int32_t bad : {-1, 65536}) {
    try {
      t.setInterval(bad);
      ADD_FAILURE() << bad;
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), 380);
    }
  }
}

TEST_F(TimerTest, AnErrorInTheTickGoesBackToTheTimerWhichGoesOnTicking) {
  int ticks = 0;
  auto t = makeTimer(100, ticks);
  t->onTimer = [&] {
    ++ticks;
    platform::raise(err::Overflow);
  };
  EXPECT_NO_THROW(passTime(300));
  EXPECT_EQ(ticks, 3);
  ASSERT_TRUE(t->lastEventError().has_value());
  EXPECT_EQ(t->lastEventError()->number(), 6);
}

TEST_F(TimerTest, AFormTimerTicksWhileItsModalLoopWaitsAndStopsWithTheForm) {
  int ticks = 0;
  std::weak_ptr<Timer> timer;
  auto f = uitest::makeForm("frmAbout");
  f->build = [&](TestForm& form) {
    auto t = form.add(std::make_shared<Timer>("Timer1"));
    t->setInterval(1);
    t->onTimer = [&] {
      if (++ticks == 3) form.unload();  // the About window closes from its own tick
    };
    timer = t;
  };
  user->wait(25).wait(1000);
  f->show(vbModal);
  EXPECT_EQ(ticks, 3);
  EXPECT_FALSE(f->loaded());
  EXPECT_TRUE(timer.expired());
  EXPECT_TRUE(user->done());
}

TEST_F(TimerTest, ATimerOfAnUnloadedFormNoLongerTicks) {
  int ticks = 0;
  std::shared_ptr<Timer> kept;
  auto f = uitest::makeForm();
  f->build = [&](TestForm& form) {
    kept = form.add(std::make_shared<Timer>("tmr"));
    kept->setInterval(50);
    kept->onTimer = [&] { ++ticks; };
  };
  f->load();
  passTime(50);
  EXPECT_EQ(ticks, 1);
  f->unload();
  passTime(500);
  EXPECT_EQ(ticks, 1);
}

}  // namespace
