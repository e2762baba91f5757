// Win32-shaped types, result codes and the thread's last error, so that an
// algorithm written against the original services reads the same here.
#pragma once

#include <cstdint>

namespace platform {

using LONG = int32_t;
using DWORD = uint32_t;
using BOOL = int32_t;
using HKEY = uint32_t;     // registry key handle; 0 is no key
using HANDLE = uint32_t;   // process, find and other kernel handles; 0 is none
using HWND = uint32_t;     // window handle; 0 is none
using HMODULE = uint32_t;  // library handle; 0 is none
using HDC = uint32_t;      // device context handle

inline constexpr LONG ERROR_SUCCESS = 0;
inline constexpr LONG ERROR_FILE_NOT_FOUND = 2;
inline constexpr LONG ERROR_PATH_NOT_FOUND = 3;
inline constexpr LONG ERROR_ACCESS_DENIED = 5;
inline constexpr LONG ERROR_INVALID_HANDLE = 6;
inline constexpr LONG ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr LONG ERROR_BAD_FORMAT = 11;
inline constexpr LONG ERROR_INVALID_DATA = 13;
inline constexpr LONG ERROR_NOT_SUPPORTED = 50;
inline constexpr LONG ERROR_FILE_EXISTS = 80;
inline constexpr LONG ERROR_INVALID_PARAMETER = 87;
inline constexpr LONG ERROR_DISK_FULL = 112;
inline constexpr LONG ERROR_PROC_NOT_FOUND = 127;
inline constexpr LONG ERROR_ALREADY_EXISTS = 183;
inline constexpr LONG ERROR_MORE_DATA = 234;
inline constexpr LONG ERROR_NO_MORE_ITEMS = 259;
inline constexpr LONG ERROR_DIR_NOT_EMPTY = 145;
inline constexpr LONG ERROR_CANTOPEN = 1011;
inline constexpr LONG ERROR_CANTREAD = 1012;
inline constexpr LONG ERROR_CANTWRITE = 1013;
inline constexpr LONG ERROR_KEY_HAS_CHILDREN = 1020;
inline constexpr LONG ERROR_NOT_SAME_DEVICE = 17;
inline constexpr LONG ERROR_INVALID_NAME = 123;
inline constexpr LONG ERROR_MOD_NOT_FOUND = 126;
inline constexpr LONG ERROR_BAD_EXE_FORMAT = 193;
inline constexpr LONG ERROR_DIRECTORY = 267;

// The calling thread's last error, as the original services kept it.
DWORD GetLastError();
void SetLastError(DWORD error);

}  // namespace platform
