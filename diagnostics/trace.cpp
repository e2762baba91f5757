#include "diagnostics/trace.h"

#include <exception>
#include <source_location>
#include <utility>

#include "diagnostics/error_handler.h"

namespace kestrin::diagnostics {

Trace::Trace(std::string text, Handling& handling, std::source_location where)
    : handling_(handling), uncaught_(std::uncaught_exceptions()) {
  enter(std::move(text), where);
}

Trace::Trace(Handling& handling) : handling_(handling), uncaught_(std::uncaught_exceptions()) {}

Trace::~Trace() noexcept(false) {
  // A failure on its way to the caller skips the pop, and so does a trap's
  // answer to leave at once.
  if (std::uncaught_exceptions() > uncaught_ || !handling_.popsOnExit()) return;
  exit(std::source_location{});
}

void Trace::enter(std::string text, std::source_location where) {
  handling_.run(
      [&] {
        if (CErrorHandler* handler = errorHandler()) handler->CallStackPush(text, "");
      },
      where);
}

void Trace::exit(std::source_location where) {
  if (done_) return;
  done_ = true;
  handling_.run(
      [] {
        if (CErrorHandler* handler = errorHandler()) handler->CallStackPop();
      },
      where);
}

}  // namespace kestrin::diagnostics
