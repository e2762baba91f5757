#include "platform/scripting/regexp.h"

#include <regex>

#include "platform/runtime/errors.h"

namespace platform::scripting {

namespace {
std::regex compile(const RegExp& re) {
  auto flags = std::regex::ECMAScript;
  if (re.IgnoreCase) flags |= std::regex::icase;
  if (re.MultiLine) flags |= std::regex::multiline;
  try {
    return std::regex(re.Pattern, flags);
  } catch (const std::regex_error&) {
    raise(err::InvalidProcedureCall);
  }
}
}  // namespace

std::string RegExp::Replace(const std::string& text, const std::string& replacement) const {
  const std::regex rx = compile(*this);
  auto flags = std::regex_constants::format_default;
  if (!Global) flags |= std::regex_constants::format_first_only;
  return std::regex_replace(text, rx, replacement, flags);
}

bool RegExp::Test(const std::string& text) const { return std::regex_search(text, compile(*this)); }

}  // namespace platform::scripting
