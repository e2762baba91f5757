// The demo bridge library "kzenvb.dll": the routines a host application
// offers the editor. Each call appends a line to the file that
// KESTRIN_BRIDGE_LOG names; run_vbscript also shows the script it was given
// and lets the host program act inside the hand-over, through the hook
// kestrin_host_onrun when the process has one. What it prints of a script
// and of a path is drawn with its control characters as symbols, so that a
// script never reaches the terminal as a control sequence.
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
    if (::lstat(log, &st) == 0 && S_ISLNK(st.st_mode) && ::unlink(log) == 0)
      fd = ::open(log, flags | O_EXCL, 0666);
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

}  // namespace

extern "C" {

__attribute__((visibility("default"))) int32_t run_vbscript(const char* path) {
  logCall("run_vbscript", path);
  std::printf("   kzenvb: run_vbscript %s\n", shown(path ? path : "").c_str());
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
    std::printf("   kzenvb: refused %s: %s\n", shown(path ? path : "").c_str(), refused);
    std::fflush(stdout);
    return 1;
  }
  FILE* in = ::fdopen(fd, "r");
  char buffer[4096];
  for (int i = 0; in && i < 5 && std::fgets(buffer, sizeof buffer, in); ++i) {
    std::string line(buffer);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    std::printf("   kzenvb: | %s\n", shown(line).c_str());
  }
  if (in) std::fclose(in); else ::close(fd);
  std::fflush(stdout);
  using Hook = void (*)(const char*);
  if (auto hook = reinterpret_cast<Hook>(dlsym(RTLD_DEFAULT, "kestrin_host_onrun"))) hook(path ? path : "");
  return 0;
}

__attribute__((visibility("default"))) int32_t save_scriptname(const char* path) {
  logCall("save_scriptname", path);
  return 0;
}

}  // extern "C"
