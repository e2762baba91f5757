#include "platform/runtime/strings.h"
#include "common/raised.h"

#include "platform/runtime/variant.h"

#include <gtest/gtest.h>

namespace {

using platform::Compare;

// The runtime error number a call raises, or 0.
constexpr auto errorOf = [](auto&& f) { return kestrin_test::raisedNumber(f); };

// "é" is two bytes, "€" three; "\xff" is no UTF-8 at all and counts as one
// character.
const std::string kMixed =
    "a\xc3\xa9\xe2\x82\xac\xff"
    "b";  // a é € <ff> b

TEST(Strings, LengthsCountCharactersAndInvalidBytesCountOnce) {
  struct Case {
    std::string s;
    int32_t chars;
  };
  const Case cases[] = {
      {"", 0}, {"abc", 3}, {kMixed, 5}, {"\xc3", 1}, {"\xc3(", 2}, {"\xed\xa0\x80", 3}, {"\xf0\x9f\x98\x80", 1}};
  for (const auto& c : cases) EXPECT_EQ(platform::len(c.s), c.chars) << c.s;
}

TEST(Strings, LeftMidRightCutAtCharactersAndKeepInvalidBytes) {
  EXPECT_EQ(platform::left(kMixed, 2), "a\xc3\xa9");
  EXPECT_EQ(platform::right(kMixed, 2),
            "\xff"
            "b");
  EXPECT_EQ(platform::mid(kMixed, 3, 2), "\xe2\x82\xac\xff");
  EXPECT_EQ(platform::mid(kMixed, 4),
            "\xff"
            "b");
  EXPECT_EQ(platform::mid("abc", 9), "");
  EXPECT_EQ(platform::left("abc", 10), "abc");
  EXPECT_EQ(platform::right("abc", 10), "abc");
  EXPECT_EQ(errorOf([] { platform::mid("abc", 0); }), 5);
  EXPECT_EQ(errorOf([] { platform::left("abc", -1); }), 5);
  EXPECT_EQ(errorOf([] { platform::mid("abc", 1, -1); }), 5);
}

TEST(Strings, TrimRemovesBlanksOnly) {
  EXPECT_EQ(platform::trim("  a b  "), "a b");
  EXPECT_EQ(platform::trim("\t a \t"), "\t a \t");
  EXPECT_EQ(platform::lTrim("  a  "), "a  ");
  EXPECT_EQ(platform::rTrim("  a  "), "  a");
  EXPECT_EQ(platform::trim("   "), "");
  EXPECT_EQ(platform::trim("a\r\n "), "a\r\n");
}

TEST(Strings, InStrAndInStrRevAreOneBased) {
  struct Case {
    int32_t start;
    std::string s, find;
    Compare cmp;
    int32_t at;
  };
  const Case cases[] = {
      {1, "abcabc", "bc", Compare::Binary, 2},
      {3, "abcabc", "bc", Compare::Binary, 5},
      {1, "abcabc", "BC", Compare::Binary, 0},
      {1, "abcabc", "BC", Compare::Text, 2},
      {1, "abc", "", Compare::Binary, 1},
      {3, "abc", "", Compare::Binary, 3},
      {4, "abc", "", Compare::Binary, 4},
      {5, "abc", "", Compare::Binary, 0},
      {9, "abc", "a", Compare::Binary, 0},
      {1, kMixed, "\xe2\x82\xac", Compare::Binary, 3},
      {1, kMixed, "b", Compare::Binary, 5},
      {1, "\xc3\x89t\xc3\xa9", "\xc3\xa9", Compare::Text, 1},
      // A lone byte does not match inside a character.
      {1, "\xc3\xa9", "\xa9", Compare::Binary, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::inStr(c.start, c.s, c.find, c.cmp), c.at) << c.s << "/" << c.find;
  EXPECT_EQ(errorOf([] { platform::inStr(0, "abc", "a"); }), 5);

  const Case rev[] = {
      {-1, "abcabc", "bc", Compare::Binary, 5},  {5, "abcabc", "bc", Compare::Binary, 2},
      {6, "abcabc", "bc", Compare::Binary, 5},   {-1, "abcabc", "BC", Compare::Text, 5},
      {-1, "abc", "", Compare::Binary, 3},       {2, "abc", "", Compare::Binary, 2},
      {7, "abc", "a", Compare::Binary, 0},       {-1, kMixed, "\xc3\xa9", Compare::Binary, 2},
      {-1, "a\\b\\c", "\\", Compare::Binary, 4},
  };
  for (const auto& c : rev)
    EXPECT_EQ(platform::inStrRev(c.s, c.find, c.start, c.cmp), c.at) << c.s << "/" << c.find << "/" << c.start;
  EXPECT_EQ(errorOf([] { platform::inStrRev("abc", "a", 0); }), 5);
}

TEST(Strings, CaseFoldsAsciiAndWesternLetters) {
  EXPECT_EQ(platform::uCase("abc \xc3\xa9\xc3\xbf\xc3\x9f\xff"), "ABC \xc3\x89\xc5\xb8\xc3\x9f\xff");
  EXPECT_EQ(platform::lCase("ID_FileOpen \xc3\x89"), "id_fileopen \xc3\xa9");
  EXPECT_TRUE(platform::equalsNoCase("New Kestrin Script", "NEW kestrin script"));
  EXPECT_FALSE(platform::equalsNoCase("abc", "abd"));
  EXPECT_EQ(platform::strComp("a", "B"), 1);
  EXPECT_EQ(platform::strComp("a", "B", Compare::Text), -1);
  EXPECT_EQ(platform::strComp("x", "X", Compare::Text), 0);
}

TEST(Strings, ReplaceFromStartWithCount) {
  struct Case {
    std::string s, find, with;
    int32_t start, count;
    Compare cmp;
    std::string out;
  };
  const Case cases[] = {
      {"a*b**", "*", "", 1, -1, Compare::Binary, "ab"},     {"aXbxc", "x", "-", 1, -1, Compare::Text, "a-b-c"},
      {"aXbxc", "x", "-", 1, -1, Compare::Binary, "aXb-c"}, {"aaaa", "a", "b", 1, 2, Compare::Binary, "bbaa"},
      {"abcabc", "b", "B", 3, -1, Compare::Binary, "caBc"},  // starts at the start position
      {"abc", "", "x", 1, -1, Compare::Binary, "abc"},      {"", "a", "b", 1, -1, Compare::Binary, ""},
      {"aa", "a", "aa", 1, -1, Compare::Binary, "aaaa"},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::replace(c.s, c.find, c.with, c.start, c.count, c.cmp), c.out) << c.s;
  EXPECT_EQ(errorOf([] { platform::replace("a", "a", "b", 0); }), 5);
}

TEST(Strings, SplitAndJoin) {
  struct Case {
    std::string s, delim;
    std::vector<std::string> parts;
  };
  const Case cases[] = {
      {"a|b||c", "|", {"a", "b", "", "c"}},
      {"name|tip", "|", {"name", "tip"}},
      {"|", "|", {"", ""}},
      {"abc", "", {"abc"}},
      {"a\r\nb\r\n", "\r\n", {"a", "b", ""}},
      {"one two", " ", {"one", "two"}},
  };
  for (const auto& c : cases) {
    const auto a = platform::split(c.s, c.delim);
    EXPECT_EQ(a.lbound(), 0);
    EXPECT_EQ(a.items(), c.parts) << c.s;
    EXPECT_EQ(platform::join(a, c.delim), c.s);
  }
  const auto empty = platform::split("", "|");
  EXPECT_TRUE(empty.isAllocated());
  EXPECT_EQ(empty.ubound(), -1);
  EXPECT_EQ(empty.count(), 0);
  EXPECT_EQ(platform::join(empty, "|"), "");
  EXPECT_EQ(platform::split("aXbxc", "x", Compare::Text).count(), 3);
  EXPECT_EQ(platform::split("a,b,c", ",", 2).items(), (std::vector<std::string>{"a", "b,c"}));
}

TEST(Strings, SpaceRepeatChrAscReverse) {
  EXPECT_EQ(platform::space(3), "   ");
  EXPECT_EQ(platform::space(0), "");
  EXPECT_EQ(errorOf([] { platform::space(-1); }), 5);
  EXPECT_EQ(platform::repeatChar(2, "\xc3\xa9x"), "\xc3\xa9\xc3\xa9");
  EXPECT_EQ(platform::chr(0x20AC), "\xe2\x82\xac");
  EXPECT_EQ(platform::asc("\xe2\x82\xac"), 0x20AC);
  EXPECT_EQ(platform::asc("\xff"), 0xFF);
  EXPECT_EQ(platform::strReverse(kMixed),
            "b\xff\xe2\x82\xac\xc3\xa9"
            "a");
}

TEST(Arrays, BoundsAndAllocatedState) {
  platform::LongArray a;
  EXPECT_FALSE(a.isAllocated());
  EXPECT_EQ(a.count(), 0);
  EXPECT_EQ(errorOf([&] { (void)a.ubound(); }), 9);
  EXPECT_EQ(errorOf([&] { (void)a.lbound(); }), 9);
  EXPECT_EQ(errorOf([&] { (void)a[0]; }), 9);
  a.redimPreserve(2);
  a[2] = 7;
  EXPECT_EQ(a.ubound(), 2);
  a.redimPreserve(4);
  EXPECT_EQ(a[2], 7);
  EXPECT_EQ(a[4], 0);
  EXPECT_EQ(errorOf([&] { (void)a[5]; }), 9);
  a.redim(1, 3);
  EXPECT_EQ(a.lbound(), 1);
  EXPECT_EQ(a[1], 0);
  EXPECT_EQ(errorOf([&] { (void)a[0]; }), 9);
  EXPECT_EQ(errorOf([&] { a.redim(3, 1); }), 9);
  a.erase();
  EXPECT_EQ(errorOf([&] { (void)a.ubound(); }), 9);

  // Through a Variant: an unallocated array fails with 9, a non-array with 13.
  EXPECT_EQ(errorOf([] { platform::ubound(platform::Variant(platform::StringArray())); }), 9);
  EXPECT_EQ(errorOf([] { platform::ubound(platform::Variant("text")); }), 13);
  EXPECT_EQ(platform::ubound(platform::Variant(platform::split("a b", " "))), 1);
}

}  // namespace
