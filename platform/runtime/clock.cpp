#include "platform/runtime/clock.h"

#include <atomic>
#include <chrono>
#include <ctime>

namespace platform {

namespace {
std::atomic<bool> g_virtual{false};
std::atomic<int64_t> g_virtualMillis{0};

// Days from 1970-01-01 of a proleptic Gregorian date.
int64_t daysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}
}  // namespace

int64_t localMillisFrom(int year, int month, int day, int hour, int minute, int second) {
  const int64_t days = daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
  return ((days * 24 + hour) * 60 + minute) * 60000LL + second * 1000LL;
}

int64_t clockMillis() {
  if (g_virtual.load()) return g_virtualMillis.load();
  const auto now = std::chrono::system_clock::now();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
  const std::time_t secs = static_cast<std::time_t>(ms / 1000);
  std::tm local{};
  localtime_r(&secs, &local);
  return localMillisFrom(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                         local.tm_sec) +
         ms % 1000;
}

void setVirtualClock(int64_t localMillis) {
  g_virtualMillis.store(localMillis);
  g_virtual.store(true);
}

void advanceVirtualClock(int64_t millis) {
  if (g_virtual.load()) g_virtualMillis.fetch_add(millis);
}

void useRealClock() { g_virtual.store(false); }
bool clockIsVirtual() { return g_virtual.load(); }

}  // namespace platform
