#include "platform/win32/shell.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/win32/launch.h"

namespace platform {

namespace {

// How long the opener may take to say whether it could open the item;
// one that is still running by then is taken to have opened it.
constexpr auto kOpenerVerdict = std::chrono::seconds(5);

std::string lower(const std::string& s) {
  std::string out = s;
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

// "scheme:..." with a scheme of two or more characters.
bool looksLikeAddress(const std::string& s) {
  const auto colon = s.find(':');
  if (colon == std::string::npos || colon < 2) return false;
  auto alpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  if (!alpha(s[0])) return false;
  for (size_t i = 1; i < colon; ++i) {
    const char c = s[i];
    if (!alpha(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') return false;
  }
  return true;
}

bool isFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string parentOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

int32_t resultOfStart(const ProgramStart& start) {
  if (start.stage == ProgramStart::Started) return SHELL_EXECUTE_SUCCESS;
  if (start.stage == ProgramStart::FolderFailed) return start.error == EACCES ? SE_ERR_ACCESSDENIED : SE_ERR_PNF;
  switch (start.error) {
    case ENOENT: return SE_ERR_FNF;
    case ENOTDIR: return SE_ERR_PNF;
    case ENOEXEC: return SE_ERR_BADFORMAT;
    case ENOMEM:
    case EAGAIN: return SE_ERR_OOM;
    default: return SE_ERR_ACCESSDENIED;
  }
}

// Hands an item to the desktop's opener and waits a little for its verdict.
// An item that begins with "-" never reaches it as an option: such an item
// is a relative path (no address begins so) and goes as "./" and the path.
int32_t openWithOpener(const std::string& given, const std::string& directory) {
  const std::string item = given.starts_with('-') ? "./" + given : given;
  Launch launch;
  launch.kind = Launch::Kind::Opener;
  launch.arguments = {item};
  launch.folder = directory;
  if (!launchGoesAhead(launch)) return SHELL_EXECUTE_SUCCESS;
  std::vector<std::string> arguments;
  std::string opener = findProgramOnPath("xdg-open");
  if (!opener.empty()) {
    arguments = {opener, item};
  } else {
    opener = findProgramOnPath("gio");
    if (opener.empty()) return SE_ERR_NOASSOC;
    arguments = {opener, "open", item};
  }
  const std::string folder = isFolder(directory) ? directory : std::string();
  const ProgramStart start = startProgram(opener, arguments, folder, false);
  if (start.stage != ProgramStart::Started) return SE_ERR_NOASSOC;
  const pid_t pid = start.processId;
  const auto deadline = std::chrono::steady_clock::now() + kOpenerVerdict;
  for (;;) {
    int status = 0;
    const pid_t r = ::waitpid(pid, &status, WNOHANG);
    if (r == pid) return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? SHELL_EXECUTE_SUCCESS : SE_ERR_NOASSOC;
    if (r < 0 && errno != EINTR) return SHELL_EXECUTE_SUCCESS;
    if (std::chrono::steady_clock::now() >= deadline) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  // Still busy: it opened the item itself and stays with it.
  std::thread([pid] {
    int s = 0;
    while (::waitpid(pid, &s, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return SHELL_EXECUTE_SUCCESS;
}

}  // namespace

int32_t ShellExecute(HWND /*owner*/, const std::string& verb, const std::string& file,
                     const std::string& /*parameters*/, const std::string& directory, int32_t /*showCommand*/) {
  const std::string v = verb.empty() ? "open" : lower(verb);
  if (v != "open" && v != "explore") return SE_ERR_NOASSOC;
  if (file.empty()) return SE_ERR_FNF;
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) {
    const int e = errno;
    if (looksLikeAddress(file)) return v == "open" ? openWithOpener(file, directory) : SE_ERR_NOASSOC;
    if (e == ENOENT) return isFolder(parentOf(file)) ? SE_ERR_FNF : SE_ERR_PNF;
    if (e == ENOTDIR || e == ENAMETOOLONG || e == ELOOP) return SE_ERR_PNF;
    return SE_ERR_ACCESSDENIED;
  }
  if (S_ISDIR(st.st_mode)) return openWithOpener(file, directory);
  if (v == "explore") return SE_ERR_NOASSOC;
  if (::access(file.c_str(), R_OK) != 0) return SE_ERR_ACCESSDENIED;
  return openWithOpener(file, directory);
}

int32_t ShellStartProgram(HWND owner, const std::string& program, const std::string& parameters,
                          const std::string& directory, int32_t showCommand) {
  struct stat st {};
  if (!program.empty() && ::stat(program.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0111) &&
      ::access(program.c_str(), X_OK) == 0) {
    std::vector<std::string> arguments = {program};
    for (auto& a : splitCommandLine(parameters)) arguments.push_back(std::move(a));
    const std::string path = program.find('/') == std::string::npos ? "./" + program : program;
    return resultOfStart(startProgram(path, arguments, directory, true));
  }
  return ShellExecute(owner, "open", program, parameters, directory, showCommand);
}

BOOL ShellExecuteEx(SHELLEXECUTEINFO& info) {
  info.hProcess = 0;
  if (lower(info.lpVerb) == "properties") {
    info.hInstApp = SE_ERR_NOASSOC;
    SetLastError(ERROR_NOT_SUPPORTED);
    return 0;
  }
  info.hInstApp = ShellExecute(info.hwnd, info.lpVerb, info.lpFile, info.lpParameters, info.lpDirectory, info.nShow);
  return info.hInstApp > 32 ? 1 : 0;
}

}  // namespace platform
