// The terminal is given back on every way out: a child on a pseudo
// terminal opens the screen and ends in each of the ways a program ends;
// the parent then finds line mode and echo back, the modes switched off
// after they were switched on, and the child ended as it would have.
#include <gtest/gtest.h>

#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "platform/terminal/screen.h"

namespace pt = platform::terminal;

namespace {

enum class End { Normal, Exception, Term, Int, Hangup, Quit, TermTwice, Segv, Abort, Prints };

[[gnu::noinline]] void escape() { throw std::runtime_error("escaped"); }

// noexcept: an exception that leaves it ends the program (std::terminate).
[[noreturn]] void child(End end) noexcept {
  ::setenv("TERM", "xterm-256color", 1);
  std::string why;
  auto screen = pt::Screen::openTerminal(&why);
  if (!screen) _exit(99);
  pt::Grid g(screen->width(), screen->height());
  g.put(0, 0, "drawn", {});
  screen->show(g);
  switch (end) {
    case End::Normal: screen.reset(); _exit(0);
    case End::Exception: escape(); break;  // std::terminate, then abort
    case End::Term:
    case End::Int:
    case End::Hangup:
    case End::Quit: {
      // The handler only notes the signal; the reader reports it and the
      // program ends through the screen.
      ::raise(end == End::Term ? SIGTERM : end == End::Int ? SIGINT : end == End::Hangup ? SIGHUP : SIGQUIT);
      const pt::InputEvent e = screen->next(2000);
      if (e.kind != pt::InputEvent::Kind::Ending) _exit(97);
      screen->endProcess(e.signal);
      _exit(96);
    }
    case End::TermTwice:
      // A program busy elsewhere: the second request ends it at once.
      ::raise(SIGTERM);
      ::raise(SIGTERM);
      break;
    case End::Segv: {
      volatile int* nowhere = nullptr;
      *nowhere = 1;
      break;
    }
    case End::Abort: std::abort();
    case End::Prints: {
      // The program and a program it starts write to their standard
      // output and error, which are the terminal, while the desktop is up.
      std::fputs("printed-out\n", stdout);
      std::fflush(stdout);
      if (::write(STDERR_FILENO, "printed-err\n", 12) != 12) _exit(95);
      const pid_t started = ::fork();
      if (started == 0) {
        _exit(::write(STDERR_FILENO, "printed-child\n", 14) == 14 ? 0 : 1);
      }
      ::waitpid(started, nullptr, 0);
      screen.reset();
      _exit(0);
    }
  }
  _exit(98);
}

struct Outcome {
  std::string output;
  int status = 0;
  termios after{};
};

Outcome run(End end) {
  int master = -1;
  winsize ws{};
  ws.ws_row = 24;
  ws.ws_col = 80;
  const pid_t pid = ::forkpty(&master, nullptr, nullptr, &ws);
  if (pid == 0) child(end);
  Outcome o;
  char buf[4096];
  for (;;) {
    const ssize_t n = ::read(master, buf, sizeof buf);
    if (n <= 0) break;  // the child has gone (EIO)
    o.output.append(buf, static_cast<size_t>(n));
  }
  ::tcgetattr(master, &o.after);
  ::waitpid(pid, &o.status, 0);
  ::close(master);
  return o;
}

TEST(TerminalRestore, EveryWayOutGivesTheTerminalBack) {
  struct Case {
    End end;
    const char* name;
    int signal;  // 0: a normal exit
  };
  const Case cases[] = {
      {End::Normal, "normal end", 0},
      {End::Exception, "exception", SIGABRT},
      {End::Term, "SIGTERM", SIGTERM},
      {End::Int, "SIGINT", SIGINT},
      {End::Segv, "crash", SIGSEGV},
      {End::Abort, "abort", SIGABRT},
      {End::Hangup, "SIGHUP", SIGHUP},
      {End::Quit, "SIGQUIT", SIGQUIT},
      {End::TermTwice, "SIGTERM twice, unread", SIGTERM},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
#if defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer keeps SIGSEGV for its own report.
    if (c.end == End::Segv) continue;
#endif
    const Outcome o = run(c.end);
    if (c.signal == 0) {
      ASSERT_TRUE(WIFEXITED(o.status));
      EXPECT_EQ(WEXITSTATUS(o.status), 0);
    } else {
      // The child ends by its signal, exit status and core dump intact.
      ASSERT_TRUE(WIFSIGNALED(o.status)) << o.status;
      EXPECT_EQ(WTERMSIG(o.status), c.signal);
    }
    const size_t on = o.output.rfind("\x1b[?1000h");
    ASSERT_NE(on, std::string::npos) << "the mouse was switched on";
    EXPECT_NE(o.output.find("drawn"), std::string::npos);
    const size_t off = o.output.rfind("\x1b[?1000l");
    ASSERT_NE(off, std::string::npos) << "the mouse was never switched off";
    EXPECT_LT(on, off);
    EXPECT_NE(o.output.find("\x1b[?2004l", on), std::string::npos) << "bracketed paste stays on";
    EXPECT_NE(o.output.find("\x1b[>4m", on), std::string::npos) << "the key reports stay";
    EXPECT_NE(o.output.find("\x1b[?1049l", on), std::string::npos) << "the alternate screen stays";
    EXPECT_TRUE(o.after.c_lflag & ICANON);
    EXPECT_TRUE(o.after.c_lflag & ECHO);
  }
}

// What is written to the terminal while the desktop is up is shown after
// the terminal is given back, not drawn over the desktop.
TEST(TerminalRestore, OutputToTheTerminalWaitsUntilItIsGivenBack) {
  const Outcome o = run(End::Prints);
  ASSERT_TRUE(WIFEXITED(o.status));
  const size_t back = o.output.rfind("\x1b[?1049l");
  ASSERT_NE(back, std::string::npos);
  for (const char* text : {"printed-out", "printed-err", "printed-child"}) {
    SCOPED_TRACE(text);
    const size_t at = o.output.find(text);
    ASSERT_NE(at, std::string::npos) << "the output was lost";
    EXPECT_GT(at, back) << "written over the desktop";
  }
}

}  // namespace
