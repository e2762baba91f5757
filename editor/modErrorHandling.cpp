#include "editor/modErrorHandling.h"

#include "diagnostics/class_error.h"
#include "platform/runtime/errors.h"

namespace kestrin::editor::modErrorHandling {

namespace {
constexpr const char* kUnknownError = "An unknown error has occurred!";
}  // namespace

std::string LookupErrorText(int32_t number) {
  // The component holds no string table: every lookup fails.
  (void)number;
  return kUnknownError;
}

void RaiseClassError(int32_t number, const std::string& source) {
  platform::raise(diagnostics::classErrorNumber(number), source, LookupErrorText(number));
}

}  // namespace kestrin::editor::modErrorHandling
