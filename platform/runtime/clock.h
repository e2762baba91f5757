// The one clock of the process.
//
// The runtime's Now, the status bar's date and time panels and the
// desktop's timers all read it. It counts local wall-clock time in
// milliseconds since 1970-01-01 00:00:00 local time. In interactive use it
// follows the system clock; tests and played scenarios make it virtual, and
// then it moves only when they set or advance it.
#pragma once

#include <cstdint>

namespace platform {

// Local wall-clock milliseconds since 1970-01-01 00:00:00.
int64_t clockMillis();

// Makes the clock virtual and sets it (local wall-clock milliseconds).
void setVirtualClock(int64_t localMillis);
// Moves a virtual clock on; on the real clock it does nothing.
void advanceVirtualClock(int64_t millis);
// Returns to the system clock.
void useRealClock();
bool clockIsVirtual();

// Local wall-clock milliseconds of a calendar date and time (no time zone).
int64_t localMillisFrom(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

}  // namespace platform
