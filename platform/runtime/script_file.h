// What the editor checks about a script's file before it reads it, before
// it overwrites it and before it hands a copy of it on.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// A file's identity and last change, links followed (the file a save
// writes through). Two stamps differ when the file was changed, or
// replaced by another file, in between.
struct FileStamp {
  bool exists = false;
  uint64_t device = 0;
  uint64_t inode = 0;
  int64_t modifiedNs = 0;  // the modification time, nanoseconds since 1970
  int64_t size = 0;
  bool operator==(const FileStamp&) const = default;
};
FileStamp fileStamp(const std::string& path);

// Why the path cannot be read as a script ("" when it can): it holds a NUL,
// is missing, is a folder, a device, a FIFO or a socket, or may not be
// read; or it is too large for the memory there is or for the editor's
// line and column numbers (scriptLimits). Never blocks; the file is read
// only when it is larger than the longest line may be, to find its
// longest line and count its lines.
std::string scriptReadProblem(const std::string& path);

// The limits a script is opened within: the memory its text may take
// (1.2 times its size must fit; 0: the memory the system has available
// now), its longest line in bytes and its lines (the editor's lines and
// columns are 32-bit numbers). Tests set smaller ones.
struct ScriptLimits {
  uint64_t memory = 0;
  uint64_t lineBytes = 0x7FFFFFFF;
  uint64_t lines = 0x7FFFFFFF;
};
ScriptLimits scriptLimits();
void setScriptLimits(const ScriptLimits& limits);

// Where a file's text is to go: the text's bytes and lines, and the bytes
// of the line before and after the place.
struct InsertPlace {
  uint64_t textBytes = 0;
  uint64_t lines = 1;
  uint64_t lineBefore = 0;
  uint64_t lineAfter = 0;
};
// Why the path cannot be inserted there ("" when it can): what
// scriptReadProblem finds, or a text that would not fit the memory there
// is or the limits with the file in it (its first line joined to the
// bytes before the place, its last line to those after it).
std::string scriptInsertProblem(const std::string& path, const InsertPlace& place);

// The same, and also refused: a symbolic link, or a file of another user.
// For a file the editor wrote for itself and reads back (the hand-over
// copy), which a second user may have planted in a shared folder.
std::string ownFileReadProblem(const std::string& path);

// Whether something is at the path (a link not followed) that belongs to
// this user: what the editor may remove of its own in a shared folder.
bool belongsToThisUser(const std::string& path);

// The permission bits of the file (links followed); `otherwise` when it
// cannot be looked at.
unsigned filePermissionBits(const std::string& path, unsigned otherwise);

// Writes a file that the editor makes for itself, as a new file: an old
// file at the name (or a link) is removed first when it belongs to this
// user; one of another user, or a folder, raises 70 and is left alone.
// The file is made with O_EXCL and O_NOFOLLOW, so nothing planted in
// between is ever written through, gets `mode` less the umask, and is
// synced with its folder. A failure raises 70, 61, 76 or 57 and leaves no file behind.
void writeNewOwnFile(const std::string& path, std::string_view bytes, unsigned mode);

}  // namespace platform
