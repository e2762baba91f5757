#include "platform/controls/code_editor_files.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/runtime/errors.h"
#include "platform/runtime/private_folder.h"
#include "platform/runtime/replace_file.h"
#include "platform/runtime/script_file.h"
#include "platform/ui/user.h"

extern char** environ;

namespace platform::controls {

namespace {

struct Closer {
  int fd;
  ~Closer() { close(fd); }
};

// Opens a plain file to read it (its status in *st).
int openPlainFile(const std::string& path, struct stat* st) {
  if (stat(path.c_str(), st) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) raise(err::FileNotFound);
    raiseFileErrno(errno);
  }
  // A folder, a FIFO (which would wait for a writer for ever) or a device
  // (/dev/zero never ends) is not a script: only a plain file is read.
  if (!S_ISREG(st->st_mode)) raise(err::PathFileAccessError);
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) raiseFileErrno(errno);
  if (fstat(fd, st) != 0 || !S_ISREG(st->st_mode)) {
    close(fd);
    raise(err::PathFileAccessError);
  }
  return fd;
}

// Makes the pages of a new block present at once (one call instead of a
// fault on each page as the read fills it); pages that are there already,
// as in a block the heap had used before, stay as they are. Only a hint:
// a kernel without it reads all the same.
void makePresent(char* at, size_t size) {
#ifdef MADV_POPULATE_WRITE
  const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  const uintptr_t from = (reinterpret_cast<uintptr_t>(at) + page - 1) & ~(page - 1);
  const uintptr_t to = (reinterpret_cast<uintptr_t>(at) + size) & ~(page - 1);
  if (to > from) (void)madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE);
#else
  (void)at;
  (void)size;
#endif
}

// Whether the bytes hold a line break that is no CR LF (a CR at their
// very end may be the first half of one).
bool hasLoneBreak(std::string_view bytes) {
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r')) return true;
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] != '\n') return true;
  }
  return false;
}

}  // namespace

WholeFile readWholeTextFile(const std::string& path) {
  struct stat st {};
  const int fd = openPlainFile(path, &st);
  Closer closer{fd};
  if (st.st_size <= 0 || static_cast<uint64_t>(st.st_size) > kWholeFileLimit) return {};
  const size_t size = static_cast<size_t>(st.st_size);
  // A text whose breaks are not CR LF goes into chunks of its own anyway:
  // read by blocks then, with no copy of the whole.
  char head[4096];
  ssize_t got;
  while ((got = pread(fd, head, std::min(size, sizeof head), 0)) < 0 && errno == EINTR) {
  }
  if (got < 0) raiseFileErrno(errno);
  if (hasLoneBreak(std::string_view(head, static_cast<size_t>(got)))) return {};
  std::shared_ptr<char[]> block(new char[size]);
  char* d = block.get();
  makePresent(d, size);
  size_t have = 0;
  while (have < size) {
    const ssize_t n = read(fd, d + have, size - have);
    if (n < 0) {
      if (errno == EINTR) continue;
      raiseFileErrno(errno);
    }
    if (n == 0) break;  // it got shorter: what is there
    have += static_cast<size_t>(n);
  }
  if (have == size) {
    char more;
    ssize_t n;
    while ((n = read(fd, &more, 1)) < 0 && errno == EINTR) {
    }
    if (n < 0) raiseFileErrno(errno);
    if (n > 0) return {};  // it grew: read by blocks
  }
  std::string_view bytes(d, have);
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  if (bytes.empty()) return {};
  return {std::move(block), bytes};
}

void readTextFileBlocks(const std::string& path, const std::function<void(std::string_view)>& block) {
  struct stat st {};
  const int fd = openPlainFile(path, &st);
  Closer closer{fd};
  // Read into a small buffer that stays in the cache, and handed on from
  // there: the whole file is never copied in one piece.
  constexpr size_t kBlock = 1 << 16;
  std::unique_ptr<char[]> buf(new char[kBlock]);
  size_t have = 0;  // bytes in buf not yet handed on
  bool first = true;
  for (;;) {
    const ssize_t n = read(fd, buf.get() + have, kBlock - have);
    if (n < 0) {
      if (errno == EINTR) continue;
      raiseFileErrno(errno);
    }
    have += static_cast<size_t>(n);
    std::string_view bytes(buf.get(), have);
    if (first) {
      // The byte-order mark is known once three bytes are in (or the file ended).
      if (n > 0 && have < 3) continue;
      if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
      first = false;
    }
    if (!bytes.empty()) block(bytes);
    have = 0;
    if (n == 0) break;
  }
}

std::string readTextFile(const std::string& path) {
  std::string out;
  struct stat st {};
  if (stat(path.c_str(), &st) == 0 && st.st_size > 0) out.reserve(static_cast<size_t>(st.st_size));
  readTextFileBlocks(path, [&](std::string_view block) { out += block; });
  return out;
}

void saveFileAtomically(const std::string& path, std::string_view bytes) {
  saveFileAtomically(path, std::vector<std::string_view>{bytes});
}

void saveFileAtomically(const std::string& path, const std::vector<std::string_view>& pieces) {
  // The user's script: a link to it is saved through, and the file keeps
  // its owner, permissions and extended attributes.
  ReplaceOptions options;
  options.atLink = AtLink::WriteThrough;
  options.keepOwnerAndAttributes = true;
  options.refuseReadOnly = true;
  replaceFile(path, pieces, options);
}

void saveOwnFile(const std::string& path, std::string_view bytes, unsigned mode) { writeNewOwnFile(path, bytes, mode); }

// --- the printer -------------------------------------------------------------

namespace {
struct Printer {
  std::mutex mutex;
  std::string folder;
  bool spooler = false;
  PrintJobSink sink;
};
Printer& printer() {
  static Printer p;
  return p;
}

// The folder for this user's jobs when nobody chose one: in the user's
// runtime folder, else one of the user's own in the temporary folder, else
// one under the user's home.
std::string privatePrintFolder() {
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
    struct stat st {};
    if (::stat(runtime, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid())
      return std::string(runtime) + "/kestrin-print";
  }
  const char* tmp = std::getenv("TMPDIR");
  const std::string shared = std::string(tmp && *tmp ? tmp : "/tmp") + "/kestrin-print-" + std::to_string(::geteuid());
  // When another user took that one first: a folder under the user's own
  // home; with neither, the refused one, which the job then refuses.
  const std::string own = privateFolder(shared, "print");
  return own.empty() ? shared : own;
}

// Makes the folder when it is missing; a private one must then be a real
// folder of this user that no one else may enter.
void preparePrintFolder(const std::string& folder, bool mustBePrivate) {
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) raise(err::PathNotFound);
  struct stat st {};
  if (::lstat(folder.c_str(), &st) != 0) raise(err::PathNotFound);
  if (!mustBePrivate) return;
  if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() || (st.st_mode & 077) != 0) raise(err::PermissionDenied);
}
}  // namespace

std::string printFolder() {
  Printer& p = printer();
  std::lock_guard lock(p.mutex);
  if (!p.folder.empty()) return p.folder;
  if (const char* env = std::getenv("KESTRIN_PRINT_DIR"); env && *env) return env;
  return privatePrintFolder();
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

bool printSpooler() {
  Printer& p = printer();
  std::lock_guard lock(p.mutex);
  return p.spooler;
}

void setPrintJobSink(PrintJobSink sink) {
  Printer& p = printer();
  std::lock_guard lock(p.mutex);
  p.sink = std::move(sink);
}

namespace {

std::string writePrintJob(const std::string& title, std::string_view text, ui::PrintReport& report) {
  bool chosen;
  {
    Printer& p = printer();
    std::lock_guard lock(p.mutex);
    const char* env = std::getenv("KESTRIN_PRINT_DIR");
    chosen = !p.folder.empty() || (env && *env);
  }
  const std::string folder = printFolder();
  report.folder = folder;
  preparePrintFolder(folder, !chosen);
  std::string safe;
  for (char c : title.empty() ? std::string("job") : title)
    safe += (std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.') ? c : '_';
  if (safe.size() > 64) safe.resize(64);
  // A new file of a name no one can guess, readable by this user alone;
  // nothing that was there before (a planted link) is ever written through.
  std::string path = folder + "/" + safe + "-XXXXXX.txt";
  const int fd = ::mkostemps(path.data(), 4, O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) raiseFileErrno(errno);
  size_t done = 0;
  int error = 0;
  while (done < text.size() && error == 0) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n > 0)
      done += static_cast<size_t>(n);
    else if (n < 0 && errno != EINTR)
      error = errno;
    else if (n == 0)
      error = EIO;
  }
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error != 0) {
    ::unlink(path.c_str());
    raiseFileErrno(error);
  }
  bool spool;
  PrintJobSink sink;
  {
    std::lock_guard lock(printer().mutex);
    spool = printer().spooler;
    sink = printer().sink;
  }
  if (sink) sink(title, text, path);
  if (spool) {
    const char* argv[] = {"lp", "-t", title.c_str(), "--", path.c_str(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, "lp", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0)
      raise(err::DeviceIOError);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) raise(err::DeviceIOError);
    // The spooler holds its own copy now.
    ::unlink(path.c_str());
    report.spooled = true;
  }
  return path;
}

}  // namespace

std::string printTextJob(const std::string& title, std::string_view text) {
  ui::PrintReport report;
  report.title = title;
  try {
    report.jobFile = writePrintJob(title, text, report);
  } catch (const RuntimeError& e) {
    report.jobFile.clear();
    report.spooled = false;
    report.error = e.number();
    report.failure = e.description();
    ui::currentUser().printed(report);
    throw;
  }
  ui::currentUser().printed(report);
  return report.jobFile;
}

}  // namespace platform::controls
