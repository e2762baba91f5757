#include "platform/runtime/script_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// Opens without following a FIFO's wait or a device's side effects: the
// regular file is opened only once it is known to be one, and the open
// file is looked at again (a file swapped in between is caught).
std::string readProblem(const std::string& path, bool own) {
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
  ::close(fd);
  if (!same) return "it changed while it was looked at";
  return {};
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

std::string scriptReadProblem(const std::string& path) { return readProblem(path, false); }

std::string ownFileReadProblem(const std::string& path) { return readProblem(path, true); }

bool belongsToThisUser(const std::string& path) {
  struct stat st {};
  return path.find('\0') == std::string::npos && ::lstat(path.c_str(), &st) == 0 &&
         st.st_uid == ::geteuid();
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
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                        static_cast<mode_t>(mode & 0777));
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
