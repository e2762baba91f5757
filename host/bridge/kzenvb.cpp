// The demo bridge library "kzenvb.dll": the routines a host application
// offers the editor. Each call appends a line to the file that
// KESTRIN_BRIDGE_LOG names; run_vbscript also shows the script it was given
// and lets the host program act inside the hand-over, through the hook
// kestrin_host_onrun when the process has one. What it shows of a script
// and of a path is drawn with its control characters as symbols, so that a
// script never reaches the terminal as a control sequence; and it never
// writes to a terminal, where the editor's desktop may be up: its lines go
// to standard output only where that is no terminal (a console host's
// transcript), else to the bridge's own log, bridge.log in
// $XDG_STATE_HOME/kestrin (~/.local/state/kestrin).
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/ui/visible_text.h"

namespace {

// One line appended to the log; a link planted under the log's name is
// removed, never written through.
void logCall(const char* routine, const char* path) {
  const char* log = std::getenv("KESTRIN_BRIDGE_LOG");
  if (!log || !*log) return;
  const int flags = O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC;
  int fd = ::open(log, flags, 0666);
  if (fd < 0 && errno == ELOOP) {
    struct stat st {};
    if (::lstat(log, &st) == 0 && S_ISLNK(st.st_mode) && ::unlink(log) == 0) fd = ::open(log, flags | O_EXCL, 0666);
  }
  if (fd < 0) return;
  const std::string line = std::string(routine) + " " + (path ? path : "") + "\n";
  size_t done = 0;
  while (done < line.size()) {
    const ssize_t n = ::write(fd, line.data() + done, line.size() - done);
    if (n <= 0 && errno != EINTR) break;
    if (n > 0) done += static_cast<size_t>(n);
  }
  ::close(fd);
}

std::string shown(const std::string& text) { return platform::ui::visibleText(text); }

// Appends to a file of the bridge's own: never through a link.
void appendTo(const std::string& path, const std::string& text) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return;
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n <= 0 && errno != EINTR) break;
    if (n > 0) done += static_cast<size_t>(n);
  }
  ::close(fd);
}

// Whether standard output is the terminal: itself, or the memory file in
// which the terminal desktop holds what is written to the terminal while
// it is up (named so by platform/terminal/screen.cpp).
bool outputIsTheTerminal() {
  if (::isatty(STDOUT_FILENO)) return true;
  char target[256];
  const ssize_t n = ::readlink("/proc/self/fd/1", target, sizeof target - 1);
  if (n <= 0) return false;
  return std::string(target, static_cast<size_t>(n)).rfind("/memfd:kestrin-held-output", 0) == 0;
}

// Where the lines the bridge shows go: standard output when it is no
// terminal, else the bridge's log (its folder made as needed).
void showLines(const std::string& lines) {
  if (!outputIsTheTerminal()) {
    std::fwrite(lines.data(), 1, lines.size(), stdout);
    std::fflush(stdout);
    return;
  }
  std::string dir;
  if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state == '/')
    dir = state;
  else if (const char* home = std::getenv("HOME"); home && *home)
    dir = std::string(home) + "/.local/state";
  else
    return;
  dir += "/kestrin";
  for (size_t at = 1; at <= dir.size(); ++at)
    if (at == dir.size() || dir[at] == '/') ::mkdir(dir.substr(0, at).c_str(), 0700);
  appendTo(dir + "/bridge.log", lines);
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) int32_t run_vbscript(const char* path) {
  logCall("run_vbscript", path);
  std::string lines = "   kzenvb: run_vbscript " + shown(path ? path : "") + "\n";
  // The script is the editor's own copy: a link, a FIFO (which would block
  // the host), a device or a file of another user planted under its name
  // is never run.
  const char* refused = nullptr;
  const int fd = ::open(path ? path : "", O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  struct stat st {};
  if (fd < 0)
    refused = errno == ELOOP ? "a symbolic link" : "cannot be opened";
  else if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
    refused = "not a plain file";
  else if (st.st_uid != ::geteuid())
    refused = "a file of another user";
  if (refused) {
    if (fd >= 0) ::close(fd);
    lines += "   kzenvb: refused " + shown(path ? path : "") + ": " + refused + "\n";
    showLines(lines);
    return 1;
  }
  FILE* in = ::fdopen(fd, "r");
  char buffer[4096];
  for (int i = 0; in && i < 5 && std::fgets(buffer, sizeof buffer, in); ++i) {
    std::string line(buffer);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    lines += "   kzenvb: | " + shown(line) + "\n";
  }
  if (in)
    std::fclose(in);
  else
    ::close(fd);
  showLines(lines);
  using Hook = void (*)(const char*);
  if (auto hook = reinterpret_cast<Hook>(dlsym(RTLD_DEFAULT, "kestrin_host_onrun"))) hook(path ? path : "");
  return 0;
}

__attribute__((visibility("default"))) int32_t save_scriptname(const char* path) {
  logCall("save_scriptname", path);
  return 0;
}

}  // extern "C"
