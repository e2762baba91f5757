// Writes: one transaction each, and the first write, which makes the hive
// file.
//
// A hive file that does not exist yet is made by the first write: until
// then its reads answer from the empty tree (no connection), and the write goes into a
// new file beside its place, which is synced and then put in place in one
// step, unless another process has put its own there first (the write
// then goes into that one). No process ever sees a hive file half made,
// and a first start costs the syncs of that one file and its folder.
//
// The maker holds a lock on its new file (flock) from the moment it is
// made until it is in place or gone, as the atomic save does with its
// temporary files: a new file that nobody holds locked belongs to a maker
// that was killed, and the next opener of the hive removes it.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>

#include "platform/runtime/replace_file.h"
#include "platform/win32/registry_hive.h"

namespace platform::registry_detail {

namespace {

constexpr const char* kNewMark = ".new-";
constexpr const char* kSideFiles[] = {"-wal", "-shm", "-journal"};

std::atomic<unsigned> g_newHiveCount{0};

LONG fileFailure(Hive& h, int error, const std::string& what) {
  report(h, what + " (" + std::strerror(error) + ")");
  if (error == EACCES || error == EPERM || error == EROFS) return ERROR_ACCESS_DENIED;
  if (error == ENOSPC || error == EDQUOT) return ERROR_DISK_FULL;
  return ERROR_CANTWRITE;
}

// Whether the descriptor is still the file of that name.
bool stillNamed(int fd, const std::string& path) {
  struct stat held {
  }, named{};
  return fstat(fd, &held) == 0 && lstat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
         held.st_ino == named.st_ino;
}

// Runs body inside BEGIN IMMEDIATE ... COMMIT on the hive's connection;
// body returns a registry result, and anything but success rolls back.
LONG commitWrite(Hive& h, const char* doing, const WriteBody& body) {
  // Inside the transaction the file is read as it is now; afterwards the
  // cache no longer holds what the file does.
  h.cache.usable = false;
  h.cache.clear();
  int rc;
  {
    Statement begin(h, kBegin);
    rc = begin.step();
  }
  if (rc != SQLITE_DONE) return failure(h, rc, doing);
  LONG result = body();
  if (result == ERROR_SUCCESS) {
    Statement commit(h, kCommit);
    rc = commit.step();
    if (rc == SQLITE_DONE) return ERROR_SUCCESS;
    result = failure(h, rc, doing);
  }
  if (sqlite3_get_autocommit(h.db) == 0) {
    Statement rollback(h, kRollback);
    rollback.step();
  }
  return result;
}

// Makes a new file beside the hive's place, held locked; -1 with errno set.
int makeNewFile(const std::string& hivePath, std::string* name) {
  for (int attempt = 0; attempt < 64; ++attempt) {
    *name = hivePath + kNewMark + std::to_string(getpid()) + "-" + std::to_string(g_newHiveCount++);
    // The mode SQLite gives the files it makes.
    const int fd = open(name->c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return -1;
    }
    // An opener that took the file for a leftover before the lock was
    // held has removed it: another name, then.
    if (flock(fd, LOCK_EX) == 0 && stillNamed(fd, *name)) return fd;
    close(fd);
  }
  errno = EEXIST;
  return -1;
}

// Makes the missing hive file with the write of body in it: the tables
// and the write go into a new file beside the hive's place (no syncs while
// it is built: nobody else knows it yet), which is synced whole and then
// renamed into place, never over a file that is there; the folder is
// synced last, so that the name lasts as the write does. *raced says that
// another process put its hive file in place first: nothing was written
// and the write is to go into that file.
LONG makeHiveFile(Hive& h, const char* doing, const WriteBody& body, bool* raced) {
  *raced = false;
  const std::string folder = parentFolder(h.path);
  std::string temp;
  const int lockFd = makeNewFile(h.path, &temp);
  if (lockFd < 0) return fileFailure(h, errno, std::string("the hive file cannot be made; ") + doing + " failed");

  // From here on h's connection is the new file's. The lock goes last,
  // after SQLite's own descriptors of the file (closing any descriptor of
  // a file drops the process's record locks on it).
  finalizeStatements(h);
  sqlite3_close_v2(h.db);
  h.db = nullptr;
  auto discard = [&](LONG result) {
    closeHive(h);
    unlink(temp.c_str());
    for (const char* tail : kSideFiles) unlink((temp + tail).c_str());
    close(lockFd);
    return result;
  };
  h.absent = false;
  int rc = sqlite3_open_v2(temp.c_str(), &h.db, SQLITE_OPEN_READWRITE, nullptr);
  if (rc == SQLITE_OK) {
    sqlite3_busy_timeout(h.db, g_busyTimeoutMs.load());
    sqlite3_extended_result_codes(h.db, 1);
    rc = execAll(h.db, "PRAGMA synchronous = OFF");
  }
  std::string mode;
  if (rc == SQLITE_OK && (rc = queryOne(h.db, "PRAGMA journal_mode = WAL", &mode, nullptr)) == SQLITE_ROW)
    rc = mode == "wal" ? SQLITE_OK : SQLITE_CANTOPEN;
  if (rc == SQLITE_OK) rc = createSchema(h.db, h.machine);
  if (rc != SQLITE_OK) return discard(failure(h, rc, "making it"));
  LONG result = commitWrite(h, doing, body);
  if (result != ERROR_SUCCESS) return discard(result);
  // Every page into the file itself, and the connection closed: the
  // write-ahead log of the new file goes with it.
  int64_t busy = 1;
  rc = queryOne(h.db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, &busy);
  if (rc != SQLITE_ROW || busy != 0) return discard(failure(h, rc == SQLITE_ROW ? SQLITE_BUSY : rc, doing));
  finalizeStatements(h);
  rc = sqlite3_close(h.db);
  h.db = nullptr;
  if (rc != SQLITE_OK || fileExists(temp + "-wal"))
    return discard(fileFailure(h, EIO, std::string("the new hive file could not be finished; ") + doing + " failed"));

  if (fsync(lockFd) != 0)
    return discard(fileFailure(h, errno, std::string("the new hive file could not be written; ") + doing + " failed"));
  if (renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, h.path.c_str(), RENAME_NOREPLACE) != 0) {
    int e = errno;
    if (e == EINVAL || e == ENOSYS || e == ENOTSUP) {
      // A file system without the exclusive rename: a link, which
      // never replaces a name either.
      e = link(temp.c_str(), h.path.c_str()) == 0 ? 0 : errno;
      unlink(temp.c_str());
    }
    if (e == EEXIST) {
      *raced = true;
      return discard(ERROR_SUCCESS);
    }
    if (e != 0)
      return discard(fileFailure(h, e, std::string("the hive file cannot be put in place; ") + doing + " failed"));
  }
  close(lockFd);
  const int e = syncFolder(folder);
  // The hive is opened as its file at the next call.
  closeHive(h);
  if (e != 0) return fileFailure(h, e, std::string("the hive's folder could not be synced; ") + doing + " failed");
  return ERROR_SUCCESS;
}

// The new file that a name beside the hive belongs to: the name itself for
// a new file ("<hive>.new-<number>-<number>"), the file it goes with for
// one of SQLite's side files; "" for any other name.
std::string newFileOf(std::string_view name, std::string_view prefix, bool* side) {
  if (!name.starts_with(prefix)) return "";
  std::string_view rest = name.substr(prefix.size());
  *side = false;
  for (const char* tail : kSideFiles) {
    if (rest.ends_with(tail)) {
      rest.remove_suffix(std::strlen(tail));
      *side = true;
      break;
    }
  }
  const size_t dash = rest.find('-');
  auto digits = [](std::string_view s) {
    return !s.empty() && s.find_first_not_of("0123456789") == std::string_view::npos;
  };
  if (dash == std::string_view::npos || !digits(rest.substr(0, dash)) || !digits(rest.substr(dash + 1))) return "";
  return std::string(prefix) + std::string(rest);
}

}  // namespace

LONG writeTransaction(Hive& h, const char* doing, const WriteBody& body) {
  if (h.unmade) {
    const int64_t classesId = h.classesId;
    bool raced = false;
    LONG result = makeHiveFile(h, doing, body, &raced);
    if (!raced) return result;
    // The other process's file: the keys that stood in for its roots
    // are its first keys, as in any hive file.
    result = openHive(registry(), h.index);
    if (result != ERROR_SUCCESS) return result;
    if (h.unmade || h.classesId != classesId) {
      report(h, std::string("the hive file made by another process was not as expected; ") + doing + " failed");
      return ERROR_CANTWRITE;
    }
  }
  return commitWrite(h, doing, body);
}

// A new file that no maker holds locked is a killed maker's: it goes, with
// its side files; a side file whose new file is gone goes too (a maker
// makes its new file first and removes it last).
void removeAbandonedNewFiles(const std::string& hivePath) {
  const std::string folder = parentFolder(hivePath);
  const size_t slash = hivePath.find_last_of('/');
  const std::string prefix = (slash == std::string::npos ? hivePath : hivePath.substr(slash + 1)) + kNewMark;
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  const int dfd = dirfd(dir);
  while (const dirent* entry = readdir(dir)) {
    bool side = false;
    const std::string newFile = newFileOf(entry->d_name, prefix, &side);
    if (newFile.empty()) continue;
    if (side) {
      struct stat st {};
      if (fstatat(dfd, newFile.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT)
        (void)unlinkat(dfd, entry->d_name, 0);
      continue;
    }
    const int fd = openat(dfd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st {};
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        stillNamed(fd, folder + "/" + newFile)) {
      (void)unlinkat(dfd, entry->d_name, 0);
      for (const char* tail : kSideFiles) (void)unlinkat(dfd, (newFile + tail).c_str(), 0);
    }
    close(fd);
  }
  closedir(dir);
}

}  // namespace platform::registry_detail
