#include "diagnostics/failure.h"

#include <exception>
#include <new>
#include <stdexcept>

#include "platform/runtime/errors.h"

namespace kestrin::diagnostics {

namespace {
// Left at the thread's end: a thread-local object with a destructor would
// keep the component loaded after the host's dlclose.
thread_local Failure& t_failure = *new Failure();
}  // namespace

Failure& currentFailure() { return t_failure; }

void clearFailure() { t_failure = Failure{}; }

Failure failureOfCurrentException(int32_t line) {
  try {
    throw;
  } catch (const platform::RuntimeError& e) {
    return Failure{e.number(), e.source(), e.description(), line};
  } catch (const std::out_of_range&) {
    return Failure{platform::err::SubscriptOutOfRange, platform::defaultErrorSource(),
                   platform::errorText(platform::err::SubscriptOutOfRange), line};
  } catch (const std::bad_alloc&) {
    return Failure{7, platform::defaultErrorSource(), "Out of memory", line};
  } catch (...) {
    return Failure{51, platform::defaultErrorSource(), "Internal error", line};
  }
}

}  // namespace kestrin::diagnostics
