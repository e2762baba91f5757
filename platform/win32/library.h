// Win32-shaped loading of shared libraries and calls of their routines.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32/types.h"

namespace platform {

// The address of a routine in a loaded library; nullptr is none.
using FARPROC = void*;

// Loads a library and returns its handle (the same handle for the same
// library while it stays loaded); 0 with ERROR_MOD_NOT_FOUND or
// ERROR_BAD_EXE_FORMAT on failure. A name with a folder is loaded from that
// path. A name without one, such as "kzenvb.dll", is first looked for among
// the libraries already loaded in the process, by the file-name part of
// their paths compared without regard to case, and then on the library
// search path.
HMODULE LoadLibrary(const std::string& fileName);

// The address of the routine of that name in the library itself (not in
// the libraries it depends on); names compare with regard to case.
// nullptr with ERROR_PROC_NOT_FOUND, or ERROR_INVALID_HANDLE for a handle
// that names no loaded library.
FARPROC GetProcAddress(HMODULE module, const std::string& procName);

// Gives back one load of the library; 0 with ERROR_INVALID_HANDLE for a
// handle that names no loaded library.
BOOL FreeLibrary(HMODULE module);

// Calls the routine at address with the arguments as 32-bit integers and
// returns its 32-bit result. This platform has one calling convention, so
// routines that clean up their own arguments and routines whose caller does
// are called alike. nullptr is no routine: 0 with ERROR_INVALID_PARAMETER.
int32_t callRoutine(FARPROC address, const std::vector<int32_t>& arguments);

// Calls the routine at address with one argument, a NUL-terminated text,
// and returns its 32-bit result (the bridge routines that take a path).
int32_t callRoutineWithText(FARPROC address, const std::string& text);

}  // namespace platform
