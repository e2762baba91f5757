#include <gtest/gtest.h>

#include "platform/ui/keys.h"

using namespace platform::ui;

namespace {

TEST(Keys, NamesGiveKeyCodesShiftStatesAndCharacters) {
  struct Case {
    const char* name;
    int16_t code, shift, ascii;
    const char* text;
  } cases[] = {
      {"a", 65, 0, 'a', "a"},       {"A", 65, 1, 'A', "A"},          {"Shift+a", 65, 1, 'A', "A"},
      {"5", 53, 0, '5', "5"},       {"(", 57, 1, '(', "("},          {".", 190, 0, '.', "."},
      {"Enter", 13, 0, 13, "\n"},   {"enter", 13, 0, 13, "\n"},      {"Tab", 9, 0, 9, "\t"},
      {"Shift+Tab", 9, 1, 9, "\t"}, {"Escape", 27, 0, 27, ""},       {"Space", 32, 0, 32, " "},
      {" ", 32, 0, 32, " "},        {"Ctrl+Space", 32, 2, 0, ""},    {"Ctrl+C", 67, 3, 3, ""},
      {"Ctrl+c", 67, 2, 3, ""},     {"ctrl+shift+z", 90, 3, 26, ""}, {"Alt+F", 70, 5, 0, ""},
      {"F5", 116, 0, 0, ""},        {"F12", 123, 0, 0, ""},          {"Delete", 46, 0, 0, ""},
      {"Backspace", 8, 0, 8, ""},   {"Left", 37, 0, 0, ""},          {"PageDown", 34, 0, 0, ""},
      {"+", 187, 1, '+', "+"},      {"Ctrl++", 187, 3, 0, ""},       {"\xc3\xa9", 0, 0, 0, "\xc3\xa9"},
  };
  for (const auto& c : cases) {
    auto k = parseKey(c.name);
    ASSERT_TRUE(k.has_value()) << c.name;
    EXPECT_EQ(k->keyCode, c.code) << c.name;
    EXPECT_EQ(k->shift, c.shift) << c.name;
    EXPECT_EQ(k->ascii, c.ascii) << c.name;
    EXPECT_EQ(k->text, c.text) << c.name;
  }
}

TEST(Keys, UnknownNamesGiveNothing) {
  for (const char* name : {"", "F13", "F0", "Hyper+a", "Ctrl+", "NoSuchKey", "ab"})
    EXPECT_FALSE(parseKey(name).has_value()) << name;
}

}  // namespace
