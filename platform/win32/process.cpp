#include "platform/win32/process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/win32/launch.h"

extern char** environ;

namespace platform {

namespace {

struct Process {
  pid_t pid = 0;
  bool done = false;
  std::mutex mutex;
};

std::mutex g_mutex;
std::map<HANDLE, std::shared_ptr<Process>> g_processes;
HANDLE g_nextProcess = 0x02000000;

bool isBlank(char c) { return c == ' ' || c == '\t'; }

bool isRegularFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Whether a program name (with a folder, or to be looked for on PATH)
// names an existing file.
bool namesAFile(const std::string& name) {
  if (name.find('/') != std::string::npos) return isRegularFile(name);
  return !findProgramOnPath(name).empty();
}

BOOL fail(DWORD error) {
  SetLastError(error);
  return 0;
}

// The child's report of a failed start: the stage and the errno.
void report(int fd, ProgramStart::Stage stage, int error) {
  const int record[2] = {static_cast<int>(stage), error};
  [[maybe_unused]] const ssize_t n = ::write(fd, record, sizeof record);
}

}  // namespace

std::vector<std::string> splitCommandLine(const std::string& s) {
  std::vector<std::string> arguments;
  size_t i = 0;
  const size_t n = s.size();
  for (;;) {
    while (i < n && isBlank(s[i])) ++i;
    if (i >= n) break;
    std::string current;
    bool quoted = false;
    while (i < n) {
      const char c = s[i];
      if (isBlank(c) && !quoted) break;
      if (c == '\\') {
        size_t k = 0;
        while (i < n && s[i] == '\\') ++k, ++i;
        if (i < n && s[i] == '"') {
          current.append(k / 2, '\\');
          if (k % 2 == 1) {
            current += '"';
            ++i;
          }
        } else {
          current.append(k, '\\');
        }
      } else if (c == '"') {
        if (quoted && i + 1 < n && s[i + 1] == '"') {
          current += '"';
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
      } else {
        current += c;
        ++i;
      }
    }
    arguments.push_back(std::move(current));
  }
  return arguments;
}

std::string findProgramOnPath(const std::string& name) {
  if (name.empty() || name.find('/') != std::string::npos) return {};
  const char* env = std::getenv("PATH");
  const std::string path = env ? env : "/usr/local/bin:/usr/bin:/bin";
  size_t start = 0;
  for (;;) {
    const size_t end = path.find(':', start);
    std::string folder = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (folder.empty()) folder.assign(1, '.');
    const std::string candidate = folder + "/" + name;
    if (isRegularFile(candidate) && ::access(candidate.c_str(), X_OK) == 0) return candidate;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return {};
}

ProgramStart startProgram(const std::string& path, const std::vector<std::string>& arguments, const std::string& folder,
                          bool detached) {
  ProgramStart outcome;
  std::string program = path;
  if (program.find('/') == std::string::npos) {
    program = findProgramOnPath(path);
    if (program.empty()) {
      outcome.error = ENOENT;
      return outcome;
    }
  } else if (program[0] != '/') {
    // Named from this process's folder, not from the new one.
    char cwd[4096];
    if (::getcwd(cwd, sizeof cwd)) program = std::string(cwd) + "/" + program;
  }
  {
    Launch launch;
    launch.program = program;
    if (arguments.size() > 1) launch.arguments.assign(arguments.begin() + 1, arguments.end());
    launch.folder = folder;
    if (!launchGoesAhead(launch)) {
      // Recorded instead of started: as a program that has ended.
      outcome.stage = ProgramStart::Started;
      return outcome;
    }
  }
  std::vector<char*> argv;
  for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  if (argv.empty()) argv.push_back(const_cast<char*>(path.c_str()));
  argv.push_back(nullptr);
  const char* dir = folder.empty() ? nullptr : folder.c_str();

  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) {
    outcome.error = errno;
    return outcome;
  }
  const pid_t pid = ::fork();
  if (pid < 0) {
    outcome.error = errno;
    ::close(fds[0]);
    ::close(fds[1]);
    return outcome;
  }
  if (pid == 0) {
    // Only calls that are safe between fork and exec from here on.
    ::close(fds[0]);
    if (detached) {
      const pid_t grandchild = ::fork();
      if (grandchild < 0) {
        report(fds[1], ProgramStart::ProgramFailed, errno);
        ::_exit(127);
      }
      if (grandchild > 0) ::_exit(0);
      ::setsid();
    }
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    ::sigaction(SIGPIPE, &standard, nullptr);
    // No handle passes to the program but standard input, output, error.
    ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
    if (dir && ::chdir(dir) != 0) {
      report(fds[1], ProgramStart::FolderFailed, errno);
      ::_exit(127);
    }
    ::execve(program.c_str(), argv.data(), environ);
    report(fds[1], ProgramStart::ProgramFailed, errno);
    ::_exit(127);
  }
  ::close(fds[1]);
  int record[2] = {0, 0};
  size_t got = 0;
  while (got < sizeof record) {
    const ssize_t n = ::read(fds[0], reinterpret_cast<char*>(record) + got, sizeof record - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  ::close(fds[0]);
  const bool failed = got == sizeof record;
  if (detached || failed) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }
  if (failed) {
    outcome.stage = static_cast<ProgramStart::Stage>(record[0]);
    outcome.error = record[1];
    return outcome;
  }
  outcome.stage = ProgramStart::Started;
  outcome.processId = detached ? 0 : pid;
  return outcome;
}

BOOL CreateProcess(const std::string& applicationName, const std::string& commandLine, DWORD /*creationFlags*/,
                   const std::string& currentDirectory, const STARTUPINFO& /*startupInfo*/,
                   PROCESS_INFORMATION& processInformation) {
  std::string program;
  std::vector<std::string> arguments;
  if (!applicationName.empty()) {
    program = applicationName;
    arguments = splitCommandLine(commandLine);
    if (arguments.empty()) arguments.push_back(applicationName);
  } else {
    size_t i = 0;
    while (i < commandLine.size() && isBlank(commandLine[i])) ++i;
    if (i >= commandLine.size()) return fail(ERROR_INVALID_PARAMETER);
    std::string rest;
    if (commandLine[i] == '"') {
      const size_t close = commandLine.find('"', i + 1);
      program = commandLine.substr(i + 1, close == std::string::npos ? std::string::npos : close - i - 1);
      rest = close == std::string::npos ? std::string() : commandLine.substr(close + 1);
    } else {
      // An unquoted name with blanks: the text up to each blank in
      // turn, the longest first, until one names a file; so
      // "/opt/my tools/msinfo" runs that program even where a file
      // "/opt/my" exists.
      std::vector<size_t> ends;
      size_t end = i;
      for (;;) {
        while (end < commandLine.size() && !isBlank(commandLine[end])) ++end;
        ends.push_back(end);
        while (end < commandLine.size() && isBlank(commandLine[end])) ++end;
        if (end >= commandLine.size()) break;
      }
      size_t chosen = ends.front();
      for (auto e = ends.rbegin(); e != ends.rend(); ++e) {
        if (namesAFile(commandLine.substr(i, *e - i))) {
          chosen = *e;
          break;
        }
      }
      program = commandLine.substr(i, chosen - i);
      rest = commandLine.substr(chosen);
    }
    arguments.push_back(program);
    for (auto& a : splitCommandLine(rest)) arguments.push_back(std::move(a));
  }
  if (program.empty()) return fail(ERROR_FILE_NOT_FOUND);

  const ProgramStart start = startProgram(program, arguments, currentDirectory, false);
  if (start.stage == ProgramStart::FolderFailed)
    return fail(start.error == EACCES ? ERROR_ACCESS_DENIED : ERROR_DIRECTORY);
  if (start.stage == ProgramStart::ProgramFailed) {
    switch (start.error) {
      case ENOENT:
      case ENOTDIR: return fail(ERROR_FILE_NOT_FOUND);
      case ENOEXEC: return fail(ERROR_BAD_EXE_FORMAT);
      case ENOMEM:
      case EAGAIN: return fail(ERROR_NOT_ENOUGH_MEMORY);
      default: return fail(ERROR_ACCESS_DENIED);
    }
  }
  auto process = std::make_shared<Process>();
  process->pid = start.processId;
  // A start that was only recorded has no process to wait for.
  process->done = start.processId == 0;
  std::lock_guard lock(g_mutex);
  const HANDLE handle = g_nextProcess++;
  g_processes[handle] = process;
  processInformation.hProcess = handle;
  processInformation.hThread = 0;
  processInformation.dwProcessId = static_cast<DWORD>(start.processId);
  processInformation.dwThreadId = 0;
  return 1;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  std::shared_ptr<Process> process;
  {
    std::lock_guard lock(g_mutex);
    const auto it = g_processes.find(handle);
    if (it != g_processes.end()) process = it->second;
  }
  if (!process) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  if (milliseconds != INFINITE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  std::lock_guard lock(process->mutex);
  if (!process->done) {
    int status = 0;
    while (::waitpid(process->pid, &status, 0) < 0 && errno == EINTR) {
    }
    process->done = true;
  }
  return WAIT_OBJECT_0;
}

BOOL CloseHandle(HANDLE handle) {
  std::shared_ptr<Process> process;
  {
    std::lock_guard lock(g_mutex);
    const auto it = g_processes.find(handle);
    if (it == g_processes.end()) return fail(ERROR_INVALID_HANDLE);
    process = it->second;
    g_processes.erase(it);
  }
  // A waiter that holds the process reaps it; otherwise whoever ends
  // last reaps it, so that no finished program lingers.
  std::unique_lock lock(process->mutex, std::try_to_lock);
  if (!lock.owns_lock() || process->done) return 1;
  int status = 0;
  if (::waitpid(process->pid, &status, WNOHANG) == 0) {
    const pid_t pid = process->pid;
    std::thread([pid] {
      int s = 0;
      while (::waitpid(pid, &s, 0) < 0 && errno == EINTR) {
      }
    }).detach();
  }
  process->done = true;
  return 1;
}

}  // namespace platform
