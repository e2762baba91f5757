// Names of parameterized test cases: what PrintTo writes of a case, made of
// letters, digits and _, so that a failure says which case failed and the
// names stay the same from one run to the next.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace kestrin_test {

inline std::string identifierOf(const std::string& text) {
  std::string out;
  bool gap = false;
  for (unsigned char c : text) {
    if (std::isalnum(c)) {
      if (gap && !out.empty()) out += '_';
      out += static_cast<char>(c);
      gap = false;
    } else {
      gap = true;
    }
  }
  return out.empty() ? "none" : out;
}

// The generator for INSTANTIATE_TEST_SUITE_P.
struct PrintedName {
  template <class P>
  std::string operator()(const ::testing::TestParamInfo<P>& info) const {
    return identifierOf(::testing::PrintToString(info.param));
  }
};

}  // namespace kestrin_test
