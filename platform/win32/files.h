// Win32-shaped file services on the local file system: attribute bits,
// the search for a file or a pattern, copy, move and delete.
#pragma once

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

// The attribute bits of a file or folder; INVALID_FILE_ATTRIBUTES with the
// last error set when it does not exist.
DWORD GetFileAttributes(const std::string& path);

// Sets read-only (the owner's write permission), hidden, system and archive
// (the extended attribute "user.DOSATTRIB"); non-zero on success. Where the
// file system keeps no user extended attributes, asking for hidden, system
// or archive fails with ERROR_NOT_SUPPORTED.
BOOL SetFileAttributes(const std::string& path, DWORD attributes);

}  // namespace platform
