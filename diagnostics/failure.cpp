#include "diagnostics/failure.h"

#include <exception>
#include <new>
#include <stdexcept>

#include "diagnostics/thread_objects.h"
#include "platform/runtime/errors.h"

namespace kestrin::diagnostics {

namespace {
thread_local Failure* t_failure = nullptr;
}  // namespace

Failure& currentFailure() { return threadObject(t_failure); }

void clearFailure() { currentFailure() = Failure{}; }

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
