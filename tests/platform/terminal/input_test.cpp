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
      {true, KEY_F(49), false, Kind::Key, "Alt+F1"},  // xterm: Alt+F1 is F49
      {true, KEY_F(60), false, Kind::Key, "Alt+F12"},
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
      {false, 0x00E9, false, Kind::Text, "\xC3\xA9"},      // é
      {false, 0x4E2D, false, Kind::Text, "\xE4\xB8\xAD"},  // a wide character
      {false, 'f', true, Kind::Key, "Alt+f"},              // ESC f
      {false, ' ', true, Kind::Key, "Alt+Space"},
      {false, 27, false, Kind::Key, "Escape"},
      {false, 13, false, Kind::Key, "Enter"},
      {false, 9, false, Kind::Key, "Tab"},
      {false, 127, false, Kind::Key, "Backspace"},
      {false, 8, false, Kind::Key, "Ctrl+h"},  // Backspace sends ^? here
      {false, 1, false, Kind::Key, "Ctrl+a"},
      {false, 25, false, Kind::Key, "Ctrl+y"},
      {false, 0, false, Kind::Key, "Ctrl+Space"},
      {false, 3, false, Kind::Key, "Ctrl+c"},  // a key, not a kill
      {false, 19, false, Kind::Key, "Ctrl+s"},
      {false, 26, false, Kind::Key, "Ctrl+z"},  // the editor's Undo, not a stop
      {false, 26, true, Kind::Key, "Alt+Ctrl+z"},
      {false, 0x9B, false, Kind::None, ""},  // a C1 control is never typed
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
  pt::KeyOptions options;
  options.extended = extended;
  EXPECT_EQ(pt::decodeKey(true, 560, false, options).name, "Ctrl+Left");
  EXPECT_EQ(pt::decodeKey(true, 530, true, options).name, "Alt+Ctrl+Delete");
  // A terminal whose Backspace sends ^H.
  options.backspaceIsCtrlH = true;
  EXPECT_EQ(pt::decodeKey(false, 8, false, options).name, "Backspace");
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
      {"0;250;40M", M{M::Kind::Press, 249, 39, 1, 0}},  // past the X10 limit of 223
      {"0;250;40m", M{M::Kind::Release, 249, 39, 1, 0}},
      {"2;1;1M", M{M::Kind::Press, 0, 0, 3, 0}},   // the right button
      {"32;10;5M", M{M::Kind::Drag, 9, 4, 1, 0}},  // moved with the left button down
      {"35;10;5M", M{M::Kind::Move, 9, 4, 0, 0}},
      {"64;3;4M", M{M::Kind::Wheel, 2, 3, 4, 0}},
      {"65;3;4M", M{M::Kind::Wheel, 2, 3, 5, 0}},
      {"20;7;8M", M{M::Kind::Press, 6, 7, 1, 1 | 2}},  // Shift and Ctrl
      {"8;7;8M", M{M::Kind::Press, 6, 7, 1, 4}},       // Alt
      {"28;7;8m", M{M::Kind::Release, 6, 7, 1, 1 | 2 | 4}},
      {"72;3;4M", M{M::Kind::Wheel, 2, 3, 4, 4}},  // Alt and the wheel
      {"66;3;4M", std::nullopt},                   // the wheel tilted sideways
      {"67;3;4M", std::nullopt},
      {"0;0;5M", std::nullopt},  // cells count from 1
      {"0;5;0M", std::nullopt},
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

TEST(TerminalInput, KeyReportsWithModifiersTellCtrlKeysFromTheirNeighbours) {
  struct Case {
    uint32_t code;
    int32_t mod;  // 1 + Shift 1, Alt 2, Ctrl 4
    Kind kind;
    const char* nameOrText;
  };
  const Case cases[] = {
      {'h', 5, Kind::Key, "Ctrl+h"},  // not Backspace
      {'i', 5, Kind::Key, "Ctrl+i"},  // not Tab
      {'m', 5, Kind::Key, "Ctrl+m"},  // not Enter
      {'H', 6, Kind::Key, "Ctrl+Shift+h"},   {'z', 5, Kind::Key, "Ctrl+z"},    {'f', 3, Kind::Key, "Alt+f"},
      {'f', 7, Kind::Key, "Ctrl+Alt+f"},     {32, 5, Kind::Key, "Ctrl+Space"}, {32, 6, Kind::Key, "Ctrl+Shift+Space"},
      {9, 2, Kind::Key, "Shift+Tab"},        {9, 5, Kind::Key, "Ctrl+Tab"},    {13, 3, Kind::Key, "Alt+Enter"},
      {127, 5, Kind::Key, "Ctrl+Backspace"}, {'A', 2, Kind::Text, "A"},  // a shifted character is the character
      {0xE9, 2, Kind::Text, "\xC3\xA9"},     {'h', 0, Kind::None, ""},         {5, 5, Kind::None, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.code) + ";" + std::to_string(c.mod));
    const auto e = pt::decodeModifiedKey(c.code, c.mod);
    EXPECT_EQ(e.kind, c.kind);
    EXPECT_EQ(e.kind == Kind::Text ? e.text : e.name, c.nameOrText);
  }
  // modifyOtherKeys' form after "\E[27;": "mod;code~".
  EXPECT_EQ(pt::decodeOtherKeyReport("5;104~").name, "Ctrl+h");
  EXPECT_EQ(pt::decodeOtherKeyReport("6;32~").name, "Ctrl+Shift+Space");
  EXPECT_EQ(pt::decodeOtherKeyReport("5;104").kind, Kind::None);
  EXPECT_EQ(pt::decodeOtherKeyReport("5104~").kind, Kind::None);
  // The CSI u form is read through one own key code per sequence.
  bool found = false;
  for (const auto& own : pt::csiUSequences())
    if (own.sequence == "\x1b[105;5u") {
      found = true;
      const int32_t v = own.code - pt::own_key::CsiUBase;
      EXPECT_EQ(pt::decodeModifiedKey(static_cast<uint32_t>(v / 8), v % 8 + 1).name, "Ctrl+i");
    }
  EXPECT_TRUE(found);
}

TEST(TerminalInput, APasteKeepsItsBytesUpToTheEndMarkerWhereverThePiecesBreak) {
  struct Case {
    std::vector<std::string> pieces;
    std::string text;
    std::string rest;  // after the end marker
  };
  const Case cases[] = {
      {{"Dim a\r\nDim b\r\n\x1b[201~"}, "Dim a\r\nDim b\r\n", ""},
      {{"a\rb\nc\x1b[201~"}, "a\rb\nc", ""},  // each break as it came
      {{"x\x1b[2", "01~y"}, "x", "y"},        // the marker split
      {{"x\x1b", "[201", "~"}, "x", ""},
      {{"\x1b[A\tq\x1b[201~"}, "\x1b[A\tq", ""},  // a pasted sequence is text
      {{"a", std::string("b\0c", 3), "\x1b[201~\x1b[201~"}, "abc", "\x1b[201~"},
      {{"\x1b[20", "0~ never ended"}, "\x1b[200~ never ended", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    pt::PasteCollector paste;
    pt::PasteCollector::Result r;
    for (const auto& piece : c.pieces) r = paste.add(piece);
    EXPECT_EQ(paste.take(), c.text);
    EXPECT_EQ(r.rest, c.rest);
  }
}

}  // namespace
