// Win32-shaped hand-over to the desktop: a program asked for is started
// directly; a document, a folder or an address goes to the desktop's opener
// ("xdg-open" when it is on PATH, else "gio open"). No text is ever handed
// to a shell: programs get an argument vector.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win32/process.h"
#include "platform/win32/types.h"

namespace platform {

// Results of ShellExecute: above 32 is success.
inline constexpr int32_t SHELL_EXECUTE_SUCCESS = 42;
inline constexpr int32_t SE_ERR_FNF = 2;
inline constexpr int32_t SE_ERR_PNF = 3;
inline constexpr int32_t SE_ERR_ACCESSDENIED = 5;
inline constexpr int32_t SE_ERR_OOM = 8;
inline constexpr int32_t SE_ERR_BADFORMAT = 11;
inline constexpr int32_t SE_ERR_NOASSOC = 31;

// verb "open" (also the empty verb) or "explore", compared without regard
// to case; any other verb gives SE_ERR_NOASSOC. Nothing is ever started as
// a program here, not even a file with an execute bit (every file of a FAT
// or SMB mount has one): that takes ShellStartProgram.
//  - An address ("mailto:...", "https://...") that names no file goes to
//    the opener as it is.
//  - A missing file gives 2, a file whose folder is missing 3, a file that
//    cannot be read 5.
//  - Anything else (a document, a folder) goes to the opener: 31 when there
//    is none or it fails. "explore" takes folders only.
// The parameters, the owner window and the show command change nothing
// here.
int32_t ShellExecute(HWND owner, const std::string& verb, const std::string& file, const std::string& parameters,
                     const std::string& directory, int32_t showCommand);

// A program that the caller asked for by name (a tool program, a program a
// script launches): an executable file is started at once with the
// parameters (split as a command line is) in the working folder (directory;
// empty keeps this process's), without waiting for it; a file that is no
// program gives 11, a missing working folder 3. Any other item (a file
// without an execute bit, a folder) is ShellExecute's "open".
int32_t ShellStartProgram(HWND owner, const std::string& program, const std::string& parameters,
                          const std::string& directory, int32_t showCommand);

inline constexpr DWORD SEE_MASK_NOCLOSEPROCESS = 0x40;
inline constexpr DWORD SEE_MASK_INVOKEIDLIST = 0x0C;
inline constexpr DWORD SEE_MASK_FLAG_NO_UI = 0x400;

struct SHELLEXECUTEINFO {
  DWORD cbSize = sizeof(SHELLEXECUTEINFO);
  DWORD fMask = 0;
  HWND hwnd = 0;
  std::string lpVerb, lpFile, lpParameters, lpDirectory;
  int32_t nShow = 0;
  int32_t hInstApp = 0;  // the result: above 32 is success
  HANDLE hProcess = 0;   // never filled in: no process is kept
};

// ShellExecute with a record. This platform has no properties sheet: the
// verb "properties" returns 0 with hInstApp SE_ERR_NOASSOC and the last
// error ERROR_NOT_SUPPORTED. Non-zero when hInstApp is above 32.
BOOL ShellExecuteEx(SHELLEXECUTEINFO& info);

}  // namespace platform
