#include "platform/scripting/regexp.h"

#include <gtest/gtest.h>

#include "platform/runtime/errors.h"

using platform::scripting::RegExp;

namespace {

RegExp uncommentPattern() {
  RegExp re;
  re.Pattern = "^'?";
  re.IgnoreCase = true;
  re.Global = true;
  re.MultiLine = true;
  return re;
}

TEST(RegExp, UncommentRemovesOneApostropheAtEveryLineStartOfCrLfText) {
  struct Case {
    const char* in;
    const char* out;
  };
  const Case cases[] = {
      {"'a\r\n'b\r\n'c", "a\r\nb\r\nc"},
      {"''a\r\n  'b", "'a\r\n  'b"},
      {"a'\r\nb", "a'\r\nb"},
      {"'a\n'b\r'c", "a\nb\rc"},
      {"", ""},
      {"'\r\n'\r\n", "\r\n\r\n"},
  };
  const RegExp re = uncommentPattern();
  for (const auto& c : cases) EXPECT_EQ(re.Replace(c.in, ""), c.out) << c.in;
}

TEST(RegExp, WithoutGlobalOnlyTheFirstMatchIsReplaced) {
  RegExp re;
  re.Pattern = "o";
  EXPECT_EQ(re.Replace("foo", "0"), "f0o");
  re.Global = true;
  EXPECT_EQ(re.Replace("foo", "0"), "f00");
  re.Pattern = "O";
  re.IgnoreCase = true;
  EXPECT_EQ(re.Replace("foo", "$&$&"), "foooo");
}

TEST(RegExp, APatternThatDoesNotCompileRaisesError5) {
  RegExp re;
  re.Pattern = "(";
  try {
    re.Replace("x", "");
    FAIL();
  } catch (const platform::RuntimeError& e) {
    EXPECT_EQ(e.number(), 5);
  }
}

}  // namespace
