#include "platform/win32/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <set>
#include <vector>

#include "platform/runtime/strings.h"

namespace platform {

namespace {

constexpr const char* kDosAttrib = "user.DOSATTRIB";
constexpr DWORD kKeptBits = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

// ---- errors -------------------------------------------------------------

std::string parentOf(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  const auto slash = p.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return p.substr(0, slash);
}

bool isFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The Win32 error for an errno of a call on path: a missing entry in a
// missing folder is a missing path.
DWORD errorFor(int e, const std::string& path) {
  switch (e) {
    case ENOENT: return isFolder(parentOf(path)) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
    case ETXTBSY:
    case EBUSY: return ERROR_ACCESS_DENIED;
    case EEXIST:
    case ENOTEMPTY: return ERROR_ALREADY_EXISTS;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case ENOTSUP: return ERROR_NOT_SUPPORTED;
    case EXDEV: return ERROR_NOT_SAME_DEVICE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    default: return ERROR_ACCESS_DENIED;
  }
}

BOOL fail(DWORD error) {
  SetLastError(error);
  return 0;
}

BOOL failErrno(const std::string& path) { return fail(errorFor(errno, path)); }

// ---- attribute bits -------------------------------------------------------

std::string lastComponent(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  const auto slash = p.rfind('/');
  return slash == std::string::npos ? p : p.substr(slash + 1);
}

// The hidden, system and archive bits kept in the extended attribute; 0
// when there is none or it holds no text of the form "0x<hex>".
DWORD keptBits(const std::string& path) {
  char text[64];
  const ssize_t n = ::getxattr(path.c_str(), kDosAttrib, text, sizeof text - 1);
  if (n < 3) return 0;
  text[n] = '\0';
  if (text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) return 0;
  char* end = nullptr;
  const unsigned long bits = std::strtoul(text + 2, &end, 16);
  if (end == text + 2) return 0;
  return static_cast<DWORD>(bits) & kKeptBits;
}

bool compressed(const std::string& path, const struct stat& st) {
  if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) return false;
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return false;
  int flags = 0;
  const bool isCompressed = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_COMPR_FL);
  ::close(fd);
  return isCompressed;
}

DWORD attributesOf(const std::string& path, const struct stat& st) {
  DWORD bits = 0;
  if (S_ISDIR(st.st_mode)) bits |= FILE_ATTRIBUTE_DIRECTORY;
  if (!(st.st_mode & S_IWUSR)) bits |= FILE_ATTRIBUTE_READONLY;
  bits |= keptBits(path);
  const std::string name = lastComponent(path);
  if (name.size() > 1 && name[0] == '.' && name != "..") bits |= FILE_ATTRIBUTE_HIDDEN;
  if (compressed(path, st)) bits |= FILE_ATTRIBUTE_COMPRESSED;
  return bits ? bits : FILE_ATTRIBUTE_NORMAL;
}

// stat, and lstat for a link that leads nowhere.
bool statEntry(const std::string& path, struct stat& st) {
  return ::stat(path.c_str(), &st) == 0 || ::lstat(path.c_str(), &st) == 0;
}

// ---- search patterns ------------------------------------------------------

char fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// The bytes of the character that starts at s[i], by the runtime's rule.
size_t charLength(const std::string& s, size_t i) { return platform::charAt(s, i).bytes; }

// "*" any run of characters, "?" any one character; letters without regard
// to case.
bool wildMatch(const std::string& pattern, const std::string& name) {
  size_t p = 0, n = 0;
  size_t starP = std::string::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (p < pattern.size() && pattern[p] == '?') {
      ++p;
      n += charLength(name, n);
    } else if (p < pattern.size() && fold(pattern[p]) == fold(name[n])) {
      ++p;
      ++n;
    } else if (starP != std::string::npos) {
      p = starP + 1;
      starN += charLength(name, starN);
      n = starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

// A pattern that ends in ".*" also matches the names without that
// extension, so "*.*" matches every name.
bool patternMatches(const std::string& pattern, const std::string& name) {
  if (wildMatch(pattern, name)) return true;
  if (pattern.size() >= 2 && pattern.compare(pattern.size() - 2, 2, ".*") == 0)
    return wildMatch(pattern.substr(0, pattern.size() - 2), name);
  return false;
}

std::mutex g_findMutex;
std::set<HANDLE> g_findHandles;
HANDLE g_nextFind = 0x01000000;

HANDLE newFindHandle() {
  std::lock_guard lock(g_findMutex);
  const HANDLE h = g_nextFind++;
  g_findHandles.insert(h);
  return h;
}

// ---- copying --------------------------------------------------------------

int renameNoReplace(const char* from, const char* to) {
  if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return -1;
  // The file system cannot rename without replacing: a hard link fails
  // on an existing name just as surely.
  if (::link(from, to) != 0) return -1;
  ::unlink(from);
  return 0;
}

bool writeAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// Copies the file source (already looked at: st) to target under a
// temporary name beside it and renames that into place, so the target is
// whole or absent. Returns the Win32 error, ERROR_SUCCESS on success.
DWORD copyInto(const std::string& source, const struct stat& st, const std::string& target, bool noReplace) {
  const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return errorFor(errno, source);
  std::string temp = parentOf(target) + "/.~" + lastComponent(target) + ".XXXXXX";
  std::vector<char> name(temp.begin(), temp.end());
  name.push_back('\0');
  const int out = ::mkostemp(name.data(), O_CLOEXEC);
  if (out < 0) {
    const int e = errno;
    ::close(in);
    return errorFor(e, target);
  }
  temp = name.data();
  DWORD error = ERROR_SUCCESS;
  std::vector<char> buffer(1 << 16);
  for (;;) {
    const ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errorFor(errno, source);
      break;
    }
    if (n == 0) break;
    if (!writeAll(out, buffer.data(), static_cast<size_t>(n))) {
      error = errorFor(errno, target);
      break;
    }
  }
  if (error == ERROR_SUCCESS) {
    ::fchmod(out, st.st_mode & 07777);
    char bits[64];
    const ssize_t n = ::fgetxattr(in, kDosAttrib, bits, sizeof bits);
    if (n > 0) ::fsetxattr(out, kDosAttrib, bits, static_cast<size_t>(n), 0);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(out, times);
  }
  ::close(in);
  // On disk before it takes the target's name.
  if (error == ERROR_SUCCESS && ::fsync(out) != 0) error = errorFor(errno, target);
  if (::close(out) != 0 && error == ERROR_SUCCESS) error = errorFor(errno, target);
  if (error == ERROR_SUCCESS) {
    const int r = noReplace ? renameNoReplace(temp.c_str(), target.c_str()) : ::rename(temp.c_str(), target.c_str());
    if (r != 0) error = errno == EEXIST ? ERROR_FILE_EXISTS : errorFor(errno, target);
  }
  if (error != ERROR_SUCCESS) {
    ::unlink(temp.c_str());
    return error;
  }
  const int folder = ::open(parentOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    ::fsync(folder);
    ::close(folder);
  }
  return error;
}

}  // namespace

DWORD GetFileAttributes(const std::string& path) {
  struct stat st {};
  if (path.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_FILE_ATTRIBUTES;
  }
  if (!statEntry(path, st)) {
    SetLastError(errorFor(errno, path));
    return INVALID_FILE_ATTRIBUTES;
  }
  return attributesOf(path, st);
}

BOOL SetFileAttributes(const std::string& path, DWORD attributes) {
  struct stat st {};
  if (path.empty()) return fail(ERROR_PATH_NOT_FOUND);
  if (::stat(path.c_str(), &st) != 0) return failErrno(path);
  const mode_t mode = st.st_mode & 07777;
  const mode_t wanted = (attributes & FILE_ATTRIBUTE_READONLY)
                            ? mode & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH)
                            : mode | S_IWUSR;
  // User extended attributes are written only with write permission: a
  // read-only file is made writable for the moment.
  const bool madeWritable = !(mode & S_IWUSR) && ::chmod(path.c_str(), mode | S_IWUSR) == 0;
  const DWORD kept = attributes & kKeptBits;
  int r;
  if (kept) {
    char text[16];
    const int len = std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(kept));
    r = ::setxattr(path.c_str(), kDosAttrib, text, static_cast<size_t>(len), 0);
  } else {
    r = ::removexattr(path.c_str(), kDosAttrib);
    // Nothing kept and nothing to keep: no loss.
    if (r != 0 && (errno == ENODATA || errno == ENOTSUP)) r = 0;
  }
  if (r != 0) {
    const DWORD error = (errno == ENOTSUP) ? ERROR_NOT_SUPPORTED : errorFor(errno, path);
    if (madeWritable) ::chmod(path.c_str(), mode);
    return fail(error);
  }
  if ((wanted != mode || madeWritable) && ::chmod(path.c_str(), wanted) != 0) return failErrno(path);
  return 1;
}

HANDLE FindFirstFile(const std::string& fileName, WIN32_FIND_DATA& findData) {
  if (fileName.empty() || fileName.back() == '/') {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  const auto slash = fileName.rfind('/');
  const std::string pattern = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
  const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : fileName.substr(0, slash));
  struct stat st {};
  if (pattern.find_first_of("*?") == std::string::npos) {
    if (!statEntry(fileName, st)) {
      SetLastError(errorFor(errno, fileName));
      return INVALID_HANDLE_VALUE;
    }
    findData.dwFileAttributes = attributesOf(fileName, st);
    findData.cFileName = pattern;
    return newFindHandle();
  }
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) {
    const int e = errno;
    SetLastError(e == ENOENT || e == ENOTDIR ? ERROR_PATH_NOT_FOUND : errorFor(e, folder));
    return INVALID_HANDLE_VALUE;
  }
  std::string first;
  bool found = false;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (!patternMatches(pattern, name)) continue;
    if (!found || name < first) first = name;
    found = true;
  }
  ::closedir(dir);
  if (!found) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  const std::string path = (folder == "/" ? "/" : folder + "/") + first;
  findData.dwFileAttributes = statEntry(path, st) ? attributesOf(path, st) : FILE_ATTRIBUTE_NORMAL;
  findData.cFileName = first;
  return newFindHandle();
}

BOOL FindClose(HANDLE findHandle) {
  std::lock_guard lock(g_findMutex);
  if (g_findHandles.erase(findHandle) == 0) return fail(ERROR_INVALID_HANDLE);
  return 1;
}

DWORD GetShortPathName(const std::string& longPath, char* buffer, DWORD bufferLength) {
  struct stat st {};
  if (longPath.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return 0;
  }
  if (!statEntry(longPath, st)) {
    SetLastError(errorFor(errno, longPath));
    return 0;
  }
  const DWORD length = static_cast<DWORD>(longPath.size());
  if (!buffer || bufferLength < length + 1) return length + 1;
  std::memcpy(buffer, longPath.data(), length);
  buffer[length] = '\0';
  return length;
}

BOOL CopyFile(const std::string& existingFileName, const std::string& newFileName, BOOL failIfExists) {
  struct stat st {};
  if (existingFileName.empty() || newFileName.empty()) return fail(ERROR_PATH_NOT_FOUND);
  if (::stat(existingFileName.c_str(), &st) != 0) return failErrno(existingFileName);
  if (S_ISDIR(st.st_mode)) return fail(ERROR_ACCESS_DENIED);
  struct stat target {};
  if (::stat(newFileName.c_str(), &target) == 0) {
    if (failIfExists) return fail(ERROR_FILE_EXISTS);
    if (S_ISDIR(target.st_mode) || (target.st_dev == st.st_dev && target.st_ino == st.st_ino))
      return fail(ERROR_ACCESS_DENIED);
    if (attributesOf(newFileName, target) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN))
      return fail(ERROR_ACCESS_DENIED);
  }
  const DWORD error = copyInto(existingFileName, st, newFileName, failIfExists != 0);
  if (error != ERROR_SUCCESS) return fail(error);
  return 1;
}

BOOL MoveFile(const std::string& existingFileName, const std::string& newFileName) {
  struct stat st {};
  if (existingFileName.empty() || newFileName.empty()) return fail(ERROR_PATH_NOT_FOUND);
  if (::lstat(existingFileName.c_str(), &st) != 0) return failErrno(existingFileName);
  if (renameNoReplace(existingFileName.c_str(), newFileName.c_str()) == 0) return 1;
  if (errno == EEXIST) return fail(ERROR_ALREADY_EXISTS);
  if (errno == EPERM && S_ISREG(st.st_mode)) {
    // No hard links on this file system: test, then rename.
    struct stat target {};
    if (::lstat(newFileName.c_str(), &target) == 0) return fail(ERROR_ALREADY_EXISTS);
    if (::rename(existingFileName.c_str(), newFileName.c_str()) == 0) return 1;
  }
  if (errno != EXDEV) return failErrno(newFileName);
  if (!S_ISREG(st.st_mode)) return fail(ERROR_NOT_SAME_DEVICE);
  // Across file systems a file moves by copy and delete.
  const DWORD error = copyInto(existingFileName, st, newFileName, true);
  if (error != ERROR_SUCCESS) return fail(error == ERROR_FILE_EXISTS ? ERROR_ALREADY_EXISTS : error);
  if (::unlink(existingFileName.c_str()) != 0) {
    const DWORD e = errorFor(errno, existingFileName);
    ::unlink(newFileName.c_str());
    return fail(e);
  }
  return 1;
}

BOOL DeleteFile(const std::string& fileName) {
  struct stat st {};
  if (fileName.empty()) return fail(ERROR_PATH_NOT_FOUND);
  if (::lstat(fileName.c_str(), &st) != 0) return failErrno(fileName);
  if (S_ISDIR(st.st_mode)) return fail(ERROR_ACCESS_DENIED);
  if (!S_ISLNK(st.st_mode) && !(st.st_mode & S_IWUSR)) return fail(ERROR_ACCESS_DENIED);
  if (::unlink(fileName.c_str()) != 0) return failErrno(fileName);
  return 1;
}

BOOL forceDeleteFile(const std::string& fileName) {
  struct stat st {};
  if (fileName.empty()) return fail(ERROR_PATH_NOT_FOUND);
  if (::lstat(fileName.c_str(), &st) != 0) return failErrno(fileName);
  if (S_ISDIR(st.st_mode)) return fail(ERROR_ACCESS_DENIED);
  if (::unlink(fileName.c_str()) != 0) return failErrno(fileName);
  return 1;
}

std::optional<uint64_t> fileSize(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return std::nullopt;
  return static_cast<uint64_t>(st.st_size);
}

std::optional<int64_t> fileModifiedLocalMillis(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return std::nullopt;
  const time_t seconds = st.st_mtim.tv_sec;
  struct tm local {};
  if (!::localtime_r(&seconds, &local)) return std::nullopt;
  return (static_cast<int64_t>(seconds) + local.tm_gmtoff) * 1000 + st.st_mtim.tv_nsec / 1000000;
}

}  // namespace platform
