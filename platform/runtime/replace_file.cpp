#include "platform/runtime/replace_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/runtime/errors.h"

namespace platform {

namespace {

constexpr const char* kTempMark = ".kestrin-save-";
constexpr size_t kRandomChars = 6;

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

// Whether the kernel's own link protection would refuse to follow the link:
// one in a sticky folder that everybody may write (as /tmp), whose owner is
// neither this user nor the folder's owner, is another user's plant.
bool plantedLink(const std::string& link, const struct stat& st) {
  struct stat folder {};
  if (::stat(dirName(link).c_str(), &folder) != 0) return false;
  return (folder.st_mode & S_ISVTX) && (folder.st_mode & S_IWOTH) && st.st_uid != ::geteuid() &&
         st.st_uid != folder.st_uid;
}

// Follows symbolic links to the file they name (which need not exist), as
// an open would, through every folder of the path and not only at its
// last name: a planted link anywhere on the way is refused with 70, as the
// kernel's link protection would refuse it, whether or not that protection
// is switched on. The result names no link but, at most, a missing file.
std::string resolveLinks(const std::string& path) {
  std::string start = path;
  if (!start.starts_with('/')) {
    std::vector<char> cwd(PATH_MAX);
    if (!::getcwd(cwd.data(), cwd.size())) raiseFileErrno(errno);
    start = std::string(cwd.data()) + "/" + start;
  }
  // The names still to walk, the next one first, and the folder reached
  // ("" for the root), which holds no link.
  std::vector<std::string> rest;
  auto push = [&rest](const std::string& text) {
    std::vector<std::string> names;
    size_t at = 0;
    while (at <= text.size()) {
      const size_t slash = std::min(text.find('/', at), text.size());
      if (slash > at) names.push_back(text.substr(at, slash - at));
      at = slash + 1;
    }
    rest.insert(rest.end(), names.rbegin(), names.rend());
  };
  push(start);
  std::string done;
  int hops = 0;
  while (!rest.empty()) {
    const std::string name = rest.back();
    rest.pop_back();
    if (name == ".") continue;
    if (name == "..") {
      done.resize(done.empty() ? 0 : done.find_last_of('/'));
      continue;
    }
    const std::string next = done + "/" + name;
    struct stat st {};
    const bool found = ::lstat(next.c_str(), &st) == 0;
    if (found && S_ISDIR(st.st_mode)) {
      done = next;
      continue;
    }
    if (!found || !S_ISLNK(st.st_mode)) {
      // A missing name or a file with names after it: the rest is left as
      // it stands, so that the open fails there as the kernel's would,
      // never resolving a ".." past it into another folder.
      std::string whole = next;
      for (auto it = rest.rbegin(); it != rest.rend(); ++it) whole += "/" + *it;
      return whole;
    }
    if (++hops > 40) raise(err::PathFileAccessError);
    if (plantedLink(next, st)) raise(err::PermissionDenied);
    std::vector<char> buf(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
    const ssize_t n = ::readlink(next.c_str(), buf.data(), buf.size());
    if (n < 0) raiseFileErrno(errno);
    const std::string target(buf.data(), static_cast<size_t>(n));
    if (target.starts_with('/')) done.clear();
    push(target);
  }
  return done.empty() ? "/" : done;
}

// The pieces one after the other, many to a call.
bool writeAll(int fd, const std::vector<std::string_view>& pieces, int& error) {
  std::vector<iovec> iov;
  size_t next = 0, skip = 0;  // the first piece not yet written whole, and its bytes written
  while (next < pieces.size()) {
    iov.clear();
    for (size_t k = next; k < pieces.size() && iov.size() < IOV_MAX; ++k) {
      const std::string_view p = k == next ? pieces[k].substr(skip) : pieces[k];
      if (!p.empty()) iov.push_back({const_cast<char*>(p.data()), p.size()});
    }
    if (iov.empty()) return true;
    const ssize_t n = ::writev(fd, iov.data(), static_cast<int>(iov.size()));
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      return false;
    }
    if (n == 0) {
      error = EIO;
      return false;
    }
    size_t done = static_cast<size_t>(n);
    while (next < pieces.size() && done >= pieces[next].size() - skip) {
      done -= pieces[next].size() - skip;
      skip = 0;
      ++next;
    }
    skip += done;
  }
  return true;
}

void copyExtendedAttributes(const std::string& from, int toFd) {
  const ssize_t size = ::llistxattr(from.c_str(), nullptr, 0);
  if (size <= 0) return;
  std::vector<char> names(static_cast<size_t>(size));
  const ssize_t got = ::llistxattr(from.c_str(), names.data(), names.size());
  if (got <= 0) return;
  for (size_t i = 0; i < static_cast<size_t>(got);) {
    const char* name = names.data() + i;
    i += std::strlen(name) + 1;
    const ssize_t vsize = ::lgetxattr(from.c_str(), name, nullptr, 0);
    if (vsize < 0) continue;
    std::vector<char> value(static_cast<size_t>(vsize) + 1);
    const ssize_t v = ::lgetxattr(from.c_str(), name, value.data(), value.size());
    if (v < 0) continue;
    // What the file system will not take (a security label of another
    // policy) is left out rather than failing the write.
    (void)::fsetxattr(toFd, name, value.data(), static_cast<size_t>(v), 0);
  }
}

mode_t currentUmask() {
  static std::mutex m;
  std::lock_guard lock(m);
  const mode_t old = ::umask(022);
  ::umask(old);
  return old;
}

std::string randomChars() {
  static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  unsigned char raw[kRandomChars];
  if (::getrandom(raw, sizeof raw, 0) != static_cast<ssize_t>(sizeof raw)) {
    // No entropy to be had: the clock and the process still make the name
    // unlikely to be taken, and the link below never replaces a name.
    struct timespec now {};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    unsigned long long x =
        static_cast<unsigned long long>(now.tv_nsec) ^ (static_cast<unsigned long long>(::getpid()) << 32);
    for (unsigned char& c : raw) {
      c = static_cast<unsigned char>(x);
      x = x * 6364136223846793005ULL + 1442695040888963407ULL;
    }
  }
  std::string out;
  for (unsigned char c : raw) out += kAlphabet[c % (sizeof kAlphabet - 1)];
  return out;
}

// Removes what a writer that was killed left behind in the folder: files
// under the prefix, of this user, that no living writer holds locked.
void removeLeftovers(const std::string& folder, const std::string& prefix) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  const int dfd = ::dirfd(dir);
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name(entry->d_name);
    if (name.size() != prefix.size() + kRandomChars || !name.starts_with(prefix)) continue;
    const int fd = ::openat(dfd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
      (void)::unlinkat(dfd, entry->d_name, 0);
    ::close(fd);
  }
  ::closedir(dir);
}

// Gives the unnamed file a name under the prefix; false with errno set.
bool linkUnnamed(int fd, const std::string& folder, const std::string& prefix, std::string& name) {
  for (int attempt = 0; attempt < 16; ++attempt) {
    name = folder + "/" + prefix + randomChars();
    if (::linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0) return true;
    if (errno == ENOENT || errno == EPERM) {
      // Without the right to link by descriptor: through its name in /proc.
      const std::string self = "/proc/self/fd/" + std::to_string(fd);
      if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

}  // namespace

std::string replacementTempPrefix(const std::string& path) {
  // Long names are shortened so that the temporary name stays a valid one.
  std::string base = baseName(path);
  if (base.size() > 200) base.resize(200);
  return "." + base + kTempMark;
}

void replaceFile(const std::string& path, std::string_view bytes, const ReplaceOptions& options) {
  replaceFile(path, std::vector<std::string_view>{bytes}, options);
}

void replaceFile(const std::string& path, const std::vector<std::string_view>& pieces, const ReplaceOptions& options) {
  if (path.empty()) raise(err::BadFileNameOrNumber);
  const bool through = options.atLink == AtLink::WriteThrough;
  const std::string target = through ? resolveLinks(path) : path;
  struct stat st {};
  const int looked = through ? ::stat(target.c_str(), &st) : ::lstat(target.c_str(), &st);
  if (looked != 0 && errno != ENOENT) raiseFileErrno(errno);
  const bool exists = looked == 0 && !S_ISLNK(st.st_mode);
  if (exists) {
    if (S_ISDIR(st.st_mode) || !S_ISREG(st.st_mode)) raise(err::PathFileAccessError);
    if (options.refuseReadOnly && ((st.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0))
      raise(err::PermissionDenied);
  }

  const std::string folder = dirName(target);
  const std::string prefix = replacementTempPrefix(target);
  removeLeftovers(folder, prefix);

  // Unnamed where the file system allows it: a writer killed now leaves
  // nothing behind.
  std::string temp;
  const mode_t newMode = static_cast<mode_t>(options.newMode) & 07777;
  // (It is named later by descriptor, which takes the superuser, or through
  // /proc; without either it gets its name from the start.)
  static const bool canName = ::geteuid() == 0 || ::access("/proc/self/fd", X_OK) == 0;
  int fd = canName ? ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, exists ? 0600 : newMode) : -1;
  const bool unnamed = fd >= 0;
  if (!unnamed) {
    temp = folder + "/" + prefix + "XXXXXX";
    fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) raiseFileErrno(errno);
  }
  // Held until the file is in place, so that no other writer takes it
  // for a leftover.
  (void)::flock(fd, LOCK_EX);
  auto fail = [&](int e) {
    if (!temp.empty()) ::unlink(temp.c_str());
    ::close(fd);
    raiseFileErrno(e);
  };
  int error = 0;
  if (!writeAll(fd, pieces, error)) fail(error);
  if (exists) {
    if (::fchmod(fd, st.st_mode & 07777 & options.keptMode) != 0) fail(errno);
    if (options.keepOwnerAndAttributes) {
      // Another owner cannot be given by an ordinary user; the file then
      // belongs to the writer, as any new file would.
      (void)::fchown(fd, st.st_uid, st.st_gid);
      copyExtendedAttributes(target, fd);
    }
  } else if (!unnamed) {
    if (::fchmod(fd, newMode & ~currentUmask()) != 0) fail(errno);
  }
  if (::fsync(fd) != 0) fail(errno);
  if (unnamed && !linkUnnamed(fd, folder, prefix, temp)) {
    temp.clear();
    fail(errno);
  }
  // An old file changes places with the new one, so that it can come
  // back when the folder cannot be synced; a file system without the
  // exchange renames over it.
  bool swapped = false;
  if (exists) {
    swapped = ::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) == 0;
    if (!swapped && errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) fail(errno);
  }
  if (!swapped && ::rename(temp.c_str(), target.c_str()) != 0) fail(errno);
  // The bytes are synced and in place: what closing the descriptor says
  // changes nothing on disk any more.
  (void)::close(fd);
  if (const int e = syncFolder(folder); e != 0) {
    // The new name may not last: the old file takes its name back (a new
    // one goes), unless it was renamed over.
    if (swapped)
      (void)::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE);
    else if (!exists)
      (void)::rename(target.c_str(), temp.c_str());
    if (swapped || !exists) ::unlink(temp.c_str());
    raiseFileErrno(e);
  }
  if (swapped) ::unlink(temp.c_str());
}

int syncFolder(const std::string& folder) {
  const int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  // A folder this user may write but not read cannot be synced by them.
  if (dfd < 0) return errno == EACCES ? 0 : errno;
  int e = ::fsync(dfd) == 0 ? 0 : errno;
  ::close(dfd);
  if (e == EINVAL || e == EROFS || e == ENOTSUP || e == ENOSYS) e = 0;
  return e;
}

void syncFileAndFolder(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) raise(err::DeviceIOError);
  const bool synced = ::fsync(fd) == 0;
  ::close(fd);
  if (!synced) raise(err::DeviceIOError);
  // The file is in place and cannot be taken back: the folder's sync is
  // the best that can be done for it.
  (void)syncFolder(dirName(path));
}

[[noreturn]] void raiseFileErrno(int e) {
  switch (e) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG: raise(err::DiskFull);
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY: raise(err::PermissionDenied);
    case ENOENT:
    case ENOTDIR: raise(err::PathNotFound);
    case EISDIR: raise(err::PathFileAccessError);
    default: raise(err::DeviceIOError);
  }
}

}  // namespace platform
