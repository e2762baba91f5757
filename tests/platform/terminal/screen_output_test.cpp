// What a frame writes to the terminal: the text of its cells as they hold
// it, whole however many marks a character carries, and never a control
// character, which the terminal would take for a command.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "platform/terminal/screen.h"

namespace pt = platform::terminal;

namespace {

// The bytes the screen writes for the frame.
std::string written(const pt::Grid& frame) {
  std::FILE* in = std::fopen("/dev/null", "r");
  std::FILE* out = std::tmpfile();
  {
    auto screen = pt::Screen::openStreams(in, out, "xterm-256color", frame.width(), frame.height());
    if (screen) screen->show(frame);
  }
  std::string bytes;
  std::rewind(out);
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, out)) > 0;) bytes.append(buffer, n);
  std::fclose(in);
  std::fclose(out);
  return bytes;
}

TEST(TerminalScreenOutput, CellsGoOutWholeAndNoControlCharacterWithThem) {
  std::string marks;
  for (int i = 0; i < 10; ++i) marks += "\u0301";
  pt::Grid g(20, 2);
  g.put(0, 0, "ok \u4e2d", {.fg = 0x0000FF});
  g.put(0, 1, "e" + marks, {.attrs = pt::attr::Bold});
  // Drawn a character at a time, nothing makes a control character
  // visible first.
  g.putChar(10, 0, "\x07", {});
  g.putChar(11, 0, "\x1b", {});
  g.putChar(12, 0, "\xc2\x9b", {});
  const std::string bytes = written(g);
  EXPECT_NE(bytes.find("ok"), std::string::npos);
  EXPECT_NE(bytes.find("\u4e2d"), std::string::npos);
  EXPECT_NE(bytes.find("e" + marks), std::string::npos);
  EXPECT_EQ(bytes.find('\x07'), std::string::npos);
  EXPECT_EQ(bytes.find("\xc2\x9b"), std::string::npos);
  // Every escape is one of the screen's own: a control sequence, the
  // choice of a character set, the keypad's mode.
  for (size_t at = bytes.find('\x1b'); at != std::string::npos; at = bytes.find('\x1b', at + 1))
    EXPECT_TRUE(at + 1 < bytes.size() && std::string_view("[(=>").find(bytes[at + 1]) != std::string_view::npos)
        << testing::PrintToString(bytes.substr(at, 8));
}

}  // namespace
