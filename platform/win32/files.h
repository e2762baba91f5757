// Win32-shaped file services on the local file system: attribute bits,
// the search for a file or a pattern, short names, copy, move and delete.
//
// Names keep this platform's case sensitivity: two names that differ in
// case are two files. Only the search patterns of FindFirstFile compare
// without regard to case.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/win32/types.h"

namespace platform {

inline constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x1;
inline constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x2;
inline constexpr DWORD FILE_ATTRIBUTE_SYSTEM = 0x4;
inline constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
inline constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
inline constexpr DWORD FILE_ATTRIBUTE_COMPRESSED = 0x800;
inline constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;
inline constexpr HANDLE INVALID_HANDLE_VALUE = 0xFFFFFFFF;

// The attribute bits of a file or folder:
//   16 directory; 1 read-only (the owner has no write permission);
//   2 hidden, 4 system, 32 archive, kept in the extended attribute
//     "user.DOSATTRIB" as the text "0x" and the bits in hexadecimal
//     (a name that begins with "." counts as hidden too);
//   2048 compressed (the file system's compressed flag);
//   128 normal when no other bit is set.
// INVALID_FILE_ATTRIBUTES with the last error set (ERROR_FILE_NOT_FOUND,
// ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED) when it cannot be looked at.
DWORD GetFileAttributes(const std::string& path);

// Sets exactly the read-only, hidden, system and archive bits given (the
// other bits are ignored; 128 alone clears them all); non-zero on success.
// Where the file system keeps no user extended attributes, asking for
// hidden, system or archive fails with ERROR_NOT_SUPPORTED and changes
// nothing.
BOOL SetFileAttributes(const std::string& path, DWORD attributes);

// What FindFirstFile found: the entry's attribute bits and its name
// (without its folder).
struct WIN32_FIND_DATA {
  DWORD dwFileAttributes = 0;
  std::string cFileName;
};

// Looks a name up: an existing file or folder named without a trailing
// separator, or a pattern with "*" and "?" in its last component, matched
// without regard to case against the entries of its folder ("*.*" also
// matches names without a "."; "." and ".." are never matched). On success
// returns a search handle and the first match in byte order of the names;
// otherwise INVALID_HANDLE_VALUE with the last error ERROR_FILE_NOT_FOUND
// or ERROR_PATH_NOT_FOUND. A path that ends in "/" is not found.
HANDLE FindFirstFile(const std::string& fileName, WIN32_FIND_DATA& findData);

// Closes a search handle; 0 with ERROR_INVALID_HANDLE for any other value.
BOOL FindClose(HANDLE findHandle);

// The short form of an existing path, which here is the path itself,
// written with a closing NUL into buffer (bufferLength characters). Returns
// the length written without the NUL, or, when the buffer is too small, the
// size needed with the NUL (the buffer is left untouched); 0 with the last
// error set when the path does not exist.
DWORD GetShortPathName(const std::string& longPath, char* buffer, DWORD bufferLength);

// Copies a file with its permissions, attribute bits and last-modified
// time. An existing target is replaced unless failIfExists is non-zero
// (then ERROR_FILE_EXISTS); an existing target that is read-only or hidden
// is refused with ERROR_ACCESS_DENIED. The target appears whole or not at
// all. Non-zero on success.
BOOL CopyFile(const std::string& existingFileName, const std::string& newFileName, BOOL failIfExists);

// Moves or renames a file or folder. Never replaces an existing target,
// even when one appears at the same moment (ERROR_ALREADY_EXISTS). A file
// moves across file systems by copy and delete; a folder does not
// (ERROR_NOT_SAME_DEVICE). Non-zero on success.
BOOL MoveFile(const std::string& existingFileName, const std::string& newFileName);

// Deletes a file; refuses a read-only file and a folder (ERROR_ACCESS_DENIED).
// Non-zero on success.
BOOL DeleteFile(const std::string& fileName);

// Deletes a file whatever its attribute bits (read-only and hidden files
// too); refuses a folder. Non-zero on success, else the last error is set.
BOOL forceDeleteFile(const std::string& fileName);

// The length of a file in bytes; nothing when it cannot be looked at.
std::optional<uint64_t> fileSize(const std::string& path);

// The last-modified time of a file or folder as local wall-clock
// milliseconds since 1 January 1970 (the form that dateFromLocalMillis of
// runtime/datetime.h takes); nothing when it cannot be looked at.
std::optional<int64_t> fileModifiedLocalMillis(const std::string& path);

}  // namespace platform
