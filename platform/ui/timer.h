// Window timers.
//
// A timer is a control of a form (or stands alone) with an interval in
// milliseconds (0 to 65535; 0 never ticks) and an enabled flag. It ticks
// from the one clock (platform/runtime/clock.h) while a message loop runs
// (a modal loop between the user's actions and during a Wait, DoEvents,
// passTime): one tick per elapsed
// interval, and never more often than once per 10 ms of clock time, the
// platform's timer resolution. Switching it on, or setting its interval,
// starts the interval again. An error that escapes the tick handler goes
// back to the timer, which goes on ticking. A timer does not tick inside
// its own tick. Timers are made with std::make_shared (a form's add()).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/ui/control.h"

namespace platform::ui {

class Timer : public Control {
 public:
  explicit Timer(std::string name = "Timer1", int32_t index = -1);
  ~Timer() override;

  std::string typeName() const override { return "Timer"; }
  bool canTakeFocus() const override { return false; }

  int32_t interval() const noexcept { return interval_; }
  // 0 to 65535; other values raise 380.
  void setInterval(int32_t millis);
  bool timerEnabled() const noexcept { return enabled_; }
  void setEnabled(bool enabled) override;

  // The tick handler (the Timer event).
  std::function<void()> onTimer;

  // The clock time of the next tick; meaningful while it can tick.
  int64_t nextDue() const noexcept { return due_; }
  bool canTick() const;
  // Ticks once and sets the next due time from `now` (used by the pump).
  void tick(int64_t now);

 private:
  void restart();
  int32_t interval_ = 0;
  bool enabled_ = true;
  int64_t due_ = 0;
};

// The platform's timer resolution in milliseconds.
inline constexpr int32_t kTimerResolutionMillis = 10;

// Lets every due timer tick, by the clock as it stands now. Returns the
// number of ticks.
int32_t runDueTimers();
// The clock time at which the earliest timer that can tick is due, or
// nothing when none can tick (a display's event loop sleeps until then).
std::optional<int64_t> nextTimerDue();
// Lets time pass: on a virtual clock it moves the clock on by `millis`,
// stopping at each due timer in turn to let it tick; on the real clock it
// waits that long, letting due timers tick meanwhile.
void passTime(int64_t millis);

}  // namespace platform::ui
