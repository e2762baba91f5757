/* The tests' fault library, loaded with LD_PRELOAD: it counts the calls of
 * write (plain or gathered), fsync, close, rename (any of its forms) and link that concern files in one folder
 * and makes the Nth call of one kind fail with a chosen error, as a full
 * disk or a failing device would. Everything outside the folder, and every
 * call while nothing is armed, goes straight to the C library.
 *
 * The driver finds the control functions with dlsym:
 *   kestrin_fault_arm(folder, kind, n, error)  count in folder; n > 0 fails
 *                                              the nth call of kind
 *   kestrin_fault_disarm()                     stop counting
 *   kestrin_fault_count(kind)                  calls of kind since arming
 *   kestrin_fault_hit()                        whether the fault was made
 *   kestrin_fault_events()                     calls traced since arming
 *   kestrin_fault_event(i, &kind, &inode, &folder, path, size)
 *                                              the ith of them: its kind,
 *                                              the inode it wrote, synced
 *                                              or renamed, whether that is
 *                                              a folder, and the name a
 *                                              rename or link gave it
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>

enum { KIND_WRITE, KIND_FSYNC, KIND_CLOSE, KIND_RENAME, KIND_LINK, KIND_COUNT };

static char g_folder[PATH_MAX];
static size_t g_folderLength;
static int g_armed;
static int g_kind = -1;
static long g_failAt;
static int g_error;
static long g_counts[KIND_COUNT];
static int g_hit;
static __thread int g_inside;

/* The calls that concern the folder, in their order (the first ones, when
 * there are more), whether or not they were made to fail. */
struct Event {
  int kind;
  unsigned long long inode;
  int folder;
  char path[PATH_MAX];
};
enum { MAX_EVENTS = 1024 };
static struct Event g_events[MAX_EVENTS];
static long g_eventCount;

static void trace(int kind, const struct stat* st, const char* path) {
  if (g_eventCount >= MAX_EVENTS) return;
  struct Event* e = &g_events[g_eventCount++];
  e->kind = kind;
  e->inode = st ? (unsigned long long)st->st_ino : 0;
  e->folder = st ? S_ISDIR(st->st_mode) : 0;
  snprintf(e->path, sizeof e->path, "%s", path ? path : "");
}

__attribute__((visibility("default"))) void kestrin_fault_arm(const char* folder, int kind, long n, int error) {
  snprintf(g_folder, sizeof g_folder, "%s", folder);
  g_folderLength = strlen(g_folder);
  g_kind = kind;
  g_failAt = n;
  g_error = error;
  memset(g_counts, 0, sizeof g_counts);
  g_hit = 0;
  g_eventCount = 0;
  g_armed = 1;
}

__attribute__((visibility("default"))) void kestrin_fault_disarm(void) { g_armed = 0; }

__attribute__((visibility("default"))) long kestrin_fault_count(int kind) {
  return kind >= 0 && kind < KIND_COUNT ? g_counts[kind] : 0;
}

__attribute__((visibility("default"))) int kestrin_fault_hit(void) { return g_hit; }

__attribute__((visibility("default"))) long kestrin_fault_events(void) { return g_eventCount; }

__attribute__((visibility("default"))) int kestrin_fault_event(long i, int* kind, unsigned long long* inode,
                                                               int* folder, char* path, size_t size) {
  if (i < 0 || i >= g_eventCount) return 0;
  *kind = g_events[i].kind;
  *inode = g_events[i].inode;
  *folder = g_events[i].folder;
  snprintf(path, size, "%s", g_events[i].path);
  return 1;
}

static int inFolder(const char* path) {
  return path && strncmp(path, g_folder, g_folderLength) == 0 &&
         (path[g_folderLength] == '/' || path[g_folderLength] == '\0');
}

static int fdInFolder(int fd) {
  char link[64], target[PATH_MAX];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  const ssize_t n = readlink(link, target, sizeof target - 1);
  if (n <= 0) return 0;
  target[n] = '\0';
  return inFolder(target);
}

/* Whether this call is to fail: counted when it concerns the folder. */
static int failHere(int kind, int concerns) {
  if (!g_armed || g_inside || !concerns) return 0;
  const long n = ++g_counts[kind];
  if (kind == g_kind && n == g_failAt) {
    g_hit = 1;
    return 1;
  }
  return 0;
}

#define NEXT(name) ((__typeof__(&name))dlsym(RTLD_NEXT, #name))

/* Whether a call on a descriptor is to fail; the descriptor's path is read
 * outside the count, so that the readlink below is never counted itself. */
static int fdFails(int kind, int fd) {
  if (!g_armed || g_inside) return 0;
  g_inside = 1;
  const int concerns = fdInFolder(fd);
  if (concerns && kind != KIND_CLOSE) {
    struct stat st;
    trace(kind, fstat(fd, &st) == 0 ? &st : NULL, NULL);
  }
  g_inside = 0;
  if (!failHere(kind, concerns)) return 0;
  errno = g_error;
  return 1;
}

ssize_t write(int fd, const void* buffer, size_t size) {
  static __typeof__(&write) real;
  if (!real) real = NEXT(write);
  if (fdFails(KIND_WRITE, fd)) return -1;
  return real(fd, buffer, size);
}

/* Saves write their pieces with one gathered write: a write of its own kind
 * as far as a failing disk is concerned. */
ssize_t writev(int fd, const struct iovec* pieces, int count) {
  static __typeof__(&writev) real;
  if (!real) real = NEXT(writev);
  if (fdFails(KIND_WRITE, fd)) return -1;
  return real(fd, pieces, count);
}

int fsync(int fd) {
  static __typeof__(&fsync) real;
  if (!real) real = NEXT(fsync);
  if (fdFails(KIND_FSYNC, fd)) return -1;
  return real(fd);
}

int fdatasync(int fd) {
  static __typeof__(&fdatasync) real;
  if (!real) real = NEXT(fdatasync);
  if (fdFails(KIND_FSYNC, fd)) return -1;
  return real(fd);
}

/* A failed close still closes the descriptor, as the kernel does. */
int close(int fd) {
  static __typeof__(&close) real;
  if (!real) real = NEXT(close);
  if (fdFails(KIND_CLOSE, fd)) {
    const int error = errno;
    real(fd);
    errno = error;
    return -1;
  }
  return real(fd);
}

/* A rename or link that concerns the folder, traced with the inode it
 * names and the name it gives. */
static void traceNaming(int kind, int fromFd, const char* from, int flags, int concerns, const char* to) {
  if (!g_armed || g_inside || !concerns) return;
  g_inside = 1;
  struct stat st;
  const int known = from && fstatat(fromFd, from, &st, flags) == 0;
  trace(kind, known ? &st : NULL, to);
  g_inside = 0;
}

int rename(const char* from, const char* to) {
  static __typeof__(&rename) real;
  if (!real) real = NEXT(rename);
  traceNaming(KIND_RENAME, AT_FDCWD, from, AT_SYMLINK_NOFOLLOW, inFolder(from) || inFolder(to), to);
  if (failHere(KIND_RENAME, inFolder(from) || inFolder(to))) {
    errno = g_error;
    return -1;
  }
  return real(from, to);
}

int renameat(int fromFd, const char* from, int toFd, const char* to) {
  static __typeof__(&renameat) real;
  if (!real) real = NEXT(renameat);
  traceNaming(KIND_RENAME, fromFd, from, AT_SYMLINK_NOFOLLOW, inFolder(from) || inFolder(to), to);
  if (failHere(KIND_RENAME, inFolder(from) || inFolder(to))) {
    errno = g_error;
    return -1;
  }
  return real(fromFd, from, toFd, to);
}

int renameat2(int fromFd, const char* from, int toFd, const char* to, unsigned flags) {
  static __typeof__(&renameat2) real;
  if (!real) real = NEXT(renameat2);
  traceNaming(KIND_RENAME, fromFd, from, AT_SYMLINK_NOFOLLOW, inFolder(from) || inFolder(to), to);
  if (failHere(KIND_RENAME, inFolder(from) || inFolder(to))) {
    errno = g_error;
    return -1;
  }
  return real(fromFd, from, toFd, to, flags);
}

int linkat(int fromFd, const char* from, int toFd, const char* to, int flags) {
  static __typeof__(&linkat) real;
  if (!real) real = NEXT(linkat);
  traceNaming(KIND_LINK, fromFd, from, flags & AT_EMPTY_PATH ? AT_EMPTY_PATH : 0, inFolder(to), to);
  if (failHere(KIND_LINK, inFolder(to))) {
    errno = g_error;
    return -1;
  }
  return real(fromFd, from, toFd, to, flags);
}
