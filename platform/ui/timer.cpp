#include "platform/ui/timer.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <thread>
#include <vector>

#include "platform/runtime/clock.h"

namespace platform::ui {

namespace {

// The timers of this thread. Left to the thread's end on purpose, so that
// timers destroyed late still find it.
std::vector<Timer*>& timers() {
  thread_local auto* t = new std::vector<Timer*>();
  return *t;
}

int64_t effective(int32_t interval) { return std::max<int64_t>(interval, kTimerResolutionMillis); }

// The tickable timers, kept alive, with the earliest due first.
std::vector<std::shared_ptr<Timer>> tickable() {
  std::vector<std::shared_ptr<Timer>> out;
  for (Timer* t : timers())
    if (t->canTick())
      if (auto sp = std::static_pointer_cast<Timer>(t->weak_from_this().lock())) out.push_back(sp);
  std::stable_sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a->nextDue() < b->nextDue(); });
  return out;
}

thread_local std::vector<const Timer*> t_ticking;

bool isTicking(const Timer* t) { return std::find(t_ticking.begin(), t_ticking.end(), t) != t_ticking.end(); }

}  // namespace

Timer::Timer(std::string name, int32_t index) : Control(std::move(name), index) {
  timers().push_back(this);
  restart();
}

Timer::~Timer() {
  auto& t = timers();
  t.erase(std::remove(t.begin(), t.end(), this), t.end());
}

void Timer::setInterval(int32_t millis) {
  if (millis < 0 || millis > 65535) raise(err::InvalidPropertyValue);
  interval_ = millis;
  restart();
}

void Timer::setEnabled(bool enabled) {
  if (enabled && !enabled_) {
    enabled_ = true;
    restart();
  } else if (!enabled) {
    enabled_ = false;
  }
  Control::setEnabled(enabled);
}

void Timer::restart() { due_ = clockMillis() + effective(interval_); }

bool Timer::canTick() const {
  if (!enabled_ || interval_ <= 0 || orphaned()) return false;
  return !form() || onLoadedForm();
}

void Timer::tick(int64_t now) {
  due_ = now + effective(interval_);
  if (isTicking(this)) return;  // no tick inside its own tick
  t_ticking.push_back(this);
  struct Pop {
    const Timer* t;
    ~Pop() {
      auto it = std::find(t_ticking.begin(), t_ticking.end(), t);
      if (it != t_ticking.end()) t_ticking.erase(it);
    }
  } pop{this};
  fireEvent("Timer", onTimer);
}

int32_t runDueTimers() {
  int32_t ticks = 0;
  const int64_t now = clockMillis();
  const bool stepExact = clockIsVirtual();
  // Each timer ticks once per interval that has elapsed; a real clock that
  // fell behind gives one tick, as the platform's timer messages do.
  for (int guard = 0; guard < 100000; ++guard) {
    auto due = tickable();
    auto it =
        std::find_if(due.begin(), due.end(), [&](const auto& t) { return t->nextDue() <= now && !isTicking(t.get()); });
    if (it == due.end()) break;
    Timer& t = **it;
    t.tick(stepExact ? t.nextDue() : now);
    ++ticks;
  }
  return ticks;
}

std::optional<int64_t> nextTimerDue() {
  std::optional<int64_t> next;
  for (const auto& t : tickable())
    if (!isTicking(t.get()) && (!next || t->nextDue() < *next)) next = t->nextDue();
  return next;
}

void passTime(int64_t millis) {
  if (millis < 0) millis = 0;
  if (clockIsVirtual()) {
    const int64_t end = clockMillis() + millis;
    for (int guard = 0; guard < 1000000; ++guard) {
      auto due = tickable();
      auto it = std::find_if(due.begin(), due.end(),
                             [&](const auto& t) { return t->nextDue() <= end && !isTicking(t.get()); });
      if (it == due.end()) break;
      int64_t when = (*it)->nextDue();
      if (when > clockMillis()) advanceVirtualClock(when - clockMillis());
      (*it)->tick(when);
    }
    if (end > clockMillis()) advanceVirtualClock(end - clockMillis());
    return;
  }
  const auto endAt = std::chrono::steady_clock::now() + std::chrono::milliseconds(millis);
  for (;;) {
    runDueTimers();
    auto left = endAt - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero()) break;
    int64_t next = std::numeric_limits<int64_t>::max();
    for (const auto& t : tickable()) next = std::min(next, t->nextDue());
    auto step = std::chrono::milliseconds(kTimerResolutionMillis);
    if (next != std::numeric_limits<int64_t>::max())
      step = std::chrono::milliseconds(std::max<int64_t>(1, next - clockMillis()));
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(step, left));
  }
}

}  // namespace platform::ui
