// The decoding of what ncurses reads into the desktop's input: key codes
// and characters to key names, mouse reports to mouse events.
#include <gtest/gtest.h>

#include <curses.h>

#include "platform/terminal/input.h"

namespace pt = platform::terminal;
using Kind = pt::InputEvent::Kind;

namespace {

TEST(TerminalInput, KeyCodesAndCharactersBecomeTheSystemsKeyNames) {
  struct Case {
    bool functionKey;
    uint32_t code;
    bool alt;
    Kind kind;
    const char* nameOrText;
  };
  const Case cases[] = {
      {true, KEY_F(10), false, Kind::Key, "F10"},
      {true, KEY_F(22), false, Kind::Key, "Shift+F10"},  // xterm: Shift+F10 is F22
      {true, KEY_F(26), false, Kind::Key, "Ctrl+F2"},
      {true, KEY_F(61), false, Kind::None, ""},
      {true, KEY_UP, false, Kind::Key, "Up"},
      {true, KEY_SLEFT, false, Kind::Key, "Shift+Left"},
      {true, KEY_SR, false, Kind::Key, "Shift+Up"},
      {true, KEY_SEND, false, Kind::Key, "Shift+End"},
      {true, KEY_NPAGE, false, Kind::Key, "PageDown"},
      {true, KEY_DC, false, Kind::Key, "Delete"},
      {true, KEY_IC, false, Kind::Key, "Insert"},
      {true, KEY_BTAB, false, Kind::Key, "Shift+Tab"},
      {true, KEY_BACKSPACE, false, Kind::Key, "Backspace"},
      {true, KEY_ENTER, false, Kind::Key, "Enter"},
      {true, KEY_HOME, true, Kind::Key, "Alt+Home"},
      {true, KEY_RESIZE, false, Kind::Resize, ""},
      {false, 'a', false, Kind::Text, "a"},
      {false, 0x00E9, false, Kind::Text, "\xC3\xA9"},            // é
      {false, 0x4E2D, false, Kind::Text, "\xE4\xB8\xAD"},        // a wide character
      {false, 'f', true, Kind::Key, "Alt+f"},                    // ESC f
      {false, ' ', true, Kind::Key, "Alt+Space"},
      {false, 27, false, Kind::Key, "Escape"},
      {false, 13, false, Kind::Key, "Enter"},
      {false, 9, false, Kind::Key, "Tab"},
      {false, 127, false, Kind::Key, "Backspace"},
      {false, 0, false, Kind::Key, "Ctrl+Space"},
      {false, 3, false, Kind::Key, "Ctrl+c"},                    // a key, not a kill
      {false, 19, false, Kind::Key, "Ctrl+s"},
      {false, 26, false, Kind::Suspend, ""},                     // Ctrl+Z gives the shell back
      {false, 0x9B, false, Kind::None, ""},                      // a C1 control is never typed
  };
  for (const auto& c : cases) {
    const auto e = pt::decodeKey(c.functionKey, c.code, c.alt);
    SCOPED_TRACE(std::to_string(c.code) + (c.functionKey ? " (key code)" : " (character)"));
    EXPECT_EQ(e.kind, c.kind);
    EXPECT_EQ(e.kind == Kind::Text ? e.text : e.name, c.nameOrText);
  }
}

TEST(TerminalInput, ModifiedKeysOfTheTerminalDescriptionAreNamed) {
  // The codes ncurses gives kLFT5 and kDC5 on one terminal.
  const std::map<int32_t, std::string> extended = {{560, "Ctrl+Left"}, {530, "Ctrl+Delete"}};
  EXPECT_EQ(pt::decodeKey(true, 560, false, extended).name, "Ctrl+Left");
  EXPECT_EQ(pt::decodeKey(true, 530, true, extended).name, "Alt+Ctrl+Delete");
  EXPECT_EQ(pt::modifiedKeyCapabilities().at("Ctrl+Home"), "kHOM5");
  EXPECT_EQ(pt::modifiedKeyCapabilities().at("Ctrl+Shift+End"), "kEND6");
}

TEST(TerminalInput, MouseReportsBecomeMouseEvents) {
  using M = pt::MouseEvent;
  struct Case {
    const char* sgr;  // after "\E[<"
    std::optional<M> expected;
  };
  const Case cases[] = {
      {"0;250;40M", M{M::Kind::Press, 249, 39, 1, 0}},   // past the X10 limit of 223
      {"0;250;40m", M{M::Kind::Release, 249, 39, 1, 0}},
      {"2;1;1M", M{M::Kind::Press, 0, 0, 3, 0}},         // the right button
      {"32;10;5M", M{M::Kind::Drag, 9, 4, 1, 0}},        // moved with the left button down
      {"35;10;5M", M{M::Kind::Move, 9, 4, 0, 0}},
      {"64;3;4M", M{M::Kind::Wheel, 2, 3, 4, 0}},
      {"65;3;4M", M{M::Kind::Wheel, 2, 3, 5, 0}},
      {"20;7;8M", M{M::Kind::Press, 6, 7, 1, 1 | 2}},    // Shift and Ctrl
      {"0;0;5M", std::nullopt},                          // cells count from 1
      {"0;10M", std::nullopt},
      {"0;10;5", std::nullopt},
      {"a;10;5M", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sgr);
    EXPECT_EQ(pt::decodeSgrMouse(c.sgr), c.expected);
  }
  // X10: button, column and row bytes, each 32 more; a release without its
  // button.
  EXPECT_EQ(pt::decodeX10Mouse(32, 33 + 99, 33 + 4), (M{M::Kind::Press, 99, 4, 1, 0}));
  EXPECT_EQ(pt::decodeX10Mouse(35, 34, 34), (M{M::Kind::Release, 1, 1, 0, 0}));
  EXPECT_EQ(pt::decodeX10Mouse(96, 40, 40), (M{M::Kind::Wheel, 7, 7, 4, 0}));
  EXPECT_EQ(pt::decodeX10Mouse(20, 40, 40), std::nullopt);
}

}  // namespace
