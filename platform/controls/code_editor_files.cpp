#include "platform/controls/code_editor_files.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <vector>

#include "platform/runtime/errors.h"

extern char** environ;

namespace platform::controls {

namespace {

[[noreturn]] void raiseErrno(int e) {
  switch (e) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      raise(err::DiskFull);
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
      raise(err::PermissionDenied);
    case ENOENT:
    case ENOTDIR:
      raise(err::PathNotFound);
    case EISDIR:
      raise(err::PathFileAccessError);
    default:
      raise(err::DeviceIOError);
  }
}

std::string dirName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string baseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Follows symbolic links to the file they name (which need not exist).
std::string resolveLinks(std::string path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::vector<char> buf(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
    const ssize_t n = readlink(path.c_str(), buf.data(), buf.size());
    if (n < 0) raiseErrno(errno);
    std::string target(buf.data(), static_cast<size_t>(n));
    path = target.starts_with('/') ? target : dirName(path) + "/" + target;
  }
  raise(err::PathFileAccessError);
}

bool writeAll(int fd, std::string_view bytes, int& error) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

void copyExtendedAttributes(const std::string& from, int toFd) {
  const ssize_t size = llistxattr(from.c_str(), nullptr, 0);
  if (size <= 0) return;
  std::vector<char> names(static_cast<size_t>(size));
  const ssize_t got = llistxattr(from.c_str(), names.data(), names.size());
  if (got <= 0) return;
  for (size_t i = 0; i < static_cast<size_t>(got);) {
    const char* name = names.data() + i;
    i += strlen(name) + 1;
    const ssize_t vsize = lgetxattr(from.c_str(), name, nullptr, 0);
    if (vsize < 0) continue;
    std::vector<char> value(static_cast<size_t>(vsize) + 1);
    const ssize_t v = lgetxattr(from.c_str(), name, value.data(), value.size());
    if (v < 0) continue;
    // What the file system will not take (a security label of another
    // policy) is left out rather than failing the save.
    (void)fsetxattr(toFd, name, value.data(), static_cast<size_t>(v), 0);
  }
}

mode_t currentUmask() {
  static std::mutex m;
  std::lock_guard lock(m);
  const mode_t old = umask(022);
  umask(old);
  return old;
}

}  // namespace

std::string readTextFile(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) raise(err::FileNotFound);
    raiseErrno(errno);
  }
  if (S_ISDIR(st.st_mode)) raise(err::PathFileAccessError);
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) raiseErrno(errno);
  std::string out;
  if (st.st_size > 0) out.reserve(static_cast<size_t>(st.st_size));
  char buf[1 << 16];
  for (;;) {
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int e = errno;
      close(fd);
      raiseErrno(e);
    }
    if (n == 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  close(fd);
  if (out.starts_with("\xEF\xBB\xBF")) out.erase(0, 3);
  return out;
}

void saveFileAtomically(const std::string& path, std::string_view bytes) {
  if (path.empty()) raise(err::BadFileNameOrNumber);
  const std::string target = resolveLinks(path);
  struct stat st {};
  const bool exists = stat(target.c_str(), &st) == 0;
  if (!exists && errno != ENOENT) raiseErrno(errno);
  if (exists) {
    if (S_ISDIR(st.st_mode)) raise(err::PathFileAccessError);
    // A read-only file is refused even where the process could write it
    // (the superuser).
    if ((st.st_mode & 0222) == 0 || access(target.c_str(), W_OK) != 0) raise(err::PermissionDenied);
  }
  const std::string folder = dirName(target);
  std::string tmp = folder + "/." + baseName(target) + ".XXXXXX";
  const int fd = mkostemp(tmp.data(), O_CLOEXEC);
  if (fd < 0) raiseErrno(errno);
  int error = 0;
  auto fail = [&](int e) {
    close(fd);
    unlink(tmp.c_str());
    raiseErrno(e);
  };
  if (!writeAll(fd, bytes, error)) fail(error);
  if (exists) {
    if (fchmod(fd, st.st_mode & 07777) != 0) fail(errno);
    if (fchown(fd, st.st_uid, st.st_gid) != 0) {
      // Another owner cannot be given by an ordinary user; the file then
      // belongs to the saver, as any new file would.
    }
    copyExtendedAttributes(target, fd);
  } else {
    if (fchmod(fd, 0666 & ~currentUmask()) != 0) fail(errno);
  }
  if (fsync(fd) != 0) fail(errno);
  if (close(fd) != 0) {
    const int e = errno;
    unlink(tmp.c_str());
    raiseErrno(e);
  }
  if (rename(tmp.c_str(), target.c_str()) != 0) {
    const int e = errno;
    unlink(tmp.c_str());
    raiseErrno(e);
  }
  const int dfd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    (void)fsync(dfd);
    close(dfd);
  }
}

// --- the printer -------------------------------------------------------------

namespace {
struct Printer {
  std::mutex mutex;
  std::string folder;
  bool spooler = false;
  std::atomic<uint32_t> jobs{0};
};
Printer& printer() {
  static Printer p;
  return p;
}
}  // namespace

std::string printFolder() {
  Printer& p = printer();
  std::lock_guard lock(p.mutex);
  if (!p.folder.empty()) return p.folder;
  if (const char* env = std::getenv("KESTRIN_PRINT_DIR"); env && *env) return env;
  const char* tmp = std::getenv("TMPDIR");
  return std::string(tmp && *tmp ? tmp : "/tmp") + "/kestrin-print";
}

void setPrintFolder(const std::string& folder) {
  Printer& p = printer();
  std::lock_guard lock(p.mutex);
  p.folder = folder;
}

void setPrintSpooler(bool useLp) {
  Printer& p = printer();
  std::lock_guard lock(p.mutex);
  p.spooler = useLp;
}

std::string printTextJob(const std::string& title, std::string_view text) {
  const std::string folder = printFolder();
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) raise(err::PathNotFound);
  std::string safe;
  for (char c : title.empty() ? std::string("job") : title)
    safe += (std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.') ? c : '_';
  if (safe.size() > 64) safe.resize(64);
  const std::string path = folder + "/" + std::to_string(getpid()) + "-" +
                           std::to_string(++printer().jobs) + "-" + safe + ".txt";
  saveFileAtomically(path, text);
  bool spool;
  {
    std::lock_guard lock(printer().mutex);
    spool = printer().spooler;
  }
  if (spool) {
    const char* argv[] = {"lp", "-t", title.c_str(), path.c_str(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, "lp", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0)
      raise(err::DeviceIOError);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) raise(err::DeviceIOError);
  }
  return path;
}

}  // namespace platform::controls
