// Replacing a file's whole content so that the file on disk is always its
// old content or its new one, never a mix, whatever fails or however the
// process ends: the new bytes go to a temporary file in the same folder,
// which is synced and renamed over the file; then the folder is synced.
//
// The temporary file is made unnamed where the file system allows it and
// gets a name only just before the rename; where it does not, and in that
// last moment, it carries a name of its own (".<file>.kestrin-save-" and
// six characters) that the next replacement of the same file recognises
// and removes once no living writer holds it.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// What a symbolic link at the file's name means.
enum class AtLink {
  // The file the link names is replaced (the link stays): a file that the
  // user opened through a link still saves through it. As the kernel's
  // link protection does, a link in a sticky folder that everybody may
  // write is followed only when it is this user's or the folder owner's;
  // another's is refused (70).
  WriteThrough,
  // The link itself is replaced by the new file; nothing is ever written
  // where it points. For the files the editor makes for itself.
  Replace,
};

struct ReplaceOptions {
  AtLink atLink = AtLink::Replace;
  // The old file's owner, group and extended attributes go to the new one
  // (its permission bits always do).
  bool keepOwnerAndAttributes = false;
  // An old file without write permission is refused (70) even where the
  // process could write it (the superuser).
  bool refuseReadOnly = false;
  // The permission bits of a file that is new, before the umask.
  unsigned newMode = 0666;
  // The old file's permission bits that the new one keeps: a copy keeps
  // none that its source lacks. They are the new file's before it takes
  // the name, so that no one who may not read the source ever opens it.
  unsigned keptMode = 07777;
};

// Replaces the file's content by the pieces, one after the other. A failure
// raises 52 (empty path), 61 (disk full, file too large), 70 (no permission,
// read-only file system), 76 (no such folder), 75 (the path is a folder) or
// 57 (any other failure) and leaves the old file byte for byte, with no
// temporary file behind. A folder that cannot be synced after the new file
// took its name fails the replacement too: the old file gets its name
// back where the file system can exchange two names (else the new file
// stays, and the failure is still raised).
void replaceFile(const std::string& path, const std::vector<std::string_view>& pieces,
                 const ReplaceOptions& options = {});
void replaceFile(const std::string& path, std::string_view bytes, const ReplaceOptions& options = {});

// The prefix of the temporary names that replacing the file at `path` uses
// (in the same folder, without the folder).
std::string replacementTempPrefix(const std::string& path);

// Raises the file error that an errno of a file operation stands for: 61
// (disk full, file too large), 70 (no permission, read-only file system),
// 76 (no such folder), 75 (a folder) or 57 (any other failure).
[[noreturn]] void raiseFileErrno(int e);

// Syncs a file that was just put in place by someone else (a library) and
// its folder (as far as the folder can be); 57 when the file cannot be
// synced.
void syncFileAndFolder(const std::string& path);

// Syncs a folder's entries (the names made or renamed in it): 0 when they
// are on disk, or when the folder's file system has no such sync (EINVAL,
// EROFS, ENOTSUP, ENOSYS) or this user may not read the folder; else the
// errno of the failure (EIO: the names may be lost).
int syncFolder(const std::string& folder);

}  // namespace platform
