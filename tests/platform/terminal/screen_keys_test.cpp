// The keys as the screen reads them from a terminal's bytes, for the
// terminal descriptions a person meets: tmux's own, screen's, and xterm's
// inside tmux, whose Home and End tmux sends in the VT220 form; tmux sends
// its keys with modifiers in xterm's form whatever the description says.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/terminal/screen.h"

namespace pt = platform::terminal;
using Kind = pt::InputEvent::Kind;

namespace {

// What the screen makes of the bytes: each key's name, each text as
// "text:...", nothing for what gives no event.
std::vector<std::string> eventsOf(const char* term, const std::string& bytes) {
  std::FILE* in = std::tmpfile();
  std::FILE* out = std::fopen("/dev/null", "w");
  std::fwrite(bytes.data(), 1, bytes.size(), in);
  std::fflush(in);
  std::rewind(in);
  std::vector<std::string> events;
  {
    auto screen = pt::Screen::openStreams(in, out, term, 80, 24);
    if (!screen) {
      events.push_back("no description");
    } else {
      for (int i = 0; i < 64; ++i) {
        const pt::InputEvent e = screen->next(0);
        if (e.kind == Kind::Key) events.push_back(e.name);
        if (e.kind == Kind::Text) events.push_back("text:" + e.text);
      }
    }
  }
  std::fclose(in);
  std::fclose(out);
  return events;
}

TEST(TerminalScreenKeys, KeysComeInEveryFormTerminalsSend) {
  const std::vector<std::string> both = {"Home", "End"};
  struct Case {
    const char* bytes;
    std::vector<std::string> events;
  };
  const Case cases[] = {
      {"\x1b[1~\x1b[4~", both},  // tmux, VT220
      {"\x1bOH\x1bOF", both},    // xterm, application cursor mode
      {"\x1b[H\x1b[F", both},    // xterm, normal cursor mode
      {"\x1b[7~\x1b[8~", both},  // rxvt
      {"\x1b[A\x1bOB\x1b[C\x1bOD", {"Up", "Down", "Right", "Left"}},
      // With modifiers, as xterm and tmux send them.
      {"\x1b[1;5C\x1b[1;5D\x1b[1;2B\x1b[1;6H\x1b[1;2F",
       {"Ctrl+Right", "Ctrl+Left", "Shift+Down", "Ctrl+Shift+Home", "Shift+End"}},
      {"\x1b[1;5Q\x1b[1;2Q\x1b[1;2R\x1b[13;2~\x1b[3;5~",
       {"Ctrl+F2", "Shift+F2", "Shift+F3", "Shift+F3", "Ctrl+Delete"}},
      {"\x1b[5;5~\x1b[6;2~\x1b[1;3A\x1b[1;7B", {"Ctrl+PageUp", "Shift+PageDown", "Alt+Up", "Ctrl+Alt+Down"}},
      // A sequence no key is known by is dropped, not typed.
      {"a\x1b[99~b\x1b[1;9Xc", {"text:a", "text:b", "text:c"}},
      // Alt with a character alone, Alt with "[" among them.
      {"\x1bx", {"Alt+x"}},
      {"\x1b[", {"Alt+["}},
      // Escapes that come together are each an Escape, whatever follows.
      {"\x1b\x1b", {"Escape", "Escape"}},
      {"\x1b\x1b\x1b", {"Escape", "Escape", "Escape"}},
      {"\x1b\x1bx", {"Escape", "Alt+x"}},
  };
  for (const char* term : {"xterm-256color", "screen-256color", "tmux-256color"}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(term) + " " + (c.bytes + 1));
      EXPECT_EQ(eventsOf(term, c.bytes), c.events);
    }
  }
}

}  // namespace
