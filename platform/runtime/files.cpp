#include "platform/runtime/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <ctime>

#include "platform/runtime/clock.h"
#include "platform/runtime/errors.h"

namespace platform {

namespace {

constexpr size_t kChunk = 65536;

bool folderOfExists(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return true;
  const std::string folder = slash == 0 ? "/" : path.substr(0, slash);
  struct stat st {};
  return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

[[noreturn]] void raiseOpenError(int e, const std::string& path, bool mustExist) {
  switch (e) {
    case ENOENT:
      if (mustExist && folderOfExists(path)) raise(err::FileNotFound);
      raise(err::PathNotFound);
    case ENOTDIR: raise(err::PathNotFound);
    case ENAMETOOLONG: raise(err::BadFileNameOrNumber);
    case ENOSPC: raise(err::DiskFull);
    default: raise(err::PathFileAccessError);  // EACCES, EPERM, EISDIR, EROFS, ...
  }
}

[[noreturn]] void raiseIoError(int e) {
  if (e == ENOSPC || e == EDQUOT) raise(err::DiskFull);
  raise(err::DeviceIOError);
}

void writeAll(int fd, const char* p, size_t n) {
  while (n > 0) {
    const ssize_t w = ::write(fd, p, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      raiseIoError(errno);
    }
    p += w;
    n -= static_cast<size_t>(w);
  }
}

}  // namespace

void appendToOwnFile(const std::string& path, std::string_view text) {
  if (path.empty() || path.find('\0') != std::string::npos) raise(err::BadFileNameOrNumber);
  const int flags = O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC;
  int fd = ::open(path.c_str(), flags, 0666);
  if (fd < 0 && errno == ELOOP) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode) && ::unlink(path.c_str()) == 0)
      fd = ::open(path.c_str(), flags | O_EXCL, 0666);
  }
  if (fd < 0) raiseOpenError(errno, path, false);
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    raise(err::PathFileAccessError);
  }
  try {
    writeAll(fd, text.data(), text.size());
  } catch (...) {
    ::close(fd);
    throw;
  }
  if (::close(fd) != 0 && errno != EINTR) raiseIoError(errno);
}

RuntimeFile::RuntimeFile(const std::string& path, OpenMode mode, FileAccess access) { open(path, mode, access); }

RuntimeFile::~RuntimeFile() {
  if (fd_ >= 0) ::close(fd_);
}

RuntimeFile::RuntimeFile(RuntimeFile&& o) noexcept { *this = std::move(o); }

RuntimeFile& RuntimeFile::operator=(RuntimeFile&& o) noexcept {
  if (this != &o) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = o.fd_;
    mode_ = o.mode_;
    access_ = o.access_;
    path_ = std::move(o.path_);
    buffer_ = std::move(o.buffer_);
    bufferPos_ = o.bufferPos_;
    atEnd_ = o.atEnd_;
    binaryPos_ = o.binaryPos_;
    o.fd_ = -1;
  }
  return *this;
}

void RuntimeFile::open(const std::string& path, OpenMode mode, FileAccess access) {
  close();
  if (path.empty() || path.find('\0') != std::string::npos) raise(err::BadFileNameOrNumber);
  int flags = O_CLOEXEC;
  bool mustExist = false;
  switch (mode) {
    case OpenMode::Input:
      flags |= O_RDONLY;
      mustExist = true;
      break;
    case OpenMode::Output: flags |= O_WRONLY | O_CREAT | O_TRUNC; break;
    case OpenMode::Append: flags |= O_WRONLY | O_CREAT | O_APPEND; break;
    case OpenMode::Binary:
      if (access == FileAccess::Read) {
        flags |= O_RDONLY;
        mustExist = true;
      } else {
        flags |= (access == FileAccess::Write ? O_WRONLY : O_RDWR) | O_CREAT;
      }
      break;
  }
  const int fd = ::open(path.c_str(), flags, 0666);
  if (fd < 0) raiseOpenError(errno, path, mustExist);
  struct stat st {};
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    raise(err::PathFileAccessError);
  }
  fd_ = fd;
  mode_ = mode;
  access_ = access;
  path_ = path;
  buffer_.clear();
  bufferPos_ = 0;
  atEnd_ = false;
  binaryPos_ = 0;
}

void RuntimeFile::close() {
  if (fd_ < 0) return;
  const int fd = fd_;
  fd_ = -1;
  buffer_.clear();
  bufferPos_ = 0;
  if (::close(fd) != 0 && errno != EINTR) raiseIoError(errno);
}

void RuntimeFile::needOpen() const {
  if (fd_ < 0) raise(err::BadFileNameOrNumber);
}

bool RuntimeFile::fill() {
  if (atEnd_) return false;
  if (bufferPos_ > 0) {
    buffer_.erase(0, bufferPos_);
    bufferPos_ = 0;
  }
  const size_t old = buffer_.size();
  buffer_.resize(old + kChunk);
  ssize_t r;
  do {
    r = ::read(fd_, buffer_.data() + old, kChunk);
  } while (r < 0 && errno == EINTR);
  if (r < 0) {
    buffer_.resize(old);
    raiseIoError(errno);
  }
  buffer_.resize(old + static_cast<size_t>(r));
  if (r == 0) atEnd_ = true;
  return r > 0;
}

std::string RuntimeFile::lineInput() {
  needOpen();
  if (mode_ != OpenMode::Input) raise(err::BadFileMode);
  if (bufferPos_ >= buffer_.size() && !fill()) raise(err::InputPastEndOfFile);
  std::string line;
  for (;;) {
    const size_t cr = buffer_.find('\r', bufferPos_);
    if (cr == std::string::npos) {
      line.append(buffer_, bufferPos_, std::string::npos);
      bufferPos_ = buffer_.size();
      if (!fill()) return line;
      continue;
    }
    line.append(buffer_, bufferPos_, cr - bufferPos_);
    bufferPos_ = cr + 1;
    // A CR LF pair is one line end.
    if (bufferPos_ >= buffer_.size()) fill();
    if (bufferPos_ < buffer_.size() && buffer_[bufferPos_] == '\n') ++bufferPos_;
    return line;
  }
}

bool RuntimeFile::eof() {
  needOpen();
  if (mode_ == OpenMode::Binary) return binaryPos_ > length();
  if (mode_ != OpenMode::Input) return true;
  return bufferPos_ >= buffer_.size() && !fill();
}

std::string RuntimeFile::inputAll() {
  needOpen();
  if (mode_ != OpenMode::Input) raise(err::BadFileMode);
  while (fill()) {
  }
  std::string rest = buffer_.substr(bufferPos_);
  bufferPos_ = buffer_.size();
  return rest;
}

void RuntimeFile::write(std::string_view text) {
  needOpen();
  if (mode_ != OpenMode::Output && mode_ != OpenMode::Append) raise(err::BadFileMode);
  writeAll(fd_, text.data(), text.size());
}

void RuntimeFile::print(std::string_view text) {
  std::string line;
  line.reserve(text.size() + 2);
  line.append(text);
  line.append("\r\n");
  write(line);
}

size_t RuntimeFile::get(int64_t byteOffset, void* buffer, size_t count) {
  needOpen();
  if (mode_ != OpenMode::Binary || access_ == FileAccess::Write) raise(err::BadFileMode);
  if (byteOffset < 0) raise(err::BadFileNameOrNumber);
  size_t done = 0;
  auto* out = static_cast<char*>(buffer);
  while (done < count) {
    const ssize_t r =
        ::pread(fd_, out + done, count - done, static_cast<off_t>(byteOffset + static_cast<int64_t>(done)));
    if (r < 0) {
      if (errno == EINTR) continue;
      raiseIoError(errno);
    }
    if (r == 0) break;
    done += static_cast<size_t>(r);
  }
  binaryPos_ = byteOffset + static_cast<int64_t>(done) + (done < count ? 1 : 0);
  return done;
}

std::vector<uint8_t> RuntimeFile::get(int64_t byteOffset, size_t count) {
  std::vector<uint8_t> bytes(count);
  bytes.resize(get(byteOffset, bytes.data(), count));
  return bytes;
}

void RuntimeFile::put(int64_t byteOffset, const void* data, size_t count) {
  needOpen();
  if (mode_ != OpenMode::Binary || access_ == FileAccess::Read) raise(err::BadFileMode);
  if (byteOffset < 0) raise(err::BadFileNameOrNumber);
  const auto* p = static_cast<const char*>(data);
  size_t done = 0;
  while (done < count) {
    const ssize_t w =
        ::pwrite(fd_, p + done, count - done, static_cast<off_t>(byteOffset + static_cast<int64_t>(done)));
    if (w < 0) {
      if (errno == EINTR) continue;
      raiseIoError(errno);
    }
    done += static_cast<size_t>(w);
  }
  binaryPos_ = byteOffset + static_cast<int64_t>(count);
}

int64_t RuntimeFile::length() const {
  needOpen();
  struct stat st {};
  if (::fstat(fd_, &st) != 0) raiseIoError(errno);
  return static_cast<int64_t>(st.st_size);
}

int64_t fileLen(const std::string& path) {
  if (path.empty()) raise(err::BadFileNameOrNumber);
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) raise(err::FileNotFound);
  return S_ISDIR(st.st_mode) ? 0 : static_cast<int64_t>(st.st_size);
}

Date fileDateTime(const std::string& path) {
  if (path.empty()) raise(err::BadFileNameOrNumber);
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) raise(err::FileNotFound);
  const std::time_t secs = st.st_mtime;
  std::tm local{};
  localtime_r(&secs, &local);
  return dateFromLocalMillis(localMillisFrom(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                                             local.tm_min, local.tm_sec));
}

void kill(const std::string& path) {
  if (path.empty()) raise(err::BadFileNameOrNumber);
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) raise(err::FileNotFound);
  if (S_ISDIR(st.st_mode)) raise(err::FileNotFound);
  if (::unlink(path.c_str()) != 0) raise(err::PathFileAccessError);
}

}  // namespace platform
