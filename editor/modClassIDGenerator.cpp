#include "editor/modClassIDGenerator.h"

#include <limits>

#include "platform/runtime/errors.h"

namespace kestrin::editor::modClassIDGenerator {

namespace {
thread_local int32_t t_lastClassDebugID = 0;
}  // namespace

int32_t NextClassDebugID() {
  if (t_lastClassDebugID == std::numeric_limits<int32_t>::max()) platform::raise(platform::err::Overflow);
  return ++t_lastClassDebugID;
}

int32_t CurrentClassDebugID() { return t_lastClassDebugID; }

void setCurrentClassDebugID(int32_t value) { t_lastClassDebugID = value; }

}  // namespace kestrin::editor::modClassIDGenerator
