// The regular-expression object: a pattern in the scripting language's
// JavaScript-like syntax with the IgnoreCase, Global and MultiLine switches.
// In MultiLine mode "^" and "$" match at every line break, CR LF, LF or a
// lone CR.
#pragma once

#include <string>

namespace platform::scripting {

class RegExp {
 public:
  std::string Pattern;
  bool IgnoreCase = false;
  bool Global = false;
  bool MultiLine = false;

  // The text with the first match (every match when Global) replaced; "$&",
  // "$1".. in the replacement stand for the match and its groups. A pattern
  // that does not compile raises error 5.
  std::string Replace(const std::string& text, const std::string& replacement) const;
  bool Test(const std::string& text) const;
};

}  // namespace platform::scripting
