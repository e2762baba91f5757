#include "platform/runtime/script_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "platform/runtime/errors.h"
#include "platform/runtime/replace_file.h"

namespace platform {

namespace {

std::string typeProblem(mode_t mode) {
  if (S_ISDIR(mode)) return "it is a folder";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "it is a device";
  if (S_ISFIFO(mode)) return "it is a FIFO";
  if (S_ISSOCK(mode)) return "it is a socket";
  if (!S_ISREG(mode)) return "it is not a file";
  return {};
}

std::string statProblem(int e) {
  if (e == ENOENT || e == ENOTDIR) return "it does not exist";
  if (e == EACCES) return "you may not read it";
  if (e == ENAMETOOLONG) return "the name is too long";
  return "it cannot be read";
}

ScriptLimits g_limits;

// The memory the system has available now: MemAvailable, else the free
// pages.
uint64_t availableMemory() {
  if (FILE* f = std::fopen("/proc/meminfo", "re")) {
    char line[256];
    unsigned long long kb = 0;
    bool found = false;
    while (!found && std::fgets(line, sizeof line, f)) found = std::sscanf(line, "MemAvailable: %llu kB", &kb) == 1;
    std::fclose(f);
    if (found) return static_cast<uint64_t>(kb) * 1024;
  }
  const long pages = ::sysconf(_SC_AVPHYS_PAGES), size = ::sysconf(_SC_PAGESIZE);
  return pages > 0 && size > 0 ? static_cast<uint64_t>(pages) * static_cast<uint64_t>(size) : 0;
}

std::string megabytes(uint64_t bytes) { return std::to_string((bytes + (1 << 20) - 1) >> 20) + " MB"; }

// The lines of an open file: the longest in bytes, the first and the last
// (the same line when there is no break), and the line breaks (CR, LF,
// CR LF each one).
struct LineMeasure {
  uint64_t longest = 0, first = 0, last = 0, breaks = 0;
};

// The file measured a block at a time; false when the read fails.
bool measureLines(int fd, LineMeasure& m) {
  constexpr size_t kBlock = 1 << 16;
  std::unique_ptr<char[]> buf(new char[kBlock]);
  uint64_t run = 0;  // the bytes of the line read so far
  bool afterCr = false;
  uint64_t longest = 0, breaks = 0, first = 0;
  for (;;) {
    const ssize_t n = ::read(fd, buf.get(), kBlock);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    const char* d = buf.get();
    const char* end = d + n;
    const char* cr = nullptr;  // the next CR at or after d (null: none in the block)
    bool crSought = false;
    while (d < end) {
      if (!crSought || (cr && cr < d)) {
        cr = static_cast<const char*>(std::memchr(d, '\r', static_cast<size_t>(end - d)));
        crSought = true;
      }
      const char* lf = static_cast<const char*>(std::memchr(d, '\n', static_cast<size_t>(cr ? cr - d : end - d)));
      const char* stop = lf ? lf : cr;
      if (!stop) {
        run += static_cast<uint64_t>(end - d);
        if (end > d) afterCr = false;
        break;
      }
      run += static_cast<uint64_t>(stop - d);
      // The LF of a CR LF ends no second line.
      if (!(*stop == '\n' && afterCr && stop == d)) {
        if (breaks == 0) first = run;
        ++breaks;
      }
      afterCr = *stop == '\r';
      longest = std::max(longest, run);
      run = 0;
      d = stop + 1;
    }
  }
  longest = std::max(longest, run);
  m.longest = longest;
  m.breaks = breaks;
  m.first = breaks == 0 ? run : first;
  m.last = run;
  return true;
}

// Why a regular file is too large to be opened as a script, or to be
// inserted at `place` ("" when it is not). Inserted, its first line joins
// the bytes before the place and its last line those after it.
std::string sizeProblem(int fd, uint64_t size, const InsertPlace* place) {
  const uint64_t memory = g_limits.memory ? g_limits.memory : availableMemory();
  const uint64_t total = size + (place ? place->textBytes : 0);
  const uint64_t need = total + total / 5;
  if (memory > 0 && need > memory)
    return "it needs about " + megabytes(need) + " of memory and " + megabytes(memory) + " are free";
  const uint64_t around = place ? place->lineBefore + place->lineAfter : 0;
  const uint64_t lines = place ? place->lines : 1;  // the lines there are before its breaks
  if (size + around <= g_limits.lineBytes && size + lines <= g_limits.lines) return {};
  LineMeasure m;
  if (!measureLines(fd, m)) return "it cannot be read";
  uint64_t longest = m.longest;
  if (place) {
    if (m.breaks == 0) {
      longest = m.first + around;
    } else {
      longest = std::max({longest, place->lineBefore + m.first, m.last + place->lineAfter});
    }
  }
  const std::string line = place ? "the line it goes into would be longer than " : "a line of it is longer than ";
  if (longest > g_limits.lineBytes)
    return line + std::to_string(g_limits.lineBytes) + " bytes, the most a line may hold";
  if (m.breaks + lines > g_limits.lines)
    return (place ? "the script would have more than " : "it has more than ") + std::to_string(g_limits.lines) +
           " lines, the most a script may have";
  return {};
}

// Opens without following a FIFO's wait or a device's side effects: the
// regular file is opened only once it is known to be one, and the open
// file is looked at again (a file swapped in between is caught).
std::string readProblem(const std::string& path, bool own, const InsertPlace* place = nullptr) {
  if (path.find('\0') != std::string::npos) return "the name holds a NUL character";
  if (path.empty()) return "the name is empty";
  struct stat st {};
  if ((own ? ::lstat(path.c_str(), &st) : ::stat(path.c_str(), &st)) != 0) return statProblem(errno);
  if (own && S_ISLNK(st.st_mode)) return "it is a symbolic link";
  if (std::string type = typeProblem(st.st_mode); !type.empty()) return type;
  if (own && st.st_uid != ::geteuid()) return "it belongs to another user";
  const int flags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (own ? O_NOFOLLOW : 0);
  const int fd = ::open(path.c_str(), flags);
  if (fd < 0) return errno == EACCES || errno == EPERM ? "you may not read it" : statProblem(errno);
  struct stat opened {};
  const bool same = ::fstat(fd, &opened) == 0 && opened.st_dev == st.st_dev && opened.st_ino == st.st_ino;
  const std::string tooLarge = same ? sizeProblem(fd, static_cast<uint64_t>(opened.st_size), place) : std::string();
  ::close(fd);
  if (!same) return "it changed while it was looked at";
  return tooLarge;
}

}  // namespace

FileStamp fileStamp(const std::string& path) {
  FileStamp stamp;
  struct stat st {};
  if (path.find('\0') != std::string::npos || ::stat(path.c_str(), &st) != 0) return stamp;
  stamp.exists = true;
  stamp.device = static_cast<uint64_t>(st.st_dev);
  stamp.inode = static_cast<uint64_t>(st.st_ino);
  stamp.modifiedNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  stamp.size = static_cast<int64_t>(st.st_size);
  return stamp;
}

ScriptLimits scriptLimits() { return g_limits; }

void setScriptLimits(const ScriptLimits& limits) { g_limits = limits; }

std::string scriptReadProblem(const std::string& path) { return readProblem(path, false); }

std::string scriptInsertProblem(const std::string& path, const InsertPlace& place) {
  return readProblem(path, false, &place);
}

std::string ownFileReadProblem(const std::string& path) { return readProblem(path, true); }

bool belongsToThisUser(const std::string& path) {
  struct stat st {};
  return path.find('\0') == std::string::npos && ::lstat(path.c_str(), &st) == 0 && st.st_uid == ::geteuid();
}

unsigned filePermissionBits(const std::string& path, unsigned otherwise) {
  struct stat st {};
  if (path.find('\0') != std::string::npos || ::stat(path.c_str(), &st) != 0) return otherwise;
  return static_cast<unsigned>(st.st_mode) & 07777;
}

void writeNewOwnFile(const std::string& path, std::string_view bytes, unsigned mode) {
  if (path.empty() || path.find('\0') != std::string::npos) raise(err::BadFileNameOrNumber);
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) raise(err::PermissionDenied);
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) raiseFileErrno(errno);
  } else if (errno != ENOENT) {
    raiseFileErrno(errno);
  }
  const int fd =
      ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, static_cast<mode_t>(mode & 0777));
  if (fd < 0) {
    if (errno == EEXIST || errno == ELOOP) raise(err::PermissionDenied);
    raiseFileErrno(errno);
  }
  int error = 0;
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      break;
    }
    done += static_cast<size_t>(n);
  }
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error != 0) {
    ::unlink(path.c_str());
    raiseFileErrno(error);
  }
  // The new name lasts as the file does.
  const size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    (void)::fsync(dfd);
    ::close(dfd);
  }
}

}  // namespace platform
