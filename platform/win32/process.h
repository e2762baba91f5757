// Win32-shaped processes: a program started from a command line, without
// any shell, and waited for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32/types.h"

namespace platform {

inline constexpr DWORD NORMAL_PRIORITY_CLASS = 0x20;
inline constexpr DWORD STARTF_USESHOWWINDOW = 0x1;
inline constexpr uint16_t SW_HIDE = 0;
inline constexpr uint16_t SW_SHOWNORMAL = 1;
inline constexpr uint16_t SW_SHOW = 5;
inline constexpr DWORD INFINITE = 0xFFFFFFFF;
inline constexpr DWORD WAIT_OBJECT_0 = 0;
inline constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;

// The window state asked for the new program's first window; this
// platform starts programs the same way whatever it says.
struct STARTUPINFO {
  DWORD cb = sizeof(STARTUPINFO);
  DWORD dwFlags = 0;
  uint16_t wShowWindow = 0;
};

struct PROCESS_INFORMATION {
  HANDLE hProcess = 0;
  HANDLE hThread = 0;  // always 0: there is no handle of the first thread
  DWORD dwProcessId = 0;
  DWORD dwThreadId = 0;
};

// The arguments in a command line, split as the original platform's
// programs split theirs: blanks and tabs separate arguments; a text in
// double quotes is one argument with its blanks; inside quotes "" is one
// quote; 2n backslashes before a quote are n backslashes and the quote
// counts, 2n+1 are n backslashes and a plain quote; other backslashes are
// plain.
std::vector<std::string> splitCommandLine(const std::string& commandLine);

// Starts a program and returns non-zero with the new process's handle, or
// 0 with the last error when it cannot be started, which is known before
// this returns: ERROR_FILE_NOT_FOUND (no such program), ERROR_ACCESS_DENIED
// (not executable), ERROR_BAD_EXE_FORMAT (not a program), ERROR_DIRECTORY
// (the current folder is missing).
//
// Without an application name the program is the first token of the
// command line: the text in quotes when it starts with a quote; otherwise
// the longest text up to a blank (or the end) that names a file, trying the
// shorter ones in turn, so that a file named by a part of the path never
// runs in place of the program; when none names a file, the text up to the
// first blank. A
// program named without a folder is looked for on PATH. The rest of the
// command line becomes the arguments (splitCommandLine). No shell ever
// sees the text: ";", "|", "$(...)" and the like stay plain characters.
// An empty currentDirectory keeps this process's current folder. The new
// process inherits no handles besides standard input, output and error.
BOOL CreateProcess(const std::string& applicationName, const std::string& commandLine, DWORD creationFlags,
                   const std::string& currentDirectory, const STARTUPINFO& startupInfo,
                   PROCESS_INFORMATION& processInformation);

// Waits for the process to end. Only INFINITE is offered (ERROR_INVALID_
// PARAMETER otherwise); WAIT_FAILED with ERROR_INVALID_HANDLE for a handle
// that names no process.
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);

// Closes a process handle; the process runs on. 0 with ERROR_INVALID_HANDLE
// for a handle that names no process.
BOOL CloseHandle(HANDLE handle);

// How a start went, for the shell's program launch.
struct ProgramStart {
  enum Stage { Started, FolderFailed, ProgramFailed } stage = ProgramFailed;
  int error = 0;      // the errno of the failed step
  int processId = 0;  // the child's id (0 for a detached start)
};

// Starts the program at path (with a folder, or found on PATH) with the
// argument vector arguments (the first one included) in folder (empty:
// this process's). A detached program is nobody's child: nothing has to
// wait for it.
ProgramStart startProgram(const std::string& path, const std::vector<std::string>& arguments, const std::string& folder,
                          bool detached);

// The full path of a program named without a folder, looked for on PATH;
// empty when there is none.
std::string findProgramOnPath(const std::string& name);

}  // namespace platform
