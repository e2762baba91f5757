#include "diagnostics/class_error.h"

#include "platform/win32/component.h"

namespace kestrin::diagnostics {

std::string classErrorSource(std::string_view sourceClass) {
  std::string source = platform::componentIdentity().name;
  source += '.';
  source += sourceClass;
  return source;
}

std::string ClassErrors::catchAllDescription() const {
  std::string text(className_);
  text += " component failure";
  return text;
}

void ClassErrors::raise(int32_t n, std::string_view description, std::source_location where) const {
  throw ClassCheckError(classErrorNumber(n), source(), std::string(description), static_cast<int32_t>(where.line()));
}

void ClassErrors::raiseCatchAll() const {
  throw platform::RuntimeError(catchAllNumber(), source(), catchAllDescription(), 0);
}

}  // namespace kestrin::diagnostics
