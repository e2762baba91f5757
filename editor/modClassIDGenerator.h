// modClassIDGenerator: the serial numbers of the temporary-script objects.
//
// One counter for each thread that uses the component (module data belongs
// to its thread), starting at 0 and only growing while the component stays
// loaded; objects of different threads may carry the same number.
#pragma once

#include <cstdint>

namespace kestrin::editor::modClassIDGenerator {

// Adds 1 to this thread's counter and returns the new value (the first
// call returns 1). A counter that already holds 2147483647 raises 6
// "Overflow" and stays as it is.
int32_t NextClassDebugID();

// The counter's value now, and a value to go on from (for tests of the
// counter's end).
int32_t CurrentClassDebugID();
void setCurrentClassDebugID(int32_t value);

}  // namespace kestrin::editor::modClassIDGenerator
