// The face a process without a user of its own shows its windows on, as
// the platform library chooses it: KESTRIN_DESKTOP first, then the windows
// when the display can be reached, then the terminal when the process has
// one, else the absent user with its one line on standard error. Each case
// runs in a process of its own, in a session of its own: with a pseudo
// terminal of the test's own as its terminal, or with none; the windows on
// Qt's offscreen platform. Only the windows load the toolkit.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

enum class Display { None, Unreachable, Offscreen };

struct Situation {
  const char* desktop;  // KESTRIN_DESKTOP, nullptr: unset
  Display display;
  bool terminal;  // a controlling terminal (a pseudo terminal)
};

struct Outcome {
  std::string face;    // the user's type
  std::string errors;  // standard error
  int status = -1;
};

// An X display number with no server socket on this machine.
std::string unreachableDisplay() {
  for (int n = 4711;; ++n)
    if (!fs::exists("/tmp/.X11-unix/X" + std::to_string(n))) return ":" + std::to_string(n);
}

Outcome run(const Situation& setup, const fs::path& folder) {
  static const std::set<std::string> controlled = {"KESTRIN_DESKTOP", "DISPLAY", "WAYLAND_DISPLAY",
                                                   "QT_QPA_PLATFORM", "TERM",    "XDG_RUNTIME_DIR"};
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string v = *e;
    if (!controlled.count(v.substr(0, v.find('=')))) env.push_back(v);
  }
  env.push_back("TERM=xterm");
  env.push_back("XDG_RUNTIME_DIR=" + folder.string());
  if (setup.desktop) env.push_back(std::string("KESTRIN_DESKTOP=") + setup.desktop);
  if (setup.display == Display::Unreachable) env.push_back("DISPLAY=" + unreachableDisplay());
  if (setup.display == Display::Offscreen) {
    std::ofstream(folder / "wayland-test").put('\n');
    env.push_back("WAYLAND_DISPLAY=wayland-test");
    env.push_back("QT_QPA_PLATFORM=offscreen");
  }
  std::vector<char*> envp;
  for (auto& v : env) envp.push_back(v.data());
  envp.push_back(nullptr);

  int out[2], err[2];
  if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return {};
  int master = -1;
  std::string slave;
  if (setup.terminal) {
    master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return {};
    slave = ptsname(master);
    winsize size{};
    size.ws_row = 25;
    size.ws_col = 80;
    ioctl(master, TIOCSWINSZ, &size);
  }
  const std::string child = KESTRIN_DESKTOP_CHOICE_CHILD;
  char* argv[] = {const_cast<char*>(child.c_str()), nullptr};
  const pid_t pid = fork();
  if (pid == 0) {
    // A session of its own: no terminal but the one given here.
    setsid();
    int in = setup.terminal ? open(slave.c_str(), O_RDWR) : open("/dev/null", O_RDWR);
    if (setup.terminal && in >= 0) ioctl(in, TIOCSCTTY, 0);
    dup2(in, 0);
    dup2(out[1], 1);
    dup2(err[1], 2);
    execve(argv[0], argv, envp.data());
    _exit(127);
  }
  close(out[1]);
  close(err[1]);
  Outcome o;
  std::string* sinks[] = {&o.face, &o.errors, nullptr};
  std::string screen;
  sinks[2] = &screen;
  pollfd fds[3] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}, {master, POLLIN, 0}};
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  int open = 2;
  while (open > 0 && std::chrono::steady_clock::now() < until) {
    if (poll(fds, master >= 0 ? 3 : 2, 200) <= 0) continue;
    for (int i = 0; i < 3; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char buf[4096];
      const ssize_t n = read(fds[i].fd, buf, sizeof buf);
      if (n > 0) {
        sinks[i]->append(buf, static_cast<size_t>(n));
      } else if (i < 2) {
        fds[i].fd = -1;
        --open;
      }
    }
  }
  if (open > 0) kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
  o.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  close(out[0]);
  close(err[0]);
  if (master >= 0) close(master);
  while (!o.face.empty() && o.face.back() == '\n') o.face.pop_back();
  return o;
}

constexpr const char* kWindows = "platform::gui::WindowUser";
constexpr const char* kTerminal = "platform::terminal::TerminalDesktop";
constexpr const char* kAbsent = "AbsentUser";
constexpr const char* kCannotShow = "The editor's windows cannot be shown (";

TEST(DesktopChoice, TheFaceIsTheOneTheVariableTheDisplayAndTheTerminalGive) {
  struct Case {
    Situation situation;
    const char* face;
    const char* why;  // a part of the one line on standard error; nullptr: no line
  };
  std::vector<Case> cases = {
      {{nullptr, Display::None, true}, kTerminal, nullptr},
      {{nullptr, Display::Unreachable, true}, kTerminal, nullptr},
      {{nullptr, Display::None, false}, kAbsent, "there is no terminal (/dev/tty)"},
      {{nullptr, Display::Unreachable, false}, kAbsent, "cannot be reached"},
      {{"auto", Display::None, true}, kTerminal, nullptr},
      {{"terminal", Display::Offscreen, true}, kTerminal, nullptr},
      {{"terminal", Display::None, false}, kAbsent, "there is no terminal (/dev/tty)"},
      {{"gui", Display::None, true}, kAbsent, "the process has no display"},
      {{"gui", Display::Unreachable, true}, kAbsent, "cannot be reached"},
      {{"off", Display::Offscreen, true}, kAbsent, nullptr},
      {{"off", Display::None, false}, kAbsent, nullptr},
  };
#if KESTRIN_TEST_HAVE_GUI
  cases.push_back({{nullptr, Display::Offscreen, true}, kWindows, nullptr});
  cases.push_back({{nullptr, Display::Offscreen, false}, kWindows, nullptr});
  cases.push_back({{"gui", Display::Offscreen, false}, kWindows, nullptr});
#endif
  const fs::path folder = fs::temp_directory_path() / ("kestrin-choice-" + std::to_string(getpid()));
  fs::create_directories(folder);
  fs::permissions(folder, fs::perms::owner_all);
  for (const auto& c : cases) {
    const std::string label = std::string("KESTRIN_DESKTOP=") +
                              (c.situation.desktop ? c.situation.desktop : "(unset)") +
                              " display=" + std::to_string(static_cast<int>(c.situation.display)) +
                              " terminal=" + std::to_string(c.situation.terminal);
    const Outcome o = run(c.situation, folder);
    EXPECT_EQ(o.status, 0) << label << "\n" << o.errors;
    EXPECT_NE(o.face.find(c.face), std::string::npos) << label << ": " << o.face;
    // Only the windows map the toolkit's libraries.
    const bool windows = std::string(c.face) == kWindows;
    EXPECT_NE(o.face.find(windows ? "toolkit mapped" : "toolkit not mapped"), std::string::npos)
        << label << ": " << o.face;
    const size_t line = o.errors.find(kCannotShow);
    if (!c.why) {
      EXPECT_EQ(line, std::string::npos) << label << ": " << o.errors;
      continue;
    }
    ASSERT_NE(line, std::string::npos) << label << ": " << o.errors;
    const std::string said = o.errors.substr(line);
    EXPECT_NE(said.find(c.why), std::string::npos) << label << ": " << said;
    // One line, said once.
    EXPECT_EQ(said.find('\n'), said.size() - 1) << label << ": " << said;
  }
  fs::remove_all(folder);
}

}  // namespace
